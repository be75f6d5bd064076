// quillon rawrsa wrap|unwrap KEYFILE HEX: the raw RSA envelope over a key file, bytes in and
// out as hex.
#include <algorithm>
#include <string_view>

#include "commands.h"
#include "quillon.h"

namespace quillon::cli {
namespace {

// The envelope is 10 bytes and the modulus. A key file's lines hold under 2048 characters, so a
// modulus is under 1 KiB: this is room to spare.
constexpr std::size_t kMaxEnvelope = 10 + 2048;

const char* RawRsaStatusMeaning(int32_t status) {
    switch (status) {
        case -1:
            return "the bytes do not make a number for this key, or out of memory";
        case -4:
            return "the key file is not readable or lacks a component";
        case -5:
            return "no bytes given";
        case -6:
            return "the operation failed: wrong key or damaged input";
        default:
            return "failed";
    }
}

}  // namespace

int RawRsaCommand(Arguments arguments) {
    Bytes input;
    const bool wrap = arguments.size() == 3 && std::string_view(arguments[0]) == "wrap";
    const bool unwrap = arguments.size() == 3 && std::string_view(arguments[0]) == "unwrap";
    if (!(wrap || unwrap) || !ParseHex(arguments[2], input)) {
        std::fprintf(stderr, "usage: quillon rawrsa wrap|unwrap KEYFILE HEX\n");
        return kExitUsage;
    }
    if (input.size() > kMaxEnvelope) {
        std::fprintf(stderr, "quillon: more than %zu bytes to %s\n", kMaxEnvelope,
                     wrap ? "wrap" : "unwrap");
        return kExitFailure;
    }
    const char* path = arguments[1];
    Bytes buffer(kMaxEnvelope);
    std::copy(input.begin(), input.end(), buffer.begin());
    const uint32_t length = static_cast<uint32_t>(input.size());
    const int32_t result = wrap ? RawRsaPublic(path, buffer.data(), length)
                                : RawRsaPrivate(path, buffer.data(), length);
    if (result >= 0) {
        std::printf("%s\n", HexText(buffer.data(), static_cast<std::size_t>(result)).c_str());
    } else {
        std::fprintf(stderr, "quillon: %s: %s (status %d)\n", path, RawRsaStatusMeaning(result),
                     static_cast<int>(result));
    }
    // Either side of the envelope may be the secret.
    WipeBytes(buffer.data(), buffer.size());
    WipeBytes(input.data(), input.size());
    return result >= 0 ? kExitOk : kExitFailure;
}

}  // namespace quillon::cli
