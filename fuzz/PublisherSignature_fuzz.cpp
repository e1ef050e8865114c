// The publisher check over a fuzzed signature block: the PKCS#7 bytes are attached to a fixed
// unsigned component image as its certificate table, as a signing tool attaches them, so that
// every mutation lands in the signature. Input: the DER of the SignedData.
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "install/PublisherSignature.h"
#include "platform/Authenticode.h"

using fuzz_support::Require;

// The unsigned image, embedded by the build.
extern const unsigned char kUnsignedComponent[];
extern const size_t kUnsignedComponentSize;

namespace {

std::string g_strComponent, g_strInstaller;

void Put32(std::string& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
}
uint32_t Get32(const std::string& image, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(image[at + i]);
    return value;
}

// The image with one WIN_CERTIFICATE entry holding blob, padded to 8 bytes, at its end.
std::string Attach(std::string_view blob) {
    std::string image(reinterpret_cast<const char*>(kUnsignedComponent), kUnsignedComponentSize);
    image.append((8 - image.size() % 8) % 8, '\0');
    const size_t pe = Get32(image, 0x3C);
    const size_t optional = pe + 24;
    const bool pe32 =
        static_cast<unsigned char>(image[optional]) == 0x0B && image[optional + 1] == 0x01;
    const size_t entry = optional + (pe32 ? 96 : 112) + 4 * 8;
    // WIN_CERTIFICATE: dwLength, wRevision 0x0200, wCertificateType 2 (PKCS#7 SignedData).
    std::string table(8, '\0');
    Put32(table, 0, static_cast<uint32_t>(blob.size() + 8));
    Put32(table, 4, 0x00020200);
    table.append(blob);
    table.append((8 - table.size() % 8) % 8, '\0');
    Put32(image, entry, static_cast<uint32_t>(image.size()));
    Put32(image, entry + 4, static_cast<uint32_t>(table.size()));
    return image + table;
}

// A display name of the certificate, whole.
std::string Name(const platform::CCertificate& certificate, bool issuer) {
    std::vector<char> buffer(platform::GetCertificateNameString(certificate, issuer, {}) + 1);
    const size_t written = platform::GetCertificateNameString(certificate, issuer, buffer);
    return written == 0 ? std::string() : std::string(buffer.data(), written - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_strComponent.empty()) {
        g_strComponent = fuzz_support::ScratchFolder() + "/HalvoraMain.ocx";
        g_strInstaller = fuzz_support::ScratchFolder() + "/HalvoraSetup.exe";
    }
    const std::string file = Attach(fuzz_support::AsText(data, size));
    fuzz_support::WriteWholeFile(g_strComponent, file);
    fuzz_support::WriteWholeFile(g_strInstaller, file);
    const bool component = CheckPublisherSignature(g_strComponent);
    const bool installer = CheckPublisherSignature(g_strInstaller);
    Require(!(component && installer), "no certificate names both authorities");

    if (std::unique_ptr<platform::CEmbeddedSignature> signature =
            platform::CEmbeddedSignature::Open(g_strComponent)) {
        uint32_t error = 0;
        if (std::optional<platform::SignerInfo> signer = signature->GetSignerInfo(0, error)) {
            if (std::optional<platform::CCertificate> certificate =
                    signature->FindCertificate(*signer, error)) {
                const bool intact = signature->VerifyImageIntegrity(*certificate);
                if (component || installer)
                    Require(intact, "an accepted file has an intact signature");
                if (component || installer)
                    Require(Name(*certificate, false) == kPublisherSubject &&
                                Name(*certificate, true) ==
                                    (component ? kComponentIssuer : kInstallerIssuer),
                            "an accepted file names exactly the maker and its authority");
                Require(intact == signature->VerifyImageIntegrity(*certificate),
                        "the check is repeatable");
            }
        }
    } else {
        Require(!component && !installer, "a file without a readable signature is refused");
    }
    fuzz_support::DiscardLog();
    return 0;
}
