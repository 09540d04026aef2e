// SPDX-License-Identifier: GPL-3.0-or-later
// Subtitle-aware conversion: lifting ASS/SRT markup out, splitting Dialogue fields, putting the
// markup back after conversions that change length. The input is built from the characters and
// pieces subtitles are made of, so headers, tags and fields come up often.
#include "convert/subtitle_text.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char16_t*, 16> kPieces = {
    u"[Script Info]\r\n", u"Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,", u"Comment: 0,", u"{\\an8}",
    u"{\\fn微软雅黑}", u"<i>", u"</i>", u"<font face=\"简\">", u"1\r\n00:00:01,000 --> 00:00:02,000\r\n",
    u"AB", u"简", u"\r\n", u"\n", u",", u"{", u"\\N"};
constexpr char16_t kChars[] = u"\r\n{}\\<>/ia,:简AB 1D[]";

// 简 -> 繁, and AB -> XYZ reported as a length change (or not, to take the aligning road).
subtitle::Converted toy(QStringView in, bool report)
{
    subtitle::Converted out{QString(), std::vector<convert::LengthChange>{}};
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.sliced(i).startsWith(u"AB")) {
            out.changes->push_back({i, 2, 3});
            out.text += u"XYZ";
            ++i;
        } else {
            out.text += in[i] == u'简' ? QChar(u'繁') : in[i];
        }
    }
    if (!report)
        out.changes.reset();
    return out;
}

qsizetype countOf(const QString& s, QStringView chars)
{
    return std::count_if(s.begin(), s.end(), [&](QChar c) { return chars.contains(c); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Reader in(data, size);
    QString text;
    while (in.left() > 0) {
        const std::uint8_t b = in.byte();
        if (b < 0x40)
            text += QString::fromUtf16(kPieces[b % kPieces.size()]);
        else
            text += QChar(kChars[b % (std::size(kChars) - 1)]);
    }
    const QString same = subtitle::convertReadable(text, [](QStringView piece) {
        return subtitle::Converted{piece.toString(), std::vector<convert::LengthChange>{}};
    });
    fuzz::check(same == text, "a conversion that changes nothing changed the text");
    for (bool report : {true, false}) {
        const QString out = subtitle::convertReadable(text, [report](QStringView piece) { return toy(piece, report); });
        // Markup, line ends and field commas are never converted, lost or doubled.
        fuzz::check(countOf(out, u"{}<>\\\r\n,") == countOf(text, u"{}<>\\\r\n,"), "markup or line ends lost");
        fuzz::check(countOf(out, u"简繁") == countOf(text, u"简繁"), "a character lost");
    }
    return 0;
}
