#pragma once
// The downloader's decisions that need no network: how long to wait before
// the next attempt, which failures are worth another attempt, what the
// response headers say (Content-Range, Retry-After, validators), whether the
// bytes can be the program, and whether the disk can take them.
#include <windows.h>

#include <functional>
#include <string>

namespace ZKInstaller {

// How a download retries. Times in milliseconds.
struct RetryPolicy {
    DWORD firstDelayMs = 1000;       // the wait after the first failure in a row; doubles after each
    DWORD maxDelayMs = 8000;         // the doubling stops here
    DWORD retryAfterCapMs = 60000;   // the longest wait a server's Retry-After is granted
    DWORD budgetMs = 120000;         // all waits of one download together
    int attemptsPerAddress = 5;      // failures in a row on one address before the next is tried
    double jitter = 0.2;             // each wait varies by up to this fraction either way
};

// What a failed attempt means for the next one.
enum class FailureKind {
    Transient,  // try the same address again after a wait (reset, stall, 5xx, 408, 429, no connection)
    Permanent,  // this address will not serve the package (404, 410, other 4xx, a page, a loop): the next one
    Fatal,      // no address can help (no room on the disk): stop
};

// 5xx, 408 and 429 pass; 404, 410 and every other 4xx do not; statuses the
// platform does not follow (1xx, 3xx) are taken as passing.
FailureKind ClassifyHttpStatus(unsigned status);

// The wait before the next attempt after `failuresInARow` failures without
// progress (0 after an attempt that brought bytes: at once): firstDelayMs
// doubled per further failure, capped at maxDelayMs, then varied by the
// jitter. `random01` is uniform in [0, 1).
DWORD BackoffDelayMs(const RetryPolicy& policy, int failuresInARow, double random01);
// The wait a server asked for, capped; `serverAskedMs` < 0 when it asked for none.
DWORD ServerDelayMs(const RetryPolicy& policy, long long serverAskedMs);

// The value of the first header `name` in raw response headers ("Name: value"
// lines; the status line and blank lines are skipped), trimmed; empty when absent.
std::wstring HeaderValue(const wchar_t* headers, const wchar_t* name);
// Calls `fn(name, value)`, both trimmed, for every "name: value" line of raw
// headers, in order, until it returns false; the status line is skipped.
void ForEachHeader(const wchar_t* headers,
                   const std::function<bool(const std::wstring& name, const std::wstring& value)>& fn);
// The text without the white space at either end.
std::wstring TrimSpaces(const std::wstring& text);
// Equal when ASCII and other letters are folded to lower case.
bool EqualsNoCase(const std::wstring& a, const wchar_t* b);

// "bytes FIRST-LAST/TOTAL" of a 206 answer. TOTAL may be "*" (unknown, -1).
struct ContentRange {
    long long first = -1;
    long long last = -1;
    long long total = -1;
};
bool ParseContentRange(const std::wstring& value, ContentRange& range);

// Milliseconds from `nowUtc` that a Retry-After value asks for: whole seconds
// or an HTTP date (a date in the past asks for 0); -1 when malformed.
long long RetryAfterMs(const std::wstring& value, const SYSTEMTIME& nowUtc);

// The validator for If-Range: a strong ETag, else the Last-Modified date;
// empty when the answer had neither (then a break means starting over). A weak
// ETag ("W/...") cannot validate a range.
std::wstring RangeValidator(const std::wstring& etag, const std::wstring& lastModified);

// Whether a media type names a web page ("text/html", "application/xhtml+xml").
bool IsPageType(const std::wstring& contentType);
// Whether the first bytes of a body can start a Windows program ("MZ"):
// a page, a proxy's notice or anything else is refused before it is run.
bool StartsLikeProgram(const char* bytes, size_t count);

// Bytes the target folder must have free before an answer of `announced`
// bytes is written: the body, again when it is a piece appended to what is
// held (the piece file and the grown file exist together for a moment), and a
// margin for the log and the control file.
long long SpaceNeeded(long long announced, bool appendedPiece);
constexpr long long kSpaceMargin = 1024 * 1024;

}  // namespace ZKInstaller
