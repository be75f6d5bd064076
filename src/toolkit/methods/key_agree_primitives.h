// The primitive table of key-agreement methods and the Diffie-Hellman parameter record they
// receive. Operations return method statuses (status.h).
#pragma once

#include <cstdint>

#include "toolkit/handler.h"
#include "toolkit/item.h"

namespace quillon::toolkit::methods {

// The InfoDhKeyAgree parameter record is the public DhKeyAgreeParams: prime and generator as
// big-endian bytes with their lengths, and the length of the private value in bits (at most the
// prime's bit length).
using DhKeyAgreeParams = ::DhKeyAgreeParams;

struct KeyAgreePrimitives {
    std::uint32_t contextSize;
    // Prepares the method's state (context, zeroed, contextSize bytes) for the object's stored
    // parameters. Anything else the method keeps goes into the object's memory list (MemoryAdopt
    // with a release operation for blocks that are not plain bytes).
    MethodStatus (*setup)(AlgObject* object, void* context, const DhKeyAgreeParams& parameters);
    // Draws the private value from the random object (AlgGenerateRandomBytes) and writes the
    // public value; an output maximum below the prime length is kOutputTooSmall.
    MethodStatus (*phase1)(AlgObject* object, void* context, std::uint8_t* out,
                           std::uint32_t* outLength, std::uint32_t maxLength, AlgObject* random,
                           const SurrenderContext* surrender);
    // Checks the other party's value and writes the shared secret.
    MethodStatus (*phase2)(AlgObject* object, void* context, std::uint8_t* out,
                           std::uint32_t* outLength, std::uint32_t maxLength,
                           const std::uint8_t* otherValue, std::uint32_t otherLength,
                           const SurrenderContext* surrender);
};

}  // namespace quillon::toolkit::methods
