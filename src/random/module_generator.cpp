#include "random/module_generator.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "digest/digest_handle.h"
#include "platform/locks.h"
#include "quillon.h"
#include "random/cpu_jitter.h"
#include "random/entropy_poll.h"
#include "support/byte_order.h"
#include "support/once.h"
#include "support/secure_wipe.h"
#include "toolkit/owners.h"

namespace quillon::random {
namespace {

// The two default keys every reseed installs; their values play no part in any output.
constexpr std::uint8_t kDefaultKeyA[8] = {'Q', 'u', 'i', 'l', 'l', 'o', 'n', 'A'};
constexpr std::uint8_t kDefaultKeyB[8] = {'R', 'a', 'n', 'd', 'o', 'm', 'K', 'B'};

constexpr std::uint32_t kSeededObjectBytes = 80;

struct Generator {
    std::atomic<toolkit::AlgObject*> randomObject{nullptr};
    support::Once lockCreated;
    platform::CriticalSection lock;
    std::uint8_t seedRing[8] = {};
    std::uint32_t ringPosition = 0;
    std::atomic<std::uint32_t> keyed{0};
    std::uint8_t keyA[8] = {};
    std::uint8_t keyB[8] = {};
    std::uint32_t auxFlag = 0;
    std::uint8_t auxBlock[8] = {};
    std::uint32_t polls = 0;  // system polls mixed in since load, for the tests
};

constinit Generator generator;

// The lock is made on first need: the module runs nothing at load.
void CreateLockIfMissing() {
    (void)generator.lockCreated.Run([] {
        generator.lock.Create();
        return true;
    });
}

class Locked {
  public:
    Locked() {
        CreateLockIfMissing();
        generator.lock.Enter();
    }
    ~Locked() { generator.lock.Leave(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

void CreateRandomObjectIfMissing() {
    const Locked locked;
    if (generator.randomObject.load(std::memory_order_relaxed) != nullptr) return;
    toolkit::AlgObject* object = nullptr;
    (void)toolkit::AlgCreate(&object);
    (void)toolkit::AlgSetInfo(object, toolkit::InfoRandomFips186, nullptr);
    (void)toolkit::AlgRandomInit(object, toolkit::DefaultChooser, nullptr);
    generator.randomObject.store(object, std::memory_order_release);
}

// Where the poll's items go: the reseed's SHA-1 first (when it exists), then the random object.
struct PollTarget {
    DigestHandle* digest;
    toolkit::AlgObject* randomObject;
    toolkit::Status lastStatus;
};

void FeedItem(void* context, const void* bytes, std::uint32_t length) {
    auto& target = *static_cast<PollTarget*>(context);
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    if (target.digest != nullptr) DigestUpdate(&target.digest, data, length);
    target.lastStatus = toolkit::AlgRandomUpdate(target.randomObject, data, length, nullptr);
}

// The seed ring back to empty and the keys marked unset: under the lock, or where no other
// thread can be inside the module.
void ClearSeedRing() {
    generator.keyed.store(0, std::memory_order_relaxed);
    generator.ringPosition = 0;
    support::SecureWipe(generator.seedRing, sizeof generator.seedRing);
}

}  // namespace

toolkit::Status Reseed(std::uint32_t callerValue) {
    CreateLockIfMissing();
    std::srand(callerValue);
    CreateRandomObjectIfMissing();
    SetKeys(kDefaultKeyA, kDefaultKeyB);

    PollTarget target{nullptr, generator.randomObject.load(std::memory_order_acquire),
                      toolkit::kOk};
    Sha1Create(&target.digest);
    // A handle whose toolkit object could not be made would finish without writing a digest:
    // release it now, so that the reseed goes on as without a digest and no unwritten block
    // reaches the seed ring or the random object.
    if (target.digest != nullptr && !digest::DigestHandleIsLive(target.digest)) {
        std::uint8_t unwritten[20];
        Sha1Final(unwritten, &target.digest);
    }
    {
        const Locked locked;
        std::uint8_t ring[8];
        std::memcpy(ring, generator.seedRing, sizeof ring);
        PollEntropy(ring, callerValue, FeedItem, &target);
        ++generator.polls;
    }
    if (target.digest == nullptr) return target.lastStatus;

    std::uint8_t digest[20];
    Sha1Final(digest, &target.digest);
    AddSeed(digest, sizeof digest);
    toolkit::Status status;
    {
        const Locked locked;
        status = toolkit::AlgRandomUpdate(target.randomObject, digest, sizeof digest, nullptr);
    }
    support::SecureWipe(digest, sizeof digest);
    return status;
}

std::int32_t GenerateBytes(std::int32_t length, std::uint8_t* out) {
    if (generator.randomObject.load(std::memory_order_acquire) == nullptr) {
        (void)Reseed(kDefaultSeedValue);
    }
    const Locked locked;
    toolkit::AlgObject* object = generator.randomObject.load(std::memory_order_relaxed);
    if (object == nullptr || length <= 0 || out == nullptr) return 1;
    return toolkit::ToExportStatus(
        toolkit::AlgGenerateRandomBytes(object, out, static_cast<std::uint32_t>(length), nullptr));
}

std::int32_t Random15() {
    (void)Reseed(kDefaultSeedValue);
    if (generator.randomObject.load(std::memory_order_acquire) == nullptr) {
        (void)Reseed(kDefaultSeedValue);
    }
    std::uint8_t bytes[4] = {};
    {
        const Locked locked;
        (void)toolkit::AlgGenerateRandomBytes(
            generator.randomObject.load(std::memory_order_relaxed), bytes, 4, nullptr);
    }
    return static_cast<std::int32_t>(support::LoadLittleEndian32(bytes) & 0x7FFF);
}

// The auxiliary block and the seed-ring reset are written under the lock too, so that callers
// racing them with the generator's other operations cannot tear the state.
void SetAuxBlock(std::uint32_t flag, const std::uint8_t* block) {
    if (flag != 0 && block == nullptr) return;
    const Locked locked;
    generator.auxFlag = flag;
    if (flag != 0) std::memcpy(generator.auxBlock, block, 8);
}

void SetKeys(const std::uint8_t* keyA, const std::uint8_t* keyB) {
    if (keyA == nullptr || keyB == nullptr) return;
    const Locked locked;
    generator.keyed.store(1, std::memory_order_relaxed);
    std::memcpy(generator.keyA, keyA, 8);
    std::memcpy(generator.keyB, keyB, 8);
}

void AddSeed(const std::uint8_t* data, std::uint32_t length) {
    if (generator.keyed.load(std::memory_order_relaxed) == 0) return;
    if (data == nullptr) return;
    const Locked locked;
    while (length > 0) {
        const std::uint32_t piece = std::min<std::uint32_t>(length, 8 - generator.ringPosition);
        std::memcpy(generator.seedRing + generator.ringPosition, data, piece);
        data += piece;
        length -= piece;
        generator.ringPosition = (generator.ringPosition + piece) % 8;
    }
}

void ResetSeedRing() {
    const Locked locked;
    ClearSeedRing();
}

void ReleaseModuleGenerator() {
    toolkit::AlgObject* object =
        generator.randomObject.exchange(nullptr, std::memory_order_acq_rel);
    if (object != nullptr) (void)toolkit::AlgDestroy(&object);
    // No other thread is inside the module: the state goes back to its load-time values without
    // the lock, which is destroyed only if it was ever made.
    ClearSeedRing();
    generator.auxFlag = 0;
    generator.polls = 0;
    support::SecureWipe(generator.auxBlock, sizeof generator.auxBlock);
    support::SecureWipe(generator.keyA, sizeof generator.keyA);
    support::SecureWipe(generator.keyB, sizeof generator.keyB);
    if (generator.lockCreated.Prepared()) {
        generator.lock.Destroy();
        generator.lockCreated.Reset();
    }
}

namespace {

// The seed of a seeded random object, taken at its first draw: a reseed whose caller value is a
// processor-jitter sample (the generator made first if it is missing), then the bytes from the
// generator under its lock. The tick-bound sampler of RngTimingJitter would make every key pair
// wait 32 ticks of the system clock for the same 32 bits.
toolkit::Status SeedFromModuleGenerator(std::uint8_t* out, std::uint32_t length) {
    (void)Reseed(SampleCpuJitter());
    if (generator.randomObject.load(std::memory_order_acquire) == nullptr) {
        (void)Reseed(kDefaultSeedValue);
    }
    const Locked locked;
    return toolkit::AlgGenerateRandomBytes(generator.randomObject.load(std::memory_order_relaxed),
                                           out, length, nullptr);
}

}  // namespace

void MakeSeededRandomObject(toolkit::AlgObject** holder) {
    toolkit::OwnedAlg made;
    (void)toolkit::AlgCreate(made.Receive());
    (void)toolkit::AlgSetInfo(made, toolkit::InfoRandomMultiStream, nullptr);
    (void)toolkit::AlgRandomInit(made, toolkit::DefaultChooser, nullptr);
    // Seeding waits for the first draw: an operation that never draws (a PKCS #1 type-1 block)
    // pays neither the reseed nor the jitter sample.
    if (toolkit::AlgRandomSeedAtFirstDraw(made, SeedFromModuleGenerator, kSeededObjectBytes) !=
        toolkit::kOk) {
        made.Reset();
    }
    made.HandOut(holder);
}

GeneratorView InspectGeneratorForTesting() {
    const Locked locked;
    GeneratorView view{};
    std::memcpy(view.seedRing, generator.seedRing, 8);
    view.ringPosition = generator.ringPosition;
    view.keyed = generator.keyed.load(std::memory_order_relaxed);
    view.hasRandomObject = generator.randomObject.load(std::memory_order_relaxed) != nullptr;
    view.polls = generator.polls;
    return view;
}

}  // namespace quillon::random
