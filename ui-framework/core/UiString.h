#pragma once
// The framework's UTF-16 string: texts of up to kInlineMax characters live in
// an inline buffer, longer ones in a heap block of exactly (length + 1) units.
// The length is not stored; it is measured whenever needed.
#include <cstdarg>
#include <cstddef>

namespace Veneer {

class UiString {
public:
    // Names and short texts fit; descriptors and paths go to the heap. Every
    // control holds several strings, so this buffer sets much of its size:
    // at 64 units a control was 728 bytes and layout passes over large
    // trees, and the builder's copies, were measurably slower.
    static constexpr int kInlineCapacity = 16;  // UTF-16 units
    static constexpr int kInlineMax = 14;       // characters kept inline

    UiString();
    UiString(const wchar_t* text, int length = -1);
    explicit UiString(wchar_t ch);
    UiString(const UiString& other);
    // Text in the system ANSI code page.
    explicit UiString(const char* ansiText, int length = -1);
    ~UiString();

    void Assign(const wchar_t* text, int length = -1);
    void Append(const wchar_t* text);
    void AppendAnsi(const char* ansiText);
    void Empty();
    bool IsEmpty() const { return m_text[0] == L'\0'; }
    int GetLength() const;
    const wchar_t* GetData() const { return m_text; }
    wchar_t GetAt(int index) const { return m_text[index]; }
    bool IsInline() const { return m_text == m_inline; }

    operator const wchar_t*() const { return m_text; }
    wchar_t operator[](int index) const { return m_text[index]; }

    UiString& operator=(const UiString& other);
    UiString& operator=(const wchar_t* text);
    UiString& operator=(wchar_t ch);
    UiString& operator+=(const UiString& other);
    UiString& operator+=(const wchar_t* text);
    UiString& operator+=(wchar_t ch);
    UiString operator+(const UiString& other) const;
    UiString operator+(const wchar_t* text) const;

    int Compare(const wchar_t* text) const;
    int CompareNoCase(const wchar_t* text) const;
    bool operator==(const wchar_t* text) const { return Compare(text) == 0; }
    bool operator!=(const wchar_t* text) const { return Compare(text) != 0; }
    bool operator<(const wchar_t* text) const { return Compare(text) < 0; }
    bool operator<=(const wchar_t* text) const { return Compare(text) <= 0; }
    bool operator>(const wchar_t* text) const { return Compare(text) > 0; }
    bool operator>=(const wchar_t* text) const { return Compare(text) >= 0; }
    bool operator==(const UiString& other) const { return Compare(other.m_text) == 0; }
    bool operator!=(const UiString& other) const { return Compare(other.m_text) != 0; }

    void MakeLower();
    void MakeUpper();
    UiString ToLower() const;
    UiString ToUpper() const;

    UiString Left(int count) const;
    UiString Mid(int start, int count = -1) const;
    UiString Right(int count) const;

    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* text, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    int Replace(const wchar_t* from, const wchar_t* to);

    int Format(const wchar_t* format, ...);
    int FormatV(const wchar_t* format, va_list args);
    int SmallFormat(const wchar_t* format, ...);

private:
    // Makes room for `length` characters; returns false (string unchanged)
    // when the heap refuses.
    bool Reserve(int length, int currentLength);
    void FreeHeap();

    wchar_t* m_text;
    wchar_t m_inline[kInlineCapacity];
};

inline UiString operator+(const wchar_t* left, const UiString& right) {
    UiString result(left);
    result += right;
    return result;
}

}  // namespace Veneer
