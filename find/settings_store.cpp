// SPDX-License-Identifier: GPL-3.0-or-later
#include "find/settings_store.h"

#include "document/descriptor_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <atomic>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

bool ownedByUs(const struct stat& st) { return st.st_uid == ::geteuid(); }

// Our folder inside `base`, created when missing, opened without following a link. Only
// created in a base folder of our own, so root with another user's HOME plants nothing there.
Fd openOwnFolder(const QString& base, const QString& name)
{
    const QByteArray basePath = QFile::encodeName(base);
    struct stat st {};
    // ~/.config may not exist yet; HOME must, and be ours.
    if (::stat(QFile::encodeName(QFileInfo(base).path()).constData(), &st) == 0 && ownedByUs(st))
        ::mkdir(basePath.constData(), 0700);
    Fd baseFd(::open(basePath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!baseFd.ok())
        return Fd();
    const QByteArray folder = QFile::encodeName(name);
    if (::fstat(baseFd.get(), &st) == 0 && ownedByUs(st))
        ::mkdirat(baseFd.get(), folder.constData(), 0700);
    Fd fd(::openat(baseFd.get(), folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.ok() || ::fstat(fd.get(), &st) != 0 || !ownedByUs(st))
        return Fd();
    return fd;
}

enum class Existing { Missing, Read, Refused };

// Reads the current file when it is a small regular file of ours. O_NONBLOCK: opening a
// FIFO planted under the name must not wait for a writer.
Existing readExisting(int folderFd, const QByteArray& name, QByteArray* text, mode_t* mode)
{
    Fd fd(::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.ok())
        return errno == ENOENT ? Existing::Missing : Existing::Refused;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || !ownedByUs(st)
        || st.st_size > SettingsStore::kMaxMergedBytes)
        return Existing::Refused;
    *mode = st.st_mode & 0777;
    // The file may grow while it is read: never take more than the limit.
    text->resize(SettingsStore::kMaxMergedBytes + 1);
    qsizetype got = 0;
    while (got < text->size()) {
        const ssize_t n = ::read(fd.get(), text->data() + got, size_t(text->size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Existing::Refused;
        if (n == 0)
            break;
        got += n;
    }
    if (got > SettingsStore::kMaxMergedBytes)
        return Existing::Refused;
    text->truncate(got);
    return Existing::Read;
}

// Writes `bytes` to a fresh temporary file in the folder and renames it over `name`. The
// rename replaces the directory entry itself: whatever was there is never written through.
bool replaceAtomically(int folderFd, const QByteArray& name, const QByteArray& bytes, mode_t mode)
{
    static std::atomic<unsigned> counter{0};
    const QByteArray temp = '.' + name + '.' + QByteArray::number(qint64(::getpid())) + '.'
                            + QByteArray::number(counter++);
    Fd fd(::openat(folderFd, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.ok())
        return false;
    int error = 0;
    const bool written = document::writeAllTo(fd.get(), bytes.constData(), bytes.size(), &error)
                         && ::fchmod(fd.get(), mode) == 0 && ::fdatasync(fd.get()) == 0;
    if (!written || ::renameat(folderFd, temp.constData(), folderFd, name.constData()) != 0) {
        ::unlinkat(folderFd, temp.constData(), 0);
        return false;
    }
    return true;
}

bool isLineBlank(const QByteArray& line) { return line.trimmed().isEmpty(); }

} // namespace

SettingsStore::SettingsStore(QString baseFolder, QString folder, QString fileName)
    : baseFolder_(std::move(baseFolder)), folder_(std::move(folder)), fileName_(std::move(fileName))
{
}

// An absolute folder other than the root, with links and ".." resolved where it exists.
static QString folderOtherThanRoot(const QByteArray& path)
{
    const QString name = QFile::decodeName(path);
    if (name.isEmpty() || !QDir::isAbsolutePath(name))
        return QString();
    const QString canonical = QFileInfo(name).canonicalFilePath();
    const QString folder = canonical.isEmpty() ? QDir::cleanPath(name) : canonical;
    if (folder == QStringLiteral("/") || folder.startsWith(QStringLiteral("/..")))
        return QString();
    return folder;
}

QString SettingsStore::userConfigFolder(const QByteArray& xdgConfigHome, const QByteArray& home)
{
    // A relative XDG_CONFIG_HOME is to be ignored, as the XDG base directory rules say.
    if (const QString xdg = folderOtherThanRoot(xdgConfigHome); !xdg.isEmpty())
        return xdg;
    const QString homeDir = folderOtherThanRoot(home);
    return homeDir.isEmpty() ? QString() : homeDir + QStringLiteral("/.config");
}

SettingsStore SettingsStore::forUser(const QString& application)
{
    return SettingsStore(userConfigFolder(qgetenv("XDG_CONFIG_HOME"), qgetenv("HOME")), application,
                         application + QStringLiteral(".ini"));
}

QString SettingsStore::filePath() const
{
    if (baseFolder_.isEmpty())
        return QString();
    return baseFolder_ + u'/' + folder_ + u'/' + fileName_;
}

bool SettingsStore::write(const QString& section, const std::vector<SettingsEntry>& entries) const
{
    if (baseFolder_.isEmpty())
        return false;
    const Fd folder = openOwnFolder(baseFolder_, folder_);
    if (!folder.ok())
        return false;
    const QByteArray name = QFile::encodeName(fileName_);
    QByteArray existing;
    mode_t mode = 0600;
    if (readExisting(folder.get(), name, &existing, &mode) == Existing::Refused)
        return false;
    return replaceAtomically(folder.get(), name, mergeIniEntries(existing, section, entries), mode);
}

QByteArray mergeIniEntries(const QByteArray& existing, const QString& section,
                           const std::vector<SettingsEntry>& entries)
{
    const QByteArray header = '[' + section.toUtf8() + ']';
    const QByteArray eol = existing.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    QList<QByteArray> lines = existing.split('\n');
    lines.removeLast();   // what follows the last line break (a last line without one is kept below)
    if (!existing.isEmpty() && !existing.endsWith('\n'))
        lines << existing.mid(existing.lastIndexOf('\n') + 1);
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }

    auto entryLine = [](const SettingsEntry& e) { return e.key.toUtf8() + '=' + e.value.toUtf8(); };
    std::vector<bool> found(entries.size(), false);
    qsizetype insertAt = -1;   // after the last non-blank line of the first [section]
    bool inSection = false, inFirstSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray trimmed = lines[i].trimmed();
        if (trimmed.startsWith('[')) {
            inSection = trimmed == header;
            inFirstSection = inSection && insertAt < 0;
            if (inFirstSection)
                insertAt = i + 1;
            continue;
        }
        if (!inSection || trimmed.isEmpty())
            continue;
        if (inFirstSection)
            insertAt = i + 1;
        const qsizetype eq = trimmed.indexOf('=');
        const QByteArray key = eq < 0 ? QByteArray() : trimmed.left(eq).trimmed();
        for (size_t k = 0; k < entries.size(); ++k) {
            if (key == entries[k].key.toUtf8()) {
                lines[i] = entryLine(entries[k]);
                found[k] = true;
            }
        }
    }

    QList<QByteArray> missing;
    for (size_t k = 0; k < entries.size(); ++k) {
        if (!found[k])
            missing << entryLine(entries[k]);
    }
    if (insertAt >= 0) {
        for (qsizetype k = 0; k < missing.size(); ++k)
            lines.insert(insertAt + k, missing[k]);
    } else {
        if (!lines.isEmpty() && !isLineBlank(lines.last()))
            lines << QByteArray();
        lines << header << missing;
    }

    QByteArray out;
    for (const QByteArray& line : lines)
        out += line + eol;
    return out;
}
