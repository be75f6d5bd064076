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

int SelfTestCommand(Arguments arguments);
int DemoCommand(Arguments arguments);
int DigestCommand(Arguments arguments);
int CertCommand(Arguments arguments);
int ProfileCommand(Arguments arguments);
int RawRsaCommand(Arguments arguments);

// Reads a whole file (at most kMaxFileSize bytes); on failure says why on stderr.
inline constexpr std::size_t kMaxFileSize = 64u << 20;
[[nodiscard]] bool ReadWholeFile(const char* path, Bytes& contents);

// Lowercase hex of the bytes.
[[nodiscard]] std::string HexText(const std::uint8_t* bytes, std::size_t size);

// Bytes from hex digits (either case, an even number of them); false for anything else.
[[nodiscard]] bool ParseHex(const char* text, Bytes& bytes);

// A module status as people read it: negative ones in decimal, the others as 0x hex.
[[nodiscard]] std::string StatusText(std::int32_t status);

// Overwrites bytes that held something secret before they are released.
void WipeBytes(void* bytes, std::size_t size);

}  // namespace quillon::cli
