// Choosers with token methods: methods that need a session (a loaded library, an opened device)
// before they can take part. A chooser built from a method list and a token method list opens a
// session for every token method of the list; a token that cannot open takes no part, and the
// chooser holds the other methods in their order. Releasing the chooser closes the sessions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/toolkit.h"

namespace quillon::toolkit::provider {

// A token method of a list: the method it opens a session for, its name and its session
// operations. open writes a session block (owned by the token until close) and returns a method
// status: 0 takes part; 16 (out of memory) fails the whole chooser; anything else, 9 (not
// supported) above all, leaves the method out. The chooser entry is a copy of the method whose
// primitives point at the session block (so a handler's bind reaches the session through the
// method it is given); the listed method points at a session that never opened, which every
// bind refuses.
struct TokenMethod {
    const Method* method;
    const char* name;
    MethodStatus (*open)(void** session);
    void (*close)(void* session);
};

// One opened token method of a chooser.
struct TokenSession {
    Method method;  // the chooser's entry
    const TokenMethod* token;
    void* session;
};

inline constexpr std::size_t kMaxChooserMethods = 32;
inline constexpr std::size_t kMaxChooserTokens = 4;

// A built chooser and its sessions (the provider's "session data").
struct TokenChooser {
    const Method* entries[kMaxChooserMethods + 1];  // null-ended
    TokenSession sessions[kMaxChooserTokens];
    std::uint32_t sessionCount;
};

// Builds a chooser from count methods and tokenCount token methods (each naming a method of the
// list). kOutOfMemory when out of memory (nothing is left open), else 0 and *chooser.
[[nodiscard]] Status TokenChooserBuild(const Method* const* methods, std::size_t count,
                                       const TokenMethod* const* tokens, std::size_t tokenCount,
                                       TokenChooser** chooser);

// Closes every session, frees the chooser and clears the variable; null is ignored.
void TokenChooserRelease(TokenChooser** chooser);

// The name of the chooser's session: the first token method that took part, else
// "SoftwareOnly".
[[nodiscard]] const char* TokenChooserName(const TokenChooser& chooser);

// The session block of a token method's chooser entry (its primitives), or null for a method
// that is not a chooser entry of an opened token.
[[nodiscard]] inline void* TokenSessionOf(const Method* method) {
    return const_cast<void*>(method->primitives);
}

}  // namespace quillon::toolkit::provider
