// zk_trust_root <certificate.der>: adds a DER certificate to the local
// machine's trusted root store, so that a test prefix trusts the test PKI's
// root the way a Windows machine trusts a real publisher's root. Exit code 0
// when the certificate is in the store afterwards. A test tool: never shipped.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

#include "core/UiHandle.h"

namespace {

struct CertStoreTraits {
    using Handle = HCERTSTORE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CertCloseStore(handle, 0); }
};

bool ReadWholeFile(const wchar_t* path, std::vector<BYTE>* bytes) {
    Veneer::UiKernelHandle file(
        ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > 1 << 20) return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return ::ReadFile(file.Get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
           read == bytes->size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zk_trust_root <certificate.der>\n");
        return 2;
    }
    std::vector<BYTE> der;
    if (!ReadWholeFile(argv[1], &der)) {
        std::fprintf(stderr, "zk_trust_root: cannot read %ls\n", argv[1]);
        return 1;
    }
    Veneer::UiHandle<CertStoreTraits> root(::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                                           CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
    if (!root || !::CertAddEncodedCertificateToStore(root.Get(), X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()),
                                                     CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
        std::fprintf(stderr, "zk_trust_root: cannot add %ls to the machine's root store: error %lu\n", argv[1],
                     ::GetLastError());
        return 1;
    }
    return 0;
}
