#include "toolkit/status.h"

namespace quillon::toolkit {
namespace {

constexpr Status kTranslation[21] = {
    kOk,                        // 0
    kCancelled,                 // 1
    kMethodFailure,             // 2
    kEvenExponent,              // 3
    kExponentLength,            // 4
    kDataMalformed,             // 5
    kLengthOutOfRange,          // 6
    kModulusLength,             // 7
    kMethodFailure,             // 8: a retry that escaped its loop is a plain failure
    kNotSupported,              // 9
    kOutputTooSmall,            // 10
    kUnassignedMethodStatus11,  // 11
    kUnassignedMethodStatus12,  // 12
    kKeyFormUnavailable,        // 13
    kMethodFailure,             // 14
    kBadParameters,             // 15
    kOutOfMemory,               // 16
    kUnassignedMethodStatus17,  // 17
    kDeviceFailure,             // 18
    kUnassignedMethodStatus19,  // 19
    kUnassignedMethodStatus20,  // 20
};

constexpr std::uint32_t Number(MethodStatus status) {
    return static_cast<std::uint32_t>(status);
}

constexpr std::uint32_t Number(Status status) {
    return static_cast<std::uint32_t>(status);
}

// The numbers are a contract with the methods and with the table above: each name keeps its own.
static_assert(Number(method::kOk) == 0 && Number(method::kCancelled) == 1 &&
              Number(method::kFailure) == 2 && Number(method::kEvenExponent) == 3 &&
              Number(method::kExponentLength) == 4 && Number(method::kDataMalformed) == 5 &&
              Number(method::kLengthOutOfRange) == 6 && Number(method::kModulusLength) == 7 &&
              Number(method::kRetry) == 8 && Number(method::kNotSupported) == 9 &&
              Number(method::kOutputTooSmall) == 10 && Number(method::kKeyFormUnavailable) == 13 &&
              Number(method::kBadParameters) == 15 && Number(method::kOutOfMemory) == 16 &&
              Number(method::kDeviceFailure) == 18 && Number(method::kPrimeCount) == 21);
static_assert(Number(kEvenExponent) == 0x209 && Number(kExponentLength) == 0x20A &&
              Number(kUnassignedMethodStatus11) == 0x216 &&
              Number(kUnassignedMethodStatus12) == 0x210 &&
              Number(kUnassignedMethodStatus17) == 0x223 &&
              Number(kUnassignedMethodStatus19) == 0x226 &&
              Number(kUnassignedMethodStatus20) == 0x227);

}  // namespace

Status TranslateMethodStatus(MethodStatus methodStatus) {
    const std::uint32_t number = Number(methodStatus);
    return number < 21 ? kTranslation[number] : kMethodFailure;
}

}  // namespace quillon::toolkit
