// Small owners for toolkit objects in tests.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/toolkit.h"

namespace quillon::test {

struct Alg {
    toolkit::AlgObject* object = nullptr;
    Alg() { (void)toolkit::AlgCreate(&object); }
    ~Alg() { (void)toolkit::AlgDestroy(&object); }
    Alg(const Alg&) = delete;
    Alg& operator=(const Alg&) = delete;
    operator toolkit::AlgObject*() const { return object; }
};

struct Key {
    toolkit::KeyObject* key = nullptr;
    Key() { (void)toolkit::KeyCreate(&key); }
    ~Key() { (void)toolkit::KeyDestroy(&key); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    operator toolkit::KeyObject*() const { return key; }
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
    if (toolkit::AlgSetInfo(alg, kind, nullptr) != 0 ||
        toolkit::AlgDigestInit(alg, nullptr, toolkit::DefaultChooser, nullptr) != 0 ||
        (length != 0 &&
         toolkit::AlgDigestUpdate(alg, data, static_cast<std::uint32_t>(length), nullptr) != 0) ||
        toolkit::AlgDigestFinal(alg, out.data(), &produced, 20, nullptr) != 0) {
        return {};
    }
    out.resize(produced);
    return out;
}

}  // namespace quillon::test
