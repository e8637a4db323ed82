// The library's array, map and string: the behaviours that differ from the standard
// containers (growth rule, removal order, positions counted from the end, path rules).
#include <gtest/gtest.h>

#include <string>

#include "QelTArray.h"
#include "QelTMap.h"
#include "QelTString.h"

namespace {

std::string s(const CQelTString& t) { return t.str(); }

TEST(QelTArray, GrowthRemovalAndCopies) {
    CQelTArray<unsigned> a;
    EXPECT_EQ(a.GetCapacity(), 16u);
    for (unsigned i = 0; i < 16; ++i) EXPECT_EQ(a.Append(i * 10), i);
    EXPECT_EQ(a.GetCapacity(), 16u);
    EXPECT_EQ(a.Append(160), 16u);  // the 17th element doubles
    EXPECT_EQ(a.GetCapacity(), 32u);
    for (unsigned i = 0; i < 17; ++i) EXPECT_EQ(a[i], i * 10) << i;  // kept across the move
    CQelTArray<unsigned> b, c;
    b.SetCapacity(40);
    EXPECT_EQ(b.GetCapacity(), 40u);  // a request above double wins
    c.SetCapacity(20);
    EXPECT_EQ(c.GetCapacity(), 32u);  // double wins
    // Copies are deep; self-assignment keeps everything.
    CQelTArray<unsigned> copy(a);
    copy[0] = 99;
    EXPECT_EQ(std::make_pair(a[0], copy.GetSize()), std::make_pair(0u, 17u));
    copy = copy;
    EXPECT_EQ(copy[16], 160u);

    CQelTArray<char> r;
    EXPECT_EQ(r.RemoveLast(), 1u);
    EXPECT_EQ(r.Remove(0), 1u);
    r.Append('a');
    r.Append('b');
    r.Append('c');
    EXPECT_EQ(r.Remove(0), 0u);  // shifts: [b, c]
    ASSERT_EQ(r.GetSize(), 2u);
    EXPECT_EQ(std::string({r[0], r[1]}), "bc");
    EXPECT_EQ(r.Remove(5), 1u);  // past the end: refused, nothing dropped
    EXPECT_EQ(r.GetSize(), 2u);
}

TEST(QelTMap, InsertsOnceAndRemovesBySwappingWithLast) {
    CQelTMap<unsigned, int> m;
    m[1] = 10;
    m[2] = 20;
    m[3] = 30;
    EXPECT_EQ(m.Remove(1), 0u);
    ASSERT_EQ(m.GetSize(), 2u);
    // The last entry moved into the freed slot.
    EXPECT_EQ(std::make_tuple(m.GetKey(0), m.GetValue(0), m.GetKey(1), m.GetValue(1)), std::make_tuple(3u, 30, 2u, 20));
    EXPECT_EQ(m.Remove(1), 1u);  // already gone

    int& fresh = m[7];
    EXPECT_EQ(std::make_pair(fresh, m.GetSize()), std::make_pair(0, 3u));  // a default value, inserted
    fresh = 5;
    EXPECT_EQ(m[7], 5);  // the same entry the second time
    EXPECT_EQ(m.GetSize(), 3u);
    // Read-only lookups never insert.
    EXPECT_EQ(m.Lookup(42), nullptr);
    EXPECT_EQ(m.GetSize(), 3u);
}

TEST(QelTString, SubstringsCaseAndFormatting) {
    EXPECT_EQ(s(CQelTString(nullptr)), "");
    const char withNul[] = {'a', 0, 'b'};
    EXPECT_EQ(CQelTString(withNul, 3).length(), 3u);  // exactly n characters, NUL included
    const CQelTString t("texture"), file("file.KTX");
    EXPECT_EQ(s(CQelTString(t, 3, 2)), "tu");
    EXPECT_EQ(s(CQelTString(t, 30)), "");
    EXPECT_EQ(s(file.right(4)), ".KTX");
    EXPECT_EQ(s(file.right(9)), "file.KTX");
    EXPECT_EQ(s(file.left(40)), "file.KTX");
    EXPECT_EQ(s(CQelTString("Mixed-Case_09 zZ\xC4").toLower()), "mixed-case_09 zz\xC4");  // only ASCII letters
    EXPECT_EQ(s(CQelTString("a.b.c").substitute('.', '/', false)), "a/b.c");
    EXPECT_EQ(s(QelTStringFromFormattedStrPositional("%2$s %1$s", "b", "a")), "a b");
    const std::string longText(5000, 'q');  // longer than any fixed buffer
    EXPECT_EQ(s(QelTStringFromFormattedStr("%s!", longText.c_str())), longText + "!");
}

TEST(QelTString, SearchesCountPositionsAsDocumented) {
    const CQelTString abc("a.b.c");
    EXPECT_EQ(abc.find_last_of('.', 0), 3u);
    EXPECT_EQ(abc.find_last_of('.', 1), 3u);  // starts at index 3 itself
    EXPECT_EQ(abc.find_last_of('.', 2), 1u);  // starts at index 2: counts from the end
    EXPECT_EQ(abc.find_last_of('.', 5), CQelTString::npos);
    EXPECT_EQ(CQelTString("abc").find_last_of('.', 0), CQelTString::npos);
    EXPECT_EQ(abc.find_next_occurance_of('x', 0), 5u);  // the length, not npos
    EXPECT_EQ(CQelTString("xabc").find_previous_occurance_of('x', 3), 0);
    EXPECT_EQ(CQelTString("abcx").find_previous_occurance_of('x', 2), -1);
    EXPECT_EQ(CQelTString("aaaa").find_number_of("aa", 0), 3u);  // overlapping starts count
    EXPECT_EQ(CQelTString("ab").find_number_of("abc", 0), 0u);   // a partial match at the end
}

TEST(QelTString, PathHelpers) {
    auto ext = [](const char* p) { return s(QelTStringGetFileExtension(CQelTString(p))); };
    auto dir = [](const char* p) { return s(QelTStringGetContainingDirectoryPath(CQelTString(p))); };
    auto name = [](const char* p) { return s(QelTStringGetFileName(CQelTString(p))); };
    EXPECT_EQ(ext("dir.v2/file"), ".v2/file");
    EXPECT_EQ(ext("file"), "");
    EXPECT_EQ(dir("a\\b/c.qel"), "a\\b");  // '/' is looked for first
    EXPECT_EQ(dir("c.qel"), "");
    EXPECT_EQ(name("a\\b\\c.qel"), "c.qel");
    EXPECT_EQ(name("dir/"), "");
    EXPECT_EQ(s(QelTStringStripWhiteSpaceFromStartOf(CQelTString(" \t "))), " \t ");  // all white: unchanged
    EXPECT_EQ(s(QelTStringStripWhiteSpaceFromEndOf(CQelTString(" ab\v \t\r\n"))), " ab\v");  // only the four
}

}  // namespace
