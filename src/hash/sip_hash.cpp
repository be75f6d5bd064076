#include "hash/sip_hash.h"

#include <bit>

namespace quillon::hash {
namespace {

void Round(std::uint64_t& v0, std::uint64_t& v1, std::uint64_t& v2, std::uint64_t& v3) {
    v0 += v1;
    v1 = std::rotl(v1, 13);
    v1 ^= v0;
    v0 = std::rotl(v0, 32);
    v2 += v3;
    v3 = std::rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = std::rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = std::rotl(v1, 17);
    v1 ^= v2;
    v2 = std::rotl(v2, 32);
}

}  // namespace

SipHash24::SipHash24(const SipKey& key)
    : v0_(key.k0 ^ 0x736f6d6570736575u),
      v1_(key.k1 ^ 0x646f72616e646f6du),
      v2_(key.k0 ^ 0x6c7967656e657261u),
      v3_(key.k1 ^ 0x7465646279746573u) {}

void SipHash24::Compress(std::uint64_t word) {
    v3_ ^= word;
    Round(v0_, v1_, v2_, v3_);
    Round(v0_, v1_, v2_, v3_);
    v0_ ^= word;
}

void SipHash24::Update(const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < length; ++i) {
        tail_ |= static_cast<std::uint64_t>(bytes[i]) << (8 * (length_ % 8));
        if (++length_ % 8 == 0) {
            Compress(tail_);
            tail_ = 0;
        }
    }
}

std::uint64_t SipHash24::Final() {
    Compress(tail_ | static_cast<std::uint64_t>(length_) << 56);
    v2_ ^= 0xFF;
    for (int i = 0; i < 4; ++i) Round(v0_, v1_, v2_, v3_);
    return v0_ ^ v1_ ^ v2_ ^ v3_;
}

}  // namespace quillon::hash
