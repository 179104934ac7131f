// The package check on real files made by the build: the substitute package
// signed by the test publisher, its unsigned build, a copy signed by an
// unrelated publisher, and copies changed or cut here.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "core/UiHandle.h"
#include "installer/engine/PackageVerifier.h"

using namespace ZKInstaller;

namespace {

std::wstring WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine's drive for the Unix root
    std::wstring wide(path.begin(), path.end());
    for (auto& c : wide) {
        if (c == L'/') c = L'\\';
    }
    return wide;
}

// "subject|sha256hex", as the build writes a pin.
PublisherPin Pin(const std::string& text) {
    const size_t bar = text.find('|');
    return {std::wstring(text.begin(), text.begin() + bar), std::wstring(text.begin() + bar + 1, text.end())};
}

const std::wstring kSigned = WindowsPath(ZK_SIGNED_PACKAGE);
const std::wstring kUnsigned = WindowsPath(ZK_UNSIGNED_PACKAGE);
const std::wstring kWrongPublisher = WindowsPath(ZK_WRONG_PUBLISHER_PACKAGE);
const PublisherPin kPublisher = Pin(ZK_TEST_PUBLISHER_PIN);
const PublisherPin kWrong = Pin(ZK_WRONG_PUBLISHER_PIN);

VerifyResult Verify(const std::wstring& path, const VerificationPolicy& policy = {{kPublisher}, L""}) {
    // Held as the installer holds the package: read, deny-write.
    Veneer::UiKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file) << "cannot open " << testing::PrintToString(path);
    // The hash must start at offset 0 wherever the caller left the file pointer.
    ::SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    return VerifyPackage(file.Get(), path.c_str(), policy);
}

// A temporary copy of `source` that `change` edits through a read-write handle.
class EditedCopy {
public:
    template <typename Change>
    EditedCopy(const std::wstring& source, const wchar_t* name, Change change) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"zk-verify-" + name + L".exe";
        EXPECT_TRUE(::CopyFileW(source.c_str(), m_path.c_str(), FALSE));
        Veneer::UiKernelHandle file(::CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        ::GetFileSizeEx(file.Get(), &size);
        change(file.Get(), size.QuadPart);
    }
    ~EditedCopy() { ::DeleteFileW(m_path.c_str()); }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

void Seek(HANDLE file, LONGLONG offset) {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
}

}  // namespace

TEST(PackageVerifier, SignedPackagePassesAndReportsItsSigner) {
    const VerifyResult result = Verify(kSigned);
    EXPECT_EQ(result.status, VerifyStatus::Ok) << testing::PrintToString(DescribeVerification(result, {{kPublisher}, L""}));
    EXPECT_EQ(result.trustResult, 0);
    EXPECT_EQ(result.signerSubject, kPublisher.subject);
    EXPECT_EQ(result.signerKeySha256, kPublisher.keySha256);
    EXPECT_EQ(result.fileSha256.size(), 64u);
}

TEST(PackageVerifier, FileHashIsSha256OfTheWholeFile) {
    // The standard vector: a million 'a' (several 64 KiB reads and a partial one).
    EditedCopy file(kUnsigned, L"million-a", [](HANDLE h, LONGLONG) {
        Seek(h, 0);
        const std::string block(1000000, 'a');
        DWORD written = 0;
        ::WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
        ::SetEndOfFile(h);
    });
    const VerifyResult result = Verify(file.Path());
    EXPECT_NE(result.status, VerifyStatus::Ok);
    EXPECT_EQ(result.fileSha256, L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(PackageVerifier, UnsignedAndTamperedFilesAreRefused) {
    EditedCopy changed(kSigned, L"changed", [](HANDLE h, LONGLONG size) {
        Seek(h, size / 2);  // inside the code, far from the signature
        BYTE b = 0;
        DWORD done = 0;
        ::ReadFile(h, &b, 1, &done, nullptr);
        b ^= 0x01;
        Seek(h, size / 2);
        ::WriteFile(h, &b, 1, &done, nullptr);
    });
    // Cut inside the signature, and a download that stopped half-way.
    EditedCopy cutSignature(kSigned, L"cut-signature", [](HANDLE h, LONGLONG size) {
        Seek(h, size - 100);
        ::SetEndOfFile(h);
    });
    EditedCopy cutHalf(kSigned, L"cut-half", [](HANDLE h, LONGLONG size) {
        Seek(h, size / 2);
        ::SetEndOfFile(h);
    });
    const struct {
        const std::wstring& path;
        VerifyStatus status;
    } cases[] = {
        {kUnsigned, VerifyStatus::NoSignature},
        {changed.Path(), VerifyStatus::BadSignature},
        {cutSignature.Path(), VerifyStatus::BadSignature},
        {cutHalf.Path(), VerifyStatus::BadSignature},
    };
    for (const auto& c : cases) {
        const VerifyResult result = Verify(c.path);
        EXPECT_EQ(result.status, c.status) << testing::PrintToString(c.path) << " "
                                           << testing::PrintToString(DescribeVerification(result, {{kPublisher}, L""}));
        EXPECT_NE(result.trustResult, 0);
    }
}

TEST(PackageVerifier, SignerMustMatchOnePinBySubjectAndKey) {
    std::wstring upperKey = kPublisher.keySha256;
    for (auto& c : upperKey) c = static_cast<wchar_t>(towupper(c));
    const struct {
        const wchar_t* what;
        std::vector<PublisherPin> pins;
        VerifyStatus status;
    } cases[] = {
        {L"second pin matches (rotation)", {kWrong, kPublisher}, VerifyStatus::Ok},
        {L"key hex in upper case", {{kPublisher.subject, upperKey}}, VerifyStatus::Ok},
        {L"right subject, other key", {{kPublisher.subject, kWrong.keySha256}}, VerifyStatus::WrongPublisher},
        {L"other subject, right key", {{kWrong.subject, kPublisher.keySha256}}, VerifyStatus::WrongPublisher},
        {L"nothing pinned", {}, VerifyStatus::WrongPublisher},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Verify(kSigned, {c.pins, L""}).status, c.status) << testing::PrintToString(std::wstring(c.what));
    }

    // Wine accepts the unrelated self-signed chain (Windows would already
    // answer Untrusted): the pin alone refuses it.
    const VerifyResult wrong = Verify(kWrongPublisher);
    EXPECT_EQ(wrong.status, VerifyStatus::WrongPublisher);
    EXPECT_EQ(wrong.signerSubject, kWrong.subject);
    EXPECT_EQ(wrong.signerKeySha256, kWrong.keySha256);
}

TEST(PackageVerifier, PinnedPackageHashMustMatch) {
    const std::wstring actual = Verify(kSigned).fileSha256;
    std::wstring other = actual;
    other[0] = other[0] == L'0' ? L'1' : L'0';
    EXPECT_EQ(Verify(kSigned, {{kPublisher}, other}).status, VerifyStatus::HashMismatch);
    EXPECT_EQ(Verify(kSigned, {{kPublisher}, actual}).status, VerifyStatus::Ok);
}

TEST(PackageVerifier, DescriptionNamesWhatWasExpectedAndFound) {
    const VerificationPolicy policy{{kPublisher}, std::wstring(64, L'a')};
    const VerifyResult wrong = Verify(kWrongPublisher, policy);
    const std::wstring line = DescribeVerification(wrong, policy);
    for (const std::wstring& part : {kPublisher.subject, kPublisher.keySha256, policy.packageSha256, kWrong.subject,
                                     kWrong.keySha256, wrong.fileSha256}) {
        EXPECT_NE(line.find(part), std::wstring::npos) << testing::PrintToString(part);
    }
    const VerifyResult unsigned_ = Verify(kUnsigned, policy);
    EXPECT_NE(DescribeVerification(unsigned_, policy).find(L"0x800B0100"), std::wstring::npos)
        << testing::PrintToString(DescribeVerification(unsigned_, policy));
}

namespace {
struct CertificateTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CertFreeCertificateContext(handle); }
};
struct CertStoreTraits {
    using Handle = HCERTSTORE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CertCloseStore(handle, 0); }
};
struct ChainTraits {
    using Handle = PCCERT_CHAIN_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CertFreeCertificateChain(handle); }
};

Veneer::UiHandle<CertificateTraits> LoadCertificate(const std::wstring& path) {
    Veneer::UiKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    BYTE der[8192];
    DWORD size = 0;
    ::ReadFile(file.Get(), der, sizeof(der), &size, nullptr);
    return Veneer::UiHandle<CertificateTraits>(::CertCreateCertificateContext(X509_ASN_ENCODING, der, size));
}
}  // namespace

// scripts/trust-test-root.sh made the prefix trust the test root, as Windows
// trusts a real publisher's root; the test publisher's chain ends in it.
TEST(PackageVerifier, PrefixTrustsTheTestRoot) {
    const std::wstring pki = WindowsPath(ZK_TEST_PKI_DIR);
    const auto leaf = LoadCertificate(pki + L"\\leaf.der");
    const auto root = LoadCertificate(pki + L"\\root.der");
    ASSERT_TRUE(leaf && root);
    // The root is handed in too, so that the chain is built whether or not it is trusted.
    Veneer::UiHandle<CertStoreTraits> extra(
        ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    ASSERT_TRUE(::CertAddCertificateContextToStore(extra.Get(), root.Get(), CERT_STORE_ADD_ALWAYS, nullptr));
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof(para);
    PCCERT_CHAIN_CONTEXT raw = nullptr;
    ASSERT_TRUE(::CertGetCertificateChain(nullptr, leaf.Get(), nullptr, extra.Get(), &para, 0, nullptr, &raw));
    Veneer::UiHandle<ChainTraits> chain(raw);
    EXPECT_EQ(chain.Get()->TrustStatus.dwErrorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT, 0u)
        << "run scripts/trust-test-root.sh for this prefix";
    EXPECT_EQ(chain.Get()->rgpChain[0]->cElement, 2u);
}
