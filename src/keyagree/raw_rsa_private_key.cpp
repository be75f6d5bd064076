#include "keyagree/raw_rsa_private_key.h"

#include "support/checked_alloc.h"

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

}  // namespace

KeyFileStatus DeriveRawRsaPrivateKey(const KeyFileLines& lines, const char* tag,
                                     KeyFileDerived*& derived) {
    auto* key = support::New<RawRsaPrivateKey>();
    if (key == nullptr) return KeyFileStatus::kOutOfMemory;
    Mpi d;
    char recorded[kKeyTagLength];
    const ComponentRequest requests[] = {
        {'n', false, &key->n},        {'e', false, &key->e},        {'d', true, &d},
        {'p', true, &key->primes[1]}, {'q', true, &key->primes[0]}, {'u', true, &key->coefficient}};
    KeyFileStatus status = KeyFileStatus::kOk;
    for (const ComponentRequest& request : requests) {
        status = KeyFileFindComponent(lines, request.letter, tag, request.masked, *request.value,
                                      recorded);
        if (status != KeyFileStatus::kOk) break;
    }
    // A branch on the primes only where one is below 2, which no usable key has.
    if (status == KeyFileStatus::kOk) {
        key->usable =
            MpiCompareUint(key->primes[0], 1) > 0 && MpiCompareUint(key->primes[1], 1) > 0;
        if (key->usable && !DeriveNumbers(*key, d)) status = KeyFileStatus::kOutOfMemory;
    }
    KeyFileDerived* made = key;
    if (status != KeyFileStatus::kOk) {
        KeyFileDerived::Release(made);
        return status;
    }
    derived = made;
    return KeyFileStatus::kOk;
}

}  // namespace quillon::keyagree
