// A downloaded file read for its signature: the PE headers, the certificate table, the
// PKCS#7 SignedData, the signer's certificate and its names, the image digest; then the
// publisher check of the update over the same bytes. Input: the whole file.
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "install/PublisherSignature.h"
#include "platform/Authenticode.h"

using fuzz_support::Require;

namespace {

std::string g_strComponent, g_strInstaller;

// The name as the certificate gives it, after checking how it is handed out: whole in a
// buffer of the size asked for, cut but NUL-terminated in a smaller one.
std::string CheckName(const platform::CCertificate& certificate, bool issuer) {
    const size_t needed = platform::GetCertificateNameString(certificate, issuer, {});
    if (needed == 0) return std::string();
    std::vector<char> buffer(needed, 'x');
    const size_t written = platform::GetCertificateNameString(certificate, issuer, buffer);
    Require(written == needed && buffer[written - 1] == '\0',
            "a name fits the size asked for, NUL-terminated");
    for (size_t small : {size_t{1}, size_t{4}}) {
        std::vector<char> cut(small, 'x');
        const size_t n = platform::GetCertificateNameString(certificate, issuer, cut);
        Require(n >= 1 && n <= small && cut[n - 1] == '\0' &&
                    std::memcmp(cut.data(), buffer.data(), n - 1) == 0,
                "a name cut to a small buffer is its start, NUL-terminated");
    }
    return std::string(buffer.data(), written - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_strComponent.empty()) {
        g_strComponent = fuzz_support::ScratchFolder() + "/HalvoraMain.ocx";
        g_strInstaller = fuzz_support::ScratchFolder() + "/HalvoraSetup.exe";
    }
    const std::string_view bytes = fuzz_support::AsText(data, size);
    fuzz_support::WriteWholeFile(g_strComponent, bytes);

    bool intact = false;
    std::string issuerName, subjectName;
    if (std::unique_ptr<platform::CEmbeddedSignature> signature =
            platform::CEmbeddedSignature::Open(g_strComponent)) {
        uint32_t error = 0;
        std::optional<platform::SignerInfo> signer = signature->GetSignerInfo(0, error);
        Require(signer || error == platform::kCryptErrorInvalidIndex, "a missing signer says so");
        if (signer) {
            error = 0;
            std::optional<platform::CCertificate> certificate =
                signature->FindCertificate(*signer, error);
            Require(certificate || error == platform::kCryptErrorNotFound,
                    "a missing certificate says so");
            if (certificate) {
                Require(!certificate->Der().empty(), "a found certificate has an encoding");
                issuerName = CheckName(*certificate, true);
                subjectName = CheckName(*certificate, false);
                intact = signature->VerifyImageIntegrity(*certificate);
            }
        }
        uint32_t second = 0;
        signature->GetSignerInfo(1, second);
    }

    const bool component = CheckPublisherSignature(g_strComponent);
    if (component)
        Require(intact && issuerName == kComponentIssuer && subjectName == kPublisherSubject,
                "an accepted component has an intact signature and exactly the maker's names");
    fuzz_support::WriteWholeFile(g_strInstaller, bytes);
    const bool installer = CheckPublisherSignature(g_strInstaller);
    if (installer)
        Require(intact && issuerName == kInstallerIssuer && subjectName == kPublisherSubject,
                "an accepted installer has an intact signature and exactly the maker's names");
    Require(!(component && installer), "no certificate names both authorities");
    fuzz_support::DiscardLog();
    return 0;
}
