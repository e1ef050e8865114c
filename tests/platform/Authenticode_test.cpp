#include "platform/Authenticode.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestSupport.h"

namespace {

using platform::CCertificate;
using platform::CEmbeddedSignature;
using testing_support::CTempDir;
using testing_support::ReadFile;
using testing_support::WriteFile;

// A file made by the build from certificates and signatures of its own (SignedFixtures.cmake).
std::string Signed(std::string_view name) {
    return std::string(VOREL_SIGNED_FIXTURE_DIR "/") + std::string(name);
}

std::string Name(const CCertificate& certificate, bool issuer) {
    const size_t size = platform::GetCertificateNameString(certificate, issuer, {});
    if (size == 0) return "<unreadable>";
    std::string buffer(size, 'x');
    if (platform::GetCertificateNameString(certificate, issuer, buffer) != size)
        return "<size changed>";
    if (buffer.back() != '\0') return "<not terminated>";
    buffer.pop_back();
    return buffer;
}

// The first signer's certificate of a signed fixture; fails the test when there is none.
struct SignerOf {
    std::unique_ptr<CEmbeddedSignature> signature;
    std::optional<CCertificate> certificate;

    explicit SignerOf(const std::string& path) : signature(CEmbeddedSignature::Open(path)) {
        if (!signature) return;
        uint32_t error = 0;
        std::optional<platform::SignerInfo> signer = signature->GetSignerInfo(0, error);
        if (signer) certificate = signature->FindCertificate(*signer, error);
    }
    bool Found() const { return certificate.has_value(); }
};

TEST(AuthenticodeReader, FindsTheFirstSignersCertificateByIssuerAndSerial) {
    SignerOf component(Signed("signed-symantec.dll"));
    ASSERT_TRUE(component.Found());
    const std::string leafDer = ReadFile(Signed("leaf-symantec.der"));
    const std::vector<uint8_t> found = component.certificate->Der();
    EXPECT_EQ(std::string(found.begin(), found.end()), leafDer)
        << "the leaf, not the authority carried beside it";

    // Beside the signer's own certificate, the signature carries the other maker leaf (same
    // serial number, other authority) and one more leaf (same authority, other serial).
    struct Case {
        const char* fixture;
        const char* issuer;
    } cases[] = {
        {"crowded-symantec.dll", "Symantec Class 3 SHA256 Code Signing CA"},
        {"crowded-verisign.dll", "VeriSign Class 3 Code Signing 2010 CA"},
    };
    for (const Case& c : cases) {
        SignerOf signer(Signed(c.fixture));
        ASSERT_TRUE(signer.Found()) << c.fixture;
        EXPECT_EQ(Name(*signer.certificate, true), c.issuer) << c.fixture;
        EXPECT_EQ(Name(*signer.certificate, false), "Varnel Bank Co., Ltd") << c.fixture;
        EXPECT_TRUE(signer.signature->VerifyImageIntegrity(*signer.certificate)) << c.fixture;
    }
}

TEST(AuthenticodeReader, OpensOnlyASignedDataInTheFirstTableEntry) {
    CTempDir dir;
    WriteFile(dir / "text.dll", "MZ but nothing more");
    struct Case {
        std::string path;
        bool opens;
    } cases[] = {
        {Signed("signed-symantec.dll"), true},
        {Signed("signed-pe32.dll"), true},
        {Signed("two-entries.dll"), true},
        {Signed("no-signer.dll"), true},
        {Signed("no-certificate.dll"), true},
        {Signed("unsigned.dll"), false},
        {Signed("truncate.dll"), false},  // the table runs past the end of the file
        {Signed("garbage.dll"), false},   // text where the PKCS#7 should be
        {testing_support::PeFixture("no-version.dll"), false},
        {dir / "text.dll", false},
        {dir.Path(), false},
        {dir / "missing.dll", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CEmbeddedSignature::Open(c.path) != nullptr, c.opens) << c.path;
}

TEST(AuthenticodeReader, ReportsTheSystemErrorCodesOfAMissingSignerAndCertificate) {
    std::unique_ptr<CEmbeddedSignature> noSigner =
        CEmbeddedSignature::Open(Signed("no-signer.dll"));
    ASSERT_TRUE(noSigner);
    uint32_t error = 0;
    EXPECT_FALSE(noSigner->GetSignerInfo(0, error));
    EXPECT_EQ(error, 0x80091008u);

    std::unique_ptr<CEmbeddedSignature> signedFile =
        CEmbeddedSignature::Open(Signed("signed-symantec.dll"));
    ASSERT_TRUE(signedFile);
    error = 0;
    EXPECT_TRUE(signedFile->GetSignerInfo(0, error));
    EXPECT_FALSE(signedFile->GetSignerInfo(1, error)) << "one signer only";
    EXPECT_EQ(error, 0x80091008u);

    std::unique_ptr<CEmbeddedSignature> noCertificate =
        CEmbeddedSignature::Open(Signed("no-certificate.dll"));
    ASSERT_TRUE(noCertificate);
    std::optional<platform::SignerInfo> signer = noCertificate->GetSignerInfo(0, error);
    ASSERT_TRUE(signer);
    error = 0;
    EXPECT_FALSE(noCertificate->FindCertificate(*signer, error));
    EXPECT_EQ(error, 0x80092004u);
}

TEST(AuthenticodeReader, SimpleDisplayNamesTakeCommonNameThenUnitThenOrganisationThenEmail) {
    const std::string symantec = "Symantec Class 3 SHA256 Code Signing CA";
    struct Case {
        const char* fixture;
        std::string subject;
        std::string issuer;
    } cases[] = {
        {"signed-symantec.dll", "Varnel Bank Co., Ltd", symantec},
        {"signed-verisign.dll", "Varnel Bank Co., Ltd", "VeriSign Class 3 Code Signing 2010 CA"},
        {"signed-stop.dll", "Varnel Bank Co., Ltd.", symantec},
        {"signed-caps.dll", "VARNEL BANK CO., LTD", symantec},
        {"signed-unit.dll", "Varnel Unit",
         symantec},  // the unit wins over the organisation before it
        {"signed-organisation.dll", "Varnel Bank Co., Ltd", symantec},
        {"signed-email.dll", "codesign@varnel.example", symantec},
        {"signed-first-attribute.dll", "CN",
         symantec},  // none of them: the country, the name's first part
        {"signed-two-common-names.dll", "First Name", symantec},
        {"signed-chinese.dll", testing_support::Gbk("瓦内尔银行"),
         symantec},  // in the ANSI code page
    };
    for (const Case& c : cases) {
        SignerOf signer(Signed(c.fixture));
        ASSERT_TRUE(signer.Found()) << c.fixture;
        EXPECT_EQ(Name(*signer.certificate, false), c.subject) << c.fixture;
        EXPECT_EQ(Name(*signer.certificate, true), c.issuer) << c.fixture;
    }
}

TEST(AuthenticodeReader, ANameBufferTooSmallGetsTheNameCutAndTerminated) {
    SignerOf signer(Signed("signed-symantec.dll"));
    ASSERT_TRUE(signer.Found());
    EXPECT_EQ(platform::GetCertificateNameString(*signer.certificate, false, {}),
              sizeof "Varnel Bank Co., Ltd");
    char small[7];
    EXPECT_EQ(platform::GetCertificateNameString(*signer.certificate, false, small), sizeof small);
    EXPECT_STREQ(small, "Varnel");
    EXPECT_EQ(platform::GetCertificateNameString(CCertificate(), false, {}), 0u)
        << "no certificate";
}

TEST(AuthenticodeReader, OnlyAnIntactSignatureMadeForTheseBytesVerifies) {
    struct Case {
        const char* fixture;
        bool intact;
    } cases[] = {
        {"signed-symantec.dll", true}, {"signed-sha1.dll", true}, {"signed-pe32.dll", true},
        {"flip-checksum.dll", true},    // the checksum field is not signed
        {"two-entries.dll", true},      // nor is the certificate table
        {"flip-image.dll", false},      // a byte of the image changed after signing
        {"transplanted.dll", false},    // another file's valid signature
        {"flip-signature.dll", false},  // the signer's signature over its attributes
        {"flip-content.dll", false},    // signed content that no longer has the signed digest
        {"trailing.dll", false},        // bytes after the table that nothing signs
    };
    for (const Case& c : cases) {
        SignerOf signer(Signed(c.fixture));
        ASSERT_TRUE(signer.Found()) << c.fixture;
        EXPECT_EQ(signer.signature->VerifyImageIntegrity(*signer.certificate), c.intact)
            << c.fixture;
        EXPECT_FALSE(signer.signature->VerifyImageIntegrity(CCertificate())) << "no certificate";
    }
}

TEST(AuthenticodeReader, AFileCutAnywhereIsNotOpened) {
    CTempDir dir;
    const std::string whole = ReadFile(Signed("signed-symantec.dll"));
    ASSERT_GT(whole.size(), 4000u);
    for (size_t length = 0; length < whole.size(); length += 61) {
        WriteFile(dir / "cut.dll", std::string_view(whole).substr(0, length));
        EXPECT_FALSE(CEmbeddedSignature::Open(dir / "cut.dll")) << length;
    }
}

TEST(AuthenticodeReader, TheFileReadIsTheOneOpened) {
    // The signature keeps its file open: replacing the path afterwards changes nothing.
    CTempDir dir;
    std::filesystem::copy_file(Signed("signed-symantec.dll"), dir / "c.dll");
    SignerOf signer(dir / "c.dll");
    ASSERT_TRUE(signer.Found());
    std::filesystem::copy_file(Signed("flip-image.dll"), dir / "other.dll");
    std::filesystem::rename(dir / "other.dll", dir / "c.dll");
    EXPECT_TRUE(signer.signature->VerifyImageIntegrity(*signer.certificate));
}

}  // namespace
