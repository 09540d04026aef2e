// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preferences_dialog.h"

#include "find/find_dialog.h"
#include "find/settings_store.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QVBoxLayout>

namespace {

SettingsStore store()
{
    return SettingsStore::forUser(QString::fromLatin1(kSettingsApplication));
}

} // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("preferences");
    setWindowTitle(QStringLiteral("轉換偏好"));
    auto* layout = new QVBoxLayout(this);
    const phrase::Preferences current = phrase::preferences();
    const auto& choices = phrase::preferenceChoices();
    for (size_t i = 0; i < choices.size(); ++i) {
        auto* box = new QCheckBox(QStringLiteral("寫「%1」，不寫「%2」").arg(choices[i].alternative, choices[i].usual), this);
        box->setChecked(current & (1u << i));
        layout->addWidget(box);
        boxes_.push_back(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

phrase::Preferences PreferencesDialog::chosen() const
{
    phrase::Preferences p = 0;
    for (size_t i = 0; i < boxes_.size(); ++i)
        if (boxes_[i]->isChecked())
            p |= 1u << i;
    return p;
}

phrase::Preferences savedPreferences()
{
    // Read as the store reads before it writes: a small regular file only, links not followed.
    const QString path = store().filePath();
    const QFileInfo info(path);
    if (path.isEmpty() || info.isSymLink() || !info.isFile() || info.size() > SettingsStore::kMaxMergedBytes)
        return 0;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    bool inSection = false;
    for (const QString& raw : QString::fromUtf8(f.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inSection = line == u"[Phrase]";
        else if (inSection && line.startsWith(u"Prefer=")) {
            phrase::Preferences p = 0;
            QString error;
            return phrase::parsePreferences(QStringView(line).mid(7), &p, &error) ? p : 0;
        }
    }
    return 0;
}

bool savePreferences(phrase::Preferences p)
{
    return store().write(QStringLiteral("Phrase"), {{QStringLiteral("Prefer"), phrase::preferencesText(p)}});
}
