// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/dialog_answers.h"
#include "convert/codepage.h"

#include <gtest/gtest.h>

namespace {

QString u(const char16_t* s) { return QString::fromUtf16(s); }

tesmo::OpenFileName emptyRecord(qint32 flags = 0)
{
    tesmo::OpenFileName r;
    r.file = QByteArray(256, '\0');
    r.maxFile = 255;
    r.fileTitle = QByteArray(256, '\0');
    r.maxFileTitle = 255;
    r.flags = flags;
    return r;
}

TEST(DialogAnswers, FilterPairsBecomeQtNameFilters)
{
    const QByteArray list = cp950::encode(u(u"字幕檔")) + QByteArray("\0*.srt;*.ass\0", 13)
                            + cp950::encode(u(u"所有檔案")) + QByteArray("\0*.*\0", 5);
    EXPECT_EQ(tesmo::nameFiltersOf(list),
              QStringList({u(u"字幕檔 (*.srt *.ass)"), u(u"所有檔案 (*.*)")}));
    // The list ends at the first empty text, as the platform reads it.
    EXPECT_EQ(tesmo::nameFiltersOf(QByteArray("\0*.srt\0", 7)), QStringList());
    EXPECT_EQ(tesmo::nameFiltersOf(QByteArray("a\0*.a\0\0b\0*.b\0", 14)), QStringList({"a (*.a)"}));
    EXPECT_EQ(tesmo::nameFiltersOf(QByteArray("odd\0", 4)), QStringList());
    EXPECT_TRUE(tesmo::nameFiltersOf(std::nullopt).isEmpty());
}

TEST(DialogAnswers, ChosenFilesAreWrittenAsThePlatformDoes)
{
    tesmo::OpenFileName r = emptyRecord();
    ASSERT_TRUE(tesmo::writeChosenFiles(r, {u(u"/subs/電影.big5.srt")}));
    const QByteArray path = cp950::encode(u(u"/subs/電影.big5.srt"));
    EXPECT_EQ(r.file.left(path.size() + 1), path + '\0');
    EXPECT_EQ(r.file.size(), 256);
    EXPECT_EQ(r.fileOffset, 6);
    EXPECT_EQ(r.fileExtension, path.size() - 3);
    EXPECT_EQ(QByteArray(r.fileTitle.constData()), cp950::encode(u(u"電影.big5.srt")));

    r = emptyRecord(tesmo::OpenFileName::AllowMultiSelect);
    ASSERT_TRUE(tesmo::writeChosenFiles(r, {"/subs/a.srt", "/subs/b.srt"}));
    EXPECT_EQ(r.file.left(20), QByteArray("/subs\0a.srt\0b.srt\0\0\0", 20));
    EXPECT_EQ(r.fileOffset, 6);

    // Characters outside the code page, or a name that does not fit: no choice,
    // and the buffer is left alone.
    r = emptyRecord();
    EXPECT_FALSE(tesmo::writeChosenFiles(r, {u(u"/subs/😀.srt")}));
    EXPECT_FALSE(tesmo::writeChosenFiles(r, {u(u"/subs/简体.srt")}));   // 简 is not in Big5
    EXPECT_TRUE(tesmo::writeChosenFiles(r, {"/" + QString(253, 'x')}));   // 254 bytes and the NUL
    r = emptyRecord();
    EXPECT_FALSE(tesmo::writeChosenFiles(r, {"/" + QString(254, 'x')}));
    EXPECT_EQ(r.file, QByteArray(256, '\0'));
}

TEST(DialogAnswers, FolderPathsNeverOverrunTheBuffer)
{
    QByteArray buffer(255, '\0');
    ASSERT_TRUE(tesmo::writeFolderPath(buffer, u(u"/home/字幕")));
    EXPECT_EQ(QByteArray(buffer.constData()), cp950::encode(u(u"/home/字幕")));
    EXPECT_EQ(buffer.size(), 255);

    const QString deep = "/" + QString("folder/").repeated(50);
    ASSERT_TRUE(tesmo::writeFolderPath(buffer, deep));
    EXPECT_EQ(buffer.size(), deep.size() + 1);
    EXPECT_EQ(QString::fromLatin1(buffer.constData()), deep);

    EXPECT_FALSE(tesmo::writeFolderPath(buffer, u(u"/home/简体")));
}

TEST(DialogAnswers, ChosenFontFillsTheRecords)
{
    tesmo::LogFont lf;
    tesmo::ChooseFont r;
    r.logFont = &lf;
    QFont font(u(u"標楷體"));
    font.setPointSizeF(10.5);
    font.setWeight(QFont::Bold);
    font.setUnderline(true);
    tesmo::writeChosenFont(r, font);
    EXPECT_EQ(QByteArray(lf.faceName.data()), cp950::encode(u(u"標楷體")));
    EXPECT_EQ(r.pointSize, 105);
    EXPECT_EQ(r.fontType & 0x300, 0x100);
    EXPECT_EQ(lf.underline, 1);
    EXPECT_EQ(lf.strikeOut, 0);
    EXPECT_EQ(lf.height, -14);

    // And back: a record seeded by the wrapper reads as the same font.
    lf.height = 16;   // 12 points
    lf.italic = 255;
    const QFont seeded = tesmo::qFontOf(lf);
    EXPECT_EQ(seeded.family(), u(u"標楷體"));
    EXPECT_DOUBLE_EQ(seeded.pointSizeF(), 12.0);
    EXPECT_TRUE(seeded.italic());
    EXPECT_TRUE(seeded.underline());
    EXPECT_EQ(tesmo::colorRefOf(tesmo::colorOf(0x123456)), 0x123456);
    EXPECT_EQ(tesmo::colorOf(0x0000FF), QColor(Qt::red));
}

} // namespace
