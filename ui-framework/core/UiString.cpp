#include "core/UiString.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace Veneer {

namespace {
int TextLength(const wchar_t* text) { return text ? static_cast<int>(wcslen(text)) : 0; }
}  // namespace

UiString::UiString() : m_text(m_inline) { m_inline[0] = L'\0'; }

UiString::UiString(const wchar_t* text, int length) : m_text(m_inline) {
    m_inline[0] = L'\0';
    Assign(text, length);
}

UiString::UiString(wchar_t ch) : m_text(m_inline) {
    m_inline[0] = ch;
    m_inline[1] = L'\0';
}

UiString::UiString(const UiString& other) : m_text(m_inline) {
    m_inline[0] = L'\0';
    Assign(other.m_text);
}

UiString::UiString(const char* ansiText, int length) : m_text(m_inline) {
    m_inline[0] = L'\0';
    if (!ansiText) return;
    const int bytes = length < 0 ? static_cast<int>(strlen(ansiText)) : length;
    if (bytes == 0) return;
    const UINT codePage = GetACP();
    const int units = MultiByteToWideChar(codePage, 0, ansiText, bytes, nullptr, 0);
    if (units <= 0 || !Reserve(units, 0)) return;
    MultiByteToWideChar(codePage, 0, ansiText, bytes, m_text, units);
    m_text[units] = L'\0';
}

UiString::~UiString() { FreeHeap(); }

void UiString::FreeHeap() {
    if (m_text != m_inline) {
        free(m_text);
        m_text = m_inline;
    }
}

bool UiString::Reserve(int length, int currentLength) {
    if (length <= kInlineMax) {
        if (m_text != m_inline) {
            // Move what is kept back into the inline buffer before freeing.
            const int keep = currentLength < length ? currentLength : length;
            wmemcpy(m_inline, m_text, static_cast<size_t>(keep));
            m_inline[keep] = L'\0';
            free(m_text);
            m_text = m_inline;
        }
        return true;
    }
    if (m_text == m_inline) {
        auto* block = static_cast<wchar_t*>(malloc((static_cast<size_t>(length) + 1) * sizeof(wchar_t)));
        if (!block) return false;
        wmemcpy(block, m_inline, static_cast<size_t>(currentLength) + 1);
        m_text = block;
    } else if (currentLength < length) {
        auto* block = static_cast<wchar_t*>(realloc(m_text, (static_cast<size_t>(length) + 1) * sizeof(wchar_t)));
        if (!block) return false;
        m_text = block;
    }
    return true;
}

void UiString::Assign(const wchar_t* text, int length) {
    if (!text) text = L"";
    if (length < 0) length = TextLength(text);
    // The source may point into this string's own buffer: copy it first.
    if (text >= m_text && text <= m_text + GetLength()) {
        UiString copy(text, length);
        Assign(copy.m_text, length);
        return;
    }
    if (!Reserve(length, GetLength())) return;
    wmemcpy(m_text, text, static_cast<size_t>(length));
    m_text[length] = L'\0';
}

void UiString::Append(const wchar_t* text) {
    if (!text) return;
    const int current = GetLength();
    const int added = TextLength(text);
    if (added == 0) return;
    if (text >= m_text && text <= m_text + current) {
        UiString copy(text);
        Append(copy.m_text);
        return;
    }
    const int total = current + added;
    if (!Reserve(total, current)) return;
    wmemcpy(m_text + current, text, static_cast<size_t>(added) + 1);
}

void UiString::AppendAnsi(const char* ansiText) {
    UiString converted(ansiText);
    Append(converted.m_text);
}

void UiString::Empty() {
    FreeHeap();
    m_inline[0] = L'\0';
}

int UiString::GetLength() const { return static_cast<int>(wcslen(m_text)); }

UiString& UiString::operator=(const UiString& other) {
    if (this != &other) Assign(other.m_text);
    return *this;
}

UiString& UiString::operator=(const wchar_t* text) {
    Assign(text);
    return *this;
}

UiString& UiString::operator=(wchar_t ch) {
    const wchar_t text[2] = {ch, L'\0'};
    Assign(text, 1);
    return *this;
}

UiString& UiString::operator+=(const UiString& other) {
    Append(other.m_text);
    return *this;
}

UiString& UiString::operator+=(const wchar_t* text) {
    Append(text);
    return *this;
}

UiString& UiString::operator+=(wchar_t ch) {
    const wchar_t text[2] = {ch, L'\0'};
    Append(text);
    return *this;
}

UiString UiString::operator+(const UiString& other) const {
    UiString result(*this);
    result.Append(other.m_text);
    return result;
}

UiString UiString::operator+(const wchar_t* text) const {
    UiString result(*this);
    result.Append(text);
    return result;
}

int UiString::Compare(const wchar_t* text) const { return wcscmp(m_text, text ? text : L""); }

int UiString::CompareNoCase(const wchar_t* text) const { return _wcsicmp(m_text, text ? text : L""); }

void UiString::MakeLower() { _wcslwr(m_text); }

void UiString::MakeUpper() { _wcsupr(m_text); }

UiString UiString::ToLower() const {
    UiString copy(*this);
    copy.MakeLower();
    return copy;
}

UiString UiString::ToUpper() const {
    UiString copy(*this);
    copy.MakeUpper();
    return copy;
}

UiString UiString::Left(int count) const {
    const int length = GetLength();
    if (count < 0) count = 0;
    if (count > length) count = length;
    return UiString(m_text, count);
}

UiString UiString::Mid(int start, int count) const {
    const int length = GetLength();
    if (start < 0) start = 0;
    if (start > length) start = length;
    if (count < 0) count = length - start;
    if (start + count > length) count = length - start;
    if (count <= 0) return UiString();
    return UiString(m_text + start, count);
}

UiString UiString::Right(int count) const {
    const int length = GetLength();
    if (count < 0) count = 0;
    if (count > length) count = length;
    return UiString(m_text + length - count, count);
}

int UiString::Find(wchar_t ch, int start) const {
    if (start < 0 || (start != 0 && start >= GetLength())) return -1;
    const wchar_t* hit = wcschr(m_text + start, ch);
    return hit ? static_cast<int>(hit - m_text) : -1;
}

int UiString::Find(const wchar_t* text, int start) const {
    if (!text || start < 0 || start > GetLength()) return -1;
    const wchar_t* hit = wcsstr(m_text + start, text);
    return hit ? static_cast<int>(hit - m_text) : -1;
}

int UiString::ReverseFind(wchar_t ch) const {
    const wchar_t* hit = wcsrchr(m_text, ch);
    return hit ? static_cast<int>(hit - m_text) : -1;
}

int UiString::Replace(const wchar_t* from, const wchar_t* to) {
    if (!from || !*from) return 0;
    if (!to) to = L"";
    const int fromLength = TextLength(from);
    int count = 0;
    UiString result;
    const wchar_t* scan = m_text;
    for (const wchar_t* hit = wcsstr(scan, from); hit; hit = wcsstr(scan, from)) {
        UiString piece(scan, static_cast<int>(hit - scan));
        result.Append(piece.m_text);
        result.Append(to);
        scan = hit + fromLength;
        ++count;
    }
    if (count == 0) return 0;
    result.Append(scan);
    Assign(result.m_text);
    return count;
}

int UiString::FormatV(const wchar_t* format, va_list args) {
    if (!format) return -1;
    va_list measure;
    va_copy(measure, args);
    const int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length < 0) return -1;
    auto* block = static_cast<wchar_t*>(calloc(static_cast<size_t>(length) + 1, sizeof(wchar_t)));
    if (!block) return -1;
    _vsnwprintf(block, static_cast<size_t>(length), format, args);
    Assign(block, length);
    free(block);
    return length;
}

int UiString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = FormatV(format, args);
    va_end(args);
    return result;
}

int UiString::SmallFormat(const wchar_t* format, ...) {
    if (!format) return -1;
    wchar_t buffer[128] = {};
    va_list args;
    va_start(args, format);
    // At most 127 characters; the last unit stays the terminator.
    const int result = _vsnwprintf(buffer, 127, format, args);
    va_end(args);
    Assign(buffer);
    return result;
}

}  // namespace Veneer
