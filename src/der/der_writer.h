// A DER writer into a caller's buffer, or into nothing to measure first. Constructed elements
// are opened with Begin and closed with End; their lengths are computed at End and always
// written in the shortest form, as are INTEGERs, tags and object identifiers. Errors are
// sticky: after the first, later calls do nothing but keep the size count when the only
// problem is room, so one pass over a too-small buffer still reports the size needed. It writes
// what the module's messages hold; WritePrimitive takes any other primitive element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "der/der.h"

namespace quillon::der {

class DerWriter {
  public:
    // How many constructed elements may be open at once.
    static constexpr std::size_t kMaxDepth = 16;

    // Measures only: nothing is written; Finish reports the size the encoding takes.
    DerWriter() = default;
    // Writes into out.
    explicit DerWriter(std::span<std::uint8_t> out) : out_(out), writing_(true) {}
    DerWriter(const DerWriter&) = delete;
    DerWriter& operator=(const DerWriter&) = delete;

    // A constructed element; its contents are what is written until the matching End.
    void Begin(DerTag tag);
    void BeginSequence() { Begin(kDerSequence); }
    // SET OF: End puts its elements in the order DER requires (X.690 11.6). An IMPLICIT tag
    // (a PKCS #7 certificate set, say) may replace the universal one.
    void BeginSetOf(DerTag tag = kDerSet);
    void End();

    // A primitive element with the given tag and contents octets.
    void WritePrimitive(DerTag tag, std::span<const std::uint8_t> contents);
    // One complete DER element written elsewhere, copied as it is (kInvalidArgument when the
    // bytes are not exactly one element with a well-formed header).
    void WriteEncoded(std::span<const std::uint8_t> element);

    void WriteSmallInteger(std::int64_t value, DerTag tag = kDerInteger);
    // OBJECT IDENTIFIER from contents octets (checked).
    void WriteOid(std::span<const std::uint8_t> contents, DerTag tag = kDerObjectIdentifier);
    void WriteOctetString(std::span<const std::uint8_t> contents, DerTag tag = kDerOctetString);

    // The first error, or kOk; size is the number of bytes written or, when the buffer was too
    // small or the writer only measures, the number needed. Elements still open: kUnbalanced.
    [[nodiscard]] DerStatus Finish(std::size_t& size) const;
    [[nodiscard]] DerStatus status() const { return status_; }
    [[nodiscard]] std::size_t size() const { return size_; }

  protected:
    // For writers of further types (the tests have one), which build on these.
    [[nodiscard]] bool Usable() const;
    void Fail(DerStatus status);
    void Put(const std::uint8_t* bytes, std::size_t count);
    void PutHeader(DerTag tag, std::size_t contentSize);

  private:
    struct Open {
        std::size_t contentStart;
        bool setOf;
    };

    void SortSetOf(std::uint8_t* contents, std::size_t size);

    std::span<std::uint8_t> out_;
    bool writing_ = false;
    std::size_t size_ = 0;
    DerStatus status_ = DerStatus::kOk;
    Open open_[kMaxDepth] = {};
    std::size_t depth_ = 0;
};

}  // namespace quillon::der
