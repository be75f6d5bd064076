#include "frame/self_test.h"

#include "cipher/aes_self_test.h"
#include "cipher/des_self_test.h"
#include "digest/hmac_self_test.h"
#include "digest/sha1_self_test.h"
#include "frame/module_entry.h"
#include "pubkey/rsa_self_test.h"
#include "pubkey/rsa_signature_self_test.h"

namespace quillon::frame {

int CodeIntegritySelfTest() {
    return ModuleCodeIntact() ? 1 : 0;
}

constinit const SelfTestStep kPowerUpSelfTests[7] = {
    {"code integrity", CodeIntegritySelfTest},
    {"AES", cipher::AesSelfTest},
    {"triple-DES", cipher::TripleDesSelfTest},
    {"SHA-1", digest::Sha1SelfTest},
    {"RSA signature", pubkey::RsaSignatureSelfTest},
    {"RSA key pair", pubkey::RsaSelfTest},
    {"HMAC-SHA-1", digest::HmacSelfTest},
};

int RunSelfTests(std::span<const SelfTestStep> steps) {
    for (const SelfTestStep& step : steps) {
        if (step.run() != 1) return 0;
    }
    return 1;
}

}  // namespace quillon::frame
