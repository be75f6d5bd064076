// The CryptoAPI key reference: the manufacturer text and the exact length of the data fields.
#include "toolkit/provider/capi_key_reference.h"

#include <gtest/gtest.h>

#include <string>

#include "common/status_printer.h"
#include "toolkit/provider/capi_reference_bytes.h"
#include "toolkit/provider/provider_methods.h"

namespace quillon::toolkit::provider {
namespace {

using test::CapiReferenceData;
using test::ItemOf;
const std::string& kManufacturer = test::kCapiManufacturer;

TEST(CapiKeyReferenceTest, ParsesItsFields) {
    std::string manufacturer = kManufacturer;
    std::string data =
        CapiReferenceData("vpn-user", "Microsoft Enhanced Cryptographic Provider v1.0", 1, 2);
    const CapiKeyReference reference{ItemOf(manufacturer), ItemOf(data)};
    CapiKeyLocation location{};
    ASSERT_EQ(CapiParseKeyReference(reference, location), method::kOk);
    EXPECT_STREQ(location.container, "vpn-user");
    EXPECT_STREQ(location.provider, "Microsoft Enhanced Cryptographic Provider v1.0");
    EXPECT_EQ(location.providerType, 1u);
    EXPECT_EQ(location.keySpec, 2u);

    std::string empty = CapiReferenceData("", "", 0x01020304, 0xA0B0C0D0);
    const CapiKeyReference defaults{ItemOf(manufacturer), ItemOf(empty)};
    ASSERT_EQ(CapiParseKeyReference(defaults, location), method::kOk);
    EXPECT_EQ(location.container, nullptr);
    EXPECT_EQ(location.provider, nullptr);
    EXPECT_EQ(location.providerType, 0x01020304u);
    EXPECT_EQ(location.keySpec, 0xA0B0C0D0u);
}

TEST(CapiKeyReferenceTest, MismatchIsKeyFormUnavailable) {
    const std::string good = CapiReferenceData("c", "p", 1, 1);
    struct Case {
        const char* name;
        std::string manufacturer, data;
    } cases[] = {
        {"manufacturer without its zero", kManufacturer.substr(0, 29), good},
        {"manufacturer with one more byte", kManufacturer + '\0', good},
        {"manufacturer differs in case", "quillon Cert CryptoAPI Module" + std::string(1, '\0'),
         good},
        {"manufacturer differs in its last byte", kManufacturer.substr(0, 29) + "x", good},
        {"data one byte short", kManufacturer, good.substr(0, good.size() - 1)},
        {"data one byte long", kManufacturer, good + 'x'},
        {"container not terminated", kManufacturer, "container"},
        {"provider not terminated", kManufacturer, std::string("c\0provider", 10)},
        {"no numbers", kManufacturer, std::string("c\0p\0", 4)},
        {"empty data", kManufacturer, ""},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CapiKeyReference reference{ItemOf(c.manufacturer), ItemOf(c.data)};
        CapiKeyLocation location{};
        const MethodStatus status = CapiParseKeyReference(reference, location);
        EXPECT_EQ(status, method::kKeyFormUnavailable);
        EXPECT_EQ(TranslateMethodStatus(status), kKeyFormUnavailable);
    }
}

TEST(CapiKeyReferenceTest, KeyObjectKeepsItsOwnCopy) {
    std::string manufacturer = kManufacturer;
    std::string data = CapiReferenceData("c", "", 1, 2);
    const CapiKeyReference given{ItemOf(manufacturer), ItemOf(data)};
    KeyObject* key = nullptr;
    ASSERT_EQ(KeyCreate(&key), kOk);
    ASSERT_EQ(KeySetInfo(key, KeyInfoCapiReference, &given), kOk);
    manufacturer.assign(30, 'x');
    data.assign(data.size(), 'x');
    void* stored = nullptr;
    ASSERT_EQ(KeyGetInfo(&stored, key, KeyInfoCapiReference), kOk);
    CapiKeyLocation location{};
    EXPECT_EQ(CapiParseKeyReference(*static_cast<CapiKeyReference*>(stored), location),
              method::kOk);
    EXPECT_STREQ(location.container, "c");
    // Nothing else a key holds can become a reference.
    void* none = nullptr;
    EXPECT_EQ(KeyGetInfo(&none, key, KeyInfoRsaPublic), kKeyFormUnavailable);
    (void)KeyDestroy(&key);
    EXPECT_EQ(KeySetInfo(nullptr, KeyInfoCapiReference, &given), kBadKeyObject);
}

}  // namespace
}  // namespace quillon::toolkit::provider
