// The library's array, map and string: the behaviours that differ from the standard
// containers (growth rule, removal order, positions counted from the end, path rules).
#include <gtest/gtest.h>

#include <string>

#include "QelTArray.h"
#include "QelTMap.h"
#include "QelTString.h"

namespace {

std::string s(const CQelTString& t) { return t.str(); }

TEST(QelTArray, CapacityStartsAt16AndGrowsByDoublingOrRequest) {
    CQelTArray<unsigned> a;
    EXPECT_EQ(a.GetSize(), 0u);
    EXPECT_EQ(a.GetCapacity(), 16u);
    for (unsigned i = 0; i < 16; ++i) EXPECT_EQ(a.Append(i * 10), i);
    EXPECT_EQ(a.GetCapacity(), 16u);
    EXPECT_EQ(a.Append(160), 16u);  // the 17th element doubles
    EXPECT_EQ(a.GetCapacity(), 32u);
    for (unsigned i = 0; i < 17; ++i) EXPECT_EQ(a[i], i * 10) << i;  // kept across the move

    CQelTArray<unsigned> b;
    EXPECT_EQ(b.SetCapacity(40), 0u);
    EXPECT_EQ(b.GetCapacity(), 40u);  // request above double wins
    CQelTArray<unsigned> c;
    c.SetCapacity(20);
    EXPECT_EQ(c.GetCapacity(), 32u);  // double wins
    c.SetCapacity(8);
    EXPECT_EQ(c.GetCapacity(), 32u);  // never shrinks
}

TEST(QelTArray, RemovalShiftsAndReportsEmpty) {
    CQelTArray<char> a;
    EXPECT_EQ(a.RemoveLast(), 1u);
    EXPECT_EQ(a.Remove(0), 1u);
    a.Append('a');
    a.Append('b');
    a.Append('c');
    EXPECT_EQ(a.Remove(0), 0u);
    ASSERT_EQ(a.GetSize(), 2u);
    EXPECT_EQ(a[0], 'b');
    EXPECT_EQ(a[1], 'c');
    EXPECT_EQ(a.Remove(1), 0u);  // last index goes through RemoveLast
    ASSERT_EQ(a.GetSize(), 1u);
    EXPECT_EQ(a[0], 'b');
    EXPECT_EQ(a.Remove(5), 1u);  // past the end: refused, nothing dropped
    EXPECT_EQ(a.GetSize(), 1u);
    a.Clear();
    EXPECT_EQ(a.GetSize(), 0u);
    EXPECT_EQ(a.GetCapacity(), 16u);
}

TEST(QelTArray, CopiesAreIndependentAndKeepCapacity) {
    CQelTArray<unsigned> a;
    for (unsigned i = 0; i < 20; ++i) a.Append(i);
    CQelTArray<unsigned> b(a);
    EXPECT_EQ(b.GetSize(), 20u);
    EXPECT_EQ(b.GetCapacity(), 32u);
    b[0] = 99;
    EXPECT_EQ(a[0], 0u);
    CQelTArray<unsigned> c;
    c = a;
    c = c;  // self-assignment keeps everything
    EXPECT_EQ(c.GetSize(), 20u);
    EXPECT_EQ(c[19], 19u);
}

TEST(QelTMap, InsertsOnceAndRemovesBySwappingWithLast) {
    CQelTMap<unsigned, int> m;
    m[1] = 10;
    m[2] = 20;
    m[3] = 30;
    EXPECT_EQ(m.GetSize(), 3u);
    EXPECT_EQ(m.Remove(1), 0u);
    ASSERT_EQ(m.GetSize(), 2u);
    EXPECT_EQ(m.GetKey(0), 3u);  // last entry moved into the freed slot
    EXPECT_EQ(m.GetValue(0), 30);
    EXPECT_EQ(m.GetKey(1), 2u);
    EXPECT_EQ(m.GetValue(1), 20);
    EXPECT_EQ(m.Remove(1), 1u);  // already gone

    int& fresh = m[7];
    EXPECT_EQ(fresh, 0);  // default value
    EXPECT_EQ(m.GetSize(), 3u);
    fresh = 5;
    EXPECT_EQ(m[7], 5);  // same entry the second time
    EXPECT_EQ(m.GetSize(), 3u);

    // Read-only lookups never insert.
    EXPECT_EQ(m.Lookup(42), nullptr);
    EXPECT_EQ(m.Find(42), (CQelTMap<unsigned, int>::kNotFound));
    EXPECT_EQ(m.GetSize(), 3u);

    EXPECT_EQ(m.Remove(7), 0u);  // removing the last entry
    EXPECT_EQ(m.GetSize(), 2u);
    EXPECT_EQ(m.Find(2), 1u);
    m.Clear();
    EXPECT_EQ(m.GetSize(), 0u);
    EXPECT_EQ(m.Remove(2), 1u);
}

TEST(QelTString, ConstructionAndSubstrings) {
    EXPECT_EQ(s(CQelTString(nullptr)), "");
    EXPECT_EQ(s(CQelTString("abc")), "abc");
    EXPECT_EQ(s(CQelTString("abcdef", 2)), "ab");
    const char withNul[] = {'a', 0, 'b'};
    EXPECT_EQ(CQelTString(withNul, 3).length(), 3u);  // exactly n characters, NUL included
    CQelTString t("texture");
    EXPECT_EQ(s(CQelTString(t, 3)), "ture");
    EXPECT_EQ(s(CQelTString(t, 3, 2)), "tu");
    EXPECT_EQ(s(CQelTString(t, 30)), "");
    EXPECT_EQ(s(CQelTString("file.KTX").right(4)), ".KTX");
    EXPECT_EQ(s(CQelTString("file.KTX").right(9)), "file.KTX");
    EXPECT_EQ(s(CQelTString("file.KTX").left(4)), "file");
    EXPECT_EQ(s(CQelTString("file.KTX").left(40)), "file.KTX");
    EXPECT_EQ(s(CQelTString("file").right(0)), "");
}

TEST(QelTString, SearchesCountPositionsAsDocumented) {
    const CQelTString abc("a.b.c");
    EXPECT_EQ(abc.find_last_of('.', 0), 3u);
    EXPECT_EQ(abc.find_last_of('.', 1), 3u);  // starts at index 3 itself
    EXPECT_EQ(abc.find_last_of('.', 2), 1u);  // starts at index 2: counts from the end
    EXPECT_EQ(abc.find_last_of('.', 5), CQelTString::npos);
    EXPECT_EQ(CQelTString("abc").find_last_of('.', 0), CQelTString::npos);
    EXPECT_EQ(CQelTString("a/b\\c").find_last_of("/\\", 0), 3u);
    EXPECT_EQ(CQelTString("").find_last_of('.', 0), CQelTString::npos);

    EXPECT_EQ(abc.find_first_of('.', 2), 3u);
    EXPECT_EQ(abc.find_first_of('x', 0), CQelTString::npos);
    EXPECT_EQ(abc.find_next_occurance_of('.', 2), 3u);
    EXPECT_EQ(abc.find_next_occurance_of('x', 0), 5u);  // the length, not npos
    EXPECT_EQ(CQelTString("xabc").find_previous_occurance_of('x', 3), 0);
    EXPECT_EQ(CQelTString("abcx").find_previous_occurance_of('x', 2), -1);
    EXPECT_EQ(CQelTString("").find_previous_occurance_of('x', 0), -1);

    EXPECT_EQ(abc.find_number_of('.', 0), 2u);
    EXPECT_EQ(abc.find_number_of('.', 2), 1u);
    EXPECT_EQ(abc.find_number_of('.', 5), 0u);
    EXPECT_EQ(CQelTString("aaaa").find_number_of("aa", 0), 3u);  // overlapping starts count
    EXPECT_EQ(CQelTString("abab").find_number_of("ab", 1), 1u);
    EXPECT_EQ(CQelTString("ab").find_number_of("abc", 0), 0u);  // a partial match at the end
}

TEST(QelTString, CaseSubstitutionAndConcatenation) {
    CQelTString t("Mixed-Case_09 zZ\xC4");
    EXPECT_EQ(s(CQelTString(t).toLower()), "mixed-case_09 zz\xC4");
    EXPECT_EQ(s(CQelTString(t).toUpper()), "MIXED-CASE_09 ZZ\xC4");
    EXPECT_EQ(s(CQelTString("a.b.c").substitute('.', '/', false)), "a/b.c");
    EXPECT_EQ(s(CQelTString("a.b.c").substitute('.', '/', true)), "a/b/c");
    const CQelTString mid("mid");
    EXPECT_EQ(s(mid + CQelTString("x")), "midx");
    EXPECT_EQ(s(mid + "x"), "midx");
    EXPECT_EQ(s("x" + mid), "xmid");
    EXPECT_EQ(s(mid + 'x'), "midx");
    EXPECT_EQ(s('x' + mid), "xmid");
}

TEST(QelTString, FormattingSizesItsOutput) {
    CQelTString t("old contents");
    t.format("%s-%04d", "id", 42);
    EXPECT_EQ(s(t), "id-0042");
    EXPECT_EQ(s(QelTStringFromFormattedStr("%u bytes", 4096u)), "4096 bytes");
    EXPECT_EQ(s(QelTStringFromFormattedStrPositional("%2$s %1$s", "b", "a")), "a b");
    const std::string longText(5000, 'q');
    EXPECT_EQ(s(QelTStringFromFormattedStr("%s!", longText.c_str())), longText + "!");
    t.format("%s", "");
    EXPECT_TRUE(t.empty());
}

TEST(QelTString, PathHelpers) {
    EXPECT_EQ(s(QelTStringGetFileExtension(CQelTString("dir.v2/file"))), ".v2/file");
    EXPECT_EQ(s(QelTStringGetFileExtension(CQelTString("file"))), "");
    EXPECT_EQ(s(QelTStringGetFileExtension(CQelTString("a/b.tar.gz"))), ".gz");
    EXPECT_EQ(s(QelTStringGetFileExtension(CQelTString("name."))), ".");

    EXPECT_EQ(s(QelTStringGetContainingDirectoryPath(CQelTString("a/b/c.qel"))), "a/b");
    EXPECT_EQ(s(QelTStringGetContainingDirectoryPath(CQelTString("a\\b\\c.qel"))), "a\\b");
    EXPECT_EQ(s(QelTStringGetContainingDirectoryPath(CQelTString("a\\b/c.qel"))), "a\\b");  // '/' first
    EXPECT_EQ(s(QelTStringGetContainingDirectoryPath(CQelTString("c.qel"))), "");

    EXPECT_EQ(s(QelTStringGetFileName(CQelTString("a/b/c.qel"))), "c.qel");
    EXPECT_EQ(s(QelTStringGetFileName(CQelTString("a\\b\\c.qel"))), "c.qel");
    EXPECT_EQ(s(QelTStringGetFileName(CQelTString("c.qel"))), "c.qel");
    EXPECT_EQ(s(QelTStringGetFileName(CQelTString("dir/"))), "");

    EXPECT_EQ(s(QelTStringStripWhiteSpaceFromStartOf(CQelTString(" \t\r\nab c "))), "ab c ");
    EXPECT_EQ(s(QelTStringStripWhiteSpaceFromEndOf(CQelTString(" ab c \t\r\n"))), " ab c");
    EXPECT_EQ(s(QelTStringStripWhiteSpaceFromStartOf(CQelTString(" \t "))), " \t ");  // unchanged
    EXPECT_EQ(s(QelTStringStripWhiteSpaceFromEndOf(CQelTString("\n\n"))), "\n\n");
    EXPECT_EQ(s(QelTStringStripWhiteSpaceFromEndOf(CQelTString("a\v"))), "a\v");  // only the four
}

}  // namespace
