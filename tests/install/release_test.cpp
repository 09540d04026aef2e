// SPDX-License-Identifier: GPL-3.0-or-later
// What a release names: both programs' --version and the editor's --help, the release notes
// and the package's changelog agreeing with the CMake project version, and the licence file.
#include "tests/install/run_tool.h"
#include "tests/support/test_util.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testutil::runTool;
using testutil::u8;

// No display of any kind: --help and --version must not need one.
const QList<QPair<QString, QString>> kNoDisplay = {
    {QStringLiteral("DISPLAY"), QString()},
    {QStringLiteral("WAYLAND_DISPLAY"), QString()},
    {QStringLiteral("QT_QPA_PLATFORM"), QString()},
};

QString sourceFile(const char* relative)
{
    return QString::fromUtf8(testutil::readFile(QStringLiteral(SUBBIG5_SOURCE_DIR "/") + QString::fromUtf8(relative)));
}

TEST(Version, VersionAndHelpNeedNoDisplay)
{
    const struct { const char* program; QString word; QByteArray starts; } rows[] = {
        {SUBBIG5_EDITOR, QStringLiteral("--version"), "subbig5 " SUBBIG5_VERSION "\n"},
        {SUBBIG5_CONVERT, QStringLiteral("--version"), "subbig5-convert " SUBBIG5_VERSION "\n"},
        {SUBBIG5_EDITOR, QStringLiteral("--help"), u8("用法：subbig5 [檔案]\n").toUtf8()},
        {SUBBIG5_EDITOR, QStringLiteral("-h"), u8("用法：subbig5 [檔案]\n").toUtf8()},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.word.toStdString());
        const testutil::ToolResult out = runTool(QString::fromUtf8(r.program), {r.word}, kNoDisplay);
        ASSERT_TRUE(out.finished) << "it must end at once, without a window";
        EXPECT_EQ(out.exitCode, 0) << out.err.constData();
        EXPECT_TRUE(out.err.isEmpty()) << out.err.constData();
        if (r.word == u"--version")
            EXPECT_EQ(out.out, r.starts);
        else
            EXPECT_TRUE(out.out.startsWith(r.starts) && out.out.contains("--version")) << out.out.constData();
    }
}

TEST(Version, AFileOfThatNameIsStillAPath)
{
    // The command line is a path: with a file called "--help" or "--version" beside it, the
    // editor goes to open it (here it finds no display and says so).
    QTemporaryDir dir;
    for (const QString& word : {QStringLiteral("--help"), QStringLiteral("--version")}) {
        testutil::writeFile(dir, word, "x");
        const testutil::ToolResult r = runTool(QStringLiteral(SUBBIG5_EDITOR), {word}, kNoDisplay, dir.path());
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_TRUE(r.err.contains("no display")) << r.err.constData();
    }
    // More than one word is a path with spaces, never an option.
    const testutil::ToolResult two = runTool(QStringLiteral(SUBBIG5_EDITOR), {QStringLiteral("--help"), QStringLiteral("x")},
                                             kNoDisplay, dir.path());
    EXPECT_EQ(two.exitCode, 1);
    EXPECT_TRUE(two.out.isEmpty());
}

TEST(ReleaseNotes, NewsAndTheChangelogNameThisVersion)
{
    // NEWS.md's newest section and the Debian changelog's newest entry are this release.
    static const QRegularExpression firstSection(QStringLiteral(R"(^## (\S+) \((\d{4}-\d{2}-\d{2})\)$)"),
                                                 QRegularExpression::MultilineOption);
    const QRegularExpressionMatch news = firstSection.match(sourceFile("NEWS.md"));
    ASSERT_TRUE(news.hasMatch());
    EXPECT_EQ(news.captured(1), QStringLiteral(SUBBIG5_VERSION));
    EXPECT_EQ(news.captured(2), QStringLiteral(SUBBIG5_RELEASE_DATE));

    const QString changelog = sourceFile("packaging/debian/changelog.in");
    EXPECT_TRUE(changelog.startsWith(QStringLiteral("subbig5 (" SUBBIG5_VERSION "-"))) << changelog.left(80).toStdString();
    EXPECT_TRUE(changelog.contains(QStringLiteral("\n -- @SUBBIG5_PACKAGE_MAINTAINER@  @SUBBIG5_CHANGELOG_DATE@\n")))
        << "the newest entry is signed by whoever builds the package, on the release date";
}

// The paragraphs of a DEP-5 file: each a map of field name to value (continuation lines kept).
QList<QMap<QString, QString>> paragraphs(const QString& text)
{
    QList<QMap<QString, QString>> result;
    QMap<QString, QString> current;
    QString field;
    for (const QString& line : text.split(u'\n')) {
        if (line.trimmed().isEmpty()) {
            if (!current.isEmpty())
                result << current;
            current.clear();
            continue;
        }
        if (line.front().isSpace()) {
            current[field] += u'\n' + line.trimmed();
            continue;
        }
        const qsizetype colon = line.indexOf(u':');
        field = line.left(colon);
        current[field] = line.mid(colon + 1).trimmed();
    }
    if (!current.isEmpty())
        result << current;
    return result;
}

TEST(Copyright, NamesEveryLicenceOfTheProjectAndItsData)
{
    const QString text = sourceFile("packaging/debian/copyright");
    EXPECT_TRUE(text.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    const QList<QMap<QString, QString>> all = paragraphs(text);
    ASSERT_GT(all.size(), 2);

    QSet<QString> used, defined;
    static const QRegularExpression licenceName(QStringLiteral(R"([A-Za-z0-9.+-]+)"));
    for (qsizetype i = 1; i < all.size(); ++i) {
        const QMap<QString, QString>& p = all[i];
        const QString licence = p.value(QStringLiteral("License"));
        ASSERT_FALSE(licence.isEmpty()) << "paragraph " << i;
        const QString shortName = licence.section(u'\n', 0, 0);
        if (!p.contains(QStringLiteral("Files"))) {
            defined.insert(shortName);
            EXPECT_TRUE(licence.contains(u'\n')) << shortName.toStdString() << " has its text";
            continue;
        }
        EXPECT_FALSE(p.value(QStringLiteral("Copyright")).isEmpty());
        for (const QRegularExpressionMatch& m : licenceName.globalMatch(shortName)) {
            if (m.captured() != u"and" && m.captured() != u"or")
                used.insert(m.captured());
        }
        // Every file a paragraph names is in the source tree, so the file stays true as files move.
        for (const QString& pattern : p.value(QStringLiteral("Files")).split(QRegularExpression(QStringLiteral(R"(\s+)")))) {
            if (pattern == u"*")
                continue;
            EXPECT_TRUE(QFileInfo::exists(QStringLiteral(SUBBIG5_SOURCE_DIR "/") + pattern)) << pattern.toStdString();
        }
    }
    EXPECT_EQ(used, defined);
    // The project; OpenCC's dictionaries; ICU's tables and Unicode's BIG5 mapping; the corpus.
    for (const char* name : {"GPL-3.0-or-later", "Apache-2.0", "Unicode-DFS-2016", "CC0-1.0", "CC-BY-4.0", "CC-BY-SA-4.0"})
        EXPECT_TRUE(used.contains(QString::fromLatin1(name))) << name;
    EXPECT_EQ(all[1].value(QStringLiteral("Files")), QStringLiteral("*"));
    EXPECT_EQ(all[1].value(QStringLiteral("License")), QStringLiteral("GPL-3.0-or-later"));

    // Every corpus file is covered by a paragraph of its own.
    const QString corpus = QStringLiteral(SUBBIG5_SOURCE_DIR "/corpus/");
    for (const QString& half : {QStringLiteral("dev"), QStringLiteral("check")}) {
        for (const QString& file : QDir(corpus + half).entryList({QStringLiteral("*.txt")}, QDir::Files))
            EXPECT_TRUE(text.contains(QStringLiteral("corpus/") + half + u'/' + file)) << file.toStdString();
    }
}

} // namespace
