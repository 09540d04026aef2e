// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a document's bytes to its file without risking the old content, and without
// changing what the file is: its exact mode bits, its owner and group, its hard links.
//
// The usual way is atomic: the bytes go to a new file beside the old one, which then takes
// the old one's place. Where that cannot keep the file as it was (another user's file, a
// file with several names, attributes the new file cannot take), the new bytes are written
// first to a temporary file; at commit, holding a lock on the file, a copy of the old content is
// secured, the new bytes are written over the old ones and the file is cut to length, and the
// copy is removed. A failure puts the old bytes back, or says where the copy is; a save cut short
// leaves the copy, which leftoverCopies() finds. Extended attributes and ACLs are kept.
// Through a symbolic link the link's final target is written; the link stays a link. A link in a
// sticky world-writable folder is followed only as the kernel's protected-symlinks rule would.

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace document {

struct WriteResult {
    bool ok = false;
    QString reason;
};
// Writes the whole file as described above.
WriteResult writeFileBytes(const QString& path, const QByteArray& bytes);

// Files left beside `path` (or in the temporary folder) by a save of it that was cut short: a
// copy of the old content, or new content not yet in place. Never removed unasked.
QStringList leftoverCopies(const QString& path);
// The same for several files, in their order; each folder is read once.
QStringList leftoverCopies(const QStringList& paths);
// What to tell the user about them.
QString leftoversMessage(const QStringList& copies);

// The same for a writer that produces its bytes piece by piece: open(), write() as often as
// needed, then commit() (or cancel(), or destruction, which leave the old file untouched).
class SafeFile : public QIODevice {
public:
    SafeFile() = default;
    ~SafeFile() override;

    // False with `reason()` when the target cannot be written (a folder, a device, no room).
    bool open(const QString& path);
    bool commit();
    void cancel();

    QString reason() const { return reason_; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool fail(const QString& reason);
    bool replaceAtomically();
    bool rewriteInPlace();
    QString rewriteLocked(int out, off_t newSize);

    QByteArray target_;       // the file that ends up with the bytes (links followed)
    QByteArray tempPath_;     // where the bytes go until commit
    int tempFd_ = -1;
    int pendingSlot_ = -1;    // removed by a signal that ends the program mid-save
    bool exists_ = false;     // the target existed when opened
    bool inPlace_ = false;    // commit rewrites the target rather than replacing it
    QString reason_;
};

} // namespace document
