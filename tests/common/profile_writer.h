// Test-side credential profiles: the protected items are built with OpenSSL (SHA-1 for the key
// derivation, CAST5-CBC for the encryption and for the CBC-MAC), independently of the module's
// own code, so the readers are checked against an outside oracle.
#pragma once

#include <openssl/cast.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/vector_file.h"

namespace quillon::test {

inline constexpr char kProfileMacAlgorithm[] = "pbeWithSHA1AndCAST5-CBC";

// The keys and vector a profile's password, salt, Protection and HashCount stand for.
struct ProtectionKeys {
    Bytes encryptionKey;  // Protection / 8 bytes
    Bytes iv;             // 8 bytes
    Bytes macKey;         // max(Protection, 64) / 8 bytes
};

// SHA-1 of input, then of its own result count - 1 more times (at least once).
inline Bytes IteratedSha1(const Bytes& input, int count) {
    Bytes digest(SHA_DIGEST_LENGTH);
    SHA1(input.data(), input.size(), digest.data());
    for (int i = 1; i < count; ++i) SHA1(digest.data(), digest.size(), digest.data());
    return digest;
}

// Key block K and vector block V of (input, count); the key is the first keyBits / 8 bytes of
// K, the vector the next 8 bytes of K followed by V.
inline std::pair<Bytes, Bytes> DerivedKeyAndIv(const Bytes& input, int count, int keyBits) {
    const Bytes key = IteratedSha1(input, count);
    Bytes withOne = input;
    withOne.push_back(0x01);
    Bytes material = key;
    const Bytes vector = IteratedSha1(withOne, count);
    material.insert(material.end(), vector.begin(), vector.end());
    const long keyLength = std::clamp(keyBits / 8, 0, 20);
    return {Bytes(key.begin(), key.begin() + keyLength),
            Bytes(material.begin() + keyLength, material.begin() + keyLength + 8)};
}

inline ProtectionKeys DeriveProtectionKeys(const std::string& password, const std::string& salt,
                                           int protection, int hashCount) {
    Bytes input(password.begin(), password.end());
    input.insert(input.end(), salt.begin(), salt.end());
    Bytes macInput = input;
    macInput.insert(macInput.end(), {'M', 'A', 'C'});
    ProtectionKeys keys;
    std::tie(keys.encryptionKey, keys.iv) = DerivedKeyAndIv(input, hashCount, protection);
    keys.macKey = DerivedKeyAndIv(macInput, hashCount, std::max(protection, 64)).first;
    return keys;
}

inline Bytes CastCbcEncrypt(const Bytes& key, Bytes iv, const Bytes& plaintext) {
    CAST_KEY schedule;
    CAST_set_key(&schedule, static_cast<int>(key.size()), key.data());
    Bytes out(plaintext.size());
    CAST_cbc_encrypt(plaintext.data(), out.data(), static_cast<long>(plaintext.size()), &schedule,
                     iv.data(), CAST_ENCRYPT);
    return out;
}

// Plain CBC-MAC: zero IV, zero padding (none for a whole number of blocks), last block.
inline Bytes CastCbcMac(const Bytes& key, Bytes message) {
    if (message.empty() || message.size() % 8 != 0) message.resize((message.size() / 8 + 1) * 8);
    const Bytes encrypted = CastCbcEncrypt(key, Bytes(8, 0), message);
    return Bytes(encrypted.end() - 8, encrypted.end());
}

// Name prefix, payload and the MAC over both: an item's plaintext before its padding.
inline Bytes ItemPlaintext(const ProtectionKeys& keys, const std::string& prefix,
                           const Bytes& payload) {
    Bytes plaintext(prefix.begin(), prefix.end());
    plaintext.insert(plaintext.end(), payload.begin(), payload.end());
    const Bytes mac = CastCbcMac(keys.macKey, plaintext);
    plaintext.insert(plaintext.end(), mac.begin(), mac.end());
    return plaintext;
}

// 1 to 8 bytes, each holding their number.
inline Bytes Padded(Bytes plaintext) {
    const std::size_t pad = 8 - plaintext.size() % 8;
    plaintext.insert(plaintext.end(), pad, static_cast<std::uint8_t>(pad));
    return plaintext;
}

inline std::string Base64(const Bytes& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The Base64 text of a complete protected item.
inline std::string SealItem(const ProtectionKeys& keys, const std::string& prefix,
                            const Bytes& payload) {
    return Base64(
        CastCbcEncrypt(keys.encryptionKey, keys.iv, Padded(ItemPlaintext(keys, prefix, payload))));
}

// An "&" line and continuation lines of at most 64 characters of text, closed by an empty line.
inline std::string MultiLineEntry(const std::string& key, const std::string& text) {
    std::string lines = "&" + key + "=" + text.substr(0, 64) + "\n";
    for (std::size_t at = 64; at < text.size(); at += 64) {
        lines += "_=" + text.substr(at, 64) + "\n";
    }
    return lines + "\n";
}

// A whole profile: the "Password Token" section, then each section's entries in the order given.
class ProfileWriter {
  public:
    // Writes the token for these parameters and derives the keys they stand for; an empty salt
    // leaves "SaltValue" out (an entry cannot be empty).
    ProfileWriter(std::string password, std::string salt, int protection, int hashCount)
        : password_(std::move(password)),
          keys_(DeriveProtectionKeys(password_, salt, protection, hashCount)) {
        if (!salt.empty()) token_.emplace_back("SaltValue", salt);
        token_.emplace_back("Protection", std::to_string(protection));
        token_.emplace_back("MAC Algorithm", kProfileMacAlgorithm);
        token_.emplace_back("HashCount", std::to_string(hashCount));
    }

    // Replaces a "Password Token" value as written (the keys stay); nullopt leaves it out.
    ProfileWriter& Token(const std::string& key, std::optional<std::string> text) {
        std::erase_if(token_, [&](const auto& entry) { return entry.first == key; });
        if (text) token_.emplace_back(key, *text);
        return *this;
    }

    // A protected item holding payload under (section, key), bound to that name.
    ProfileWriter& Item(const std::string& section, const std::string& key, const Bytes& payload) {
        return Raw(section, MultiLineEntry(key, SealItem(keys_, section + key, payload)));
    }
    // Lines written as they stand into the section.
    ProfileWriter& Raw(const std::string& section, const std::string& lines) {
        sections_[section] += lines;
        return *this;
    }

    [[nodiscard]] std::string Text() const {
        std::string text = "[Password Token]\n";
        for (const auto& [key, value] : token_) text += key + "=" + value + "\n";
        for (const auto& [section, lines] : sections_) text += "\n[" + section + "]\n" + lines;
        return text;
    }
    [[nodiscard]] const ProtectionKeys& keys() const { return keys_; }
    [[nodiscard]] const std::string& password() const { return password_; }

  private:
    std::string password_;
    ProtectionKeys keys_;
    std::vector<std::pair<std::string, std::string>> token_;
    std::map<std::string, std::string> sections_;
};

}  // namespace quillon::test
