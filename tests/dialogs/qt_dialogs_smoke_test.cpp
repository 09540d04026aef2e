// SPDX-License-Identifier: GPL-3.0-or-later
// The real Qt dialogs open, and answer into the records, under the offscreen
// platform. A timer plays the user: it waits for the modal dialog, then acts.
#include "dialogs/folder_browser.h"
#include "dialogs/tesmo_dialog.h"
#include "dialogs/tesmo_error.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `act` on the first modal dialog that shows. Whatever is still open five
// seconds later is rejected, so that no dialog can hang the test.
class User {
public:
    explicit User(std::function<void(QDialog*)> act)
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this, act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog && !dialog->isVisible())
                dialog = nullptr;   // one that is closing, not the one we wait for
            if (dialog && seen.isNull()) {
                seen = dialog->metaObject()->className();
                act(dialog);
            } else if (++ticks_ > 250 && dialog) {
                stuck = true;
                dialog->reject();   // keep rejecting until the call under test returns
            }
        });
        timer_.start();
    }
    ~User() { EXPECT_FALSE(stuck) << qPrintable(seen) << " did not close"; }
    QString seen;
    bool stuck = false;

private:
    QTimer timer_;
    int ticks_ = 0;
};

void cancel(QDialog* dialog) { dialog->reject(); }

TEST(QtDialogs, EachDialogOpensAndCancels)
{
    TesmoDialog d;
    d.setCancelError(true);
    d.setDefFont(std::make_shared<StdFont>());
    const struct { const char* dialog; std::function<bool()> show; } calls[] = {
        {"FolderBrowser", [&] { return d.ShowDir().isEmpty(); }},
        {"QFileDialog", [&] { return d.ShowOpen().isEmpty(); }},
        {"QFileDialog", [&] { return d.ShowSave().isEmpty(); }},
        {"QColorDialog", [&] { return d.ShowColor() == 0; }},
        {"QFontDialog", [&] { return !d.ShowFont(); }},
    };
    for (const auto& call : calls) {
        TesmoError::clear();
        User user(cancel);
        EXPECT_TRUE(call.show()) << call.dialog;
        EXPECT_EQ(user.seen, call.dialog);
        EXPECT_EQ(TesmoError::number(), TesmoError::Cancelled) << call.dialog;
    }
    EXPECT_TRUE(d.LastDirName().isNull() && d.LastOpenFileName().isNull());
    EXPECT_EQ(d.LastFont(), nullptr);
    TesmoError::clear();
}

TEST(QtDialogs, ConfirmedChoicesComeBackThroughTheRecords)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("movie.srt");
    TesmoDialog d;
    d.setStartDir(dir.path());
    d.setFilter(QString::fromUtf16(u"字幕檔|*.srt|所有檔案|*.*"));
    {
        User user([&](QDialog* dialog) {
            auto* files = static_cast<QFileDialog*>(dialog);
            EXPECT_EQ(QDir(files->directory()).absolutePath(), QDir(dir.path()).absolutePath());
            EXPECT_EQ(files->selectedNameFilter(), QString::fromUtf16(u"字幕檔 (*.srt)"));
            // Typed, as a user would: selectFile() leaves a focused name box alone.
            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText("movie.srt");
            dialog->accept();
        });
        const QString saved = d.ShowSave();
        EXPECT_EQ(saved.size(), 255);
        EXPECT_EQ(saved.left(saved.indexOf(QChar(u'\0'))), path);
    }
    {
        User user([](QDialog* dialog) {
            static_cast<QColorDialog*>(dialog)->setCurrentColor(QColor(0, 0, 255));
            dialog->accept();
        });
        EXPECT_EQ(d.ShowColor(), 16711680);
    }
    {
        auto start = std::make_shared<StdFont>();
        start->setSize(12);   // Qt's dialog offers whole points only
        d.setDefFont(start);
        d.setFontFlags(0x40);
        d.setForeColor(0x00FF00);
        User user([](QDialog* dialog) { dialog->accept(); });
        ASSERT_TRUE(d.ShowFont());
        ASSERT_NE(d.LastFont(), nullptr);
        EXPECT_DOUBLE_EQ(d.LastFont()->size(), 12);
        EXPECT_EQ(d.LastForeColor(), 0x00FF00);
    }
    {
        User user([](QDialog* dialog) { dialog->accept(); });   // the home folder is preselected
        EXPECT_EQ(d.ShowDir(), QDir::homePath() + "/");
    }
}

} // namespace
