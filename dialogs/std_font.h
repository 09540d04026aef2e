// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The standard font object: the eight properties a font dialog reads and writes,
// shared by reference (std::shared_ptr) so that a change made through one holder
// is seen by every other.
#include <QString>
#include <QtGlobal>

#include <memory>

class StdFont {
public:
    // A new object describes the system's default dialog font on a Big5 desktop.
    StdFont();

    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }

    // Point size, fixed point with four decimals (10.5 is held as 105000).
    double size() const { return double(sizeTenThousandths_) / 10000.0; }
    void setSize(double points);
    qint64 sizeTenThousandths() const { return sizeTenThousandths_; }
    void setSizeTenThousandths(qint64 units) { sizeTenThousandths_ = units; }

    // Bold and Weight describe one thing, as on the platform: bold means a weight
    // above 550, and setting Bold moves the weight to 700 or 400.
    bool bold() const { return weight_ > 550; }
    void setBold(bool bold) { weight_ = bold ? 700 : 400; }
    qint16 weight() const { return weight_; }
    void setWeight(qint16 weight) { weight_ = weight; }

    bool italic() const { return italic_; }
    void setItalic(bool on) { italic_ = on; }
    bool underline() const { return underline_; }
    void setUnderline(bool on) { underline_ = on; }
    bool strikethrough() const { return strikethrough_; }
    void setStrikethrough(bool on) { strikethrough_ = on; }

    qint16 charset() const { return charset_; }
    void setCharset(qint16 charset) { charset_ = charset; }

private:
    QString name_;
    qint64 sizeTenThousandths_;
    qint16 weight_;
    qint16 charset_;
    bool italic_ = false;
    bool underline_ = false;
    bool strikethrough_ = false;
};

using StdFontRef = std::shared_ptr<StdFont>;
