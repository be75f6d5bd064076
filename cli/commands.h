// The quillon command's subcommands and what they share: exit statuses, file reading, output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "library_internals.h"
#include "quillon.h"

namespace quillon::cli {

// Exit statuses of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a file, a decoding or a check failed
inline constexpr int kExitUsage = 2;    // the command line itself is wrong

using Arguments = std::span<char* const>;
// Every block the command's containers give back is wiped first: key files, PEM text, DER,
// PKCS #8 payloads and passwords pass through them, and so do the copies a container leaves
// behind when it grows.
template <class T>
struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}
    [[nodiscard]] T* allocate(std::size_t count) { return std::allocator<T>().allocate(count); }
    void deallocate(T* block, std::size_t count) noexcept {
        support::SecureWipe(block, count * sizeof(T));
        std::allocator<T>().deallocate(block, count);
    }
    template <class U>
    bool operator==(const WipingAllocator<U>&) const noexcept {
        return true;
    }
};
using Bytes = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;
using SecretText = std::basic_string<char, std::char_traits<char>, WipingAllocator<char>>;

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

// Reads a whole file or standard input (at most kMaxFileSize bytes) with the system's own
// reads, so no stdio buffer keeps a copy of a key or a password; on failure says why on stderr
// ("Is a directory"). One file per system (input_file_posix.cpp, input_file_win32.cpp).
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

// The module's objects, each released by its destroy export when its owner goes.
using CertOwner = support::Owner<CertHandle, CertDestroy>;
using KeyOwner = support::Owner<KeyHandle, RsaDestroyKey>;
using AesOwner = support::Owner<AesContext, AesDestroyContext>;
using DhKeyPairOwner = support::Owner<DhKeyPair, DhDestroyKeyPair>;
using DhValueOwner = support::Owner<Item, DhFreeBuffer>;

}  // namespace quillon::cli
