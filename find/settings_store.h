// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The per-user settings file (<config folder>/SubBig5/SubBig5.ini, the INI form QSettings
// reads), written so that it can never damage anything but a file of the user's own:
//  - the program's folder and file are opened without following links; anything that is
//    not a regular file (or folder) owned by the effective user is left alone, so a link,
//    a device node or another user's file is never written;
//  - an existing file is read only when small (kMaxMergedBytes); a larger one is skipped,
//    so a huge file cannot stall the caller;
//  - the new text goes to a temporary file in the same folder, renamed over the old one:
//    the file is whole before or after, never half-written.
// The config folder is $XDG_CONFIG_HOME, else $HOME/.config; with neither (or one that is
// the root folder, "/" or a link to it) nothing is written: settings never land in /.config.
// Writing is best effort: write() reports failure and the caller goes on.

#include <QByteArray>
#include <QString>

#include <vector>

struct SettingsEntry {
    QString key;
    QString value;
};

class SettingsStore {
public:
    // Larger existing files are not read, and not written.
    static constexpr qint64 kMaxMergedBytes = 1 << 20;

    // The file `fileName` in `folder`, which is created (one level, mode 0700) inside
    // `baseFolder` when missing. An empty base folder makes a store that writes nothing.
    SettingsStore(QString baseFolder, QString folder, QString fileName);

    // <config folder>/<application>/<application>.ini for the running user.
    static SettingsStore forUser(const QString& application);
    // The config folder the environment names, or empty when it names none that is safe.
    static QString userConfigFolder(const QByteArray& xdgConfigHome, const QByteArray& home);

    // Sets `entries` in `section`, keeping every other line of the existing file. False
    // when nothing was written (no folder, refused file, too large, write error).
    bool write(const QString& section, const std::vector<SettingsEntry>& entries) const;

    QString filePath() const;

private:
    QString baseFolder_, folder_, fileName_;
};

// The INI text `existing` with `entries` set in `section`: a key already there gets its
// new value in place, a missing key joins the end of the section, a missing section is
// added at the end. Every other line stays byte for byte.
QByteArray mergeIniEntries(const QByteArray& existing, const QString& section,
                           const std::vector<SettingsEntry>& entries);
