// SPDX-License-Identifier: GPL-3.0-or-later
// `cmake --install` into a temporary DESTDIR, as the package build does, and what a Linux
// desktop then finds: the programs, the menu entry and its file types, icons, man pages.
#include "tests/install/run_tool.h"
#include "tests/support/test_util.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using testutil::haveTool;
using testutil::runTool;
using testutil::u8;

const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
const QStringList kSubtitleTypes = {QStringLiteral("application/x-subrip"), QStringLiteral("text/x-ssa")};

QStringList expectedFiles()
{
    QStringList files = {
        QStringLiteral("usr/bin/subbig5"),
        QStringLiteral("usr/bin/subbig5-convert"),
        QStringLiteral("usr/share/applications/subbig5.desktop"),
        QStringLiteral("usr/share/icons/hicolor/scalable/apps/subbig5.svg"),
        QStringLiteral("usr/share/man/man1/subbig5-convert.1.gz"),
        QStringLiteral("usr/share/man/man1/subbig5.1.gz"),
        QStringLiteral("usr/share/metainfo/" SUBBIG5_APPSTREAM_ID ".metainfo.xml"),
        QStringLiteral("usr/share/mime/packages/subbig5.xml"),
        QStringLiteral("usr/share/doc/subbig5/copyright"),
        QStringLiteral("usr/share/doc/subbig5/changelog.gz"),
    };
    for (int size : kIconSizes)
        files << QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/subbig5.png").arg(size);
    std::sort(files.begin(), files.end());
    return files;
}

// "Key=value" lines of the [Desktop Entry] group.
QMap<QString, QString> desktopEntry(const QString& path)
{
    QMap<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(testutil::readFile(path)).split(u'\n')) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !line.startsWith(u'#'))
            keys.insert(line.first(eq), line.mid(eq + 1));
    }
    return keys;
}

// Each glob of a shared-mime-info package file, with the type it names.
QMap<QString, QString> mimeGlobs(const QString& path)
{
    QMap<QString, QString> globs;
    QXmlStreamReader xml(testutil::readFile(path));
    QString type;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"mime-type")
            type = xml.attributes().value(QStringLiteral("type")).toString();
        else if (xml.name() == u"glob")
            globs.insert(xml.attributes().value(QStringLiteral("pattern")).toString(), type);
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return globs;
}

QByteArray gunzip(const QString& path)
{
    const testutil::ToolResult r = runTool(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    EXPECT_TRUE(r.finished && r.exitCode == 0) << path.toStdString() << ": " << r.err.constData();
    return r.out;
}

class InstalledTree : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = std::make_unique<QTemporaryDir>();
        const testutil::ToolResult r = runTool(QStringLiteral(SUBBIG5_CMAKE),
            {QStringLiteral("--install"), QStringLiteral(SUBBIG5_BUILD_DIR), QStringLiteral("--prefix"), QStringLiteral("/usr")},
            {{QStringLiteral("DESTDIR"), root->path()}});
        installFailure = r.finished && r.exitCode == 0 ? QString() : QString::fromUtf8(r.out + r.err);
    }
    static void TearDownTestSuite() { root.reset(); }

    void SetUp() override { ASSERT_TRUE(installFailure.isEmpty()) << installFailure.toStdString(); }

    static QString path(const QString& relative) { return root->path() + u'/' + relative; }

    static QStringList installedFiles()
    {
        QStringList files;
        QDirIterator it(root->path(), QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(root->path()).relativeFilePath(it.next());
        std::sort(files.begin(), files.end());
        return files;
    }

    static inline std::unique_ptr<QTemporaryDir> root;
    static inline QString installFailure;
};

TEST_F(InstalledTree, HoldsTheProgramsAndTheirDesktopFilesOnly)
{
    // The development demo, the table generator and the benchmark stay out.
    const QStringList files = installedFiles();
    const QStringList expected = expectedFiles();
    QStringList extra, missing;
    for (const QString& f : files)
        if (!expected.contains(f))
            extra << f;
    for (const QString& f : expected)
        if (!files.contains(f))
            missing << f;
    EXPECT_TRUE(extra.isEmpty() && missing.isEmpty())
        << "not expected: " << extra.join(u' ').toStdString() << "\nmissing: " << missing.join(u' ').toStdString();
    for (const QString& program : {QStringLiteral("usr/bin/subbig5"), QStringLiteral("usr/bin/subbig5-convert")})
        EXPECT_TRUE(QFileInfo(path(program)).isExecutable()) << program.toStdString();
}

TEST_F(InstalledTree, ConverterWorksWithoutTheBuildTree)
{
    // What the installed program needs at run time (the tables) must travel inside it.
    const QString sample = QStringLiteral(SUBBIG5_SOURCE_DIR "/samples/gb2312-subtitle.srt");
    const QStringList args = {QStringLiteral("-g"), QStringLiteral("-w"), QStringLiteral("--utf8"), sample};
    const testutil::ToolResult installed = runTool(path(QStringLiteral("usr/bin/subbig5-convert")), args);
    const testutil::ToolResult built = runTool(QStringLiteral(SUBBIG5_CONVERT), args);
    ASSERT_TRUE(installed.finished && installed.exitCode == 0) << installed.err.constData();
    EXPECT_EQ(installed.out, built.out);
    EXPECT_TRUE(QString::fromUtf8(installed.out).contains(u8("乾杯")));
}

TEST_F(InstalledTree, IconsAreRenderedAtTheirThemeSizes)
{
    for (int size : kIconSizes) {
        const QImage icon(path(QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/subbig5.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
        EXPECT_TRUE(icon.hasAlphaChannel()) << "rounded corners need a transparent background";
    }
}

TEST_F(InstalledTree, DesktopEntryOpensSubtitlesInTheEditor)
{
    const QMap<QString, QString> entry = desktopEntry(path(QStringLiteral("usr/share/applications/subbig5.desktop")));
    // A file manager's "Open with" passes one local path, which the editor reads as its file.
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("subbig5 %f"));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("usr/bin/") + entry.value(QStringLiteral("TryExec")))));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("usr/share/icons/hicolor/scalable/apps/%1.svg")
                                           .arg(entry.value(QStringLiteral("Icon"))))));
    EXPECT_FALSE(entry.value(QStringLiteral("Name[zh_TW]")).isEmpty());

    const QStringList types = entry.value(QStringLiteral("MimeType")).split(u';', Qt::SkipEmptyParts);
    EXPECT_TRUE(types.contains(QStringLiteral("text/plain")));
    // Every subtitle type claimed is one the installed shared-mime-info package can recognise.
    const QMap<QString, QString> globs = mimeGlobs(path(QStringLiteral("usr/share/mime/packages/subbig5.xml")));
    EXPECT_EQ(globs.value(QStringLiteral("*.srt")), QStringLiteral("application/x-subrip"));
    EXPECT_EQ(globs.value(QStringLiteral("*.ass")), QStringLiteral("text/x-ssa"));
    EXPECT_EQ(globs.value(QStringLiteral("*.ssa")), QStringLiteral("text/x-ssa"));
    for (const QString& type : kSubtitleTypes) {
        EXPECT_TRUE(types.contains(type)) << type.toStdString();
        EXPECT_TRUE(globs.values().contains(type)) << type.toStdString();
    }
}

TEST_F(InstalledTree, MimePackageBuildsIntoADatabase)
{
    if (!haveTool(QStringLiteral("update-mime-database")))
        GTEST_SKIP() << "update-mime-database (shared-mime-info) is not installed";
    QTemporaryDir data;
    const QString mime = data.filePath(QStringLiteral("mime"));
    QDir().mkpath(mime + QStringLiteral("/packages"));
    QFile::copy(path(QStringLiteral("usr/share/mime/packages/subbig5.xml")), mime + QStringLiteral("/packages/subbig5.xml"));
    // With the folder on the data path, anything it prints is about the package file.
    const testutil::ToolResult r = runTool(QStringLiteral("update-mime-database"), {mime},
                                           {{QStringLiteral("XDG_DATA_DIRS"), data.path()}});
    ASSERT_TRUE(r.finished && r.exitCode == 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
    const QString globs = QString::fromUtf8(testutil::readFile(mime + QStringLiteral("/globs")));
    EXPECT_TRUE(globs.contains(QStringLiteral("application/x-subrip:*.srt")));
    EXPECT_TRUE(globs.contains(QStringLiteral("text/x-ssa:*.ass")));
}

TEST_F(InstalledTree, DesktopEntryPassesDesktopFileValidate)
{
    if (!haveTool(QStringLiteral("desktop-file-validate")))
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils; scripts/deps.sh --tools) is not installed";
    const testutil::ToolResult r = runTool(QStringLiteral("desktop-file-validate"),
                                           {path(QStringLiteral("usr/share/applications/subbig5.desktop"))});
    EXPECT_TRUE(r.finished && r.exitCode == 0 && r.out.isEmpty()) << r.out.constData() << r.err.constData();
}

TEST_F(InstalledTree, MetainfoPassesAppstreamcli)
{
    if (!haveTool(QStringLiteral("appstreamcli")))
        GTEST_SKIP() << "appstreamcli (appstream; scripts/deps.sh --tools) is not installed";
    const QString metainfo = path(QStringLiteral("usr/share/metainfo/" SUBBIG5_APPSTREAM_ID ".metainfo.xml"));
    const testutil::ToolResult r = runTool(QStringLiteral("appstreamcli"),
                                           {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    EXPECT_TRUE(r.finished && r.exitCode == 0) << r.out.constData() << r.err.constData();
    // The software centre starts the program through the desktop file the record names, and
    // finds the record by the id its file is named after.
    const QByteArray record = testutil::readFile(metainfo);
    EXPECT_TRUE(record.contains("<launchable type=\"desktop-id\">subbig5.desktop</launchable>"));
    EXPECT_TRUE(record.contains("<id>" SUBBIG5_APPSTREAM_ID "</id>"));
}

TEST_F(InstalledTree, ManPagesRenderWithoutWarnings)
{
    for (const QString& page : {QStringLiteral("subbig5"), QStringLiteral("subbig5-convert")}) {
        const QString file = path(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(page));
        const QByteArray roff = gunzip(file);
        EXPECT_TRUE(roff.startsWith(".TH ") || roff.contains("\n.TH ")) << page.toStdString();
        if (!haveTool(QStringLiteral("man")))
            continue;   // the roff itself is checked above
        const testutil::ToolResult r = runTool(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-l"), file},
            {{QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")}, {QStringLiteral("MANWIDTH"), QStringLiteral("80")}});
        EXPECT_TRUE(r.finished && r.exitCode == 0) << r.err.constData();
        EXPECT_TRUE(r.err.isEmpty()) << page.toStdString() << ": " << r.err.constData();
        EXPECT_TRUE(QString::fromUtf8(r.out).contains(u8("NAME\n       %1 - ").arg(page))) << r.out.constData();
    }
}

TEST_F(InstalledTree, NothingNamesTheBuildMachineOrAPlaceholderAddress)
{
    // The data files a user's machine reads must not point back at the machine the package was
    // built on. The project has no address of its own yet: where it would go, nothing is shown,
    // rather than an address that reaches no one; the programs are read too (the About box).
    const QByteArray build(SUBBIG5_BUILD_DIR);
    const QByteArray source(SUBBIG5_SOURCE_DIR);
    for (const QString& file : installedFiles()) {
        if (file.endsWith(u".png"))
            continue;
        const QByteArray bytes = file.endsWith(u".gz") ? gunzip(path(file)) : testutil::readFile(path(file));
        EXPECT_FALSE(bytes.isEmpty()) << file.toStdString();
        if (!file.startsWith(u"usr/bin/"))
            EXPECT_FALSE(bytes.contains(build) || bytes.contains(source)) << file.toStdString();
        for (const char* placeholder : {"example.org", "example.com", "org.example"})
            EXPECT_FALSE(bytes.contains(placeholder)) << file.toStdString() << " names " << placeholder;
    }
}

} // namespace
