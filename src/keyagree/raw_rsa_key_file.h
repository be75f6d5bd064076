// RSA key files of the raw RSA envelope: text files of component lines
//
//     <letter> '.' <8-character tag> ".0x" <hex digits>
//
// with letters n, e (stored as they are) and d, p, q, u (stored masked). Files are read once and
// kept, line by line, in a process-wide cache keyed by the path as given.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "bignum/bignum.h"
#include "keyagree/raw_rsa_component_mask.h"

namespace quillon::keyagree {

inline constexpr std::size_t kKeyTagLength = 8;
// The tag recorded before any lookup.
inline constexpr char kNoKeyTag[kKeyTagLength] = {'0', '0', '0', '0', '0', '0', '0', '0'};
// A read takes at most this many bytes minus one; a longer line reads as several lines.
inline constexpr std::size_t kKeyFileLineBuffer = 2048;

// The kept lines of one key file, in file order, in one growing block that is wiped when it is
// freed or regrown (the lines hold private components).
class KeyFileLines {
  public:
    KeyFileLines() = default;
    KeyFileLines(const KeyFileLines&) = delete;
    KeyFileLines& operator=(const KeyFileLines&) = delete;
    ~KeyFileLines();

    // False when the block cannot grow.
    [[nodiscard]] bool Append(std::string_view line);
    [[nodiscard]] bool empty() const { return used_ == 0; }

    // Walks the lines: start with offset 0, stop when Next returns false.
    [[nodiscard]] bool Next(std::size_t& offset, std::string_view& line) const;

  private:
    char* data_ = nullptr;
    std::size_t used_ = 0;
    std::size_t capacity_ = 0;
};

// Where the text of a key file comes from: fills out with up to size bytes, returns how many
// (0 at the end).
struct KeyFileSource {
    std::size_t (*read)(void* context, std::uint8_t* out, std::size_t size);
    void* context;
};

enum class KeyFileStatus {
    kOk,
    kNotFound,     // file not readable (not a regular file, larger than
                   // support::BoundedFile::kLimit), without a kept line, or without the component
    kOutOfMemory,  // the lines could not be stored or a number not made
};

// Reads text as a Windows text-mode stream is read (a CR LF pair is one line end, counted as one
// byte), in reads of at most kKeyFileLineBuffer - 1 bytes ending after a line end. Each read is
// taken up to its first zero byte, its trailing bytes below 0x20 are removed, and it is kept
// when something remains.
[[nodiscard]] KeyFileStatus KeyFileReadLines(KeyFileSource source, KeyFileLines& lines);

// The longest digit text of a component line, and the bytes it decodes to.
// ("n.TTTTTTTT.0x" comes before the digits.)
inline constexpr std::size_t kKeyFileMaxDigits = kKeyFileLineBuffer - 1 - (2 + kKeyTagLength + 3);
inline constexpr std::size_t kKeyFileMaxComponentBytes = 4 * ((kKeyFileMaxDigits + 7) / 8);

// A component's hex digits (at most kKeyFileMaxDigits) to big-endian bytes, whole 32-bit words
// (byteCount a multiple of 4), unmasked when masked is set. The digits may be secret: no branch
// or address depends on them; only the verdict is public. False when a character is not a hex
// digit or the text is too long (bytes then unspecified).
[[nodiscard]] bool KeyFileDecodeDigits(std::string_view digits, bool masked, std::uint8_t* bytes,
                                       std::size_t& byteCount);

// Finds the first line for letter (and tag, unless null) whose hex digits all read, and turns it
// into value (unmasked when masked is set; then value is a secret number). Records the line's
// tag in recordedTag. kOutOfMemory when the number could not be made (nothing recorded).
[[nodiscard]] KeyFileStatus KeyFileFindComponent(const KeyFileLines& lines, char letter,
                                                 const char* tag, bool masked, bignum::Mpi& value,
                                                 char (&recordedTag)[kKeyTagLength]);

// One component an operation needs.
struct ComponentRequest {
    char letter;
    bool masked;
    bignum::Mpi* value;
};

// Takes the file's lines from the cache, or reads the file and caches them, then finds every
// request in order with the given tag (null: any tag). All under the cache lock, so no line is
// read after another thread removed its entry. kNotFound for an unreadable file, a file without
// a kept line, or the first missing component.
[[nodiscard]] KeyFileStatus KeyFileFindComponents(const char* path, const char* tag,
                                                  std::span<const ComponentRequest> requests,
                                                  char (&recordedTag)[kKeyTagLength]);

// Numbers an operation derives once from a file's components and keeps with its cache entry (the
// unwrap's private key, ready to compute with). Counted: the entry holds one reference and every
// operation using them another, so an entry removed meanwhile leaves them alive; the last
// release destroys them, and a derived type wipes its secrets then.
class KeyFileDerived {
  public:
    KeyFileDerived() = default;
    KeyFileDerived(const KeyFileDerived&) = delete;
    KeyFileDerived& operator=(const KeyFileDerived&) = delete;
    virtual ~KeyFileDerived() = default;

    void Retain() { references_.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; null is accepted. Clears the variable.
    static void Release(KeyFileDerived*& derived);

  private:
    std::atomic<std::uint32_t> references_{1};
};

// Makes the derived numbers from a file's lines for a tag: kOk with derived set (one reference),
// or the status of the failure.
using KeyFileDeriveFunction = KeyFileStatus (*)(const KeyFileLines& lines, const char* tag,
                                                KeyFileDerived*& derived);

// Takes the file's lines from the cache, or reads the file and caches them, then gives a
// reference to the numbers derive makes from them for tag (8 characters): made at the first
// call for that tag and kept with the entry, which holds those of one tag at a time. The caller
// releases the reference. Statuses as for KeyFileFindComponents.
[[nodiscard]] KeyFileStatus KeyFileFindDerived(const char* path, const char* tag,
                                               KeyFileDeriveFunction derive,
                                               KeyFileDerived*& derived);

// Removes the cache entry of path, if there is one.
void KeyFileForget(const char* path);

// Empties the cache (the module's unload).
void KeyFileForgetAll();

}  // namespace quillon::keyagree
