// The PKCS #11 token methods against a real token: SoftHSM, with two tokens initialised in a
// temporary directory by the test and an OpenSSL key imported into the first, so every token
// operation is checked against OpenSSL.
#include "toolkit/provider/pkcs11_token.h"

#include <gtest/gtest.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/openssl_rsa.h"
#include "common/status_printer.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

constexpr char kFirstLabel[] = "Quillon Test";
constexpr char kSecondLabel[] = "Quillon";
constexpr char kPin[] = "1234";
constexpr char kKeyLabel[] = "vpn-key";

std::string SoftHsmLibrary() {
    for (const char* path :
         {"/usr/lib/softhsm/libsofthsm2.so", "/usr/lib/x86_64-linux-gnu/softhsm/libsofthsm2.so"}) {
        if (fs::exists(path)) return path;
    }
    return {};
}

const test::OpensslRsaKey& Key() {
    return test::OpensslKey(1024);
}

class Pkcs11TokenTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        library = SoftHsmLibrary();
        ASSERT_FALSE(library.empty()) << "SoftHSM is missing: run scripts/setup.sh";
        char pattern[] = "/tmp/quillon-softhsm-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        fs::create_directory(directory / "tokens");
        const fs::path config = directory / "softhsm2.conf";
        FILE* file = std::fopen(config.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fprintf(file,
                     "directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n",
                     (directory / "tokens").c_str());
        std::fclose(file);
        setenv("SOFTHSM2_CONF", config.c_str(), 1);

        const fs::path pem = directory / "key.pem";
        file = std::fopen(pem.c_str(), "w");
        ASSERT_NE(file, nullptr);
        PEM_write(file, "PRIVATE KEY", "", Key().pkcs8.data(),
                  static_cast<long>(Key().pkcs8.size()));
        std::fclose(file);
        const std::string quiet = " > /dev/null 2>&1";
        for (const char* label : {kFirstLabel, kSecondLabel}) {
            const std::string init = std::string("softhsm2-util --init-token --free --label '") +
                                     label + "' --so-pin 5678 --pin " + kPin + quiet;
            ASSERT_EQ(std::system(init.c_str()), 0) << init;
        }
        const std::string import = "softhsm2-util --import " + pem.string() + " --token '" +
                                   kFirstLabel + "' --label " + kKeyLabel + " --id 01 --pin " +
                                   kPin + quiet;
        ASSERT_EQ(std::system(import.c_str()), 0) << import;
    }

    static void TearDownTestSuite() {
        std::error_code ignored;
        if (!directory.empty()) fs::remove_all(directory, ignored);
        unsetenv("SOFTHSM2_CONF");
    }

    Pkcs11TokenConfig Config(const char* label = kFirstLabel, const char* pin = kPin) const {
        return {library.c_str(), label, pin};
    }

    static std::string TokenLabel(const Pkcs11Session& session) {
        CK_TOKEN_INFO info{};
        EXPECT_EQ(session.functions->C_GetTokenInfo(session.slot, &info), CKR_OK);
        std::string label(reinterpret_cast<const char*>(info.label), 32);
        return label.substr(0, label.find_last_not_of(' ') + 1);
    }

    static inline std::string library;
    static inline fs::path directory;
};

// Closes the session at the end of a scope.
struct OpenSession {
    Pkcs11Session session{};
    Status status;
    explicit OpenSession(const Pkcs11TokenConfig& config)
        : status(Pkcs11OpenSession(config, session)) {}
    ~OpenSession() { Pkcs11CloseSession(session); }
    OpenSession(const OpenSession&) = delete;
    OpenSession& operator=(const OpenSession&) = delete;
};

TEST_F(Pkcs11TokenTest, ChoosesTheTokenByLabel) {
    struct Case {
        const char* label;
        Status status;
        const char* chosen;
    } const cases[] = {
        {nullptr, kOk, nullptr},  // the first slot's token, whichever that is
        {kFirstLabel, kOk, kFirstLabel},
        // "Quillon" starts "Quillon Test" too, but a 'T' is no padding: the second token fits.
        {kSecondLabel, kOk, kSecondLabel},
        {"Quillon T", kDeviceFailure, nullptr},
        {"Other", kDeviceFailure, nullptr},
        {"Quillon Test and a label over 32 bytes", kDeviceFailure, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label != nullptr ? c.label : "(none)");
        OpenSession open(Config(c.label));
        EXPECT_EQ(open.status, c.status);
        if (c.status == kOk && c.chosen != nullptr) {
            EXPECT_EQ(TokenLabel(open.session), c.chosen);
        } else if (c.status == kOk) {
            CK_SLOT_ID slots[4];
            CK_ULONG count = 4;
            ASSERT_EQ(open.session.functions->C_GetSlotList(CK_TRUE, slots, &count), CKR_OK);
            // SoftHSM also lists its free token, which cannot open a session: the walk goes on.
            CK_ULONG first = 0;
            CK_TOKEN_INFO info{};
            while (first < count &&
                   (open.session.functions->C_GetTokenInfo(slots[first], &info) != CKR_OK ||
                    (info.flags & CKF_TOKEN_INITIALIZED) == 0)) {
                ++first;
            }
            ASSERT_LT(first, count);
            EXPECT_EQ(open.session.slot, slots[first]);
        } else {
            EXPECT_EQ(open.session.functions, nullptr);  // nothing left open
        }
    }
}

TEST_F(Pkcs11TokenTest, LabelPaddingRule) {
    struct Case {
        const char* label;
        const char* token;  // 32 bytes follow, padded with the pad byte
        std::uint8_t pad;
        std::uint8_t after;  // placed right behind the token text
        bool matches;
    } const cases[] = {
        {"vpn", "vpn", ' ', ' ', true},   {"vpn", "vpn", 0x00, 0x00, true},
        {"vpn", "vpn", ' ', 0x80, true},  {"vpn", "vpn", ' ', 0xFF, true},
        {"vpn", "vpn", ' ', 0x7F, false}, {"vpn", "vpn", ' ', 'x', false},
        {"vpn", "vpn", ' ', 0x21, false}, {"vp", "vpn", ' ', ' ', false},
        {"", "", ' ', ' ', true},         {"vpn", "VPN", ' ', ' ', false},
    };
    for (const Case& c : cases) {
        CK_UTF8CHAR token[32];
        std::memset(token, c.pad, sizeof token);
        std::memcpy(token, c.token, std::strlen(c.token));
        token[std::strlen(c.token)] = c.after;
        EXPECT_EQ(Pkcs11LabelMatches(c.label, token), c.matches)
            << c.label << " / " << c.token << " + " << int{c.after};
    }
}

TEST_F(Pkcs11TokenTest, LibraryAndLoginFailures) {
    struct Case {
        const char* name;
        Pkcs11TokenConfig config;
        CK_RV lastError;
    } const cases[] = {
        {"no such library", {"/nonexistent/libtoken.so", nullptr, kPin}, CKR_GENERAL_ERROR},
        {"library without C_GetFunctionList", {"libc.so.6", nullptr, kPin}, CKR_GENERAL_ERROR},
        {"no library named", {nullptr, nullptr, kPin}, CKR_OK},
        {"wrong PIN", Config(kFirstLabel, "9999"), CKR_PIN_INCORRECT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenSession open(c.config);
        EXPECT_EQ(open.status, kDeviceFailure);
        EXPECT_EQ(open.session.lastError, c.lastError);
        EXPECT_FALSE(open.session.open);
    }
    OpenSession good(Config());  // a failed open leaves nothing behind
    EXPECT_EQ(good.status, kOk);
}

TEST_F(Pkcs11TokenTest, AcceptsAlreadyInitialisedAndLoggedIn) {
    OpenSession first(Config());
    ASSERT_EQ(first.status, kOk);
    EXPECT_TRUE(first.session.initialized);
    {
        OpenSession second(Config());
        ASSERT_EQ(second.status, kOk);
        EXPECT_FALSE(second.session.initialized);  // the library answered "already initialised"
        CK_SESSION_INFO info{};
        ASSERT_EQ(second.session.functions->C_GetSessionInfo(second.session.session, &info),
                  CKR_OK);
        EXPECT_EQ(info.state, CKS_RW_USER_FUNCTIONS);
    }
    // Closing the second left the library and the first session working.
    Bytes hash(20, 5), signature(128);
    std::uint32_t length = 0;
    EXPECT_EQ(Pkcs11Run(first.session,
                        *static_cast<const TokenRsaPrimitives*>(kPkcs11SignMethod.primitives),
                        kKeyLabel, hash.data(), 20, signature.data(), &length, 128, nullptr),
              method::kOk);
}

const TokenRsaPrimitives& Primitives(const Method& method) {
    return *static_cast<const TokenRsaPrimitives*>(method.primitives);
}

TEST_F(Pkcs11TokenTest, OperationsAgreeWithOpenssl) {
    OpenSession open(Config());
    ASSERT_EQ(open.status, kOk);
    RSA* rsa = Key().rsa;
    Bytes hash(20);
    SHA1(reinterpret_cast<const std::uint8_t*>("token"), 5, hash.data());
    const std::uint8_t kSha1Info[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E,
                                      0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
    Bytes digestInfo(kSha1Info, kSha1Info + sizeof kSha1Info);
    digestInfo.insert(digestInfo.end(), hash.begin(), hash.end());
    Bytes out(128);
    std::uint32_t length = 0;

    // Signing with the PKCS #1 mechanism.
    ASSERT_EQ(Pkcs11Run(open.session, Primitives(kPkcs11SignMethod), kKeyLabel, digestInfo.data(),
                        35, out.data(), &length, 128, nullptr),
              method::kOk);
    ASSERT_EQ(length, 128u);
    EXPECT_EQ(RSA_verify(NID_sha1, hash.data(), 20, out.data(), 128, rsa), 1);

    // Raw signing: the block to the private exponent.
    Bytes block(128);
    RAND_bytes(block.data(), 128);
    block[0] = 0x00;
    Bytes expected(128);
    ASSERT_EQ(RSA_private_encrypt(128, block.data(), expected.data(), rsa, RSA_NO_PADDING), 128);
    ASSERT_EQ(Pkcs11Run(open.session, Primitives(kPkcs11RawSignMethod), kKeyLabel, block.data(),
                        128, out.data(), &length, 128, nullptr),
              method::kOk);
    EXPECT_EQ(out, expected);

    // Encryption by the token, decryption by OpenSSL, and the other way round.
    const Bytes secret = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_EQ(Pkcs11Run(open.session, Primitives(kPkcs11EncryptMethod), kKeyLabel, secret.data(),
                        16, out.data(), &length, 128, nullptr),
              method::kOk);
    Bytes plain(128);
    ASSERT_EQ(RSA_private_decrypt(128, out.data(), plain.data(), rsa, RSA_PKCS1_PADDING), 16);
    plain.resize(16);
    EXPECT_EQ(plain, secret);
    Bytes ciphertext(128);
    ASSERT_EQ(RSA_public_encrypt(16, secret.data(), ciphertext.data(), rsa, RSA_PKCS1_PADDING),
              128);
    ASSERT_EQ(Pkcs11Run(open.session, Primitives(kPkcs11DecryptMethod), kKeyLabel,
                        ciphertext.data(), 128, out.data(), &length, 128, nullptr),
              method::kOk);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + length), secret);
    // Raw decryption: the block to the public exponent comes back as it was.
    ASSERT_EQ(RSA_public_encrypt(128, block.data(), ciphertext.data(), rsa, RSA_NO_PADDING), 128);
    ASSERT_EQ(Pkcs11Run(open.session, Primitives(kPkcs11RawDecryptMethod), kKeyLabel,
                        ciphertext.data(), 128, out.data(), &length, 128, nullptr),
              method::kOk);
    EXPECT_EQ(out, block);
}

TEST_F(Pkcs11TokenTest, FailedVerificationIsAnAnswer) {
    OpenSession open(Config());
    ASSERT_EQ(open.status, kOk);
    Bytes hash(20, 0x42);
    Bytes signature(128);
    unsigned signatureLength = 0;
    ASSERT_EQ(RSA_sign(NID_sha1, hash.data(), 20, signature.data(), &signatureLength, Key().rsa),
              1);
    const std::uint8_t kSha1Info[] = {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E,
                                      0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14};
    Bytes digestInfo(kSha1Info, kSha1Info + sizeof kSha1Info);
    digestInfo.insert(digestInfo.end(), hash.begin(), hash.end());
    struct Case {
        const char* name;
        std::size_t flip;      // byte of the signature to change, or 128 for none
        std::uint32_t length;  // signature length given
        bool valid;
    } const cases[] = {
        {"valid signature", 128, 128, true},
        {"one bit changed", 77, 128, false},
        {"one byte short", 128, 127, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes given = signature;
        if (c.flip < 128) given[c.flip] ^= 0x01;
        std::uint32_t length = c.length;
        bool valid = !c.valid;
        EXPECT_EQ(Pkcs11Run(open.session, Primitives(kPkcs11VerifyMethod), kKeyLabel,
                            digestInfo.data(), 35, given.data(), &length, 128, &valid),
                  method::kOk);
        EXPECT_EQ(valid, c.valid);
    }
}

TEST_F(Pkcs11TokenTest, OtherTokenFailuresAre0x20B) {
    OpenSession open(Config());
    ASSERT_EQ(open.status, kOk);
    Bytes in(20, 1), out(128);
    std::uint32_t length = 0;
    // No key of that label.
    EXPECT_EQ(Pkcs11Run(open.session, Primitives(kPkcs11SignMethod), "no-such-key", in.data(), 20,
                        out.data(), &length, 128, nullptr),
              method::kDeviceFailure);
    // Output buffer too small for the signature.
    EXPECT_EQ(Pkcs11Run(open.session, Primitives(kPkcs11SignMethod), kKeyLabel, in.data(), 20,
                        out.data(), &length, 64, nullptr),
              method::kDeviceFailure);
    EXPECT_EQ(open.session.lastError, CKR_BUFFER_TOO_SMALL);
    EXPECT_EQ(TranslateMethodStatus(method::kDeviceFailure), kDeviceFailure);
    // A session that is not open.
    Pkcs11Session closed{};
    EXPECT_EQ(Pkcs11Run(closed, Primitives(kPkcs11SignMethod), kKeyLabel, in.data(), 20, out.data(),
                        &length, 128, nullptr),
              method::kDeviceFailure);
}

TEST_F(Pkcs11TokenTest, KeyReferenceIsCopiedIntoTheKey) {
    std::string path = library, label = kFirstLabel, pin = kPin, keyLabel = kKeyLabel;
    const Pkcs11KeyReference given{{path.c_str(), label.c_str(), pin.c_str()}, keyLabel.c_str()};
    KeyObject* key = nullptr;
    ASSERT_EQ(KeyCreate(&key), kOk);
    ASSERT_EQ(KeySetInfo(key, KeyInfoPkcs11Key, &given), kOk);
    path.assign(path.size(), 'x');
    keyLabel.assign(keyLabel.size(), 'x');
    void* stored = nullptr;
    ASSERT_EQ(KeyGetInfo(&stored, key, KeyInfoPkcs11Key), kOk);
    const auto& reference = *static_cast<Pkcs11KeyReference*>(stored);
    EXPECT_EQ(reference.token.library, library);
    EXPECT_STREQ(reference.token.label, kFirstLabel);
    EXPECT_STREQ(reference.token.pin, kPin);
    EXPECT_STREQ(reference.keyLabel, kKeyLabel);
    (void)KeyDestroy(&key);
    // The eight methods ask for this form.
    for (std::size_t i = 22; i < 30; ++i)
        EXPECT_EQ(kProviderMethods[i]->keyForm, &KeyInfoPkcs11Key);
}

}  // namespace
}  // namespace quillon::toolkit::provider
