// Runs the built quillon command as a user does: a child process with standard input from a
// file and its output collected.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/temporary_directory.h"

extern char** environ;

namespace quillon::test {

struct CommandResult {
    int exit = -1;
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Where a started command's standard streams go: input from a file (or a terminal, read and
// written), output to a file, and errors to a file or, with err empty, to the same place as the
// stream errorsWith (0 for a terminal's input, 1 for the output).
struct CommandStreams {
    std::string in;
    int inFlags = O_RDONLY;
    std::string out;
    std::string err;
    int errorsWith = 1;
};

// Starts the command with the arguments without waiting for it; -1 when it cannot start.
inline pid_t StartQuillon(const std::vector<std::string>& arguments,
                          const CommandStreams& streams) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, streams.in.c_str(), streams.inFlags, 0);
    posix_spawn_file_actions_addopen(&actions, 1, streams.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (streams.err.empty()) {
        posix_spawn_file_actions_adddup2(&actions, streams.errorsWith, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, streams.err.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    std::vector<char*> argv{const_cast<char*>(QUILLON_CLI_PROGRAM)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    if (posix_spawn(&child, QUILLON_CLI_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) {
        child = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Runs the command with the arguments, standard input from input, and collects what it wrote
// (standard output to outPath when one is given).
inline CommandResult Quillon(const TemporaryDirectory& directory,
                             const std::vector<std::string>& arguments,
                             const std::string& input = "", const std::string& outPath = "") {
    const std::string out = outPath.empty() ? directory.PathOf("stdout") : outPath;
    const std::string err = directory.PathOf("stderr");
    CommandResult run;
    const pid_t child =
        StartQuillon(arguments, {directory.Write("stdin", input), O_RDONLY, out, err, 1});
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child) {
        // A signal (a crash) shows as an exit status no command returns.
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    run.out = outPath.empty() ? Slurp(out) : "";
    run.err = Slurp(err);
    return run;
}

}  // namespace quillon::test
