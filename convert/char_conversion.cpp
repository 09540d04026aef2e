// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/char_conversion.h"

#include "convert/tables.h"


// Written at build time by subbig5-charmaps (tools/charmaps) from the conversion tables and
// ICU's code pages: for every BMP character, what a conversion makes of it; 0 where it stays.
namespace modBig2GB::maps {
extern const char16_t kGbToBig[65536];
extern const char16_t kBigToGB[65536];
} // namespace modBig2GB::maps

namespace {

constexpr char16_t kIdeographicSpace = 0x3000;

// For every BMP character, what a conversion makes of it; 0 where it stays as it is.
using CharMap = char16_t[65536];

// Maps the units of `text` in place (a unit is read before it is written, so the same buffer
// serves as input and output).
template <class OnChange>
void mapUnits(const char16_t* in, char16_t* out, qsizetype n, const CharMap& map, OnChange onChange)
{
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        const char16_t r = c < 0x80 ? 0 : map[c];
        out[i] = r ? r : c;
        if (r)
            onChange(i, c, r);
    }
}

template <class OnChange>
QString mapText(QStringView text, const CharMap& map, OnChange onChange)
{
    QString out(text.size(), Qt::Uninitialized);
    mapUnits(reinterpret_cast<const char16_t*>(text.data()), reinterpret_cast<char16_t*>(out.data()), text.size(),
             map, onChange);
    return out;
}

const CharMap& gbToBigMap()
{
    return modBig2GB::maps::kGbToBig;
}

} // namespace

namespace modBig2GB {

QString gbToBigText(QStringView text, GbFindings* findings)
{
    QString out = text.toString();
    gbToBigInPlace(out, findings);
    return out;
}

void gbToBigInPlace(QString& text, GbFindings* findings)
{
    const CharMap& map = gbToBigMap();
    char16_t* units = reinterpret_cast<char16_t*>(text.data());
    if (!findings) {
        mapUnits(units, units, text.size(), map, [](qsizetype, char16_t, char16_t) {});
        return;
    }
    qsizetype firstBlank = -1;
    mapUnits(units, units, text.size(), map, [&](qsizetype i, char16_t from, char16_t to) {
        if (to == kIdeographicSpace && from != kIdeographicSpace && findings->blanked++ == 0)
            firstBlank = i;
    });
    if (firstBlank >= 0)   // the line ends are untouched, so the converted text counts the same lines
        findings->blankedLine = lineNumberAt(text, firstBlank);
}

QString bigToGBText(QStringView text)
{
    return mapText(text, maps::kBigToGB, [](qsizetype, char16_t, char16_t) {});
}

} // namespace modBig2GB
