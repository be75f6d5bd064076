// How every quillon command reads its command line, by the conventions of coreutils: options
// through getopt_long (a long one also as --name=value), --help and --version in every command,
// "--" ends the options, and a wrong command line says why and exits with kExitUsage. A command
// made of subcommands (quillon itself, quillon rawrsa) stops at its first operand and hands the
// rest to the subcommand it names, which reads its own options the same way.
#pragma once

#include <getopt.h>

#include <span>
#include <string>
#include <vector>

#include "commands.h"

namespace quillon::cli {

struct CommandHelp {
    const char* name;      // as it is typed: "quillon digest"
    const char* synopsis;  // what follows the name: "md5|sha1 [FILE]..."
    const char* details;   // the rest of --help: what it does, its options and operands
};

struct Subcommand {
    const char* name;
    int (*run)(int argc, char** argv);  // argv[0] is the subcommand's name
};

class CommandLine {
  public:
    // No more options: the operands follow.
    static constexpr int kEnd = -1;
    // --help, --version or a wrong command line, already answered: return ExitStatus().
    static constexpr int kStop = 0;

    // shortOptions as getopt_long takes them ("p:"); longOptions without --help, --version and
    // the terminating entry, which are added here.
    CommandLine(const CommandHelp& help, int argc, char** argv, const char* shortOptions = "",
                std::span<const option> longOptions = {});

    // A command of subcommands: options end at the first operand, the subcommand's name.
    static CommandLine OfSubcommands(const CommandHelp& help, int argc, char** argv,
                                     const char* shortOptions = "");

    // The next option's short name (or value), kEnd after the last, kStop when this command
    // line is done with.
    [[nodiscard]] int NextOption();
    [[nodiscard]] const char* Argument() const { return optarg; }
    [[nodiscard]] int ExitStatus() const { return status_; }

    // What follows the options, once NextOption gave kEnd.
    [[nodiscard]] Arguments Operands() const;

    // Says what is wrong, the synopsis and where to find help, on stderr; kExitUsage.
    [[gnu::format(printf, 2, 3)]] int UsageError(const char* format, ...);

    // Runs the subcommand that the first operand names, with the operands from it on.
    [[nodiscard]] int RunSubcommand(std::span<const Subcommand> subcommands);

    void PrintHelp() const;

  private:
    CommandLine(const CommandHelp& help, int argc, char** argv, const char* shortOptions,
                std::span<const option> longOptions, bool stopAtFirstOperand);

    const CommandHelp& help_;
    int argc_;
    char** argv_;
    std::string shortOptions_;
    std::vector<option> longOptions_;
    int operandsBegin_ = 0;
    int status_ = kExitUsage;
};

// "quillon (Quillon) 1.0.0" and the licence, as --version prints them.
void PrintVersion();

}  // namespace quillon::cli
