// Descriptor grammar, DPI variants and the pure image geometry.
#include <gtest/gtest.h>

#include <string>

#include "core/CSkinStorage.h"
#include "core/tests/SkinTestSupport.h"
#include "core/CDpiScaler.h"
#include "render/CUiRender.h"
#include "render/TImageSpec.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::EncodePng;
using Veneer::Testing::TempFolder;

namespace {

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::vector<unsigned char> SolidPng(int width, int height, unsigned char red) {
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4, 255);
    for (size_t i = 0; i < rgba.size(); i += 4) rgba[i] = red;
    return EncodePng(width, height, rgba);
}

CDpiScaler ScalerAt(int dpi) {
    CDpiScaler scaler;
    scaler.SetScale(dpi);
    return scaler;
}

}  // namespace

TEST(ImageDescriptor, KeysValuesAndFaultsParseAsWritten) {
    struct Case {
        const wchar_t* descriptor;
        const wchar_t* modifier;
        const wchar_t* imageName;
        RECT source, corner;
        int fade;
        bool hole;
    };
    const Case cases[] = {
        // No "=": a plain file name, blanks included.
        {L"icon_public_close.png", nullptr, L"icon_public_close.png", {}, {}, 255, false},
        {L"Install uninstall\\table_bg_install_01.png", nullptr, L"Install uninstall\\table_bg_install_01.png", {}, {},
         255, false},
        {L"file='btn.png' corner='20,0,1,0'", nullptr, L"btn.png", {}, {20, 0, 1, 0}, 255, false},
        {L"res='r.png' source='1,2,3,4' fade='128' hole='TRUE'", nullptr, L"r.png", {1, 2, 3, 4}, {}, 128, true},
        // Blanks around "=" and between pairs; any blank separates.
        {L"  file = 'a.png'\tfade='9'  ", nullptr, L"a.png", {}, {}, 9, false},
        // The modifier overrides the descriptor's keys.
        {L"file='a.png' fade='100'", L"fade='50' source='1,1,2,2'", L"a.png", {1, 1, 2, 2}, {}, 50, false},
        {L"file='a.png'", L"file='b.png'", L"b.png", {}, {}, 255, false},
        // A pair glued to the closing quote ends the text; earlier keys stay.
        {L"file='a.png' fade='10'corner='1,1,1,1'", nullptr, L"a.png", {}, {}, 10, false},
        // Unterminated value, missing quote, missing "=": nothing applied.
        {L"fade='7' file='a.png", nullptr, L"fade='7' file='a.png", {}, {}, 7, false},
        {L"file=a.png fade='7'", nullptr, L"file=a.png fade='7'", {}, {}, 255, false},
        {L"file 'a.png'", nullptr, L"file 'a.png'", {}, {}, 255, false},
        // Empty values are skipped; unknown and wrongly cased keys ignored.
        {L"file='' fade='7'", nullptr, L"file='' fade='7'", {}, {}, 7, false},
        {L"foo='bar' file='x.png'", nullptr, L"x.png", {}, {}, 255, false},
        {L"FILE='x.png'", nullptr, L"FILE='x.png'", {}, {}, 255, false},
        // Numbers: missing ones are 0, a short list stops at its end.
        {L"file='a' corner='5'", nullptr, L"a", {}, {5, 0, 0, 0}, 255, false},
        {L"file='a' corner='1,2'", nullptr, L"a", {}, {1, 2, 0, 0}, 255, false},
        {L"file='a' corner='1,,3,4'", nullptr, L"a", {}, {1, 0, 3, 4}, 255, false},
        {L"file='a' source=' -1, 2,3,4'", nullptr, L"a", {-1, 2, 3, 4}, {}, 255, false},
        // Exactly one separator: a blank after a number takes its place.
        {L"file='a' source='1,2 ,3,4'", nullptr, L"a", {1, 2, 0, 3}, {}, 255, false},
        // fade is clamped to a byte rather than wrapped.
        {L"file='a' fade='300'", nullptr, L"a", {}, {}, 255, false},
        {L"file='a' fade='-4'", nullptr, L"a", {}, {}, 0, false},
        {L"file='a' hole='yes'", nullptr, L"a", {}, {}, 255, false},
    };
    for (const Case& c : cases) {
        TImageSpec spec;
        spec.Parse(c.descriptor, c.modifier, nullptr);
        SCOPED_TRACE(testing::Message() << static_cast<const wchar_t*>(c.descriptor));
        EXPECT_STREQ(spec.imageName, c.imageName);
        EXPECT_EQ(Describe(spec.source), Describe(c.source));
        EXPECT_EQ(Describe(spec.corner), Describe(c.corner));
        EXPECT_EQ(spec.fade, c.fade);
        EXPECT_EQ(spec.hole, c.hole);
        EXPECT_EQ(spec.scale, 1.0);
    }
}

TEST(ImageDescriptor, EveryKeyReachesItsField) {
    TImageSpec spec;
    spec.Parse(L"file='a.png' restype='PNG' dest='1,2,3,4' source='5,6,7,8' corner='1,1,2,2' padding='3,0,0,1' "
               L"mask='#FFFF00FF' fade='0' hole='false' xtiled='true' ytiled='True' hsl='true' size='16,12' "
               L"align='right vcenter'",
               nullptr, nullptr);
    EXPECT_STREQ(spec.resType, L"PNG");
    EXPECT_EQ(Describe(spec.dest), "1,2,3,4");
    EXPECT_EQ(Describe(spec.source), "5,6,7,8");
    EXPECT_EQ(Describe(spec.padding), "3,0,0,1");
    EXPECT_EQ(spec.mask, 0xFFFF00FFu);
    EXPECT_EQ(spec.fade, 0);
    EXPECT_TRUE(spec.xTiled && spec.yTiled && spec.hsl);
    EXPECT_FALSE(spec.hole);
    EXPECT_EQ(spec.size.cx, 16);
    EXPECT_EQ(spec.size.cy, 12);
    EXPECT_STREQ(spec.align, L"right vcenter");
    spec.Parse(L"file='b' mask='FF00FF'", nullptr, nullptr);
    EXPECT_EQ(spec.mask, 0xFF00FFu);
    EXPECT_STREQ(spec.resType, L"");  // a new parse starts from the defaults
}

TEST(ImageDescriptor, ScalerScalesDestCornerAndPaddingButNotSize) {
    const CDpiScaler scaler = ScalerAt(144);
    TImageSpec spec;
    spec.Parse(L"file='none.png' dest='1,1,2,2' corner='20,0,1,0' padding='1,0,3,0' size='10,10' source='2,2,4,4'",
               nullptr, &scaler);
    EXPECT_EQ(Describe(spec.dest), "2,2,4,4");       // rectangle rule
    EXPECT_EQ(Describe(spec.corner), "30,0,2,0");    // each width on its own
    EXPECT_EQ(Describe(spec.padding), "2,0,5,0");
    EXPECT_EQ(spec.size.cx, 10);
    EXPECT_EQ(Describe(spec.source), "2,2,4,4");     // no variant: the 1x image's pixels
    EXPECT_STREQ(spec.imageName, L"none.png");
}

TEST(ImageDescriptor, VariantNamesReplaceTheExtensionDot) {
    const struct {
        const wchar_t* base;
        int percent;
        const wchar_t* variant;
    } cases[] = {
        {L"btn_return.png", 150, L"btn_return@1.5x.png"}, {L"btn.png", 125, L"btn@1.25x.png"},
        {L"btn.png", 175, L"btn@1.75x.png"},              {L"btn.png", 200, L"btn@2x.png"},
        {L"btn.png", 110, L"btn@1.1x.png"},               {L"a.b.png", 150, L"a.b@1.5x.png"},
        {L"dir/btn.png", 150, L"dir/btn@1.5x.png"},       {L"Install uninstall\\t.png", 200, L"Install uninstall\\t@2x.png"},
        {L"dir.v2\\btn", 150, L""},                       {L"noext", 150, L""},
    };
    for (const auto& c : cases) EXPECT_STREQ(TImageSpec::VariantName(c.base, c.percent), c.variant) << c.base;
}

TEST(ImageDescriptor, DpiVariantSearchGoesDownFromTheScaleInStepsOf25) {
    TempFolder folder;
    const std::wstring base = folder.Path() + L"btn_return.png";
    folder.Write(L"btn_return.png", SolidPng(4, 4, 10));
    folder.Write(L"btn_return@1.5x.png", SolidPng(6, 6, 20));
    folder.Write(L"btn_return@1.25x.png", SolidPng(5, 5, 30));
    std::vector<unsigned char> broken = SolidPng(8, 8, 40);
    broken.resize(broken.size() / 2);
    // Present but undecodable: the search only asks whether a file is there,
    // so it is chosen (no candidate is decoded) and then fails to load.
    folder.Write(L"btn_return@2x.png", broken);

    const std::wstring descriptor = L"file='" + base + L"' corner='20,0,1,0' source='0,0,4,2'";
    const struct {
        int dpi;
        const wchar_t* suffix;
        double scale;
        const char* source;
    } cases[] = {
        {144, L"btn_return@1.5x.png", 1.5, "0,0,6,3"},
        {168, L"btn_return@1.5x.png", 1.5, "0,0,6,3"},   // @1.75x missing
        {192, L"btn_return@2x.png", 2.0, "0,0,8,4"},     // present, never decoded
        {120, L"btn_return@1.25x.png", 1.25, "0,0,5,3"}, // never searches upwards
        {96, L"btn_return.png", 1.0, "0,0,4,2"},
        {72, L"btn_return.png", 1.0, "0,0,4,2"},
    };
    for (const auto& c : cases) {
        const CDpiScaler scaler = ScalerAt(c.dpi);
        TImageSpec spec;
        spec.Parse(descriptor.c_str(), nullptr, &scaler);
        EXPECT_EQ(std::wstring(spec.imageName.GetData()), folder.Path() + c.suffix) << c.dpi;
        EXPECT_EQ(spec.scale, c.scale) << c.dpi;
        EXPECT_EQ(Describe(spec.source), c.source) << c.dpi;
    }
    TImageSpec spec;
    spec.Parse(descriptor.c_str(), nullptr, nullptr);
    EXPECT_EQ(std::wstring(spec.imageName.GetData()), base);  // no scaler, no search
    CDpiScaler unaware = ScalerAt(144);
    unaware.SetStoredAwareness(DpiAwareness::Unaware);
    spec.Parse(descriptor.c_str(), nullptr, &unaware);
    EXPECT_EQ(spec.scale, 1.0);
}

TEST(ImageGeometry, DestinationFollowsDestAlignPaddingAndTheCut) {
    const RECT item{10, 20, 110, 70};  // 100 x 50
    struct Case {
        const wchar_t* descriptor;
        const char* dest;
    };
    const Case cases[] = {
        {L"file='a'", "10,20,110,70"},
        {L"file='a' dest='5,5,25,15'", "15,25,35,35"},
        {L"file='a' size='20,10' align='center'", "50,20,70,70"},
        {L"file='a' size='20,10' align='vcenter'", "50,40,70,50"},  // "vcenter" contains "center"
        {L"file='a' size='20,10' align='right bottom'", "90,60,110,70"},
        {L"file='a' size='20,10' align='left top' padding='2,3,0,0'", "12,23,32,33"},
        {L"file='a' size='20,10' align='right bottom' padding='0,0,4,5'", "86,55,106,65"},
        {L"file='a' size='20,10' align='left' padding='95,0,0,0'", "105,20,110,70"},  // cut at the right
        {L"file='a' size='20,10' align='top' padding='0,45,0,0'", "10,65,110,70"},    // cut at the bottom
        {L"file='a' size='20,10'", "10,20,110,70"},
        {L"file='a' size='20,0' align='right' padding='5,5,0,0'", "10,20,110,70"},  // no size, no alignment
        {L"file='a' dest='0,0,10,10' size='4,4' align='left'", "10,20,14,30"},
    };
    for (const Case& c : cases) {
        TImageSpec spec;
        spec.Parse(c.descriptor, nullptr, nullptr);
        EXPECT_EQ(Describe(CUiRender::ComputeImageDest(item, spec)), c.dest) << c.descriptor;
    }
}

TEST(ImageGeometry, SourceDefaultsToTheImageAndIsCutToIt) {
    EXPECT_EQ(Describe(CUiRender::ComputeImageSource(RECT{}, 50, 40)), "0,0,50,40");
    EXPECT_EQ(Describe(CUiRender::ComputeImageSource(RECT{2, 3, 100, 100}, 50, 40)), "2,3,50,40");
    EXPECT_EQ(Describe(CUiRender::ComputeImageSource(RECT{2, 3, 10, 12}, 50, 40)), "2,3,10,12");
}

TEST(ImageGeometry, CornerWidthsInSourcePixelsRoundLeftTopDownRightBottomUp) {
    const struct {
        RECT corner;
        double ratio;
        const char* source;
    } cases[] = {
        {{20, 0, 1, 0}, 1.0, "20,0,1,0"},
        {{30, 0, 2, 0}, 1.5, "20,0,2,0"},
        {{5, 5, 5, 5}, 1.5, "3,3,4,4"},
        {{7, 7, 7, 7}, 1.75 / 1.5, "6,6,6,6"},  // exact quotients stay exact
        {{5, 5, 5, 5}, 2.0, "2,2,3,3"},
        {{4, 4, 4, 4}, 0.0, "4,4,4,4"},  // a nonsense ratio counts as 1
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(CUiRender::SourceCornerSizes(c.corner, c.ratio)), c.source) << c.ratio;
}

// The installer's own arrangement: the skin is a ZIP archive in memory and
// descriptors name images with backslashes.
TEST(ImageDescriptor, VariantsAndImagesComeFromTheSkinArchive) {
    const std::vector<unsigned char> plain = SolidPng(4, 4, 10), variant = SolidPng(6, 6, 20);
    const SkinTest::Bytes archive = SkinTest::MakeZip({{"Install uninstall/btn.png", plain},
                                                       {"Install uninstall/btn@1.5x.png", variant}});
    ASSERT_FALSE(archive.empty());
    CSkinStorage::SetResourceZip(archive.data(), static_cast<unsigned>(archive.size()));
    const CDpiScaler scaler = ScalerAt(168);  // 175 %: no @1.75x, so @1.5x
    TImageSpec spec;
    spec.Parse(L"file='Install uninstall\\btn.png' corner='2,2,2,2'", nullptr, &scaler);
    EXPECT_STREQ(spec.imageName, L"Install uninstall\\btn@1.5x.png");
    EXPECT_EQ(spec.scale, 1.5);
    UiImagePtr image = CUiRender::LoadImage(spec.imageName, nullptr, 0, nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 6);
    spec.Parse(L"Install uninstall\\missing.png", nullptr, &scaler);
    EXPECT_STREQ(spec.imageName, L"Install uninstall\\missing.png");
    EXPECT_EQ(CUiRender::LoadImage(spec.imageName, nullptr, 0, nullptr), nullptr);
    SkinTest::ResetStorage();
}

// An elevated installer started from a downloads folder must not decode an
// image planted there: an archive skin reads nothing but its archive, and a
// folder skin reads relative names only under its folder (an absolute path
// from code is still honoured). The variant search follows the same rule.
TEST(ImageSources, FilesInTheCurrentFolderAreNeverReadForAnArchiveSkin) {
    TempFolder current, skin;
    current.Write(L"x.png", SolidPng(4, 4, 10));
    current.Write(L"y@1.5x.png", SolidPng(6, 6, 20));
    skin.Write(L"y.png", SolidPng(4, 4, 30));
    wchar_t previous[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(current.Path().c_str()));
    const std::wstring absolute = current.Path() + L"x.png";
    const CDpiScaler scaler = ScalerAt(144);

    const SkinTest::Bytes archive = SkinTest::MakeZip({{"y.png", SolidPng(4, 4, 30)}});
    ASSERT_FALSE(archive.empty());
    const struct {
        const char* storage;
        bool absoluteLoads;
    } cases[] = {{"zip", false}, {"folder", true}};
    for (const auto& c : cases) {
        if (c.storage[0] == 'z') {
            CSkinStorage::SetResourceType(ResourceType::ZipResource);
            CSkinStorage::SetResourceZip(archive.data(), static_cast<unsigned>(archive.size()));
        } else {
            CSkinStorage::SetResourcePath(skin.Path().c_str());
        }
        EXPECT_EQ(CUiRender::LoadImage(L"x.png", nullptr, 0, nullptr), nullptr) << c.storage;
        EXPECT_FALSE(CUiRender::HasImage(L"x.png", nullptr, nullptr)) << c.storage;
        UiImagePtr image = CUiRender::LoadImage(absolute.c_str(), nullptr, 0, nullptr);
        EXPECT_EQ(image != nullptr, c.absoluteLoads) << c.storage;
            TImageSpec spec;
        spec.Parse(L"file='y.png'", nullptr, &scaler);
        EXPECT_STREQ(spec.imageName, L"y.png") << c.storage;
        EXPECT_EQ(spec.scale, 1.0) << c.storage;
        image = CUiRender::LoadImage(spec.imageName, nullptr, 0, nullptr);
        ASSERT_NE(image, nullptr) << c.storage;
        EXPECT_EQ(image->width, 4);
            SkinTest::ResetStorage();
    }
    ::SetCurrentDirectoryW(previous);
}
