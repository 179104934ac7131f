#include "windows/ShadowImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Veneer {

const wchar_t kShadowWindowClass[] = L"UmberShadowWnd";

namespace {

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

UpdateLayeredWindowFn LayeredUpdate() {
    static const UpdateLayeredWindowFn update = [] {
        HMODULE user32 = ::GetModuleHandleW(L"USER32.DLL");
        return user32 ? reinterpret_cast<UpdateLayeredWindowFn>(
                            reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindow")))
                      : nullptr;
    }();
    return update;
}

void ReportLastError(const wchar_t* what) {
    const DWORD code = ::GetLastError();
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    ::OutputDebugStringW(what);
    if (text) {
        ::OutputDebugStringW(text);
        ::LocalFree(text);
    }
}

// Stamps the kernel centred on every pixel of columns [first, last] of rows
// [top, bottom]: each covered pixel keeps the greater of itself and the
// kernel value. Kernel values never grow away from the centre, along a row
// or a column, so the greatest stamp a pixel receives is the one of the
// nearest centre: a block of centres costs one pass over its dilated area
// instead of one kernel per centre.
struct StampBlock {
    int top, bottom, first, last;
};

void Stamp(DWORD* bits, int width, int height, const StampBlock& block, int radius, const std::vector<DWORD>& kernel) {
    const int side = 2 * radius + 1;
    const int from = std::max(0, block.first - radius);
    const int to = std::min(width - 1, block.last + radius);
    const int firstRow = std::max(0, block.top - radius);
    const int lastRow = std::min(height - 1, block.bottom + radius);
    for (int target = firstRow; target <= lastRow; ++target) {
        const int dr = target < block.top ? block.top - target : (target > block.bottom ? target - block.bottom : 0);
        DWORD* line = bits + static_cast<size_t>(height - 1 - target) * width;
        // Half a kernel row: values by distance 0..radius from the centre column.
        const DWORD* half = kernel.data() + static_cast<size_t>(dr + radius) * side + radius;
        int x = from;
        for (; x <= to && x < block.first; ++x) line[x] = std::max(line[x], half[block.first - x]);
        const DWORD centre = half[0];
        for (const int end = std::min(to, block.last); x <= end; ++x) line[x] = std::max(line[x], centre);
        for (; x <= to; ++x) line[x] = std::max(line[x], half[x - block.last]);
    }
}

// Collects the runs of centres row by row and stamps them as blocks: a run
// equal to one of the previous row's continues that block.
class StampBlocks {
public:
    StampBlocks(DWORD* bits, int width, int height, int radius, const std::vector<DWORD>& kernel)
        : m_bits(bits), m_width(width), m_height(height), m_radius(radius), m_kernel(kernel) {}
    ~StampBlocks() {
        for (const StampBlock& block : m_open) Stamp(m_bits, m_width, m_height, block, m_radius, m_kernel);
    }
    StampBlocks(const StampBlocks&) = delete;
    StampBlocks& operator=(const StampBlocks&) = delete;

    void Add(int row, int first, int last) {
        for (StampBlock& block : m_open) {
            if (block.bottom == row - 1 && block.first == first && block.last == last) {
                block.bottom = row;
                return;
            }
        }
        // Blocks that ended above this row are complete.
        for (size_t i = 0; i < m_open.size();) {
            if (m_open[i].bottom < row - 1) {
                Stamp(m_bits, m_width, m_height, m_open[i], m_radius, m_kernel);
                m_open[i] = m_open.back();
                m_open.pop_back();
            } else {
                ++i;
            }
        }
        m_open.push_back(StampBlock{row, row, first, last});
    }

private:
    DWORD* m_bits;
    int m_width;
    int m_height;
    int m_radius;
    const std::vector<DWORD>& m_kernel;
    std::vector<StampBlock> m_open;
};

void Fill(DWORD* line, int width, int from, int to, DWORD value) {
    from = std::max(from, 0);
    to = std::min(to, width);
    if (from < to) std::fill(line + from, line + to, value);
}

}  // namespace

void RegisterShadowWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    if (::GetClassInfoExW(instance, kShadowWindowClass, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(6));  // COLOR_WINDOW + 1
    wc.lpszClassName = kShadowWindowClass;
    ::RegisterClassExW(&wc);
}

bool ShadowLayeringAvailable() { return LayeredUpdate() != nullptr; }

DWORD ShadowPixel(const ShadowParams& params, int alpha) {
    const auto a = static_cast<DWORD>(alpha);
    return a << 24 | (params.red * a / 255) << 16 | (params.green * a / 255) << 8 | (params.blue * a / 255);
}

std::vector<ShadowSpan> RegionRowSpans(HRGN region, int width, int height) {
    std::vector<ShadowSpan> rows(static_cast<size_t>(std::max(height, 0)), ShadowSpan{width, 0});
    if (!region) return rows;
    for (int y = 0; y < height; ++y) {
        int left = 0;
        while (left < width && !::PtInRegion(region, left, y)) ++left;
        if (left == width) continue;
        int right = width - 1;
        while (right > left && !::PtInRegion(region, right, y)) --right;
        rows[static_cast<size_t>(y)] = ShadowSpan{left, right + 1};
    }
    return rows;
}

void DrawParametricShadow(DWORD* bits, int parentWidth, int parentHeight, const std::vector<ShadowSpan>& parentRows,
                          const ShadowParams& params) {
    const int size = params.size;
    const int width = parentWidth + 2 * size;
    const int height = parentHeight + 2 * size;
    if (!bits || width <= 0 || height <= 0 || parentRows.size() < static_cast<size_t>(parentHeight)) return;

    // Spans of the shadow rows, index i + 1 for row i, with an empty sentinel
    // row at each end.
    std::vector<ShadowSpan> spans(static_cast<size_t>(height) + 2, ShadowSpan{parentWidth, 0});
    for (int y = 0; y < parentHeight; ++y) {
        const int i = y + size;
        if (i < 0 || i >= height) continue;
        spans[static_cast<size_t>(i) + 1] = ShadowSpan{parentRows[y].left + size, parentRows[y].right + size};
    }

    // Erosion: the soft edge must fit inside the silhouette where the shadow
    // reaches less far than its edge is wide.
    std::vector<ShadowSpan> eroded(spans);
    for (int step = 0; step < params.sharpness - size; ++step) {
        for (int i = 1; i <= height; ++i) {
            eroded[i].left = std::max({spans[i - 1].left, spans[i].left, spans[i + 1].left}) + 1;
            eroded[i].right = std::min({spans[i - 1].right, spans[i].right, spans[i + 1].right}) - 1;
        }
        spans.swap(eroded);
    }

    // Kernel: solid inside `solid`, falling off linearly over sharpness + 1.
    const int radius = std::max(size, params.sharpness);
    const int solid = size > params.sharpness ? size - params.sharpness : 0;
    const int side = 2 * radius + 1;
    std::vector<DWORD> kernel(static_cast<size_t>(side) * side, 0);
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            const double d = std::hypot(static_cast<double>(r - radius), static_cast<double>(c - radius));
            int alpha = 0;
            if (d < solid) {
                alpha = params.darkness;
            } else if (d <= radius) {
                // (1 - (d - solid) / (sharpness + 1)) * darkness, written so that
                // whole distances give exact results before truncation.
                alpha = static_cast<int>((params.sharpness + 1 - (d - solid)) * params.darkness /
                                         (params.sharpness + 1));
            }
            kernel[static_cast<size_t>(r) * side + c] = alpha > 0 ? ShadowPixel(params, alpha) : 0;
        }
    }

    // Soft edges: kernels along the ends of each span only, as far as the
    // neighbouring rows do not cover the same columns.
    {
        StampBlocks stamps(bits, width, height, radius, kernel);
        for (int i = radius; i <= height - radius - 1; ++i) {
            const ShadowSpan& span = spans[i + 1];
            if (span.left >= span.right) continue;
            const ShadowSpan& up = spans[i];
            const ShadowSpan& down = spans[i + 2];
            const int firstEnd = std::min(std::max(up.left, down.left) + 1, span.right);
            if (span.left < firstEnd) stamps.Add(i, span.left, firstEnd - 1);
            const int secondStart = std::max(std::max(span.left, firstEnd), std::min(up.right, down.right) - 1);
            if (secondStart < span.right) stamps.Add(i, secondStart, span.right - 1);
        }
    }

    // Solid centre, transparent where the parent lies over the shadow.
    const DWORD centre = ShadowPixel(params, params.darkness);
    const int firstRow = std::max(0, std::min(radius, std::max(size - params.yOffset, 0)));
    const int endRow =
        std::min(height, std::max(height - radius, std::min(parentHeight + size - params.yOffset, height)));
    for (int i = firstRow; i < endRow; ++i) {
        const ShadowSpan& span = spans[i + 1];
        DWORD* line = bits + static_cast<size_t>(height - 1 - i) * width;
        const int y = i - size + params.yOffset;
        if (y < 0 || y >= parentHeight) {
            Fill(line, width, span.left, span.right, centre);
            continue;
        }
        const int a = parentRows[y].left + size - params.xOffset;
        const int b = parentRows[y].right + size - params.xOffset;
        Fill(line, width, span.left, std::min(a, span.right), centre);
        Fill(line, width, std::max(a, 0), std::min(b, width), 0);
        Fill(line, width, std::max(b, span.left), span.right, centre);
    }
}

bool CShadowBitmap::Prepare(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    if (!m_bitmap || width != m_width || height != m_height) {
        Release();
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;  // bottom-up
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        UiBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap || !bits) {
            ReportLastError(L"shadow bitmap: ");
            return false;
        }
        UiMemoryDcHandle dc(::CreateCompatibleDC(nullptr));
        if (!dc) {
            ReportLastError(L"shadow memory context: ");
            return false;
        }
        m_previous = ::SelectObject(dc.Get(), bitmap.Get());
        m_dc = std::move(dc);
        m_bitmap = std::move(bitmap);
        m_bits = static_cast<DWORD*>(bits);
        m_width = width;
        m_height = height;
    }
    ::GdiFlush();
    std::memset(m_bits, 0, static_cast<size_t>(m_width) * m_height * sizeof(DWORD));
    return true;
}

void CShadowBitmap::Release() {
    if (m_dc && m_previous) ::SelectObject(m_dc.Get(), m_previous);
    m_previous = nullptr;
    m_dc.Reset();
    m_bitmap.Reset();
    m_bits = nullptr;
    m_width = m_height = 0;
}

DWORD CShadowBitmap::PixelAt(int x, int y) const {
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    ::GdiFlush();
    return m_bits[static_cast<size_t>(m_height - 1 - y) * m_width + x];
}

bool CShadowBitmap::Present(HWND shadow, POINT topLeft) const {
    const UpdateLayeredWindowFn update = LayeredUpdate();
    if (!update || !m_dc || !shadow) return false;
    ::GdiFlush();
    SIZE size{m_width, m_height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return update(shadow, nullptr, &topLeft, &size, m_dc.Get(), &source, 0, &blend, ULW_ALPHA) != FALSE;
}

bool DrawWindowShadow(HWND parent, const ShadowParams& params, CShadowBitmap& bitmap) {
    RECT window{};
    if (!::GetWindowRect(parent, &window)) return false;
    const int parentWidth = window.right - window.left;
    const int parentHeight = window.bottom - window.top;
    if (!bitmap.Prepare(parentWidth + 2 * params.size, parentHeight + 2 * params.size)) return false;
    UiRegion region(::CreateRectRgn(0, 0, 0, 0));
    const bool hasRegion = region && ::GetWindowRgn(parent, region.Get()) != ERROR;
    DrawParametricShadow(bitmap.Bits(), parentWidth, parentHeight,
                         RegionRowSpans(hasRegion ? region.Get() : nullptr, parentWidth, parentHeight), params);
    return true;
}

}  // namespace Veneer
