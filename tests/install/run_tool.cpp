// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/install/run_tool.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace testutil {

ToolResult runTool(const QString& program, const QStringList& arguments,
                   const QList<QPair<QString, QString>>& environment, const QString& workingDirectory)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    for (const auto& [name, value] : environment)
        env.insert(name, value);
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    ToolResult r;
    r.finished = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    r.exitCode = process.exitCode();
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

bool haveTool(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

} // namespace testutil
