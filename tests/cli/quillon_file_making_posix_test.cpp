// The commands that make the files the module reads, run as a user runs them: profiles read back
// by the module's profile readers, key files by the raw RSA envelope.
#include <openssl/bio.h>
#include <openssl/pem.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/command_run.h"
#include "common/openssl_certificates.h"
#include "common/openssl_rsa.h"
#include "common/temporary_directory.h"
#include "common/vector_file.h"
#include "quillon.h"

namespace quillon::test {
namespace {

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string PemOf(int (*write)(BIO*, void*), void* object) {
    BIO* bio = BIO_new(BIO_s_mem());
    write(bio, object);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return pem;
}

std::string PrivateKeyPem(RSA* rsa, bool pkcs1) {
    if (pkcs1) {
        return PemOf(
            [](BIO* bio, void* key) {
                return PEM_write_bio_RSAPrivateKey(bio, static_cast<RSA*>(key), nullptr, nullptr, 0,
                                                   nullptr, nullptr);
            },
            rsa);
    }
    EVP_PKEY* pkey = EVP_PKEY_new();
    RSA_up_ref(rsa);
    EVP_PKEY_assign_RSA(pkey, rsa);
    const std::string pem = PemOf(
        [](BIO* bio, void* key) {
            return PEM_write_bio_PrivateKey(bio, static_cast<EVP_PKEY*>(key), nullptr, nullptr, 0,
                                            nullptr, nullptr);
        },
        pkey);
    EVP_PKEY_free(pkey);
    return pem;
}

std::string CertificatePem(const Bytes& der) {
    const unsigned char* at = der.data();
    X509* certificate = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    const std::string pem = PemOf(
        [](BIO* bio, void* cert) { return PEM_write_bio_X509(bio, static_cast<X509*>(cert)); },
        certificate);
    X509_free(certificate);
    return pem;
}

Bytes MakeCertificateNamed(const std::string& name) {
    CertRecipe recipe;
    recipe.subject = {{"CN", V_ASN1_UTF8STRING, name}};
    return MakeCertificate(recipe);
}

// What a profile reader gives back, or the status as the only byte when it fails.
Bytes ReadItem(decltype(&ProfileGetSignatureCertificate) reader, const std::string& path,
               const std::string& password) {
    std::uint8_t* buffer = nullptr;
    const std::int32_t length = reader(&buffer, path.c_str(), password.c_str());
    if (length <= 0) return Bytes{static_cast<std::uint8_t>(-length)};
    Bytes item(buffer, buffer + length);
    ProfileFreeBuffer(buffer);
    return item;
}

int ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

class FileMaking : public ::testing::Test {
  protected:
    TemporaryDirectory directory_;
};

TEST_F(FileMaking, AProfileOfEveryItemReadsBackThroughTheModule) {
    const OpensslRsaKey& key2048 = OpensslKey(2048);
    const OpensslRsaKey& key1024 = OpensslKey(1024);
    const Bytes signCert = MakeCertificateNamed("Signer");
    const Bytes caOne = MakeCertificateNamed("Root One"), caTwo = MakeCertificateNamed("Root Two");
    const std::string files[] = {
        directory_.Write("sign.pem", CertificatePem(signCert)),
        directory_.Write("sign-key.pem", PrivateKeyPem(key2048.rsa, false)),
        directory_.Write("ca.pem", CertificatePem(caOne) + CertificatePem(caTwo)),
        directory_.Write("key1.der", AsText(key1024.pkcs8)),
        directory_.Write("key2.pem", PrivateKeyPem(key1024.rsa, true)),
    };
    Bytes ca = caOne;
    ca.insert(ca.end(), caTwo.begin(), caTwo.end());
    const struct {
        decltype(&ProfileGetSignatureCertificate) reader;
        const Bytes& payload;
    } items[] = {{ProfileGetSignatureCertificate, signCert},
                 {ProfileGetSignatureKey, key2048.pkcs8},
                 {ProfileGetCaCertificates, ca},
                 {ProfileGetPrivateKey1, key1024.pkcs8},
                 {ProfileGetPrivateKey2, key1024.pkcs8}};

    const std::string password = "two words \xC3\xA4\xE2\x82\xAC";
    const struct {
        std::vector<std::string> options;
        std::string passwordInput;  // standard input
    } cases[] = {
        {{"--protection", "40", "--hash-count", "1", "--salt", "given salt"}, ""},
        {{"--protection", "64", "--hash-count", "1000"}, ""},
        {{"--password-file", "-"}, password + "\r\nsecond line\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options));
        const std::string out = directory_.PathOf("profile.ini");
        std::remove(out.c_str());
        std::vector<std::string> arguments = {
            "profile",   "create", out,      "--sign-cert", files[0], "--sign-key", files[1],
            "--ca-cert", files[2], "--key1", files[3],      "--key2", files[4]};
        if (c.passwordInput.empty()) {
            arguments.push_back("--password-file");
            arguments.push_back(directory_.Write("password.txt", password + "\n"));
        }
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const CommandResult run = Quillon(directory_, arguments, c.passwordInput);
        ASSERT_EQ(run.exit, 0) << run.err;
        EXPECT_EQ(ModeOf(out), 0600);
        for (const auto& item : items) {
            EXPECT_EQ(ReadItem(item.reader, out, password), item.payload);
        }
        const std::string text = Slurp(out);
        const std::size_t salt = text.find("SaltValue=");
        ASSERT_NE(salt, std::string::npos);
        const std::string saltValue = text.substr(salt + 10, text.find('\n', salt) - salt - 10);
        if (c.options.size() > 4) {
            EXPECT_EQ(saltValue, "given salt");
        } else {
            EXPECT_EQ(saltValue.size(), 16u);
            for (const char ch : saltValue)
                EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch)));
        }
        const CommandResult listed = Quillon(directory_, {"profile", out, password});
        EXPECT_EQ(listed.exit, 0) << listed.out;
        EXPECT_EQ(listed.out.find("not read"), std::string::npos) << listed.out;
    }
}

TEST_F(FileMaking, WhatCannotBeReadBackIsNeverWritten) {
    const std::string bigKey =
        directory_.Write("big.pem", PrivateKeyPem(OpensslKey(4096).rsa, false));
    const std::string key = directory_.Write("key.pem", PrivateKeyPem(OpensslKey(1024).rsa, false));
    const std::string text = directory_.Write("text.pem", "not a key\n");
    const std::string password = directory_.Write("password.txt", "pw\n");
    const std::string out = directory_.PathOf("never.ini");
    const struct {
        std::vector<std::string> arguments;
        int exit;
        std::string message;
    } cases[] = {
        {{"--key1", bigKey}, 1, "too large for a profile item"},
        {{"--key1", text}, 1, "not an RSA private key"},
        {{"--key1", directory_.PathOf("missing.pem")}, 1, "No such file"},
        {{}, 2, "no item"},
        {{"--key1", key, "--protection", "44"}, 2, "--protection takes 40 to 128"},
        {{"--key1", key, "--hash-count", "0"}, 2, "--hash-count takes 1 to 1000000"},
        {{"--key1", key, "--salt", "line\nbreak"}, 1, "the salt must be"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> arguments = {"profile", "create", out, "--password-file",
                                              password};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CommandResult run = Quillon(directory_, arguments);
        EXPECT_EQ(run.exit, c.exit);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(ModeOf(out), -1) << "written";
    }
    // Not at a terminal and no password file: nothing to ask.
    const CommandResult run = Quillon(directory_, {"profile", "create", out, "--key1", key});
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("no password"), std::string::npos) << run.err;
}

TEST_F(FileMaking, AKeyFileOfTwoKeysServesTheEnvelope) {
    const OpensslRsaKey& first = OpensslKey(1024);
    const OpensslRsaKey& second = OpensslKey(2048);
    const std::string firstKey = directory_.Write("first.pem", PrivateKeyPem(first.rsa, true));
    const std::string secondKey = directory_.Write("second.der", AsText(second.pkcs8));
    const std::string both = directory_.PathOf("keys.txt");
    const std::string alone = directory_.PathOf("second.txt");
    for (const auto& [out, keyPath, tag] :
         {std::tuple{both, firstKey, "FirstKey"}, std::tuple{both, secondKey, "Second 2"},
          std::tuple{alone, secondKey, "Second 2"}}) {
        const CommandResult run =
            Quillon(directory_, {"rawrsa", "keyfile", out, "--key", keyPath, "--tag", tag});
        ASSERT_EQ(run.exit, 0) << run.err;
    }
    EXPECT_EQ(ModeOf(both), 0600);

    // The first key of the file wraps; the second key's envelope, made with its file alone,
    // unwraps from the shared file by its tag.
    for (const auto& [wrapWith, tag] :
         {std::pair{both, "FirstKey"}, std::pair{alone, "Second 2"}}) {
        SCOPED_TRACE(tag);
        const CommandResult wrapped =
            Quillon(directory_, {"rawrsa", "wrap", wrapWith, "00ff00112233"});
        ASSERT_EQ(wrapped.exit, 0) << wrapped.err;
        const Bytes envelope = FromHex(wrapped.out.substr(0, wrapped.out.size() - 1));
        EXPECT_EQ(std::string(envelope.begin(), envelope.begin() + 8), tag);
        const CommandResult unwrapped =
            Quillon(directory_, {"rawrsa", "unwrap", both, ToHex(envelope)});
        EXPECT_EQ(unwrapped.exit, 0) << unwrapped.err;
        EXPECT_EQ(unwrapped.out, "00ff00112233\n");
    }

    const std::string before = Slurp(both);
    const struct {
        std::vector<std::string> arguments;
        int exit;
        std::string message;
    } refusals[] = {
        {{"--key", firstKey, "--tag", "Second 2"}, 1, "holds a key tagged 'Second 2' already"},
        {{"--key", firstKey, "--tag", "Short"}, 2, "is not 8 characters"},
        {{"--key", firstKey}, 2, "--key and --tag are needed"},
    };
    for (const auto& c : refusals) {
        std::vector<std::string> arguments = {"rawrsa", "keyfile", both};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CommandResult run = Quillon(directory_, arguments);
        EXPECT_EQ(run.exit, c.exit);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(Slurp(both), before);
}

}  // namespace
}  // namespace quillon::test
