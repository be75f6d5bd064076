// Feeding query results to a poll sink as 4-byte items, as the Windows polls do: handles and
// other pointer-sized results contribute their low 32 bits.
#pragma once

#include <cstdint>

#include "platform/entropy.h"

namespace quillon::platform {

template <typename Value>
void Feed4(PollSink sink, void* context, Value value) {
    const auto word = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
    sink(context, &word, 4);
}

inline void Feed4(PollSink sink, void* context, std::uint32_t word) {
    sink(context, &word, 4);
}

}  // namespace quillon::platform
