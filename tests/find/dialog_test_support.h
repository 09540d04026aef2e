#pragma once
// Helpers for driving the Find and Replace dialogs in tests.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <initializer_list>

namespace dialogtest {

template <class W = QWidget>
W* child(QWidget* parent, const char* name)
{
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Types text as key presses carrying the characters, as an input method commits them.
inline void type(QWidget* w, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A control as designed: place in twips (15 a pixel) and caption (empty for text boxes).
struct Designed {
    const char* name;
    QRect twips;
    QString caption;
};

inline void expectDesigned(QWidget* dialog, std::initializer_list<Designed> controls)
{
    for (const Designed& e : controls) {
        QWidget* w = child(dialog, e.name);
        if (!w)
            continue;
        const QRect& t = e.twips;
        EXPECT_EQ(w->geometry(), QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15)) << e.name;
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            caption = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            caption = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            caption = g->title();
        else if (auto* box = qobject_cast<QLineEdit*>(w))
            caption = box->text();
        EXPECT_EQ(caption, e.caption) << e.name;
    }
}

} // namespace dialogtest
