// The primitive tables of the method families. A Method (handler.h) points at one of these; the
// handler that binds the method knows which shape to expect from the kind it asked for.
// Operations that can fail return a method status (status.h, namespace method).
#pragma once

#include <cstddef>
#include <cstdint>

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
    std::uint32_t (*init)(void* context, const void* parameters);
    std::uint32_t (*update)(void* context, const std::uint8_t* seed, std::uint32_t length);
    std::uint32_t (*generate)(void* context, std::uint8_t* out, std::uint32_t length);
};

// A block cipher of one side (the method's direction): encrypt or decrypt one block.
struct BlockCipherPrimitives {
    std::uint32_t blockLength;
    std::uint32_t keyLength;
    std::uint32_t contextSize;
    std::uint32_t (*setKey)(void* context, const std::uint8_t* key, std::uint32_t length);
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
    std::uint32_t (*init)(void* context, const std::uint8_t* iv, std::uint32_t length);
    void (*process)(void* context, const CipherStage* stages, std::uint8_t* out,
                    const std::uint8_t* in, std::size_t blocks);
};

// Raw RSA with one key form (the method's key form: KeyInfoRsaPublic or KeyInfoRsaPrivateCrt).
struct RsaRawPrimitives {
    // Copies what the method needs of the key record into the object's memory (*context) and
    // reports the modulus length in bytes: status 7 for a modulus above 4096 bits, 15 for a key
    // record the method cannot use, 16 out of memory. method is the chooser entry being bound
    // (token methods reach their session through it); key is the key object the record is
    // from, where a method may keep what it prepares from the record.
    std::uint32_t (*setup)(AlgObject* object, KeyObject* key, const Method* method,
                           const void* keyRecord, void** context, std::uint32_t* modulusLength);
    // in^exponent mod n, written big-endian and left-padded to exactly the modulus length:
    // status 10 when maxLength is below it, 5 when the input (a big-endian number) is not below
    // the modulus.
    std::uint32_t (*transform)(const void* context, std::uint8_t* out, std::uint32_t* outLength,
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
    // The parameter and exponent rules, before any random bytes are drawn: status 7 modulus
    // length, 21 prime count, 4 exponent length, 3 even exponent.
    std::uint32_t (*check)(const RsaKeyGenRequest& request);
    // How many random bytes one attempt takes.
    std::uint32_t (*randomLength)(const RsaKeyGenRequest& request);
    // One attempt from those bytes: status 8 when they gave no usable key (the caller draws
    // fresh bytes and tries again), 16 out of memory, 1 cancelled.
    std::uint32_t (*attempt)(const RsaKeyGenRequest& request, const std::uint8_t* random,
                             std::uint32_t length, RsaGeneratedKey& key,
                             const SurrenderContext* surrender);
};

// What methods of algorithms still to come carry: every operation answers "not supported".
struct UnsupportedPrimitives {
    std::uint32_t (*operation)();
};
extern const UnsupportedPrimitives kUnsupportedPrimitives;

}  // namespace quillon::toolkit::methods
