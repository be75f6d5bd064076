// getopt_long with the diagnostics of coreutils' commands. getopt's own messages are off
// (opterr): they name argv[0], which here is the subcommand alone, and differ between C
// libraries.
#include "command_line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "quillon.h"

namespace quillon::cli {
namespace {

// Beyond every character, so no short option can take them.
constexpr int kHelpOption = 0x100;
constexpr int kVersionOption = 0x101;

void PrintUsage(std::FILE* to, const CommandHelp& help) {
    std::fprintf(to, "usage: %s%s%s\n", help.name, *help.synopsis != '\0' ? " " : "",
                 help.synopsis);
}

}  // namespace

CommandLine::CommandLine(const CommandHelp& help, int argc, char** argv, const char* shortOptions,
                         std::span<const option> longOptions)
    : CommandLine(help, argc, argv, shortOptions, longOptions, false) {}

CommandLine CommandLine::OfSubcommands(const CommandHelp& help, int argc, char** argv,
                                       const char* shortOptions) {
    return CommandLine(help, argc, argv, shortOptions, {}, true);
}

CommandLine::CommandLine(const CommandHelp& help, int argc, char** argv, const char* shortOptions,
                         std::span<const option> longOptions, bool stopAtFirstOperand)
    : help_(help), argc_(argc), argv_(argv) {
    // "+" stops at the first operand; ":" reports a missing argument apart from a wrong option.
    shortOptions_ = std::string(stopAtFirstOperand ? "+:" : ":") + shortOptions;
    longOptions_.assign(longOptions.begin(), longOptions.end());
    longOptions_.push_back({"help", no_argument, nullptr, kHelpOption});
    longOptions_.push_back({"version", no_argument, nullptr, kVersionOption});
    longOptions_.push_back({nullptr, 0, nullptr, 0});
    // 0 starts getopt afresh (glibc and mingw-w64 alike): the previous command line's state goes.
    optind = 0;
    opterr = 0;
}

int CommandLine::NextOption() {
    const int option =
        getopt_long(argc_, argv_, shortOptions_.c_str(), longOptions_.data(), nullptr);
    switch (option) {
        case -1:
            operandsBegin_ = optind;
            return kEnd;
        case kHelpOption:
            PrintHelp();
            status_ = kExitOk;
            return kStop;
        case kVersionOption:
            PrintVersion();
            status_ = kExitOk;
            return kStop;
        case ':':
            UsageError("option '%s' needs an argument", argv_[optind - 1]);
            return kStop;
        case '?':
            // optopt names a wrong short option; a wrong long one is the argument just read.
            if (optopt != 0) {
                UsageError("unknown option -- '%c'", optopt);
            } else {
                UsageError("unknown option '%s'", argv_[optind - 1]);
            }
            return kStop;
        default:
            return option;
    }
}

Arguments CommandLine::Operands() const {
    return Arguments(argv_ + operandsBegin_, static_cast<std::size_t>(argc_ - operandsBegin_));
}

int CommandLine::UsageError(const char* format, ...) {
    std::fprintf(stderr, "%s: ", help_.name);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "\n");
    PrintUsage(stderr, help_);
    std::fprintf(stderr, "Try '%s --help' for more information.\n", help_.name);
    status_ = kExitUsage;
    return status_;
}

int CommandLine::RunSubcommand(std::span<const Subcommand> subcommands) {
    const Arguments operands = Operands();
    if (operands.empty()) return UsageError("no command given");
    for (const Subcommand& subcommand : subcommands) {
        if (std::strcmp(subcommand.name, operands[0]) == 0) {
            return subcommand.run(static_cast<int>(operands.size()), argv_ + operandsBegin_);
        }
    }
    return UsageError("unknown command '%s'", operands[0]);
}

void CommandLine::PrintHelp() const {
    PrintUsage(stdout, help_);
    std::fputs(help_.details, stdout);
    std::printf(
        "      --help     show this help and exit\n"
        "      --version  show the version and exit\n");
}

void PrintVersion() {
    std::printf(
        "quillon (Quillon) %s\n"
        "Copyright (c) 2026 The Quillon developers.\n"
        "MIT licence: free to use, change and redistribute; no warranty.\n",
        QUILLON_VERSION_STRING);
}

}  // namespace quillon::cli
