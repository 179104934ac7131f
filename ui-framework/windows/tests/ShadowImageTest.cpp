// The parametric shadow's pixels for a 60 x 40 parent, without windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/UiHandle.h"
#include "windows/ShadowImage.h"
#include "windows/tests/ShadowTestSupport.h"

using namespace Veneer;
using VeneerTest::Grey100;

namespace {

constexpr int kW = 60;
constexpr int kH = 40;

enum class Silhouette { Rect, Round, None };

constexpr DWORD kShaded = 0x100;  // any alpha above 0

struct Probe {
    int x;
    int y;  // from the top
    DWORD alpha;
};

struct Case {
    const char* name;
    int size, sharpness, darkness, xOffset, yOffset;
    Silhouette silhouette;
    std::vector<Probe> probes;
};

std::vector<DWORD> Draw(const Case& c) {
    ShadowParams params{c.size, c.sharpness, c.darkness, c.xOffset, c.yOffset, 100, 100, 100};
    UiRegion region;
    if (c.silhouette == Silhouette::Rect) region.Reset(::CreateRectRgn(0, 0, kW + 1, kH + 1));
    if (c.silhouette == Silhouette::Round) region.Reset(::CreateRoundRectRgn(0, 0, kW + 1, kH + 1, 20, 20));
    std::vector<DWORD> bits(static_cast<size_t>(kW + 2 * c.size) * (kH + 2 * c.size), 0);
    DrawParametricShadow(bits.data(), kW, kH, RegionRowSpans(region.Get(), kW, kH), params);
    return bits;
}

DWORD At(const std::vector<DWORD>& bits, int size, int x, int y) {
    const int width = kW + 2 * size, height = kH + 2 * size;
    return bits[static_cast<size_t>(height - 1 - y) * width + x];
}

TEST(ShadowImage, PixelsFollowTheParameters) {
    const std::vector<Case> cases = {
        // Main frame: size 8, sharpness 10, darkness 24. Middle row 28: the
        // soft edge over the 8 columns left of the parent (kernel centre at
        // column 10, alpha (1 - d / 11) * 24), nothing under the parent, the
        // mirror image on the right; the corner lies beyond the kernel.
        {"main frame", 8, 10, 24, 0, 0, Silhouette::Rect,
         {{0, 28, 2}, {1, 28, 4}, {2, 28, 6}, {3, 28, 8}, {4, 28, 10}, {5, 28, 13}, {6, 28, 15}, {7, 28, 17},
          {8, 28, 0}, {40, 28, 0}, {67, 28, 0}, {68, 28, 17}, {75, 28, 2}, {30, 0, 2}, {30, 7, 17},
          {30, 8, 0}, {30, 55, 2}, {0, 0, 0}, {3, 3, 2}}},
        // Offset (5, 5): the hole moves left and up, the solid centre shows
        // right of and below the parent.
        {"offset", 8, 10, 24, 5, 5, Silhouette::Rect,
         {{64, 28, 24}, {65, 28, 24}, {62, 28, 0}, {2, 28, 6}, {30, 44, 24}, {30, 42, 0}, {30, 47, 19}}},
        // Rounded region: the parent's cut-off corner is shaded (any alpha).
        {"round", 8, 10, 24, 0, 0, Silhouette::Round, {{8, 8, kShaded}, {8, 28, 0}, {7, 28, 17}}},
        // Size beyond sharpness: solid within radius 8 of the span ends, then
        // falling over 5 pixels; no erosion.
        {"solid kernel", 12, 4, 200, 0, 0, Silhouette::Rect,
         {{0, 32, 40}, {1, 32, 80}, {2, 32, 120}, {3, 32, 160}, {4, 32, 200}, {11, 32, 200}, {12, 32, 0}}},
        // Smaller than the parent, pushed out to the lower right by the offset.
        {"negative size", -4, 6, 70, 10, 10, Silhouette::Rect,
         {{45, 16, 0}, {46, 16, 60}, {47, 16, 50}, {51, 16, 10}, {0, 0, 0}}},
        // No region: no silhouette, nothing drawn.
        {"no region", 8, 10, 24, 5, 5, Silhouette::None, {{0, 28, 0}, {64, 28, 0}, {30, 50, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<DWORD> bits = Draw(c);
        for (const Probe& p : c.probes) {
            const DWORD pixel = At(bits, c.size, p.x, p.y);
            if (p.alpha == kShaded) {
                EXPECT_EQ(Grey100(pixel >> 24), pixel) << "at " << p.x << "," << p.y;
                EXPECT_GT(pixel >> 24, 0u) << "at " << p.x << "," << p.y;
            } else {
                EXPECT_EQ(Grey100(p.alpha), pixel) << "at " << p.x << "," << p.y;
            }
        }
    }
}

TEST(ShadowImage, ExtremeParametersStayInsideTheBitmap) {
    // Guard rows around the bitmap catch writes out of bounds.
    for (int size : {-20, -1, 0, 1, 20, 35}) {
        for (int sharpness : {0, 20, 35}) {
            ShadowParams params{size, sharpness, 255, 35, -35, 1, 2, 3};
            const int width = kW + 2 * size, height = kH + 2 * size;
            const size_t guard = 4096;
            std::vector<DWORD> bits(guard * 2 + static_cast<size_t>(width) * height, 0);
            UiRegion region(::CreateEllipticRgn(0, 0, kW, kH));
            DrawParametricShadow(bits.data() + guard, kW, kH, RegionRowSpans(region.Get(), kW, kH), params);
            for (size_t i = 0; i < guard; ++i) {
                ASSERT_EQ(0u, bits[i]) << size << "/" << sharpness;
                ASSERT_EQ(0u, bits[bits.size() - 1 - i]) << size << "/" << sharpness;
            }
        }
    }
}

// The soft edges drawn kernel by kernel, every stamp on its own: the blocks
// the drawing merges must give the same pixels for curved outlines.
TEST(ShadowImage, MergedStampsMatchSingleKernels) {
    for (const ShadowParams& params : {ShadowParams{8, 10, 24, 0, 0, 100, 100, 100},
                                       ShadowParams{12, 4, 200, 3, -2, 100, 100, 100}}) {
        SCOPED_TRACE(params.size);
        UiRegion region(::CreateEllipticRgn(0, 0, kW, kH));
        const std::vector<ShadowSpan> rows = RegionRowSpans(region.Get(), kW, kH);
        const int s = params.size, width = kW + 2 * s, height = kH + 2 * s;
        std::vector<DWORD> drawn(static_cast<size_t>(width) * height, 0);
        DrawParametricShadow(drawn.data(), kW, kH, rows, params);

        // Reference: per-pixel kernel stamps at every soft-edge centre, then
        // the solid centre and hole (taken from the drawn image, which the
        // pixel cases above check). Only pixels no fill touched are compared.
        const int k = std::max(s, params.sharpness), q = s > params.sharpness ? s - params.sharpness : 0;
        std::vector<ShadowSpan> spans(static_cast<size_t>(height) + 2, ShadowSpan{kW, 0});
        for (int y = 0; y < kH; ++y) spans[y + s + 1] = ShadowSpan{rows[y].left + s, rows[y].right + s};
        for (int step = 0; step < params.sharpness - s; ++step) {
            std::vector<ShadowSpan> next(spans);
            for (int i = 1; i <= height; ++i) {
                next[i].left = std::max({spans[i - 1].left, spans[i].left, spans[i + 1].left}) + 1;
                next[i].right = std::min({spans[i - 1].right, spans[i].right, spans[i + 1].right}) - 1;
            }
            spans.swap(next);
        }
        std::vector<DWORD> stamped(drawn.size(), 0);
        auto stamp = [&](int cx, int cy) {
            for (int r = -k; r <= k; ++r) {
                for (int c = -k; c <= k; ++c) {
                    const double d = std::hypot(r, c);
                    if (d > k) continue;
                    const int alpha = d < q ? params.darkness
                                            : static_cast<int>((params.sharpness + 1 - (d - q)) * params.darkness /
                                                               (params.sharpness + 1));
                    DWORD& p = stamped[static_cast<size_t>(height - 1 - (cy + r)) * width + cx + c];
                    p = std::max(p, alpha > 0 ? Grey100(static_cast<DWORD>(alpha)) : 0u);
                }
            }
        };
        for (int i = k; i <= height - k - 1; ++i) {
            const ShadowSpan& span = spans[i + 1];
            if (span.left >= span.right) continue;
            int x = span.left;
            for (; x < std::min(std::max(spans[i].left, spans[i + 2].left) + 1, span.right); ++x) stamp(x, i);
            for (x = std::max(x, std::min(spans[i].right, spans[i + 2].right) - 1); x < span.right; ++x) stamp(x, i);
        }
        int compared = 0;
        for (size_t i = 0; i < drawn.size(); ++i) {
            const DWORD centre = Grey100(static_cast<DWORD>(params.darkness));
            if (drawn[i] == 0 || drawn[i] == centre) continue;  // possibly set by the fill
            ASSERT_EQ(stamped[i], drawn[i]) << i;
            ++compared;
        }
        EXPECT_GT(compared, 500);
    }
}

// A bitmap still selected into a DC cannot be deleted: the shadow's image
// must leave its DC before either goes, or each shadow leaks its pixels.
TEST(ShadowBitmap, ItsBitmapIsDeletedWhenReleasedAndWhenDestroyed) {
    HGDIOBJ released = nullptr;
    HGDIOBJ destroyed = nullptr;
    {
        CShadowBitmap bitmap;
        ASSERT_TRUE(bitmap.Prepare(40, 30));
        released = ::GetCurrentObject(bitmap.Dc(), OBJ_BITMAP);
        bitmap.Release();
        ASSERT_TRUE(bitmap.Prepare(50, 30));
        destroyed = ::GetCurrentObject(bitmap.Dc(), OBJ_BITMAP);
    }
    EXPECT_EQ(0u, ::GetObjectType(released));
    EXPECT_EQ(0u, ::GetObjectType(destroyed));
}

}  // namespace
