// SPDX-License-Identifier: GPL-3.0-or-later
// TesmoDialog against a fake platform: the records each Show method hands over and
// how the answers written into them come back.
#include "convert/codepage.h"
#include "tests/dialogs/fake_dialog_platform.h"

#include <cmath>
#include <tuple>

namespace {

const QChar nul(u'\0');

QString u(const char16_t* s) { return QString::fromUtf16(s); }

// The filter list the platform was handed, read back as text.
QString filterSeen(FakeDialogPlatform& fake, TesmoDialog& d)
{
    fake.cancelAll();
    d.ShowOpen();
    const auto& filter = fake.openCalls.back().filter;
    return filter ? cp950::decode(*filter) : QString();
}

TEST_F(TesmoTest, FilterBarsBecomeNulsWithOneClosingNul)
{
    d.ShowOpen();
    EXPECT_FALSE(fake.openCalls.back().filter.has_value()); // never set: no list at all
    d.setFilter(u(u"純文字檔|*.txt|所有檔案|*.*"));
    EXPECT_EQ(filterSeen(fake, d), u(u"純文字檔") + nul + "*.txt" + nul + u(u"所有檔案") + nul + "*.*" + nul);
    d.setFilter("a|b|"); // the last bar already closes the list
    EXPECT_EQ(filterSeen(fake, d), QString("a") + nul + "b" + nul);
    d.setFilter("|*.srt||x"); // not validated: odd and empty parts pass through
    EXPECT_EQ(filterSeen(fake, d), QString(nul) + "*.srt" + nul + nul + "x" + nul);
    d.setFilter("");
    d.ShowOpen();
    ASSERT_TRUE(fake.openCalls.back().filter.has_value()); // an empty list, not no list
    EXPECT_TRUE(fake.openCalls.back().filter->isEmpty());

    // Any length is accepted, and Filter reads back as assigned.
    const QString pattern = QString("*.srt;").repeated(8000) + "|xxxxx";
    d.setFilter(pattern);
    EXPECT_EQ(d.Filter(), pattern);
    const QString form = filterSeen(fake, d);
    EXPECT_EQ(form.size(), pattern.size() + 1);
    EXPECT_EQ(form.at(48000), nul);
}

TEST_F(TesmoTest, FileRecordsCarryTheSettings)
{
    d.setHWnd(0x1234);
    d.setOpenSaveFlags(0x80206);
    d.setDefExtName("srt");
    d.ShowOpen();
    d.ShowSave();
    // StartDir unset: the program's folder; Title unset: no title.
    for (const auto* r : {&fake.openCalls.back(), &fake.saveCalls.back()})
        EXPECT_EQ(std::tie(r->owner, r->flags, r->filterIndex, r->file, r->maxFile, r->initialDir, r->title),
                  std::make_tuple(0x1234, 0x80206, 1, QByteArray(256, '\0'), 255,
                                  tesmo::AnsiText("/opt/subbig5"), tesmo::AnsiText()));
    EXPECT_FALSE(fake.openCalls.back().defaultExtension.has_value()); // for saving only
    EXPECT_EQ(fake.saveCalls.back().defaultExtension, QByteArray("srt"));

    d.setStartDir("");
    d.setTitle("");
    d.ShowSave();
    EXPECT_EQ(fake.saveCalls.back().initialDir, QByteArray("/opt/subbig5"));
    EXPECT_EQ(fake.saveCalls.back().title, QByteArray("")); // empty, not none

    d.setStartDir(u(u"/home/字幕"));
    d.setTitle(u(u"開啟字幕"));
    d.ShowOpen();
    EXPECT_EQ(fake.openCalls.back().initialDir, cp950::encode(u(u"/home/字幕")));
    EXPECT_EQ(fake.openCalls.back().title, cp950::encode(u(u"開啟字幕")));
}

TEST_F(TesmoTest, FileResultIsTheWholeBufferCutTo255)
{
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
    fake.chooseFile(QByteArray("/subs\0a.srt\0b.srt\0", 18));
    const QString list = d.ShowOpen();
    EXPECT_EQ(list.size(), 255);
    EXPECT_TRUE(list.startsWith(QString("/subs") + nul + "a.srt" + nul + "b.srt" + nul + nul));
}

// What ShowDir, ShowOpen, ShowSave, ShowColor and ShowFont return when their dialogs are
// cancelled, and the error number left behind.
using Results = std::tuple<QString, QString, QString, qint32, bool, int>;

Results cancelEverything(TesmoDialog& d, FakeDialogPlatform& fake)
{
    fake.cancelAll();
    TesmoError::clear();
    Results r{d.ShowDir(), d.ShowOpen(), d.ShowSave(), d.ShowColor(), d.ShowFont(), 0};
    std::get<5>(r) = TesmoError::number();
    return r;
}

TEST_F(TesmoTest, CancellationFollowsTheFlags)
{
    // BackLastName before any choice gives the empty results (LastColor starts at 0); a
    // missing DefFont is reported and opens nothing.
    d.setBackLastName(true);
    EXPECT_EQ(cancelEverything(d, fake), Results("", "", "", 0, false, TesmoError::NoObject));
    EXPECT_TRUE(fake.fontCalls.empty());
    EXPECT_FALSE(TesmoError::description().isEmpty());

    d.setDefFont(std::make_shared<StdFont>());
    fake.chooseFolder("/subs");
    fake.chooseFile("/subs/a.srt");
    fake.chooseColorRef(0x00FF00);
    fake.fontAnswer = [](tesmo::ChooseFont&) { return true; };
    const QString dir = d.ShowDir(), open = d.ShowOpen(), save = d.ShowSave();
    d.ShowColor();
    ASSERT_TRUE(d.ShowFont());
    const auto stored = [&] {
        return std::make_tuple(d.LastDirName(), d.LastOpenFileName(), d.LastSaveFileName(),
                               d.LastColor(), d.LastFont(), d.LastForeColor());
    };
    const auto chosen = stored();

    EXPECT_EQ(cancelEverything(d, fake), Results("/subs/", open, save, 0x00FF00, false, 0)); // NUL fill and all
    d.setBackLastName(false);
    EXPECT_EQ(cancelEverything(d, fake), Results("", "", "", -1, false, 0));
    d.setCancelError(true);
    d.setBackLastName(true); // CancelError wins
    EXPECT_EQ(cancelEverything(d, fake), Results("", "", "", 0, false, TesmoError::Cancelled));
    EXPECT_EQ(TesmoError::description(), u(u"使用者按下了取消"));
    EXPECT_EQ(stored(), chosen); // no cancellation touched a stored result
    EXPECT_EQ(dir, "/subs/");
}

TEST_F(TesmoTest, FolderComesBackWithOneClosingSeparator)
{
    d.setHWnd(77);
    d.setDirFlags(0x41);
    d.setTitle(u(u"選擇資料夾"));
    fake.chooseFolder(cp950::encode(u(u"/home/字幕")));
    EXPECT_EQ(d.ShowDir(), u(u"/home/字幕/"));
    EXPECT_EQ(d.LastDirName(), u(u"/home/字幕/"));
    const tesmo::BrowseInfo& info = fake.folderCalls.back();
    EXPECT_EQ(std::tie(info.owner, info.title, info.flags),
              std::make_tuple(77, tesmo::AnsiText(cp950::encode(u(u"選擇資料夾")) + '\0'), 0x41));
    EXPECT_EQ(fake.folderBuffers.back(), QByteArray(255, '\0'));

    d.setTitle(QString());
    // A root already ends in the separator; a path longer than the buffer arrives in a grown
    // buffer and comes back whole.
    const QByteArray deep = "/" + QByteArray("subtitles/").repeated(40);
    const std::pair<QByteArray, QByteArray> rows[] = {{"/", "/"}, {"/srv/subs/", "/srv/subs/"}, {deep.chopped(1), deep}};
    for (const auto& [chosen, shown] : rows) {
        fake.chooseFolder(chosen);
        EXPECT_EQ(d.ShowDir(), QString::fromLatin1(shown));
    }
    EXPECT_EQ(fake.folderCalls.back().title, QByteArray(1, '\0')); // empty instruction
}

TEST_F(TesmoTest, ColourKeepsItsThreeBytesAndEveryCallStartsFromBlack)
{
    d.setHWnd(5);
    d.setColorFlags(0x3);
    // A negative value counts by its size.
    const std::pair<qint32, qint32> rows[] = {{0xFF0000, 16711680}, {0x0000FF, 255}, {0x7F123456, 0x123456}, {-255, 255}};
    for (auto [chosen, shown] : rows) {
        fake.chooseColorRef(chosen);
        EXPECT_EQ(d.ShowColor(), shown) << chosen;
        EXPECT_EQ(d.LastColor(), shown) << chosen;
        const tesmo::ChooseColor& r = fake.colorCalls.back();
        EXPECT_EQ(std::tie(r.owner, r.rgbResult, r.flags), std::make_tuple(5, 0, 0x3));
    }
}

// The LOGFONT height and CHOOSEFONT point size handed over for a DefFont size.
std::pair<qint32, qint32> heightAndPoints(double size)
{
    FakeDialogPlatform fake;
    TesmoDialog d(fake);
    d.setDefFont(std::make_shared<StdFont>());
    d.DefFont()->setSize(size);
    d.ShowFont();
    return {fake.logFonts.back().height, fake.fontCalls.back().pointSize};
}

TEST(TesmoFont, SizesRoundHalvesToEvenAndStayInRange)
{
    EXPECT_EQ(heightAndPoints(12), std::make_pair(16, 120));
    EXPECT_EQ(heightAndPoints(3.375).first, 4);    // 4.5
    EXPECT_EQ(heightAndPoints(10.25).second, 102); // 102.5
    EXPECT_EQ(heightAndPoints(10.35).second, 104); // 103.5
    EXPECT_EQ(heightAndPoints(8.25), std::make_pair(11, 82));
    EXPECT_EQ(heightAndPoints(1e15), std::make_pair(2880, 21600));
    EXPECT_EQ(heightAndPoints(std::nan("")), heightAndPoints(StdFont().size()));
}

TEST_F(TesmoTest, FontRecordsAreFilledFromDefFont)
{
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
    EXPECT_EQ(std::make_tuple(r.owner, r.flags, r.fontType, r.rgbColors), std::make_tuple(9, 0x141, 0x300, 0x0000FF));
    const tesmo::LogFont& lf = fake.logFonts.back();
    EXPECT_EQ(QByteArray(lf.faceName.data()), cp950::encode(u(u"標楷體")));
    EXPECT_EQ(std::make_tuple(lf.italic, lf.underline, lf.strikeOut, lf.weight, lf.charSet),
              std::make_tuple(255, 0, 255, 700, 136));

    font->setBold(false);
    font->setItalic(false);
    font->setWeight(300);
    d.ShowFont(); // read as it is at the call
    EXPECT_EQ(fake.fontCalls.back().fontType, 0);
    EXPECT_EQ(fake.logFonts.back().weight, 300);

    // Long face names are cut between characters, within 31 bytes.
    const QString sixteen = u(u"微軟正黑體").repeated(4).left(16); // 32 bytes
    const std::pair<QString, QString> rows[] = {{sixteen, sixteen.left(15)}, {"a" + sixteen, "a" + sixteen.left(15)},
        {QStringLiteral("Noto Sans Mono CJK TC Regular Bold"), QStringLiteral("Noto Sans Mono CJK TC Regular B")}};
    for (const auto& [name, kept] : rows) {
        font->setName(name);
        d.ShowFont();
        EXPECT_EQ(cp950::decode(fake.logFonts.back().faceName.data()), kept);
    }
}

TEST_F(TesmoTest, ConfirmedFontIsANewSharedObject)
{
    auto start = std::make_shared<StdFont>();
    start->setWeight(900);
    start->setCharset(0);
    d.setDefFont(start);
    d.setForeColor(0x112233);
    fake.fontAnswer = [](tesmo::ChooseFont& r) {
        r.logFont->faceName.fill('\0');
        const QByteArray name = cp950::encode(u(u"細明體"));
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
    EXPECT_TRUE(first->bold() && !first->italic() && first->underline() && !first->strikethrough());
    EXPECT_EQ(first->charset(), StdFont().charset()); // not taken from the dialog
    EXPECT_EQ(d.LastForeColor(), 0x0000FF);
    // The caller's changes show through LastFont: it is the same object.
    first->setName("Arial");
    EXPECT_EQ(d.LastFont()->name(), "Arial");

    // A second choice replaces the reference; the caller keeps the first object.
    fake.fontAnswer = [](tesmo::ChooseFont&) { return true; }; // colour left as given
    ASSERT_TRUE(d.ShowFont());
    EXPECT_NE(d.LastFont(), first);
    EXPECT_EQ(first->name(), "Arial");
    EXPECT_EQ(d.LastForeColor(), 0x112233);
    EXPECT_EQ(fake.logFonts.back().weight, 900); // starts from DefFont, never from LastFont
}

} // namespace
