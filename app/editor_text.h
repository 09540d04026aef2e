#pragma once
// What the commands see of the editor's text area: the whole text and the selection.
// Positions and lengths are UTF-16 code units; CR and LF count one each.
// The real text area (Text1) implements it over Scintilla; tests use a plain string.

#include <QString>

#include <algorithm>

class EditorText {
public:
    virtual ~EditorText() = default;

    virtual QString text() const = 0;
    // Replaces the whole text as one step the user can undo; the caret goes to the start.
    virtual void assignText(const QString& text) = 0;

    virtual qsizetype selStart() const = 0;
    virtual qsizetype selLength() const = 0;
    // Setting the start clears the length and scrolls the caret into view.
    virtual void setSelStart(qsizetype start) = 0;
    virtual void setSelLength(qsizetype length) = 0;
};

// A plain in-memory EditorText, for tests and for code that runs without a window.
class StringEditorText : public EditorText {
public:
    explicit StringEditorText(QString text = {}) : text_(std::move(text)) {}

    QString text() const override { return text_; }
    void assignText(const QString& text) override
    {
        text_ = text;
        start_ = 0;
        length_ = 0;
    }
    qsizetype selStart() const override { return start_; }
    qsizetype selLength() const override { return length_; }
    void setSelStart(qsizetype start) override
    {
        start_ = std::clamp<qsizetype>(start, 0, text_.size());
        length_ = 0;
    }
    void setSelLength(qsizetype length) override
    {
        length_ = std::clamp<qsizetype>(length, 0, text_.size() - start_);
    }

private:
    QString text_;
    qsizetype start_ = 0;
    qsizetype length_ = 0;
};
