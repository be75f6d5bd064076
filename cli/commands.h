// The quillon command's subcommands and what they share: exit statuses, file reading, output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace quillon::cli {

// Exit statuses of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a file, a decoding or a check failed
inline constexpr int kExitUsage = 2;    // the command line itself is wrong

using Arguments = std::span<char* const>;
using Bytes = std::vector<std::uint8_t>;

// Each takes its command line from its own name on (argv[0] is "digest", say).
int SelfTestCommand(int argc, char** argv);
int DemoCommand(int argc, char** argv);
int DigestCommand(int argc, char** argv);
int CertCommand(int argc, char** argv);
int ProfileCommand(int argc, char** argv);
int ProfileCreateCommand(int argc, char** argv);  // quillon profile create
int RawRsaCommand(int argc, char** argv);
int RawRsaKeyFileCommand(int argc, char** argv);  // quillon rawrsa keyfile

// A file opened for reading, or standard input (read as bytes) for "-"; null, with the reason
// on stderr, when it cannot be opened.
[[nodiscard]] std::FILE* OpenInput(const char* path);
void CloseInput(std::FILE* file);

// Reads a whole file or standard input (at most kMaxFileSize bytes); on failure says why on
// stderr ("Is a directory").
inline constexpr std::size_t kMaxFileSize = 64u << 20;
[[nodiscard]] bool ReadWholeFile(const char* path, Bytes& contents);

// Closes standard output, the last thing the command does: a write that failed on the way, or
// the flush at the close (a full disk), is reported on stderr. False then.
[[nodiscard]] bool CloseStandardOutput();

// Lowercase hex of the bytes.
[[nodiscard]] std::string HexText(const std::uint8_t* bytes, std::size_t size);

// Bytes from hex digits (either case, an even number of them); false for anything else.
[[nodiscard]] bool ParseHex(const char* text, Bytes& bytes);

// A module status as people read it: negative ones in decimal, the others as 0x hex.
[[nodiscard]] std::string StatusText(std::int32_t status);

// Overwrites bytes that held something secret before they are released.
void WipeBytes(void* bytes, std::size_t size);

}  // namespace quillon::cli
