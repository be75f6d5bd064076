// Integers as bytes in a fixed order, whatever the host's: big-endian (network order, SHA-1,
// CAST5, DER) and little-endian (MD5, the Windows structures), 16, 32 and 64 bits. The bytes
// need no alignment; the compiler turns each into one load or store and a byte swap.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace quillon::support {
namespace byte_order_detail {

template <typename Word>
[[nodiscard]] inline Word Swap(Word value) {
    if constexpr (sizeof(Word) == 2) {
        return __builtin_bswap16(value);
    } else if constexpr (sizeof(Word) == 4) {
        return __builtin_bswap32(value);
    } else {
        return __builtin_bswap64(value);
    }
}

template <typename Word, std::endian kOrder>
[[nodiscard]] inline Word Load(const std::uint8_t* bytes) {
    Word value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native != kOrder) value = Swap(value);
    return value;
}

template <typename Word, std::endian kOrder>
inline void Store(std::uint8_t* bytes, Word value) {
    if constexpr (std::endian::native != kOrder) value = Swap(value);
    std::memcpy(bytes, &value, sizeof value);
}

}  // namespace byte_order_detail

[[nodiscard]] inline std::uint16_t LoadBigEndian16(const std::uint8_t* bytes) {
    return byte_order_detail::Load<std::uint16_t, std::endian::big>(bytes);
}
[[nodiscard]] inline std::uint32_t LoadBigEndian32(const std::uint8_t* bytes) {
    return byte_order_detail::Load<std::uint32_t, std::endian::big>(bytes);
}
[[nodiscard]] inline std::uint64_t LoadBigEndian64(const std::uint8_t* bytes) {
    return byte_order_detail::Load<std::uint64_t, std::endian::big>(bytes);
}
[[nodiscard]] inline std::uint16_t LoadLittleEndian16(const std::uint8_t* bytes) {
    return byte_order_detail::Load<std::uint16_t, std::endian::little>(bytes);
}
[[nodiscard]] inline std::uint32_t LoadLittleEndian32(const std::uint8_t* bytes) {
    return byte_order_detail::Load<std::uint32_t, std::endian::little>(bytes);
}
[[nodiscard]] inline std::uint64_t LoadLittleEndian64(const std::uint8_t* bytes) {
    return byte_order_detail::Load<std::uint64_t, std::endian::little>(bytes);
}

inline void StoreBigEndian16(std::uint8_t* bytes, std::uint16_t value) {
    byte_order_detail::Store<std::uint16_t, std::endian::big>(bytes, value);
}
inline void StoreBigEndian32(std::uint8_t* bytes, std::uint32_t value) {
    byte_order_detail::Store<std::uint32_t, std::endian::big>(bytes, value);
}
inline void StoreBigEndian64(std::uint8_t* bytes, std::uint64_t value) {
    byte_order_detail::Store<std::uint64_t, std::endian::big>(bytes, value);
}
inline void StoreLittleEndian16(std::uint8_t* bytes, std::uint16_t value) {
    byte_order_detail::Store<std::uint16_t, std::endian::little>(bytes, value);
}
inline void StoreLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
    byte_order_detail::Store<std::uint32_t, std::endian::little>(bytes, value);
}
inline void StoreLittleEndian64(std::uint8_t* bytes, std::uint64_t value) {
    byte_order_detail::Store<std::uint64_t, std::endian::little>(bytes, value);
}

}  // namespace quillon::support
