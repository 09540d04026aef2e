// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The error record a caller reads after a TesmoDialog call: one number and one
// description per thread, written by the class and cleared only by the caller.
#include <QString>

class TesmoError {
public:
    // The user cancelled a dialog while CancelError was set.
    static constexpr int Cancelled = 32755;
    // ShowFont was called with no DefFont to read.
    static constexpr int NoObject = 91;

    static int number();
    static QString description();
    static void clear();
    static void raise(int number, const QString& description);
    // 32755 and "使用者按下了取消".
    static void raiseCancelled();
};
