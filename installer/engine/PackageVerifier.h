#pragma once
// What is checked before a downloaded package may run elevated: its
// Authenticode signature over the exact bytes on disk, a signer that is one of
// the publishers pinned at build time, and (when the build pins one) the
// package's SHA-256.
#include <windows.h>

#include <string>
#include <vector>

namespace ZKInstaller {

// A publisher the build trusts: the signing certificate's subject (its common
// name) and the SHA-256 of its DER SubjectPublicKeyInfo, 64 lower-case hex digits.
struct PublisherPin {
    std::wstring subject;
    std::wstring keySha256;
};

struct VerificationPolicy {
    std::vector<PublisherPin> publishers;  // any one of them may have signed
    std::wstring packageSha256;            // 64 lower-case hex digits; empty: not pinned
};

enum class VerifyStatus {
    Ok,
    Unreadable,      // the file could not be read or hashed
    NoSignature,     // no Authenticode signature at all
    BadSignature,    // signed, but the signature does not cover these bytes (changed or truncated)
    Untrusted,       // the platform refused the signature or its chain for another reason
    WrongPublisher,  // a valid signature by a signer that is not pinned
    HashMismatch,    // the pinned package hash differs
};

struct VerifyResult {
    VerifyStatus status = VerifyStatus::Unreadable;
    long trustResult = 0;        // the platform's verdict (an HRESULT), 0 when it accepted
    std::wstring signerSubject;  // empty when no signer could be read
    std::wstring signerKeySha256;
    std::wstring fileSha256;
    bool Ok() const { return status == VerifyStatus::Ok; }
};

// The policy baked in at build time.
VerificationPolicy BuiltInVerificationPolicy();
// Verifies the package at `path`, read through `file` (opened by the caller
// for reading and held deny-write, so the bytes checked are the bytes run).
VerifyResult VerifyPackage(HANDLE file, const wchar_t* path, const VerificationPolicy& policy);
// One line for the log: what was expected and what was found.
std::wstring DescribeVerification(const VerifyResult& result, const VerificationPolicy& policy);

}  // namespace ZKInstaller
