// SPDX-License-Identifier: GPL-3.0-or-later
// subbig5-convert(1) against subbig5-convert --help: the page is built from the help text,
// and these tests fail loudly when the two stop naming the same options.
#include "tests/install/run_tool.h"
#include "tests/support/test_util.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testutil::runTool;

const QRegularExpression kOptionName(QStringLiteral(R"((?<![\w-])--?[A-Za-z0-9][A-Za-z0-9-]*)"));

QSet<QString> optionNames(const QString& text)
{
    QSet<QString> names;
    for (const QRegularExpressionMatch& m : kOptionName.globalMatch(text))
        names.insert(m.captured());
    return names;
}

// Options listed by --help: the term column of the indented lines that start with a dash.
// Read more loosely than the page generator reads them, so that a line it misses shows here.
QSet<QString> helpOptions(const QString& help)
{
    static const QRegularExpression columnGap(QStringLiteral(R"(\s\s|\t)"));
    QSet<QString> names;
    for (const QString& line : help.split(u'\n')) {
        const QString entry = line.trimmed();
        if (line.isEmpty() || !line.front().isSpace() || !entry.startsWith(u'-'))
            continue;
        const qsizetype gap = entry.indexOf(columnGap);
        names.unite(optionNames(gap < 0 ? entry : entry.first(gap)));
    }
    return names;
}

// roff as a reader sees it: minus signs as typed, no font changes.
QString plainRoff(QString roff)
{
    roff.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    roff.remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
    roff.remove(QStringLiteral("\\:"));
    return roff;
}

// Options the page documents: the tag line of each .TP entry.
QSet<QString> manOptions(const QString& roff)
{
    QSet<QString> names;
    const QStringList lines = plainRoff(roff).split(u'\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == u".TP")
            names.unite(optionNames(lines[i + 1]));
    }
    return names;
}

QString listed(QSet<QString> names)
{
    QStringList sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted.isEmpty() ? QStringLiteral("(none)") : sorted.join(u' ');
}

QString convertHelp()
{
    const testutil::ToolResult r = runTool(QStringLiteral(SUBBIG5_CONVERT), {QStringLiteral("--help")});
    EXPECT_TRUE(r.finished && r.exitCode == 0) << r.err.constData();
    return QString::fromUtf8(r.out);
}

QString builtPage()
{
    const QByteArray roff = testutil::readFile(QStringLiteral(SUBBIG5_MAN_DIR "/subbig5-convert.1"));
    EXPECT_FALSE(roff.isEmpty()) << "the man page is built with the default target";
    return QString::fromUtf8(roff);
}

TEST(ManPage, DocumentsExactlyTheOptionsOfHelpAndMentionsNoOther)
{
    const QSet<QString> help = helpOptions(convertHelp());
    const QString roff = builtPage();
    const QSet<QString> page = manOptions(roff);
    ASSERT_FALSE(help.isEmpty());
    EXPECT_EQ(help, page) << "only in --help: " << listed(help - page).toStdString()
                          << "\nonly in subbig5-convert(1): " << listed(page - help).toStdString();
    // The examples and the prose are written by hand; a renamed or removed option must not
    // live on there.
    const QSet<QString> mentioned = optionNames(plainRoff(roff));
    EXPECT_TRUE((mentioned - help).isEmpty()) << "not in --help: " << listed(mentioned - help).toStdString();
}

TEST(ManPage, RendersTheOptionLayoutsHelpMayGrow)
{
    // Option lines the converter is about to gain: choice lists as arguments, a description
    // carried on to a second line, a new heading. Each must become its own entry.
    QTemporaryDir dir;
    const QString help = testutil::u8(
        "用法：subbig5-convert [步驟...] [檔案...]\n"
        "摘要一行。\n"
        "\n"
        "步驟：\n"
        "  -g, --gb-to-big5    簡轉繁\n"
        "  -p, --phrases       詞彙轉換 一步取代\n"
        "                      -g 第二行\n"
        "編碼：\n"
        "      --from auto|big5|utf-8|utf-16|gb18030\n"
        "                      讀入的編碼\n"
        "      --to=ENC        寫出的編碼：same、big5、utf-8\n"
        "\n"
        "結束狀態：0 成功。\n");
    testutil::writeFile(dir, QStringLiteral("help.txt"), help.toUtf8());
    const QString fakeProgram = testutil::writeFile(dir, QStringLiteral("fake-help"),
                                                    "#!/bin/sh\ncat \"$(dirname \"$0\")/help.txt\"\n");
    QFile::setPermissions(fakeProgram, QFile::ReadOwner | QFile::ExeOwner);
    testutil::writeFile(dir, QStringLiteral("page.1.in"), ".TH T 1\n.SH SYNOPSIS\n@SYNOPSIS@\n.SH OPTIONS\n@OPTIONS@\n");

    const testutil::ToolResult r = runTool(QStringLiteral(SUBBIG5_CMAKE),
        {QStringLiteral("-DHELP_FROM=") + fakeProgram, QStringLiteral("-DTEMPLATE=") + dir.filePath(QStringLiteral("page.1.in")),
         QStringLiteral("-DOUTPUT=") + dir.filePath(QStringLiteral("page.1")), QStringLiteral("-DVERSION=0"),
         QStringLiteral("-DDATE=0"), QStringLiteral("-P"), QStringLiteral(SUBBIG5_RENDER_MAN)});
    ASSERT_TRUE(r.finished && r.exitCode == 0) << r.err.constData();
    const QString roff = QString::fromUtf8(testutil::readFile(dir.filePath(QStringLiteral("page.1"))));

    EXPECT_EQ(manOptions(roff), helpOptions(help));
    EXPECT_TRUE(roff.contains(QStringLiteral("\\fB\\-\\-from\\fR \\fIauto|big5|utf\\-8|utf\\-16|gb18030\\fR\n")))
        << roff.toStdString();
    EXPECT_TRUE(roff.contains(QStringLiteral("\\fB\\-\\-to\\fR=\\fIENC\\fR\n")));
    EXPECT_TRUE(roff.contains(testutil::u8(".SS 編碼\n"))) << "a heading stays a heading";
    EXPECT_TRUE(roff.contains(testutil::u8("gb18030\\fR\n讀入的編碼\n"))) << "the second line belongs to --from";
    EXPECT_TRUE(roff.contains(testutil::u8("詞彙轉換 一步取代\n\\-g 第二行\n")))
        << "a second line that starts with a dash still belongs to -p";
    EXPECT_FALSE(roff.contains(testutil::u8("結束狀態"))) << "the lines after the options are the template's";
    EXPECT_TRUE(roff.contains(testutil::u8("\\fBsubbig5\\-convert\\fR [步驟...] [檔案...]")));
}

} // namespace
