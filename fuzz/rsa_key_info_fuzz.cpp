// The key-info decoders KeyInfoRsaPrivateBer (PKCS #8) and KeyInfoRsaPublicBer
// (SubjectPublicKeyInfo) on arbitrary bytes, each in an exact-size heap block so ASan sees any
// read past the input. A key that is accepted must then give its other forms and survive a
// PKCS #1 v1.5 operation through the toolkit whatever numbers it holds: the operation either
// works (and the public half recovers what the private half signed) or fails with a status.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "toolkit/rsa_records.h"
#include "toolkit/toolkit.h"

namespace {

using namespace quillon::toolkit;

constexpr std::uint8_t kMessage[] = {'q', 'u', 'i', 'l', 'l', 'o', 'n'};

void Check(bool condition) {
    if (!condition) std::abort();
}

// One PKCS #1 operation through a fresh object; the output length, or -1 when a step failed.
long Run(InfoType kind, bool encrypt, KeyObject* key, const std::uint8_t* in, std::uint32_t length,
         std::uint8_t* out, AlgObject* random) {
    AlgObject* object = nullptr;
    Status status = AlgCreate(&object);
    if (status == kOk) status = AlgSetInfo(object, kind, nullptr);
    if (status == kOk) {
        status = encrypt ? AlgEncryptInit(object, key, DefaultChooser, nullptr)
                         : AlgDecryptInit(object, key, DefaultChooser, nullptr);
    }
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    constexpr std::uint32_t kCapacity = kRsaMaxModulusBytes;
    if (status == kOk) {
        status =
            encrypt ? AlgEncryptUpdate(object, out, &first, kCapacity, in, length, random, nullptr)
                    : AlgDecryptUpdate(object, out, &first, kCapacity, in, length, random, nullptr);
    }
    if (status == kOk) {
        Check(first == 0);  // updates only collect
        status = encrypt ? AlgEncryptFinal(object, out, &second, kCapacity, random, nullptr)
                         : AlgDecryptFinal(object, out, &second, kCapacity, random, nullptr);
    }
    (void)AlgDestroy(&object);
    Check(object == nullptr);
    return status == kOk ? static_cast<long>(second) : -1;
}

AlgObject* FixedRandom() {
    static AlgObject* random = [] {
        AlgObject* made = nullptr;
        (void)AlgCreate(&made);
        (void)AlgSetInfo(made, InfoRandomMultiStream, nullptr);
        (void)AlgRandomInit(made, DefaultChooser, nullptr);
        const std::uint8_t seed[80] = {1, 2, 3};
        (void)AlgRandomUpdate(made, seed, sizeof seed, nullptr);
        return made;
    }();
    return random;
}

void TryPrivate(const std::uint8_t* data, std::size_t size) {
    KeyObject* key = nullptr;
    if (KeyCreate(&key) != kOk) return;
    Item item{const_cast<std::uint8_t*>(data), static_cast<std::uint32_t>(size)};
    if (KeySetInfo(key, KeyInfoRsaPrivateBer, &item) == kOk) {
        // Two primes give the Chinese-remainder form, more primes their own form.
        void* crt = nullptr;
        void* multi = nullptr;
        void* pub = nullptr;
        const bool twoPrimes = KeyGetInfo(&crt, key, KeyInfoRsaPrivateCrt) == kOk;
        Check(twoPrimes || KeyGetInfo(&multi, key, KeyInfoRsaPrivateMultiPrime) == kOk);
        Check(KeyGetInfo(&pub, key, KeyInfoRsaPublic) == kOk);
        const Item& modulus = twoPrimes
                                  ? static_cast<const RsaPrivateCrtRecord*>(crt)->modulus
                                  : static_cast<const RsaPrivateMultiPrimeRecord*>(multi)->modulus;
        const auto& half = *static_cast<const RsaPublicKeyRecord*>(pub);
        Check(half.modulus.length <= modulus.length);
        static std::uint8_t block[kRsaMaxModulusBytes];
        static std::uint8_t recovered[kRsaMaxModulusBytes];
        const long signedLength =
            Run(InfoRsaPkcsPrivate, true, key, kMessage, sizeof kMessage, block, nullptr);
        Check(twoPrimes || signedLength < 0);  // no private-key method takes more primes
        if (signedLength >= 0) {
            // A consistent key gives the message back; an inconsistent one does not, and then
            // the block check refuses the result rather than returning something else.
            const long back = Run(InfoRsaPkcsPublic, false, key, block,
                                  static_cast<std::uint32_t>(signedLength), recovered, nullptr);
            Check(back < 0 || (back == sizeof kMessage &&
                               std::memcmp(recovered, kMessage, sizeof kMessage) == 0));
        }
    }
    (void)KeyDestroy(&key);
}

void TryPublic(const std::uint8_t* data, std::size_t size) {
    KeyObject* key = nullptr;
    if (KeyCreate(&key) != kOk) return;
    Item item{const_cast<std::uint8_t*>(data), static_cast<std::uint32_t>(size)};
    if (KeySetInfo(key, KeyInfoRsaPublicBer, &item) == kOk) {
        void* pub = nullptr;
        Check(KeyGetInfo(&pub, key, KeyInfoRsaPublic) == kOk);
        void* crt = nullptr;
        Check(KeyGetInfo(&crt, key, KeyInfoRsaPrivateCrt) == kKeyFormUnavailable);
        static std::uint8_t block[kRsaMaxModulusBytes];
        const long sealed =
            Run(InfoRsaPkcsPublic, true, key, kMessage, sizeof kMessage, block, FixedRandom());
        Check(sealed < 0 ||
              sealed ==
                  static_cast<long>(static_cast<const RsaPublicKeyRecord*>(pub)->modulus.length));
    }
    (void)KeyDestroy(&key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto* input = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (size != 0) std::memcpy(input, data, size);
    TryPrivate(input, size);
    TryPublic(input, size);
    std::free(input);
    return 0;
}
