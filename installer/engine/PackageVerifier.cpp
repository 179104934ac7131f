#include "installer/engine/PackageVerifier.h"

// Every call into wintrust.dll and crypt32.dll stays in this file, so that the
// way those DLLs are loaded can change in one place.
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

#include "ZKBuildSettings.h"
#include "ZKCore/ZKString.h"
#include "core/UiHandle.h"

namespace ZKInstaller {
namespace {

struct CryptProviderTraits {
    using Handle = HCRYPTPROV;
    static Handle Invalid() { return 0; }
    static void Close(Handle handle) { ::CryptReleaseContext(handle, 0); }
};
struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static Handle Invalid() { return 0; }
    static void Close(Handle handle) { ::CryptDestroyHash(handle); }
};
struct CertificateTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CertFreeCertificateContext(handle); }
};
using Certificate = Veneer::UiHandle<CertificateTraits>;

constexpr DWORD kReadBlock = 64 * 1024;  // bytes read per ReadFile while hashing the package

// SHA-256 through advapi32's CryptoAPI (present on every Windows, unlike
// bcrypt's SHA-256 before Vista); PROV_RSA_AES is the provider that has it.
class Sha256 {
public:
    Sha256() {
        if (HCRYPTPROV provider = 0;
            ::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
            m_provider.Reset(provider);
            HCRYPTHASH hash = 0;
            if (::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) m_hash.Reset(hash);
        }
    }
    bool Add(const void* data, DWORD size) {
        return m_hash && ::CryptHashData(m_hash.Get(), static_cast<const BYTE*>(data), size, 0);
    }
    // 64 lower-case hex digits; empty when hashing failed.
    std::wstring Hex() {
        BYTE digest[32];
        DWORD size = sizeof(digest);
        if (!m_hash || !::CryptGetHashParam(m_hash.Get(), HP_HASHVAL, digest, &size, 0) || size != sizeof(digest))
            return {};
        std::wstring hex;
        for (BYTE b : digest) {
            hex += L"0123456789abcdef"[b >> 4];
            hex += L"0123456789abcdef"[b & 15];
        }
        return hex;
    }

private:
    Veneer::UiHandle<CryptProviderTraits> m_provider;  // declared first: destroyed after the hash
    Veneer::UiHandle<CryptHashTraits> m_hash;
};

std::wstring HashFile(HANDLE file) {
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return {};
    Sha256 sha;
    std::vector<BYTE> block(kReadBlock);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, block.data(), kReadBlock, &read, nullptr)) return {};
        if (read == 0) break;
        if (!sha.Add(block.data(), read)) return {};
    }
    return sha.Hex();
}

// One WinVerifyTrust verification, its state held open until destruction so
// the signer read from it stays valid. Not movable: the trust data points at
// the file information inside it.
class TrustVerification {
public:
    TrustVerification(HANDLE file, const wchar_t* path) {
        m_file.cbStruct = sizeof(m_file);
        m_file.pcwszFilePath = path;
        m_file.hFile = file;  // the bytes checked are read through the caller's deny-write handle
        m_data.cbStruct = sizeof(m_data);
        m_data.dwUIChoice = WTD_UI_NONE;
        m_data.fdwRevocationChecks = WTD_REVOKE_NONE;
        m_data.dwUnionChoice = WTD_CHOICE_FILE;
        m_data.pFile = &m_file;
        m_data.dwStateAction = WTD_STATEACTION_VERIFY;
        m_data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
        m_result = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &m_action, &m_data);
    }
    ~TrustVerification() {
        m_data.dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &m_action, &m_data);
    }
    TrustVerification(const TrustVerification&) = delete;
    TrustVerification& operator=(const TrustVerification&) = delete;

    LONG Result() const { return m_result; }
    // The first signer's certificate from the verified signature's chain.
    // Wine 8 fills that chain as Windows does whenever the signature verifies
    // (reading the file's embedded PKCS#7 is never needed); after a bad
    // digest neither has one, and this is null.
    Certificate Signer() const {
        CRYPT_PROVIDER_DATA* data = m_data.hWVTStateData ? ::WTHelperProvDataFromStateData(m_data.hWVTStateData) : nullptr;
        CRYPT_PROVIDER_SGNR* signer = data ? ::WTHelperGetProvSignerFromChain(data, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* cert = signer ? ::WTHelperGetProvCertFromChain(signer, 0) : nullptr;
        return Certificate(cert && cert->pCert ? ::CertDuplicateCertificateContext(cert->pCert) : nullptr);
    }

private:
    GUID m_action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO m_file{};
    WINTRUST_DATA m_data{};
    LONG m_result = 0;
};

// Whether the PE headers declare an Authenticode certificate table. A file
// that declares one in which the platform finds no signature was cut short
// before its table: a partial download, not an unsigned package.
bool DeclaresCertificateTable(HANDLE file) {
    BYTE head[4096];
    DWORD read = 0;
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !::ReadFile(file, head, sizeof(head), &read, nullptr))
        return false;
    IMAGE_DOS_HEADER dos;
    if (read < sizeof(dos)) return false;
    std::memcpy(&dos, head, sizeof(dos));
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
        static_cast<DWORD>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS64) > read)
        return false;
    const BYTE* nt = head + dos.e_lfanew;
    DWORD signature = 0;
    WORD magic = 0;
    std::memcpy(&signature, nt, sizeof(signature));
    std::memcpy(&magic, nt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader.Magic), sizeof(magic));
    if (signature != IMAGE_NT_SIGNATURE) return false;
    IMAGE_DATA_DIRECTORY table{};
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        std::memcpy(&table, nt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY]),
                    sizeof(table));
    else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        std::memcpy(&table, nt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY]),
                    sizeof(table));
    return table.Size != 0;
}

std::wstring CommonName(PCCERT_CONTEXT cert) {
    void* oid = const_cast<char*>(szOID_COMMON_NAME);
    const DWORD length = ::CertGetNameStringW(cert, CERT_NAME_ATTR_TYPE, 0, oid, nullptr, 0);
    if (length <= 1) return {};
    std::wstring name(length, L'\0');
    ::CertGetNameStringW(cert, CERT_NAME_ATTR_TYPE, 0, oid, &name[0], length);
    name.resize(length - 1);
    return name;
}

// SHA-256 of the DER SubjectPublicKeyInfo: what `openssl x509 -pubkey | openssl
// pkey -pubin -outform der | sha256sum` gives for the same certificate.
std::wstring PublicKeySha256(PCCERT_CONTEXT cert) {
    CERT_PUBLIC_KEY_INFO* key = &cert->pCertInfo->SubjectPublicKeyInfo;
    DWORD size = 0;
    if (!::CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, key, nullptr, &size)) return {};
    std::vector<BYTE> der(size);
    if (!::CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, key, der.data(), &size)) return {};
    Sha256 sha;
    return sha.Add(der.data(), size) ? sha.Hex() : std::wstring();
}

bool SameHex(const std::wstring& a, const std::wstring& b) { return !a.empty() && _wcsicmp(a.c_str(), b.c_str()) == 0; }

VerifyStatus StatusOfTrustResult(LONG result, HANDLE file) {
    switch (static_cast<HRESULT>(result)) {
    case TRUST_E_NOSIGNATURE:
    case TRUST_E_SUBJECT_FORM_UNKNOWN:
    case TRUST_E_PROVIDER_UNKNOWN:
        return DeclaresCertificateTable(file) ? VerifyStatus::BadSignature : VerifyStatus::NoSignature;
    case TRUST_E_BAD_DIGEST:
    // Wine's answer (a plain Win32 code) for a certificate table cut short.
    case ERROR_INSUFFICIENT_BUFFER:
        return VerifyStatus::BadSignature;
    default:
        return VerifyStatus::Untrusted;
    }
}

const wchar_t* StatusName(VerifyStatus status) {
    switch (status) {
    case VerifyStatus::Ok: return L"ok";
    case VerifyStatus::Unreadable: return L"unreadable";
    case VerifyStatus::NoSignature: return L"no signature";
    case VerifyStatus::BadSignature: return L"signature does not match the file";
    case VerifyStatus::Untrusted: return L"signature not trusted";
    case VerifyStatus::WrongPublisher: return L"signer is not a pinned publisher";
    case VerifyStatus::HashMismatch: return L"package hash differs from the pinned one";
    }
    return L"?";
}

}  // namespace

VerificationPolicy BuiltInVerificationPolicy() {
    return VerificationPolicy{{ZK_PUBLISHER_PINS}, ZK_PACKAGE_SHA256};
}

VerifyResult VerifyPackage(HANDLE file, const wchar_t* path, const VerificationPolicy& policy) {
    VerifyResult result;
    if (!file || file == INVALID_HANDLE_VALUE || !path) return result;
    result.fileSha256 = HashFile(file);
    if (result.fileSha256.empty()) return result;

    const TrustVerification trust(file, path);
    result.trustResult = trust.Result();
    if (result.trustResult != 0) result.status = StatusOfTrustResult(result.trustResult, file);
    // The signer is read even when the platform refused the signature, for the log.
    if (result.status != VerifyStatus::NoSignature) {
        const Certificate signer = trust.Signer();
        if (signer) {
            result.signerSubject = CommonName(signer.Get());
            result.signerKeySha256 = PublicKeySha256(signer.Get());
        }
    }
    if (result.trustResult != 0) return result;

    // The platform accepts any chain it trusts (Wine even an untrusted
    // self-signed one): the pin is what names the publisher.
    result.status = VerifyStatus::WrongPublisher;
    for (const PublisherPin& pin : policy.publishers) {
        if (!result.signerSubject.empty() && result.signerSubject == pin.subject &&
            SameHex(result.signerKeySha256, pin.keySha256)) {
            result.status = VerifyStatus::Ok;
            break;
        }
    }
    if (result.Ok() && !policy.packageSha256.empty() && !SameHex(result.fileSha256, policy.packageSha256))
        result.status = VerifyStatus::HashMismatch;
    return result;
}

std::wstring DescribeVerification(const VerifyResult& result, const VerificationPolicy& policy) {
    std::wstring line = L"package check: ";
    line += StatusName(result.status);
    line += L"; expected signer";
    for (size_t i = 0; i < policy.publishers.size(); ++i) {
        line += i == 0 ? L" " : L" or ";
        line += L"'" + policy.publishers[i].subject + L"' key " + policy.publishers[i].keySha256;
    }
    if (policy.publishers.empty()) line += L" (none pinned)";
    line += L", package sha256 " + (policy.packageSha256.empty() ? std::wstring(L"any") : policy.packageSha256);
    line += L"; found signer '" + result.signerSubject + L"' key " +
            (result.signerKeySha256.empty() ? std::wstring(L"-") : result.signerKeySha256);
    line += L", file sha256 " + (result.fileSha256.empty() ? std::wstring(L"-") : result.fileSha256);
    return line + ZKCore::FormatText(L", trust result 0x%08lX", static_cast<unsigned long>(result.trustResult));
}

}  // namespace ZKInstaller
