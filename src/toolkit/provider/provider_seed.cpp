#include "toolkit/provider/provider_seed.h"

#include <cstring>

#include "platform/entropy.h"
#include "platform/os_version.h"
#include "support/owner.h"
#include "support/secure_buffer.h"
#include "toolkit/cert/cert_status.h"
#include "toolkit/owners.h"
#include "toolkit/provider/hardware_random.h"

namespace quillon::toolkit::provider {
namespace {

constexpr std::uint32_t kHardwareSeedLength = 128;
constexpr char kSoftwareOnly[] = "SoftwareOnly";

// Where poll items go: the random object, until one update fails.
struct Feed {
    AlgObject* random;
    const SurrenderContext* surrender;
    Status status;
};

void FeedItem(void* context, const void* bytes, std::uint32_t length) {
    auto& feed = *static_cast<Feed*>(context);
    if (feed.status != kOk) return;
    feed.status = AlgRandomUpdate(feed.random, static_cast<const std::uint8_t*>(bytes), length,
                                  feed.surrender);
}

// Owns the hardware path's chooser and object; members go in reverse order, so the object,
// which uses the chooser's session, is destroyed first.
struct HardwarePath {
    support::Owner<TokenChooser, TokenChooserRelease> chooser;
    OwnedAlg object;
};

}  // namespace

Status SeedFromHardwareDevice(AlgObject* random, const SurrenderContext* surrender) {
    static constinit const Method* const kMethods[] = {&kHardwareRandomMethod};
    static constinit const TokenMethod* const kTokens[] = {&kHardwareRandomToken};
    HardwarePath path;
    if (const Status status = TokenChooserBuild(kMethods, 1, kTokens, 1, path.chooser.Receive());
        status != kOk) {
        return status;
    }
    if (std::strcmp(TokenChooserName(*path.chooser.get()), kSoftwareOnly) == 0)
        return cert::ToToolkitStatus(cert::kCertNoDevice);
    support::SecureBuffer bytes = support::SecureBuffer::Zeroed(kHardwareSeedLength);
    if (!bytes.ok()) return kOutOfMemory;
    Status status = AlgCreate(path.object.Receive());
    if (status != kOk) return status;
    status = AlgSetInfo(path.object, InfoRandomHardware, nullptr);
    if (status != kOk) return status;
    status = AlgRandomInit(path.object, path.chooser->entries, surrender);
    if (status != kOk) return status;
    status = AlgGenerateRandomBytes(path.object, bytes.data(), kHardwareSeedLength, surrender);
    if (status != kOk) return status;
    return AlgRandomUpdate(random, bytes.data(), kHardwareSeedLength, surrender);
}

Status SeedFromSystemState(AlgObject* random, const SurrenderContext* surrender) {
    platform::OsVersion version;
    if (!platform::QueryOsVersion(version)) return cert::ToToolkitStatus(cert::kCertGeneralFailure);
    Feed feed{random, surrender, kOk};
    switch (version.platformId) {
        case platform::kWindows95Family:
            if (!platform::PollToolHelpSnapshot(FeedItem, &feed))
                return cert::ToToolkitStatus(cert::kCertGeneralFailure);
            return feed.status;
        case platform::kNtFamily:
            platform::PollProcessState(FeedItem, &feed);
            return feed.status;
        default:
            return cert::ToToolkitStatus(cert::kCertGeneralFailure);
    }
}

Status RefreshSystemSeed(AlgObject* random, const SurrenderContext* surrender) {
    Feed feed{random, surrender, kOk};
    platform::PollSeedRefresh(FeedItem, &feed);
    return feed.status;
}

}  // namespace quillon::toolkit::provider
