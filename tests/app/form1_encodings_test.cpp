// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "app/text_area.h"
#include "convert/codepage.h"
#include "document/encoding.h"
#include "tests/app/scripted_prompter.h"
#include "tests/support/test_util.h"

#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using document::Encoding;
using testutil::readFile;
using testutil::u8;
using testutil::writeFile;

namespace {

class Form1Encodings : public ::testing::Test {
protected:
    void SetUp() override { form.setPrompter(&prompt); }

    QAction* menuAction(const char* menu, const QString& text)
    {
        for (QAction* a : form.findChild<QMenu*>(menu)->actions()) {
            if (a->text() == text)
                return a;
        }
        return nullptr;
    }

    QTemporaryDir dir;
    ScriptedPrompter prompt;
    Form1 form;
};

TEST_F(Form1Encodings, EachEncodingOpensReadableAndSavesItsOwnBytes)
{
    const QString text = u8("1\n00:00:01,000 --> 00:00:03,500\n你干嘛这么晚才回来？😂\n");
    for (Encoding e : {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE}) {
        const QByteArray bytes = document::encodeText(text, e);
        const QString path = writeFile(dir, "sub.srt", bytes);
        ASSERT_TRUE(form.Sum(path));
        EXPECT_EQ(form.encoding(), e);
        EXPECT_EQ(form.Text1->text(), text) << "line ends as they were, no CR LF added";
        form.save_Click();
        EXPECT_EQ(readFile(path), bytes) << document::encodingName(e).toStdString();
    }
    // GB18030 is never guessed: read as Big5 first, then reopened as GB18030 on request.
    const QByteArray gb = document::encodeText(text, Encoding::Gb18030);
    const QString path = writeFile(dir, "gb.srt", gb);
    ASSERT_TRUE(form.Sum(path));
    EXPECT_EQ(form.encoding(), Encoding::Big5);
    menuAction("reopen", "GB18030")->trigger();
    EXPECT_EQ(form.encoding(), Encoding::Gb18030);
    EXPECT_EQ(form.Text1->text(), text);
    form.save_Click();
    EXPECT_EQ(readFile(path), gb);
}

TEST_F(Form1Encodings, ConvertsOnCharactersAndSavesInTheChosenEncoding)
{
    const QString path = writeFile(dir, "u.srt", u8("朱镕基说：干杯！ā\n").toUtf8());
    ASSERT_TRUE(form.Sum(path));
    form.G_Click();
    form.srt_Click();
    EXPECT_EQ(form.Text1->text(), u8("朱鎔基說：乾杯！\u3000\n"));
    ASSERT_EQ(prompt.messages.size(), 1u) << "the blanked ā is reported";
    EXPECT_TRUE(prompt.messages[0].text.contains(u8("1 個字在 Big5 中沒有對應的字")));

    // Choosing what Save As writes changes nothing else: Save still writes the file's own
    // encoding, and the conversions still take the road of the encoding the text was read in.
    menuAction("saveAsEncoding", "Big5")->trigger();
    EXPECT_EQ(form.encoding(), Encoding::Utf8);
    form.save_Click();
    EXPECT_EQ(readFile(path), u8("朱鎔基說：乾杯！\u3000\n").toUtf8());
    form.B_Click();
    EXPECT_TRUE(form.Text1->text().startsWith(u8("朱\u3000基说："))) << "繁轉簡 on characters, 鎔 without a GB2312 form";
    form.Text1->undo();

    // Save As in Big5; the Big5 format adds its line end, and the document is now that file.
    const QString big5 = dir.filePath("big5.srt");
    prompt.fileNames = {big5};
    form.A_Click();
    EXPECT_EQ(readFile(big5), cp950::encode(u8("朱鎔基說：乾杯！\u3000\n")) + "\r\n");
    EXPECT_EQ(form.currentFile(), big5);
    EXPECT_EQ(form.encoding(), Encoding::Big5);
}

TEST_F(Form1Encodings, TheBig5RoadTellsOfGbkPairs)
{
    // 朱镕基 in GBK: 镕 (E946) is not GB2312 and throws the byte scan out of step.
    ASSERT_TRUE(form.Sum(writeFile(dir, "gbk.srt", "\xD6\xEC\xE9\x46\xBB\xF9\r\n")));
    form.G_Click();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_TRUE(prompt.messages[0].text.contains(u8("1 個 GBK 字碼不屬於 GB2312（第一個在第 1 行）")));
    EXPECT_TRUE(prompt.messages[0].text.contains("GB18030"));
    prompt.messages.clear();
    prompt.saveChoices = {Prompter::SaveChoice::Discard, Prompter::SaveChoice::Discard};   // converted texts are let go
    ASSERT_TRUE(form.Sum(writeFile(dir, "gb.srt", "\xB9\xFA\r\n")));
    form.G_Click();
    EXPECT_TRUE(prompt.messages.empty()) << "nothing to say, nothing said";

    // A Big5 Traditional text: 簡轉繁 asks first, and never sends the user to GB18030.
    const QString traditional = u8("我們今天晚上一起去看電影吧，這個問題很難回答。\r\n");
    ASSERT_TRUE(form.Sum(writeFile(dir, "big5.srt", cp950::encode(traditional))));
    for (void (Form1::*command)() : {&Form1::G_Click, &Form1::phrase_Click}) {
        prompt.answers = {false};
        (form.*command)();
        EXPECT_TRUE(prompt.answers.empty()) << "asked";
        EXPECT_EQ(form.Text1->text(), traditional);
    }
    prompt.messages.clear();
    prompt.answers = {true};
    form.G_Click();
    EXPECT_NE(form.Text1->text(), traditional);
    for (const auto& m : prompt.messages)
        EXPECT_FALSE(m.text.contains("GB18030")) << m.text.toStdString();
}

TEST_F(Form1Encodings, ReopeningAskBeforeDroppingEdits)
{
    const QString path = writeFile(dir, "r.txt", "abc\r\n");
    ASSERT_TRUE(form.Sum(path));
    form.Text1->assignText("edited");
    prompt.answers = {false};
    menuAction("reopen", "UTF-8")->trigger();
    EXPECT_EQ(form.Text1->text(), "edited");
    EXPECT_EQ(form.encoding(), Encoding::Big5);
    ASSERT_EQ(prompt.questions.size(), 1u);
}

TEST_F(Form1Encodings, AUtf8FileWithAMarkAndAStrayByteComesBackWhole)
{
    // The text area takes well-formed UTF-8 as it is; anything else must go through the
    // decoding that keeps stray bytes, mark or no mark.
    for (const QByteArray& bytes : {QByteArray("\xEF\xBB\xBF" "abc\xB9\xFA" "def\r\n"),
                                    QByteArray("\xEF\xBB\xBF" "x\xF4\x8F\xBD\x81y"), QByteArray("ab\xFF" "c")}) {
        const QString path = writeFile(dir, "stray.txt", bytes);
        ASSERT_TRUE(form.Sum(path));
        form.save_Click();
        EXPECT_EQ(readFile(path), form.encoding() == Encoding::Big5 ? bytes + "\r\n\r\n" : bytes)
            << bytes.toHex().toStdString();
    }
}

} // namespace
