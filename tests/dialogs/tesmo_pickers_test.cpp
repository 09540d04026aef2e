#include "dialogs/tesmo_dialog.h"
#include "dialogs/tesmo_error.h"
#include "convert/codepage.h"
#include "fake_dialog_platform.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

QString u(const char16_t* s) { return QString::fromUtf16(s); }

TEST(TesmoShowDir, FolderComesBackWithOneClosingSeparator)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    d.setHWnd(77);
    d.setDirFlags(0x41);
    d.setTitle(u(u"選擇資料夾"));

    fake.chooseFolder(cp950::encode(u(u"/home/字幕")));
    EXPECT_EQ(d.ShowDir(), u(u"/home/字幕/"));
    EXPECT_EQ(d.LastDirName(), u(u"/home/字幕/"));
    const tesmo::BrowseInfo& info = fake.folderCalls.back();
    EXPECT_EQ(info.owner, 77);
    EXPECT_EQ(info.root, 0);
    EXPECT_FALSE(info.displayName.has_value());
    EXPECT_EQ(info.title, cp950::encode(u(u"選擇資料夾")) + '\0');
    EXPECT_EQ(info.flags, 0x41);
    EXPECT_EQ(fake.folderBuffers.back(), QByteArray(255, '\0'));

    fake.chooseFolder("/");   // a root already ends in the separator
    EXPECT_EQ(d.ShowDir(), "/");

    d.setTitle(QString());
    fake.chooseFolder("/srv/subs/");
    EXPECT_EQ(d.ShowDir(), "/srv/subs/");
    EXPECT_EQ(fake.folderCalls.back().title, QByteArray(1, '\0'));   // empty instruction

    // A path longer than the buffer arrives in a grown buffer and comes back whole.
    const QByteArray deep = "/" + QByteArray("subtitles/").repeated(40);
    fake.chooseFolder(deep.chopped(1));
    EXPECT_EQ(d.ShowDir(), QString::fromLatin1(deep));
}

TEST(TesmoShowColor, ColourReferencesAndTheirRebuild)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    d.setHWnd(5);
    d.setColorFlags(0x3);

    fake.chooseColorRef(0x0000FF);
    EXPECT_EQ(d.ShowColor(), 255);
    fake.chooseColorRef(0xFF0000);
    EXPECT_EQ(d.ShowColor(), 16711680);
    EXPECT_EQ(d.LastColor(), 16711680);

    // Every call starts from black, whatever was chosen last.
    const tesmo::ChooseColor& r = fake.colorCalls.back();
    EXPECT_EQ(r.structSize, 36);
    EXPECT_EQ(r.owner, 5);
    EXPECT_EQ(r.instance, 0x400000);
    EXPECT_EQ(r.rgbResult, 0);
    EXPECT_EQ(r.flags, 0x3);

    // Only the three colour bytes survive; a negative value counts by its size.
    fake.chooseColorRef(0x7F123456);
    EXPECT_EQ(d.ShowColor(), 0x123456);
    fake.chooseColorRef(-255);
    EXPECT_EQ(d.ShowColor(), 255);
    fake.chooseColorRef(0);
    EXPECT_EQ(d.ShowColor(), 0);
    EXPECT_EQ(d.LastColor(), 0);
}

// The LOGFONT height and CHOOSEFONT point size handed over for a DefFont size.
std::pair<qint32, qint32> heightAndPoints(double size)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    auto font = std::make_shared<StdFont>();
    font->setSize(size);
    d.setDefFont(font);
    d.ShowFont();
    return {fake.logFonts.back().height, fake.fontCalls.back().pointSize};
}

TEST(TesmoShowFont, SizesRoundHalvesToEven)
{
    EXPECT_EQ(heightAndPoints(12), std::make_pair(16, 120));
    EXPECT_EQ(heightAndPoints(9), std::make_pair(12, 90));
    EXPECT_EQ(heightAndPoints(10), std::make_pair(13, 100));
    EXPECT_EQ(heightAndPoints(3.375).first, 4);        // 4.5
    EXPECT_EQ(heightAndPoints(10.25).second, 102);     // 102.5
    EXPECT_EQ(heightAndPoints(10.35).second, 104);     // 103.5
    EXPECT_EQ(heightAndPoints(8.25), std::make_pair(11, 82));
    // Absurd sizes stay within the records' 32-bit fields instead of overflowing.
    EXPECT_EQ(heightAndPoints(1e15), std::make_pair(2880, 21600));
    EXPECT_EQ(heightAndPoints(std::nan("")), heightAndPoints(StdFont().size()));
}

TEST(TesmoShowFont, RecordsAreFilledFromDefFont)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    auto font = std::make_shared<StdFont>();
    font->setName(u(u"標楷體"));
    font->setBold(true);
    font->setItalic(true);
    font->setStrikethrough(true);
    font->setCharset(136);
    d.setDefFont(font);
    d.setHWnd(9);
    d.setFontFlags(0x141);
    d.setForeColor(0x0000FF);
    d.ShowFont();

    const tesmo::ChooseFont& r = fake.fontCalls.back();
    EXPECT_EQ(r.structSize, 60);
    EXPECT_EQ(r.owner, 9);
    EXPECT_EQ(r.instance, 0x400000);
    EXPECT_EQ(r.flags, 0x141);
    EXPECT_EQ(r.fontType, 0x300);
    EXPECT_EQ(r.rgbColors, 0x0000FF);
    const tesmo::LogFont& lf = fake.logFonts.back();
    EXPECT_EQ(QByteArray(lf.faceName.data()), cp950::encode(u(u"標楷體")));
    EXPECT_EQ(lf.italic, 255);
    EXPECT_EQ(lf.underline, 0);
    EXPECT_EQ(lf.strikeOut, 255);
    EXPECT_EQ(lf.weight, 700);
    EXPECT_EQ(lf.charSet, 136);

    font->setBold(false);
    font->setItalic(false);
    font->setWeight(300);
    d.ShowFont();
    EXPECT_EQ(fake.fontCalls.back().fontType, 0);
    EXPECT_EQ(fake.logFonts.back().weight, 300);
}

TEST(TesmoShowFont, LongFaceNamesAreCutBetweenCharacters)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    auto font = std::make_shared<StdFont>();
    d.setDefFont(font);

    const QString sixteen = QString(u(u"微軟正黑體")).repeated(4).left(16);   // 32 bytes
    font->setName(sixteen);
    d.ShowFont();
    EXPECT_EQ(cp950::decode(fake.logFonts.back().faceName.data()), sixteen.left(15));

    font->setName("a" + sixteen);   // 31 bytes fit exactly after the "a"
    d.ShowFont();
    EXPECT_EQ(cp950::decode(fake.logFonts.back().faceName.data()), "a" + sixteen.left(15));
    EXPECT_EQ(fake.logFonts.back().faceName[31], '\0');

    font->setName(QString("Noto Sans Mono CJK TC Regular Bold"));   // 34 single bytes
    d.ShowFont();
    EXPECT_EQ(QByteArray(fake.logFonts.back().faceName.data()), "Noto Sans Mono CJK TC Regular B");
}

TEST(TesmoShowFont, ConfirmedFontIsANewSharedObject)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    auto start = std::make_shared<StdFont>();
    start->setWeight(900);
    start->setCharset(0);
    d.setDefFont(start);
    d.setForeColor(0x112233);
    fake.fontAnswer = [](tesmo::ChooseFont& r) {
        std::fill(r.logFont->faceName.begin(), r.logFont->faceName.end(), '\0');
        const QByteArray name = cp950::encode(QString::fromUtf16(u"細明體"));
        std::copy(name.begin(), name.end(), r.logFont->faceName.begin());
        r.logFont->underline = 1;
        r.logFont->strikeOut = 0;
        r.pointSize = 105;
        r.fontType = tesmo::ChooseFont::BoldType | tesmo::ChooseFont::ScreenType;
        r.rgbColors = 0x0000FF;
        return true;
    };
    ASSERT_TRUE(d.ShowFont());
    StdFontRef first = d.LastFont();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, start);
    EXPECT_EQ(first->name(), u(u"細明體"));
    EXPECT_EQ(first->size(), 10.5);
    EXPECT_TRUE(first->bold());
    EXPECT_FALSE(first->italic());
    EXPECT_TRUE(first->underline());
    EXPECT_FALSE(first->strikethrough());
    EXPECT_EQ(first->charset(), StdFont().charset());   // not taken from the dialog
    EXPECT_EQ(d.LastForeColor(), 0x0000FF);

    // The caller's changes show through LastFont: it is the same object.
    first->setName("Arial");
    EXPECT_EQ(d.LastFont()->name(), "Arial");

    // A second choice replaces the reference; the caller keeps the first object.
    fake.fontAnswer = [](tesmo::ChooseFont&) { return true; };   // colour left as given
    ASSERT_TRUE(d.ShowFont());
    EXPECT_NE(d.LastFont(), first);
    EXPECT_EQ(first->name(), "Arial");
    EXPECT_EQ(d.LastForeColor(), 0x112233);
    // The dialog starts from DefFont each time, never from LastFont.
    EXPECT_EQ(fake.logFonts.back().weight, 900);
}

TEST(TesmoShowFont, NoDefFontIsReportedAndOpensNothing)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    fake.fontAnswer = [](tesmo::ChooseFont&) { return true; };
    TesmoError::clear();
    EXPECT_FALSE(d.ShowFont());
    EXPECT_EQ(TesmoError::number(), TesmoError::NoObject);
    EXPECT_FALSE(TesmoError::description().isEmpty());
    EXPECT_TRUE(fake.fontCalls.empty());
    EXPECT_EQ(d.LastFont(), nullptr);
    TesmoError::clear();
    EXPECT_EQ(TesmoError::number(), 0);
    EXPECT_TRUE(TesmoError::description().isEmpty());
}

} // namespace
