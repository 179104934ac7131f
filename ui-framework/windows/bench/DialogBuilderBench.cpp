// Building a skin of about 2,000 elements into controls, against parsing the
// same document alone. Prints `name: value unit` lines; best of N runs;
// --smoke runs each measurement once.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "core/CSkinXml.h"
#include "core/bench/BenchSupport.h"
#include "manager/CPaintManagerUI.h"
#include "windows/CControlFactory.h"
#include "windows/CDialogBuilder.h"

namespace {

using namespace Veneer;

int g_runs = 20;

// Seconds.
double Now() { return Bench::NowMs() / 1000.0; }

double BestOf(const std::function<void()>& body) {
    return Bench::TimeRuns(g_runs, body, Bench::GdiBatch::kLeave).bestMs / 1000.0;
}

// One outer container holding 40 groups of 49 controls with a few attributes
// each, plus the resource declarations a skin carries: 2,002 elements.
std::wstring MakeSkin() {
    std::wstring xml = L"<Window size=\"700,420\" caption=\"0,0,0,40\">";
    xml += L"<Font id=\"0\" name=\"Arial\" size=\"12\"/>";
    xml += L"<Default name=\"Control\" value=\"height=&quot;20&quot; bkcolor=&quot;#FF203040&quot;\"/>";
    xml += L"<Container name=\"root\">";
    for (int group = 0; group < 40; ++group) {
        xml += L"<Container name=\"g" + std::to_wstring(group) + L"\" padding=\"1,2,3,4\">";
        for (int i = 0; i < 49; ++i) {
            xml += L"<Control name=\"c" + std::to_wstring(group * 100 + i) +
                   L"\" width=\"30\" tooltip=\"tip\" bordercolor=\"#FF000000\"/>";
        }
        xml += L"</Container>";
    }
    xml += L"</Container></Window>";
    return xml;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) g_runs = 1;
    }
    const std::wstring skin = MakeSkin();
    CSkinXml probe;
    if (!probe.LoadText(skin.c_str())) {
        std::fprintf(stderr, "skin did not parse: %ls\n", probe.GetLastErrorMessage());
        return 1;
    }
    const unsigned elements = probe.GetElementCount() - 1;  // without the sentinel

    const double parse = BestOf([&] {
        CSkinXml xml;
        xml.LoadText(skin.c_str());
    });
    CPaintManagerUI manager;
    bool built = true;
    const double build = BestOf([&] {
        CDialogBuilder builder;
        std::unique_ptr<CControlUI> root(builder.Create(skin.c_str(), nullptr, nullptr, &manager));
        built = built && root != nullptr;
    });
    CDialogBuilder once;
    once.Create(skin.c_str());
    // Building only: the tree is deleted outside the timed part.
    double rebuild = 1e9;
    double destroy = 1e9;
    for (int i = 0; i < g_runs; ++i) {
        const double start = Now();
        std::unique_ptr<CControlUI> root(once.Create(nullptr, &manager));
        const double middle = Now();
        root.reset();
        const double end = Now();
        if (middle - start < rebuild) rebuild = middle - start;
        if (end - middle < destroy) destroy = end - middle;
    }
    const double withoutManager = BestOf([&] { std::unique_ptr<CControlUI> root(once.Create()); });
    // The floor: creating and deleting the same number of bare controls.
    const double bare = BestOf([&] {
        for (unsigned i = 0; i < elements; ++i) delete CControlFactory::GetInstance()->CreateControl(L"CControlUI");
    });
    // The control's own share: the same attributes set on bare controls.
    const double attributes = BestOf([&] {
        for (unsigned i = 0; i < elements; ++i) {
            std::unique_ptr<CControlUI> control(CControlFactory::GetInstance()->CreateControl(L"CControlUI"));
            control->SetAttribute(L"name", L"c1234");
            control->SetAttribute(L"width", L"30");
            control->SetAttribute(L"tooltip", L"tip");
            control->SetAttribute(L"bordercolor", L"#FF000000");
        }
    });
    if (!built) {
        std::fprintf(stderr, "skin did not build\n");
        return 1;
    }

    std::printf("builder_skin_elements: %u elements\n", elements);
    std::printf("builder_parse_only: %.3f ms\n", parse * 1e3);
    std::printf("builder_parse_build_delete: %.3f ms\n", build * 1e3);
    std::printf("builder_build_loaded_document: %.3f ms\n", rebuild * 1e3);
    std::printf("builder_build_without_manager: %.3f ms\n", withoutManager * 1e3);
    std::printf("builder_delete_tree: %.3f ms\n", destroy * 1e3);
    std::printf("builder_bare_create_delete: %.3f ms\n", bare * 1e3);
    std::printf("builder_bare_controls_with_attributes: %.3f ms\n", attributes * 1e3);
    std::printf("builder_build_per_element: %.3f us\n", rebuild * 1e6 / elements);
    std::printf("builder_build_over_parse: %.1f x\n", build / parse);
    return 0;
}
