#include "keyagree/raw_rsa_key_file.h"

#include <cstring>
#include <utility>

#include "platform/locks.h"
#include "support/bounded_file.h"
#include "support/byte_order.h"
#include "support/checked_alloc.h"
#include "support/constant_time.h"
#include "support/hex.h"
#include "support/owner.h"
#include "support/secure_wipe.h"

namespace quillon::keyagree {
namespace {

// Each stored line: two length bytes (little-endian), then its bytes.
constexpr std::size_t kLineHeader = 2;
static_assert(kKeyFileLineBuffer - 1 <= 0xFFFF);

// "n.TTTTTTTT.0x": letter, dot, tag, then ".0x" before the digits.
constexpr std::size_t kTagOffset = 2;
constexpr std::size_t kDigitsOffset = kTagOffset + kKeyTagLength + 3;
// The longest line leaves kKeyFileMaxDigits digits, so a component has at most this many
// 32-bit words.
static_assert(kKeyFileMaxDigits == kKeyFileLineBuffer - 1 - kDigitsOffset);
constexpr std::size_t kMaxWords = (kKeyFileMaxDigits + 7) / 8;

// Text-mode reading of a byte source: a CR directly followed by LF reads as one LF; every other
// byte, a lone CR included, reads as itself.
class TextModeReader {
  public:
    explicit TextModeReader(KeyFileSource source) : source_(source) {}
    ~TextModeReader() { support::SecureWipe(buffer_, sizeof buffer_); }
    TextModeReader(const TextModeReader&) = delete;
    TextModeReader& operator=(const TextModeReader&) = delete;

    // The next character, or -1 at the end.
    int Get() {
        const int c = held_ ? Unhold() : RawGet();
        if (c != '\r') return c;
        const int next = RawGet();
        if (next == '\n') return '\n';
        held_ = true;
        heldByte_ = next;
        return c;
    }

  private:
    int Unhold() {
        held_ = false;
        return heldByte_;
    }

    int RawGet() {
        if (position_ == length_) {
            if (ended_) return -1;
            length_ = source_.read(source_.context, buffer_, sizeof buffer_);
            position_ = 0;
            if (length_ == 0) {
                ended_ = true;
                return -1;
            }
        }
        return buffer_[position_++];
    }

    KeyFileSource source_;
    std::uint8_t buffer_[4096];
    std::size_t position_ = 0;
    std::size_t length_ = 0;
    bool ended_ = false;
    bool held_ = false;
    int heldByte_ = 0;
};

// Hex digits to 32-bit words, word 0 least significant; an odd count reads as if a '0' stood in
// front. False when a character is not a hex digit. The digits may be a private component: every
// one is decoded without a branch on it, and only the verdict for the whole line is public (a
// line that does not read is passed over, as the file format says).
bool HexToWords(std::string_view digits, std::uint32_t* words, std::size_t& count) {
    count = (digits.size() + 7) / 8;
    std::uint32_t invalid = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t end = digits.size() - 8 * k;
        const std::size_t begin = end >= 8 ? end - 8 : 0;
        std::uint32_t word = 0;
        for (std::size_t i = begin; i < end; ++i) {
            word = word << 4 | support::HexDigitValueSecret(digits[i], invalid);
        }
        words[k] = word;
    }
    support::ConstantTimeDeclassify(&invalid, sizeof invalid);
    return invalid == 0;
}

struct CacheEntry {
    CacheEntry() = default;
    CacheEntry(const CacheEntry&) = delete;
    CacheEntry& operator=(const CacheEntry&) = delete;
    ~CacheEntry() {
        KeyFileDerived::Release(derived);
        support::Release(path);
    }

    CacheEntry* next = nullptr;
    char* path = nullptr;
    KeyFileLines lines;
    KeyFileDerived* derived = nullptr;  // made for derivedTag
    char derivedTag[kKeyTagLength] = {};
};

using OwnedEntry = support::Owner<CacheEntry, support::Delete<CacheEntry>>;

// The key-file cache: entries in the order they were added. Guarded by the process lock
// kRawRsaKeyFileCache.
CacheEntry* cacheHead = nullptr;

CacheEntry* FindEntry(const char* path) {
    for (CacheEntry* entry = cacheHead; entry != nullptr; entry = entry->next) {
        if (std::strcmp(entry->path, path) == 0) return entry;
    }
    return nullptr;
}

std::size_t ReadFromFile(void* context, std::uint8_t* out, std::size_t size) {
    return static_cast<support::BoundedFile*>(context)->Read(out, size);
}

// Reads the file and appends its entry to the cache.
KeyFileStatus LoadEntry(const char* path, CacheEntry*& loaded) {
    // Binary: the line ends are translated by our own reader, the same on every platform.
    support::BoundedFile file;
    if (!file.Open(path)) return KeyFileStatus::kNotFound;
    OwnedEntry entry(support::New<CacheEntry>());
    if (entry == nullptr) return KeyFileStatus::kOutOfMemory;
    const std::size_t pathSize = std::strlen(path) + 1;
    entry->path = support::NewArray<char>(pathSize);
    if (entry->path == nullptr) return KeyFileStatus::kOutOfMemory;
    std::memcpy(entry->path, path, pathSize);
    if (const KeyFileStatus status = KeyFileReadLines({ReadFromFile, &file}, entry->lines);
        status != KeyFileStatus::kOk) {
        return status;
    }
    // Larger than any key file: refused like one that cannot be read.
    if (entry->lines.empty() || file.TooLarge()) return KeyFileStatus::kNotFound;
    CacheEntry** tail = &cacheHead;
    while (*tail != nullptr) tail = &(*tail)->next;
    loaded = entry;
    *tail = entry.Release();
    return KeyFileStatus::kOk;
}

// The cache entry of path, read now if there is none. Called under the cache lock.
KeyFileStatus EntryOf(const char* path, CacheEntry*& entry) {
    entry = FindEntry(path);
    return entry != nullptr ? KeyFileStatus::kOk : LoadEntry(path, entry);
}

}  // namespace

KeyFileLines::~KeyFileLines() {
    support::WipeAndRelease(data_, capacity_);
}

bool KeyFileLines::Append(std::string_view line) {
    const std::size_t needed = kLineHeader + line.size();
    if (capacity_ - used_ < needed) {
        std::size_t capacity = capacity_ == 0 ? 4096 : 2 * capacity_;
        if (capacity < used_ + needed) capacity = used_ + needed;
        auto* grown = support::NewArray<char>(capacity);
        if (grown == nullptr) return false;
        if (used_ != 0) std::memcpy(grown, data_, used_);
        support::WipeAndRelease(data_, capacity_);
        data_ = grown;
        capacity_ = capacity;
    }
    data_[used_] = static_cast<char>(line.size() & 0xFF);
    data_[used_ + 1] = static_cast<char>(line.size() >> 8);
    std::memcpy(data_ + used_ + kLineHeader, line.data(), line.size());
    used_ += needed;
    return true;
}

bool KeyFileLines::Next(std::size_t& offset, std::string_view& line) const {
    if (offset >= used_) return false;
    const auto* header = reinterpret_cast<const std::uint8_t*>(data_ + offset);
    const std::size_t length = header[0] | static_cast<std::size_t>(header[1]) << 8;
    line = {data_ + offset + kLineHeader, length};
    offset += kLineHeader + length;
    return true;
}

KeyFileStatus KeyFileReadLines(KeyFileSource source, KeyFileLines& lines) {
    TextModeReader reader(source);
    char line[kKeyFileLineBuffer];
    KeyFileStatus status = KeyFileStatus::kOk;
    for (;;) {
        std::size_t read = 0;
        while (read < kKeyFileLineBuffer - 1) {
            const int c = reader.Get();
            if (c < 0) break;
            line[read++] = static_cast<char>(c);
            if (c == '\n') break;
        }
        if (read == 0) break;
        // A line is a C string: a zero byte ends it early.
        const void* zero = std::memchr(line, '\0', read);
        std::size_t length = zero != nullptr
                                 ? static_cast<std::size_t>(static_cast<const char*>(zero) - line)
                                 : read;
        while (length > 0 && static_cast<unsigned char>(line[length - 1]) < 0x20) --length;
        if (length != 0 && !lines.Append({line, length})) {
            status = KeyFileStatus::kOutOfMemory;
            break;
        }
    }
    support::SecureWipe(line, sizeof line);
    return status;
}

bool KeyFileDecodeDigits(std::string_view digits, bool masked, std::uint8_t* bytes,
                         std::size_t& byteCount) {
    if (digits.size() > kKeyFileMaxDigits) return false;
    std::uint32_t words[kMaxWords];
    std::size_t count = 0;
    const bool read = HexToWords(digits, words, count);
    if (read) {
        if (masked) {
            for (std::size_t k = 0; k < count; ++k) words[k] = KeyFileMaskWord(words[k], k);
        }
        for (std::size_t k = 0; k < count; ++k) {
            support::StoreBigEndian32(bytes + 4 * (count - 1 - k), words[k]);
        }
        byteCount = 4 * count;
    }
    support::SecureWipe(words, sizeof words);
    return read;
}

KeyFileStatus KeyFileFindComponent(const KeyFileLines& lines, char letter, const char* tag,
                                   bool masked, bignum::Mpi& value,
                                   char (&recordedTag)[kKeyTagLength]) {
    std::uint8_t bytes[kKeyFileMaxComponentBytes];
    KeyFileStatus status = KeyFileStatus::kNotFound;
    std::size_t offset = 0;
    std::string_view line;
    while (status == KeyFileStatus::kNotFound && lines.Next(offset, line)) {
        if (line.size() < kDigitsOffset || line[0] != letter || line[1] != '.') continue;
        if (tag != nullptr && std::memcmp(line.data() + kTagOffset, tag, kKeyTagLength) != 0) {
            continue;
        }
        if (line.substr(kTagOffset + kKeyTagLength, 3) != ".0x") continue;
        std::size_t byteCount = 0;
        if (!KeyFileDecodeDigits(line.substr(kDigitsOffset), masked, bytes, byteCount)) continue;
        value = bignum::Mpi::FromBytes(
            {bytes, byteCount}, masked ? bignum::MpiKind::kSecret : bignum::MpiKind::kPublic);
        if (value.empty()) {
            status = KeyFileStatus::kOutOfMemory;
        } else {
            std::memcpy(recordedTag, line.data() + kTagOffset, kKeyTagLength);
            status = KeyFileStatus::kOk;
        }
    }
    support::SecureWipe(bytes, sizeof bytes);
    return status;
}

void KeyFileDerived::Release(KeyFileDerived*& derived) {
    KeyFileDerived* released = std::exchange(derived, nullptr);
    if (released == nullptr || released->references_.fetch_sub(1, std::memory_order_acq_rel) != 1) {
        return;
    }
    support::Delete(&released);
}

KeyFileStatus KeyFileFindComponents(const char* path, const char* tag,
                                    std::span<const ComponentRequest> requests,
                                    char (&recordedTag)[kKeyTagLength]) {
    platform::ProcessLockGuard guard(platform::ProcessLock::kRawRsaKeyFileCache);
    CacheEntry* entry = nullptr;
    if (const KeyFileStatus status = EntryOf(path, entry); status != KeyFileStatus::kOk) {
        return status;
    }
    for (const ComponentRequest& request : requests) {
        const KeyFileStatus status = KeyFileFindComponent(
            entry->lines, request.letter, tag, request.masked, *request.value, recordedTag);
        if (status != KeyFileStatus::kOk) return status;
    }
    return KeyFileStatus::kOk;
}

KeyFileStatus KeyFileFindDerived(const char* path, const char* tag, KeyFileDeriveFunction derive,
                                 KeyFileDerived*& derived) {
    platform::ProcessLockGuard guard(platform::ProcessLock::kRawRsaKeyFileCache);
    CacheEntry* entry = nullptr;
    if (const KeyFileStatus status = EntryOf(path, entry); status != KeyFileStatus::kOk) {
        return status;
    }
    if (entry->derived == nullptr || std::memcmp(entry->derivedTag, tag, kKeyTagLength) != 0) {
        KeyFileDerived* made = nullptr;
        if (const KeyFileStatus status = derive(entry->lines, tag, made);
            status != KeyFileStatus::kOk) {
            return status;
        }
        KeyFileDerived::Release(entry->derived);
        entry->derived = made;
        std::memcpy(entry->derivedTag, tag, kKeyTagLength);
    }
    entry->derived->Retain();
    derived = entry->derived;
    return KeyFileStatus::kOk;
}

void KeyFileForget(const char* path) {
    platform::ProcessLockGuard guard(platform::ProcessLock::kRawRsaKeyFileCache);
    for (CacheEntry** link = &cacheHead; *link != nullptr; link = &(*link)->next) {
        if (std::strcmp((*link)->path, path) == 0) {
            CacheEntry* entry = *link;
            *link = entry->next;
            support::Delete(&entry);
            return;
        }
    }
}

void KeyFileForgetAll() {
    platform::ProcessLockGuard guard(platform::ProcessLock::kRawRsaKeyFileCache);
    while (CacheEntry* entry = cacheHead) {
        cacheHead = entry->next;
        support::Delete(&entry);
    }
}

}  // namespace quillon::keyagree
