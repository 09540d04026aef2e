#include "convert/codepage.h"
#include "convert/phrase_conversion.h"
#include "convert/phrase_gb18030.h"

#include <gtest/gtest.h>

#include "tests/support/test_util.h"

namespace {

using testutil::u8;

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

// The Big5 road as the editor takes it: a GB file shown as Big5, encoded back to its bytes,
// read as GB18030, converted.
QString bigRoad(const QByteArray& gbFile)
{
    const QString shown = cp950::decode(gbFile);
    return phrase::toTaiwan(phrase::decodeGB18030(cp950::encode(shown))).text;
}

TEST(Gb18030, ReadsGb2312GbkAndFourByteCharacters)
{
    // 简体 in GB2312; 镕 and 喆 are GBK only; U+20000 takes four bytes; the euro sign is A2E3.
    EXPECT_EQ(phrase::decodeGB18030(bytes({0xBC, 0xF2, 0xCC, 0xE5})), u8("简体"));
    EXPECT_EQ(phrase::decodeGB18030(bytes({0xE9, 0x46, 0x86, 0xB4})), u8("镕喆"));
    EXPECT_EQ(phrase::decodeGB18030(bytes({0x95, 0x32, 0x82, 0x36, 'a', 0xA2, 0xE3})),
              QString::fromUcs4(U"\U00020000a\u20AC"));
}

TEST(Gb18030, OneCommandForAGbFileShownAsBig5)
{
    // 朱镕基说：「这台电脑里的头发。」 in GBK: 镕 has no GB2312 code, so the byte road cannot reach it.
    const QByteArray gbFile = bytes({0xD6, 0xEC, 0xE9, 0x46, 0xBB, 0xF9, 0xCB, 0xB5, 0xA3, 0xBA,
                                     0xA1, 0xB8, 0xD5, 0xE2, 0xCC, 0xA8, 0xB5, 0xE7, 0xC4, 0xD4,
                                     0xC0, 0xEF, 0xB5, 0xC4, 0xCD, 0xB7, 0xB7, 0xA2, 0xA1, 0xA3,
                                     0xA1, 0xB9, '\r', '\n'});
    EXPECT_EQ(bigRoad(gbFile), u8("朱鎔基說：「這台電腦裡的頭髮。」\r\n"));
}

TEST(Gb18030, StrayBytesComeBackWhenSavedAsBig5)
{
    // A lead byte before a space, 0x80, 0xFF and a lead byte at the end start no GB18030
    // character; around them 我 is read as usual.
    const QByteArray stray = bytes({'a', 0xB0, ' ', 0x80, 0xFF, 0xCE, 0xD2, 0xB0});
    QString text = phrase::decodeGB18030(stray);
    EXPECT_TRUE(text.contains(u8("我")));
    EXPECT_EQ(cp950::encode(text.remove(u8("我"))), bytes({'a', 0xB0, ' ', 0x80, 0xFF, 0xB0}));
    EXPECT_EQ(phrase::decodeGB18030({}), QString());
}

} // namespace
