#include "installer/engine/DownloadPolicy.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace ZKInstaller {

std::wstring TrimSpaces(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::iswspace(text[first])) ++first;
    while (last > first && std::iswspace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return i == a.size() && b[i] == L'\0';
}

namespace {

// Digits only, at most 18 of them so the value cannot overflow; -1 otherwise.
long long ParseCount(const std::wstring& text) {
    if (text.empty() || text.size() > 18) return -1;
    long long value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value;
}

long long FileTimeMs(const SYSTEMTIME& time) {
    FILETIME file{};
    if (!SystemTimeToFileTime(&time, &file)) return -1;
    ULARGE_INTEGER ticks{};
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    return static_cast<long long>(ticks.QuadPart / 10000);  // 100 ns units
}

// "hh:mm:ss", each part one or two digits.
bool ParseClock(const std::wstring& token, int& hour, int& minute, int& second) {
    int* const parts[] = {&hour, &minute, &second};
    size_t i = 0;
    for (int part = 0; part < 3; ++part) {
        if (part > 0 && (i >= token.size() || token[i++] != L':')) return false;
        int value = 0, digits = 0;
        for (; i < token.size() && digits < 2 && token[i] >= L'0' && token[i] <= L'9'; ++i, ++digits) {
            value = value * 10 + (token[i] - L'0');
        }
        if (digits == 0) return false;
        *parts[part] = value;
    }
    return true;
}

// The three date forms HTTP allows, all in GMT: "Sun, 06 Nov 1994 08:49:37 GMT",
// "Sunday, 06-Nov-94 08:49:37 GMT" and "Sun Nov  6 08:49:37 1994". Read as
// tokens: the weekday and "GMT" are skipped, the rest must all be there.
bool ParseHttpDate(const std::wstring& text, SYSTEMTIME& when) {
    static const wchar_t* const kMonths[] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                             L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};
    int day = -1, month = -1, year = -1, hour = -1, minute = -1, second = -1;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == L' ' || text[i] == L',' || text[i] == L'-')) ++i;
        size_t end = i;
        while (end < text.size() && text[end] != L' ' && text[end] != L',' && text[end] != L'-') ++end;
        const std::wstring token = text.substr(i, end - i);
        i = end;
        if (token.empty()) continue;
        if (token.find(L':') != std::wstring::npos) {
            if (hour >= 0 || !ParseClock(token, hour, minute, second)) return false;
        } else if (std::iswdigit(token[0])) {
            const long long number = ParseCount(token);
            if (number < 0) return false;
            if (token.size() <= 2 && day < 0) {
                day = static_cast<int>(number);
            } else if (year < 0) {
                // Two digits: the obsolete form; taken as within 1970..2069.
                year = static_cast<int>(token.size() == 2 ? (number >= 70 ? 1900 + number : 2000 + number) : number);
            } else {
                return false;
            }
        } else if (token.size() == 3 && month < 0) {
            for (int m = 0; m < 12; ++m) {
                if (EqualsNoCase(token, kMonths[m])) month = m + 1;
            }
        }
    }
    if (day < 1 || day > 31 || month < 1 || year < 1601 || year > 30827 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60) {
        return false;
    }
    when = SYSTEMTIME{};
    when.wYear = static_cast<WORD>(year);
    when.wMonth = static_cast<WORD>(month);
    when.wDay = static_cast<WORD>(day);
    when.wHour = static_cast<WORD>(hour);
    when.wMinute = static_cast<WORD>(minute);
    when.wSecond = static_cast<WORD>(std::min(second, 59));
    return true;
}
}  // namespace

FailureKind ClassifyHttpStatus(unsigned status) {
    if (status == 408 || status == 429 || status >= 500) return FailureKind::Transient;
    if (status >= 400) return FailureKind::Permanent;
    return FailureKind::Transient;
}

DWORD BackoffDelayMs(const RetryPolicy& policy, int failuresInARow, double random01) {
    if (failuresInARow <= 0) return 0;
    double delay = policy.firstDelayMs;
    for (int i = 1; i < failuresInARow && delay < policy.maxDelayMs; ++i) delay *= 2;
    delay = std::min(delay, static_cast<double>(policy.maxDelayMs));
    const double spread = std::clamp(policy.jitter, 0.0, 1.0);
    delay *= 1.0 + spread * (2.0 * std::clamp(random01, 0.0, 1.0) - 1.0);
    return static_cast<DWORD>(delay + 0.5);
}

DWORD ServerDelayMs(const RetryPolicy& policy, long long serverAskedMs) {
    if (serverAskedMs < 0) return 0;
    return static_cast<DWORD>(std::min<long long>(serverAskedMs, policy.retryAfterCapMs));
}

void ForEachHeader(const wchar_t* headers,
                   const std::function<bool(const std::wstring& name, const std::wstring& value)>& fn) {
    if (!headers) return;
    const std::wstring all(headers);
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find(L'\n', start);
        if (end == std::wstring::npos) end = all.size();
        const std::wstring line = all.substr(start, end - start);
        start = end + 1;
        const size_t colon = line.find(L':');
        if (colon == std::wstring::npos) continue;  // the status line or a blank line
        if (!fn(TrimSpaces(line.substr(0, colon)), TrimSpaces(line.substr(colon + 1)))) return;
    }
}

std::wstring HeaderValue(const wchar_t* headers, const wchar_t* name) {
    std::wstring found;
    ForEachHeader(headers, [&](const std::wstring& header, const std::wstring& value) {
        if (!EqualsNoCase(header, name)) return true;
        found = value;
        return false;
    });
    return found;
}

bool ParseContentRange(const std::wstring& value, ContentRange& range) {
    const std::wstring text = TrimSpaces(value);
    if (text.size() < 6 || !EqualsNoCase(text.substr(0, 5), L"bytes") || !std::iswspace(text[5])) return false;
    const std::wstring spec = TrimSpaces(text.substr(6));
    const size_t dash = spec.find(L'-');
    const size_t slash = spec.find(L'/');
    if (dash == std::wstring::npos || slash == std::wstring::npos || slash < dash) return false;
    const long long first = ParseCount(TrimSpaces(spec.substr(0, dash)));
    const long long last = ParseCount(TrimSpaces(spec.substr(dash + 1, slash - dash - 1)));
    const std::wstring totalText = TrimSpaces(spec.substr(slash + 1));
    const long long total = totalText == L"*" ? -1 : ParseCount(totalText);
    if (first < 0 || last < first || (totalText != L"*" && (total < 0 || last >= total))) return false;
    range.first = first;
    range.last = last;
    range.total = total;
    return true;
}

long long RetryAfterMs(const std::wstring& value, const SYSTEMTIME& nowUtc) {
    const std::wstring text = TrimSpaces(value);
    if (text.empty()) return -1;
    if (std::iswdigit(text[0])) {
        const long long seconds = ParseCount(text);
        return seconds < 0 || seconds > 1000000000 ? -1 : seconds * 1000;
    }
    SYSTEMTIME when{};
    if (!ParseHttpDate(text, when)) return -1;
    const long long then = FileTimeMs(when);
    const long long now = FileTimeMs(nowUtc);
    if (then < 0 || now < 0) return -1;
    return std::max<long long>(0, then - now);
}

std::wstring RangeValidator(const std::wstring& etag, const std::wstring& lastModified) {
    if (etag.size() >= 2 && etag.front() == L'"' && etag.back() == L'"') return etag;
    return lastModified;
}

bool IsPageType(const std::wstring& contentType) {
    std::wstring type = TrimSpaces(contentType.substr(0, contentType.find(L';')));
    return EqualsNoCase(type, L"text/html") || EqualsNoCase(type, L"application/xhtml+xml");
}

bool StartsLikeProgram(const char* bytes, size_t count) { return count >= 2 && bytes[0] == 'M' && bytes[1] == 'Z'; }

long long SpaceNeeded(long long announced, bool appendedPiece) {
    if (announced < 0) return kSpaceMargin;
    return (appendedPiece ? 2 * announced : announced) + kSpaceMargin;
}

}  // namespace ZKInstaller
