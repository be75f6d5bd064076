// ECB and CBC over whole 16-byte blocks with one schedule.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/aes_engine.h"

namespace quillon::cipher {

// blocks * 16 bytes; out may equal in. A block operation that finds no schedule writes nothing.
void AesEcbEncrypt(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t blocks);
void AesEcbDecrypt(const AesKeySchedule& schedule, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t blocks);

// In place over blocks * 16 bytes of data; iv (16 bytes) ends holding the last ciphertext
// block, so a following call continues the chain.
void AesCbcEncrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv);
void AesCbcDecrypt(const AesKeySchedule& schedule, std::uint8_t* data, std::size_t blocks,
                   std::uint8_t* iv);

}  // namespace quillon::cipher
