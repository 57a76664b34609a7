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
