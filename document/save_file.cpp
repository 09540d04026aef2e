// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/save_file.h"

#include "document/descriptor_io.h"
#include "document/file_errors.h"
#include "document/native_path.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <vector>

namespace document {
namespace {

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// The file a path finally names, following symbolic links (the last one may dangle), so the
// link itself stays a link. Bytes throughout: a name need not be valid UTF-8. A link is followed
// only where the kernel's protected-symlinks rule would follow it: in a sticky world-writable
// folder (/tmp) only a link of this user's own or of the folder's owner, so another user's link
// cannot aim a save at one of this user's files.
bool finalTarget(QByteArray path, QByteArray* target)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat link {};
        if (::lstat(path.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
            break;
        struct stat folder {};
        if (::stat(folderOf(path).constData(), &folder) == 0 && (folder.st_mode & S_ISVTX)
            && (folder.st_mode & S_IWOTH) && link.st_uid != geteuid() && link.st_uid != folder.st_uid)
            return false;
        char to[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), to, sizeof to);
        if (n < 0 || n >= ssize_t(sizeof to))
            break;
        const QByteArray next(to, n);
        path = next.startsWith('/') ? next : folderOf(path) + '/' + next;
    }
    *target = path;
    return true;
}

// The temporary folder for copies that cannot sit beside the file.
QByteArray temporaryFolder()
{
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? QByteArray(dir) : QByteArray("/tmp");
}

bool inGroup(gid_t gid)
{
    if (gid == getegid())
        return true;
    const int n = getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(n, 0)));
    if (n > 0 && getgroups(n, groups.data()) == n) {
        for (gid_t g : groups) {
            if (g == gid)
                return true;
        }
    }
    return false;
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Copies the file at `from` (open for reading at its start) into `to`.
bool copyFd(int from, int to, int* error)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        if (n == 0)
            return true;
        if (!writeAllTo(to, buffer, n, error))
            return false;
    }
}

// Temporary names are "." + the file's name + ".subbig5-XXXXXX" (a copy of the old content:
// ".old.subbig5-XXXXXX"), the name shortened at a character boundary so the whole fits the
// 255-byte limit on a name.
QByteArray temporaryStem(const QByteArray& name, bool oldContent)
{
    const QByteArray suffix = oldContent ? QByteArray(".old.subbig5-") : QByteArray(".subbig5-");
    constexpr qsizetype kNameMax = 255;
    const qsizetype room = kNameMax - 1 - suffix.size() - 6;
    QByteArray stem = name;
    if (stem.size() > room) {
        qsizetype cut = room;
        while (cut > 0 && (uchar(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem.truncate(cut);
    }
    return '.' + stem + suffix;
}

// A new file beside `near` (or in the temporary folder when that folder takes no new file).
int makeTemporary(const QByteArray& near, bool oldContent, bool allowElsewhere, QByteArray* path)
{
    std::vector<QByteArray> places{folderOf(near)};
    if (allowElsewhere)
        places.push_back(temporaryFolder());
    int error = 0;
    for (const QByteArray& dir : places) {
        QByteArray pattern = dir + '/' + temporaryStem(nameOf(near), oldContent) + "XXXXXX";
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0) {
            *path = pattern;
            return fd;
        }
        error = errno;
    }
    errno = error;
    return -1;
}

// Temporary files a signal that ends the program (Ctrl+C, a logout, kill) should not leave
// behind. Only what a handler may touch: fixed buffers and lock-free flags. SIGKILL cannot be
// caught; leftoverCopies() finds what it leaves.
constexpr int kPendingSlots = 4;
char pendingPaths[kPendingSlots][PATH_MAX];
std::atomic<int> pendingState[kPendingSlots];   // 0 free, 1 being filled, 2 holds a path

void removePendingAndRaise(int sig)
{
    for (int i = 0; i < kPendingSlots; ++i) {
        if (pendingState[i].load() == 2)
            ::unlink(pendingPaths[i]);
    }
    ::raise(sig);   // the handler was reset: the program ends as the signal meant
}

void installSignalCleanup()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            struct sigaction old {};
            if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)
                continue;   // the program handles it itself, or ignores it
            struct sigaction sa {};
            sa.sa_handler = removePendingAndRaise;
            sigemptyset(&sa.sa_mask);
            sa.sa_flags = SA_RESETHAND;
            ::sigaction(sig, &sa, nullptr);
        }
    });
}

int registerPending(const QByteArray& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    installSignalCleanup();
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (pendingState[i].compare_exchange_strong(expected, 1)) {
            std::memcpy(pendingPaths[i], path.constData(), size_t(path.size()) + 1);
            pendingState[i].store(2);
            return i;
        }
    }
    return -1;
}

void unregisterPending(int slot)
{
    if (slot >= 0)
        pendingState[slot].store(0);
}

// Extended attributes (ACLs among them, as system.posix_acl_*) go with the file, as its mode
// and owner do. False when one the old file has cannot be given to the new one.
bool copyAttributes(const QByteArray& from, int to)
{
    ssize_t size = ::listxattr(from.constData(), nullptr, 0);
    if (size <= 0)
        return size == 0 || errno == ENOTSUP;
    QByteArray names(size, '\0');
    size = ::listxattr(from.constData(), names.data(), size_t(names.size()));
    if (size < 0)
        return false;
    for (const QByteArray& name : names.left(size).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t length = ::getxattr(from.constData(), name.constData(), nullptr, 0);
        if (length < 0)
            return false;
        QByteArray value(length, '\0');
        const ssize_t got = ::getxattr(from.constData(), name.constData(), value.data(), size_t(value.size()));
        if (got < 0 || ::fsetxattr(to, name.constData(), value.constData(), size_t(got), 0) != 0)
            return false;
    }
    return true;
}

// A look for the temporary names of one file's save in one folder.
struct LeftoverLook {
    QByteArray dir;
    QByteArray stems[2];
    QStringList found;
};

// Reads each folder once for every look in it (a folder such as /tmp may hold many entries, and
// this runs at every start of the converter).
void findLeftovers(std::vector<LeftoverLook>& looks)
{
    for (size_t first = 0; first < looks.size(); ++first) {
        const QByteArray dir = looks[first].dir;
        bool readBefore = false;
        for (size_t i = 0; i < first; ++i)
            readBefore = readBefore || looks[i].dir == dir;
        if (readBefore)
            continue;
        DIR* d = ::opendir(dir.constData());
        if (!d)
            continue;
        while (const dirent* e = ::readdir(d)) {
            // Compared in place, without a copy of each entry's name.
            const size_t length = std::strlen(e->d_name);
            for (size_t i = first; i < looks.size(); ++i) {
                if (looks[i].dir != dir)
                    continue;
                for (const QByteArray& stem : looks[i].stems) {
                    if (length != size_t(stem.size()) + 6
                        || std::memcmp(e->d_name, stem.constData(), size_t(stem.size())) != 0)
                        continue;
                    const QByteArray path = (dir == "/" ? QByteArray() : dir) + '/' + QByteArray(e->d_name, qsizetype(length));
                    struct stat st {};
                    if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
                        looks[i].found.append(pathFromNative(path));
                }
            }
        }
        ::closedir(d);
    }
}

} // namespace

SafeFile::~SafeFile()
{
    cancel();
}

bool SafeFile::fail(const QString& reason)
{
    reason_ = reason;
    setErrorString(reason);
    return false;
}

bool SafeFile::open(const QString& path)
{
    cancel();
    reason_.clear();
    if (!finalTarget(nativePath(path), &target_))
        return fail(QStringLiteral("這個符號連結位在公用資料夾中，屬於其他使用者；為了安全，不經由它寫入"));
    struct stat st {};
    exists_ = ::stat(target_.constData(), &st) == 0;
    if (!exists_ && errno != ENOENT)
        return fail(systemReason(errno));
    if (exists_ && S_ISDIR(st.st_mode))
        return fail(systemReason(EISDIR));
    if (exists_ && !S_ISREG(st.st_mode))
        return fail(QStringLiteral("這不是一般檔案"));
    if (exists_ && ::access(target_.constData(), W_OK) != 0)
        return fail(systemReason(errno));

    // A replacement keeps the owner only where this process may give it, and the links only
    // where there are none.
    const bool ownerKept = !exists_ || geteuid() == 0 || (st.st_uid == geteuid() && inGroup(st.st_gid));
    inPlace_ = exists_ && (st.st_nlink > 1 || !ownerKept);
    tempFd_ = makeTemporary(target_, false, inPlace_, &tempPath_);
    if (tempFd_ < 0 && exists_ && !inPlace_) {
        inPlace_ = true;   // the folder takes no new file, but the file itself is writable
        tempFd_ = makeTemporary(target_, false, true, &tempPath_);
    }
    if (tempFd_ < 0)
        return fail(systemReason(errno));
    pendingSlot_ = registerPending(tempPath_);
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 SafeFile::writeData(const char* data, qint64 size)
{
    int error = 0;
    if (tempFd_ < 0)
        return -1;
    if (!writeAllTo(tempFd_, data, size, &error)) {
        fail(systemReason(error));
        return -1;
    }
    return size;
}

bool SafeFile::replaceAtomically()
{
    const QByteArray& target = target_;
    struct stat st {};
    if (exists_ && ::stat(target.constData(), &st) == 0) {
        if ((st.st_uid != geteuid() || st.st_gid != getegid()) && ::fchown(tempFd_, st.st_uid, st.st_gid) != 0)
            return fail(systemReason(errno));
        if (::fchmod(tempFd_, st.st_mode & 07777) != 0)
            return fail(systemReason(errno));
    } else if (::fchmod(tempFd_, newFileMode()) != 0) {
        return fail(systemReason(errno));
    }
    // An attribute the new file cannot take (a label only the system may set): the file is
    // rewritten in place instead, which keeps them all.
    if (exists_ && !copyAttributes(target, tempFd_))
        return rewriteInPlace();
    if (::fsync(tempFd_) != 0)
        return fail(systemReason(errno));
    if (::rename(tempPath_.constData(), target.constData()) != 0)
        return fail(systemReason(errno));
    unregisterPending(pendingSlot_);
    pendingSlot_ = -1;
    tempPath_.clear();
    return true;
}

bool SafeFile::rewriteInPlace()
{
    struct stat st {};
    if (::fsync(tempFd_) != 0 || ::fstat(tempFd_, &st) != 0)
        return fail(systemReason(errno));
    const off_t newSize = st.st_size;
    const int out = ::open(target_.constData(), O_RDWR | O_CLOEXEC);
    if (out < 0)
        return fail(systemReason(errno));
    // Two savers of one file (under two of its names) take turns; else their bytes interleave.
    // A file system without locks is written all the same.
    while (::flock(out, LOCK_EX) != 0 && errno == EINTR) {
    }
    const QString reason = rewriteLocked(out, newSize);
    ::close(out);   // the lock goes with it
    return reason.isEmpty() || fail(reason);
}

QString SafeFile::rewriteLocked(int out, off_t newSize)
{
    int error = 0;
    // First a copy of what the file holds now, so a failure half-way loses nothing.
    QByteArray backupPath;
    const int backup = makeTemporary(target_, true, true, &backupPath);
    struct stat st {};
    const bool secured = backup >= 0 && ::fstat(out, &st) == 0 && copyFd(out, backup, &error)
                         && ::fsync(backup) == 0;
    if (!secured) {
        if (error == 0)
            error = errno;
        if (backup >= 0) {
            ::close(backup);
            ::unlink(backupPath.constData());
        }
        return systemReason(error);
    }
    // The new bytes go over the old ones and the file is cut to length only at the end, so it is
    // never empty: stopped half-way, it holds new bytes then old ones, and the copy holds the old.
    auto overwrite = [&](int from, off_t size) {
        return ::lseek(from, 0, SEEK_SET) == 0 && ::lseek(out, 0, SEEK_SET) == 0 && copyFd(from, out, &error)
               && ::ftruncate(out, size) == 0 && ::fsync(out) == 0;
    };
    if (overwrite(tempFd_, newSize)) {
        ::close(backup);
        ::unlink(backupPath.constData());
        return {};
    }
    if (error == 0)
        error = errno;
    // The old bytes fit where they were (a full disk refuses only growth): put them back.
    int restoreError = 0;
    std::swap(error, restoreError);
    const bool restored = overwrite(backup, st.st_size);
    std::swap(error, restoreError);
    ::close(backup);
    if (restored) {
        ::unlink(backupPath.constData());
        return systemReason(error);
    }
    return systemReason(error) + QStringLiteral("。原本的內容保存在 %1").arg(displayPath(pathFromNative(backupPath)));
}

bool SafeFile::commit()
{
    if (tempFd_ < 0 || !reason_.isEmpty())
        return false;
    const bool ok = inPlace_ ? rewriteInPlace() : replaceAtomically();
    if (!ok)
        return false;
    cancel();   // closes the temporary file, removing what is left of it
    return true;
}

void SafeFile::cancel()
{
    if (tempFd_ >= 0)
        ::close(tempFd_);
    tempFd_ = -1;
    if (!tempPath_.isEmpty())
        ::unlink(tempPath_.constData());
    unregisterPending(pendingSlot_);
    pendingSlot_ = -1;
    tempPath_.clear();
    if (isOpen())
        QIODevice::close();
}

QStringList leftoverCopies(const QString& path)
{
    return leftoverCopies(QStringList{path});
}

QStringList leftoverCopies(const QStringList& paths)
{
    std::vector<LeftoverLook> looks;
    for (const QString& path : paths) {
        QByteArray target;
        if (!finalTarget(nativePath(path), &target))
            continue;
        const QByteArray name = nameOf(target);
        const LeftoverLook look{folderOf(target), {temporaryStem(name, false), temporaryStem(name, true)}, {}};
        looks.push_back(look);
        if (temporaryFolder() != look.dir) {
            looks.push_back(look);
            looks.back().dir = temporaryFolder();
        }
    }
    findLeftovers(looks);
    QStringList found;
    for (const LeftoverLook& look : looks)
        found += look.found;
    return found;
}

QString leftoversMessage(const QStringList& copies)
{
    return QStringLiteral("上次儲存這個檔案時中斷了，留下了下列檔案（原本內容的備份，或沒有寫完的新內容）。"
                          "請確認檔案的內容，再自行處理它們：\n")
           + copies.join(u'\n');
}

WriteResult writeFileBytes(const QString& path, const QByteArray& bytes)
{
    WriteResult r;
    SafeFile file;
    if (!file.open(path) || file.write(bytes) != bytes.size() || !file.commit()) {
        r.reason = file.reason();
        return r;
    }
    r.ok = true;
    return r;
}

} // namespace document
