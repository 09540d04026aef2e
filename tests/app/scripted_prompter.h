// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers the main window's questions and file dialogs from a script, and records what
// it was asked, so the file commands can be driven without a human.

#include "app/prompter.h"

#include <QStringList>

#include <deque>
#include <stdexcept>

class ScriptedPrompter : public Prompter {
public:
    std::deque<bool> answers;        // for askYesNo, in order
    std::deque<QString> fileNames;   // for openFileName / saveFileName, in order
    std::deque<SaveChoice> saveChoices;   // for askSave, in order

    struct Asked {
        QString title;
        QString text;
    };
    std::vector<Asked> questions;
    std::vector<Asked> messages;
    std::vector<Icon> icons;
    QStringList dialogDirs;
    QStringList dialogFilters;

    bool askYesNo(QWidget*, const QString& title, const QString& text) override
    {
        questions.push_back({title, text});
        if (answers.empty())
            throw std::logic_error("unexpected question: " + text.toStdString());
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    SaveChoice askSave(QWidget*, const QString& title, const QString& text) override
    {
        questions.push_back({title, text});
        if (saveChoices.empty())
            throw std::logic_error("unexpected save question: " + text.toStdString());
        const SaveChoice c = saveChoices.front();
        saveChoices.pop_front();
        return c;
    }
    void tell(QWidget*, const QString& title, const QString& text, Icon icon) override
    {
        messages.push_back({title, text});
        icons.push_back(icon);
    }
    QString openFileName(QWidget*, const QString& dir, const QString& filter) override
    {
        return nextFile(dir, filter);
    }
    QString saveFileName(QWidget*, const QString& dir, const QString& filter) override
    {
        return nextFile(dir, filter);
    }

private:
    QString nextFile(const QString& dir, const QString& filter)
    {
        dialogDirs << dir;
        dialogFilters << filter;
        if (fileNames.empty())
            throw std::logic_error("unexpected file dialog");
        QString f = fileNames.front();
        fileNames.pop_front();
        return f;
    }
};
