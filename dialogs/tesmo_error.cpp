// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/tesmo_error.h"

namespace {

struct Record {
    int number = 0;
    QString description;
};

Record& record()
{
    thread_local Record r;
    return r;
}

} // namespace

int TesmoError::number() { return record().number; }

QString TesmoError::description() { return record().description; }

void TesmoError::clear() { record() = Record{}; }

void TesmoError::raise(int number, const QString& description)
{
    record().number = number;
    record().description = description;
}

void TesmoError::raiseCancelled()
{
    raise(Cancelled, QString::fromUtf16(u"使用者按下了取消"));
}
