// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the commands see of the editor's text area: the whole text and the selection.
// Positions and lengths are UTF-16 code units; CR and LF count one each.
// The real text area (Text1) implements it over Scintilla; tests use a plain string
// (tests/support/string_editor_text.h).

#include <QString>

namespace document {

class EditorText {
public:
    virtual ~EditorText() = default;

    virtual QString text() const = 0;
    // Replaces the whole text as one step the user can undo; the caret goes to the start.
    // Throws std::bad_alloc, with the text as it was, when there is no memory for the change.
    virtual void assignText(const QString& text) = 0;

    virtual qsizetype selStart() const = 0;
    virtual qsizetype selLength() const = 0;
    // Setting the start clears the length and scrolls the caret into view.
    virtual void setSelStart(qsizetype start) = 0;
    virtual void setSelLength(qsizetype length) = 0;
};

} // namespace document
