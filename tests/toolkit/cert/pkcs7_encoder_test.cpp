// The message encoders and certificate lists: argument statuses, several certificates in DER
// order, a data message with content, and out-of-memory paths.
#include <gtest/gtest.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/openssl_certificates.h"
#include "common/status_printer.h"
#include "common/vector_file.h"
#include "toolkit/cert/cert_status.h"
#include "toolkit/cert/pkcs7_encoder.h"

namespace quillon::toolkit::cert {
namespace {

using test::CertBytes;

struct Fixture {
    CertContext* context = nullptr;
    std::vector<CertObject*> certs;
    explicit Fixture(int count) {
        EXPECT_EQ(CertContextCreate(&context, nullptr, nullptr), kCertOk);
        for (int i = 0; i < count; ++i) {
            test::CertRecipe recipe;
            recipe.subject = {
                {"CN", V_ASN1_UTF8STRING, std::string(1, static_cast<char>('c' - i))}};
            const CertBytes der = test::MakeCertificate(recipe);
            CertObject* cert = nullptr;
            EXPECT_EQ(CertObjectCreate(&cert, context), kCertOk);
            EXPECT_EQ(CertSetDer(cert, der.data(), static_cast<std::uint32_t>(der.size())),
                      kCertOk);
            certs.push_back(cert);
        }
    }
    ~Fixture() {
        for (CertObject*& cert : certs) CertObjectDestroy(&cert);
        CertContextDestroy(&context);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;
};

CertBytes Bytes(const Item& item) {
    return {item.data, item.data + item.length};
}

TEST(Pkcs7Encoder, DataMessages) {
    Fixture fixture(0);
    Item empty{};
    ASSERT_EQ(CertEncodeDataMessage(fixture.context, nullptr, &empty), kCertOk);
    EXPECT_EQ(test::ToHex(Bytes(empty)), "300B06092A864886F70D010701");
    std::uint8_t bytes[] = {'h', 'i'};
    const Item content{bytes, 2};
    Item full{};
    ASSERT_EQ(CertEncodeDataMessage(fixture.context, &content, &full), kCertOk);
    EXPECT_EQ(test::ToHex(Bytes(full)), "301106092A864886F70D010701A00404026869");
    CertReleaseMessage(&empty);
    CertReleaseMessage(&full);
    EXPECT_EQ(full.data, nullptr);
    EXPECT_EQ(full.length, 0u);
    CertReleaseMessage(nullptr);
}

TEST(Pkcs7Encoder, CertificatesInDerSetOrder) {
    Fixture fixture(3);
    CertList* list = nullptr;
    ASSERT_EQ(CertListCreate(&list), kCertOk);
    for (CertObject* cert : fixture.certs) ASSERT_EQ(CertListAdd(list, cert), kCertOk);
    Item data{};
    Item message{};
    ASSERT_EQ(CertEncodeDataMessage(fixture.context, nullptr, &data), kCertOk);
    ASSERT_EQ(CertEncodeSignedDataMessage(fixture.context, &data, list, 0, &message), kCertOk);

    const unsigned char* at = message.data;
    PKCS7* pkcs7 = d2i_PKCS7(nullptr, &at, message.length);
    ASSERT_NE(pkcs7, nullptr);
    ASSERT_EQ(sk_X509_num(pkcs7->d.sign->cert), 3);
    std::vector<CertBytes> seen;
    for (int i = 0; i < 3; ++i) seen.push_back(test::DerOf(sk_X509_value(pkcs7->d.sign->cert, i)));
    // A DER SET OF orders its members by their encodings.
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    for (CertObject* cert : fixture.certs) {
        const CertBytes der(cert->der, cert->der + cert->derLength);
        EXPECT_NE(std::find(seen.begin(), seen.end(), der), seen.end());
    }
    PKCS7_free(pkcs7);
    CertReleaseMessage(&message);
    CertReleaseMessage(&data);
    CertListDestroy(&list);
    EXPECT_EQ(list, nullptr);
}

TEST(Pkcs7Encoder, WithoutCertificates) {
    Fixture fixture(0);
    Item data{};
    Item message{};
    ASSERT_EQ(CertEncodeDataMessage(fixture.context, nullptr, &data), kCertOk);
    ASSERT_EQ(CertEncodeSignedDataMessage(fixture.context, &data, nullptr, 0, &message), kCertOk);
    EXPECT_EQ(test::ToHex(Bytes(message)),
              "302306092A864886F70D010702A0163014020101310030"
              "0B06092A864886F70D0107013100");
    CertReleaseMessage(&message);
    CertReleaseMessage(&data);
}

TEST(Pkcs7Encoder, ArgumentStatuses) {
    Fixture fixture(1);
    CertList* list = nullptr;
    ASSERT_EQ(CertListCreate(&list), kCertOk);
    ASSERT_EQ(CertListAdd(list, fixture.certs[0]), kCertOk);
    Item data{};
    ASSERT_EQ(CertEncodeDataMessage(fixture.context, nullptr, &data), kCertOk);
    std::uint8_t notOneElement[] = {0x05, 0x00, 0x05, 0x00};
    const Item twoElements{notOneElement, 4};
    CertContext notAContext{};
    CertList notAList{};
    Item message{};

    const struct {
        const char* what;
        std::function<CertStatus()> call;
        CertStatus expected;
        const char* argument;  // the name the refusal records
    } cases[] = {
        {"data: no context", [&] { return CertEncodeDataMessage(nullptr, nullptr, &message); },
         kCertNotContext, nullptr},
        {"data: not a context",
         [&] { return CertEncodeDataMessage(&notAContext, nullptr, &message); }, kCertNotContext,
         nullptr},
        {"data: no message",
         [&] { return CertEncodeDataMessage(fixture.context, nullptr, nullptr); },
         kCertNullArgument, "dataMsg"},
        {"signed: no context",
         [&] { return CertEncodeSignedDataMessage(nullptr, &data, list, 0, &message); },
         kCertNotContext, nullptr},
        {"signed: no message",
         [&] { return CertEncodeSignedDataMessage(fixture.context, &data, list, 0, nullptr); },
         kCertNullArgument, "signedDataMsg"},
        {"signed: no content",
         [&] { return CertEncodeSignedDataMessage(fixture.context, nullptr, list, 0, &message); },
         kCertNullArgument, "dataMsg"},
        {"signed: not a list",
         [&] {
             return CertEncodeSignedDataMessage(fixture.context, &data, &notAList, 0, &message);
         },
         kCertNotList, nullptr},
        {"signed: options",
         [&] { return CertEncodeSignedDataMessage(fixture.context, &data, list, 1, &message); },
         kCertBadOptions, "cmsOptions"},
        {"signed: content of two elements",
         [&] {
             return CertEncodeSignedDataMessage(fixture.context, &twoElements, list, 0, &message);
         },
         kCertBadData, nullptr},
        {"list: not a list", [&] { return CertListAdd(&notAList, fixture.certs[0]); }, kCertNotList,
         nullptr},
        {"list: not a certificate", [&] { return CertListAdd(list, nullptr); }, kCertNotCertificate,
         nullptr},
        {"list: no address", [&] { return CertListCreate(nullptr); }, kCertNullArgument,
         "certList"},
        {"context: no address", [&] { return CertContextCreate(nullptr, nullptr, nullptr); },
         kCertNullArgument, "context"},
    };
    for (const auto& c : cases) {
        (void)RefuseArgument(nullptr, kCertOk);
        EXPECT_EQ(c.call(), c.expected) << c.what;
        EXPECT_EQ(message.data, nullptr) << c.what;
        if (c.argument != nullptr) {
            EXPECT_STREQ(MissingArgumentName(), c.argument) << c.what;
        }
    }

    CertObject* empty = nullptr;
    ASSERT_EQ(CertObjectCreate(&empty, fixture.context), kCertOk);
    EXPECT_EQ(CertListAdd(list, empty), kCertBadData) << "an object without a certificate";
    CertObjectDestroy(&empty);

    CertList* fake = &notAList;
    CertListDestroy(&fake);
    EXPECT_EQ(fake, nullptr);
    CertListDestroy(nullptr);
    CertContext* fakeContext = &notAContext;
    CertContextDestroy(&fakeContext);
    EXPECT_EQ(fakeContext, nullptr);
    CertReleaseMessage(&data);
    CertListDestroy(&list);
}

TEST(Pkcs7Encoder, ListGrows) {
    Fixture fixture(1);
    CertList* list = nullptr;
    ASSERT_EQ(CertListCreate(&list), kCertOk);
    for (int i = 0; i < 9; ++i) ASSERT_EQ(CertListAdd(list, fixture.certs[0]), kCertOk);
    EXPECT_EQ(list->count, 9u);
    EXPECT_EQ(list->items[8], fixture.certs[0]);
    CertListDestroy(&list);
}

TEST(Pkcs7Encoder, AllocationFailures) {
    test::AllocationHookGuard guard;
    Fixture fixture(2);
    // The list, its array, the data message and the signed-data message.
    constexpr int kAllocations = 4;
    const int allocations = test::ForEachAllocationFailure([&](int failing) {
        CertList* list = nullptr;
        Item data{};
        Item message{};
        CertStatus status = CertListCreate(&list);
        for (CertObject* cert : fixture.certs) {
            if (status == kCertOk) status = CertListAdd(list, cert);
        }
        if (status == kCertOk) status = CertEncodeDataMessage(fixture.context, nullptr, &data);
        if (status == kCertOk) {
            status = CertEncodeSignedDataMessage(fixture.context, &data, list, 0, &message);
        }
        EXPECT_EQ(status, failing <= kAllocations ? kCertOutOfMemory : kCertOk) << failing;
        EXPECT_EQ(message.data == nullptr, failing <= kAllocations) << failing;
        CertReleaseMessage(&message);
        CertReleaseMessage(&data);
        CertListDestroy(&list);
    });
    EXPECT_EQ(allocations, kAllocations);
}

}  // namespace
}  // namespace quillon::toolkit::cert
