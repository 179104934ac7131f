#pragma once
// Helpers for tests that paint into real 32-bit DIBs and read pixels back.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/UiHandle.h"
#include "render/UiBlend.h"
#include "render/tests/GuardedBuffer.h"

namespace Veneer::Testing {

// GDI+ for the duration of a test (the paint manager does this in the program).
class GdiplusScope {
public:
    GdiplusScope();
    ~GdiplusScope();
    GdiplusScope(const GdiplusScope&) = delete;
    GdiplusScope& operator=(const GdiplusScope&) = delete;

private:
    ULONG_PTR m_token = 0;
};

// A 32-bit DIB selected into its own memory DC.
class Dib32 {
public:
    Dib32(int width, int height, bool topDown = true);
    HDC Dc() const { return m_dc.Get(); }
    HBITMAP Bitmap() const { return m_bitmap.Get(); }
    void Deselect() { m_dc.Select(nullptr); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The pixels as our blend sees them (orientation known from creation).
    UiPixels32 Pixels() const;
    DWORD& At(int x, int y);
    DWORD At(int x, int y) const;
    void Fill(DWORD value);
    // Fills with a deterministic pattern of every byte value.
    void FillPattern(uint32_t seed);

private:
    int m_width;
    int m_height;
    bool m_topDown;
    DWORD* m_bits = nullptr;
    UiBitmap m_bitmap;
    UiMemoryDc m_dc;
};

// PNG bytes of pixels (row-major, `channels` bytes per pixel: 1 grey, 2 grey
// and alpha, 3 RGB, 4 RGBA), every row with the filter `filter` (0-4; -1:
// the encoder's choice per row).
std::vector<unsigned char> EncodePng(int width, int height, const std::vector<unsigned char>& rgba, int channels = 4,
                                     int filter = -1);
// One PNG chunk: length, type (four letters), data and CRC.
std::vector<unsigned char> PngChunk(const char* type, const std::vector<unsigned char>& data);
// `png` with a chunk of type `type` inserted after its header.
std::vector<unsigned char> WithChunk(std::vector<unsigned char> png, const char* type,
                                     const std::vector<unsigned char>& data);
// A program resource of this test executable (type "PNG").
std::vector<unsigned char> TestResource(const wchar_t* name);

// A fresh folder under the temp folder, removed with its files at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return m_path; }  // ends in "\"
    std::wstring Write(const std::wstring& name, const std::vector<unsigned char>& bytes);

private:
    std::wstring m_path;
    std::vector<std::wstring> m_files;
};

}  // namespace Veneer::Testing
