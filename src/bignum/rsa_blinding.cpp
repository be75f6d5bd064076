#include "bignum/rsa_blinding.h"

#include "platform/entropy.h"
#include "platform/locks.h"
#include "support/secure_buffer.h"

namespace quillon::bignum {
namespace {

// Random bytes beyond the modulus length, so that the reduction modulo n leaves r uniform to
// within 2^-64.
constexpr std::size_t kExtraBytes = 8;
// An r that shares a factor with n (found only with negligible chance) is drawn again.
constexpr int kDraws = 4;

// A random secret r in [0, n), with r^-1 mod n into inverse. False when out of memory or the
// source failed.
bool DrawInvertible(Mpi& r, Mpi& inverse, const Mpi& n, MpiScratch& scratch) {
    support::SecureBuffer bytes = support::SecureBuffer::Zeroed(n.ByteLength() + kExtraBytes);
    if (!bytes.ok()) return false;
    for (int draw = 0; draw < kDraws; ++draw) {
        if (!platform::OsRandomBytes(bytes.data(), bytes.span().size())) return false;
        Mpi wide = Mpi::FromBytes(bytes.span(), MpiKind::kSecret);
        if (wide.empty() || !MpiMod(r, wide, n, scratch)) return false;
        switch (MpiInvm(inverse, r, n, scratch)) {
            case MpiInverse::kFound:
                return true;
            case MpiInverse::kNone:
                break;
            case MpiInverse::kOutOfMemory:
                return false;
        }
    }
    return false;
}

}  // namespace

bool RsaBlinding::Start(const Mpi& n, const Mpi& e, const MpiMontgomery& form) {
    const unsigned bits = n.BitLength();
    MpiScratch scratch = MpiScratch::Make(MpiKind::kSecret);
    Mpi r = Mpi::Make(MpiKind::kSecret, bits);
    Mpi inverse = Mpi::Make(MpiKind::kSecret, bits);
    Mpi blinder = Mpi::Make(MpiKind::kSecret, bits);
    if (form.empty() || scratch.empty() || r.empty() || inverse.empty() || blinder.empty() ||
        !DrawInvertible(r, inverse, n, scratch) ||
        !MpiPowmMontgomery(blinder, r, e, n, form, scratch) ||
        !MpiToMontgomery(blinder, blinder, form, scratch) ||
        !MpiToMontgomery(inverse, inverse, form, scratch)) {
        return false;
    }
    blinder_ = std::move(blinder);
    unblinder_ = std::move(inverse);
    started_ = true;
    return true;
}

bool RsaBlinding::Blind(Mpi& blinded, Mpi& unblinder, const Mpi& input, const Mpi& n,
                        const MpiMontgomery& form, MpiScratch& scratch) {
    const unsigned bits = n.BitLength();
    Mpi blinder = Mpi::Make(MpiKind::kSecret, bits);
    Mpi nextBlinder = Mpi::Make(MpiKind::kSecret, bits);
    Mpi nextUnblinder = Mpi::Make(MpiKind::kSecret, bits);
    if (blinder.empty() || nextBlinder.empty() || nextUnblinder.empty()) return false;
    {
        // The pair is taken and its successor put in its place at once: no two operations use
        // one r, and a failure leaves the pair whole.
        platform::ProcessLockGuard guard(platform::ProcessLock::kRsaBlinding);
        if (!MpiCopy(blinder, blinder_) || !MpiCopy(unblinder, unblinder_) ||
            !MpiMulMontgomery(nextBlinder, blinder_, blinder_, form, scratch) ||
            !MpiMulMontgomery(nextUnblinder, unblinder_, unblinder_, form, scratch)) {
            return false;
        }
        blinder_ = std::move(nextBlinder);
        unblinder_ = std::move(nextUnblinder);
    }
    return MpiMulMontgomery(blinded, input, blinder, form, scratch);
}

bool RsaBlinding::Unblind(Mpi& result, const Mpi& blindedResult, const Mpi& unblinder,
                          const MpiMontgomery& form, MpiScratch& scratch) {
    return MpiMulMontgomery(result, blindedResult, unblinder, form, scratch);
}

}  // namespace quillon::bignum
