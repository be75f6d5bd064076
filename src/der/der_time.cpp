#include "der/der_time.h"

namespace quillon::der {
namespace {

constexpr bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// Two decimal digits at text[at].
constexpr int TwoDigits(std::span<const std::uint8_t> text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

}  // namespace

DerStatus DerParseTime(std::uint32_t tagNumber, std::span<const std::uint8_t> contents,
                       DerTime& time, DerTimeForm form) {
    std::size_t yearDigits = 0;
    if (tagNumber == der_universal::kUtcTime) {
        yearDigits = 2;
    } else if (tagNumber == der_universal::kGeneralizedTime) {
        yearDigits = 4;
    } else {
        return DerStatus::kBadContents;
    }
    // Year digits, then MMDDHHMM and SS, then Z.
    const bool withSeconds = contents.size() == yearDigits + 11;
    const bool withoutSeconds = form == DerTimeForm::kUtcSecondsOptional && yearDigits == 2 &&
                                contents.size() == yearDigits + 9;
    if ((!withSeconds && !withoutSeconds) || contents.back() != 'Z') {
        return DerStatus::kBadContents;
    }
    for (std::size_t i = 0; i + 1 < contents.size(); ++i) {
        if (!IsDigit(contents[i])) return DerStatus::kBadContents;
    }
    DerTime parsed;
    if (yearDigits == 2) {
        const int year = TwoDigits(contents, 0);
        parsed.year = static_cast<std::uint16_t>(year < 50 ? 2000 + year : 1900 + year);
    } else {
        parsed.year =
            static_cast<std::uint16_t>(TwoDigits(contents, 0) * 100 + TwoDigits(contents, 2));
    }
    const std::size_t at = yearDigits;
    parsed.month = static_cast<std::uint8_t>(TwoDigits(contents, at));
    parsed.day = static_cast<std::uint8_t>(TwoDigits(contents, at + 2));
    parsed.hour = static_cast<std::uint8_t>(TwoDigits(contents, at + 4));
    parsed.minute = static_cast<std::uint8_t>(TwoDigits(contents, at + 6));
    parsed.second = withSeconds ? static_cast<std::uint8_t>(TwoDigits(contents, at + 8)) : 0;
    if (!DerTimeValid(parsed)) return DerStatus::kBadContents;
    time = parsed;
    return DerStatus::kOk;
}

}  // namespace quillon::der
