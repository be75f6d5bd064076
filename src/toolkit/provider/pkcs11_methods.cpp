// The PKCS #11 token methods of the provider's list: one token RSA kind, signing and encryption
// on the encrypt side, verification and decryption on the decrypt side, each through the token's
// PKCS #1 v1.5 mechanism and its raw one.
#include <cstring>

#include "toolkit/provider/pkcs11_token.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {
namespace {

CK_OBJECT_CLASS KeyClassOf(TokenOperation operation) {
    return operation == TokenOperation::kSign || operation == TokenOperation::kDecrypt
               ? CKO_PRIVATE_KEY
               : CKO_PUBLIC_KEY;
}

MethodStatus Failure(Pkcs11Session& session, CK_RV answer) {
    session.lastError = answer;
    return method::kDeviceFailure;
}

// The one object of that class and label; CK_INVALID_HANDLE when the token has none.
CK_RV FindKey(Pkcs11Session& session, CK_OBJECT_CLASS keyClass, const char* label,
              CK_OBJECT_HANDLE& key) {
    CK_FUNCTION_LIST& f = *session.functions;
    CK_ATTRIBUTE pattern[] = {
        {CKA_CLASS, &keyClass, sizeof keyClass},
        {CKA_LABEL, const_cast<char*>(label), static_cast<CK_ULONG>(std::strlen(label))},
    };
    key = CK_INVALID_HANDLE;
    if (CK_RV answer = f.C_FindObjectsInit(session.session, pattern, 2); answer != CKR_OK) {
        return answer;
    }
    CK_ULONG found = 0;
    const CK_RV answer = f.C_FindObjects(session.session, &key, 1, &found);
    f.C_FindObjectsFinal(session.session);
    if (answer != CKR_OK) return answer;
    if (found == 0) key = CK_INVALID_HANDLE;
    return found == 0 ? CKR_KEY_HANDLE_INVALID : CKR_OK;
}

// Signing, encryption or decryption: init, then the one-part call.
CK_RV Transform(CK_FUNCTION_LIST& f, CK_SESSION_HANDLE session, TokenOperation operation,
                CK_MECHANISM& mechanism, CK_OBJECT_HANDLE key, const std::uint8_t* in,
                std::uint32_t inLength, std::uint8_t* out, CK_ULONG& outLength) {
    auto* data = const_cast<CK_BYTE*>(in);
    switch (operation) {
        case TokenOperation::kSign:
            if (CK_RV answer = f.C_SignInit(session, &mechanism, key); answer != CKR_OK) {
                return answer;
            }
            return f.C_Sign(session, data, inLength, out, &outLength);
        case TokenOperation::kEncrypt:
            if (CK_RV answer = f.C_EncryptInit(session, &mechanism, key); answer != CKR_OK) {
                return answer;
            }
            return f.C_Encrypt(session, data, inLength, out, &outLength);
        default:
            if (CK_RV answer = f.C_DecryptInit(session, &mechanism, key); answer != CKR_OK) {
                return answer;
            }
            return f.C_Decrypt(session, data, inLength, out, &outLength);
    }
}

// The key object keeps its own copy: the record and its four texts in one block.
Status SetKeyReference(const KeyInfoDescriptor* kind, KeyObject* key, const void* record) {
    const auto* given = static_cast<const Pkcs11KeyReference*>(record);
    if (given == nullptr || given->token.library == nullptr || given->keyLabel == nullptr) {
        return kBadParameters;
    }
    const char* const texts[] = {given->token.library, given->token.label, given->token.pin,
                                 given->keyLabel};
    std::size_t textBytes = 0;
    for (const char* text : texts) textBytes += text != nullptr ? std::strlen(text) + 1 : 0;
    auto* stored = MemoryNewWithTail<Pkcs11KeyReference>(key->memory, textBytes);
    if (stored == nullptr) return kOutOfMemory;
    auto* next = reinterpret_cast<char*>(MemoryTailOf(stored));
    const char* copies[4] = {};
    for (int i = 0; i < 4; ++i) {
        if (texts[i] == nullptr) continue;
        const std::size_t size = std::strlen(texts[i]) + 1;
        std::memcpy(next, texts[i], size);
        copies[i] = next;
        next += size;
    }
    *stored = {{copies[0], copies[1], copies[2]}, copies[3]};
    return InfoListAdd(key->memory, key->infos, kind, stored);
}

// A reference names a key outside the module; nothing held inside can become one.
Status GetKeyReference(const KeyInfoDescriptor*, KeyObject*, void**) {
    return kKeyFormUnavailable;
}

constinit const KeyInfoDescriptor kKeyReference = {SetKeyReference, GetKeyReference};

constexpr TokenRsaPrimitives kSign = {TokenOperation::kSign, CKM_RSA_PKCS};
constexpr TokenRsaPrimitives kVerify = {TokenOperation::kVerify, CKM_RSA_PKCS};
constexpr TokenRsaPrimitives kEncrypt = {TokenOperation::kEncrypt, CKM_RSA_PKCS};
constexpr TokenRsaPrimitives kDecrypt = {TokenOperation::kDecrypt, CKM_RSA_PKCS};
constexpr TokenRsaPrimitives kRawSign = {TokenOperation::kSign, CKM_RSA_X_509};
constexpr TokenRsaPrimitives kRawVerify = {TokenOperation::kVerify, CKM_RSA_X_509};
constexpr TokenRsaPrimitives kRawEncrypt = {TokenOperation::kEncrypt, CKM_RSA_X_509};
constexpr TokenRsaPrimitives kRawDecrypt = {TokenOperation::kDecrypt, CKM_RSA_X_509};

}  // namespace

std::int32_t KeyInfoPkcs11Key(const void** descriptor) {
    *descriptor = &kKeyReference;
    return kKeyInfoCode;
}

MethodStatus Pkcs11Run(Pkcs11Session& session, const TokenRsaPrimitives& method,
                       const char* keyLabel, const std::uint8_t* in, std::uint32_t inLength,
                       std::uint8_t* out, std::uint32_t* outLength, std::uint32_t maxLength,
                       bool* valid) {
    if (!session.open) return Failure(session, CKR_SESSION_HANDLE_INVALID);
    CK_FUNCTION_LIST& f = *session.functions;
    CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
    if (CK_RV answer = FindKey(session, KeyClassOf(method.operation), keyLabel, key);
        answer != CKR_OK) {
        return Failure(session, answer);
    }
    CK_MECHANISM mechanism = {method.mechanism, nullptr, 0};
    if (method.operation == TokenOperation::kVerify) {
        if (CK_RV answer = f.C_VerifyInit(session.session, &mechanism, key); answer != CKR_OK) {
            return Failure(session, answer);
        }
        const CK_RV answer =
            f.C_Verify(session.session, const_cast<CK_BYTE*>(in), inLength, out, *outLength);
        *valid = answer == CKR_OK;
        // A signature that does not verify is an answer, not a failure of the token.
        if (answer == CKR_OK || answer == CKR_SIGNATURE_INVALID ||
            answer == CKR_SIGNATURE_LEN_RANGE) {
            return method::kOk;
        }
        return Failure(session, answer);
    }
    CK_ULONG length = maxLength;
    if (CK_RV answer = Transform(f, session.session, method.operation, mechanism, key, in, inLength,
                                 out, length);
        answer != CKR_OK) {
        return Failure(session, answer);
    }
    *outLength = static_cast<std::uint32_t>(length);
    return method::kOk;
}

constinit const Method kPkcs11SignMethod = {InfoTokenRsa, kEncryptSide, KeyInfoPkcs11Key, &kSign};
constinit const Method kPkcs11VerifyMethod = {InfoTokenRsa, kDecryptSide, KeyInfoPkcs11Key,
                                              &kVerify};
constinit const Method kPkcs11EncryptMethod = {InfoTokenRsa, kEncryptSide, KeyInfoPkcs11Key,
                                               &kEncrypt};
constinit const Method kPkcs11DecryptMethod = {InfoTokenRsa, kDecryptSide, KeyInfoPkcs11Key,
                                               &kDecrypt};
constinit const Method kPkcs11RawSignMethod = {InfoTokenRsa, kEncryptSide, KeyInfoPkcs11Key,
                                               &kRawSign};
constinit const Method kPkcs11RawVerifyMethod = {InfoTokenRsa, kDecryptSide, KeyInfoPkcs11Key,
                                                 &kRawVerify};
constinit const Method kPkcs11RawEncryptMethod = {InfoTokenRsa, kEncryptSide, KeyInfoPkcs11Key,
                                                  &kRawEncrypt};
constinit const Method kPkcs11RawDecryptMethod = {InfoTokenRsa, kDecryptSide, KeyInfoPkcs11Key,
                                                  &kRawDecrypt};

}  // namespace quillon::toolkit::provider
