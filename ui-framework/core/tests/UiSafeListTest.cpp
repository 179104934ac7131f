#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "core/UiSafeList.h"

using namespace Veneer;

namespace {

struct Entry {
    int id;
};

// Walks `list` once; `during(entry)` may change the list. Returns the ids visited.
template <typename List, typename During>
std::vector<int> Walk(List& list, During during, UiWalk* how = nullptr) {
    std::vector<int> seen;
    const UiWalk walk = list.ForEach([&](Entry* entry) {
        seen.push_back(entry->id);
        return during(entry);
    });
    if (how) *how = walk;
    return seen;
}

}  // namespace

TEST(UiSafeList, ChangesDuringAWalkApplyToLaterEntriesAndLaterWalks) {
    Entry a{1}, b{2}, c{3}, d{4};
    struct Case {
        const char* what;
        std::function<bool(UiSafeList<Entry>&, Entry*)> during;
        std::vector<int> firstWalk;
        std::vector<int> secondWalk;
    };
    const Case cases[] = {
        {"nothing", [](UiSafeList<Entry>&, Entry*) { return false; }, {1, 2, 3}, {1, 2, 3}},
        {"each removes itself", [](UiSafeList<Entry>& l, Entry* e) { return l.Remove(e), false; }, {1, 2, 3}, {}},
        {"the first removes the next",
         [&](UiSafeList<Entry>& l, Entry* e) { return e == &a && l.Remove(&b), false; },
         {1, 3},
         {1, 3}},
        {"the first adds one", [&](UiSafeList<Entry>& l, Entry* e) { return e == &a && l.Add(&d), false; },
         {1, 2, 3},
         {1, 2, 3, 4}},
        {"the second stops the walk", [&](UiSafeList<Entry>&, Entry* e) { return e == &b; }, {1, 2}, {1, 2, 3}},
        {"the first clears the list", [](UiSafeList<Entry>& l, Entry*) { return l.Clear(), false; }, {1}, {}},
    };
    for (const Case& test : cases) {
        UiSafeList<Entry> list;
        list.Add(&a);
        list.Add(&b);
        list.Add(&c);
        EXPECT_EQ(Walk(list, [&](Entry* e) { return test.during(list, e); }), test.firstWalk) << test.what;
        EXPECT_EQ(Walk(list, [](Entry*) { return false; }), test.secondWalk) << test.what;
        EXPECT_EQ(list.GetSize(), static_cast<int>(test.secondWalk.size())) << test.what;
    }
}

TEST(UiSafeList, RejectsNullAndDuplicates) {
    Entry a{1};
    UiSafeList<Entry> list;
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_TRUE(list.Add(&a));
    EXPECT_FALSE(list.Add(&a));
    EXPECT_TRUE(list.Remove(&a));
    EXPECT_FALSE(list.Remove(&a));
}

TEST(UiSafeList, AWalkReportsTheListDestroyedByItsCallback) {
    Entry a{1}, b{2};
    auto list = std::make_unique<UiSafeList<Entry>>();
    list->Add(&a);
    list->Add(&b);
    UiWalk how = UiWalk::Completed;
    EXPECT_EQ(Walk(*list, [&](Entry*) { return list.reset(), false; }, &how), std::vector<int>{1});
    EXPECT_EQ(how, UiWalk::OwnerGone);
}

TEST(UiSafeList, AnOwnedEntryRemovedDuringItsOwnCallStaysAliveUntilTheWalkEnds) {
    struct Counted {
        int* alive;
        explicit Counted(int* counter) : alive(counter) { ++*alive; }
        ~Counted() { --*alive; }
    };
    int alive = 0;
    UiSafeList<std::unique_ptr<Counted>> list;
    auto owned = std::make_unique<Counted>(&alive);
    Counted* raw = owned.get();
    list.Add(std::move(owned));
    int aliveInside = -1;
    list.ForEach([&](Counted* entry) {
        list.Remove(entry);
        aliveInside = *raw->alive;  // still a valid object here
        return false;
    });
    EXPECT_EQ(aliveInside, 1);
    EXPECT_EQ(alive, 0);
}
