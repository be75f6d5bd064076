// The primitive tables of the method families. A Method (handler.h) points at one of these; the
// handler that binds the method knows which shape to expect from the kind it asked for.
// Operations that can fail return a method status (MethodStatus, status.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/status.h"

namespace quillon::toolkit {
struct AlgObject;
struct KeyObject;
struct Method;            // handler.h
struct RsaGeneratedKey;   // rsa_records.h
struct SurrenderContext;  // handler.h
}  // namespace quillon::toolkit

namespace quillon::toolkit::methods {

struct DigestPrimitives {
    std::uint32_t contextSize;
    std::uint32_t digestLength;
    void (*init)(void* context);
    void (*update)(void* context, const std::uint8_t* data, std::size_t length);
    // Writes digestLength bytes; the handler initialises the context again afterwards.
    void (*final)(void* context, std::uint8_t* digest);
};

struct RandomPrimitives {
    std::uint32_t contextSize;
    // parameters: the record the object's info stored (the kind's own type), or null.
    MethodStatus (*init)(void* context, const void* parameters);
    MethodStatus (*update)(void* context, const std::uint8_t* seed, std::uint32_t length);
    MethodStatus (*generate)(void* context, std::uint8_t* out, std::uint32_t length);
};

// A block cipher of one side (the method's direction): encrypt or decrypt one block.
struct BlockCipherPrimitives {
    std::uint32_t blockLength;
    std::uint32_t keyLength;
    std::uint32_t contextSize;
    MethodStatus (*setKey)(void* context, const std::uint8_t* key, std::uint32_t length);
    void (*processBlock)(const void* context, std::uint8_t* out, const std::uint8_t* in);
};

// One stage of a cipher as a chaining method drives it.
struct CipherStage {
    const BlockCipherPrimitives* cipher;
    const void* context;
};

// Chaining of whole blocks over one stage (block chaining) or three (triple chaining), one
// chaining value per stage, each as long as the chaining parameter.
struct ChainingPrimitives {
    std::uint32_t stageCount;
    std::uint32_t contextSize;
    MethodStatus (*init)(void* context, const std::uint8_t* iv, std::uint32_t length);
    void (*process)(void* context, const CipherStage* stages, std::uint8_t* out,
                    const std::uint8_t* in, std::size_t blocks);
};

// Raw RSA with one key form (the method's key form: KeyInfoRsaPublic or KeyInfoRsaPrivateCrt).
struct RsaRawPrimitives {
    // Copies what the method needs of the key record into the object's memory (*context) and
    // reports the modulus length in bytes: kModulusLength for a modulus above 4096 bits,
    // kBadParameters for a key record the method cannot use, kOutOfMemory. method is the chooser
    // entry being bound (token methods reach their session through it); key is the key object the
    // record is from, where a method may keep what it prepares from the record.
    MethodStatus (*setup)(AlgObject* object, KeyObject* key, const Method* method,
                          const void* keyRecord, void** context, std::uint32_t* modulusLength);
    // in^exponent mod n, written big-endian and left-padded to exactly the modulus length:
    // kOutputTooSmall when maxLength is below it, kDataMalformed when the input (a big-endian
    // number) is not below the modulus.
    MethodStatus (*transform)(const void* context, std::uint8_t* out, std::uint32_t* outLength,
                              std::uint32_t maxLength, const std::uint8_t* in,
                              std::uint32_t inLength);
};

// RSA key-pair generation. The request: modulus length in bits, number of primes and the public
// exponent (big-endian).
struct RsaKeyGenRequest {
    std::uint32_t modulusBits;
    std::uint32_t primeCount;
    const std::uint8_t* exponent;
    std::uint32_t exponentLength;
};
struct RsaKeyGenPrimitives {
    // The parameter and exponent rules, before any random bytes are drawn: kModulusLength,
    // kPrimeCount, kExponentLength, kEvenExponent.
    MethodStatus (*check)(const RsaKeyGenRequest& request);
    // How many random bytes one attempt takes.
    std::uint32_t (*randomLength)(const RsaKeyGenRequest& request);
    // One attempt from those bytes: kRetry when they gave no usable key (the caller draws
    // fresh bytes and tries again), kOutOfMemory, kCancelled.
    MethodStatus (*attempt)(const RsaKeyGenRequest& request, const std::uint8_t* random,
                            std::uint32_t length, RsaGeneratedKey& key,
                            const SurrenderContext* surrender);
};

// What methods of algorithms still to come carry: every operation answers "not supported".
struct UnsupportedPrimitives {
    MethodStatus (*operation)();
};
extern const UnsupportedPrimitives kUnsupportedPrimitives;

}  // namespace quillon::toolkit::methods
