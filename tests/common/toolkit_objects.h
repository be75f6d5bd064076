// Toolkit objects made for tests, held by the library's owners.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/owners.h"
#include "toolkit/toolkit.h"

namespace quillon::test {

// The library's owners, holding a fresh object (null when none could be made).
struct Alg : toolkit::OwnedAlg {
    Alg() { (void)toolkit::AlgCreate(Receive()); }
};

struct Key : toolkit::OwnedKey {
    Key() { (void)toolkit::KeyCreate(Receive()); }
};

// A key object holding a DES key.
inline toolkit::Status SetDesKey(toolkit::KeyObject* key, const std::uint8_t* bytes) {
    toolkit::Item item{const_cast<std::uint8_t*>(bytes), 8};
    return toolkit::KeySetInfo(key, toolkit::KeyInfoDes, &item);
}

// A digest computed through a fresh toolkit object, as every family makes it.
inline std::vector<std::uint8_t> ToolkitDigest(toolkit::InfoType kind, const std::uint8_t* data,
                                               std::size_t length) {
    Alg alg;
    std::vector<std::uint8_t> out(20);
    std::uint32_t produced = 0;
    if (toolkit::AlgSetInfo(alg, kind, nullptr) != toolkit::kOk ||
        toolkit::AlgDigestInit(alg, nullptr, toolkit::DefaultChooser, nullptr) != toolkit::kOk ||
        (length != 0 && toolkit::AlgDigestUpdate(alg, data, static_cast<std::uint32_t>(length),
                                                 nullptr) != toolkit::kOk) ||
        toolkit::AlgDigestFinal(alg, out.data(), &produced, 20, nullptr) != toolkit::kOk) {
        return {};
    }
    out.resize(produced);
    return out;
}

}  // namespace quillon::test
