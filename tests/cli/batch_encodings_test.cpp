// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "convert/phrase/preferences.h"
#include "app/mark_view.h"
#include "app/text_area.h"
#include "convert/codepage.h"
#include "document/encoding.h"
#include "tests/app/scripted_prompter.h"
#include "tests/cli/run_converter.h"
#include "tests/support/test_util.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using document::Encoding;
using testutil::readFile;
using testutil::u8;
using testutil::writeFile;

namespace {

QByteArray gbSample()
{
    return readFile(QStringLiteral(SUBBIG5_SOURCE_DIR "/samples/gb2312-subtitle.srt"));
}

QString sampleText()
{
    return document::decodeText(gbSample(), Encoding::Gb18030);
}

TEST(BatchEncodingOptions, FromToAndTheirMisuse)
{
    const auto ok = batch::parseArguments({"--from", "gb18030", "--to=utf-8-bom", "a"});
    ASSERT_TRUE(ok.error.isEmpty()) << ok.error.toStdString();
    EXPECT_EQ(ok.options.from, Encoding::Gb18030);
    EXPECT_EQ(ok.options.to, Encoding::Utf8Bom);
    const auto defaults = batch::parseArguments({"--from=auto", "--to", "same", "a"});
    EXPECT_FALSE(defaults.options.from.has_value());
    EXPECT_FALSE(defaults.options.to.has_value());

    for (const QStringList& wrong : {QStringList{"--from", "latin1"}, {"--to", "big6"}, {"--from"},
                                     {"--utf8", "-i", "a"}, {"--utf8", "-o", "x", "a"}, {"--utf8", "--to", "big5"},
                                     {"-o", "x", "-o", "y", "a"}, {"--to", "big5", "--to", "utf-8"}})
        EXPECT_EQ(runWith(wrong).status, 2) << wrong.join(' ').toStdString();
    EXPECT_EQ(runWith({"--to", "utf-8", "-i", "--", "nothing-here"}).status, 1) << "legitimate, the file is missing";
}

TEST(BatchEncodings, EachEncodingConvertsAsItsGb2312VersionDoes)
{
    // The GB2312 road is the reference: the same subtitle in any encoding gives the same Big5.
    QTemporaryDir dir;
    const Outcome reference = runWith({"-g", "-w", writeFile(dir, "gb.srt", gbSample())});
    ASSERT_EQ(reference.status, 0);
    const QString text = sampleText();
    for (Encoding e : {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Gb18030}) {
        const QString path = writeFile(dir, "in.srt", document::encodeText(text, e));
        QStringList args{"-g", "-w", "--to", "big5", path};
        if (e == Encoding::Gb18030)
            args.prepend("--from=gb18030");   // never guessed: GBK and Big5 overlap too much
        const Outcome r = runWith(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, reference.out) << document::encodingName(e).toStdString();

        // Written back in its own encoding, with its line ends, its mark and no extra line end.
        const Outcome same = runWith(QStringList(args).replaceInStrings("big5", "same"));
        EXPECT_EQ(same.out, document::encodeText(cp950::decode(reference.out.chopped(2)), e))
            << document::encodingName(e).toStdString();
    }
    // Decided only at its end, past what detection holds (let go of and read again from the start,
    // from a file or a seekable standard input): as with --from.
    const QByteArray ascii = QByteArray("0123456789 ascii line\r\n").repeated(5 << 20 >> 4);
    for (const auto& [bytes, from] : {std::pair{ascii + text.toUtf8(), "--from=utf-8"}, std::pair{ascii + gbSample(), "--from=big5"}}) {
        const QString path = writeFile(dir, "late.srt", bytes);
        const Outcome given = runWith({"-g", from, path});
        ASSERT_EQ(given.status, 0) << from;
        EXPECT_TRUE(runWith({"-g", path}).out == given.out) << from;
        EXPECT_TRUE(runWith({"-g"}, bytes).out == given.out) << from;
    }
    // A UTF-8 file with nothing to do comes back byte for byte, LF line ends and all.
    const QByteArray lf = u8("一\n二\r\n三").toUtf8();
    EXPECT_EQ(runWith({writeFile(dir, "lf.srt", lf)}).out, lf);
}

TEST(BatchEncodings, FourByteCharactersSurvive)
{
    QTemporaryDir dir;
    const QString text = u8("𠮷野家 😂 国\r\n");
    const QString path = writeFile(dir, "four.srt", document::encodeText(text, Encoding::Gb18030));
    const Outcome r = runWith({"--from", "gb18030", "-g", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, document::encodeText(u8("𠮷野家 😂 國\r\n"), Encoding::Gb18030));
    const Outcome big5 = runWith({"--from", "gb18030", "-g", "--to", "big5", path});
    EXPECT_EQ(big5.status, 0) << "a character Big5 lacks is a warning, not a failure";
    EXPECT_TRUE(big5.err.contains(u8("2 個字元無法以 Big5 寫出"))) << big5.err.toStdString();
}

TEST(BatchEncodings, WarnsOfGbkPairsAndBlankedCharacters)
{
    QTemporaryDir dir;
    // 朱镕基 in GBK (镕 is E946), read as Big5 and converted by the byte road.
    const QString gbk = writeFile(dir, "gbk.srt", "1\r\n\xD6\xEC\xE9\x46\xBB\xF9\r\n");
    const Outcome r = runWith({"-g", gbk});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains(u8("1 個 GBK 字碼不屬於 GB2312（第一個在第 2 行）"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("--from gb18030"));
    EXPECT_EQ(r.err.count('\n'), 1) << "one line a file";
    // Read as GB18030 instead, it converts whole.
    const Outcome whole = runWith({"--from", "gb18030", "-g", "--to", "big5", gbk});
    EXPECT_EQ(cp950::decode(whole.out), u8("1\r\n朱鎔基\r\n\r\n"));
    EXPECT_TRUE(whole.err.isEmpty()) << whole.err.toStdString();

    const Outcome blank = runWith({"-g"}, "x\r\n\xA8\xA1\r\n");   // ā has no Big5 counterpart
    EXPECT_TRUE(blank.err.contains(u8("1 個字在 Big5 中沒有對應的字，已變成全形空白（第一個在第 2 行）")))
        << blank.err.toStdString();
}

TEST(BatchEncodings, MatchTheEditorByteForByte)
{
    QTemporaryDir dir;
    const QString text = sampleText() + u8("朱镕基\n台北有什么在等着你\n😂 lone LF");
    QFile ass(QStringLiteral(SUBBIG5_SOURCE_DIR "/tests/convert/data/fansub.ass"));
    ASSERT_TRUE(ass.open(QIODevice::ReadOnly));
    const QString assText = QString::fromUtf8(ass.readAll());
    using Roads = std::vector<std::pair<QStringList, std::vector<void (Form1::*)()>>>;
    const Roads textRoads = {
        {{"-g", "-w"}, {&Form1::G_Click, &Form1::srt_Click}},
        {{"-g", "-b", "-w"}, {&Form1::G_Click, &Form1::B_Click, &Form1::srt_Click}},
        {{"-p", "-w"}, {&Form1::phrase_Click, &Form1::srt_Click}},
        // Preferences other than the defaults, chosen in the editor as in 轉換偏好.
        {{"-p", "--prefer", u8("臺,甚麼,着")}, {&Form1::phrase_Click}},
    };
    // The byte road, on GB2312 read as Big5 with lone CRs and LFs and stray bytes.
    const Roads byteRoads = {
        {{"-g", "-w"}, {&Form1::G_Click, &Form1::srt_Click}},
        {{}, {}},
        {{"-g", "-b", "-g"}, {&Form1::G_Click, &Form1::B_Click, &Form1::G_Click}},
        {{"-w", "-b", "-w", "-g"}, {&Form1::srt_Click, &Form1::B_Click, &Form1::srt_Click, &Form1::G_Click}},
        {{"-p"}, {&Form1::phrase_Click}},
        {{"-b", "-p", "-g"}, {&Form1::B_Click, &Form1::phrase_Click, &Form1::G_Click}},
    };
    const struct { QByteArray bytes; Encoding encoding; QStringList from; const Roads& roads; } files[] = {
        {gbSample() + "\rlone CR\nlone LF \xA3\xC1\xFF", Encoding::Big5, {}, byteRoads},
        {document::encodeText(text, Encoding::Utf8), Encoding::Utf8, {}, textRoads},
        {document::encodeText(text, Encoding::Utf16LE), Encoding::Utf16LE, {}, textRoads},
        {document::encodeText(text, Encoding::Gb18030), Encoding::Gb18030, {"--from", "gb18030"}, textRoads},
        {document::encodeText(assText, Encoding::Utf8Bom), Encoding::Utf8Bom, {}, textRoads}};
    for (const auto& [bytes, encoding, from, roads] : files) {
        const QString input = writeFile(dir, "in.txt", bytes);
        for (const auto& [steps, clicks] : roads) {
            const QString batchOut = dir.filePath("batch.txt");
            const QString reviewOut = dir.filePath("review.jsonl");
            ASSERT_EQ(runWith(from + steps + QStringList{input, "-o", batchOut, "--review", reviewOut}).status, 0);

            phrase::Preferences chosen = 0;
            QString unused;
            const qsizetype prefer = steps.indexOf("--prefer");
            ASSERT_TRUE(prefer < 0 || phrase::parsePreferences(steps[prefer + 1], &chosen, &unused));
            phrase::setPreferences(chosen);
            ScriptedPrompter prompt;
            Form1 editor;
            editor.setPrompter(&prompt);
            ASSERT_TRUE(editor.loadFile(input, from.isEmpty() ? std::nullopt : std::optional(encoding)));
            EXPECT_EQ(editor.encoding(), encoding);
            for (auto click : clicks)
                (editor.*click)();
            const QString editorOut = dir.filePath("editor.txt");
            prompt.fileNames = {editorOut};
            prompt.answers = {true, true};
            editor.A_Click();
            EXPECT_EQ(readFile(batchOut), readFile(editorOut))
                << document::encodingName(encoding).toStdString() << " " << steps.join(' ').toStdString();
            // The review marks of the last step, as the editor shows them.
            EXPECT_EQ(readFile(reviewOut), review::toJsonLines(editor.Text1->text(), editor.marks().shown()))
                << document::encodingName(encoding).toStdString() << " " << steps.join(' ').toStdString();
            phrase::setPreferences(0);
        }
    }
}

} // namespace
