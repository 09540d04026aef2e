// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands.h"

#include "convert/char_conversion.h"
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "convert/phrase/conversion.h"
#include "convert/review_words.h"
#include "convert/subtitle_text.h"
#include "document/gb18030_text.h"
#include "document/reserved_code_points.h"
#include "correct/correction.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace document {
namespace {

constexpr QChar kIdeographicSpace(0x3000);

subtitle::Converted sameLength(QString text)
{
    return {std::move(text), std::nullopt};
}

// Characters the conversion turned into ideographic spaces; it keeps the length, so the two
// texts line up unit by unit.
modBig2GB::GbFindings blankedBetween(const QString& before, const QString& after)
{
    modBig2GB::GbFindings f;
    // No conversion turns an ideographic space into anything else, so counting tells whether
    // there is anything to find.
    if (std::count(after.begin(), after.end(), kIdeographicSpace) == std::count(before.begin(), before.end(), kIdeographicSpace))
        return f;
    for (qsizetype i = 0; i < before.size() && i < after.size(); ++i) {
        if (after[i] == kIdeographicSpace && before[i] != kIdeographicSpace && f.blanked++ == 0)
            f.blankedLine = modBig2GB::lineNumberAt(before, i);
    }
    return f;
}

// GB18030 bytes of the Big5 road as characters. A byte that starts no character reads as code
// page 950 reads it alone, so a Big5 save writes it back.
QString decodeGb18030KeepingBig5Bytes(QByteArrayView bytes)
{
    QString text = gb18030::decode(bytes);
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const char32_t c = QChar::surrogateToUcs4(text[i], text[i + 1]);
        if (!text[i].isHighSurrogate() || c < reserved::kRawByteBase)
            continue;
        const char byte = char(c - reserved::kRawByteBase);
        text.replace(i, 2, cp950::decode(QByteArrayView(&byte, 1)));
    }
    return text;
}

// What a Big5 document's text really is, when its bytes are a GB2312 or GBK file shown
// undecoded. Characters that code page 950 cannot hold have no such bytes; they stay.
QString readAsGb18030(const QString& text)
{
    std::vector<cp950::Unencodable> misses;
    const QByteArray bytes = cp950::encode(text, &misses);
    QString out;
    qsizetype from = 0;
    for (const cp950::Unencodable& miss : misses) {
        // Each miss stands as "?", which no GB18030 character contains, so the pieces read alone.
        out += decodeGb18030KeepingBig5Bytes(QByteArrayView(bytes).sliced(from, miss.byteOffset - from));
        out += text.mid(miss.textIndex, miss.textLength);
        from = miss.byteOffset + 1;
    }
    return out + decodeGb18030KeepingBig5Bytes(QByteArrayView(bytes).sliced(from));
}

CommandResult phraseStep(const QString& text, Encoding encoding, std::optional<subtitle::Format> format)
{
    CommandResult r;
    // On the Big5 road only what is read goes through GB18030: the rest (an ASS file's Comment
    // lines, its Title) keeps its code page 950 characters, so a save gives its bytes back.
    const bool big5 = encoding == Encoding::Big5;
    r.text = subtitle::convertReadable(text, [&](QStringView piece) {
        const QString simplified = big5 ? readAsGb18030(piece.toString()) : piece.toString();
        std::vector<convert::LengthChange> changes;
        phrase::Result converted = phrase::toTaiwan(simplified, &changes);
        if (!converted.ok) {
            r.ok = false;
            r.error = converted.error;
        }
        // The changes count in the GB18030 reading; they fit the piece only if it kept its length.
        if (simplified.size() != piece.size())
            return subtitle::Converted{std::move(converted.text), std::nullopt};
        return subtitle::Converted{std::move(converted.text), std::move(changes)};
    }, format);
    return r;
}

} // namespace

CommandResult runCommand(Command command, QString text, Encoding encoding, std::optional<subtitle::Format> format)
{
    if (command == Command::Phrase)
        return phraseStep(text, encoding, format);
    CommandResult r;
    if (encoding == Encoding::Big5) {
        switch (command) {
        case Command::GbToBig5:
            r.findings = modBig2GB::surveyGbBytes(cp950::encode(text));
            r.text = modBig2GB::GBToBig(text);
            break;
        case Command::Big5ToGb: r.text = modBig2GB::BigToGB(text); break;
        case Command::Correct: r.text = correction::correctSubtitles(text); break;
        case Command::Phrase: break;
        }
        return r;
    }
    if (command == Command::GbToBig5 && subtitle::readsWhole(text, format)) {
        modBig2GB::gbToBigInPlace(text, &r.findings);   // the usual subtitle: one pass, no second copy
        r.text = std::move(text);
        return r;
    }
    r.text = subtitle::convertReadable(text, [command](QStringView piece) {
        switch (command) {
        case Command::GbToBig5: return sameLength(modBig2GB::gbToBigText(piece));
        case Command::Big5ToGb: return sameLength(modBig2GB::bigToGBText(piece));
        default: return sameLength(correction::correctSubtitles(piece.toString()));
        }
    }, format);
    if (command == Command::GbToBig5)
        r.findings = blankedBetween(text, r.text);
    return r;
}

namespace {

QString readShownAsGb(QStringView piece)
{
    return readAsGb18030(piece.toString());
}

// The uncertain kinds as the Big5 road shows them: each Simplified character by the Big5
// character of its GB2312 bytes.
const review::UncertainKinds& kindsAsShownThroughBig5()
{
    static const review::UncertainKinds kinds = review::UncertainKinds::builtIn().keyedBy([](char32_t source) -> char32_t {
        const QString text = QString::fromUcs4(&source, 1);
        QByteArray bytes;
        gb18030::Encoder().append(bytes, text);
        const QString shown = cp950::decode(bytes);
        return bytes.size() == 2 && shown.size() == 1 ? shown[0].unicode() : 0;
    });
    return kinds;
}

} // namespace

review::MarkList commandMarks(Command command, const QString& before, const QString& after, Encoding encoding)
{
    // 繁轉簡 writes Simplified text: the readings are those of Simplified -> Traditional.
    review::MarkOptions options;
    options.uncertain = command != Command::Big5ToGb;
    const bool toTraditional = command == Command::GbToBig5 || command == Command::Phrase;
    const bool readsGb = encoding == Encoding::Big5 && toTraditional;
    review::MarkList list = review::markCommand(before, after, readsGb ? kindsAsShownThroughBig5() : review::UncertainKinds::builtIn(), options);
    if (readsGb)
        list.readBefore = &readShownAsGb;
    // Both conversions to Traditional write the words editors often rewrite.
    if (toTraditional && options.uncertain)
        review::addWordMarks(list, after, review::UncertainWords::builtIn());
    return list;
}

QString commandUnavailable(Command command)
{
    return command == Command::Phrase ? phrase::unavailableReason() : QString();
}

QString commandName(Command command)
{
    switch (command) {
    case Command::GbToBig5: return QStringLiteral("簡轉繁");
    case Command::Big5ToGb: return QStringLiteral("繁轉簡");
    case Command::Correct: return QStringLiteral("字幕矯正");
    case Command::Phrase: return QStringLiteral("簡轉繁（台灣詞彙）");
    }
    return {};
}

namespace {

// Among the most frequent characters of Chinese text, each list in its own script; the two
// differ where the scripts do (這/这, 個/个, 們/们 ...).
constexpr char16_t kFrequentTraditional[] =
    u"的一是不了人我在有他這個們中來上大為和國地到以說時要就出會可也你對生能而子那得於著下自之年過"
    u"發後作裡用道行所然家種事成方多經麼去法學如都同現當沒動面起看定天分還進好小部其些主樣理心她本前"
    u"開但因只從想實嗎吧呢啊什誰話";
constexpr char16_t kFrequentSimplified[] =
    u"的一是不了人我在有他这个们中来上大为和国地到以说时要就出会可也你对生能而子那得于着下自之年过"
    u"发后作里用道行所然家种事成方多经么去法学如都同现当没动面起看定天分还进好小部其些主样理心她本前"
    u"开但因只从想实吗吧呢啊什谁话";

// The Traditional list as Big5 codes, row by row, so that a Big5 text is judged on its bytes:
// decoding it would first build the code page's tables, which takes longer than a short
// conversion does.
constexpr std::uint16_t kFrequentTraditionalBig5[] = {
    0xAABA, 0xA440, 0xAC4F, 0xA4A3, 0xA446, 0xA448, 0xA7DA, 0xA662,  // 的一是不了人我在
    0xA6B3, 0xA54C, 0xB36F, 0xADD3, 0xADCC, 0xA4A4, 0xA8D3, 0xA457,  // 有他這個們中來上
    0xA46A, 0xACB0, 0xA94D, 0xB0EA, 0xA661, 0xA8EC, 0xA548, 0xBBA1,  // 大為和國地到以說
    0xAEC9, 0xAD6E, 0xB44E, 0xA558, 0xB77C, 0xA569, 0xA45D, 0xA741,  // 時要就出會可也你
    0xB9EF, 0xA5CD, 0xAFE0, 0xA6D3, 0xA46C, 0xA8BA, 0xB16F, 0xA9F3,  // 對生能而子那得於
    0xB5DB, 0xA455, 0xA6DB, 0xA4A7, 0xA67E, 0xB94C, 0xB56F, 0xABE1,  // 著下自之年過發後
    0xA740, 0xB8CC, 0xA5CE, 0xB944, 0xA6E6, 0xA9D2, 0xB54D, 0xAE61,  // 作裡用道行所然家
    0xBAD8, 0xA8C6, 0xA6A8, 0xA4E8, 0xA668, 0xB867, 0xBBF2, 0xA568,  // 種事成方多經麼去
    0xAA6B, 0xBEC7, 0xA670, 0xB3A3, 0xA650, 0xB27B, 0xB7ED, 0xA853,  // 法學如都同現當沒
    0xB0CA, 0xADB1, 0xB05F, 0xACDD, 0xA977, 0xA4D1, 0xA4C0, 0xC1D9,  // 動面起看定天分還
    0xB669, 0xA66E, 0xA470, 0xB3A1, 0xA8E4, 0xA8C7, 0xA544, 0xBCCB,  // 進好小部其些主樣
    0xB27A, 0xA4DF, 0xA66F, 0xA5BB, 0xAB65, 0xB67D, 0xA6FD, 0xA65D,  // 理心她本前開但因
    0xA575, 0xB171, 0xB751, 0xB9EA, 0xB6DC, 0xA761, 0xA94F, 0xB0DA,  // 只從想實嗎吧呢啊
    0xA4B0, 0xBDD6, 0xB8DC,                                          // 什誰話
};
static_assert(std::size(kFrequentTraditionalBig5) == std::size(kFrequentTraditional) - 1);

// The characters of that list in Big5 bytes, read as the code page reads them: a byte 0x81..0xFE
// and a trail byte make a pair; any other byte is one character.
qsizetype countFrequentBig5(QByteArrayView bytes)
{
    static constexpr auto frequent = [] {
        std::array<bool, 65536> codes{};
        for (std::uint16_t code : kFrequentTraditionalBig5)
            codes[code] = true;
        return codes;
    }();
    qsizetype n = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
        const auto lead = std::uint8_t(bytes[i]);
        const auto trail = std::uint8_t(bytes[i + 1]);
        if (lead < 0x81 || lead > 0xFE || !((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE)))
            continue;
        n += frequent[lead << 8 | trail] ? 1 : 0;
        ++i;
    }
    return n;
}

qsizetype countFrequent(QStringView text, std::u16string_view frequent)
{
    qsizetype n = 0;
    for (const QChar c : text)
        n += c.unicode() >= 0x4E00 && frequent.find(c.unicode()) != std::u16string_view::npos ? 1 : 0;
    return n;
}

// How much of a text is looked at: a text shows which script it is in within a few lines.
constexpr qsizetype kJudgedBytes = 64 * 1024;

} // namespace

bool looksTraditionalBig5(QByteArrayView bytes)
{
    bytes = bytes.first(qMin(bytes.size(), kJudgedBytes));
    qsizetype pairs = 0;
    qsizetype notGb2312 = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
        const auto lead = std::uint8_t(bytes[i]);
        if (lead < 0x81)
            continue;
        const auto trail = std::uint8_t(bytes[++i]);
        ++pairs;
        const bool gbLead = (lead >= 0xA1 && lead <= 0xA9) || (lead >= 0xB0 && lead <= 0xF7);
        notGb2312 += gbLead && trail >= 0xA1 && trail <= 0xFE ? 0 : 1;
    }
    if (pairs == 0)
        return false;   // nothing that either script would change
    const qsizetype traditional = countFrequentBig5(bytes);
    const qsizetype simplified = countFrequent(gb18030::decode(bytes), kFrequentSimplified);
    const bool manyNotGb = notGb2312 * 10 >= pairs;
    if (traditional > simplified)
        return manyNotGb || traditional >= 3;
    // No frequent character either way: the pairs alone tell, given enough of them (a Big5
    // text has a trail byte below 0x80 in about two pairs of five; a GBK one seldom does).
    return traditional == 0 && simplified == 0 && pairs >= 6 && notGb2312 * 10 >= pairs * 3;
}

bool alreadyInTheFormItMakes(Command command, QStringView text, Encoding encoding)
{
    if (encoding != Encoding::Big5 || (command != Command::GbToBig5 && command != Command::Phrase))
        return false;
    return looksTraditionalBig5(cp950::encode(text.first(qMin(text.size(), kJudgedBytes))));
}

QString alreadyTraditionalMessage()
{
    return QStringLiteral("這份文字看來已是繁體 Big5");
}

} // namespace document
