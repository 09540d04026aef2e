#include "convert/codepage.h"
#include "correct/correction_list.h"
#include "tests/correct/naive_correction.h"

#include <gtest/gtest.h>

#include <set>

using naive::view;

namespace {

QString rowText(const CorrectionRow& row)
{
    return view(row.find).toString() + QStringLiteral(" -> ") + view(row.replacement).toString();
}

} // namespace

TEST(CorrectionList, HasTheShapeTheEditorRelies)
{
    const auto list = correctionList();
    ASSERT_EQ(list.size(), 265u);

    std::set<int> singleCharRows;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const CorrectionRow& row = list[i];
        const int number = int(i) + 1;
        SCOPED_TRACE(number);
        SCOPED_TRACE(rowText(row).toStdString());
        ASSERT_GE(row.find.size(), 1u);
        EXPECT_LE(row.find.size(), 4u);
        EXPECT_GE(row.replacement.size(), 1u);
        EXPECT_LE(row.replacement.size(), 4u);
        if (number != 256) {
            EXPECT_EQ(row.replacement.size(), row.find.size());
        }
        if (row.find.size() == 1)
            singleCharRows.insert(number);
        // Everything must survive a save in Big5.
        EXPECT_TRUE(cp950::canEncode(view(row.find)));
        EXPECT_TRUE(cp950::canEncode(view(row.replacement)));
        for (char16_t c : row.find)
            EXPECT_TRUE(c >= 0x3400 && c < 0xA000) << "not a Chinese character";
    }

    std::set<int> expectedSingles = {75, 91, 179};
    for (int n = 1; n <= 34; ++n)
        expectedSingles.insert(n);
    EXPECT_EQ(singleCharRows, expectedSingles);
}

TEST(CorrectionList, KeepsTheOrderThatMakesExceptionsWork)
{
    const auto list = correctionList();
    auto at = [&](int number) { return rowText(list[number - 1]); };
    EXPECT_EQ(at(1), u"儿 -> 兒");
    EXPECT_EQ(at(34), u"云 -> 雲");
    EXPECT_EQ(at(35), u"古人雲 -> 古人云");
    EXPECT_EQ(at(75), u"干 -> 幹");
    EXPECT_EQ(at(77), u"幹擾 -> 干擾");
    EXPECT_EQ(at(81), u"幹係 -> 干係");
    EXPECT_EQ(at(150), u"范疇 -> 範疇");
    EXPECT_EQ(at(179), u"后 -> 後");
    EXPECT_EQ(at(213), u"關系 -> 關係");
    EXPECT_EQ(at(214), u"系數 -> 係數");
    EXPECT_EQ(at(241), u"呆在這 -> 待在這");
    EXPECT_EQ(at(256), u"內存 -> 記憶體");
    EXPECT_EQ(at(265), u"叔嬸 -> 嬸嬸");
}
