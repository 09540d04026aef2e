// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text1: the editor's text area. Scintilla keeps the text exactly as assigned (CR, LF,
// CR LF, NUL all survive) and handles very large texts; this class narrows it to what a
// plain multi-line text box offers and speaks UTF-16 positions to the rest of the program.

#include "document/editor_text.h"

#include <Qsci/qsciscintilla.h>

#include <QStringList>

class TextArea : public QsciScintilla, public document::EditorText {
    Q_OBJECT
public:
    explicit TextArea(QWidget* parent = nullptr);

    QString text() const override;
    // One undoable step that replaces only the range where the old and new texts differ
    // (the undo history keeps that range, not the whole text twice); the caret goes to the
    // start. A text equal to the current one changes nothing and adds no step.
    void assignText(const QString& text) override;
    // Like assignText, but starts a fresh undo history (a newly loaded file).
    void loadText(const QString& text);
    // The same for a text given as well-formed UTF-8, which the text area takes as it is.
    void loadUtf8(QByteArrayView utf8);

    qsizetype selStart() const override;
    qsizetype selLength() const override;
    void setSelStart(qsizetype start) override;
    void setSelLength(qsizetype length) override;

signals:
    // The whole text is about to be replaced (a load, or a whole-text command).
    void wholeTextReplacing();
    // Local files dropped from a file manager, in the order of the drop.
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void beginLoad(qsizetype utf8Bytes);
    void endLoad();
    void keepOnlyPlainTextKeys();
    void replaceDifferingRange(const QByteArray& utf8);
    void showStart();
    long bytePosition(qsizetype utf16) const;
    qsizetype utf16Position(long bytes) const;
};
