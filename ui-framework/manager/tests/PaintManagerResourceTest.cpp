// The manager's resource tables: fonts, images, descriptor cache, default
// attribute lists, styles, option groups, custom attributes, process-wide
// settings. No window is needed.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "WindowTestSupport.h"
#include "controls/CTabLayoutUI.h"
#include "controls/CVerticalLayoutUI.h"
#include "core/CSkinResources.h"
#include "core/CSkinStorage.h"
#include "render/TImageInfo.h"
#include "render/TImageSpec.h"

using namespace VeneerTest;

TEST(Fonts, UnknownAndNegativeIdsGiveTheDefaultFont) {
    CPaintManagerUI manager;
    HFONT shared = manager.GetFont(-1);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(manager.GetFont(42), shared);
    manager.SetDefaultFont(L"Tahoma", 13, false, false, false);
    HFONT own = manager.GetFont(-1);
    EXPECT_NE(own, shared);
    EXPECT_EQ(manager.GetFont(42), own);
    // Another window keeps the shared default.
    CPaintManagerUI other;
    EXPECT_EQ(other.GetFont(-5), shared);
}

TEST(Fonts, AddingAnIdAgainReplacesTheFontAndSharedFontsAreSeenEverywhere) {
    CPaintManagerUI manager;
    CPaintManagerUI other;
    manager.AddFont(3, L"Tahoma", 12, false, false, false);
    manager.AddFont(3, L"Tahoma", 16, true, false, false);
    LOGFONTW lf{};
    GetObjectW(manager.GetFont(3), sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, -16);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(manager.GetFontInfo(3)->size, 16);
    EXPECT_GT(manager.GetFontInfo(3)->metrics.tmHeight, 0);
    EXPECT_EQ(other.GetFont(3), other.GetFont(-1));  // private to the first window

    manager.AddFont(4, L"Tahoma", 9, false, false, false, true);
    EXPECT_EQ(other.GetFont(4), manager.GetFont(4));
    // The window's own font of an id wins over the shared one.
    other.AddFont(4, L"Tahoma", 10, false, false, false);
    EXPECT_NE(other.GetFont(4), manager.GetFont(4));
    EXPECT_TRUE(manager.RemoveFont(4, true));
    EXPECT_FALSE(manager.RemoveFont(4, true));
}

TEST(Fonts, EmptyFaceKeepsTheSystemFaceAndLongFacesAreCut) {
    CPaintManagerUI manager;
    manager.AddFont(1, L"", 12, false, false, false);
    LOGFONTW system{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(system), &system);
    EXPECT_STREQ(manager.GetFontInfo(1)->faceName.GetData(), system.lfFaceName);
    manager.AddFont(2, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij", 12, false, false, false);
    EXPECT_EQ(manager.GetFontInfo(2)->faceName.GetLength(), 31);
}

TEST(Fonts, ForceSharedPutsEveryFontInTheSharedTable) {
    CPaintManagerUI manager;
    CPaintManagerUI other;
    manager.SetForceUseSharedRes(true);
    manager.AddFont(11, L"Tahoma", 12, false, false, false);
    EXPECT_EQ(other.GetFont(11), manager.GetFont(11));
    manager.RemoveFont(11, true);
}

TEST(AttributeTables, DefaultListsReplaceStylesKeepTheFirstAndWindowEntriesWin) {
    CPaintManagerUI manager;
    CPaintManagerUI other;
    manager.AddDefaultAttributeList(L"Button", L"width=\"10\"");
    manager.AddDefaultAttributeList(L"Button", L"width=\"20\"");
    EXPECT_STREQ(manager.GetDefaultAttributeList(L"Button"), L"width=\"20\"");
    EXPECT_EQ(other.GetDefaultAttributeList(L"Button"), nullptr);

    manager.AddDefaultAttributeList(L"Label", L"shared=\"1\"", true);
    EXPECT_STREQ(other.GetDefaultAttributeList(L"Label"), L"shared=\"1\"");
    other.AddDefaultAttributeList(L"Label", L"own=\"1\"");
    EXPECT_STREQ(other.GetDefaultAttributeList(L"Label"), L"own=\"1\"");
    EXPECT_TRUE(other.RemoveDefaultAttributeList(L"Label"));
    EXPECT_STREQ(other.GetDefaultAttributeList(L"Label"), L"shared=\"1\"");
    EXPECT_TRUE(manager.RemoveDefaultAttributeList(L"Label", true));
    EXPECT_EQ(other.GetDefaultAttributeList(L"Label"), nullptr);

    manager.AddStyle(L"big", L"height=\"40\"");
    manager.AddStyle(L"big", L"height=\"80\"");
    EXPECT_STREQ(manager.GetStyle(L"big"), L"height=\"40\"");
    EXPECT_EQ(manager.GetStyle(L"missing"), nullptr);
    EXPECT_EQ(manager.GetStyle(L""), nullptr);
    EXPECT_TRUE(manager.RemoveStyle(L"big"));
    EXPECT_EQ(manager.GetStyle(L"big"), nullptr);
}

TEST(OptionGroups, MembersAreUniqueAndAnEmptiedGroupDisappears) {
    CPaintManagerUI manager;
    CControlUI first, second;
    EXPECT_TRUE(manager.AddOptionGroup(L"g", &first));
    EXPECT_FALSE(manager.AddOptionGroup(L"g", &first));
    EXPECT_TRUE(manager.AddOptionGroup(L"g", &second));
    ASSERT_NE(manager.GetOptionGroup(L"g"), nullptr);
    EXPECT_EQ(manager.GetOptionGroup(L"g")->GetSize(), 2);
    manager.RemoveOptionGroup(L"g", &first);
    EXPECT_EQ(manager.GetOptionGroup(L"g")->GetSize(), 1);
    manager.RemoveOptionGroup(L"g", &second);
    EXPECT_EQ(manager.GetOptionGroup(L"g"), nullptr);
    EXPECT_FALSE(manager.AddOptionGroup(L"", &first));
}

TEST(OptionGroups, ADestroyedMemberLeavesItsGroup) {
    CPaintManagerUI manager;
    CControlUI stays;
    manager.AddOptionGroup(L"g", &stays);
    {
        CControlUI gone;
        gone.SetManager(&manager, nullptr, false);
        manager.AddOptionGroup(L"g", &gone);
    }
    EXPECT_EQ(manager.GetOptionGroup(L"g")->Snapshot(), std::vector<CControlUI*>{&stays});
}

TEST(CustomAttributes, FirstValueStaysAndEmptyInputIsIgnored) {
    CPaintManagerUI manager;
    manager.AddWindowCustomAttribute(L"theme", L"dark");
    manager.AddWindowCustomAttribute(L"theme", L"light");
    EXPECT_STREQ(manager.GetWindowCustomAttribute(L"theme"), L"dark");
    manager.AddWindowCustomAttribute(L"empty", L"");
    manager.AddWindowCustomAttribute(L"", L"x");
    EXPECT_EQ(manager.GetWindowCustomAttribute(L"empty"), nullptr);
    EXPECT_EQ(manager.GetWindowCustomAttribute(L""), nullptr);
    EXPECT_TRUE(manager.RemoveWindowCustomAttribute(L"theme"));
    EXPECT_FALSE(manager.RemoveWindowCustomAttribute(L"theme"));
}

TEST(Images, LoadedOnceFromTheSkinFolderAndReplacedByAddImage) {
    const std::wstring folder = MakeTempFolder(L"veneer-images");
    ASSERT_TRUE(WriteBmp32(folder + L"dot.bmp", 3, 2, [](int, int) { return 0xFF336699u; }));
    CPaintManagerUI::SetResourcePath(folder.c_str());
    CPaintManagerUI manager;
    const TImageInfo* image = manager.GetImageEx(L"dot.bmp");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_FALSE(image->hasAlpha);
    EXPECT_EQ(manager.GetImageEx(L"dot.bmp"), image);
    EXPECT_EQ(manager.GetImageEx(L"missing.bmp"), nullptr);

    // A bitmap under an existing name is refused and stays the caller's.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 1, -1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_EQ(manager.AddImage(L"dot.bmp", bitmap, 1, 1, false), nullptr);
    EXPECT_EQ(manager.GetImage(L"dot.bmp"), image);
    DeleteObject(bitmap);

    // Another mask is another record; the plain one stays under its name.
    const TImageInfo* masked = manager.GetImageEx(L"dot.bmp", nullptr, 0xFF336699);
    ASSERT_NE(masked, nullptr);
    EXPECT_NE(masked, image);
    EXPECT_EQ(masked->mask, 0xFF336699u);
    EXPECT_TRUE(masked->hasAlpha);  // every pixel matched the mask
    EXPECT_EQ(manager.GetImage(L"dot.bmp"), image);
    EXPECT_EQ(manager.GetImageEx(L"dot.bmp", nullptr, 0xFF336699), masked);

    // Adding by name again loads it anew and replaces the plain record only.
    const TImageInfo* reloaded = manager.AddImage(L"dot.bmp");
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(manager.GetImage(L"dot.bmp"), reloaded);
    EXPECT_FALSE(reloaded->hasAlpha);
    EXPECT_TRUE(manager.RemoveImage(L"dot.bmp"));
    EXPECT_EQ(manager.GetImage(L"dot.bmp"), nullptr);
    EXPECT_EQ(manager.GetImageEx(L"dot.bmp", nullptr, 0xFF336699), masked);

    CPaintManagerUI::SetResourcePath(L"");
    DeleteFileW((folder + L"dot.bmp").c_str());
    RemoveDirectoryW(folder.c_str());
}

// The installer's pages each draw a window-sized background: the one left
// must be gone before the next one decodes, and what both pages draw stays.
TEST(Images, ALeftPageFreesTheImagesOnlyItDrewBeforeTheNextPageDraws) {
    const std::wstring folder = MakeTempFolder(L"veneer-page-images");
    const wchar_t* const names[] = {L"root.bmp", L"page0.bmp", L"page1.bmp", L"both.bmp"};
    for (const wchar_t* name : names) ASSERT_TRUE(WriteBmp32(folder + name, 2, 2, [](int, int) { return 0xFF336699u; }));
    CPaintManagerUI::SetResourcePath(folder.c_str());
    CPaintManagerUI manager;
    auto root = std::make_unique<CVerticalLayoutUI>();
    root->SetBkImage(L"root.bmp");
    auto* tab = new CTabLayoutUI;
    root->Add(tab);
    for (const wchar_t* own : {L"page0.bmp", L"page1.bmp"}) {
        auto* page = new CVerticalLayoutUI;
        page->SetBkImage(own);
        auto* button = new CControlUI;
        button->SetBkImage(L"both.bmp");
        page->Add(button);
        tab->Add(page);
    }
    manager.InitControls(root.get());
    root->SetPos(RECT{0, 0, 40, 40}, false);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 40, 40);
    HGDIOBJ old = SelectObject(dc, bitmap);
    auto paint = [&] { root->Paint(dc, root->GetPos(), nullptr); };

    paint();
    EXPECT_TRUE(tab->SelectItem(1));
    EXPECT_EQ(manager.GetImage(L"page0.bmp"), nullptr);
    EXPECT_EQ(manager.GetImage(L"both.bmp"), nullptr);  // so far only page 0 drew it
    EXPECT_NE(manager.GetImage(L"root.bmp"), nullptr);

    paint();
    EXPECT_NE(manager.GetImage(L"page1.bmp"), nullptr);
    EXPECT_TRUE(tab->SelectItem(0));
    EXPECT_EQ(manager.GetImage(L"page1.bmp"), nullptr);
    EXPECT_NE(manager.GetImage(L"both.bmp"), nullptr);  // drawn by both pages: shared
    EXPECT_NE(manager.GetImage(L"root.bmp"), nullptr);
    paint();
    EXPECT_NE(manager.GetImage(L"page0.bmp"), nullptr);

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    CPaintManagerUI::SetResourcePath(L"");
    for (const wchar_t* name : names) DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(Images, ColourAdjustedImagesKeepTheirSourcePixels) {
    const std::wstring folder = MakeTempFolder(L"veneer-hsl");
    const std::wstring path = folder + L"red.bmp";
    ASSERT_TRUE(WriteBmp32(path, 2, 2, [](int, int) { return 0xFFFF0000u; }));
    CPaintManagerUI::SetHSL(300, 100, 100);
    CPaintManagerUI manager;
    const TImageInfo* image = manager.AddImage(path.c_str(), nullptr, 0, true);
    CPaintManagerUI::SetHSL(180, 100, 100);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->hslSource, nullptr);
    const DWORD* adjusted = reinterpret_cast<const DWORD*>(image->bits);
    const DWORD* source = reinterpret_cast<const DWORD*>(image->hslSource);
    EXPECT_EQ(source[0], 0xFFFF0000u);
    EXPECT_EQ(adjusted[0], 0xFF00FF00u);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(DrawInfo, KeyIsDescriptorFollowedByModifierAndEmptyGivesNull) {
    CPaintManagerUI manager;
    EXPECT_EQ(manager.GetDrawInfo(L""), nullptr);
    EXPECT_EQ(manager.GetDrawInfo(nullptr, nullptr), nullptr);
    const TImageSpec* plain = manager.GetDrawInfo(L"file='bar.png'");
    const TImageSpec* modified = manager.GetDrawInfo(L"file='bar.png'", L" dest='0,0,10,10'");
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(modified, nullptr);
    EXPECT_NE(plain, modified);
    EXPECT_EQ(manager.GetDrawInfo(L"file='bar.png'"), plain);
    EXPECT_EQ(UiRect(modified->dest), UiRect(0, 0, 10, 10));
    EXPECT_STREQ(plain->imageName.GetData(), L"bar.png");
    manager.RemoveAllDrawInfos();
    EXPECT_NE(manager.GetDrawInfo(L"file='bar.png'"), nullptr);

    // Splits that join to the same text are different descriptors: the
    // second text is read on its own, a key glued to a quote is not.
    const TImageSpec* split = manager.GetDrawInfo(L"file='a.png'", L"dest='0,0,1,1'");
    const TImageSpec* glued = manager.GetDrawInfo(L"file='a.png'dest='0,0,1,1'");
    const TImageSpec* other = manager.GetDrawInfo(L"file='a.png'd", L"est='0,0,1,1'");
    ASSERT_NE(split, nullptr);
    ASSERT_NE(glued, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(split, glued);
    EXPECT_NE(split, other);
    EXPECT_NE(glued, other);
    EXPECT_EQ(UiRect(split->dest), UiRect(0, 0, 1, 1));
    EXPECT_TRUE(UiRect(glued->dest).IsNull());
}

TEST(ProcessSettings, InstanceResourceFallbackAndPaths) {
    HINSTANCE saved = CPaintManagerUI::GetInstance();
    CPaintManagerUI::SetInstance(nullptr);
    CPaintManagerUI::SetResourceInstance(nullptr);
    EXPECT_TRUE(CPaintManagerUI::GetInstancePath().IsEmpty());
    HINSTANCE self = GetModuleHandleW(nullptr);
    CPaintManagerUI::SetInstance(self);
    EXPECT_EQ(CPaintManagerUI::GetResourceInstance(), self);
    EXPECT_EQ(CSkinStorage::GetResourceInstance(), self);  // where skin resources are read
    HINSTANCE other = GetModuleHandleW(L"user32.dll");
    CPaintManagerUI::SetResourceInstance(other);
    EXPECT_EQ(CPaintManagerUI::GetResourceInstance(), other);
    EXPECT_EQ(CSkinStorage::GetResourceInstance(), other);
    CPaintManagerUI::SetResourceInstance(nullptr);
    EXPECT_EQ(CSkinStorage::GetResourceInstance(), self);
    const UiString path = CPaintManagerUI::GetInstancePath();
    ASSERT_FALSE(path.IsEmpty());
    EXPECT_EQ(path[path.GetLength() - 1], L'\\');
    CPaintManagerUI::SetResourcePath(L"C:\\skins");
    EXPECT_STREQ(CPaintManagerUI::GetResourcePath().GetData(), L"C:\\skins\\");
    CPaintManagerUI::SetResourcePath(L"");
    CPaintManagerUI::SetInstance(saved);
}

TEST(ProcessSettings, LiveManagersAreTheInitialisedOnes) {
    const int before = CPaintManagerUI::GetPaintManagerCount();
    {
        CPaintManagerUI idle;
        EXPECT_EQ(CPaintManagerUI::GetPaintManagerCount(), before);
        TestWindow window(RECT{10, 10, 50, 50});
        EXPECT_EQ(CPaintManagerUI::GetPaintManagerCount(), before + 1);
        EXPECT_EQ(CPaintManagerUI::GetPaintManager(before), &window.manager);
    }
    EXPECT_EQ(CPaintManagerUI::GetPaintManagerCount(), before);
}

TEST(ProcessSettings, DefaultColoursAreCopiedAndSharedOnesFollowed) {
    CPaintManagerUI first;
    EXPECT_EQ(first.GetDefaultDisabledColor(), 0xFFA7A6AAu);
    EXPECT_EQ(first.GetDefaultFontColor(), 0xFF000000u);
    EXPECT_EQ(first.GetDefaultLinkFontColor(), 0xFF0000FFu);
    EXPECT_EQ(first.GetDefaultLinkHoverFontColor(), 0xFFD3215Fu);
    EXPECT_EQ(first.GetDefaultSelectedBkColor(), 0xFFBAE4FFu);
    first.SetDefaultFontColor(0xFF111111);
    CPaintManagerUI second;
    EXPECT_EQ(second.GetDefaultFontColor(), 0xFF000000u);
    second.SetDefaultFontColor(0xFF222222, true);
    EXPECT_EQ(second.GetDefaultFontColor(), 0xFF222222u);
    CPaintManagerUI third;
    EXPECT_EQ(third.GetDefaultFontColor(), 0xFF222222u);
    third.SetDefaultFontColor(0xFF000000, true);
}

TEST(ProcessSettings, TermReleasesTheSharedTablesAndTheResourceIndex) {
    ASSERT_TRUE(CSkinResources::GetInstance()->LoadIndex(L"<Res><Image id=\"logo\" path=\"a.png\"/></Res>"));
    EXPECT_EQ(CSkinResources::GetInstance()->GetImageCount(), 1);
    {
        CPaintManagerUI manager;
        manager.AddFont(20, L"Tahoma", 30, false, false, false, true);
        manager.AddStyle(L"common", L"width=\"1\"", true);
        manager.AddDefaultAttributeList(L"Button", L"height=\"2\"", true);
    }
    CPaintManagerUI::Term();
    EXPECT_EQ(CSkinResources::GetInstance()->GetImageCount(), 0);
    CPaintManagerUI after;
    EXPECT_EQ(after.GetStyle(L"common"), nullptr);
    EXPECT_EQ(after.GetDefaultAttributeList(L"Button"), nullptr);
    // The shared default font is set up again for managers made afterwards.
    ASSERT_NE(after.GetFont(-1), nullptr);
    EXPECT_EQ(after.GetFont(20), after.GetFont(-1));
}
