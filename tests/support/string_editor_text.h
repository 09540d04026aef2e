// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plain in-memory EditorText, for tests that need no real text area.

#include "document/editor_text.h"

#include <algorithm>

class StringEditorText : public document::EditorText {
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
