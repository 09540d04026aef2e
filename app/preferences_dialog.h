// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// 轉換偏好: the phrase step's choices where Taiwanese writers split, one check box each,
// kept in the user's settings file (section [Phrase], key Prefer).

#include "convert/phrase/preferences.h"

#include <QDialog>

#include <vector>

class QCheckBox;

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesDialog(QWidget* parent = nullptr);
    phrase::Preferences chosen() const;

private:
    std::vector<QCheckBox*> boxes_;
};

// The saved choices (the defaults when none are saved or the file is not a small one of ours).
phrase::Preferences savedPreferences();
// Writes the choices as the Find position is written: whole or not at all. False when not written.
bool savePreferences(phrase::Preferences p);
