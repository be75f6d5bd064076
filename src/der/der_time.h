// UTCTime and GeneralizedTime in the DER form certificates use (RFC 5280 section 4.1.2.5):
// "YYMMDDHHMMSSZ" and "YYYYMMDDHHMMSSZ", always in UTC, seconds present, no fractions; on
// request also the UTCTime without seconds that older certificates carry.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>

#include "der/der.h"

namespace quillon::der {

// A calendar time in UTC; compares chronologically.
struct DerTime {
    std::uint16_t year = 0;
    std::uint8_t month = 0;  // 1-12
    std::uint8_t day = 0;    // 1-31
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    friend constexpr auto operator<=>(const DerTime&, const DerTime&) = default;
};

[[nodiscard]] constexpr bool DerTimeValid(const DerTime& time) {
    constexpr std::uint8_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (time.year > 9999 || time.month < 1 || time.month > 12 || time.day < 1) return false;
    const bool leap = time.year % 4 == 0 && (time.year % 100 != 0 || time.year % 400 == 0);
    const int days = kDays[time.month - 1] + (time.month == 2 && leap ? 1 : 0);
    return time.day <= days && time.hour < 24 && time.minute < 60 && time.second < 60;
}

// Which forms of a time are read. DER requires the seconds; certificates in use also carry
// UTCTime without them ("YYMMDDhhmmZ", which BER allows), read as second 0.
enum class DerTimeForm { kDer, kUtcSecondsOptional };

// Contents of a UTCTime (tagNumber 23) or GeneralizedTime (24). kBadContents for any other
// form, a field out of range or another tag number.
[[nodiscard]] DerStatus DerParseTime(std::uint32_t tagNumber,
                                     std::span<const std::uint8_t> contents, DerTime& time,
                                     DerTimeForm form = DerTimeForm::kDer);

}  // namespace quillon::der
