#include <openssl/bn.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "bignum/fixed_width_crt.h"
#include "constant_time/checked_paths.h"
#include "keyagree/raw_rsa_key_file.h"

namespace quillon::constant_time_check {
namespace {

std::vector<std::uint32_t> LimbsOf(const BIGNUM* number, std::size_t width) {
    std::vector<std::uint8_t> bytes(4 * width);
    (void)BN_bn2lebinpad(number, bytes.data(), static_cast<int>(bytes.size()));
    std::vector<std::uint32_t> limbs(width);
    for (std::size_t i = 0; i < width; ++i) {
        limbs[i] = bytes[4 * i] | bytes[4 * i + 1] << 8 | bytes[4 * i + 2] << 16 |
                   static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24;
    }
    return limbs;
}

}  // namespace

void CheckCrtRecombination() {
    // Two 512-bit primes and halves made with OpenSSL (public while they are made), then marked.
    constexpr std::size_t kWidth = 16;
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM* p = BN_new();
    BIGNUM* q = BN_new();
    BIGNUM* coefficient = BN_new();
    BIGNUM* first = BN_new();
    BIGNUM* second = BN_new();
    BN_MONT_CTX* form = BN_MONT_CTX_new();
    if (BN_generate_prime_ex(p, 512, 0, nullptr, nullptr, nullptr) == 1 &&
        BN_generate_prime_ex(q, 512, 0, nullptr, nullptr, nullptr) == 1 &&
        BN_mod_inverse(coefficient, q, p, ctx) != nullptr && BN_MONT_CTX_set(form, p, ctx) == 1 &&
        BN_to_montgomery(coefficient, coefficient, form, ctx) == 1 &&
        BN_rand_range(first, p) == 1 && BN_rand_range(second, q) == 1) {
        std::vector<std::uint32_t> limbs[] = {LimbsOf(first, kWidth), LimbsOf(second, kWidth),
                                              LimbsOf(p, kWidth), LimbsOf(q, kWidth),
                                              LimbsOf(coefficient, kWidth)};
        for (const auto& number : limbs) MarkSecret(number.data(), 4 * kWidth);
        std::uint32_t result[2 * kWidth];
        std::uint32_t scratch[bignum::FixedWidthCrtScratchLimbs(kWidth)];
        bignum::FixedWidthCrtCombine(result, limbs[0].data(), limbs[1].data(), limbs[2].data(),
                                     limbs[3].data(), limbs[4].data(), kWidth, scratch);
    }
    BN_MONT_CTX_free(form);
    BN_free(second);
    BN_free(first);
    BN_free(coefficient);
    BN_free(q);
    BN_free(p);
    BN_CTX_free(ctx);
}

void CheckKeyFileDigits() {
    // A masked component of every digit kind, odd length, both cases; the digits are secret.
    std::string digits;
    for (int i = 0; i < 255; ++i) digits += "0123456789abcdefABCDEF"[i * 7 % 22];
    MarkSecret(digits.data(), digits.size());
    std::uint8_t bytes[keyagree::kKeyFileMaxComponentBytes];
    std::size_t byteCount = 0;
    for (const bool masked : {true, false}) {
        (void)keyagree::KeyFileDecodeDigits(digits, masked, bytes, byteCount);
    }
}

}  // namespace quillon::constant_time_check
