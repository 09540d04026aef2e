#include "dialogs/tesmo_dialog.h"
#include "dialogs/tesmo_error.h"
#include "convert/codepage.h"
#include "fake_dialog_platform.h"

#include <gtest/gtest.h>

namespace {

const QChar nul(u'\0');

QString u(const char16_t* s) { return QString::fromUtf16(s); }

// The dialog form the platform was handed, read back as text.
QString filterSeen(FakeDialogPlatform& fake, TesmoDialog& d)
{
    fake.cancelAll();
    d.ShowOpen();
    const auto& filter = fake.openCalls.back().filter;
    return filter ? cp950::decode(*filter) : QString();
}

TEST(TesmoDialog, StartsWithNothingSet)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    EXPECT_EQ(d.hWnd(), 0);
    EXPECT_FALSE(d.CancelError());
    EXPECT_FALSE(d.BackLastName());
    EXPECT_TRUE(d.Title().isNull());
    EXPECT_TRUE(d.StartDir().isNull());
    EXPECT_TRUE(d.DefExtName().isNull());
    EXPECT_TRUE(d.Filter().isNull());
    EXPECT_EQ(d.DefFont(), nullptr);
    EXPECT_TRUE(d.LastDirName().isNull());
    EXPECT_TRUE(d.LastOpenFileName().isNull());
    EXPECT_TRUE(d.LastSaveFileName().isNull());
    EXPECT_EQ(d.LastColor(), 0);
    EXPECT_EQ(d.LastFont(), nullptr);
    EXPECT_EQ(d.LastForeColor(), 0);
}

TEST(TesmoFilter, BarsBecomeNulsWithOneClosingNul)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);

    const QString subtitles = u(u"純文字檔|*.txt|所有檔案|*.*");
    d.setFilter(subtitles);
    EXPECT_EQ(d.Filter(), subtitles);
    const QString form = filterSeen(fake, d);
    EXPECT_EQ(form.size(), 20);
    EXPECT_EQ(form, u(u"純文字檔") + nul + "*.txt" + nul + u(u"所有檔案") + nul + "*.*" + nul);

    d.setFilter("a|b|");   // the last bar already closes the list
    EXPECT_EQ(filterSeen(fake, d), QString("a") + nul + "b" + nul);

    d.setFilter("|*.srt||x");   // not validated: odd and empty parts pass through
    EXPECT_EQ(filterSeen(fake, d), QString(nul) + "*.srt" + nul + nul + "x" + nul);

    d.setFilter("");
    EXPECT_FALSE(d.Filter().isNull());
    EXPECT_TRUE(d.Filter().isEmpty());
    ASSERT_TRUE(fake.openCalls.size() == 3);
    d.ShowOpen();
    ASSERT_TRUE(fake.openCalls.back().filter.has_value());   // an empty list, not no list
    EXPECT_TRUE(fake.openCalls.back().filter->isEmpty());

    TesmoDialog never(fake);
    never.ShowOpen();
    EXPECT_FALSE(fake.openCalls.back().filter.has_value());
}

TEST(TesmoFilter, AnyLengthIsAccepted)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    const QString pattern = QString("*.srt;").repeated(8000) + "|" + QString("x").repeated(5);
    ASSERT_GT(pattern.size(), 32767);
    d.setFilter(pattern);
    EXPECT_EQ(d.Filter(), pattern);
    const QString form = filterSeen(fake, d);
    EXPECT_EQ(form.size(), pattern.size() + 1);
    EXPECT_EQ(form.at(48000), nul);
}

TEST(TesmoFileDialogs, RecordCarriesTheSettings)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    d.setHWnd(0x1234);
    d.setOpenSaveFlags(0x80206);
    d.setDefExtName("srt");
    d.ShowOpen();
    d.ShowSave();
    for (const auto* r : {&fake.openCalls.back(), &fake.saveCalls.back()}) {
        EXPECT_EQ(r->structSize, 76);
        EXPECT_EQ(r->owner, 0x1234);
        EXPECT_EQ(r->instance, 0x400000);
        EXPECT_FALSE(r->customFilter.has_value());
        EXPECT_EQ(r->filterIndex, 1);
        EXPECT_EQ(r->file, QByteArray(256, '\0'));
        EXPECT_EQ(r->maxFile, 255);
        EXPECT_EQ(r->fileTitle, QByteArray(256, '\0'));
        EXPECT_EQ(r->maxFileTitle, 255);
        EXPECT_EQ(r->initialDir, QByteArray("/opt/subbig5"));   // StartDir unset
        EXPECT_FALSE(r->title.has_value());
        EXPECT_EQ(r->flags, 0x80206);
    }
    EXPECT_FALSE(fake.openCalls.back().defaultExtension.has_value());
    EXPECT_EQ(fake.saveCalls.back().defaultExtension, QByteArray("srt"));

    d.setStartDir("");
    d.setTitle("");
    d.setDefExtName("");
    d.ShowSave();
    EXPECT_EQ(fake.saveCalls.back().initialDir, QByteArray("/opt/subbig5"));
    EXPECT_EQ(fake.saveCalls.back().title, QByteArray(""));          // empty, not none
    EXPECT_EQ(fake.saveCalls.back().defaultExtension, QByteArray(""));

    d.setStartDir(u(u"/home/字幕"));
    d.setTitle(u(u"開啟字幕"));
    d.ShowOpen();
    EXPECT_EQ(fake.openCalls.back().initialDir, cp950::encode(u(u"/home/字幕")));
    EXPECT_EQ(fake.openCalls.back().title, cp950::encode(u(u"開啟字幕")));
}

TEST(TesmoFileDialogs, ResultIsTheWholeBufferCutTo255)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);

    fake.chooseFile("/a/b.srt");
    const QString opened = d.ShowOpen();
    EXPECT_EQ(opened, QString("/a/b.srt") + QString(247, nul));
    EXPECT_EQ(d.LastOpenFileName(), opened);
    EXPECT_TRUE(d.LastSaveFileName().isNull());

    // Two double-byte characters: 256 bytes read as 254 characters, cut to 255.
    fake.chooseFile(cp950::encode(u(u"/字幕.srt")));
    const QString saved = d.ShowSave();
    EXPECT_EQ(saved.size(), 254);
    EXPECT_TRUE(saved.startsWith(u(u"/字幕.srt") + nul));
    EXPECT_EQ(d.LastSaveFileName(), saved);
    EXPECT_EQ(d.LastOpenFileName(), opened);

    // One double-byte character: 255 characters, exactly the cut.
    fake.chooseFile(cp950::encode(u(u"/字.srt")));
    EXPECT_EQ(d.ShowSave().size(), 255);

    // A multi-select answer keeps its NUL-separated list.
    d.setOpenSaveFlags(0x80200);
    fake.chooseFile(QByteArray("/subs\0a.srt\0b.srt\0", 18));
    const QString list = d.ShowOpen();
    EXPECT_EQ(list.size(), 255);
    EXPECT_TRUE(list.startsWith(QString("/subs") + nul + "a.srt" + nul + "b.srt" + nul + nul));
}

// What each Show method returns when its dialog is cancelled, after one
// confirmed call of each kind has stored a result.
struct Cancelled {
    QString dir, open, save;
    qint32 color;
    bool font;
};

Cancelled cancelEverything(TesmoDialog& d, FakeDialogPlatform& fake)
{
    fake.cancelAll();
    return {d.ShowDir(), d.ShowOpen(), d.ShowSave(), d.ShowColor(), d.ShowFont()};
}

TEST(TesmoCancellation, EveryDialogFollowsTheFlags)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    d.setDefFont(std::make_shared<StdFont>());
    fake.chooseFolder("/subs");
    fake.chooseFile("/subs/a.srt");
    fake.chooseColorRef(0x00FF00);
    fake.fontAnswer = [](tesmo::ChooseFont&) { return true; };
    const QString dir = d.ShowDir(), open = d.ShowOpen(), save = d.ShowSave();
    d.ShowColor();
    ASSERT_TRUE(d.ShowFont());
    const StdFontRef font = d.LastFont();
    const qint32 foreColor = d.LastForeColor();

    TesmoError::clear();
    Cancelled r = cancelEverything(d, fake);
    EXPECT_TRUE(r.dir.isEmpty() && r.open.isEmpty() && r.save.isEmpty());
    EXPECT_EQ(r.color, -1);
    EXPECT_FALSE(r.font);
    EXPECT_EQ(TesmoError::number(), 0);

    d.setBackLastName(true);
    r = cancelEverything(d, fake);
    EXPECT_EQ(r.dir, "/subs/");
    EXPECT_EQ(r.open, open);   // NUL fill and all
    EXPECT_EQ(r.save, save);
    EXPECT_EQ(r.color, 0x00FF00);
    EXPECT_FALSE(r.font);
    EXPECT_EQ(TesmoError::number(), 0);

    d.setCancelError(true);
    r = cancelEverything(d, fake);
    EXPECT_TRUE(r.dir.isEmpty() && r.open.isEmpty() && r.save.isEmpty());
    EXPECT_EQ(r.color, 0);
    EXPECT_FALSE(r.font);
    EXPECT_EQ(TesmoError::number(), 32755);
    EXPECT_EQ(TesmoError::description(), u(u"使用者按下了取消"));

    // No cancellation touched a stored result.
    EXPECT_EQ(d.LastDirName(), dir);
    EXPECT_EQ(d.LastOpenFileName(), open);
    EXPECT_EQ(d.LastSaveFileName(), save);
    EXPECT_EQ(d.LastColor(), 0x00FF00);
    EXPECT_EQ(d.LastFont(), font);
    EXPECT_EQ(d.LastForeColor(), foreColor);
    TesmoError::clear();
}

TEST(TesmoCancellation, BackLastNameBeforeAnyChoiceGivesTheEmptyResult)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    d.setBackLastName(true);
    TesmoError::clear();
    const Cancelled r = cancelEverything(d, fake);
    EXPECT_TRUE(r.dir.isEmpty() && r.open.isEmpty() && r.save.isEmpty());
    EXPECT_EQ(r.color, 0);   // LastColor's start value
    EXPECT_FALSE(r.font);    // no DefFont: reported, nothing opened
    EXPECT_EQ(TesmoError::number(), TesmoError::NoObject);
    EXPECT_TRUE(fake.fontCalls.empty());
    TesmoError::clear();
}

} // namespace
