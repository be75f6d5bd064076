#include "keyagree/dh_groups.h"

#include "support/checked_alloc.h"
#include "support/owned_block.h"

namespace quillon::keyagree {
namespace {

constexpr std::uint32_t kPrivateValueBits = 256;
constexpr std::uint8_t kGenerator = 0x02;

constexpr std::uint32_t PrimeBytes(std::uint32_t bits) {
    return (bits + 7) / 8;
}

constexpr bool AllTextsWellFormed() {
    for (const DhGroupText& group : kDhGroupTexts) {
        if (!HexParameterIsWellFormed(group.text, PrimeBytes(group.bits))) return false;
    }
    return true;
}
static_assert(AllTextsWellFormed());
static_assert(PrimeBytes(kDhGroupTexts[0].bits) == 96 && PrimeBytes(kDhGroupTexts[1].bits) == 128 &&
              PrimeBytes(kDhGroupTexts[2].bits) == 192);

constexpr int UpperHexValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

constinit DhGroupTable theModuleTable;

}  // namespace

bool ParseHexParameter(DhKeyAgreeParams& record, std::string_view text, std::uint32_t bits) {
    record = {};
    const std::uint32_t primeBytes = PrimeBytes(bits);
    if (!HexParameterIsWellFormed(text, primeBytes)) return false;

    support::OwnedArray<std::uint8_t> generator(support::NewArray<std::uint8_t>(1));
    support::OwnedArray<std::uint8_t> prime(support::NewArray<std::uint8_t>(primeBytes));
    if (generator == nullptr || prime == nullptr) return false;
    *generator = kGenerator;

    std::size_t at = 0;
    for (std::uint32_t i = 0; i < primeBytes; ++i) {
        while (IsHexParameterSpace(text[at])) ++at;
        prime[i] =
            static_cast<std::uint8_t>(UpperHexValue(text[at]) << 4 | UpperHexValue(text[at + 1]));
        at += 2;
    }

    record.prime = prime.Release();
    record.primeLength = primeBytes;
    record.generator = generator.Release();
    record.generatorLength = 1;
    record.privateValueBits = kPrivateValueBits;
    return true;
}

void ReleaseHexParameter(DhKeyAgreeParams& record) {
    support::Release(record.prime);
    support::Release(record.generator);
    record = {};
}

bool DhGroupTable::Prepare() {
    for (std::size_t i = 0; i < std::size(kDhGroupTexts); ++i) {
        DhGroupRecord& record = records_[i];
        if (!ParseHexParameter(record.params, kDhGroupTexts[i].text, kDhGroupTexts[i].bits)) {
            // Leave nothing half made: a later lookup starts again from the first text.
            for (DhGroupRecord& made : records_) ReleaseHexParameter(made.params);
            return false;
        }
        record.privateValueBitsAfterItems = record.params.privateValueBits;
    }
    return true;
}

std::int32_t DhGroupTable::Find(std::uint32_t group, const DhKeyAgreeParams** params) {
    *params = nullptr;
    if (!prepared_.Run([this] { return Prepare(); })) return kDhNotPrepared;
    for (std::size_t i = 0; i < std::size(kDhGroupTexts); ++i) {
        if (kDhGroupTexts[i].group == group) {
            *params = &records_[i].params;
            return kDhFound;
        }
    }
    return kDhUnknownGroup;
}

void DhGroupTable::Release() {
    for (DhGroupRecord& record : records_) ReleaseHexParameter(record.params);
    prepared_.Reset();
}

DhGroupTable& ModuleDhGroups() {
    return theModuleTable;
}

}  // namespace quillon::keyagree
