#include "install/PublisherSignature.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>

#include "common/UpdateLog.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CTempDir;
using testing_support::LogMessages;
using testing_support::ReadFile;
using Lines = std::vector<std::string>;

// A file made by the build from certificates and signatures of its own (SignedFixtures.cmake).
std::string Signed(std::string_view name) {
    return std::string(VOREL_SIGNED_FIXTURE_DIR "/") + std::string(name);
}

class PublisherSignature : public ::testing::Test {
  protected:
    void SetUp() override { ResetLog(); }
    void TearDown() override { ResetLog(); }

    // Checks the fixture under the given name in a scratch folder; its log lines go to lines.
    bool CheckAs(std::string_view fixture, const std::string& name, Lines& lines) {
        ResetLog();
        const std::string path = m_dir / name;
        fs::create_directories(fs::path(path).parent_path());
        fs::copy_file(Signed(fixture), path, fs::copy_options::overwrite_existing);
        const bool accepted = CheckPublisherSignature(path);
        lines = LogMessages(ReadFile(GetLogFilePath()));
        return accepted;
    }

    CTempDir m_dir;
};

const std::string kComponent = "vrn_4/Update/HalvoraMain.ocx";
const std::string kInstaller = "vrn_4/KdSetup.exe";

TEST_F(PublisherSignature, TheMakerAndTheAuthorityForTheKindOfFileAreAccepted) {
    struct Case {
        const char* fixture;
        std::string name;
        bool accepted;
    } cases[] = {
        {"signed-symantec.dll", kComponent, true},
        {"signed-verisign.dll", kComponent, false},
        {"signed-verisign.dll", kInstaller, true},
        {"signed-symantec.dll", kInstaller, false},
        // Capitals are no component: the installer's authority applies.
        {"signed-symantec.dll", "vrn_4/Update/HalvoraMain.OCX", false},
        {"signed-verisign.dll", "vrn_4/Update/HalvoraMain.OCX", true},
        // ".ocx" anywhere in the path makes a component.
        {"signed-symantec.dll", "vrn_4/Update.ocx.d/KdSetup.exe", true},
        // The maker's name exactly: a trailing full stop or other case is someone else.
        {"signed-stop.dll", kComponent, false},
        {"signed-caps.dll", kComponent, false},
        {"signed-sha1.dll", kComponent, true},
        {"signed-pe32.dll", kComponent, true},
    };
    for (const Case& c : cases) {
        Lines lines;
        EXPECT_EQ(CheckAs(c.fixture, c.name, lines), c.accepted) << c.fixture << " as " << c.name;
        EXPECT_EQ(lines, Lines{}) << c.fixture << " as " << c.name
                                  << ": a name mismatch leaves no line";
    }
}

TEST_F(PublisherSignature, AFileThatCannotBeReadAsSignedLogsTheStepThatFailed) {
    struct Case {
        const char* fixture;
        const char* line;
    } cases[] = {
        {"unsigned.dll", "CryptQueryObject failed"},
        {"truncate.dll", "CryptQueryObject failed"},  // the table runs past the end
        {"garbage.dll", "CryptQueryObject failed"},   // text where the PKCS#7 should be
        {"no-signer.dll", "CryptMsgGetParam failed with 80091008"},
        {"no-certificate.dll", "CertFindCertificateInStore failed with 80092004"},
    };
    for (const Case& c : cases) {
        Lines lines;
        EXPECT_FALSE(CheckAs(c.fixture, kComponent, lines)) << c.fixture;
        EXPECT_EQ(lines, Lines{c.line}) << c.fixture;
    }
    ResetLog();
    EXPECT_FALSE(CheckPublisherSignature(m_dir / "missing/HalvoraMain.ocx"));
    EXPECT_EQ(LogMessages(ReadFile(GetLogFilePath())), Lines{"CryptQueryObject failed"});
}

TEST_F(PublisherSignature, TheRightNamesOnAlteredOrBorrowedSignaturesAreNotEnough) {
    struct Case {
        const char* fixture;
        bool accepted;
    } cases[] = {
        {"flip-image.dll", false},      // a byte of the file changed after signing
        {"transplanted.dll", false},    // the maker's signature of another file
        {"flip-signature.dll", false},  // the signature over the signed attributes
        {"flip-content.dll", false},    // the signed content changed
        {"trailing.dll", false},        // unsigned bytes after the signature
        {"flip-checksum.dll", true},    // the checksum field is no part of what is signed
        {"two-entries.dll", true},      // only the first signature counts
        {"two-entries-wrong-first.dll", false},
    };
    for (const Case& c : cases) {
        Lines lines;
        EXPECT_EQ(CheckAs(c.fixture, kComponent, lines), c.accepted) << c.fixture;
        EXPECT_EQ(lines, Lines{}) << c.fixture << ": rejected as a name mismatch is";
    }
}

TEST_F(PublisherSignature, ANameWithANulInsideIsNotTheNameBeforeIt) {
    // The "stop" leaf's common name "Varnel Bank Co., Ltd." with its full stop made a NUL: the
    // certificate now names "Varnel Bank Co., Ltd\0". The certificates lie outside what is
    // signed, so the signature itself stays intact.
    std::string file = ReadFile(Signed("signed-stop.dll"));
    const std::string name = "Varnel Bank Co., Ltd.";
    const std::size_t at = file.find(name);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(file.find(name, at + 1), std::string::npos);
    file[at + name.size() - 1] = '\0';
    const std::string path = m_dir / "HalvoraMain.ocx";
    testing_support::WriteFile(path, file);

    const std::unique_ptr<platform::CEmbeddedSignature> signature =
        platform::CEmbeddedSignature::Open(path);
    ASSERT_TRUE(signature);
    uint32_t error = 0;
    const std::optional<platform::SignerInfo> signer = signature->GetSignerInfo(0, error);
    ASSERT_TRUE(signer);
    const std::optional<platform::CCertificate> certificate =
        signature->FindCertificate(*signer, error);
    ASSERT_TRUE(certificate);
    ASSERT_TRUE(signature->VerifyImageIntegrity(*certificate));
    EXPECT_FALSE(CheckSignerNames(*certificate, true));
    EXPECT_FALSE(CheckPublisherSignature(path));
    EXPECT_EQ(LogMessages(ReadFile(GetLogFilePath())), Lines{});
}

}  // namespace
