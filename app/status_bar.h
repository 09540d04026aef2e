// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's status bar. On the left a note: one quiet line about what the last command
// did, which the next command or open takes away. On the right, fields that show the
// document's state (its encoding, a count), each made on first use and found by its name.

#include <QStatusBar>

class QLabel;

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    // A note too long for the bar is cut with "…"; its tooltip is `details`, or the note whole.
    void setNote(const QString& text, const QString& details = QString());
    void clearNote();
    QString note() const;

    // The field `name` (also its label's object name) shows `text`; an empty text hides it.
    void setField(const QString& name, const QString& text);
    QString field(const QString& name) const;

private:
    QLabel* note_;
};
