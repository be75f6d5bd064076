#include "keyagree/raw_rsa_private_key.h"

#include <utility>

#include "support/checked_alloc.h"
#include "support/owner.h"

namespace quillon::keyagree {
namespace {

using bignum::Mpi;
using bignum::MpiKind;
using bignum::MpiScratch;

// The exponents, forms and blinding of a key whose components are read. False when out of
// memory or the random source failed.
bool DeriveNumbers(RawRsaPrivateKey& key, const Mpi& d) {
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    if (scratch.empty() || !bignum::MpiPrepareForm(key.n, key.modulusForm, scratch)) return false;
    for (int i = 0; i < 2; ++i) {
        const unsigned primeBits = key.primes[i].BitLength();
        Mpi lessOne = Mpi::Make(MpiKind::kSecret, primeBits);
        key.exponents[i] = Mpi::Make(MpiKind::kSecret, primeBits);
        if (lessOne.empty() || key.exponents[i].empty() || !MpiSubUint(lessOne, key.primes[i], 1) ||
            !MpiMod(key.exponents[i], d, lessOne, scratch) ||
            !bignum::MpiPrepareForm(key.primes[i], key.forms[i], scratch)) {
            return false;
        }
    }
    return key.modulusForm.empty() || key.blinding.Start(key.n, key.e, key.modulusForm);
}

// Drops the reference a key is made with, which frees it.
void ReleaseKey(RawRsaPrivateKey** key) {
    KeyFileDerived* derived = std::exchange(*key, nullptr);
    KeyFileDerived::Release(derived);
}

using OwnedKey = support::Owner<RawRsaPrivateKey, ReleaseKey>;

}  // namespace

KeyFileStatus DeriveRawRsaPrivateKey(const KeyFileLines& lines, const char* tag,
                                     KeyFileDerived*& derived) {
    OwnedKey key(support::New<RawRsaPrivateKey>());
    if (key == nullptr) return KeyFileStatus::kOutOfMemory;
    Mpi d;
    char recorded[kKeyTagLength];
    const ComponentRequest requests[] = {
        {'n', false, &key->n},        {'e', false, &key->e},        {'d', true, &d},
        {'p', true, &key->primes[1]}, {'q', true, &key->primes[0]}, {'u', true, &key->coefficient}};
    for (const ComponentRequest& request : requests) {
        const KeyFileStatus status = KeyFileFindComponent(lines, request.letter, tag,
                                                          request.masked, *request.value, recorded);
        if (status != KeyFileStatus::kOk) return status;
    }
    // A branch on the primes only where one is below 2, which no usable key has.
    key->usable = MpiCompareUint(key->primes[0], 1) > 0 && MpiCompareUint(key->primes[1], 1) > 0;
    if (key->usable && !DeriveNumbers(*key.get(), d)) return KeyFileStatus::kOutOfMemory;
    derived = key.Release();
    return KeyFileStatus::kOk;
}

}  // namespace quillon::keyagree
