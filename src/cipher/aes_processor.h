// What the processor (and the system's saving of its registers) offers the AES engines, asked
// with CPUID. False everywhere but on x86.
#pragma once

namespace quillon::cipher {

// AESENC and friends on 128-bit registers, with SSE2.
[[nodiscard]] bool ProcessorHasAesInstructions();

// VAES on 256-bit registers with AVX2, and a system that saves the 256-bit registers.
[[nodiscard]] bool ProcessorHasVectorAes();

}  // namespace quillon::cipher
