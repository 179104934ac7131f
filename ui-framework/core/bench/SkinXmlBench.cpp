// Skin document load throughput. Prints `name: value unit` lines:
//   skin_load_<size>      UTF-8 bytes -> UTF-16 buffer -> element table
//                         (LoadBytes into a new document: fresh memory)
//   skin_reload_<size>    the same into a document that loaded before (its
//                         blocks are reused, as RapidXML reuses its buffer)
//   skin_convert_<size>   the UTF-8 conversion alone, into a reused block
//   platform_utf8_<size>  MultiByteToWideChar alone, for comparison
//   skin_parse_<size>     copying an already converted text and parsing it
//   fresh_memory_<size>   allocating and first touching a block the size of
//                         the UTF-16 text, which bounds the fresh load
//   rapidxml_<size>       RapidXML parsing the same bytes in place
//   skin_load_vs_rapidxml_<size>, skin_reload_vs_rapidxml_<size>
//                         throughput ratios (above 1: ours is faster)
// Best of N runs; MB = 10^6 bytes of UTF-8 input. --smoke: one run each.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/CSkinXml.h"
#include "core/SkinTextConvert.h"
#include "core/bench/BenchSupport.h"

#ifdef ZK_HAVE_RAPIDXML
#include "rapidxml.hpp"
#endif

namespace {

// A skin-like document of about `target` bytes: resource declarations, then
// page after page of layouts, labels, buttons and options with Chinese text,
// entities and image descriptors.
std::string MakeSkin(size_t target) {
    std::string head =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n"
        "<Window size=\"700,420\" caption=\"0,0,0,50\" bktrans=\"true\" mininfo=\"700,420\">\r\n"
        "    <Font id=\"0\" name=\"\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91\" size=\"12\" default=\"true\" />\r\n"
        "    <Default name=\"VScrollBar\" value=\"width=&quot;9&quot; showbutton1=&quot;false&quot;\" />\r\n"
        "    <TabLayout name=\"tabInstall\">\r\n";
    const std::string tail = "    </TabLayout>\r\n</Window>\r\n";
    std::string page =
        "        <VerticalLayout name=\"page@\" padding=\"40,20,40,20\" bkcolor=\"#FFFFFFFF\">\r\n"
        "            <!-- title row -->\r\n"
        "            <HorizontalLayout height=\"50\" padding=\"16,0,8,0\">\r\n"
        "                <Label name=\"zk_txt_title@\" text=\"\xE5\xAE\x89\xE8\xA3\x85\xE5\x90\x91\xE5\xAF\xBC &amp; "
        "\xE8\xAE\xBE\xE7\xBD\xAE\" font=\"1\" textcolor=\"#FF1F1F1F\" width=\"300\" />\r\n"
        "                <Control />\r\n"
        "                <Button name=\"minBtn@\" width=\"30\" height=\"30\" tooltip=\"\xE6\x9C\x80\xE5\xB0\x8F\xE5\x8C\x96\" "
        "normalimage=\"file='min.png' source='0,0,30,30'\" hotimage=\"file='min.png' source='30,0,60,30'\" />\r\n"
        "                <Button name=\"closeBtn@\" width=\"30\" height=\"30\" normalimage=\"file='close.png' "
        "source='0,0,30,30'\" pushedimage=\"file='close.png' source='60,0,90,30'\" />\r\n"
        "            </HorizontalLayout>\r\n"
        "            <Label text=\"\xE6\xAC\xA2\xE8\xBF\x8E\xE4\xBD\xBF\xE7\x94\xA8 &lt;Editor&gt; "
        "\xE5\xAE\x89\xE8\xA3\x85\xE7\xA8\x8B\xE5\xBA\x8F\" font=\"1\" height=\"40\" align=\"center\" />\r\n"
        "            <HorizontalLayout height=\"24\">\r\n"
        "                <Option name=\"agreeOpt@\" width=\"16\" height=\"16\" selected=\"true\" "
        "normalimage=\"check.png\" selectedimage=\"checked.png\" />\r\n"
        "                <Label text=\"\xE6\x88\x91\xE5\xB7\xB2\xE9\x98\x85\xE8\xAF\xBB &quot;\xE7\x94\xA8\xE6\x88\xB7"
        "\xE5\x8D\x8F\xE8\xAE\xAE&quot;\" padding=\"6,0,0,0\" />\r\n"
        "                <Button name=\"installBtn@\" text=\"\xE7\xAB\x8B\xE5\x8D\xB3\xE5\xAE\x89\xE8\xA3\x85\" "
        "width=\"160\" font=\"1\" normalimage=\"file='btn.png' corner='5,5,5,5'\" />\r\n"
        "            </HorizontalLayout>\r\n"
        "            <Progress name=\"installProgress@\" min=\"0\" max=\"100\" value=\"0\" height=\"6\" "
        "foreimage=\"progress.png\" />\r\n"
        "        </VerticalLayout>\r\n";
    std::string skin = head;
    for (int n = 0;; ++n) {
        std::string numbered = page;
        for (size_t at = numbered.find('@'); at != std::string::npos; at = numbered.find('@', at)) {
            numbered.replace(at, 1, std::to_string(n));
        }
        if (skin.size() + numbered.size() + tail.size() > target) break;
        skin += numbered;
    }
    return skin + tail;
}

// Best of `rounds`, in seconds; `prepare` runs before each round, untimed.
double Seconds(const std::function<void()>& run, int rounds, const std::function<void()>& prepare = nullptr) {
    return Veneer::Bench::TimeRuns(rounds, run, Veneer::Bench::GdiBatch::kLeave, prepare).bestMs / 1000.0;
}

bool Measure(const char* label, size_t target, int rounds) {
    const std::string skin = MakeSkin(target);
    const double megabytes = double(skin.size()) / 1e6;

    Veneer::CSkinXml xml;
    if (!xml.LoadBytes(skin.data(), skin.size())) {
        std::fprintf(stderr, "%s: skin did not load: %ls\n", label, xml.GetLastErrorMessage());
        return false;
    }
    const unsigned elements = xml.GetElementCount() - 1;
    const size_t units = xml.GetTextLength() + 1;
    std::unique_ptr<Veneer::CSkinXml> fresh;
    const double load = Seconds([&] { fresh->LoadBytes(skin.data(), skin.size()); }, rounds,
                                [&] { fresh = std::make_unique<Veneer::CSkinXml>(); });
    const double reload = Seconds([&] { xml.LoadBytes(skin.data(), skin.size()); }, rounds);

    wchar_t* block = nullptr;
    size_t capacity = 0;
    size_t length = 0;
    const double convert =
        Seconds([&] { Veneer::SkinUtf8ToUtf16(skin.data(), skin.size(), block, capacity, length); }, rounds);
    std::free(block);

    const double memory = Seconds(
        [&] {
            void* bytes = std::malloc(units * sizeof(wchar_t));
            std::memset(bytes, 1, units * sizeof(wchar_t));
            asm volatile("" : : "r"(bytes) : "memory");  // the block escapes: keep the writes
            std::free(bytes);
        },
        rounds);

    std::vector<wchar_t> wide(skin.size() + 1);
    const double platform = Seconds(
        [&] {
            const int n = ::MultiByteToWideChar(CP_UTF8, 0, skin.data(), int(skin.size()), nullptr, 0);
            ::MultiByteToWideChar(CP_UTF8, 0, skin.data(), int(skin.size()), wide.data(), n);
        },
        rounds);

    std::vector<wchar_t> wideText(units);
    ::MultiByteToWideChar(CP_UTF8, 0, skin.data(), int(skin.size()), wideText.data(), int(units));
    const double parse = Seconds([&] { xml.LoadText(wideText.data()); }, rounds);

    std::printf("skin_document_%s: %zu bytes\n", label, skin.size());
    std::printf("skin_elements_%s: %u elements\n", label, elements);
    std::printf("skin_load_%s: %.1f MB/s\n", label, megabytes / load);
    std::printf("skin_reload_%s: %.1f MB/s\n", label, megabytes / reload);
    std::printf("skin_convert_%s: %.1f MB/s\n", label, megabytes / convert);
    std::printf("platform_utf8_%s: %.1f MB/s\n", label, megabytes / platform);
    std::printf("skin_parse_%s: %.1f MB/s\n", label, megabytes / parse);
    std::printf("fresh_memory_%s: %.3f ms\n", label, memory * 1e3);

#ifdef ZK_HAVE_RAPIDXML
    std::vector<char> buffer(skin.size() + 1);
    rapidxml::xml_document<> document;
    const double rapid = Seconds([&] { document.parse<0>(buffer.data()); }, rounds,
                                 [&] {
                                     document.clear();
                                     std::memcpy(buffer.data(), skin.c_str(), skin.size() + 1);
                                 });
    std::printf("rapidxml_%s: %.1f MB/s\n", label, megabytes / rapid);
    std::printf("skin_load_vs_rapidxml_%s: %.2f x\n", label, rapid / load);
    std::printf("skin_reload_vs_rapidxml_%s: %.2f x\n", label, rapid / reload);
#endif
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    bool ok = Measure("1mib", 1u << 20, smoke ? 1 : 30);
    ok = Measure("4mib", 4u << 20, smoke ? 1 : 10) && ok;
    return ok ? 0 : 1;
}
