// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/document.h"
#include "document/text_file.h"
#include "cli/batch.h"
#include "cli/options.h"
#include "cli/stream.h"
#include "convert/codepage.h"
#include "tests/cli/run_converter.h"
#include "tests/support/test_util.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <random>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

using testutil::readFile;
using testutil::u8;
using testutil::writeFile;

namespace {

using Step = document::Command;

QString sampleFile() { return QStringLiteral(SUBBIG5_SOURCE_DIR "/samples/gb2312-subtitle.srt"); }

TEST(BatchOptions, StepsInOrderAndUsageErrors)
{
    const auto ok = batch::parseArguments({"-g", "--correct", "-g", "-b", "--utf8", "a.txt", "-"});
    ASSERT_TRUE(ok.error.isEmpty());
    EXPECT_EQ(ok.options.steps, (std::vector<Step>{Step::GbToBig5, Step::Correct, Step::GbToBig5, Step::Big5ToGb}));
    EXPECT_EQ(ok.options.to, document::Encoding::Utf8);
    EXPECT_EQ(ok.options.files, (QStringList{"a.txt", "-"}));
    EXPECT_EQ(batch::parseArguments({"--output=x", "a"}).options.output, "x");
    EXPECT_EQ(batch::parseArguments({"--", "-g"}).options.files, QStringList{"-g"});

    EXPECT_EQ(batch::parseArguments({"-x"}).error, u8("不認得的選項：-x"));
    EXPECT_FALSE(batch::parseArguments({"-o"}).error.isEmpty());
    EXPECT_FALSE(batch::parseArguments({"-o", "out", "a", "b"}).error.isEmpty());
    EXPECT_FALSE(batch::parseArguments({"-o", "out", "-i", "a"}).error.isEmpty());
    EXPECT_FALSE(batch::parseArguments({"-i"}).error.isEmpty());
    EXPECT_FALSE(batch::parseArguments({"--help", "-x"}).error.isEmpty());
    EXPECT_TRUE(batch::parseArguments({"-h"}).options.help);
}

TEST(Batch, GbSubtitleBecomesCorrectedBig5)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.srt");
    const Outcome r = runWith({"-g", "-w", sampleFile(), "-o", out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString expected = u8(
        "1\r\n00:00:01,000 --> 00:00:03,500\r\n你幹嘛這麼晚才回來？\r\n\r\n"
        "2\r\n00:00:04,000 --> 00:00:06,200\r\n我去超市買了麵包和餅乾。\r\n\r\n"
        "3\r\n00:00:06,500 --> 00:00:09,000\r\n下週一我們一起去旅遊吧。\r\n\r\n"
        "4\r\n00:00:09,500 --> 00:00:12,000\r\n這裡的軟體和硬體都很好用。\r\n\r\n"
        "5\r\n00:00:12,500 --> 00:00:15,000\r\n皇后說：乾杯！\r\n");
    EXPECT_EQ(readFile(out), cp950::encode(expected) + "\r\n");

    const Outcome utf8 = runWith({"-g", "-w", "--utf8", sampleFile()});
    EXPECT_EQ(utf8.status, 0);
    EXPECT_EQ(utf8.out, expected.toUtf8()) << "UTF-8 is written as the text stands, with no extra line end";
}

TEST(Batch, SliceBySliceEqualsTheWholeFile)
{
    // Random bytes heavy in CR, LF and lead bytes, some without any line end, cut into slices
    // of every small size and fed partly as bytes already read.
    std::mt19937 rng(7);
    const char alphabet[] = {'\r', '\n', 'a', '\x40', '\x7F', '\x81', '\xA1', '\xA3', '\xA8', '\xB0', '\xC8', '\xFE', '\xFF'};
    const char noLineEnds[] = {'\x40', '\xA1', '\xA3', '\xB0', '\xC8', '\xFE', '\xFF', '\xA4'};
    const std::vector<std::vector<Step>> roads = {
        {}, {Step::GbToBig5}, {Step::Big5ToGb}, {Step::GbToBig5, Step::Big5ToGb, Step::GbToBig5}};
    // Long rounds: GB2312-like text past the scan's 64-byte blocks, with a rare byte that GBK
    // pairs differently (a lone lead before a letter, 0x81, 0xFF) in some block.
    const char gb2312Like[] = {'\r', '\n', 'a', '\x40', '\xA1', '\xA3', '\xB0', '\xC8', '\xFE', '\xB0', '\xC8'};
    const char rare[] = {'\x81', '\xFF', '\xA0', '\x7F', '\x80'};
    // The last rounds are long enough for the scan's table of whole pairs, streamed in slices too
    // short for it.
    for (int round = 0; round < 940; ++round) {
        QByteArray input;
        const bool oneLine = round % 3 == 0;
        const bool longRound = round >= 600;
        const bool veryLong = round >= 900;
        for (int i = int(veryLong ? 17000 + rng() % 20000 : rng() % (longRound ? 900 : 60)); i > 0; --i) {
            if (longRound)
                input += rng() % 300 == 0 ? rare[rng() % sizeof rare] : gb2312Like[rng() % sizeof gb2312Like];
            else
                input += oneLine ? noLineEnds[rng() % sizeof noLineEnds] : alphabet[rng() % sizeof alphabet];
        }
        const auto& steps = roads[size_t(round) % roads.size()];
        batch::Report wholeReport;
        const QByteArray whole = batch::process(input, document::Encoding::Big5, steps, document::Encoding::Big5,
                                                &wholeReport);
        const qsizetype headSize = qsizetype(rng() % (input.size() + 1));
        QByteArray rest = input.mid(headSize);
        QBuffer in(&rest);
        in.open(QIODevice::ReadOnly);
        QByteArray streamed;
        QBuffer out(&streamed);
        out.open(QIODevice::WriteOnly);
        const auto r = batch::streamByteSteps(QByteArrayView(input).first(headSize), in, out, steps,
                                                veryLong    ? 1000 + round % 3000
                                                : longRound ? 60 + round % 200
                                                            : 1 + round % 9);
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(streamed, whole) << round << " " << input.toHex().toStdString();
        EXPECT_EQ(r.findings.blanked, wholeReport.findings.blanked) << round << " " << input.toHex().toStdString();
        EXPECT_EQ(r.findings.blankedLine, wholeReport.findings.blankedLine) << round;
        EXPECT_EQ(r.findings.gbkPairs, wholeReport.findings.gbkPairs) << round;
        EXPECT_EQ(r.findings.gbkLine, wholeReport.findings.gbkLine) << round;
    }
}

TEST(Batch, PartByPartEqualsTheWholeFile)
{
    // Subtitle text cut into parts of every small size after its line ends, read in each
    // encoding and saved in another: markup and ASS lines across a cut, CR LF, lone CRs and
    // LFs, a mark at the start and mark-like characters later, characters outside the BMP,
    // lines longer than a slice. Bytes, findings and unsaved characters as the whole file gives.
    using document::Encoding;
    std::mt19937 rng(11);
    const char16_t* const words[] = {
        u"国", u"体", u"软件", u"内存", u"干杯", u"后来", u"這個", u"们", u"鿿", u"丟", u"a", u"1", u" ",
        u"\u3000", u"\uFEFF", u"😀", u"{\\an8}", u"{", u"}", u"<i>", u"</i>", u",", u"\r\n", u"\n", u"\r",
        u"\r\n\r\n", u"Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,", u"Comment: 0,a,b,c,d,e,f,g,h,软件",
        u"00:00:01,000 --> 00:00:02,000\r\n", u"[Events]\r\n"};
    const std::vector<std::vector<Step>> roads = {{Step::Correct}, {Step::GbToBig5, Step::Correct}, {Step::Phrase},
                                                  {Step::Big5ToGb}, {Step::GbToBig5}, {}, {Step::Correct, Step::GbToBig5}};
    const Encoding encodings[] = {Encoding::Big5, Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE,
                                  Encoding::Gb18030};
    for (int round = 0; round < 1500; ++round) {
        QString text = round % 4 == 0 ? QStringLiteral("\n \r\n[Script Info]\r\n") : QString();
        if (round % 5 == 1)
            text += u"\uFEFF";
        for (int i = int(rng() % 40); i > 0; --i)
            text += QString::fromUtf16(words[rng() % std::size(words)]);
        const Encoding from = encodings[rng() % std::size(encodings)];
        const Encoding to = rng() % 2 ? from : encodings[rng() % std::size(encodings)];
        // A Big5 document is what a GB2312 file shows as; its 簡轉繁 reads those bytes.
        const QByteArray input = from == Encoding::Big5 ? document::encodeText(text, Encoding::Gb18030)
                                                        : document::encodeText(text, from);
        const auto& steps = roads[size_t(round) % roads.size()];
        batch::Report wholeReport;
        const QByteArray whole = batch::process(input, from, steps, to, &wholeReport);

        document::Opening opening;
        opening.ok = true;
        opening.encoding = from;
        const qsizetype headSize = qsizetype(rng() % (input.size() + 1));
        opening.head = input.first(headSize);
        opening.ended = headSize == input.size();
        QByteArray rest = input.mid(headSize);
        QBuffer in(&rest);
        in.open(QIODevice::ReadOnly);
        QByteArray streamed;
        QBuffer out(&streamed);
        out.open(QIODevice::WriteOnly);
        const auto runSteps = [&steps](document::Document& part, qsizetype, modBig2GB::GbFindings& findings, QString* error) {
            for (Step step : steps) {
                if (!part.run(step, findings, error))
                    return false;
            }
            return true;
        };
        const auto r = batch::streamDocument(opening, in, out, steps, to, runSteps, 1 + round % 13);
        const std::string what = std::to_string(round) + " " + input.toHex().toStdString();
        ASSERT_TRUE(r.ok) << what;
        ASSERT_EQ(streamed.toHex().toStdString(), whole.toHex().toStdString()) << what;
        EXPECT_EQ(r.findings.blanked, wholeReport.findings.blanked) << what;
        EXPECT_EQ(r.findings.blankedLine, wholeReport.findings.blankedLine) << what;
        EXPECT_EQ(r.findings.gbkPairs, wholeReport.findings.gbkPairs) << what;
        EXPECT_EQ(r.findings.gbkLine, wholeReport.findings.gbkLine) << what;
        EXPECT_EQ(r.unsaved.count, wholeReport.unsaved.count) << what;
        EXPECT_EQ(r.unsaved.line, wholeReport.unsaved.line) << what;
        EXPECT_EQ(r.unsaved.first, wholeReport.unsaved.first) << what;
    }
}

TEST(Batch, StandardInputAndOutput)
{
    const Outcome r = runWith({"-b"}, cp950::encode(u8("國體")));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("\xB9\xFA\xCC\xE5\r\n\r\n"));
    EXPECT_EQ(runWith({"-b", "-o", "-"}, cp950::encode(u8("國體"))).out, r.out);
    const Outcome none = runWith({}, QByteArray("a\rb"));
    EXPECT_EQ(none.out, QByteArray("a\r\nb\r\n\r\n")) << "no step: line ends as open and save leave them";
}

TEST(Batch, InPlaceGoesOnPastAFailingFile)
{
    QTemporaryDir dir;
    const QString a = writeFile(dir, "a.txt", "\xB9\xFA");
    const QString b = writeFile(dir, "b.txt", "\xB9\xFA");
    const QString missing = dir.filePath("missing.txt");
    const Outcome r = runWith({"-g", "-i", a, missing, b});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(missing));
    EXPECT_TRUE(r.err.contains(u8("無法開啟檔案")));
    EXPECT_EQ(readFile(a), cp950::encode(u8("國")) + "\r\n\r\n");
    EXPECT_EQ(readFile(b), readFile(a));

    // A write that fails half-way leaves the old file whole.
    std::signal(SIGXFSZ, SIG_IGN);
    const QString big = writeFile(dir, "big.txt", QByteArray(3000, 'a'));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 2000;
    setrlimit(RLIMIT_FSIZE, &tight);
    const Outcome failed = runWith({"-i", big});
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(failed.err.contains(u8("無法儲存檔案")));
    EXPECT_EQ(readFile(big), QByteArray(3000, 'a'));
}

TEST(Batch, EachFileIsConvertedOnceAndATraditionalOneNotAtAll)
{
    QTemporaryDir dir;
    const QByteArray gb = readFile(sampleFile());
    const QString a = writeFile(dir, "a.srt", gb);
    ASSERT_TRUE(QFile::link(a, dir.filePath("b.srt")));
    ASSERT_EQ(::link(QFile::encodeName(a).constData(), QFile::encodeName(dir.filePath("c.srt")).constData()), 0);
    const Outcome once = runWith({"-g", "-i", a, dir.filePath("b.srt"), dir.filePath("c.srt"), a});
    EXPECT_EQ(once.status, 0) << once.err.toStdString();
    EXPECT_EQ(readFile(a), runWith({"-g"}, gb).out);

    // Now Big5 Traditional: 簡轉繁 and the phrase step would garble it; --force runs them.
    const QByteArray big5 = readFile(a);
    for (const QStringList& steps : {QStringList{"-g"}, QStringList{"-w", "-g"}, QStringList{"-p"}}) {
        const Outcome skipped = runWith(steps + QStringList{"-i", a});
        EXPECT_EQ(skipped.status, 1);
        EXPECT_TRUE(skipped.err.contains(u8("這份文字看來已是繁體 Big5"))) << skipped.err.toStdString();
        EXPECT_EQ(readFile(a), big5);
    }
    EXPECT_EQ(runWith({"-b", "-g"}, big5).status, 0) << "繁轉簡 first expects Traditional";
    EXPECT_EQ(runWith({"-g", "--force"}, big5).status, 0);

    // A UTF-8 subtitle with one stray Latin-1 byte stays UTF-8 through -g -w.
    const QString utf8 = writeFile(dir, "u.srt", u8("1\r\n你好，世界。caf").toUtf8() + "\xE9" + u8(" 软件\r\n").toUtf8());
    EXPECT_EQ(runWith({"-g", "-w", "-i", utf8}).status, 0);
    EXPECT_EQ(readFile(utf8), u8("1\r\n你好，世界。caf").toUtf8() + "\xE9" + u8(" 軟體\r\n").toUtf8());
}

TEST(Batch, ReviewMarksOfSeveralFilesAndOnStandardError)
{
    QTemporaryDir dir;
    const QString a = writeFile(dir, "a.srt", document::encodeText(u8("1\r\n头发干了\r\n"), document::Encoding::Utf8));
    const QString b = writeFile(dir, "b.srt", document::encodeText(u8("干杯！\r\n"), document::Encoding::Utf8));
    const Outcome r = runWith({"-g", "-w", "--review", "-", a, b});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // The last step is 字幕矯正 (頭發干了 -> 頭髮幹了, 干杯 -> 乾杯): its marks, each naming its file.
    const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith(u8(R"({"file": ")"))) << line.toStdString();
    EXPECT_TRUE(r.err.contains(u8(R"("file": ")") + b + u8(R"(", "line": 1, "column": 0, "length": 1, "kind": "changed", "text": "乾", "from": "干"})")))
        << r.err.toStdString();
    // The chosen reading first, then the others the data knows (幹 among them).
    const QString uncertain = lines.filter(u8(R"("kind": "uncertain", "text": "乾", "from": "干", "alternatives": ["乾", )")).value(0);
    EXPECT_TRUE(uncertain.contains(u8(R"("幹")"))) << r.err.toStdString();
    // One file: no "file"; a review file that cannot be written fails the run.
    const QString out = dir.filePath("marks.jsonl");
    ASSERT_EQ(runWith({"-g", "--review", out, a}).status, 0);
    EXPECT_TRUE(readFile(out).startsWith(R"({"line": 2, "column": 0)")) << readFile(out).toStdString();
    EXPECT_EQ(runWith({"-g", "--review", dir.filePath("no/such/dir/m.jsonl"), a}).status, 1);
    // A file long enough to go through in parts numbers its lines as the whole text does.
    QString longText;
    for (int i = 0; longText.size() < 1'500'000; ++i)
        longText += QString::number(i) + u8("\r\n头发干了，台风来了。\r\n\r\n");
    const QString big = writeFile(dir, "big.srt", document::encodeText(longText, document::Encoding::Utf8));
    ASSERT_EQ(runWith({"-p", "--review", out, big, "-o", dir.filePath("big.out")}).status, 0);
    document::Document whole(document::encodeText(longText, document::Encoding::Utf8), document::Encoding::Utf8);
    modBig2GB::GbFindings findings;
    QString why;
    review::MarkList marks;
    ASSERT_TRUE(whole.run(document::Command::Phrase, findings, &why, &marks));
    EXPECT_EQ(readFile(out), review::toJsonLines(whole.text(), marks));
    EXPECT_EQ(runWith({"-g", "--review", out, "--review", out, a}).status, 2);
}

// Every file under `root` by its path below it.
std::map<QString, QByteArray> filesUnder(const QString& root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(root).relativeFilePath(path)] = readFile(path);
    }
    return files;
}

// A child process of the converter or the shell; its exit code, -1 when it did not end.
int runChild(const QString& program, const QStringList& args)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, args);
    if (!child.waitForFinished(300000) || child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}

TEST(Batch, XargsOverAFolderTreeConvertsEveryFileOnceAsOneProcessDoes)
{
    // The README's road for an archive: find -print0 | xargs -0 -P N subbig5-convert ... -i.
    // Names with spaces, quotes and a line break; two processes at a time, a few files each.
    QTemporaryDir dir;
    const QByteArray sample = readFile(sampleFile());
    const QStringList names = {"a.srt", u8("第 1 集.srt"), "it's.ass", "two\nlines.srt", ".hidden.txt"};
    std::map<QString, QByteArray> originals;
    int index = 0;
    for (const QString& top : {QStringLiteral("series one"), QStringLiteral("series-two")}) {
        for (int season = 1; season <= 4; ++season) {
            for (const QString& name : names) {
                const QString relative = QStringLiteral("%1/season %2/%3").arg(top).arg(season).arg(name);
                const QByteArray bytes = QByteArray("\xB9\xFA").repeated(++index % 7) + "\r\n" + sample;
                QDir().mkpath(QFileInfo(dir.filePath("parallel/" + relative)).path());
                QDir().mkpath(QFileInfo(dir.filePath("single/" + relative)).path());
                writeFile(dir, "parallel/" + relative, bytes);
                writeFile(dir, "single/" + relative, bytes);
                originals[relative] = bytes;
            }
        }
    }
    ASSERT_EQ(originals.size(), 40u);

    const QString tool = QStringLiteral(SUBBIG5_CONVERT_PATH);
    ASSERT_EQ(runChild("/bin/sh", {"-c", "find \"$1\" -type f -print0 | xargs -0 -n 3 -P 2 \"$2\" -g -w -i", "sh",
                                   dir.filePath("parallel"), tool}),
              0);
    QStringList all;
    for (const auto& [relative, bytes] : originals)
        all << dir.filePath("single/" + relative);
    ASSERT_EQ(runChild(tool, QStringList{"-g", "-w", "-i"} + all), 0);

    const std::map<QString, QByteArray> parallel = filesUnder(dir.filePath("parallel"));
    EXPECT_EQ(parallel, filesUnder(dir.filePath("single"))) << "byte for byte as one process leaves them";
    ASSERT_EQ(parallel.size(), originals.size()) << "no file added or lost (no temporary left behind)";
    for (const auto& [relative, bytes] : originals) {
        // Converted exactly once: a second pass would change the bytes again (and add a line).
        const Outcome once = runWith({"-g", "-w"}, bytes);
        ASSERT_EQ(once.status, 0);
        EXPECT_EQ(parallel.at(relative), once.out) << relative.toStdString();
        EXPECT_NE(runWith({"-g", "-w"}, once.out).out, once.out);
    }
}

} // namespace
