// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/text_file.h"
#include "tests/support/test_util.h"

#include <QBuffer>
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

TEST(TextFileFormat, ReadingInSlicesDecidesAsTheWholeReadDoes)
{
    // Sources decided only late (ASCII, UTF-8, a stray byte far in), with sequences and
    // double-byte pairs across the detection slices: read in slices, letting go of what was
    // surveyed, the decision is the whole read's and the head is the source's start, with the
    // rest still to read after it.
    using document::Encoding;
    const qsizetype slice = document::kDetectionSlice;
    const auto at = [](QByteArray bytes, qsizetype where, const QByteArray& put) {
        bytes.replace(where, put.size(), put);
        return bytes;
    };
    const QByteArray ascii = QByteArray("0123456789 subtitle line\r\n").repeated(3 * slice / 26);
    const QByteArray chinese = u8("第一行字幕\r\n").toUtf8().repeated(2 * slice / 17);
    const struct {
        QByteArray bytes;
        Encoding decided;
    } rows[] = {
        {ascii, Encoding::Big5},
        {at(at(at(ascii, slice - 1, "\xC3\xA9"), 2 * slice - 1, "\xC3\xA9"), 100, "\xC3\xA9"), Encoding::Big5},
        {at(at(ascii, slice - 1, "\xE2\x82\xAC"), 10, "\xC3\xA9"), Encoding::Utf8},   // € does not pair up
        {at(ascii, 2 * slice - 2, "\xE4\xB8\x80\xE4\xB8\x80\xE4\xB8\x80\xE4\xB8\x80"), Encoding::Utf8},
        {at(ascii, 2 * slice + 5, "\xA1\xA1\xB0\xA1"), Encoding::Big5},            // a GB2312 pair late
        {chinese, Encoding::Utf8},
        {at(chinese, 2 * slice / 3 * 3 + 7, "\xFF"), Encoding::Utf8},              // one stray among many
        {"\xEF\xBB\xBF" + ascii, Encoding::Utf8Bom},
        {ascii.first(slice - 1) + "\xA4", Encoding::Big5},                         // a lead left at the end
    };
    for (const auto& row : rows) {
        const std::string what = std::to_string(&row - rows);
        QByteArray source = row.bytes;
        QBuffer whole(&source);
        whole.open(QIODevice::ReadOnly);
        const document::Opening all = document::decideEncoding(whole, std::nullopt);
        ASSERT_TRUE(all.ok) << what;
        EXPECT_EQ(all.encoding, row.decided) << what;
        for (const qsizetype held : {qsizetype(1), 2 * slice}) {
            QBuffer buffer(&source);
            buffer.open(QIODevice::ReadOnly);
            const document::Opening part = document::decideEncoding(buffer, std::nullopt, document::kMaxFileBytes,
                                                                    document::Reading::InSlices, held);
            ASSERT_TRUE(part.ok) << what;
            EXPECT_EQ(part.encoding, all.encoding) << what;
            EXPECT_EQ(part.plainUtf8, all.plainUtf8) << what;
            ASSERT_TRUE(source.startsWith(part.head)) << what;
            EXPECT_EQ(buffer.pos(), part.head.size()) << what;
            if (part.ended) {
                EXPECT_EQ(part.head.size(), source.size()) << what;
            }
            if (held == 1 && all.head.size() > 2 * slice) {
                EXPECT_LE(part.head.size(), slice) << what << ": only the start is held";
            }
        }
    }
    // Over the limit: refused as the whole read refuses it, though most of it was let go.
    QByteArray source = ascii;
    QBuffer buffer(&source);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(0);
    const auto refused = document::decideEncoding(buffer, std::nullopt, ascii.size() - 1, document::Reading::InSlices, 1);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.reason, document::tooLargeReason(ascii.size() - 1));
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
