#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "cipher/des_modes.h"
#include "constant_time/checked_paths.h"

namespace quillon::constant_time_check {

void CheckDes() {
    using namespace quillon::cipher;
    const DesEngineKind before = DesServingEngine();
    for (const DesEngineKind engine : {DesEngineKind::kPortable, DesEngineKind::kShuffles}) {
        if (!DesServeWithEngine(engine)) continue;
        for (const bool triple : {false, true}) {
            for (const bool encrypt : {true, false}) {
                std::uint8_t key[24], iv[8], data[24];
                for (unsigned i = 0; i < sizeof key; ++i)
                    key[i] = static_cast<std::uint8_t>(i * 53 + 7);
                std::memset(iv, 0xA5, sizeof iv);
                for (unsigned i = 0; i < sizeof data; ++i)
                    data[i] = static_cast<std::uint8_t>(i * 31);
                MarkSecret(key, sizeof key);
                MarkSecret(iv, sizeof iv);
                MarkSecret(data, sizeof data);
                // 21 bytes: two whole blocks and a partial one.
                (triple ? TripleDesCbc : DesCbc)(encrypt, data, 21, key, iv);
            }
        }
    }
    (void)DesServeWithEngine(before);
}

}  // namespace quillon::constant_time_check
