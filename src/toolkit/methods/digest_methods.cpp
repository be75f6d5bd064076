// The SHA-1 and MD5 methods: our own engines behind the digest primitive table.
#include "toolkit/methods/methods.h"

#include "hash/md5.h"
#include "hash/sha1.h"

namespace quillon::toolkit {
namespace {

void Sha1InitPrimitive(void* context) {
    Sha1Init(*static_cast<Sha1Context*>(context));
}
void Sha1UpdatePrimitive(void* context, const std::uint8_t* data, std::size_t length) {
    Sha1Update(*static_cast<Sha1Context*>(context), data, length);
}
void Sha1FinalPrimitive(void* context, std::uint8_t* digest) {
    Sha1Final(*static_cast<Sha1Context*>(context), digest);
}

void Md5InitPrimitive(void* context) {
    Md5Init(*static_cast<Md5Context*>(context));
}
void Md5UpdatePrimitive(void* context, const std::uint8_t* data, std::size_t length) {
    Md5Update(*static_cast<Md5Context*>(context), data, length);
}
void Md5FinalPrimitive(void* context, std::uint8_t* digest) {
    Md5Final(*static_cast<Md5Context*>(context), digest);
}

constexpr DigestPrimitives kSha1Primitives = {sizeof(Sha1Context), kSha1DigestLength,
                                              Sha1InitPrimitive, Sha1UpdatePrimitive,
                                              Sha1FinalPrimitive};
constexpr DigestPrimitives kMd5Primitives = {sizeof(Md5Context), kMd5DigestLength, Md5InitPrimitive,
                                             Md5UpdatePrimitive, Md5FinalPrimitive};

}  // namespace

constinit const Method kSha1Method = {InfoSha1, 0, nullptr, &kSha1Primitives};
constinit const Method kMd5Method = {InfoMd5, 0, nullptr, &kMd5Primitives};

}  // namespace quillon::toolkit
