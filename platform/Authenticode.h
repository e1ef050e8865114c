// The Authenticode signature embedded in a Windows executable image (PE), read with OpenSSL:
// the PE certificate table, its first WIN_CERTIFICATE entry, the PKCS#7 SignedData in it, the
// signers and the certificates the signature carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// System error codes as GetLastError gives them after a failing CryptoAPI call.
inline constexpr uint32_t kCryptErrorInvalidIndex = 0x80091008;  // CRYPT_E_INVALID_INDEX
inline constexpr uint32_t kCryptErrorNotFound = 0x80092004;      // CRYPT_E_NOT_FOUND

// The largest certificate-table entry that is read; real signatures are a few kilobytes.
inline constexpr uint32_t kMaxSignatureEntrySize = 4u << 20;

// A certificate, owned.
class CCertificate {
  public:
    CCertificate();
    ~CCertificate();
    CCertificate(CCertificate&&) noexcept;
    CCertificate& operator=(CCertificate&&) noexcept;
    CCertificate(const CCertificate&) = delete;
    CCertificate& operator=(const CCertificate&) = delete;

    // The certificate in DER; empty for an empty object.
    std::vector<uint8_t> Der() const;

  private:
    friend class CEmbeddedSignature;
    friend size_t GetCertificateNameString(const CCertificate&, bool, std::span<char>);
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Who a signer says it is (CMSG_SIGNER_INFO's Issuer and SerialNumber): the DER of the issuer's
// name and the DER of the serial number.
struct SignerInfo {
    std::vector<uint8_t> issuer;
    std::vector<uint8_t> serialNumber;
};

// The first signature of a PE file, opened for reading (CryptQueryObject on a file, expecting
// CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED). The file stays open while the object lives, so
// that the checks below all look at the same file.
class CEmbeddedSignature {
  public:
    ~CEmbeddedSignature();
    CEmbeddedSignature(const CEmbeddedSignature&) = delete;
    CEmbeddedSignature& operator=(const CEmbeddedSignature&) = delete;

    // Opens path and decodes the first entry of its certificate table. nullptr when the file
    // cannot be read, is not a PE image, has no certificate table or one that does not lie in
    // the file, or when that entry is not a PKCS#7 SignedData (WIN_CERT_TYPE_PKCS_SIGNED_DATA)
    // of at most kMaxSignatureEntrySize bytes. Further entries of the table are not read.
    static std::unique_ptr<CEmbeddedSignature> Open(const std::string& path);

    // The signer at index (CryptMsgGetParam with CMSG_SIGNER_INFO_PARAM); nullopt with error
    // kCryptErrorInvalidIndex when the signature has no such signer.
    std::optional<SignerInfo> GetSignerInfo(size_t index, uint32_t& error) const;

    // The certificate with the signer's issuer and serial number among those the signature
    // carries (CertFindCertificateInStore with CERT_FIND_SUBJECT_CERT); names are compared as
    // encoded. nullopt with error kCryptErrorNotFound when there is none.
    std::optional<CCertificate> FindCertificate(const SignerInfo& signer, uint32_t& error) const;

    // True when the signature is intact and belongs to this file: the first signer's signature
    // over its signed attributes verifies with certificate, its message-digest attribute is
    // the digest of the signed content, that content is a PE image's SpcIndirectDataContent,
    // and the image digest it holds is the digest of the file as it is now (everything before
    // the certificate table except the checksum field and the certificate-table entry). The
    // table must end the file. The file is read in a stream, never whole. No certificate
    // chain, revocation or time stamp is looked at.
    bool VerifyImageIntegrity(const CCertificate& certificate) const;

  private:
    struct Impl;
    explicit CEmbeddedSignature(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// CertGetNameStringA with CERT_NAME_SIMPLE_DISPLAY_TYPE: the simple display name of the
// certificate's subject, or of its issuer, in the ANSI code page. The name is the first common
// name of the distinguished name, else its first organisational unit, else its first
// organisation, else its first e-mail address; empty when it has none of them. An empty buffer
// asks for the size the name needs, its terminating NUL included; otherwise the name is copied
// into buffer, cut to fit, NUL-terminated, and the number of bytes written (with the NUL) is
// returned. 0 when the name cannot be read.
size_t GetCertificateNameString(const CCertificate& certificate, bool issuer,
                                std::span<char> buffer);

}  // namespace platform
