// A whole profile read on arbitrary file content: the first byte picks the reader, the rest is
// the profile, read with the password "fuzz" (the seeds hold items sealed with it, so
// mutations reach decryption, padding, prefix and MAC checks). Every result must be a length
// that fits the item buffer or a failure with the caller's pointer as documented, and the
// parsed profile must be gone afterwards.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "profile/profile_parser.h"
#include "profile/profile_unlock.h"
#include "profile_file.h"
#include "quillon.h"

namespace {

using ReaderFunction = int32_t (*)(uint8_t**, const char*, const char*);
const ReaderFunction kReaders[] = {ProfileGetSignatureCertificate, ProfileGetCaCertificates,
                                   ProfileGetSignatureKey, ProfileGetPrivateKey1,
                                   ProfileGetPrivateKey2};

// Legal counts above this take long by design; the fuzzer spends its time elsewhere.
constexpr long kFuzzedHashCountLimit = 1000;

bool SlowByDesign(const char* path) {
    bool slow = false;
    if (quillon::profile::ProfileLoad(path) == quillon::profile::kProfileLoaded) {
        const auto* entry = quillon::profile::ProfileLookup("Password Token", "HashCount");
        if (entry != nullptr) {
            const long count = std::strtol(entry->value, nullptr, 10);
            slow = count > kFuzzedHashCountLimit && count <= 1000000;
        }
    }
    quillon::profile::ProfileFree();
    return slow;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t choice = data[0] % std::size(kReaders);
    const bool certificate = choice < 2;
    const char* path = quillon::fuzz::WriteProfileFile(data + 1, size - 1);
    if (SlowByDesign(path)) return 0;

    std::uint8_t sentinel = 0;
    std::uint8_t* buffer = &sentinel;
    const std::int32_t result = kReaders[choice](&buffer, path, "fuzz");
    if (quillon::profile::ProfileFirstEntry() != nullptr) std::abort();
    if (result > 0) {
        if (buffer == nullptr || buffer == &sentinel) std::abort();
        if (static_cast<std::size_t>(result) >= quillon::profile::kProfileItemBufferSize) {
            std::abort();
        }
        // Touch every byte: ASan checks the buffer really is that long.
        volatile std::uint8_t sum = 0;
        for (std::int32_t i = 0; i < result; ++i) sum = static_cast<std::uint8_t>(sum + buffer[i]);
        ProfileFreeBuffer(buffer);
        return 0;
    }
    if (!certificate) {
        if (result != 0) std::abort();
        if (buffer != nullptr && buffer != &sentinel) std::abort();
        return 0;
    }
    // Memory does not run out here, so only a load failure, the MAC algorithm and an
    // unreadable item can happen.
    if (result == -100) {
        if (buffer != &sentinel) std::abort();
    } else if (result == -101 || result == -105) {
        if (buffer != nullptr) std::abort();
    } else {
        std::abort();
    }
    return 0;
}
