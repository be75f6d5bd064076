// The tests' view into the quillon command while it runs: the probe library (command_probe.cpp)
// loaded into it through the environment of the next commands started.
#pragma once

#include <cstdlib>
#include <string>

namespace quillon::test {

// Sets an environment variable for the commands started while it lives.
class CommandEnvironment {
  public:
    CommandEnvironment(const char* name, const std::string& value) : name_(name) {
        setenv(name, value.c_str(), 1);
    }
    ~CommandEnvironment() { unsetenv(name_); }
    CommandEnvironment(const CommandEnvironment&) = delete;
    CommandEnvironment& operator=(const CommandEnvironment&) = delete;

  private:
    const char* name_;
};

#ifdef QUILLON_COMMAND_PROBE
// The probe, loaded into the commands started while it lives, with one of its settings.
class CommandProbe {
  public:
    CommandProbe(const char* setting, const std::string& value)
        : preload_("LD_PRELOAD", QUILLON_COMMAND_PROBE), setting_(setting, value) {}

  private:
    CommandEnvironment preload_;
    CommandEnvironment setting_;
};
#endif

}  // namespace quillon::test
