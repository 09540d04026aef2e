// SPDX-License-Identifier: GPL-3.0-or-later
// The find engine and replace all against plain position-by-position searches written from
// their contracts. Texts are drawn from a small alphabet full of case pairs (full-width,
// Greek final sigma, Kelvin sign, surrogate halves) so that matches are common.
#include "find/find_engine.h"
#include "find/replace.h"
#include "tests/fuzz/fuzz_support.h"

#include <QChar>

using namespace find;

namespace {

constexpr char16_t kAlphabet[] = {
    u'a', u'A', u'b', u'B', u'k', u'K', 0x212A /* Kelvin */, 0xFF21 /* Ａ */, 0xFF41 /* ａ */, 0xFF22, 0xFF42,
    0xFF10 /* ０ */, u'0', 0x03A3, 0x03C3, 0x03C2 /* Σ σ ς */, 0x0130, 0x0131, u'i', u'I', 0x00DF, 0x1E9E,
    0x01C4, 0x01C5, 0x01C6, u'中', u'文', u'\r', u'\n', 0xD83D, 0xDE00, 0xDC00,
};

char16_t fold(char16_t c)
{
    if (c >= 0xFF21 && c <= 0xFF3A)
        return char16_t(u'a' + (c - 0xFF21));
    if (c >= 0xFF41 && c <= 0xFF5A)
        return char16_t(u'a' + (c - 0xFF41));
    return QChar::toCaseFolded(c);
}

bool matchesAt(QStringView text, QStringView pattern, qsizetype at, bool fold_)
{
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        const char16_t t = text[at + k].unicode(), p = pattern[k].unicode();
        if (fold_ ? fold(t) != fold(p) : t != p)
            return false;
    }
    return true;
}

// 1-based, as the engine answers; 0 for none.
qsizetype plainForward(QStringView text, QStringView pattern, qsizetype from, bool fold_)
{
    if (pattern.isEmpty())
        return 0;
    for (qsizetype at = std::max<qsizetype>(from, 1) - 1; at + pattern.size() <= text.size(); ++at)
        if (matchesAt(text, pattern, at, fold_))
            return at + 1;
    return 0;
}

qsizetype plainBackward(QStringView text, QStringView pattern, qsizetype before, bool fold_)
{
    if (pattern.isEmpty())
        return 0;
    for (qsizetype at = std::min(before - 1, text.size() - pattern.size()); at >= 0; --at)
        if (matchesAt(text, pattern, at, fold_))
            return at + 1;
    return 0;
}

QString plainReplaceAll(QStringView text, QStringView find, QStringView with)
{
    if (find.isEmpty())
        return text.toString();
    QString out;
    qsizetype at = 0;
    while (at < text.size()) {
        if (at + find.size() <= text.size() && matchesAt(text, find, at, false)) {
            out += with;
            at += find.size();
        } else {
            out += text[at++];
        }
    }
    return out;
}

QString takeText(fuzz::Reader& in, qsizetype length)
{
    QString s;
    for (qsizetype i = 0; i < length && in.left() > 0; ++i)
        s += QChar(kAlphabet[in.byte() % std::size(kAlphabet)]);
    return s;
}

void checkFindText(QStringView text, qsizetype selStart, qsizetype selLength, const FindSettings& s)
{
    const FindResult r = findText(text, selStart, selLength, s);
    const bool fold_ = s.FindUL != 0;
    const QStringView f = s.WFindText;
    if (r.kind == FindResult::Kind::Select) {
        fuzz::check(r.start >= 0 && r.length == f.size() && r.start + r.length <= text.size(),
                    "findText: selection out of bounds");
        fuzz::check(matchesAt(text, f, r.start, fold_), "findText: selection is not an occurrence");
    }
    FindResult expected;
    const qsizetype after = selStart + selLength + 1;
    if (s.FindMode == 1 || s.FindMode == 2) {
        qsizetype pos = plainForward(text, f, after, fold_);
        if (pos == 0 && s.FindMode == 2) {
            pos = plainForward(text, f, 1, fold_);
            if (pos - 1 == selStart)
                pos = 0;
        }
        expected = pos > 0 ? FindResult{FindResult::Kind::Select, pos - 1, f.size()}
                           : FindResult{FindResult::Kind::NotFound, 0, 0};
    } else if (s.FindMode == 0) {
        const qsizetype pos = plainBackward(text, f, selStart, fold_);
        expected = pos > 0 ? FindResult{FindResult::Kind::Select, pos - 1, f.size()}
                           : FindResult{FindResult::Kind::NotFound, 0, 0};
    }
    if (f.isEmpty())
        expected = {};
    fuzz::check(r.kind == expected.kind && r.start == expected.start && r.length == expected.length,
                "findText differs from the plain search");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Reader in(data, size);
    const std::uint8_t flags = in.byte();
    const QString pattern = takeText(in, flags % 5);
    const QString with = takeText(in, (flags >> 3) % 4);
    const std::uint8_t selA = in.byte(), selB = in.byte();
    const QString text = takeText(in, qsizetype(in.left()));

    for (const qint16 mode : {qint16(0), qint16(1)}) {
        const bool fold_ = mode != 0;
        for (qsizetype from : {qsizetype(-1), qsizetype(0), qsizetype(1), qsizetype(selA), text.size(),
                               text.size() + 1}) {
            fuzz::check(searchText(text, pattern, from, mode) == plainForward(text, pattern, from, fold_),
                        "searchText differs from the plain search");
            fuzz::check(searchTextBackward(text, pattern, from, mode) == plainBackward(text, pattern, from, fold_),
                        "searchTextBackward differs from the plain search");
        }
        const qsizetype selStart = text.isEmpty() ? 0 : selA % (text.size() + 1);
        const qsizetype selLength = (text.size() - selStart) == 0 ? 0 : selB % (text.size() - selStart + 1);
        for (const qint16 direction : {qint16(0), qint16(1), qint16(2)})
            checkFindText(text, selStart, selLength, FindSettings{pattern, mode, direction});
    }
    fuzz::check(find::replaceOccurrences(text, pattern, with) == plainReplaceAll(text, pattern, with),
                "replace all differs from the plain replacement");
    return 0;
}
