// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the real dialogs of TesmoDialog one after another and prints what each
// returned: tesmo-demo [dir|open|save|color|font ...] [--close-after MS]
// With --close-after each dialog is cancelled by itself after MS milliseconds.
#include "dialogs/tesmo_dialog.h"
#include "dialogs/tesmo_error.h"

#include <QApplication>
#include <QDialog>
#include <QTextStream>
#include <QTimer>

namespace {

QTextStream out(stdout);

// The text up to its first NUL, and how long the whole result is.
QString shown(const QString& result)
{
    const qsizetype end = result.indexOf(QChar(u'\0'));
    return QStringLiteral("\"%1\" (%2 characters)").arg(end < 0 ? result : result.left(end)).arg(result.size());
}

void cancelEachDialogAfter(int ms)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(ms);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    timer->start();
}

void run(TesmoDialog& d, const QString& which)
{
    TesmoError::clear();
    if (which == QLatin1String("dir")) {
        d.setTitle(QString::fromUtf16(u"請選擇存放字幕的資料夾"));
        out << "ShowDir: " << shown(d.ShowDir()) << Qt::endl;
    } else if (which == QLatin1String("open")) {
        d.setTitle(QString::fromUtf16(u"開啟字幕檔"));
        out << "ShowOpen: " << shown(d.ShowOpen()) << Qt::endl;
    } else if (which == QLatin1String("save")) {
        d.setTitle(QString::fromUtf16(u"儲存字幕檔"));
        out << "ShowSave: " << shown(d.ShowSave()) << Qt::endl;
    } else if (which == QLatin1String("color")) {
        out << "ShowColor: " << d.ShowColor() << Qt::endl;
    } else if (which == QLatin1String("font")) {
        const bool chosen = d.ShowFont();
        out << "ShowFont: " << chosen;
        if (chosen)
            out << " " << d.LastFont()->name() << " " << d.LastFont()->size();
        out << Qt::endl;
    } else {
        out << "unknown dialog " << which << Qt::endl;
        return;
    }
    if (TesmoError::number() != 0)
        out << "  error " << TesmoError::number() << " " << TesmoError::description() << Qt::endl;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList which;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--close-after") && i + 1 < args.size())
            cancelEachDialogAfter(args[++i].toInt());
        else
            which.append(args[i]);
    }
    if (which.isEmpty())
        which = {"dir", "open", "save", "color", "font"};

    TesmoDialog d;
    d.setCancelError(true);
    d.setFilter(QString::fromUtf16(u"字幕檔|*.srt;*.txt|所有檔案|*.*"));
    d.setDefExtName(QStringLiteral("srt"));
    d.setOpenSaveFlags(0x2);   // ask before overwriting
    d.setFontFlags(0x40);      // start from the given font
    auto font = std::make_shared<StdFont>();
    font->setName(QStringLiteral("Noto Sans CJK TC"));
    font->setSize(12);
    d.setDefFont(font);
    for (const QString& w : which)
        run(d, w);
    return 0;
}
