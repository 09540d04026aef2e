// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The converters the quality table compares, each as Simplified text in, Traditional out.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scoring {

struct Road {
    QString name;
    std::function<QString(const QString&)> convert;
    // The converter's own UTF-8 interface where it has one (OpenCC), so its speed is measured
    // without the UTF-16 conversions the others pay.
    std::function<std::string(const std::string&)> convertUtf8;
};

// The roads every quality table compares against the phrase step: 簡轉繁 + 字幕矯正, then
// OpenCC s2t, s2tw and s2twp. An OpenCC road that cannot load is left out and named in
// `missing`.
std::vector<Road> comparedRoads(QStringList* missing);

// OpenCC by one of its configuration files (s2t.json, s2tw.json, s2twp.json, t2s.json).
// Null convert and `error` set when OpenCC cannot load it.
Road openccRoad(const QString& name, const std::string& config, QString* error);

// The byte road (簡轉繁 then 字幕矯正) as a user takes it: the Simplified text saved as GB2312, that file opened
// as Big5, converted byte by byte (GBToBig), then the correction list (correctSubtitles).
// Characters GB2312 lacks cannot be in such a file; they are left as they are, unconverted.
QString byteRoad(const QString& simplified);

// The correction list (correctSubtitles) over text that is already Traditional.
QString withCorrections(const QString& traditional);

// The built-in phrase dictionary, or the text of `dictionaryFile` when one is named (to try
// entries without rebuilding); null with `error` set when that file cannot be read.
QString dictionaryText(const QString& dictionaryFile, QString* error);

// The phrase step, with the built-in dictionary or the one in `dictionaryFile`. Null convert and
// `error` set when it cannot be built.
Road phraseRoad(const QString& dictionaryFile, QString* error);

} // namespace scoring
