// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file is written only when it is a small regular file of the user's own,
// never through a link, and in the INI form QSettings reads.
#include "find/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::vector<SettingsEntry> kPosition = {{"Left", "1200"}, {"Top", "900"}};

class SettingsStoreTest : public ::testing::Test {
protected:
    QString folder() const { return base.filePath("SubBig5"); }
    QString file() const { return base.filePath("SubBig5/SubBig5.ini"); }
    SettingsStore store() const { return SettingsStore(base.path(), "SubBig5", "SubBig5.ini"); }
    QByteArray read(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    void writeFile(const QString& path, const QByteArray& bytes) const
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList folderEntries() const { return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); }

    QTemporaryDir base, elsewhere;
};

} // namespace

TEST_F(SettingsStoreTest, ANewFileHoldsTheEntriesAsQSettingsWritesThem)
{
    ASSERT_TRUE(store().write("Find", kPosition));
    EXPECT_EQ(read(file()), QByteArray("[Find]\nLeft=1200\nTop=900\n"));
    QSettings settings(file(), QSettings::IniFormat);
    EXPECT_EQ(settings.value("Find/Top").toString(), QStringLiteral("900"));
    EXPECT_EQ(QFileInfo(file()).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);
    EXPECT_EQ(folderEntries(), QStringList{"SubBig5.ini"}) << "no temporary file is left";

    // Written again: the values change in place and nothing else moves.
    ASSERT_TRUE(store().write("Find", {{"Left", "15"}, {"Top", "30"}}));
    EXPECT_EQ(read(file()), QByteArray("[Find]\nLeft=15\nTop=30\n"));
}

TEST_F(SettingsStoreTest, NeverWritesThroughALinkOrIntoAnythingButARegularFileOfItsOwn)
{
    const QString target = elsewhere.filePath("precious");
    writeFile(target, "not settings");
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_TRUE(QFile::link(target, file()));
    EXPECT_FALSE(store().write("Find", kPosition));
    EXPECT_EQ(read(target), QByteArray("not settings"));
    EXPECT_TRUE(QFileInfo(file()).isSymLink());

    // A dangling link would otherwise create its target.
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(QFile::link(elsewhere.filePath("created"), file()));
    EXPECT_FALSE(store().write("Find", kPosition));
    EXPECT_FALSE(QFile::exists(elsewhere.filePath("created")));

    // The program's folder as a link to another folder.
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(QDir(folder()).removeRecursively());
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder()));
    EXPECT_FALSE(store().write("Find", kPosition));
    EXPECT_FALSE(QFile::exists(elsewhere.filePath("SubBig5.ini")));

    // A FIFO under the name: refused at once rather than waiting for a writer.
    ASSERT_TRUE(QFile::remove(folder()));
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(file()).constData(), 0600), 0);
    EXPECT_FALSE(store().write("Find", kPosition));
    EXPECT_FALSE(QFileInfo(file()).isFile());

    // Another user's file (only root can make one to test with).
    if (::geteuid() == 0) {
        ASSERT_TRUE(QFile::remove(file()));
        writeFile(file(), "[Find]\nTop=1\n");
        ASSERT_EQ(::chown(QFile::encodeName(file()).constData(), 4242, 4242), 0);
        EXPECT_FALSE(store().write("Find", kPosition));
        EXPECT_EQ(read(file()), QByteArray("[Find]\nTop=1\n"));

        // Root with a user's HOME (sudo -E): nothing is created in the user's folders.
        const QString userConfig = elsewhere.filePath("user/.config");
        ASSERT_TRUE(QDir().mkpath(userConfig));
        ASSERT_EQ(::chown(QFile::encodeName(elsewhere.filePath("user")).constData(), 4242, 4242), 0);
        ASSERT_EQ(::chown(QFile::encodeName(userConfig).constData(), 4242, 4242), 0);
        EXPECT_FALSE(SettingsStore(userConfig, "SubBig5", "SubBig5.ini").write("Find", kPosition));
        EXPECT_FALSE(QFileInfo::exists(userConfig + "/SubBig5"));
    }
}

TEST_F(SettingsStoreTest, AHugeFileIsSkippedUnread)
{
    ASSERT_TRUE(QDir().mkpath(folder()));
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(300) << 20));   // sparse: costs no disk
    }
    EXPECT_FALSE(store().write("Find", kPosition));
    EXPECT_EQ(QFileInfo(file()).size(), qint64(300) << 20);
}

TEST(SettingsFolder, ComesFromXdgConfigHomeOrHomeButNeverTheRoot)
{
    EXPECT_EQ(SettingsStore::userConfigFolder("/cfg/x/", "/home/u"), "/cfg/x");
    EXPECT_EQ(SettingsStore::userConfigFolder("relative", "/home/u"), "/home/u/.config");
    EXPECT_EQ(SettingsStore::userConfigFolder("", "/home/u/"), "/home/u/.config");
    for (const char* home : {"", "/", "//", "/..", "relative"})
        EXPECT_EQ(SettingsStore::userConfigFolder("", home), QString()) << home;

    // With no folder the store writes nothing, anywhere.
    EXPECT_FALSE(SettingsStore(QString(), "SubBig5", "SubBig5.ini").write("Find", kPosition));
}

TEST(SettingsMerge, ReplacesOnlyTheGivenKeysOfTheSection)
{
    const QByteArray before = "; kept\n[Other]\nTop=7\n\n[Find]\nTop=1\nColour=red\n\n[Last]\nx=1\n";
    EXPECT_EQ(mergeIniEntries(before, "Find", kPosition),
              QByteArray("; kept\n[Other]\nTop=7\n\n[Find]\nTop=900\nColour=red\nLeft=1200\n\n[Last]\nx=1\n"));
    // A missing section goes at the end; CR LF files stay CR LF.
    EXPECT_EQ(mergeIniEntries("[Other]\r\nx=1", "Find", kPosition),
              QByteArray("[Other]\r\nx=1\r\n\r\n[Find]\r\nLeft=1200\r\nTop=900\r\n"));
}
