#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "core/SkinTextConvert.h"

namespace {

std::wstring Platform(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
    return out;
}

// Converts into a block reused from call to call, as documents do.
std::wstring Ours(const std::string& bytes) {
    static wchar_t* text = nullptr;
    static size_t capacity = 0;
    size_t length = 0;
    if (!Veneer::SkinUtf8ToUtf16(bytes.data(), bytes.size(), text, capacity, length)) return L"(out of memory)";
    if (length >= capacity || text[length] != L'\0') return L"(not terminated)";
    return std::wstring(text, length);
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
        out += ' ';
    }
    return out;
}

// Appends the UTF-8 form of any value up to 0x7FFFFFFF, as the old 5- and
// 6-byte forms when above U+10FFFF and surrogates unchecked.
void AppendCode(std::string& out, unsigned int code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

unsigned int g_state = 20240601u;
unsigned int Next() {  // xorshift32: deterministic across runs
    g_state ^= g_state << 13;
    g_state ^= g_state >> 17;
    g_state ^= g_state << 5;
    return g_state;
}

}  // namespace

TEST(SkinUtf8Conversion, CraftedSequencesMatchThePlatform) {
    std::vector<std::string> inputs = {
        "", "a", "plain ascii text of some length", std::string("nul\0inside", 10),
        "\xEF\xBB\xBF<bom/>", "\xC2\x80", "\xDF\xBF", "\xC0\x80", "\xC1\xBF", "\xC2", "\xC2" "A", "\xC2\xC2\x80",
        "\xE0\xA0\x80", "\xE0\x9F\xBF", "\xED\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xEE\x80\x80",
        "\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xEF\xBB\xBF", "\xE4\xB8", "\xE4\xB8" "A", "\xE4" "AB", "\xE4\xB8\xAD",
        "\xF0\x90\x80\x80", "\xF0\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
        "\xF0\x9F\x98", "\xF0\x9F\x98" "A", "\xF0\x9F" "AB", "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80",
        "\xFE", "\xFF", "\x80", "\xBF", "\x80\x80\x80", "\xED\xA0\x80\xED\xB0\x80", "a\xE4\xB8\xADz\xFF\x41",
    };
    for (int b = 0; b < 256; ++b) {
        inputs.push_back(std::string(1, static_cast<char>(b)));
        inputs.push_back(std::string("abcd") + static_cast<char>(b) + "efgh");
    }
    for (unsigned int code : {0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        std::string text;
        AppendCode(text, code);
        inputs.push_back(text);
        inputs.push_back(text.substr(0, text.size() - 1));
        inputs.push_back("xyz" + text + text + "xyz");
    }
    for (const std::string& input : inputs) EXPECT_EQ(Ours(input), Platform(input)) << Hex(input);
}

TEST(SkinUtf8Conversion, RandomTextsMatchThePlatform) {
    // Mixes of ASCII, well-formed characters of every length, stray
    // continuation bytes, cut sequences and bytes never valid.
    int mismatches = 0;
    for (int round = 0; round < 20000 && mismatches < 5; ++round) {
        std::string input;
        const int pieces = static_cast<int>(Next() % 24);
        const bool cleanOnly = round % 2 == 0;
        for (int i = 0; i < pieces; ++i) {
            const unsigned int pick = Next() % (cleanOnly ? 6 : 9);
            switch (pick) {
            case 0: input += std::string(Next() % 12, static_cast<char>('a' + Next() % 26)); break;
            case 1: AppendCode(input, 0x80 + Next() % 0x780); break;
            case 2: AppendCode(input, 0x800 + Next() % (0xD800 - 0x800)); break;
            case 3: AppendCode(input, 0xE000 + Next() % 0x2000); break;
            case 4: AppendCode(input, 0x10000 + Next() % 0x100000); break;
            case 5: input += static_cast<char>(Next() % 0x80); break;
            case 6: input += static_cast<char>(0x80 + Next() % 0x80); break;
            case 7: {
                std::string piece;
                AppendCode(piece, 0x80 + Next() % 0x10FF7F);
                input += piece.substr(0, 1 + Next() % piece.size());
                break;
            }
            default: AppendCode(input, 0xD800 + Next() % 0x800); break;  // encoded surrogate
            }
        }
        const std::wstring ours = Ours(input);
        const std::wstring platform = Platform(input);
        if (ours != platform) ++mismatches;
        EXPECT_EQ(ours, platform) << Hex(input);
    }
}

TEST(SkinUtf8Conversion, LongDocumentsMatchThePlatform) {
    std::string document;
    while (document.size() < (1u << 20)) {
        document += "<Label name=\"zk_txt_";
        document += std::to_string(document.size());
        document += "\" text=\"\xE5\xAE\x89\xE8\xA3\x85\xE5\x90\x91\xE5\xAF\xBC \xF0\x9F\x98\x80\" />\r\n";
    }
    EXPECT_TRUE(Ours(document) == Platform(document));
    document[document.size() / 2] = '\xFF';
    EXPECT_TRUE(Ours(document) == Platform(document));
    document.back() = '\xE4';
    EXPECT_TRUE(Ours(document) == Platform(document));
}
