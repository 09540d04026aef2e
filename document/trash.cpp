// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/trash.h"

#include "document/file_errors.h"

#include <QDateTime>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace document {
namespace {

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// Makes each missing folder of an absolute path, the new ones private (0700).
bool makeFolders(const QByteArray& path)
{
    for (qsizetype at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        const QByteArray part = path.left(at);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The top folder of the file system holding `path` (a folder).
QByteArray topOf(QByteArray path, dev_t device)
{
    while (path != "/") {
        struct stat st {};
        const QByteArray up = parentOf(path);
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        path = up;
    }
    return path;
}

// A trash folder on the file system `device`, or empty. `top` is where Path= counts from.
QByteArray trashFor(const QByteArray& folder, dev_t device, QByteArray* top)
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    QByteArray data = dataHome && dataHome[0] == '/' ? QByteArray(dataHome)
                      : home && home[0] == '/'       ? QByteArray(home) + "/.local/share"
                                                     : QByteArray();
    struct stat st {};
    if (!data.isEmpty() && makeFolders(data + "/Trash") && ::stat(data.constData(), &st) == 0 && st.st_dev == device) {
        top->clear();
        return data + "/Trash";
    }
    const QByteArray uid = QByteArray::number(uint(geteuid()));
    *top = topOf(folder, device);
    const QByteArray root = *top == "/" ? QByteArray() : *top;
    // An administrator's shared .Trash counts only when sticky and not a link.
    const QByteArray shared = root + "/.Trash";
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)
        && makeFolders(shared + '/' + uid))
        return shared + '/' + uid;
    const QByteArray own = root + "/.Trash-" + uid;
    if (makeFolders(own) && ::lstat(own.constData(), &st) == 0 && st.st_uid == geteuid() && st.st_dev == device)
        return own;
    return {};
}

} // namespace

TrashResult moveToTrash(const QByteArray& native)
{
    TrashResult r;
    QByteArray path = native;
    if (!path.startsWith('/')) {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) {
            r.reason = systemReason(errno);
            return r;
        }
        path = QByteArray(cwd) + '/' + path;
    }
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        r.reason = systemReason(errno);
        return r;
    }
    QByteArray top;
    const QByteArray trash = trashFor(parentOf(path), st.st_dev, &top);
    if (trash.isEmpty() || !makeFolders(trash + "/files") || !makeFolders(trash + "/info")) {
        r.reason = QStringLiteral("找不到也無法建立這個檔案所在磁碟的資源回收筒");
        return r;
    }
    // The info file is made first, exclusively: it reserves the name in the trash.
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const QByteArray shown = top.isEmpty() ? path : path.mid(top == "/" ? 1 : top.size() + 1);
    const QByteArray info = "[Trash Info]\nPath=" + shown.toPercentEncoding("/")
                            + "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + '\n';
    for (int n = 1; n < 10000; ++n) {
        const QByteArray entry = n == 1 ? name : name + '.' + QByteArray::number(n);
        const QByteArray infoPath = trash + "/info/" + entry + ".trashinfo";
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        const bool written = fd >= 0 && ::write(fd, info.constData(), size_t(info.size())) == info.size();
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        if (written && ::rename(path.constData(), (trash + "/files/" + entry).constData()) == 0) {
            r.ok = true;
            return r;
        }
        r.reason = systemReason(written ? errno : error);
        ::unlink(infoPath.constData());
        return r;
    }
    r.reason = systemReason(EEXIST);
    return r;
}

} // namespace document
