// UTCTime and GeneralizedTime in the DER form certificates use (RFC 5280 section 4.1.2.5):
// "YYMMDDHHMMSSZ" and "YYYYMMDDHHMMSSZ", always in UTC, seconds present, no fractions; on
// request also the UTCTime without seconds that older certificates carry.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>

#include "support/der.h"

namespace quillon::support {

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

// UTCTime covers 1950 to 2049 (two-digit years 50-99 are 19xx, 00-49 are 20xx); a
// certificate encodes those years as UTCTime and all others as GeneralizedTime.
[[nodiscard]] constexpr bool DerTimeFitsUtcTime(const DerTime& time) {
    return time.year >= 1950 && time.year <= 2049;
}

// The tag number and contents octets that encode a valid time.
struct DerTimeEncoding {
    std::uint32_t tagNumber = 0;
    std::uint8_t text[15] = {};
    std::size_t size = 0;
};

[[nodiscard]] constexpr DerTimeEncoding DerFormatTime(const DerTime& time) {
    DerTimeEncoding encoding;
    const bool utc = DerTimeFitsUtcTime(time);
    encoding.tagNumber = utc ? der_universal::kUtcTime : der_universal::kGeneralizedTime;
    const auto put = [&](unsigned value, int digits) {
        for (int i = digits - 1; i >= 0; --i) {
            encoding.text[encoding.size + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>('0' + value % 10);
            value /= 10;
        }
        encoding.size += static_cast<std::size_t>(digits);
    };
    put(utc ? time.year % 100u : time.year, utc ? 2 : 4);
    for (const unsigned field : {time.month, time.day, time.hour, time.minute, time.second}) {
        put(field, 2);
    }
    encoding.text[encoding.size++] = 'Z';
    return encoding;
}

// Which forms of a time are read. DER requires the seconds; certificates in use also carry
// UTCTime without them ("YYMMDDhhmmZ", which BER allows), read as second 0.
enum class DerTimeForm { kDer, kUtcSecondsOptional };

// Contents of a UTCTime (tagNumber 23) or GeneralizedTime (24). kBadContents for any other
// form, a field out of range or another tag number.
[[nodiscard]] DerStatus DerParseTime(std::uint32_t tagNumber,
                                     std::span<const std::uint8_t> contents, DerTime& time,
                                     DerTimeForm form = DerTimeForm::kDer);

}  // namespace quillon::support
