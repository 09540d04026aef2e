// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/stream.h"
#include "document/native_path.h"
#include "document/text_file.h"
#include "tests/cli/run_converter.h"
#include "tests/support/test_util.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>
#include <unistd.h>

using testutil::u8;
using testutil::writeFile;

namespace {

TEST(BatchFailures, OutputThatCannotBeWrittenIsAnError)
{
    QTemporaryDir dir;
    const QString input = writeFile(dir, "in.txt", QByteArray(10004, 'a'));
    const Outcome full = runWith({"-g", input}, {}, std::fopen("/dev/full", "w"));
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(full.err.contains(u8("磁碟已滿"))) << full.err.toStdString();
    const Outcome wholeRoad = runWith({"-w", input}, {}, std::fopen("/dev/full", "w"));
    EXPECT_EQ(wholeRoad.status, 1);

    const Outcome closed = runWith({"-g", input}, {}, nullptr, true);
    EXPECT_EQ(closed.status, 1);
    EXPECT_TRUE(closed.err.contains(u8("標準輸出已關閉")));
}

TEST(BatchFailures, MissingTablesStopTheRun)
{
    const Outcome r = runWith({"-g"}, "x", nullptr, false, [] { throw std::runtime_error("轉換表資源 101 缺少"); });
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(u8("轉換表資源 101 缺少")));
}

TEST(BatchFailures, StandardInputHasTheFilesSizeLimit)
{
    // Both roads refuse what a file of that size would be refused for.
    QByteArray big(5000, 'x');
    QBuffer in(&big);
    in.open(QIODevice::ReadOnly);
    EXPECT_EQ(document::readBytes(in, 4096).reason, u8("檔案太大（超過 4,096 位元組）"));
    EXPECT_EQ(document::tooLargeReason(), u8("檔案太大（超過 1,024 MB）"));
    in.seek(0);
    QByteArray sink;
    QBuffer out(&sink);
    out.open(QIODevice::WriteOnly);
    const auto streamed = batch::streamByteSteps({}, in, out, {document::Command::GbToBig5}, 1000, 4096);
    EXPECT_FALSE(streamed.ok);
    EXPECT_EQ(streamed.readError, u8("檔案太大（超過 4,096 位元組）"));
}

TEST(BatchFailures, FilesThatReportNoSizeAreReadToTheirEnd)
{
    const Outcome r = runWith({"-w", "/proc/self/status"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Name:")) << r.out.left(40).toStdString();
}

TEST(BatchFailures, AFileNameThatIsNotUtf8IsStillFound)
{
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.path()) + "/\xB9\xFA.txt";   // GB2312 bytes
    std::FILE* f = std::fopen(name.constData(), "w");
    ASSERT_TRUE(f);
    std::fputs("\xB9\xFA", f);
    std::fclose(f);
    const Outcome r = runWith({"-g", document::pathFromNative(name)});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("\xB0\xEA\r\n\r\n"));
    // The converter's own temporary file is no copy a cut-short save left.
    const QString other = dir.filePath(QStringLiteral("o.txt"));
    for (const QStringList& args : {QStringList{"-g", "-o", other, document::pathFromNative(name)},
                                    QStringList{"-b", "-i", document::pathFromNative(name)}}) {
        const Outcome quiet = runWith(args);
        EXPECT_EQ(quiet.status, 0);
        EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
    }
    // A copy a cut-short save of it left is named, the stray bytes as \xNN.
    const QByteArray copy = QFile::encodeName(dir.path()) + "/.\xB9\xFA.txt.old.subbig5-Ab12Cd";
    std::fclose(std::fopen(copy.constData(), "w"));
    const Outcome warned = runWith({"-g", document::pathFromNative(name)});
    EXPECT_EQ(warned.status, 0);
    EXPECT_TRUE(warned.err.contains(QStringLiteral("/.\\xb9\\xfa.txt.old.subbig5-Ab12Cd"))) << warned.err.toStdString();
    ::unlink(copy.constData());
    ::unlink(name.constData());   // Qt could not remove it: it cannot spell the name
}

} // namespace

namespace {

// A GB2312 subtitle grown to `megabytes` by repeating the sample (its lines of ordinary length).
QByteArray sampleSubtitle(int megabytes)
{
    QFile sample(QStringLiteral(SUBBIG5_SOURCE_DIR "/samples/gb2312-subtitle.srt"));
    if (!sample.open(QIODevice::ReadOnly))
        throw std::runtime_error("no sample");
    const QByteArray one = sample.readAll();
    return one.repeated(qsizetype(megabytes) * (1 << 20) / one.size() + 1);
}

TEST(BatchMemory, EveryRoadStreamsInBoundedMemory)
{
    // Inputs piped into the converter: a line of 256 MB (国体 without a line end) on the byte
    // road, which holds no line whole; and subtitles of ordinary lines on the roads that take
    // the text a few lines at a time, where a whole-file road holds several copies of it. The
    // child's own peak is read while it waits for the end of its input (its rusage after exit
    // would count the memory of this process, which it was forked from).
    const QByteArray noLineEnd = QByteArray("\xB9\xFA\xCC\xE5").repeated(1 << 18);   // 1 MB
    const QByteArray gb = sampleSubtitle(1);
    const QByteArray utf8 = document::encodeText(document::decodeText(gb, document::Encoding::Gb18030), document::Encoding::Utf8);
    // Cues of English lines with one Chinese line each.
    const QByteArray cue = "12\r\n00:00:01,000 --> 00:00:02,000\r\nThis is an English line with some words in it\r\n"
                           + document::encodeText(u8("这个软件的内存不够，我们干杯吧\r\n"), document::Encoding::Gb18030)
                           + "This is another English line with more words\r\n\r\n";
    const QByteArray mostlyEnglish = cue.repeated((1 << 20) / cue.size());
    struct Row {
        QStringList args;
        QByteArray block;
        int blocks;
        int peakMb;
    };
    const Row rows[] = {
        {{"-g"}, noLineEnd, 256, 96},
        {{"-w"}, gb, 64, 64},
        {{"--from", "utf-8", "-g", "-w", "--to", "big5"}, utf8, 64, 64},
        {{"-p"}, mostlyEnglish, 24, 64},   // the phrase step is slow under the sanitizers
    };
    for (const Row& row : rows) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ASAN_OPTIONS", "quarantine_size_mb=8:detect_leaks=0");   // freed slices are not kept
        child.setProcessEnvironment(env);
        child.setStandardOutputFile(QProcess::nullDevice());
        child.start(QStringLiteral(SUBBIG5_CONVERT_PATH), row.args);
        ASSERT_TRUE(child.waitForStarted());
        for (int i = 0; i < row.blocks; ++i) {
            child.write(row.block);
            while (child.bytesToWrite() > 0)   // all of it in the pipe: the child has read the rest
                ASSERT_TRUE(child.waitForBytesWritten(-1));
        }
        QFile status(QStringLiteral("/proc/%1/status").arg(child.processId()));
        ASSERT_TRUE(status.open(QIODevice::ReadOnly));
        const QByteArray fields = status.readAll();
        const qsizetype at = fields.indexOf("VmHWM:");
        ASSERT_GE(at, 0);
        const qint64 peakKb = fields.mid(at + 6, fields.indexOf('\n', at) - at - 6).replace("kB", "").trimmed().toLongLong();
        child.closeWriteChannel();
        ASSERT_TRUE(child.waitForFinished(-1));
        const QString args = row.args.join(u' ');
        EXPECT_EQ(child.exitCode(), 0) << args.toStdString();
        EXPECT_GT(peakKb, 0);
        EXPECT_LT(peakKb, row.peakMb * 1024) << args.toStdString() << ": peak " << peakKb / 1024 << " MB";
    }
}

} // namespace
