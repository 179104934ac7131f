#include <gtest/gtest.h>

#include "core/UiPtrArray.h"
#include "core/UiRect.h"
#include "core/UiOwningMap.h"
#include "core/UiStringPtrMap.h"

using namespace Veneer;

namespace {
void* P(intptr_t v) { return reinterpret_cast<void*>(v); }
}  // namespace

TEST(UiPtrArray, GrowsTo11ThenDoublesKeepingOneSpareSlot) {
    UiPtrArray array;
    for (int i = 1; i <= 10; ++i) ASSERT_TRUE(array.Add(P(i)));
    EXPECT_EQ(array.GetCapacity(), 11);
    ASSERT_TRUE(array.Add(P(11)));
    EXPECT_EQ(array.GetCapacity(), 22);
    EXPECT_EQ(array.GetSize(), 11);
    EXPECT_EQ(array.GetAt(10), P(11));
}

TEST(UiPtrArray, InsertRemoveAndBounds) {
    UiPtrArray array;
    EXPECT_TRUE(array.InsertAt(0, P(2)));   // equal to the count: an Add
    EXPECT_TRUE(array.InsertAt(0, P(1)));
    EXPECT_TRUE(array.InsertAt(2, P(3)));
    EXPECT_FALSE(array.InsertAt(4, P(9)));
    EXPECT_FALSE(array.InsertAt(-1, P(9)));
    ASSERT_EQ(array.GetSize(), 3);
    EXPECT_EQ(array[0], P(1));
    EXPECT_EQ(array[1], P(2));
    EXPECT_EQ(array[2], P(3));
    EXPECT_TRUE(array.Remove(1));
    EXPECT_EQ(array.GetAt(1), P(3));
    EXPECT_FALSE(array.Remove(2));
    EXPECT_EQ(array.GetAt(2), nullptr);
    EXPECT_EQ(array.GetAt(-1), nullptr);
    EXPECT_FALSE(array.SetAt(2, P(5)));
    EXPECT_EQ(array.Find(P(3)), 1);
    EXPECT_EQ(array.Find(P(42)), -1);
    UiPtrArray copy(array);
    EXPECT_EQ(copy.GetSize(), 2);
    EXPECT_TRUE(array.Resize(4));
    EXPECT_EQ(array.GetSize(), 4);
    EXPECT_EQ(array.GetAt(3), nullptr);
}

TEST(UiValArray, CopiesElementBytesAndShiftsOnRemove) {
    UiValArray array(sizeof(RECT));
    for (int i = 0; i < 30; ++i) {
        RECT rc{i, i + 1, i + 2, i + 3};
        ASSERT_TRUE(array.Add(&rc));
    }
    EXPECT_TRUE(array.Remove(0));
    auto* first = static_cast<RECT*>(array.GetAt(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->left, 1);
    EXPECT_EQ(array.GetSize(), 29);
    EXPECT_EQ(array.GetAt(29), nullptr);
    array.Empty();
    EXPECT_TRUE(array.IsEmpty());
    EXPECT_GT(array.GetCapacity(), 0);
}

TEST(UiStringPtrMap, HashIsTimes33FromTheLastCharacter) {
    EXPECT_EQ(UiStringPtrMap::Hash(L"ab"), 98u * 33u + 97u);
    EXPECT_EQ(UiStringPtrMap::Hash(L""), 0u);
    // Wraps in 32 bits instead of overflowing.
    EXPECT_EQ(UiStringPtrMap::Hash(L"\xFFFF\xFFFF\xFFFF\xFFFF\xFFFF\xFFFF\xFFFF"),
              [] { unsigned h = 0; for (int i = 0; i < 7; ++i) h = h * 33u + 0xFFFFu; return h; }());
}

TEST(UiStringPtrMap, InsertSetFindRemove) {
    UiStringPtrMap map(5);
    EXPECT_EQ(map.GetBucketCount(), 16);
    EXPECT_TRUE(map.Insert(L"a", P(1)));
    EXPECT_TRUE(map.Insert(L"b", P(2)));
    EXPECT_FALSE(map.Insert(L"a", P(3)));
    EXPECT_EQ(map.Set(L"a", P(4)), P(1));
    EXPECT_EQ(map.Set(L"c", P(5)), nullptr);
    EXPECT_EQ(map.Find(L"a"), P(4));
    EXPECT_EQ(map.Find(L"A"), nullptr);
    EXPECT_EQ(map.GetSize(), 3);
    EXPECT_TRUE(map.Remove(L"b"));
    EXPECT_FALSE(map.Remove(L"b"));
    EXPECT_EQ(map.Find(L"b"), nullptr);
    map.RemoveAll();
    EXPECT_EQ(map.GetSize(), 0);
    EXPECT_EQ(map.GetBucketCount(), 16);
}

TEST(UiStringPtrMap, ChainsSurviveMoveToFrontAndRemovalInTheMiddle) {
    // 16 buckets: keys whose hashes differ by 16 share a chain.
    UiStringPtrMap map(16);
    const wchar_t* keys[] = {L"\x0001", L"\x0011", L"\x0021", L"\x0031"};
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(map.Insert(keys[i], P(i + 1)));
    EXPECT_EQ(map.Find(L"\x0011", true), P(2));  // moved to the head
    EXPECT_TRUE(map.Remove(L"\x0021"));
    for (int i : {0, 1, 3}) EXPECT_EQ(map.Find(keys[i], true), P(i + 1));
    // GetAt walks chains from the last bucket down, each from its head.
    EXPECT_STREQ(map.GetAt(0), L"\x0031");
    EXPECT_EQ(map.GetAt(3), nullptr);
}

TEST(UiStringPtrMap, NoBucketsStoresNothing) {
    UiStringPtrMap map(16);
    map.Resize(-3);
    EXPECT_EQ(map.GetBucketCount(), 0);
    EXPECT_FALSE(map.Insert(L"a", P(1)));
    EXPECT_EQ(map.Set(L"a", P(7)), P(7));
    EXPECT_EQ(map.Find(L"a"), nullptr);
}

TEST(UiRect, GeometryOperations) {
    UiRect rc(10, 20, 30, 60);
    EXPECT_EQ(rc.GetWidth(), 20);
    EXPECT_EQ(rc.GetHeight(), 40);
    rc.Join(UiRect(0, 30, 25, 70));
    EXPECT_EQ(rc, UiRect(0, 20, 30, 70));
    rc.ResetOffset();
    EXPECT_EQ(rc, UiRect(0, 0, 30, 50));
    rc.Deflate(5, 10);
    EXPECT_EQ(rc, UiRect(5, 10, 25, 40));
    UiRect swapped(9, 8, 1, 2);
    swapped.Normalize();
    EXPECT_EQ(swapped, UiRect(1, 2, 9, 8));
    UiRect u(0, 0, 10, 10);
    u.Union(UiRect());  // an empty operand is ignored
    EXPECT_EQ(u, UiRect(0, 0, 10, 10));
    u.Union(UiRect(20, 20, 30, 30));
    EXPECT_EQ(u, UiRect(0, 0, 30, 30));
    EXPECT_TRUE(UiRect().IsNull());
    EXPECT_EQ(UiSize(UiRect(1, 2, 11, 7)), UiSize(10, 5));
}

// Every value leaves exactly once: when replaced, removed, cleared or with the
// table; a refused insert frees what it was given.
TEST(UiOwningMap, FreesEachValueOnceWhateverRemovesIt) {
    static int freed;
    struct CountingDeleter {
        void operator()(int* value) const {
            ++freed;
            delete value;
        }
    };
    using Table = UiOwningMap<int, CountingDeleter>;
    using Owner = Table::Owner;
    freed = 0;
    {
        Table table(7);
        EXPECT_EQ(*table.Set(L"a", Owner(new int(1))), 1);
        EXPECT_EQ(*table.Set(L"a", Owner(new int(2))), 2);
        EXPECT_EQ(freed, 1);
        EXPECT_EQ(table.Insert(L"a", Owner(new int(3))), nullptr);
        EXPECT_EQ(freed, 2);
        EXPECT_EQ(*table.Find(L"a"), 2);
        EXPECT_EQ(table.Set(nullptr, Owner(new int(4))), nullptr);
        EXPECT_EQ(freed, 3);
        EXPECT_NE(table.Insert(L"b", Owner(new int(5))), nullptr);
        EXPECT_TRUE(table.Remove(L"b"));
        EXPECT_FALSE(table.Remove(L"b"));
        EXPECT_EQ(freed, 4);
        table.Insert(L"c", Owner(new int(6)));
        table.Clear();
        EXPECT_EQ(freed, 6);
        EXPECT_EQ(table.GetSize(), 0);
        table.Insert(L"d", Owner(new int(7)));
    }
    EXPECT_EQ(freed, 7);
}
