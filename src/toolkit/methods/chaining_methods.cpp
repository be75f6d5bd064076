// The chaining methods. Block chaining is CBC over one cipher stage, with a chaining value as long
// as its parameter. Triple chaining runs three CBC layers, one per stage, each with its own
// chaining value (the parameter holds the three one after another): inner-CBC for three-stage
// ciphers. The encrypt side chains as CBC encryption (y = F(x ^ v), v = y), the decrypt side as
// CBC decryption (x = F(y) ^ v, v = y), F being each stage's block function of that side. Both
// work in place (out == in).
#include <cstring>

#include "support/secure_wipe.h"
#include "toolkit/methods/methods.h"

namespace quillon::toolkit::methods {
namespace {

constexpr std::uint32_t kMaxBlock = 32;

struct ChainingState {
    std::uint32_t blockLength;
    std::uint8_t values[3][kMaxBlock];
};

MethodStatus InitStages(void* context, const std::uint8_t* iv, std::uint32_t length,
                        std::uint32_t stages) {
    auto& state = *static_cast<ChainingState*>(context);
    if (iv == nullptr || length == 0 || length % stages != 0 || length / stages > kMaxBlock) {
        return method::kBadParameters;
    }
    state.blockLength = length / stages;
    for (std::uint32_t s = 0; s < stages; ++s) {
        std::memcpy(state.values[s], iv + s * state.blockLength, state.blockLength);
    }
    return method::kOk;
}

MethodStatus InitBlockChaining(void* context, const std::uint8_t* iv, std::uint32_t length) {
    return InitStages(context, iv, length, 1);
}

MethodStatus InitTripleChaining(void* context, const std::uint8_t* iv, std::uint32_t length) {
    return InitStages(context, iv, length, 3);
}

void EncryptLayer(std::uint8_t* value, std::uint32_t n, const CipherStage& stage, std::uint8_t* out,
                  const std::uint8_t* in, std::size_t blocks) {
    std::uint8_t block[kMaxBlock];
    for (std::size_t b = 0; b < blocks; ++b, in += n, out += n) {
        for (std::uint32_t i = 0; i < n; ++i) block[i] = in[i] ^ value[i];
        stage.cipher->processBlock(stage.context, value, block);
        std::memcpy(out, value, n);
    }
    support::SecureWipe(block, sizeof block);
}

void DecryptLayer(std::uint8_t* value, std::uint32_t n, const CipherStage& stage, std::uint8_t* out,
                  const std::uint8_t* in, std::size_t blocks) {
    std::uint8_t saved[kMaxBlock], block[kMaxBlock];
    for (std::size_t b = 0; b < blocks; ++b, in += n, out += n) {
        std::memcpy(saved, in, n);
        stage.cipher->processBlock(stage.context, block, saved);
        for (std::uint32_t i = 0; i < n; ++i) out[i] = block[i] ^ value[i];
        std::memcpy(value, saved, n);
    }
    support::SecureWipe(saved, sizeof saved);
    support::SecureWipe(block, sizeof block);
}

template <std::uint32_t kStages, bool kEncrypt>
void Process(void* context, const CipherStage* stages, std::uint8_t* out, const std::uint8_t* in,
             std::size_t blocks) {
    auto& state = *static_cast<ChainingState*>(context);
    for (std::uint32_t s = 0; s < kStages; ++s) {
        // Later layers work on the previous layer's output, in place.
        const std::uint8_t* source = s == 0 ? in : out;
        if constexpr (kEncrypt) {
            EncryptLayer(state.values[s], state.blockLength, stages[s], out, source, blocks);
        } else {
            DecryptLayer(state.values[s], state.blockLength, stages[s], out, source, blocks);
        }
    }
}

constexpr ChainingPrimitives kBlockEncrypt = {1, sizeof(ChainingState), InitBlockChaining,
                                              Process<1, true>};
constexpr ChainingPrimitives kBlockDecrypt = {1, sizeof(ChainingState), InitBlockChaining,
                                              Process<1, false>};
constexpr ChainingPrimitives kTripleEncrypt = {3, sizeof(ChainingState), InitTripleChaining,
                                               Process<3, true>};
constexpr ChainingPrimitives kTripleDecrypt = {3, sizeof(ChainingState), InitTripleChaining,
                                               Process<3, false>};

}  // namespace

constinit const Method kBlockChainingEncryptMethod = {InfoBlockChaining, kEncryptSide, nullptr,
                                                      &kBlockEncrypt};
constinit const Method kBlockChainingDecryptMethod = {InfoBlockChaining, kDecryptSide, nullptr,
                                                      &kBlockDecrypt};
constinit const Method kTripleChainingEncryptMethod = {InfoTripleChaining, kEncryptSide, nullptr,
                                                       &kTripleEncrypt};
constinit const Method kTripleChainingDecryptMethod = {InfoTripleChaining, kDecryptSide, nullptr,
                                                       &kTripleDecrypt};

}  // namespace quillon::toolkit::methods
