#include "platform/Authenticode.h"

#include <fcntl.h>
#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/FileDescriptor.h"
#include "platform/FileReading.h"
#include "platform/GbkText.h"

namespace platform {
namespace {

constexpr uint16_t kWinCertTypePkcsSignedData = 0x0002;
constexpr uint16_t kWinCertRevision1 = 0x0100;
constexpr uint16_t kWinCertRevision2 = 0x0200;
constexpr uint32_t kSecurityDirectory = 4;
constexpr size_t kStreamChunk = 256u << 10;

// SPC_INDIRECT_DATA_OBJID and SPC_PE_IMAGE_DATAOBJ in DER (tag, length, value).
constexpr uint8_t kSpcIndirectDataOid[] = {0x06, 0x0A, 0x2B, 0x06, 0x01, 0x04,
                                           0x01, 0x82, 0x37, 0x02, 0x01, 0x04};
constexpr uint8_t kSpcPeImageDataOid[] = {0x06, 0x0A, 0x2B, 0x06, 0x01, 0x04,
                                          0x01, 0x82, 0x37, 0x02, 0x01, 0x0F};

struct Pkcs7Free {
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};
struct X509Free {
    void operator()(X509* p) const { X509_free(p); }
};
struct X509SigFree {
    void operator()(X509_SIG* p) const { X509_SIG_free(p); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
struct OpenSslFree {
    void operator()(unsigned char* p) const { OPENSSL_free(p); }
};
struct GeneralNamesFree {
    void operator()(GENERAL_NAMES* p) const { GENERAL_NAMES_free(p); }
};
using Pkcs7Ptr = std::unique_ptr<PKCS7, Pkcs7Free>;
using X509Ptr = std::unique_ptr<X509, X509Free>;

// Where the parts of the file that the image digest leaves out lie.
struct PeLayout {
    uint64_t fileSize = 0;
    uint64_t checksumOffset = 0;       // CheckSum of the optional header, 4 bytes
    uint64_t certDirectoryOffset = 0;  // data directory 4, 8 bytes
    uint32_t tableOffset = 0;          // the certificate table (a file offset, not an RVA)
    uint32_t tableSize = 0;
};

std::optional<PeLayout> ReadPeLayout(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    PeLayout layout;
    layout.fileSize = static_cast<uint64_t>(st.st_size);
    auto inFile = [&](uint64_t offset, uint64_t length) {
        return offset <= layout.fileSize && length <= layout.fileSize - offset;
    };

    uint8_t dos[64];
    if (!inFile(0, sizeof dos) || !ReadExactlyAt(fd, 0, dos, sizeof dos) ||
        LittleEndian16(dos) != 0x5A4D)
        return std::nullopt;
    const uint64_t peOffset = LittleEndian32(dos + 0x3C);
    // Signature, file header and the optional header's first 2 bytes (the magic).
    uint8_t head[4 + 20 + 2];
    if (!inFile(peOffset, sizeof head) || !ReadExactlyAt(fd, peOffset, head, sizeof head))
        return std::nullopt;
    if (LittleEndian32(head) != 0x00004550) return std::nullopt;
    const uint16_t optionalSize = LittleEndian16(head + 4 + 16);
    const uint16_t magic = LittleEndian16(head + 24);
    const uint64_t optional = peOffset + 24;
    uint32_t countOffset;  // NumberOfRvaAndSizes; the data directories follow it
    if (magic == 0x10B) {
        countOffset = 92;
    } else if (magic == 0x20B) {
        countOffset = 108;
    } else {
        return std::nullopt;
    }
    const uint32_t entryOffset = countOffset + 4 + kSecurityDirectory * 8;
    if (optionalSize < entryOffset + 8 || !inFile(optional, optionalSize)) return std::nullopt;
    uint8_t count[4], entry[8];
    if (!ReadExactlyAt(fd, optional + countOffset, count, 4) ||
        LittleEndian32(count) <= kSecurityDirectory)
        return std::nullopt;
    if (!ReadExactlyAt(fd, optional + entryOffset, entry, 8)) return std::nullopt;
    layout.checksumOffset = optional + 64;
    layout.certDirectoryOffset = optional + entryOffset;
    layout.tableOffset = LittleEndian32(entry);
    layout.tableSize = LittleEndian32(entry + 4);
    return layout;
}

// The DER encoding of an OpenSSL object, through its i2d function.
template <typename T, typename F>
std::vector<uint8_t> Encode(T* object, F i2d) {
    unsigned char* der = nullptr;
    const int length = i2d(object, &der);
    if (length <= 0) return {};
    std::unique_ptr<unsigned char, OpenSslFree> owner(der);
    return std::vector<uint8_t>(der, der + length);
}

// The digests an Authenticode signature may use here.
const EVP_MD* AcceptedDigest(const ASN1_OBJECT* algorithm) {
    switch (OBJ_obj2nid(algorithm)) {
        case NID_sha1:
        case NID_sha256:
        case NID_sha384:
        case NID_sha512:
            return EVP_get_digestbyobj(algorithm);
        default:
            return nullptr;
    }
}

bool IsObject(const ASN1_OBJECT* object, std::span<const uint8_t> der) {
    const std::vector<uint8_t> encoded = Encode(object, i2d_ASN1_OBJECT);
    return std::equal(encoded.begin(), encoded.end(), der.begin(), der.end());
}

// One DER element at p (within end): its content and the end of the element.
struct Element {
    const unsigned char* content = nullptr;
    long length = 0;
    int tag = 0;
    const unsigned char* end = nullptr;
};

std::optional<Element> ReadElement(const unsigned char* p, const unsigned char* end) {
    Element e;
    int xclass = 0;
    e.content = p;
    const int flags = ASN1_get_object(&e.content, &e.length, &e.tag, &xclass, end - p);
    if (flags & 0x80) return std::nullopt;  // malformed or running past end
    if (flags & 0x01) return std::nullopt;  // indefinite length: not DER
    e.end = e.content + e.length;
    return e;
}

// SpcIndirectDataContent: the bytes its message digest covers (the content of the outer
// SEQUENCE, without tag and length) and the image digest it holds.
struct IndirectData {
    std::span<const uint8_t> digested;
    const EVP_MD* imageDigest = nullptr;
    std::vector<uint8_t> imageHash;
};

std::optional<IndirectData> ReadIndirectData(const ASN1_TYPE* content) {
    if (content == nullptr || content->type != V_ASN1_SEQUENCE ||
        content->value.sequence == nullptr)
        return std::nullopt;
    const unsigned char* begin = content->value.sequence->data;
    const unsigned char* end = begin + content->value.sequence->length;
    std::optional<Element> outer = ReadElement(begin, end);
    if (!outer || outer->tag != V_ASN1_SEQUENCE || outer->end != end) return std::nullopt;
    // data: SpcAttributeTypeAndOptionalValue, whose type must say "PE image".
    std::optional<Element> data = ReadElement(outer->content, outer->end);
    if (!data || data->tag != V_ASN1_SEQUENCE) return std::nullopt;
    std::optional<Element> type = ReadElement(data->content, data->end);
    if (!type || type->tag != V_ASN1_OBJECT ||
        !std::equal(data->content, type->end, std::begin(kSpcPeImageDataOid),
                    std::end(kSpcPeImageDataOid)))
        return std::nullopt;
    // messageDigest: DigestInfo, the last element.
    const unsigned char* p = data->end;
    std::unique_ptr<X509_SIG, X509SigFree> digestInfo(
        d2i_X509_SIG(nullptr, &p, outer->end - data->end));
    if (!digestInfo || p != outer->end) return std::nullopt;
    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OCTET_STRING* digest = nullptr;
    X509_SIG_get0(digestInfo.get(), &algorithm, &digest);
    const ASN1_OBJECT* algorithmId = nullptr;
    X509_ALGOR_get0(&algorithmId, nullptr, nullptr, algorithm);

    IndirectData result;
    result.digested = std::span<const uint8_t>(outer->content, outer->end);
    result.imageDigest = AcceptedDigest(algorithmId);
    if (result.imageDigest == nullptr) return std::nullopt;
    result.imageHash.assign(ASN1_STRING_get0_data(digest),
                            ASN1_STRING_get0_data(digest) + ASN1_STRING_length(digest));
    return result;
}

bool Digest(const EVP_MD* md, std::span<const uint8_t> data, std::vector<uint8_t>& out) {
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), hash, &length, md, nullptr) != 1) return false;
    out.assign(hash, hash + length);
    return true;
}

bool SameBytes(std::span<const uint8_t> a, const ASN1_STRING* b) {
    return b != nullptr && std::equal(a.begin(), a.end(), ASN1_STRING_get0_data(b),
                                      ASN1_STRING_get0_data(b) + ASN1_STRING_length(b));
}

// The signer's signature over its signed attributes, as a SET OF in the order received.
bool VerifySignedAttributes(PKCS7_SIGNER_INFO* signer, const EVP_MD* md, X509* certificate) {
    unsigned char* encoded = nullptr;
    const int length = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(signer->auth_attr), &encoded,
                                     ASN1_ITEM_rptr(PKCS7_ATTR_VERIFY));
    if (length <= 0) return false;
    std::unique_ptr<unsigned char, OpenSslFree> owner(encoded);
    EVP_PKEY* key = X509_get0_pubkey(certificate);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (key == nullptr || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, md, nullptr, key) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), signer->enc_digest->data,
                            static_cast<size_t>(signer->enc_digest->length), encoded,
                            static_cast<size_t>(length)) == 1;
}

// The Authenticode image digest of the file, read in chunks of a fixed size whatever the
// file's size.
bool DigestImage(int fd, const PeLayout& layout, const EVP_MD* md, std::vector<uint8_t>& out) {
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) return false;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<uint8_t> buffer(kStreamChunk);
    auto hashRange = [&](uint64_t from, uint64_t to) {
        while (from < to) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(to - from, buffer.size()));
            if (!ReadExactlyAt(fd, from, buffer.data(), n) ||
                EVP_DigestUpdate(ctx.get(), buffer.data(), n) != 1)
                return false;
            from += n;
        }
        return true;
    };
    if (!hashRange(0, layout.checksumOffset) ||
        !hashRange(layout.checksumOffset + 4, layout.certDirectoryOffset) ||
        !hashRange(layout.certDirectoryOffset + 8, layout.tableOffset))
        return false;
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), hash, &length) != 1) return false;
    out.assign(hash, hash + length);
    return true;
}

// The first of the simple display name's attributes that the name holds.
const ASN1_STRING* FindDisplayAttribute(const X509_NAME* name) {
    for (int nid : {NID_commonName, NID_organizationalUnitName, NID_organizationName,
                    NID_pkcs9_emailAddress}) {
        const int index = X509_NAME_get_index_by_NID(name, nid, -1);
        if (index >= 0) return X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index));
    }
    return nullptr;
}

// The simple display name in UTF-8: one of the name's attributes, else the first e-mail
// address of the matching alternative-name extension, else the name's first attribute.
std::optional<std::string> SimpleDisplayName(X509* certificate, bool issuer) {
    const X509_NAME* name =
        issuer ? X509_get_issuer_name(certificate) : X509_get_subject_name(certificate);
    const ASN1_STRING* value = FindDisplayAttribute(name);
    std::unique_ptr<GENERAL_NAMES, GeneralNamesFree> altNames(
        static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(
            certificate, issuer ? NID_issuer_alt_name : NID_subject_alt_name, nullptr, nullptr)));
    for (int i = 0; value == nullptr && altNames && i < sk_GENERAL_NAME_num(altNames.get()); ++i) {
        const GENERAL_NAME* alt = sk_GENERAL_NAME_value(altNames.get(), i);
        if (alt->type == GEN_EMAIL) value = alt->d.rfc822Name;
    }
    if (value == nullptr && X509_NAME_entry_count(name) > 0)
        value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, 0));
    if (value == nullptr) return std::string();

    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, value);
    if (length < 0) return std::nullopt;
    std::unique_ptr<unsigned char, OpenSslFree> owner(utf8);
    return std::string(reinterpret_cast<char*>(utf8), static_cast<size_t>(length));
}

}  // namespace

struct CCertificate::Impl {
    X509Ptr x509;
};

CCertificate::CCertificate() = default;
CCertificate::~CCertificate() = default;
CCertificate::CCertificate(CCertificate&&) noexcept = default;
CCertificate& CCertificate::operator=(CCertificate&&) noexcept = default;

std::vector<uint8_t> CCertificate::Der() const {
    if (!m_impl || !m_impl->x509) return {};
    return Encode(m_impl->x509.get(), i2d_X509);
}

struct CEmbeddedSignature::Impl {
    CFileDescriptor fd;
    PeLayout layout;
    Pkcs7Ptr pkcs7;

    PKCS7_SIGNER_INFO* Signer(size_t index) const {
        STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(pkcs7.get());
        if (signers == nullptr || index >= static_cast<size_t>(sk_PKCS7_SIGNER_INFO_num(signers)))
            return nullptr;
        return sk_PKCS7_SIGNER_INFO_value(signers, static_cast<int>(index));
    }
};

CEmbeddedSignature::CEmbeddedSignature(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
CEmbeddedSignature::~CEmbeddedSignature() = default;

std::unique_ptr<CEmbeddedSignature> CEmbeddedSignature::Open(const std::string& path) {
    auto impl = std::make_unique<Impl>();
    impl->fd = CFileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!impl->fd) return nullptr;
    std::optional<PeLayout> layout = ReadPeLayout(impl->fd.Get());
    if (!layout) return nullptr;
    impl->layout = *layout;
    const uint64_t table = layout->tableOffset, tableSize = layout->tableSize;
    if (table == 0 || tableSize < 8 || table > layout->fileSize ||
        tableSize > layout->fileSize - table)
        return nullptr;
    if (table < layout->certDirectoryOffset + 8) return nullptr;  // it would lie in the headers

    // WIN_CERTIFICATE: dwLength, wRevision, wCertificateType, bCertificate.
    uint8_t header[8];
    if (!ReadExactlyAt(impl->fd.Get(), table, header, sizeof header)) return nullptr;
    const uint32_t length = LittleEndian32(header);
    const uint16_t revision = LittleEndian16(header + 4), type = LittleEndian16(header + 6);
    if (type != kWinCertTypePkcsSignedData ||
        (revision != kWinCertRevision1 && revision != kWinCertRevision2))
        return nullptr;
    if (length < 8 || length > tableSize || length - 8 > kMaxSignatureEntrySize) return nullptr;
    std::vector<uint8_t> der(length - 8);
    if (!ReadExactlyAt(impl->fd.Get(), table + 8, der.data(), der.size())) return nullptr;

    const unsigned char* p = der.data();
    impl->pkcs7.reset(d2i_PKCS7(nullptr, &p, static_cast<long>(der.size())));
    if (!impl->pkcs7 || !PKCS7_type_is_signed(impl->pkcs7.get()) || impl->pkcs7->d.sign == nullptr)
        return nullptr;
    return std::unique_ptr<CEmbeddedSignature>(new CEmbeddedSignature(std::move(impl)));
}

std::optional<SignerInfo> CEmbeddedSignature::GetSignerInfo(size_t index, uint32_t& error) const {
    PKCS7_SIGNER_INFO* signer = m_impl->Signer(index);
    if (signer == nullptr || signer->issuer_and_serial == nullptr) {
        error = kCryptErrorInvalidIndex;
        return std::nullopt;
    }
    SignerInfo info;
    info.issuer = Encode(signer->issuer_and_serial->issuer, i2d_X509_NAME);
    info.serialNumber = Encode(signer->issuer_and_serial->serial, i2d_ASN1_INTEGER);
    return info;
}

std::optional<CCertificate> CEmbeddedSignature::FindCertificate(const SignerInfo& signer,
                                                                uint32_t& error) const {
    STACK_OF(X509)* certificates = m_impl->pkcs7->d.sign->cert;
    for (int i = 0; certificates != nullptr && i < sk_X509_num(certificates); ++i) {
        X509* candidate = sk_X509_value(certificates, i);
        if (Encode(X509_get_issuer_name(candidate), i2d_X509_NAME) != signer.issuer) continue;
        if (Encode(X509_get0_serialNumber(candidate), i2d_ASN1_INTEGER) != signer.serialNumber)
            continue;
        if (X509_up_ref(candidate) != 1) break;
        CCertificate found;
        found.m_impl = std::make_unique<CCertificate::Impl>();
        found.m_impl->x509.reset(candidate);
        return found;
    }
    error = kCryptErrorNotFound;
    return std::nullopt;
}

bool CEmbeddedSignature::VerifyImageIntegrity(const CCertificate& certificate) const {
    const PeLayout& layout = m_impl->layout;
    PKCS7_SIGNER_INFO* signer = m_impl->Signer(0);
    if (signer == nullptr || !certificate.m_impl || !certificate.m_impl->x509) return false;
    if (uint64_t{layout.tableOffset} + layout.tableSize != layout.fileSize)
        return false;  // unsigned bytes at the end

    // The signed content is a PE image's SpcIndirectDataContent, and the signed attributes say so.
    PKCS7* content = m_impl->pkcs7->d.sign->contents;
    if (content == nullptr || !IsObject(content->type, kSpcIndirectDataOid)) return false;
    ASN1_TYPE* contentType = PKCS7_get_signed_attribute(signer, NID_pkcs9_contentType);
    if (contentType == nullptr || contentType->type != V_ASN1_OBJECT ||
        !IsObject(contentType->value.object, kSpcIndirectDataOid))
        return false;
    std::optional<IndirectData> indirect = ReadIndirectData(content->d.other);
    if (!indirect) return false;

    // The message digest covers the content; the signature covers the signed attributes.
    const EVP_MD* md = AcceptedDigest(signer->digest_alg->algorithm);
    std::vector<uint8_t> contentHash;
    if (md == nullptr || !Digest(md, indirect->digested, contentHash)) return false;
    if (!SameBytes(contentHash, PKCS7_digest_from_attributes(signer->auth_attr))) return false;
    if (!VerifySignedAttributes(signer, md, certificate.m_impl->x509.get())) return false;

    // The image digest in the content is this file's.
    std::vector<uint8_t> imageHash;
    return DigestImage(m_impl->fd.Get(), layout, indirect->imageDigest, imageHash) &&
           imageHash == indirect->imageHash;
}

size_t GetCertificateNameString(const CCertificate& certificate, bool issuer,
                                std::span<char> buffer) {
    if (!certificate.m_impl || !certificate.m_impl->x509) return 0;
    std::optional<std::string> utf8 = SimpleDisplayName(certificate.m_impl->x509.get(), issuer);
    if (!utf8) return 0;
    const std::string name = Utf8ToGbk(*utf8);
    if (buffer.empty()) return name.size() + 1;
    const size_t copied = std::min(name.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), name.data(), copied);
    buffer[copied] = '\0';
    return copied + 1;
}

}  // namespace platform
