// Layout and hit-test cost of nested box layouts: trees of 10 children per
// container, vertical and horizontal layouts alternating by depth, with about
// 1,000 and 10,000 leaf controls (half fixed, half stretching). The leaves
// always sit in vertical layouts, so the 10k tree is ten 1k trees side by
// side and the two differ in size only (a leaf in a row costs a few per cent
// more than one in a column). A layout is one SetPos of the root; a hit test
// is one search at a point with the hit-test flags, averaged over a grid of
// points. The 10k figures should stay within 10x the 1k ones. Prints
// `name: value unit` lines; --smoke runs each measurement once.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "controls/CContainerUI.h"
#include "controls/CHorizontalLayoutUI.h"
#include "controls/CVerticalLayoutUI.h"
#include "core/bench/BenchSupport.h"
#include "manager/CPaintManagerUI.h"

using namespace Veneer;

namespace {

int g_runs = 60;
constexpr int kFanOut = 10;

using Bench::Print;
using Bench::Timing;

// Search draws nothing: no GDI batch to flush.
Timing TimeRuns(const std::function<void()>& body) { return Bench::TimeRuns(g_runs, body, Bench::GdiBatch::kLeave); }

// A subtree `depth` container levels deep; `count` receives the controls made.
CControlUI* BuildTree(int depth, bool vertical, int* count) {
    ++*count;
    if (depth == 0) {
        auto* leaf = new CControlUI;
        if (*count % 2 == 0) {
            leaf->SetFixedWidth(3);
            leaf->SetFixedHeight(3);
        }
        return leaf;
    }
    CContainerUI* box = vertical ? static_cast<CContainerUI*>(new CVerticalLayoutUI)
                                 : static_cast<CContainerUI*>(new CHorizontalLayoutUI);
    box->SetChildPadding(1);
    for (int i = 0; i < kFanOut; ++i) box->Add(BuildTree(depth - 1, !vertical, count));
    return box;
}

CControlUI* HitSelf(CControlUI* control, void*) { return control; }

// A tree with its paint manager; the manager outlives the controls.
struct Tree {
    CPaintManagerUI manager;  // no window: layout and search only
    CControlUI* root = nullptr;
    int controls = 0;
    int flip = 0;

    explicit Tree(int depth) {
        root = BuildTree(depth, depth % 2 == 1, &controls);
        manager.InitControls(root);
    }
    ~Tree() { delete root; }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    static constexpr int kWidth = 4000;
    static constexpr int kHeight = 4000;

    // Alternating sizes, so every pass really moves every control.
    void Layout() {
        flip ^= 1;
        root->SetPos(RECT{0, 0, kWidth - flip, kHeight - flip}, false);
    }

    // us per search over a grid of points; each search must find a control.
    Timing HitTest() {
        root->SetPos(RECT{0, 0, kWidth, kHeight}, false);
        std::vector<POINT> points;
        for (int y = 7; y < kHeight; y += 97) {
            for (int x = 5; x < kWidth; x += 89) points.push_back(POINT{x, y});
        }
        int found = 0;
        const Timing grid = TimeRuns([&] {
            for (POINT& pt : points) {
                found += root->FindControl(HitSelf, &pt, FINDF_VISIBLE | FINDF_HITTEST | FINDF_TOPFIRST) ? 1 : 0;
            }
        });
        if (found == 0) std::fprintf(stderr, "hit test found nothing\n");
        const double perSearch = 1000.0 / static_cast<double>(points.size());
        return Timing{grid.bestMs * perSearch, grid.medianMs * perSearch};
    }
};

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) g_runs = 1;
    }
    Tree small(3);  // 1 + 10 + 100 + 1,000
    Tree large(4);  // ... + 10,000
    // The two sizes take turns, each timed right after one untimed pass of
    // its own: both are measured warm, on the same machine state.
    const auto [layout1k, layout10k] = Bench::TimePaired(
        g_runs, [&] { small.Layout(); }, [&] { large.Layout(); }, 1);
    const Timing hit1k = small.HitTest();
    const Timing hit10k = large.HitTest();
    Print("layout_tree_controls_1k", small.controls, "controls");
    Print("layout_tree_controls_10k", large.controls, "controls");
    Print("layout_control_bytes", static_cast<double>(sizeof(CControlUI)), "bytes");
    Print("layout_container_bytes", static_cast<double>(sizeof(CVerticalLayoutUI)), "bytes");
    auto ratio = [](double big, double little) { return little > 0 ? big / little : 0; };
    Print("layout_1k_median", layout1k.medianMs, "ms");
    Print("layout_10k_median", layout10k.medianMs, "ms");
    Print("layout_1k_min", layout1k.bestMs, "ms");
    Print("layout_10k_min", layout10k.bestMs, "ms");
    Print("layout_ratio_10k_over_1k_median", ratio(layout10k.medianMs, layout1k.medianMs), "x");
    Print("layout_ratio_10k_over_1k_min", ratio(layout10k.bestMs, layout1k.bestMs), "x");
    Print("hit_test_1k_median", hit1k.medianMs, "us");
    Print("hit_test_10k_median", hit10k.medianMs, "us");
    Print("hit_test_ratio_10k_over_1k_median", ratio(hit10k.medianMs, hit1k.medianMs), "x");
    return 0;
}
