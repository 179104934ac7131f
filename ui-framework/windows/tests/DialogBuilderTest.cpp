// The dialog builder and the control factory: skin documents built into
// control trees, resources and window settings handed to a paint manager.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/CContainerUI.h"
#include "controls/COptionUI.h"
#include "core/CSkinResources.h"
#include "core/CSkinStorage.h"
#include "windows/CControlFactory.h"
#include "windows/CDialogBuilder.h"
#include "windows/CShadowUI.h"

namespace {

using namespace Veneer;

// A container that counts live instances and records every attribute it is
// given, in order, across all instances.
class Tracked : public CContainerUI {
public:
    Tracked() { ++s_live; }
    ~Tracked() override { --s_live; }
    void SetAttribute(const wchar_t* name, const wchar_t* value) override {
        s_log.push_back(GetUserData().GetData() + std::wstring(L":") + name + L"=" + value);
        CContainerUI::SetAttribute(name, value);
    }
    static int s_live;
    static std::vector<std::wstring> s_log;
};
int Tracked::s_live = 0;
std::vector<std::wstring> Tracked::s_log;

Tracked* MakeTracked(const wchar_t* origin) {
    auto* control = new Tracked;
    control->SetUserData(origin);
    return control;
}

CControlUI* TestPlugin(const wchar_t* name) {
    if (wcscmp(name, L"Shared") == 0 || wcscmp(name, L"PluginOnly") == 0 || wcscmp(name, L"Control") == 0) {
        return MakeTracked(L"plugin");
    }
    return nullptr;
}

class TestCallback : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* name) override {
        if (wcscmp(name, L"Tracked") == 0 || wcscmp(name, L"Shared") == 0 || wcscmp(name, L"CallbackOnly") == 0) {
            return MakeTracked(L"callback");
        }
        return nullptr;
    }
};

class DialogBuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Tracked::s_log.clear();
        Tracked::s_live = 0;
    }
    CControlUI* Build(const wchar_t* xml, CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr) {
        return m_builder.Create(xml, nullptr, &m_callback, manager, parent);
    }
    CControlUI* Build(const wchar_t* xml, const wchar_t* type) {
        return m_builder.Create(xml, type, &m_callback);
    }
    static IContainerUI* Container(CControlUI* control) {
        return static_cast<IContainerUI*>(control->GetInterface(L"IContainer"));
    }
    static std::wstring NameAt(CControlUI* control, int index) {
        return Container(control)->GetItemAt(index)->GetName().GetData();
    }

    CDialogBuilder m_builder;
    TestCallback m_callback;
};

// A hidden top-level window with its paint manager.
class HiddenWindow {
public:
    HiddenWindow() {
        m_hwnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        manager.Init(m_hwnd, L"builder");
    }
    ~HiddenWindow() { ::DestroyWindow(m_hwnd); }
    SIZE WindowSize() const {
        RECT rect{};
        ::GetWindowRect(m_hwnd, &rect);
        return SIZE{rect.right - rect.left, rect.bottom - rect.top};
    }
    CPaintManagerUI manager;

private:
    HWND m_hwnd = nullptr;
};

TEST(ControlFactoryTest, CreatesRegisteredClassesIgnoringCaseAndNothingForUnknownNames) {
    struct Case {
        const wchar_t* name;
        const wchar_t* expectedClass;  // null: no control
    };
    const Case cases[] = {
        {L"CControlUI", L"ControlUI"},     {L"ccontrolui", L"ControlUI"}, {L"CCONTAINERUI", L"ContainerUI"},
        {L"CNoSuchUI", nullptr},           {L"Control", nullptr},         {L"", nullptr},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CControlUI> control(CControlFactory::GetInstance()->CreateControl(c.name));
        if (!c.expectedClass) {
            EXPECT_EQ(control, nullptr) << c.name;
        } else {
            ASSERT_NE(control, nullptr) << c.name;
            EXPECT_STREQ(control->GetClass(), c.expectedClass) << c.name;
        }
    }
}

TEST_F(DialogBuilderTest, WindowWithSizeFontAndOneLayoutYieldsThatLayoutAndRegistersTheFont) {
    HiddenWindow window;
    std::unique_ptr<CControlUI> root(
        Build(L"<Window size=\"700,420\"><Font id=\"0\" name=\"Arial\" size=\"14\" bold=\"true\"/>"
              L"<Container name=\"outer\"/></Window>",
              &window.manager));
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetName().GetData(), L"outer");
    EXPECT_EQ(root->GetManager(), nullptr);  // attached later by the window
    TFontInfo* font = window.manager.GetFontInfo(0);
    ASSERT_NE(font, window.manager.GetDefaultFontInfo());
    EXPECT_STREQ(font->faceName.GetData(), L"Arial");
    EXPECT_EQ(font->size, 14);
    EXPECT_TRUE(font->bold);
    // 700 x 420 design units at the window's scale.
    const int dpi = window.manager.GetDPIObj()->GetDPI();
    const SIZE actual = window.WindowSize();
    EXPECT_EQ(actual.cx, MulDiv(700, dpi, 96));
    EXPECT_EQ(actual.cy, MulDiv(420, dpi, 96));
}

// The window takes the skin's size, 700 x 420 design units, in pixels of its
// scale.
TEST_F(DialogBuilderTest, WindowSizeIsTheSkinSizeScaledByTheWindowDpi) {
    struct Case {
        int dpi;
        SIZE pixels;
    };
    for (const Case& c : {Case{96, {700, 420}}, Case{144, {1050, 630}}, Case{120, {875, 525}}}) {
        SCOPED_TRACE(c.dpi);
        HiddenWindow window;
        window.manager.SetDPI(c.dpi);
        std::unique_ptr<CControlUI> root(Build(L"<Window size=\"700,420\"><Control/></Window>", &window.manager));
        ASSERT_NE(root, nullptr);
        const SIZE actual = window.WindowSize();
        EXPECT_EQ(actual.cx, c.pixels.cx);
        EXPECT_EQ(actual.cy, c.pixels.cy);
    }
}

TEST_F(DialogBuilderTest, ResourcesAreRegisteredOnlyFromTheRootLevelAndFontsOnlyWithAnId) {
    CPaintManagerUI manager;
    std::unique_ptr<CControlUI> noId(
        Build(L"<Window><Font name=\"Courier New\" size=\"30\" default=\"true\"/>"
              L"<Font id=\"-1\" name=\"Courier New\" size=\"30\" default=\"true\"/><Control/></Window>",
              &manager));
    ASSERT_NE(noId, nullptr);
    EXPECT_STRNE(manager.GetDefaultFontInfo()->faceName.GetData(), L"Courier New");
    EXPECT_EQ(manager.GetFontInfo(-1), manager.GetDefaultFontInfo());
    std::unique_ptr<CControlUI> root(
        Build(L"<Window><Default name=\"Button\" value=\"width=&quot;9&quot;\"/>"
              L"<Style name=\"big\" value=\"height=&quot;50&quot;\"/>"
              L"<Font id=\"3\" name=\"Tahoma\" size=\"20\" default=\"true\"/>"
              L"<Container><Default name=\"Inner\" value=\"x\"/><Style name=\"inner\" value=\"y\"/></Container>"
              L"</Window>",
              &manager));
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(manager.GetDefaultAttributeList(L"Button"), L"width=\"9\"");
    EXPECT_STREQ(manager.GetStyle(L"big"), L"height=\"50\"");
    EXPECT_STREQ(manager.GetDefaultFontInfo()->faceName.GetData(), L"Tahoma");
    EXPECT_EQ(manager.GetDefaultAttributeList(L"Inner"), nullptr);
    EXPECT_EQ(manager.GetStyle(L"inner"), nullptr);
    EXPECT_EQ(Container(root.get())->GetCount(), 0);
}

TEST_F(DialogBuilderTest, ChildrenFirstThenDefaultListThenOwnAttributesInDocumentOrder) {
    CPaintManagerUI manager;
    std::unique_ptr<CControlUI> root(
        Build(L"<Window><Default name=\"Tracked\" value=\"userdata=&quot;d&quot; width=&quot;10&quot; "
              L"height=&quot;20&quot;\"/>"
              L"<Tracked name=\"outer\" width=\"30\"><Tracked name=\"inner\" height=\"5\" height=\"7\"/></Tracked>"
              L"</Window>",
              &manager));
    ASSERT_NE(root, nullptr);
    const std::vector<std::wstring> expected = {
        L"callback:userdata=d", L"d:width=10",      L"d:height=20", L"d:name=inner", L"d:height=5",
        L"d:height=7",          L"callback:userdata=d", L"d:width=10", L"d:height=20", L"d:name=outer",
        L"d:width=30",
    };
    EXPECT_EQ(Tracked::s_log, expected);
    EXPECT_EQ(root->GetFixedWidth(), 30);
    EXPECT_EQ(root->GetFixedHeight(), 20);
    CControlUI* inner = Container(root.get())->GetItemAt(0);
    EXPECT_EQ(inner->GetFixedHeight(), 7);
    EXPECT_EQ(inner->GetManager(), nullptr);
}

TEST_F(DialogBuilderTest, ClassNamesIgnoreCaseButDefaultListsUseTheNameAsWritten) {
    CPaintManagerUI manager;
    std::unique_ptr<CControlUI> root(
        Build(L"<Window><Default name=\"Control\" value=\"width=&quot;10&quot;\"/>"
              L"<CONTAINER><control name=\"lower\"/><Control name=\"exact\"/></CONTAINER></Window>",
              &manager));
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetClass(), L"ContainerUI");
    ASSERT_EQ(Container(root.get())->GetCount(), 2);
    EXPECT_EQ(Container(root.get())->GetItemAt(0)->GetFixedWidth(), 0);
    EXPECT_EQ(Container(root.get())->GetItemAt(1)->GetFixedWidth(), 10);
}

TEST_F(DialogBuilderTest, UnknownElementsAreSkippedWithTheirSubtrees) {
    std::unique_ptr<CControlUI> root(
        Build(L"<Window><Bogus/><Container><Mystery><Control name=\"lost\"/></Mystery>"
              L"<Control name=\"kept\"/></Container></Window>"));
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(Container(root.get())->GetCount(), 1);
    EXPECT_EQ(NameAt(root.get(), 0), L"kept");
}

TEST_F(DialogBuilderTest, FactoryThenPluginsThenCallback) {
    CControlFactory::AddPlugin(TestPlugin);
    CControlFactory::AddPlugin(TestPlugin);  // once only
    EXPECT_EQ(CControlFactory::GetPluginCount(), 1);
    std::unique_ptr<CControlUI> root(
        Build(L"<Window><Container><Control/><Shared/><PluginOnly/><CallbackOnly/><Nobody/></Container></Window>"));
    ASSERT_NE(root, nullptr);
    IContainerUI* items = Container(root.get());
    ASSERT_EQ(items->GetCount(), 4);
    EXPECT_STREQ(items->GetItemAt(0)->GetClass(), L"ControlUI");
    EXPECT_EQ(items->GetItemAt(0)->GetUserData(), L"");
    EXPECT_EQ(items->GetItemAt(1)->GetUserData(), L"plugin");
    EXPECT_EQ(items->GetItemAt(2)->GetUserData(), L"plugin");
    EXPECT_EQ(items->GetItemAt(3)->GetUserData(), L"callback");
}

TEST_F(DialogBuilderTest, IncludeInsertsTheIncludedControlsCountTimes) {
    std::unique_ptr<CControlUI> root(
        Build(L"<Window><Container><Control name=\"first\"/>"
              L"<Include source=\"&lt;Window&gt;&lt;Control name=&quot;a&quot;/&gt;&lt;Control "
              L"name=&quot;b&quot;/&gt;&lt;/Window&gt;\" count=\"3\"/>"
              L"<Include/><Include count=\"2\"/><Control name=\"last\"/></Container></Window>"));
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(Container(root.get())->GetCount(), 8);
    std::wstring names;
    for (int i = 0; i < 8; ++i) names += NameAt(root.get(), i) + L" ";
    EXPECT_EQ(names, L"first a b a b a b last ");
    std::unique_ptr<CControlUI> again(m_builder.Create(&m_callback));  // the loaded document, built again
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again.get(), root.get());
    EXPECT_EQ(Container(again.get())->GetCount(), 8);
}

TEST_F(DialogBuilderTest, ParentWithoutContainerStopsTheBuildAndNothingBuiltIsLost) {
    EXPECT_EQ(Build(L"<Window><Tracked><Tracked/><Control><Tracked/></Control></Tracked></Window>"), nullptr);
    EXPECT_EQ(Tracked::s_live, 0);
    CControlUI plain;
    EXPECT_EQ(Build(L"<Window><Tracked/></Window>", nullptr, &plain), nullptr);
    EXPECT_EQ(Tracked::s_live, 0);
    // Below a parent every top-level control joins it; without one only the
    // first is the result and the others are freed.
    CContainerUI parent;
    CControlUI* first = Build(L"<Window><Tracked name=\"x\"/><Tracked name=\"y\"/></Window>", nullptr, &parent);
    ASSERT_EQ(parent.GetCount(), 2);
    EXPECT_EQ(parent.GetItemAt(0), first);
    std::unique_ptr<CControlUI> root(Build(L"<Window><Tracked name=\"one\"/><Tracked name=\"two\"/></Window>"));
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetName().GetData(), L"one");
    EXPECT_EQ(Tracked::s_live, 3);
    // A parent that already lives in a window keeps its new child attached.
    CPaintManagerUI manager;
    auto* live = new CContainerUI;
    ASSERT_TRUE(manager.AttachTree(live));
    CControlUI* child = Build(L"<Window><Control name=\"z\" width=\"4\"/></Window>", &manager, live);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetManager(), &manager);
    EXPECT_EQ(child->GetParent(), live);
}

// Without a parent the first top-level control is the caller's only once
// the build succeeds: a later sibling that fails frees it too.
TEST_F(DialogBuilderTest, ALaterTopLevelControlThatFailsFreesTheFirst) {
    EXPECT_EQ(Build(L"<Window><Tracked name=\"first\"><Tracked/></Tracked><Control><Tracked/></Control></Window>"),
              nullptr);
    EXPECT_EQ(Tracked::s_live, 0);
}

// A group written in markup behaves as one built in code once the window
// attaches the tree: one selected member, whichever order the attributes
// come in; selecting another deselects it.
TEST_F(DialogBuilderTest, OptionsOfOneGroupFromMarkupKeepOneSelectedMember) {
    CPaintManagerUI manager;
    CControlUI* root = Build(L"<Window><Container>"
                             L"<Option name=\"a\" group=\"g\" selected=\"true\"/>"
                             L"<Option name=\"b\" selected=\"true\" group=\"g\"/>"
                             L"<Option name=\"c\" group=\"g\"/>"
                             L"</Container></Window>",
                             &manager);
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(manager.AttachTree(root));
    COptionUI* options[3] = {};
    for (int i = 0; i < 3; ++i) {
        const wchar_t name[2] = {static_cast<wchar_t>(L'a' + i), 0};
        options[i] = static_cast<COptionUI*>(manager.FindControl(name));
        ASSERT_NE(options[i], nullptr) << i;
    }
    const auto selected = [&options] {
        std::wstring names;
        for (COptionUI* option : options) {
            if (option->IsSelected()) names += option->GetName().GetData();
        }
        return names;
    };
    ASSERT_NE(manager.GetOptionGroup(L"g"), nullptr);
    EXPECT_EQ(manager.GetOptionGroup(L"g")->GetSize(), 3);
    EXPECT_EQ(selected(), L"b");  // the later selected member wins, as in code
    EXPECT_TRUE(options[0]->Activate());
    EXPECT_EQ(selected(), L"a");
    options[2]->Selected(true);
    EXPECT_EQ(selected(), L"c");
}

TEST_F(DialogBuilderTest, BrokenDocumentGivesNullWithErrorMessageAndLocation) {
    EXPECT_EQ(Build(L"<Window><Control name='x'/></Window>"), nullptr);
    wchar_t message[100] = {};
    wchar_t location[50] = {};
    m_builder.GetLastErrorMessage(message, 100);
    m_builder.GetLastErrorLocation(location, 50);
    EXPECT_STREQ(message, L"Expected attribute value");
    EXPECT_EQ(std::wstring(location).rfind(L"'x'/>", 0), 0u) << location;
    wchar_t shortMessage[9] = {};
    m_builder.GetLastErrorMessage(shortMessage, 9);
    EXPECT_STREQ(shortMessage, L"Expected");
    EXPECT_EQ(Build(nullptr), nullptr);
    EXPECT_EQ(Build(L"<!-- nothing -->"), nullptr);
}

// Skin files in a scratch folder of the storage.
class DialogBuilderFileTest : public DialogBuilderTest {
protected:
    void SetUp() override {
        DialogBuilderTest::SetUp();
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"veneer-builder-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(m_folder.c_str(), nullptr);
        CSkinStorage::CloseResourceZip();
        CSkinStorage::SetResourceType(ResourceType::Folder);
        CSkinStorage::SetResourcePath(m_folder.c_str());
    }
    void TearDown() override {
        for (const std::wstring& file : m_files) ::DeleteFileW(file.c_str());
        ::RemoveDirectoryW(m_folder.c_str());
        CSkinStorage::SetResourcePath(L"");
    }
    void Write(const wchar_t* name, const std::string& text) {
        const std::wstring path = m_folder + name;
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(file);
        m_files.push_back(path);
    }
    std::wstring m_folder;
    std::vector<std::wstring> m_files;
};

TEST_F(DialogBuilderFileTest, FileNamesResolveThroughTheIndexAndIncludesOfFilesNest) {
    Write(L"real.xml", "<Window><Container name=\"main\"><Include source=\"part.xml\" count=\"2\"/></Container></Window>");
    Write(L"part.xml", "\xEF\xBB\xBF<Window><Control name=\"p\"/></Window>");
    ASSERT_TRUE(CSkinResources::GetInstance()->LoadIndex(L"<Res><Xml id=\"mainskin\" path=\"real.xml\"/></Res>"));
    std::unique_ptr<CControlUI> root(Build(L"mainskin"));
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetName().GetData(), L"main");
    EXPECT_EQ(Container(root.get())->GetCount(), 2);
    CSkinResources::GetInstance()->Release();

    EXPECT_EQ(Build(L"missing.xml"), nullptr);
    wchar_t message[100] = {};
    m_builder.GetLastErrorMessage(message, 100);
    EXPECT_STREQ(message, L"Error opening file");
}

TEST_F(DialogBuilderFileTest, ImagesAreAddedByNameToTheWindowOrSharedTable) {
    // A 1x1 24-bit bitmap: file header, info header, one padded pixel row.
    const char bmp[] = "BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0"
                       "\0\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x10\x20\x30\0";
    Write(L"dot.bmp", std::string(bmp, sizeof(bmp) - 1));
    Write(L"dot2.bmp", std::string(bmp, sizeof(bmp) - 1));
    CPaintManagerUI manager;
    CPaintManagerUI other;
    std::unique_ptr<CControlUI> root(Build(
        L"<Window><Image name=\"dot.bmp\"/><Image name=\"dot2.bmp\" shared=\"true\"/><Image/><Control/></Window>",
        &manager));
    ASSERT_NE(root, nullptr);
    ASSERT_NE(manager.GetImage(L"dot.bmp"), nullptr);
    EXPECT_EQ(other.GetImage(L"dot.bmp"), nullptr);
    EXPECT_NE(other.GetImage(L"dot2.bmp"), nullptr);
    other.RemoveImage(L"dot2.bmp", true);
}

TEST_F(DialogBuilderTest, ResourceDocumentsIncludeResourcesOfTheSameType) {
    m_builder.SetInstance(::GetModuleHandleW(nullptr));
    std::unique_ptr<CControlUI> root(Build(MAKEINTRESOURCEW(201), L"SKINXML"));
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetName().GetData(), L"resmain");
    ASSERT_EQ(Container(root.get())->GetCount(), 2);
    EXPECT_EQ(NameAt(root.get(), 1), L"respart");
    EXPECT_EQ(Build(MAKEINTRESOURCEW(203), L"SKINXML"), nullptr);
}

TEST_F(DialogBuilderFileTest, SelfIncludingDocumentStopsAtTheNestingLimit) {
    Write(L"loop.xml", "<Window><Tracked><Include source=\"loop.xml\"/></Tracked></Window>");
    std::unique_ptr<CControlUI> root(Build(L"loop.xml"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Tracked::s_live, CDialogBuilder::kMaxIncludeDepth + 1);
}

TEST_F(DialogBuilderTest, WindowAttributesReachTheManagerByTableWithExactNamesKeptExact) {
    HiddenWindow window;
    CPaintManagerUI& m = window.manager;
    std::unique_ptr<CControlUI> root(
        Build(L"<WINDOW SizeBox=\"1,2,3,4\" caption=\"0,0,0,50\" roundcorner=\"5,6\" mininfo=\"300,200\" "
              L"maxinfo=\"900,800\" showdirty=\"TRUE\" NOACTIVATE=\"true\" disabledfontcolor=\"#FF112233\" "
              L"defaultfontcolor=\"FF445566\" linkfontcolor=\"#FF000001\" linkhoverfontcolor=\"#FF000002\" "
              L"selectedcolor=\"#FF000003\" gdiplustext=\"true\" textrenderinghint=\"4\" tooltiphovertime=\"900\" "
              L"shadowsize=\"6\" showshadow=\"true\" Bktrans=\"true\" mystery=\"1\"><Control/></WINDOW>",
              &m));
    ASSERT_NE(root, nullptr);
    const RECT box = m.GetSizeBox();
    EXPECT_EQ(box.left, m.GetDPIObj()->Scale(1));
    EXPECT_EQ(box.bottom, m.GetDPIObj()->Scale(4));
    EXPECT_EQ(m.GetCaptionRect().bottom, m.GetDPIObj()->Scale(50));
    EXPECT_EQ(m.GetRoundCorner().cy, m.GetDPIObj()->Scale(6));
    EXPECT_EQ(m.GetMinInfo().cx, m.GetDPIObj()->Scale(300));
    EXPECT_EQ(m.GetMaxInfo().cy, m.GetDPIObj()->Scale(800));
    EXPECT_TRUE(m.IsShowUpdateRect());
    EXPECT_FALSE(m.IsNoActivate());  // exact name only
    EXPECT_FALSE(m.IsLayered());     // exact name only
    EXPECT_EQ(m.GetDefaultDisabledColor(), 0xFF112233u);
    EXPECT_EQ(m.GetDefaultFontColor(), 0xFF445566u);
    EXPECT_EQ(m.GetDefaultLinkFontColor(), 0xFF000001u);
    EXPECT_EQ(m.GetDefaultLinkHoverFontColor(), 0xFF000002u);
    EXPECT_EQ(m.GetDefaultSelectedBkColor(), 0xFF000003u);
    EXPECT_TRUE(m.IsUseGdiplusText());
    EXPECT_EQ(m.GetGdiplusTextRenderingHint(), 4);
    EXPECT_EQ(m.GetHoverTime(), 900);
    EXPECT_EQ(m.GetWindowCustomAttribute(L"mystery"), nullptr);
    // The shadow settings make the window's shadow.
    ASSERT_TRUE(m.GetShadow() && m.GetShadow()->IsSkinShadow());
    const auto* shadow = static_cast<const CShadowUI*>(m.GetShadow());
    EXPECT_TRUE(shadow->IsShowShadow());
    EXPECT_EQ(shadow->GetSize(), 6);

    struct OpacityCase {
        const wchar_t* xml;
        BYTE expected;
    };
    const OpacityCase opacities[] = {
        {L"<Window opacity=\"128\"><Control/></Window>", 128},
        {L"<Window alpha=\"300\"><Control/></Window>", 255},
        {L"<Window layeredopacity=\"-5\"><Control/></Window>", 0},
        {L"<Window LayeredOpacity=\"77\"><Control/></Window>", 0},  // exact name only: unchanged
    };
    for (const OpacityCase& c : opacities) {
        std::unique_ptr<CControlUI> built(Build(c.xml, &m));
        EXPECT_EQ(m.GetOpacity(), c.expected) << c.xml;
    }

    std::unique_ptr<CControlUI> layered(
        Build(L"<Window noactivate=\"true\" layeredimage=\"mask.png\"><Control/></Window>", &m));
    EXPECT_TRUE(m.IsNoActivate());
    EXPECT_TRUE(m.IsLayered());
    EXPECT_STREQ(m.GetLayeredImage().GetData(), L"mask.png");

    // Only a root named Window, and only for a manager with a window.
    std::unique_ptr<CControlUI> skin(Build(L"<Skin mininfo=\"1,1\"><Control/></Skin>", &m));
    EXPECT_EQ(m.GetMinInfo().cx, m.GetDPIObj()->Scale(300));
    CPaintManagerUI windowless;
    std::unique_ptr<CControlUI> bare(Build(L"<Window mininfo=\"300,200\"><Control/></Window>", &windowless));
    EXPECT_EQ(windowless.GetMinInfo().cx, 0);
}

}  // namespace
