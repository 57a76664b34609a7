// Data objects (shared bodies, copy on write, order) and the text conversions.
#include <gtest/gtest.h>

#include "Tarn/common/DataObject.h"
#include "Tarn/common/TextConvert.h"

namespace TarnCommon::test {
namespace {

TEST(DataObjectTest, CopiesShareUntilOneChanges) {
    DataObject a("MaxPlayers", "\x08");
    DataObject b(a);
    EXPECT_EQ(a.GetRefCount(), 2);
    EXPECT_EQ(&a.GetData(), &b.GetData());
    b.SetData("\x06");
    EXPECT_EQ(a.GetRefCount(), 1);
    EXPECT_EQ(b.GetRefCount(), 1);
    EXPECT_EQ(a.GetData(), "\x08");
    EXPECT_EQ(b.GetData(), "\x06");
    EXPECT_EQ(b.GetType(), "MaxPlayers");
    DataObject c;
    c = a;
    c = c;
    EXPECT_EQ(a.GetRefCount(), 2);
    EXPECT_EQ(DataObject().GetType(), "");
}

TEST(DataObjectTest, ShareLendsOneBodyToEqualObjectsOnly) {
    DataObjectShare share;
    DataObject eight = share.Get("MaxPlayers", "\x08");
    DataObject again = share.Get("MaxPlayers", "\x08");
    EXPECT_EQ(&eight.GetData(), &again.GetData());
    // Another value, or the same bytes split differently between type and data, is another object.
    EXPECT_NE(&share.Get("MaxPlayers", "\x06").GetData(), &eight.GetData());
    DataObject split = share.Get("MaxPlayer", "s\x08");
    EXPECT_EQ(split.GetType(), "MaxPlayer");
    EXPECT_EQ(split.GetData(), "s\x08");
    // A change to one handle leaves the shared body, and the next equal object, as they were.
    again.SetData("\x02");
    EXPECT_EQ(eight.GetData(), "\x08");
    EXPECT_EQ(share.Get("MaxPlayers", "\x08").GetData(), "\x08");
    // Past the objects it remembers, every object is still right, with a body of its own.
    for (int i = 0; i < 100; ++i) {
        const std::string data(1, static_cast<char>(i));
        const DataObject a = share.Get("NbPlayers", data);
        EXPECT_EQ(a.GetType(), "NbPlayers");
        EXPECT_EQ(a.GetData(), data);
    }
    EXPECT_EQ(share.Get("NbPlayers", std::string(1, '\x63')).GetRefCount(), 1);
}

TEST(DataObjectTest, CompareOrdersTypesThenData) {
    struct Case {
        const char *typeA, *dataA, *typeB, *dataB;
        bool compareData;
        int expected;
    } cases[] = {
        {"MaxPlayers", "", "NbPlayers", "", false, -1},
        {"Nb", "", "NbPlayers", "", false, -1},
        {"NbPlayers", "", "Nb", "", false, 1},
        {"Nb", "a", "Nb", "b", false, 0},
        {"Nb", "a", "Nb", "b", true, -1},
        {"Nb", "ab", "Nb", "a", true, 1},
        {"\xff", "", "a", "", false, 1},  // unsigned bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataObject(c.typeA, c.dataA).Compare(DataObject(c.typeB, c.dataB), c.compareData), c.expected)
            << c.typeA << " " << c.typeB;

    DataObjectSet set;
    set.insert(DataObject("NbPlayers", "1"));
    set.insert(DataObject("MaxPlayers", "2"));
    set.insert(DataObject("NbPlayers", "3"));  // same type: not added
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(set.begin()->GetType(), "MaxPlayers");
    EXPECT_EQ(set.rbegin()->GetData(), "1");
}

TEST(TextConvertTest, Windows1252RoundTrips) {
    struct Case {
        std::string narrow;
        std::u16string wide;
    } cases[] = {
        {"", u""},
        {"Race 1", u"Race 1"},
        {"caf\xe9", u"caf\u00e9"},
        {"\x80 \x9f \xff", u"\u20ac \u0178 \u00ff"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NarrowToWide(c.narrow), c.wide);
        EXPECT_EQ(WideToNarrow(c.wide), c.narrow);
    }
    EXPECT_EQ(WideToNarrow(u"\u4e2d!"), "?!");  // not in the code page
    EXPECT_EQ(NarrowToWide(std::string("ab\0cd", 5)), u"ab");
}

TEST(TextConvertTest, BufferFormsStayWithinTheirCapacity) {
    char16_t wide[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(NarrowToWideBuffer(nullptr, "a", 4), nullptr);
    EXPECT_EQ(NarrowToWideBuffer(wide, nullptr, 4), wide);
    EXPECT_EQ(wide[0], 0);
    NarrowToWideBuffer(wide, "abcdef", 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    char narrow[3] = {'x', 'x', 'x'};
    WideToNarrowBuffer(narrow, u"\u20acbc", 3);
    EXPECT_EQ(std::string(narrow), "\x80" "b");
    EXPECT_EQ(WideToNarrowBuffer(narrow, nullptr, 3), narrow);
    EXPECT_EQ(narrow[0], '\0');
}

}  // namespace
}  // namespace TarnCommon::test
