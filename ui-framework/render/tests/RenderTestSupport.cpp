#include "render/tests/RenderTestSupport.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

#include <zlib.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace Veneer::Testing {

GdiplusScope::GdiplusScope() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
}

GdiplusScope::~GdiplusScope() {
    if (m_token) Gdiplus::GdiplusShutdown(m_token);
}

Dib32::Dib32(int width, int height, bool topDown)
    : m_width(width), m_height(height), m_topDown(topDown), m_dc(nullptr) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_bits = static_cast<DWORD*>(bits);
    m_dc.Select(m_bitmap.Get());
}

UiPixels32 Dib32::Pixels() const {
    UiPixels32 pixels;
    pixels.width = m_width;
    pixels.height = m_height;
    const ptrdiff_t stride = static_cast<ptrdiff_t>(m_width) * 4;
    BYTE* bits = reinterpret_cast<BYTE*>(m_bits);
    pixels.top = m_topDown ? bits : bits + stride * (m_height - 1);
    pixels.stride = m_topDown ? stride : -stride;
    return pixels;
}

DWORD& Dib32::At(int x, int y) {
    const int row = m_topDown ? y : m_height - 1 - y;
    return m_bits[static_cast<size_t>(row) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
}

DWORD Dib32::At(int x, int y) const { return const_cast<Dib32*>(this)->At(x, y); }

void Dib32::Fill(DWORD value) {
    ::GdiFlush();
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) At(x, y) = value;
}

void Dib32::FillPattern(uint32_t seed) {
    ::GdiFlush();
    uint32_t state = seed;
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            state = state * 2654435761u + 0x9E3779B9u;
            At(x, y) = state ^ (state >> 13);
        }
}

std::vector<unsigned char> EncodePng(int width, int height, const std::vector<unsigned char>& rgba, int channels,
                                     int filter) {
    std::vector<unsigned char> out;
    stbi_write_force_png_filter = filter;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            auto* bytes = static_cast<std::vector<unsigned char>*>(context);
            const unsigned char* p = static_cast<const unsigned char*>(data);
            bytes->insert(bytes->end(), p, p + size);
        },
        &out, width, height, channels, rgba.data(), width * channels);
    return out;
}

std::vector<unsigned char> PngChunk(const char* type, const std::vector<unsigned char>& data) {
    std::vector<unsigned char> chunk;
    const auto put32 = [&chunk](uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<unsigned char>(value >> shift));
    };
    put32(static_cast<uint32_t>(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    put32(static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), chunk.data() + 4, static_cast<uInt>(chunk.size() - 4))));
    return chunk;
}

std::vector<unsigned char> WithChunk(std::vector<unsigned char> png, const char* type,
                                     const std::vector<unsigned char>& data) {
    const std::vector<unsigned char> chunk = PngChunk(type, data);
    constexpr size_t kAfterHeader = 8 + 25;  // signature, IHDR chunk
    png.insert(png.begin() + kAfterHeader, chunk.begin(), chunk.end());
    return png;
}

std::vector<unsigned char> TestResource(const wchar_t* name) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, name, L"PNG");
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(module, found);
    const DWORD size = ::SizeofResource(module, found);
    const unsigned char* data = static_cast<const unsigned char*>(::LockResource(loaded));
    if (!data) return {};
    return std::vector<unsigned char>(data, data + size);
}

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    wchar_t name[MAX_PATH + 64];
    for (;;) {
        swprintf(name, MAX_PATH + 64, L"%lsveneer_render_%lu_%d\\", temp, ::GetCurrentProcessId(), ++counter);
        if (::CreateDirectoryW(name, nullptr)) break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    m_path = name;
}

TempFolder::~TempFolder() {
    for (const std::wstring& file : m_files) ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(m_path.c_str());
}

std::wstring TempFolder::Write(const std::wstring& name, const std::vector<unsigned char>& bytes) {
    const std::wstring path = m_path + name;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
        m_files.push_back(path);
    }
    return path;
}

}  // namespace Veneer::Testing
