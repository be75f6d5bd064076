// The SHA-1 and MD5 methods: our own engines behind the digest primitive table.
#include "toolkit/methods/methods.h"

#include "hash/md5.h"
#include "hash/sha1.h"

namespace quillon::toolkit::methods {
namespace {

void Sha1InitPrimitive(void* context) {
    hash::Sha1Init(*static_cast<hash::Sha1Context*>(context));
}
void Sha1UpdatePrimitive(void* context, const std::uint8_t* data, std::size_t length) {
    hash::Sha1Update(*static_cast<hash::Sha1Context*>(context), data, length);
}
void Sha1FinalPrimitive(void* context, std::uint8_t* digest) {
    hash::Sha1Final(*static_cast<hash::Sha1Context*>(context), digest);
}

void Md5InitPrimitive(void* context) {
    hash::Md5Init(*static_cast<hash::Md5Context*>(context));
}
void Md5UpdatePrimitive(void* context, const std::uint8_t* data, std::size_t length) {
    hash::Md5Update(*static_cast<hash::Md5Context*>(context), data, length);
}
void Md5FinalPrimitive(void* context, std::uint8_t* digest) {
    hash::Md5Final(*static_cast<hash::Md5Context*>(context), digest);
}

constexpr DigestPrimitives kSha1Primitives = {sizeof(hash::Sha1Context), hash::kSha1DigestLength,
                                              Sha1InitPrimitive, Sha1UpdatePrimitive,
                                              Sha1FinalPrimitive};
constexpr DigestPrimitives kMd5Primitives = {sizeof(hash::Md5Context), hash::kMd5DigestLength,
                                             Md5InitPrimitive, Md5UpdatePrimitive,
                                             Md5FinalPrimitive};

}  // namespace

constinit const Method kSha1Method = {InfoSha1, 0, nullptr, &kSha1Primitives};
constinit const Method kMd5Method = {InfoMd5, 0, nullptr, &kMd5Primitives};

}  // namespace quillon::toolkit::methods
