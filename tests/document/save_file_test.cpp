// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/save_file.h"
#include "tests/support/test_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testutil::readFile;
using testutil::u8;
using testutil::writeFile;

namespace {

struct stat statOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden);
}

// A small file system of its own, so a test can fill it; skipped where mounting is not allowed.
class TinyDisk {
public:
    explicit TinyDisk(const QString& dir, const char* size) : dir_(dir)
    {
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0,
                           (QByteArray("size=") + size).constData()) == 0;
    }
    ~TinyDisk()
    {
        if (mounted_)
            ::umount(QFile::encodeName(dir_).constData());
    }
    bool mounted() const { return mounted_; }

private:
    QString dir_;
    bool mounted_ = false;
};

TEST(SaveFile, KeepsTheExactModeAndWritesThroughSymlinks)
{
    QTemporaryDir dir;
    for (mode_t mode : {0444, 0400, 0640, 0604, 0666, 02644, 04755}) {
        const QString path = writeFile(dir, QString::number(mode, 8), "old");
        ::chmod(QFile::encodeName(path).constData(), mode);
        if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
            continue;   // only root may write a read-only file; the mode is its business
        ASSERT_TRUE(document::writeFileBytes(path, "new").ok);
        EXPECT_EQ(statOf(path).st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(readFile(path), QByteArray("new"));
    }
    const QString target = writeFile(dir, "target.txt", "old");
    const QString link = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(document::writeFileBytes(link, "new\r\n").ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(target), QByteArray("new\r\n"));
    const QString dangling = dir.filePath("dangling.txt");
    ASSERT_TRUE(QFile::link(dir.filePath("created.txt"), dangling));
    ASSERT_TRUE(document::writeFileBytes(dangling, "made").ok);
    EXPECT_EQ(readFile(dir.filePath("created.txt")), QByteArray("made"));
}

TEST(SaveFile, KeepsOwnerGroupAndHardLinks)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "shared.txt", "old");
    const QString other = dir.filePath("other-name.txt");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
    ASSERT_TRUE(document::writeFileBytes(path, "new").ok);
    EXPECT_EQ(readFile(other), QByteArray("new")) << "both names still name one file";
    EXPECT_EQ(statOf(path).st_ino, statOf(other).st_ino);
    EXPECT_EQ(statOf(path).st_nlink, 2u);
    EXPECT_EQ(filesIn(dir.path()).size(), 2) << "no copy left behind";

    if (geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    const QString theirs = writeFile(dir, "theirs.txt", "old");
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 4242, 4343), 0);
    ASSERT_TRUE(document::writeFileBytes(theirs, "new").ok);
    EXPECT_EQ(statOf(theirs).st_uid, 4242u);
    EXPECT_EQ(statOf(theirs).st_gid, 4343u);
    EXPECT_EQ(readFile(theirs), QByteArray("new"));
}

TEST(SaveFile, AGroupMemberSavingAnotherUsersFileLeavesItTheirs)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as two users";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    const QString path = writeFile(dir, "team.txt", "old");
    ::chown(QFile::encodeName(path).constData(), 4242, 4343);
    ::chmod(QFile::encodeName(path).constData(), 0664);
    const pid_t child = fork();
    if (child == 0) {
        // A member of group 4343, but not the owner.
        const gid_t groups[] = {4343};
        const bool became = setgroups(1, groups) == 0 && setgid(4343) == 0 && setuid(4444) == 0;
        _exit(became && document::writeFileBytes(path, "new").ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readFile(path), QByteArray("new"));
    EXPECT_EQ(statOf(path).st_uid, 4242u) << "the owner can still write the file";
    EXPECT_EQ(statOf(path).st_gid, 4343u);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0664u);
    EXPECT_EQ(filesIn(dir.path()), QStringList{"team.txt"});

    // The owner, outside the file's group: a replacement would take the owner's own group.
    const QString mine = writeFile(dir, "mine.txt", "old");
    ::chown(QFile::encodeName(mine).constData(), 4444, 4343);
    ::chmod(QFile::encodeName(mine).constData(), 0664);
    const pid_t owner = fork();
    if (owner == 0) {
        const gid_t groups[] = {4545};
        const bool became = setgroups(1, groups) == 0 && setgid(4545) == 0 && setuid(4444) == 0;
        _exit(became && document::writeFileBytes(mine, "new").ok ? 0 : 1);
    }
    waitpid(owner, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readFile(mine), QByteArray("new"));
    EXPECT_EQ(statOf(mine).st_gid, 4343u) << "the file keeps its group";
}

TEST(SaveFile, AFailedWriteLeavesTheOldFileAndSaysWhy)
{
    QTemporaryDir dir;
    const QByteArray old(500, 'o');
    const QString path = writeFile(dir, "keep.txt", old);

    // Run out of room half-way: a file size limit fails the write even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const auto r = document::writeFileBytes(path, QByteArray(100000, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, u8("檔案超過系統允許的大小"));
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(filesIn(dir.path()).size(), 1) << "no temporary file left behind";

    EXPECT_EQ(document::writeFileBytes(dir.filePath("missing/sub.txt"), "x").reason, u8("檔案不存在"));
    EXPECT_EQ(document::writeFileBytes(dir.path(), "x").reason, u8("這是資料夾，不是檔案"));
    EXPECT_EQ(document::writeFileBytes("/dev/null", "x").reason, u8("這不是一般檔案"));
}

TEST(SaveFile, AFullDiskIsNamedAndLosesNothing)
{
    QTemporaryDir dir;
    TinyDisk disk(dir.path(), "100k");
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small file system here";
    const QString path = writeFile(dir, "sub.txt", QByteArray(40000, 'o'));
    const auto r = document::writeFileBytes(path, QByteArray(600000, 'x'));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, u8("磁碟已滿"));
    EXPECT_EQ(readFile(path), QByteArray(40000, 'o'));
    EXPECT_EQ(filesIn(dir.path()).size(), 1);

    // Rewritten in place (the file has a second name) and the disk fills up during the
    // rewrite: the old content is kept in a copy the message names.
    const QString shared = writeFile(dir, "shared.txt", QByteArray(10000, 'a'));
    ::unlink(QFile::encodeName(path).constData());
    ::link(QFile::encodeName(shared).constData(), QFile::encodeName(dir.filePath("second.txt")).constData());
    const auto rewritten = document::writeFileBytes(shared, QByteArray(55000, 'b'));
    ASSERT_FALSE(rewritten.ok);
    EXPECT_TRUE(rewritten.reason.startsWith(u8("磁碟已滿"))) << rewritten.reason.toStdString();
    const qsizetype at = rewritten.reason.indexOf(u8("原本的內容保存在 "));
    ASSERT_GE(at, 0) << rewritten.reason.toStdString();
    const QString copy = rewritten.reason.mid(at + u8("原本的內容保存在 ").size());
    EXPECT_EQ(readFile(copy), QByteArray(10000, 'a'));
}

} // namespace
