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

TEST(CorrectionList, FillsTheThreeRowsTheTableLeavesOpenInPlace)
{
    const auto list = correctionList();
    auto at = [&](int number) { return rowText(list[number - 1]); };
    EXPECT_EQ(at(149), u"典范 -> 典範");
    EXPECT_EQ(at(150), u"范疇 -> 範疇");
    EXPECT_EQ(at(213), u"關系 -> 關係");
    EXPECT_EQ(at(241), u"呆在這 -> 待在這");
    EXPECT_EQ(at(242), u"呆不住 -> 待不住");
}
