// Deterministic mutation loops: descriptors and image files that are wrong in
// every small way must neither crash nor read past their buffers (each input
// ends where an inaccessible page begins), and broken images draw nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CDpiScaler.h"
#include "render/CUiRender.h"
#include "render/tests/RenderTestSupport.h"

using namespace Veneer;
using Veneer::Testing::Dib32;
using Veneer::Testing::EncodePng;
using Veneer::Testing::GuardedBuffer;
using Veneer::Testing::Lcg;
using Veneer::Testing::TestResource;

namespace {

std::wstring MutateText(const std::wstring& seed, Lcg& random) {
    static const wchar_t kAlphabet[] = L"='\", #-0123456789.@xfileortsumkadgpnhvbcy\t\\/";
    std::wstring text = seed;
    const int edits = 1 + static_cast<int>(random.Below(4));
    for (int e = 0; e < edits; ++e) {
        const size_t at = text.empty() ? 0 : random.Below(static_cast<uint32_t>(text.size()));
        switch (random.Below(5)) {
            case 0: if (!text.empty()) text.erase(at, 1); break;
            case 1: text.insert(at, 1, kAlphabet[random.Below(sizeof(kAlphabet) / sizeof(wchar_t) - 1)]); break;
            case 2: if (!text.empty()) text[at] = kAlphabet[random.Below(sizeof(kAlphabet) / sizeof(wchar_t) - 1)]; break;
            case 3: text.resize(at); break;  // cut anywhere, mid-number and mid-quote included
            default: text.insert(at, text.substr(random.Below(static_cast<uint32_t>(text.size() + 1)))); break;
        }
    }
    if (text.size() > 400) text.resize(400);
    return text;
}

std::vector<unsigned char> MutateBytes(const std::vector<unsigned char>& seed, Lcg& random) {
    std::vector<unsigned char> bytes = seed;
    const int edits = 1 + static_cast<int>(random.Below(6));
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        const size_t at = random.Below(static_cast<uint32_t>(bytes.size()));
        switch (random.Below(6)) {
            case 0: bytes[at] = static_cast<unsigned char>(random.Next()); break;
            case 1: bytes[at] ^= static_cast<unsigned char>(1u << random.Below(8)); break;
            case 2: bytes.resize(at); break;
            case 3: bytes.erase(bytes.begin() + static_cast<ptrdiff_t>(at)); break;
            case 4: bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), static_cast<unsigned char>(random.Next())); break;
            default:  // a plausible-looking big number in a length or size field
                for (size_t i = at; i < at + 4 && i < bytes.size(); ++i) bytes[i] = i == at ? 0x7F : 0xFF;
                break;
        }
    }
    return bytes;
}

}  // namespace

TEST(Mutation, DescriptorsNeverCrashOrReadPastTheirEnd) {
    const std::wstring seeds[] = {
        L"file='btn_return.png' corner='20,0,1,0'",
        L"file='a.png' source='0,0,10,20' dest='1,2,3,4' padding='1,1,1,1' mask='#FFFF00FF' fade='128' "
        L"hole='true' xtiled='true' ytiled='false' hsl='true' size='16,12' align='right vcenter'",
        L"Install uninstall\\table_bg_install_01.png",
        L"res='113' restype='PNG' corner='1,1,1,1'",
    };
    CDpiScaler scaler;
    scaler.SetScale(144);
    Lcg random(20240601);
    int parsed = 0;
    for (const std::wstring& seed : seeds) {
        for (int i = 0; i < 1500; ++i) {
            const std::wstring text = MutateText(seed, random);
            const std::wstring modifier = MutateText(L"source='1,2,3,4' fade='9'", random);
            GuardedBuffer guardedText(text), guardedModifier(modifier);
            TImageSpec spec;
            // Every 25th with a scaler, which also probes for variant files
            // (never for names that could reach the network).
            const bool probe = i % 25 == 0 && text.find(L"\\\\") == std::wstring::npos && text.find(L"//") == std::wstring::npos;
            spec.Parse(guardedText.Text(), guardedModifier.Text(), probe ? &scaler : nullptr);
            const UiRect dest = CUiRender::ComputeImageDest(RECT{0, 0, 50, 40}, spec);
            (void)dest;
            ++parsed;
        }
    }
    EXPECT_EQ(parsed, 6000);
}

TEST(Mutation, CorruptImagesLoadAsNullOrAsSaneImagesAndNeverCrash) {
    std::vector<std::vector<unsigned char>> seeds = {TestResource(L"RGBA_QUADRANT"), TestResource(L"PALETTE_MASK"),
                                                     TestResource(L"GRAY16")};
    std::vector<unsigned char> rgba;
    for (int i = 0; i < 16 * 12; ++i)
        rgba.insert(rgba.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(i * 3),
                                 static_cast<unsigned char>(i * 7), static_cast<unsigned char>(i * 11)});
    seeds.push_back(EncodePng(16, 12, rgba));
    for (const auto& seed : seeds) ASSERT_FALSE(seed.empty());

    Dib32 dib(32, 32);
    Lcg random(77);
    int broken = 0, loaded = 0;
    for (const auto& seed : seeds) {
        for (int i = 0; i < 500; ++i) {
            const std::vector<unsigned char> bytes = MutateBytes(seed, random);
            GuardedBuffer guarded(bytes.data(), bytes.size());
            UiImagePtr image = CUiRender::LoadImageFromMemory(guarded.Data(), guarded.Length(), 0xFFFF00FF);
            if (!image) {
                ++broken;
                dib.Fill(0xFF123456);
                TImageSpec spec;
                spec.Parse(L"file='broken.png' corner='2,2,2,2'", nullptr, nullptr);
                EXPECT_FALSE(CUiRender::DrawImageRecord(dib.Dc(), image.get(), RECT{0, 0, 32, 32}, RECT{0, 0, 32, 32}, spec, true));
                ::GdiFlush();
                ASSERT_EQ(dib.At(16, 16), 0xFF123456u);
                continue;
            }
            ++loaded;
            ASSERT_GT(image->width, 0);
            ASSERT_GT(image->height, 0);
            ASSERT_NE(image->bits, nullptr);
            // Whatever decoded must draw without trouble.
            CUiRender::DrawImage(dib.Dc(), image->bitmap, RECT{0, 0, 32, 32}, RECT{0, 0, 32, 32},
                                 RECT{0, 0, image->width, image->height}, RECT{2, 2, 2, 2}, true, 1.0, 200, false,
                                 i % 2 == 0, i % 3 == 0);
        }
    }
    EXPECT_GT(broken, 0);
    EXPECT_GT(loaded, 0);
}
