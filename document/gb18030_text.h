// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// GB18030 through ICU, every byte it cannot read kept as its reserved code point (encoding.h).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>

namespace document::gb18030 {

QString decode(QByteArrayView bytes);

// Writes text that holds no reserved code point and no lone surrogate.
class Encoder {
public:
    Encoder();   // throws std::runtime_error without ICU's GB18030 converter (a broken build)
    ~Encoder();
    void append(QByteArray& out, QStringView text);

private:
    struct Converter;
    std::unique_ptr<Converter> converter_;
};

} // namespace document::gb18030
