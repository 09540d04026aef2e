// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Choices where Taiwanese writers split (台/臺, 裡/裏, 什麼/甚麼 ...): a layer over the phrase
// step's output. Every choice swaps forms of the same length, so the phrase step's length
// changes stay true. The choices are process-wide: the editor sets them from its settings, the
// batch converter from --prefer, and both then convert alike.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace phrase {

struct PreferenceChoice {
    QString usual;         // what the phrase step writes (the default)
    QString alternative;   // what a writer may prefer instead
};

// The choices, in the order the dialog and --help list them.
const std::vector<PreferenceChoice>& preferenceChoices();

// A set of choices: bit i set means choice i's alternative form is preferred.
using Preferences = unsigned;

// Parses forms such as "臺,甚麼" (either form of a choice may be named; ',' or '，' between
// them). On an unknown form returns false and sets `error` (in Traditional Chinese).
bool parsePreferences(QStringView text, Preferences* out, QString* error);
// The alternative forms chosen, joined by ','; empty for the defaults.
QString preferencesText(Preferences p);

void setPreferences(Preferences p);
Preferences preferences();

// Applies `p` to text the phrase step wrote (a no-op for the defaults).
void applyPreferences(QString* text, Preferences p);

} // namespace phrase
