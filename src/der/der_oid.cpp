#include "der/der_oid.h"

#include "support/checked_alloc.h"

namespace quillon::der {
namespace {

using Octets = std::span<const std::uint8_t>;

// Text that is counted, and written as far as out has room.
class TextOut {
  public:
    explicit TextOut(std::span<char> out) : out_(out) {}

    void Put(char c) {
        if (length_ < out_.size()) out_[length_] = c;
        ++length_;
    }
    [[nodiscard]] std::size_t length() const { return length_; }

  private:
    std::span<char> out_;
    std::size_t length_ = 0;
};

// One subidentifier (its base-128 octets) in decimal, after subtracting bias (0, 40 or 80,
// which only the first subidentifier carries). Those beyond 64 bits go through a long division
// in scratch.
DerStatus PutArc(TextOut& text, Octets octets, std::uint32_t bias) {
    if (octets.size() <= 9) {
        std::uint64_t value = 0;
        for (const std::uint8_t octet : octets) value = value << 7 | (octet & 0x7F);
        value -= bias;
        char digits[20];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0) text.Put(digits[--count]);
        return DerStatus::kOk;
    }
    // Base-128 digits, then decimal digits (at most 3 per base-128 digit), least first.
    auto* scratch = support::NewArray<std::uint8_t>(octets.size() * 4);
    if (scratch == nullptr) return DerStatus::kOutOfMemory;
    std::uint8_t* number = scratch;
    char* decimal = reinterpret_cast<char*>(scratch + octets.size());
    for (std::size_t i = 0; i < octets.size(); ++i) number[i] = octets[i] & 0x7F;
    // The value is far above 80, so the bias comes off the lowest digits with a borrow.
    std::uint32_t borrow = bias;
    for (std::size_t i = octets.size(); i-- > 0 && borrow != 0;) {
        const std::uint32_t take = borrow % 128;
        borrow /= 128;
        if (number[i] < take) {
            number[i] = static_cast<std::uint8_t>(number[i] + 128 - take);
            ++borrow;
        } else {
            number[i] = static_cast<std::uint8_t>(number[i] - take);
        }
    }
    std::size_t count = 0;
    std::size_t start = 0;
    while (start < octets.size()) {
        std::uint32_t remainder = 0;
        for (std::size_t i = start; i < octets.size(); ++i) {
            const std::uint32_t current = remainder * 128 + number[i];
            number[i] = static_cast<std::uint8_t>(current / 10);
            remainder = current % 10;
        }
        decimal[count++] = static_cast<char>('0' + remainder);
        while (start < octets.size() && number[start] == 0) ++start;
    }
    while (count > 0) text.Put(decimal[--count]);
    support::Release(scratch);
    return DerStatus::kOk;
}

// X.690 8.19.4: the first subidentifier holds the first two arcs as 40 * first + second.
DerStatus PutText(TextOut& text, Octets contents) {
    std::size_t start = 0;
    bool first = true;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        if ((contents[i] & 0x80) != 0) continue;
        const Octets octets = contents.subspan(start, i + 1 - start);
        std::uint32_t bias = 0;
        if (first) {
            // Valid contents have no leading 0x80 octet: two octets or more make at least 128.
            const std::uint32_t top = octets.size() > 1 ? 2
                                      : octets[0] < 40  ? 0
                                      : octets[0] < 80  ? 1
                                                        : 2;
            text.Put(static_cast<char>('0' + top));
            text.Put('.');
            bias = 40 * top;
            first = false;
        } else {
            text.Put('.');
        }
        if (const DerStatus status = PutArc(text, octets, bias); status != DerStatus::kOk) {
            return status;
        }
        start = i + 1;
    }
    return DerStatus::kOk;
}

}  // namespace

DerStatus DerOidToText(std::span<const std::uint8_t> contents, std::span<char> out,
                       std::size_t& length) {
    length = 0;
    if (!DerOidContentsValid(contents)) return DerStatus::kBadContents;
    TextOut text(out);
    if (const DerStatus status = PutText(text, contents); status != DerStatus::kOk) {
        return status;
    }
    length = text.length();
    return length <= out.size() ? DerStatus::kOk : DerStatus::kBufferTooSmall;
}

}  // namespace quillon::der
