// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/status_bar.h"

#include <QLabel>
#include <QPainter>
#include <QStyle>

namespace {

// A label that takes whatever width the bar leaves it and cuts its text to fit, so that a long
// note never widens the window.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
    QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
    }
};

} // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent), note_(new ElidedLabel(this))
{
    setObjectName("statusBar");
    note_->setObjectName("note");
    note_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // An ordinary widget: a menu's status tip hides it for a moment and it comes back after.
    addWidget(note_, 1);
}

void StatusBar::setNote(const QString& text, const QString& details)
{
    note_->setText(text);
    note_->setToolTip(details.isEmpty() ? text : details);
}

void StatusBar::clearNote()
{
    setNote(QString());
}

QString StatusBar::note() const
{
    return note_->text();
}

void StatusBar::setField(const QString& name, const QString& text)
{
    auto* label = findChild<QLabel*>(name, Qt::FindDirectChildrenOnly);
    if (!label) {
        label = new QLabel(this);
        label->setObjectName(name);
        addPermanentWidget(label);
    }
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

QString StatusBar::field(const QString& name) const
{
    const auto* label = findChild<QLabel*>(name, Qt::FindDirectChildrenOnly);
    return label ? label->text() : QString();
}
