// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/text_file.h"
#include "app/form1.h"
#include "app/text_area.h"
#include "cli/batch.h"
#include "cli/options.h"
#include "cli/stream.h"
#include "convert/codepage.h"
#include "tests/app/scripted_prompter.h"
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

using testutil::readFile;
using testutil::u8;
using testutil::writeFile;

namespace {

using batch::Step;

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

TEST(Batch, MatchesTheEditorStepForStep)
{
    QTemporaryDir dir;
    const QByteArray mixed = readFile(sampleFile()) + "\rlone CR\nlone LF \xA3\xC1\xFF";
    const QString input = writeFile(dir, "in.txt", mixed);
    const std::vector<std::pair<QStringList, std::vector<void (Form1::*)()>>> roads = {
        {{"-g", "-w"}, {&Form1::G_Click, &Form1::srt_Click}},
        {{}, {}},
        {{"-g", "-b", "-g"}, {&Form1::G_Click, &Form1::B_Click, &Form1::G_Click}},
        {{"-w", "-b", "-w", "-g"}, {&Form1::srt_Click, &Form1::B_Click, &Form1::srt_Click, &Form1::G_Click}},
        {{"-p"}, {&Form1::phrase_Click}},
        {{"-b", "-p", "-g"}, {&Form1::B_Click, &Form1::phrase_Click, &Form1::G_Click}},
    };
    for (const auto& [steps, clicks] : roads) {
        const QString batchOut = dir.filePath("batch.txt");
        ASSERT_EQ(runWith(steps + QStringList{input, "-o", batchOut}).status, 0);

        ScriptedPrompter prompt;
        Form1 editor;
        editor.setPrompter(&prompt);
        ASSERT_TRUE(editor.Sum(input));
        for (auto click : clicks)
            (editor.*click)();
        const QString editorOut = dir.filePath("editor.txt");
        prompt.fileNames = {editorOut};
        prompt.answers = {true, true};   // whatever it asks, save
        editor.A_Click();
        EXPECT_EQ(readFile(batchOut), readFile(editorOut)) << steps.join(' ').toStdString();
    }
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
    for (int round = 0; round < 600; ++round) {
        QByteArray input;
        const bool oneLine = round % 3 == 0;
        for (int i = int(rng() % 60); i > 0; --i)
            input += oneLine ? noLineEnds[rng() % sizeof noLineEnds] : alphabet[rng() % sizeof alphabet];
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
        const auto r = batch::streamByteSteps(QByteArrayView(input).first(headSize), in, out, steps, 1 + round % 9);
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(streamed, whole) << round << " " << input.toHex().toStdString();
        EXPECT_EQ(r.findings.blanked, wholeReport.findings.blanked) << round << " " << input.toHex().toStdString();
        EXPECT_EQ(r.findings.blankedLine, wholeReport.findings.blankedLine) << round;
        EXPECT_EQ(r.findings.gbkPairs, wholeReport.findings.gbkPairs) << round;
        EXPECT_EQ(r.findings.gbkLine, wholeReport.findings.gbkLine) << round;
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
