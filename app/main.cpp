// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: load the file named on the command line, then the conversion tables,
// then show the window. `subbig5 --help` and `subbig5 --version` print and end instead,
// unless a file of that name exists.
#include "app/preferences_dialog.h"
#include "app/form1.h"
#include "app/prompter.h"
#include "convert/tables.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <sys/stat.h>

static int runEditor(int argc, char** argv);

namespace {

const char kUsage[] =
    "用法：subbig5 [檔案]\n"
    "SubBig5 字幕編輯器：開啟字幕或純文字檔，簡轉繁、繁轉簡、字幕矯正，再存檔。\n"
    "開啟時判斷編碼：有 BOM 的檔案依 BOM（UTF-8、UTF-16），其餘 UTF-8 檔案以 UTF-8，\n"
    "再其餘以 Big5（GB2312 檔案此時看似亂碼，簡轉繁後即可閱讀）。\n"
    "\n"
    "命令列上的所有參數以空格接成一個檔案路徑（引號去掉），所以沒有別的選項；\n"
    "只有在沒有同名檔案時，下面兩個才是選項：\n"
    "  -h, --help     顯示這段說明\n"
    "      --version  顯示版本\n"
    "\n"
    "不開視窗做同樣的轉換：subbig5-convert（subbig5-convert --help）。\n";

enum class Request { Edit, Help, Version };

// --help and --version are what they say only when they are the whole command line and no file
// of that name exists: the command line is a path, and a file called "--help" still opens.
Request request(int argc, char** argv)
{
    if (argc != 2)
        return Request::Edit;
    const char* word = argv[1];
    const bool help = std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
    const bool version = std::strcmp(word, "--version") == 0;
    struct stat st {};
    if ((!help && !version) || ::lstat(word, &st) == 0)
        return Request::Edit;
    return help ? Request::Help : Request::Version;
}

// Writes the text to standard output; a failure to write it (a closed or full output) is an error.
int print(const QByteArray& text)
{
    if (std::fwrite(text.constData(), 1, size_t(text.size()), stdout) != size_t(text.size()) || std::fflush(stdout) != 0) {
        std::fputs("subbig5: 無法寫到標準輸出\n", stderr);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    switch (request(argc, argv)) {
    case Request::Help:
        return print(QByteArray(kUsage));
    case Request::Version:
        return print(QByteArrayLiteral("subbig5 ") + QByteArrayLiteral(SUBBIG5_VERSION) + '\n');
    case Request::Edit:
        break;
    }
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
