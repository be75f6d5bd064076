// RSA key-pair generation (modulus 256 to 4096 bits; 2 primes at any size, 3 from 1024 bits,
// 4 from 2048 bits): the method over the key-generation engine. The engine holds the parameter
// rules, the random-byte budget and the attempt; this file turns the toolkit's request into the
// engine's and the engine's key into the record the key objects store.
#include <cstring>

#include "toolkit/handler.h"
#include "toolkit/methods/methods.h"
#include "toolkit/methods/rsa_keygen_engine.h"
#include "toolkit/rsa_records.h"

namespace quillon::toolkit::methods {
namespace {

RsaKeyGenParameters Parameters(const RsaKeyGenRequest& request) {
    return {request.modulusBits, request.primeCount, {request.exponent, request.exponentLength}};
}

MethodStatus Check(const RsaKeyGenRequest& request) {
    return RsaKeyGenCheck(Parameters(request));
}

std::uint32_t RandomLength(const RsaKeyGenRequest& request) {
    return RsaKeyGenRandomLength(Parameters(request));
}

int PollSurrenderContext(void* context) {
    return PollSurrender(static_cast<const SurrenderContext*>(context)) != kOk ? 1 : 0;
}

// Copies one number into the record's storage and points the item at it.
void Put(std::span<const std::uint8_t> number, Item& item, std::uint8_t*& at) {
    std::memcpy(at, number.data(), number.size());
    item = {at, static_cast<std::uint32_t>(number.size())};
    at += number.size();
}

MethodStatus Attempt(const RsaKeyGenRequest& request, const std::uint8_t* random,
                     std::uint32_t length, RsaGeneratedKey& key,
                     const SurrenderContext* surrender) {
    const RsaKeyGenSurrender poll = {PollSurrenderContext,
                                     const_cast<SurrenderContext*>(surrender)};
    RsaKeyGenKey made;  // wipes its numbers when it goes
    const MethodStatus status =
        RsaKeyGenAttempt(Parameters(request), {random, length}, made, &poll);
    if (status != method::kOk) return status;
    // Two primes only reach here; every number fits the record's storage (n, e and d at most
    // the modulus length, the others at most half of it plus one byte).
    RsaPrivateCrtRecord& record = key.key;
    std::uint8_t* at = key.storage;
    Put(made.modulus, record.modulus, at);
    Put(made.publicExponent, record.publicExponent, at);
    Put(made.privateExponent, record.privateExponent, at);
    record.primeCount = made.primeCount;
    for (std::uint32_t i = 0; i < 2; ++i) {
        Put(made.primes[i], record.primes[i], at);
        Put(made.primeExponents[i], record.primeExponents[i], at);
    }
    Put(made.coefficients[0], record.coefficient, at);
    return method::kOk;
}

constexpr RsaKeyGenPrimitives kKeyGenPrimitives = {Check, RandomLength, Attempt};

}  // namespace

constinit const Method kRsaMultiPrimeKeyGenMethod = {InfoRsaMultiPrimeKeyGen, 0, nullptr,
                                                     &kKeyGenPrimitives};

}  // namespace quillon::toolkit::methods
