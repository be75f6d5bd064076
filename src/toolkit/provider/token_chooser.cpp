#include "toolkit/provider/token_chooser.h"

#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

namespace quillon::toolkit::provider {
namespace {

constexpr char kSoftwareOnly[] = "SoftwareOnly";

const TokenMethod* TokenFor(const Method* method, const TokenMethod* const* tokens,
                            std::size_t tokenCount) {
    for (std::size_t i = 0; i < tokenCount; ++i) {
        if (tokens[i]->method == method) return tokens[i];
    }
    return nullptr;
}

}  // namespace

Status TokenChooserBuild(const Method* const* methods, std::size_t count,
                         const TokenMethod* const* tokens, std::size_t tokenCount,
                         TokenChooser** chooser) {
    *chooser = nullptr;
    if (count > kMaxChooserMethods || tokenCount > kMaxChooserTokens) return kBadParameters;
    auto* built = support::New<TokenChooser>();
    if (built == nullptr) return kOutOfMemory;
    std::size_t used = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const TokenMethod* token = TokenFor(methods[i], tokens, tokenCount);
        if (token == nullptr) {
            built->entries[used++] = methods[i];
            continue;
        }
        void* session = nullptr;
        const MethodStatus status = token->open(&session);
        if (status == method::kOutOfMemory) {
            TokenChooserRelease(&built);
            return kOutOfMemory;
        }
        if (status != method::kOk) continue;  // the token takes no part
        TokenSession& opened = built->sessions[built->sessionCount++];
        opened.method = *token->method;
        opened.method.primitives = session;
        opened.token = token;
        opened.session = session;
        built->entries[used++] = &opened.method;
    }
    *chooser = built;
    return kOk;
}

void TokenChooserRelease(TokenChooser** chooser) {
    TokenChooser* built = *chooser;
    if (built == nullptr) return;
    for (std::uint32_t i = built->sessionCount; i-- > 0;) {
        built->sessions[i].token->close(built->sessions[i].session);
    }
    support::WipeAndRelease(built, sizeof *built);
    *chooser = nullptr;
}

const char* TokenChooserName(const TokenChooser& chooser) {
    return chooser.sessionCount != 0 ? chooser.sessions[0].token->name : kSoftwareOnly;
}

}  // namespace quillon::toolkit::provider
