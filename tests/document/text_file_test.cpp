// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/text_file.h"
#include "tests/support/test_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>


using testutil::readFile;
using testutil::u8;
using testutil::writeFile;

namespace {

// What Open reads, as text whichever form it comes in.
document::EditorRead readTextFile(const QString& path)
{
    document::EditorRead r = document::readForEditor(path);
    if (!r.utf8.isNull())
        r.text = QString::fromUtf8(r.utf8);
    return r;
}

TEST(TextFileFormat, LinesEndAtCrOrCrLfAndEachGetsCrLf)
{
    using document::normaliseLineEnds;
    EXPECT_EQ(normaliseLineEnds("a\r\nb"), QByteArray("a\r\nb\r\n"));
    EXPECT_EQ(normaliseLineEnds("a\r\nb\r\n"), QByteArray("a\r\nb\r\n"));
    EXPECT_EQ(normaliseLineEnds("a\r\n\r\n"), QByteArray("a\r\n\r\n"));   // the empty last line stays
    EXPECT_EQ(normaliseLineEnds("a\rb"), QByteArray("a\r\nb\r\n"));
    EXPECT_EQ(normaliseLineEnds("a\nb\n"), QByteArray("a\nb\n\r\n"));     // LF alone ends nothing
    EXPECT_EQ(normaliseLineEnds(""), QByteArray());
    EXPECT_EQ(normaliseLineEnds("\r"), QByteArray("\r\n"));
    EXPECT_EQ(normaliseLineEnds("\r\r\n\n"), QByteArray("\r\n\r\n\n\r\n"));
    EXPECT_EQ(normaliseLineEnds(QByteArray("a\0b", 3)), QByteArray("a\0b\r\n", 5));
}

TEST(TextFileFormat, AFileLoadsAsItsNormalisedBytes)
{
    // Loading takes a shortcut when the line ends need no change; it must agree.
    QTemporaryDir dir;
    const QByteArray cases[] = {"a\r\nb", "a\r\nb\r\n", "a\rb", "a\nb\n", "", "\r", "x\r\n\r", "\r\n"};
    int n = 0;
    for (const QByteArray& bytes : cases) {
        const auto r = readTextFile(writeFile(dir, QString::number(n++), bytes));
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.text.toLatin1(), document::normaliseLineEnds(bytes)) << bytes.toStdString();
    }
}

TEST(TextFileFormat, ReadsBig5AndKeepsForeignBytes)
{
    QTemporaryDir dir;
    // 字幕 in Big5, then GB2312 bytes for 国 (B9FA) and the GB full-width A (A3C1).
    const QByteArray bytes("\xA6\x72\xB9\xF5\r\n\xB9\xFA\xA3\xC1");
    const auto r = readTextFile(writeFile(dir, "sub.txt", bytes));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.text.startsWith(u8("字幕\r\n")));
    EXPECT_EQ(document::fileBytes(r.text), bytes + "\r\n\r\n");   // save adds one CR LF
    EXPECT_EQ(document::fileBytes(QString()), QByteArray("\r\n"));
}

TEST(TextFileFormat, FailedReadsSayWhy)
{
    QTemporaryDir dir;
    auto missing = readTextFile(dir.filePath("nope.txt"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.reason, u8("檔案不存在"));
    auto folder = readTextFile(dir.path());
    EXPECT_FALSE(folder.ok);
    EXPECT_EQ(folder.reason, u8("這是資料夾，不是檔案"));
    auto empty = readTextFile(writeFile(dir, "empty.txt", ""));
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.text.isEmpty());

    // A pipe says nothing of its size: the limit holds inside the read loop.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "0123456789abcdef", 16), 16);
    ::close(fds[1]);
    QFile pipe;
    ASSERT_TRUE(pipe.open(fds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    const auto over = document::readBytes(pipe, 10);
    EXPECT_FALSE(over.ok) << over.bytes.size() << " bytes kept";
    EXPECT_EQ(over.reason, document::tooLargeReason(10));
}

TEST(TextFileFormat, Utf16WithoutAMarkKeepsItsLineEnds)
{
    // Read as Big5, its CR NUL would have taken an LF after the CR and garbled the rest.
    QTemporaryDir dir;
    const QString text = u8("1\r\n字幕\r\n第二行\r\n");
    const QByteArray bytes = document::encodeText(text, document::Encoding::Utf16LE).sliced(2);
    const auto r = readTextFile(writeFile(dir, "u.txt", bytes));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.encoding, document::Encoding::Utf16LE);
    EXPECT_EQ(r.text, text);
    EXPECT_EQ(document::fileBytes(r.text, r.encoding), "\xFF\xFE" + bytes) << "written back with its mark";
}

TEST(SaveFile, NamesTheCharactersBig5CannotHold)
{
    const QString text = u8("第一行\r\n简体\n字😀");   // 体 is in Big5, 简 is not
    std::vector<cp950::Unencodable> misses;
    const QByteArray bytes = document::fileBytes(text, document::Encoding::Big5, &misses);
    const auto u = document::describeUnsavable(text, misses);
    EXPECT_EQ(u.count, 2);
    EXPECT_EQ(u.first, u8("简"));
    EXPECT_EQ(u.line, 2);
    EXPECT_TRUE(bytes.endsWith("?\r\n"));
}

} // namespace
