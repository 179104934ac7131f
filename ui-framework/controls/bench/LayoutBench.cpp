// Layout and hit-test cost of nested box layouts: trees of 10 children per
// container, vertical and horizontal layouts alternating by depth, with about
// 1,000 and 10,000 leaf controls (half fixed, half stretching). A layout is
// one SetPos of the root; a hit test is one search at a point with the
// hit-test flags, averaged over a grid of points. The 10k figures should stay
// within 10x the 1k ones. Prints `name: value unit` lines; --smoke runs each
// measurement once.
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

// Layout and search draw nothing: no GDI batch to flush.
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

struct TreeFigures {
    Timing layout;     // ms per layout of the whole tree
    Timing hitTest;    // us per search
};

TreeFigures Measure(int depth, int* controls) {
    CPaintManagerUI manager;  // no window: layout and search only
    *controls = 0;
    CControlUI* root = BuildTree(depth, true, controls);
    manager.InitControls(root);
    constexpr int kWidth = 4000;
    constexpr int kHeight = 4000;
    int flip = 0;
    TreeFigures figures{};
    figures.layout = TimeRuns([&] {
        // Alternating sizes, so every pass really moves every control.
        flip ^= 1;
        root->SetPos(RECT{0, 0, kWidth - flip, kHeight - flip}, false);
    });
    root->SetPos(RECT{0, 0, kWidth, kHeight}, false);

    // A grid of points over the whole tree; each search must find a control.
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
    figures.hitTest = Timing{grid.bestMs * perSearch, grid.medianMs * perSearch};
    delete root;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) g_runs = 1;
    }
    int small = 0;
    int large = 0;
    const TreeFigures k1 = Measure(3, &small);   // 1 + 10 + 100 + 1,000
    const TreeFigures k10 = Measure(4, &large);  // ... + 10,000
    Print("layout_tree_controls_1k", small, "controls");
    Print("layout_tree_controls_10k", large, "controls");
    auto ratio = [](double big, double little) { return little > 0 ? big / little : 0; };
    Print("layout_1k_median", k1.layout.medianMs, "ms");
    Print("layout_10k_median", k10.layout.medianMs, "ms");
    Print("layout_1k_min", k1.layout.bestMs, "ms");
    Print("layout_10k_min", k10.layout.bestMs, "ms");
    Print("layout_ratio_10k_over_1k_median", ratio(k10.layout.medianMs, k1.layout.medianMs), "x");
    Print("layout_ratio_10k_over_1k_min", ratio(k10.layout.bestMs, k1.layout.bestMs), "x");
    Print("hit_test_1k_median", k1.hitTest.medianMs, "us");
    Print("hit_test_10k_median", k10.hitTest.medianMs, "us");
    Print("hit_test_ratio_10k_over_1k_median", ratio(k10.hitTest.medianMs, k1.hitTest.medianMs), "x");
    return 0;
}
