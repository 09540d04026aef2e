// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/file_errors.h"
#include "document/save_file.h"
#include "tests/support/test_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <grp.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <thread>

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

// Saves "new" to `path` in a child process running as `uid` in group `gid` alone.
bool savedAs(uid_t uid, gid_t gid, const QString& path)
{
    const pid_t child = fork();
    if (child == 0) {
        const gid_t groups[] = {gid};
        const bool became = setgroups(1, groups) == 0 && setgid(gid) == 0 && setuid(uid) == 0;
        _exit(became && document::writeFileBytes(path, "new").ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

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

    // Extended attributes and an ACL (user 4242 may read) stay with the file.
    const QByteArray tagged = QFile::encodeName(writeFile(dir, "tagged.txt", "old"));
    const char acl[] = {2, 0, 0, 0,                       // version
                        1, 0, 6, 0, -1, -1, -1, -1,       // owner rw
                        2, 0, 4, 0, char(0x92), 0x10, 0, 0,   // user 4242 r
                        4, 0, 4, 0, -1, -1, -1, -1,       // group r
                        0x10, 0, 4, 0, -1, -1, -1, -1,    // mask r
                        0x20, 0, 0, 0, -1, -1, -1, -1};   // others nothing
    if (::setxattr(tagged.constData(), "user.test", "kept", 4, 0) != 0
        || ::setxattr(tagged.constData(), "system.posix_acl_access", acl, sizeof acl, 0) != 0)
        GTEST_SKIP() << "no extended attributes on this file system";
    ASSERT_TRUE(document::writeFileBytes(QFile::decodeName(tagged), "new").ok);
    char value[64] = {};
    EXPECT_EQ(::getxattr(tagged.constData(), "user.test", value, sizeof value), 4);
    EXPECT_EQ(QByteArray(value, 4), QByteArray("kept"));
    EXPECT_EQ(::getxattr(tagged.constData(), "system.posix_acl_access", value, sizeof value), ssize_t(sizeof acl));
    EXPECT_EQ(QByteArray(value, sizeof acl), QByteArray(acl, sizeof acl));
}

TEST(SaveFile, FollowsALinkInAPublicFolderOnlyAsTheKernelWould)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to own a link as another user";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 01777);
    const QString mine = writeFile(dir, "report.srt", "mine");
    const QString theirs = dir.filePath("theirs.srt");
    const QString own = dir.filePath("own.srt");
    ASSERT_TRUE(QFile::link(mine, theirs) && QFile::link(mine, own));
    ASSERT_EQ(::lchown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
    const auto refused = document::writeFileBytes(theirs, "overwritten");
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.reason.contains(u8("符號連結"))) << refused.reason.toStdString();
    EXPECT_EQ(readFile(mine), QByteArray("mine"));
    EXPECT_TRUE(document::writeFileBytes(own, "new").ok) << "a link of one's own is followed";
    EXPECT_EQ(readFile(mine), QByteArray("new"));
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

    // A second saver of the same file waits for the first one's lock rather than mixing bytes.
    const int holder = ::open(QFile::encodeName(other).constData(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    std::thread second([&] { EXPECT_TRUE(document::writeFileBytes(path, "second").ok); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(readFile(path), QByteArray("new")) << "written while another held the file";
    ::flock(holder, LOCK_UN);
    ::close(holder);
    second.join();
    EXPECT_EQ(readFile(path), QByteArray("second"));

    // A name of 80 CJK characters: the temporary names still fit the 255-byte limit.
    QString longName;
    for (int i = 0; i < 80; ++i)
        longName += QChar(0x5B57);
    longName += QStringLiteral(".srt");
    const QString longPath = writeFile(dir, longName, "old");
    EXPECT_TRUE(document::writeFileBytes(longPath, "atomic").ok);
    ASSERT_EQ(::link(QFile::encodeName(longPath).constData(), QFile::encodeName(dir.filePath("l2")).constData()), 0);
    const auto inPlace = document::writeFileBytes(longPath, "in place");
    EXPECT_TRUE(inPlace.ok) << inPlace.reason.toStdString();
    EXPECT_EQ(readFile(dir.filePath("l2")), QByteArray("in place"));

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
    ASSERT_TRUE(savedAs(4444, 4343, path)) << "a member of group 4343, but not the owner";
    EXPECT_EQ(readFile(path), QByteArray("new"));
    EXPECT_EQ(statOf(path).st_uid, 4242u) << "the owner can still write the file";
    EXPECT_EQ(statOf(path).st_gid, 4343u);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0664u);
    EXPECT_EQ(filesIn(dir.path()), QStringList{"team.txt"});

    // The owner, outside the file's group: a replacement would take the owner's own group.
    const QString mine = writeFile(dir, "mine.txt", "old");
    ::chown(QFile::encodeName(mine).constData(), 4444, 4343);
    ::chmod(QFile::encodeName(mine).constData(), 0664);
    ASSERT_TRUE(savedAs(4444, 4545, mine));
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
    // Every reason a user can bring about starts in Chinese; the system's own text may follow.
    for (int error : {ENXIO, EAGAIN, EISDIR, EINVAL, ENODEV, EEXIST, ENOTSUP, EPROTO})
        EXPECT_GE(document::systemReason(error).front().unicode(), 0x2E80) << error;
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
    EXPECT_EQ(rewritten.reason, u8("磁碟已滿"));
    EXPECT_EQ(readFile(shared), QByteArray(10000, 'a')) << "the old bytes are put back";
    EXPECT_EQ(filesIn(dir.path()).size(), 2);
}

TEST(SaveFile, ASaveCutShortNeverEmptiesTheFileAndIsFoundNextTime)
{
    QTemporaryDir dir;
    const QByteArray old(8 << 20, 'o');
    const QString path = writeFile(dir, "h.srt", old);
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.filePath("h2.srt")).constData()), 0);
    // Watched from outside while it is rewritten in place, the file never shrinks below its
    // old size (a kill at any moment leaves no empty file).
    const pid_t child = fork();
    if (child == 0)
        _exit(document::writeFileBytes(path, QByteArray(9 << 20, 'n')).ok ? 0 : 1);
    off_t smallest = old.size();
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0)
        smallest = std::min(smallest, statOf(path).st_size);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(smallest, off_t(old.size()));
    EXPECT_EQ(readFile(path), QByteArray(9 << 20, 'n'));

    // A copy such a cut-short save leaves is found, wherever it is.
    EXPECT_TRUE(document::leftoverCopies(path).isEmpty());
    const QString copy = writeFile(dir, ".h.srt.old.subbig5-Ab12Cd", "old content");
    writeFile(dir, ".h.srt.older", "not ours");
    EXPECT_EQ(document::leftoverCopies(path), QStringList{copy});
    EXPECT_TRUE(document::leftoversMessage({copy}).contains(copy));
    // Several files in one folder, read once: each file's copies, in the order of the files.
    const QString other = writeFile(dir, ".out.srt.subbig5-Zz99Yy", "new content");
    EXPECT_EQ(document::leftoverCopies(QStringList{dir.filePath("out.srt"), path, dir.filePath("none.srt")}),
              (QStringList{other, copy}));
    EXPECT_EQ(document::leftoverCopies(QStringList{path, dir.filePath("out.srt")}), (QStringList{copy, other}));

    // Ended by a signal half-way, the atomic save removes its temporary file.
    const pid_t ended = fork();
    if (ended == 0) {
        document::SafeFile file;
        if (file.open(dir.filePath("single.srt")) && file.write(QByteArray(1 << 20, 'x')) > 0)
            ::raise(SIGTERM);
        _exit(0);
    }
    waitpid(ended, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_FALSE(filesIn(dir.path()).join(u'|').contains(QStringLiteral("single"))) << filesIn(dir.path()).join(u' ').toStdString();
}

} // namespace
