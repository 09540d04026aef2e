// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: load the file named on the command line, then the conversion tables,
// then show the window.
#include "app/preferences_dialog.h"
#include "app/form1.h"
#include "app/prompter.h"
#include "convert/tables.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <exception>
#include <stdexcept>

static int runEditor(int argc, char** argv);

int main(int argc, char** argv)
{
    try {
        return runEditor(argc, argv);
    } catch (const std::exception& e) {   // a broken build: an ICU converter missing
        std::fprintf(stderr, "subbig5: %s\n", e.what());
        return 1;
    }
}

static int runEditor(int argc, char** argv)
{
    // Without a display Qt would abort with a long message; say it in one line instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "subbig5: no display (X11 or Wayland) to show the editor on; "
                             "subbig5-convert does the same work without one.\n");
        return 1;
    }
    // The command line is one file path and nothing else: Qt never sees it, so a file named
    // "-reverse" or "-style x" is opened rather than taken as one of Qt's own options. The
    // bytes are kept as they are, so a name that is not UTF-8 still finds its file.
    const QString path = commandLinePath(argc, argv);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(kAppTitle);
    QApplication::setOrganizationName(kAppTitle);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/subbig5.svg")));
    // Every text of the program is Traditional Chinese, the standard buttons and dialogs too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_TW"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    phrase::setPreferences(savedPreferences());   // 轉換偏好, as last chosen
    Form1 window;
    if (!path.isEmpty())
        window.Sum(path);   // a failure is reported and start-up goes on

    try {
        modBig2GB::loadAllTables();
    } catch (const std::runtime_error& e) {
        window.prompter().tell(nullptr, kAppTitle, QString::fromUtf8(e.what()), Prompter::Icon::Critical);
        return 1;
    }
    window.show();
    return QApplication::exec();
}
