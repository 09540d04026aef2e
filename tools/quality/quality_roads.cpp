// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/quality/quality_roads.h"

#include "convert/codepage.h"
#include "convert/conversion.h"
#include "convert/phrase/conversion.h"
#include "convert/phrase/converter.h"
#include "convert/phrase/dictionary.h"
#include "correct/correction.h"

#include <opencc/Exception.hpp>
#include <opencc/SimpleConverter.hpp>

#include <QFile>
#include <QHash>

#include <unicode/ucnv.h>

namespace scoring {
namespace {

// GB2312's bytes for each character it holds (rows A1..A9 and B0..F7, cells A1..FE).
const QHash<char32_t, QByteArray>& gb2312Table()
{
    static const QHash<char32_t, QByteArray> table = [] {
        QHash<char32_t, QByteArray> t;
        UErrorCode err = U_ZERO_ERROR;
        UConverter* cnv = ucnv_open("windows-936", &err);
        for (int lead = 0xA1; lead <= 0xF7; ++lead) {
            if (lead >= 0xAA && lead <= 0xAF)
                continue;
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                const char in[2] = {char(lead), char(trail)};
                UChar out[4];
                err = U_ZERO_ERROR;
                const int n = ucnv_toUChars(cnv, out, 4, in, 2, &err);
                if (U_SUCCESS(err) && n == 1 && out[0] != 0xFFFD && out[0] != 0x1A)
                    t.insert(out[0], QByteArray(in, 2));
            }
        }
        ucnv_close(cnv);
        return t;
    }();
    return table;
}

} // namespace

Road openccRoad(const QString& name, const std::string& config, QString* error)
{
    try {
        auto converter = std::make_shared<opencc::SimpleConverter>(config);
        return {name,
                [converter](const QString& s) {
                    return QString::fromStdString(converter->Convert(s.toStdString()));
                },
                [converter](const std::string& s) { return converter->Convert(s); }};
    } catch (const opencc::Exception& e) {
        *error = QString::fromUtf8(e.what());
    }
    return {name, nullptr, nullptr};
}

std::vector<Road> comparedRoads(QStringList* missing)
{
    std::vector<Road> roads;
    roads.push_back({QStringLiteral("簡轉繁 + 字幕矯正 (-g -w)"), byteRoad, nullptr});
    for (const char* name : {"s2t", "s2tw", "s2twp"}) {
        QString error;
        Road r = openccRoad(QStringLiteral("OpenCC %1").arg(QLatin1StringView(name)), std::string(name) + ".json", &error);
        if (r.convert)
            roads.push_back(std::move(r));
        else if (missing)
            *missing << QStringLiteral("OpenCC %1: %2").arg(QLatin1StringView(name), error);
    }
    return roads;
}

QString byteRoad(const QString& simplified)
{
    const QHash<char32_t, QByteArray>& gb = gb2312Table();
    QString shownAsBig5;
    QByteArray run;
    auto flush = [&] {
        if (!run.isEmpty())
            shownAsBig5 += modBig2GB::GBToBig(cp950::decode(run));
        run.clear();
    };
    for (char32_t c : simplified.toUcs4()) {
        if (c < 0x80) {
            run += char(c);
        } else if (const auto it = gb.constFind(c); it != gb.constEnd()) {
            run += *it;
        } else {
            flush();
            shownAsBig5 += QString::fromUcs4(&c, 1);
        }
    }
    flush();
    return correction::correctSubtitles(shownAsBig5);
}

QString withCorrections(const QString& traditional)
{
    return correction::correctSubtitles(traditional);
}

QString dictionaryText(const QString& dictionaryFile, QString* error)
{
    if (dictionaryFile.isEmpty())
        return phrase::builtInDictionaryText();
    QFile f(dictionaryFile);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(dictionaryFile);
        return {};
    }
    return QString::fromUtf8(f.readAll());
}

Road phraseRoad(const QString& dictionaryFile, QString* error)
{
    const QString text = dictionaryText(dictionaryFile, error);
    if (text.isNull())
        return {};
    std::shared_ptr<const phrase::Converter> converter =
        phrase::Converter::load(phrase::openccDataDir(), text, error);
    if (!converter)
        return {QStringLiteral("phrase step"), nullptr, nullptr};
    return {QStringLiteral("phrase step (new)"),
            [converter](const QString& s) { return converter->convert(s); }, nullptr};
}

} // namespace scoring
