#include "install/PublisherSignature.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "common/Texts.h"
#include "common/UpdateLog.h"
#include "platform/GbkText.h"

namespace {

bool Fail(std::string_view message) {
    WriteLog(texts::Gbk(message));
    return false;
}

// The message followed by the system error code, as Windows would show it: a blank and the
// code in lower-case hexadecimal, e.g. "CryptMsgGetParam failed with 80091008".
bool FailWithCode(std::string_view message, uint32_t error) {
    char code[16];
    std::snprintf(code, sizeof code, " %x", static_cast<unsigned>(error));
    WriteLog(texts::Gbk(message) + code);
    return false;
}

// One display name of the certificate, asked for its size first as the system wants it.
// Logs the step that fails; nullopt then.
std::optional<std::string> ReadDisplayName(const platform::CCertificate& certificate, bool issuer) {
    const size_t size = platform::GetCertificateNameString(certificate, issuer, {});
    if (size == 0) {
        Fail(issuer ? texts::kSigIssuerName1 : texts::kSigSubjectName1);
        return std::nullopt;
    }
    std::vector<char> buffer;
    try {
        buffer.assign(size, '\0');
    } catch (const std::bad_alloc&) {
        Fail(issuer ? texts::kSigIssuerMemory : texts::kSigSubjectMemory);
        return std::nullopt;
    }
    const size_t written = platform::GetCertificateNameString(certificate, issuer, buffer);
    if (written == 0) {
        Fail(issuer ? texts::kSigIssuerName2 : texts::kSigSubjectName2);
        return std::nullopt;
    }
    // The whole name: a name with a NUL inside is not the name in front of the NUL.
    return std::string(buffer.data(), written - 1);
}

}  // namespace

bool CheckSignerNames(const platform::CCertificate& certificate, bool isComponent) {
    const std::optional<std::string> issuer = ReadDisplayName(certificate, true);
    if (!issuer || *issuer != (isComponent ? kComponentIssuer : kInstallerIssuer)) return false;
    const std::optional<std::string> subject = ReadDisplayName(certificate, false);
    return subject && *subject == kPublisherSubject;
}

bool CheckPublisherSignature(const std::string& path) {
    const std::unique_ptr<platform::CEmbeddedSignature> signature =
        platform::CEmbeddedSignature::Open(path);
    if (!signature) return Fail(texts::kSigQueryObject);

    // Only the first signer counts.
    uint32_t error = 0;
    std::optional<platform::SignerInfo> signer;
    try {
        signer = signature->GetSignerInfo(0, error);
    } catch (const std::bad_alloc&) {
        return Fail(texts::kSigSignerInfoMemory);
    }
    if (!signer) return FailWithCode(texts::kSigMsgGetParam, error);

    std::optional<platform::CCertificate> certificate = signature->FindCertificate(*signer, error);
    if (!certificate) return FailWithCode(texts::kSigFindCertificate, error);

    const bool isComponent = platform::GbkContains(path, ".ocx");
    if (!CheckSignerNames(*certificate, isComponent)) return false;
    // Names can be copied with a signature block; the block must also belong to these bytes.
    return signature->VerifyImageIntegrity(*certificate);
}
