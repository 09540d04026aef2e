// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/save_file.h"

#include "document/descriptor_io.h"
#include "document/file_errors.h"
#include "document/native_path.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
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
// link itself stays a link. Bytes throughout: a name need not be valid UTF-8.
QByteArray finalTarget(QByteArray path)
{
    for (int depth = 0; depth < 40; ++depth) {
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), link, sizeof link);
        if (n < 0 || n >= ssize_t(sizeof link))
            break;
        const QByteArray to(link, n);
        path = to.startsWith('/') ? to : folderOf(path) + '/' + to;
    }
    return path;
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

// A new file beside `near` (or in the temporary folder when that folder takes no new file).
int makeTemporary(const QByteArray& near, bool allowElsewhere, QByteArray* path)
{
    std::vector<QByteArray> places{folderOf(near)};
    if (allowElsewhere)
        places.push_back(temporaryFolder());
    int error = 0;
    for (const QByteArray& dir : places) {
        QByteArray pattern = dir + "/." + nameOf(near) + ".subbig5-XXXXXX";
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
    target_ = finalTarget(nativePath(path));
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
    tempFd_ = makeTemporary(target_, inPlace_, &tempPath_);
    if (tempFd_ < 0 && exists_ && !inPlace_) {
        inPlace_ = true;   // the folder takes no new file, but the file itself is writable
        tempFd_ = makeTemporary(target_, true, &tempPath_);
    }
    if (tempFd_ < 0)
        return fail(systemReason(errno));
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
    if (::fsync(tempFd_) != 0)
        return fail(systemReason(errno));
    if (::rename(tempPath_.constData(), target.constData()) != 0)
        return fail(systemReason(errno));
    tempPath_.clear();
    return true;
}

bool SafeFile::rewriteInPlace()
{
    const QByteArray& target = target_;
    int error = 0;
    if (::fsync(tempFd_) != 0)
        return fail(systemReason(errno));
    // First a copy of what the file holds now, so a failure half-way loses nothing.
    QByteArray backupPath;
    const int backup = makeTemporary(target_ + ".old", true, &backupPath);
    const int old = ::open(target.constData(), O_RDONLY | O_CLOEXEC);
    const bool secured = backup >= 0 && old >= 0 && copyFd(old, backup, &error) && ::fsync(backup) == 0;
    if (!secured && error == 0)
        error = errno;
    if (old >= 0)
        ::close(old);
    if (backup >= 0)
        ::close(backup);
    if (!secured) {
        if (!backupPath.isEmpty())
            ::unlink(backupPath.constData());
        return fail(systemReason(error));
    }
    const int out = ::open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const bool written = out >= 0 && ::lseek(tempFd_, 0, SEEK_SET) == 0 && copyFd(tempFd_, out, &error)
                         && ::fsync(out) == 0;
    if (!written && error == 0)
        error = errno;
    if (out >= 0 && ::close(out) != 0 && written)
        error = errno;
    if (!written || error != 0) {
        return fail(systemReason(error) + QStringLiteral("。原本的內容保存在 %1").arg(pathFromNative(backupPath)));
    }
    ::unlink(backupPath.constData());
    return true;
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
    tempPath_.clear();
    if (isOpen())
        QIODevice::close();
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
