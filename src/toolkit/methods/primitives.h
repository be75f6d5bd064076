// The primitive tables of the method families. A Method (handler.h) points at one of these; the
// handler that binds the method knows which shape to expect from the kind it asked for.
// Operations that can fail return a method status (status.h, namespace method).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::toolkit {

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

// What methods of algorithms still to come carry: every operation answers "not supported".
struct UnsupportedPrimitives {
    std::uint32_t (*operation)();
};
extern const UnsupportedPrimitives kUnsupportedPrimitives;

}  // namespace quillon::toolkit
