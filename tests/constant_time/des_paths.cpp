#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "cipher/des_modes.h"
#include "constant_time/checked_paths.h"
#include "des/des_engine.h"
#include "des/des_round_keys.h"
#include "toolkit/methods/methods.h"

namespace quillon::constant_time_check {
namespace {

// Runs a path once on each engine the processor runs, then restores the serving one.
template <typename Path>
void OnEachEngine(Path path) {
    const des::EngineKind before = des::ServingEngine();
    for (const des::EngineKind engine : {des::EngineKind::kPortable, des::EngineKind::kShuffles}) {
        if (des::ServeWithEngine(engine)) path();
    }
    (void)des::ServeWithEngine(before);
}

}  // namespace

void CheckDes() {
    OnEachEngine([] {
        for (const bool triple : {false, true}) {
            for (const bool encrypt : {true, false}) {
                std::uint8_t key[24], iv[8], data[48];
                for (unsigned i = 0; i < sizeof key; ++i)
                    key[i] = static_cast<std::uint8_t>(i * 53 + 7);
                std::memset(iv, 0xA5, sizeof iv);
                for (unsigned i = 0; i < sizeof data; ++i)
                    data[i] = static_cast<std::uint8_t>(i * 31);
                MarkSecret(key, sizeof key);
                MarkSecret(iv, sizeof iv);
                MarkSecret(data, sizeof data);
                // 45 bytes: five whole blocks (decryption runs four side by side) and a partial
                // one.
                (triple ? cipher::TripleDesCbc : cipher::DesCbc)(encrypt, data, 45, key, iv);
            }
        }
    });
}

void CheckDesMethod() {
    using toolkit::methods::BlockCipherPrimitives;
    OnEachEngine([] {
        for (const auto* method :
             {&toolkit::methods::kDesEncryptMethod, &toolkit::methods::kDesDecryptMethod}) {
            const auto& des = *static_cast<const BlockCipherPrimitives*>(method->primitives);
            std::uint8_t key[8], in[8], out[8];
            for (unsigned i = 0; i < sizeof key; ++i)
                key[i] = static_cast<std::uint8_t>(i * 71 + 3);
            for (unsigned i = 0; i < sizeof in; ++i) in[i] = static_cast<std::uint8_t>(i * 13 + 1);
            MarkSecret(key, sizeof key);
            MarkSecret(in, sizeof in);
            des::RoundKeys context;
            if (des.setKey(&context, key, sizeof key) != toolkit::method::kOk) continue;
            des.processBlock(&context, out, in);
            des.processBlock(&context, in, in);  // in place, as the chaining layers may
        }
    });
}

}  // namespace quillon::constant_time_check
