#include "toolkit/provider/pkcs11_session.h"

#include <cstring>

#include "support/checked_alloc.h"

namespace quillon::toolkit::provider {
namespace {

constexpr CK_FLAGS kSessionFlags = CKF_SERIAL_SESSION | CKF_RW_SESSION;

bool InUserState(CK_STATE state) {
    return state == CKS_RO_USER_FUNCTIONS || state == CKS_RW_USER_FUNCTIONS;
}

Status TokenFailure(Pkcs11Session& session, CK_RV answer) {
    session.lastError = answer;
    Pkcs11CloseSession(session);
    return kDeviceFailure;
}

// Opens a session on the slot and logs the user in when the token wants it. False (nothing left
// open) when the session cannot be opened or described; a refused login is a token failure.
bool OpenOnSlot(const Pkcs11TokenConfig& config, Pkcs11Session& session, CK_SLOT_ID slot,
                const CK_TOKEN_INFO& token, CK_RV& loginAnswer) {
    CK_FUNCTION_LIST& f = *session.functions;
    CK_SESSION_HANDLE handle = CK_INVALID_HANDLE;
    if (CK_RV answer = f.C_OpenSession(slot, kSessionFlags, nullptr, nullptr, &handle);
        answer != CKR_OK) {
        session.lastError = answer;
        return false;
    }
    CK_SESSION_INFO info{};
    if (CK_RV answer = f.C_GetSessionInfo(handle, &info); answer != CKR_OK) {
        session.lastError = answer;
        f.C_CloseSession(handle);
        return false;
    }
    session.slot = slot;
    session.session = handle;
    session.open = true;
    loginAnswer = CKR_OK;
    if ((token.flags & CKF_LOGIN_REQUIRED) != 0 && !InUserState(info.state)) {
        auto* pin = reinterpret_cast<CK_UTF8CHAR*>(const_cast<char*>(config.pin));
        const CK_ULONG pinLength = config.pin != nullptr ? std::strlen(config.pin) : 0;
        loginAnswer = f.C_Login(handle, CKU_USER, pin, pinLength);
        if (loginAnswer == CKR_USER_ALREADY_LOGGED_IN) loginAnswer = CKR_OK;
    }
    return true;
}

}  // namespace

bool Pkcs11LabelMatches(const char* label, const CK_UTF8CHAR (&tokenLabel)[32]) {
    const std::size_t length = std::strlen(label);
    if (length > sizeof tokenLabel || std::memcmp(label, tokenLabel, length) != 0) return false;
    for (std::size_t i = length; i < sizeof tokenLabel; ++i) {
        if (tokenLabel[i] > 0x20 && tokenLabel[i] <= 0x7F) return false;
    }
    return true;
}

Status Pkcs11OpenSession(const Pkcs11TokenConfig& config, Pkcs11Session& session) {
    session = {};
    session.session = CK_INVALID_HANDLE;
    if (config.library == nullptr) return kDeviceFailure;
    session.library = platform::LoadDynamicLibrary(config.library);
    const auto getFunctionList = reinterpret_cast<CK_C_GetFunctionList>(
        platform::LibrarySymbol(session.library, "C_GetFunctionList"));
    if (getFunctionList == nullptr) return TokenFailure(session, CKR_GENERAL_ERROR);
    if (CK_RV answer = getFunctionList(&session.functions);
        answer != CKR_OK || session.functions == nullptr) {
        session.functions = nullptr;
        return TokenFailure(session, answer != CKR_OK ? answer : CKR_GENERAL_ERROR);
    }
    CK_FUNCTION_LIST& f = *session.functions;
    const CK_RV initialized = f.C_Initialize(nullptr);
    if (initialized != CKR_OK && initialized != CKR_CRYPTOKI_ALREADY_INITIALIZED) {
        return TokenFailure(session, initialized);
    }
    session.initialized = initialized == CKR_OK;

    CK_ULONG count = 0;
    if (CK_RV answer = f.C_GetSlotList(CK_TRUE, nullptr, &count); answer != CKR_OK) {
        return TokenFailure(session, answer);
    }
    auto* slots = support::NewArray<CK_SLOT_ID>(count + 1);
    if (slots == nullptr) {
        Pkcs11CloseSession(session);
        return kOutOfMemory;
    }
    CK_RV answer = f.C_GetSlotList(CK_TRUE, slots, &count);
    CK_RV loginAnswer = CKR_TOKEN_NOT_PRESENT;
    for (CK_ULONG i = 0; answer == CKR_OK && i < count && !session.open; ++i) {
        CK_TOKEN_INFO token{};
        if (f.C_GetTokenInfo(slots[i], &token) != CKR_OK) continue;
        if (config.label != nullptr && !Pkcs11LabelMatches(config.label, token.label)) continue;
        (void)OpenOnSlot(config, session, slots[i], token, loginAnswer);
    }
    support::Release(slots);
    if (answer != CKR_OK) return TokenFailure(session, answer);
    if (!session.open)
        return TokenFailure(session, session.lastError ? session.lastError : CKR_TOKEN_NOT_PRESENT);
    if (loginAnswer != CKR_OK) return TokenFailure(session, loginAnswer);
    return kOk;
}

void Pkcs11CloseSession(Pkcs11Session& session) {
    if (session.functions != nullptr) {
        if (session.open) session.functions->C_CloseSession(session.session);
        if (session.initialized) session.functions->C_Finalize(nullptr);
    }
    platform::FreeDynamicLibrary(session.library);
    const CK_RV lastError = session.lastError;
    session = {};
    session.session = CK_INVALID_HANDLE;
    session.lastError = lastError;
}

}  // namespace quillon::toolkit::provider
