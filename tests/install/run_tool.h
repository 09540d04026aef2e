// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs another program for a test and collects what it says.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace testutil {

struct ToolResult {
    bool finished = false;   // started and ended within the time allowed
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// `environment` is added to this process's own. A sanitizer build's leak report is turned off
// in the child: the programs run here are checked for what they print, not for their exit leaks.
// The program runs in `workingDirectory` when one is given.
ToolResult runTool(const QString& program, const QStringList& arguments,
                   const QList<QPair<QString, QString>>& environment = {}, const QString& workingDirectory = {});

// True when `name` is found on PATH.
bool haveTool(const QString& name);

} // namespace testutil
