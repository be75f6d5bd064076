// SipHash-2-4 (Aumasson and Bernstein, 2012): a keyed hash for tables whose keys come from
// outside, so that nobody who lacks the key can make the keys collide.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::hash {

struct SipKey {
    std::uint64_t k0;
    std::uint64_t k1;  // bytes 0-7 and 8-15 of the 16-byte key, little-endian
};

class SipHash24 {
  public:
    explicit SipHash24(const SipKey& key);

    void Update(const void* data, std::size_t length);
    // The 64-bit hash of all bytes given so far; the hasher is not to be used afterwards.
    [[nodiscard]] std::uint64_t Final();

  private:
    void Compress(std::uint64_t word);

    std::uint64_t v0_, v1_, v2_, v3_;
    std::uint64_t tail_ = 0;  // bytes not yet compressed, little-endian
    std::size_t length_ = 0;
};

}  // namespace quillon::hash
