// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The project's own phrase dictionary: what OpenCC's Simplified -> Traditional (Taiwan)
// conversion gets wrong in everyday Taiwanese writing.
//
// The text has one entry a line, "KEY VALUE", with '#' starting a comment, under one of two
// section headers:
//   [simplified]   KEY is a Simplified word or character, VALUE the form Taiwan writes; it
//                  replaces OpenCC's entry for the same key, and a longer key wins as usual.
//   [traditional]  KEY is what OpenCC's Taiwan conversion writes, VALUE the everyday form;
//                  applied to every OpenCC phrase and character result (as OpenCC's Taiwan
//                  variants are), so 臺 -> 台 reaches 臺灣, 舞臺 and 月臺 alike.

#include <QString>
#include <QStringView>

#include <vector>

namespace phrase {

struct DictionaryEntry {
    QString key;
    QString value;
    int line = 0;   // 1-based, for messages
};

struct Dictionary {
    std::vector<DictionaryEntry> simplified;
    std::vector<DictionaryEntry> traditional;
};

// Parses the dictionary text. On a malformed line (no section yet, a key without a value,
// a key listed twice in one section, an unknown section) returns false and sets `error`
// to a message naming the line.
bool parseDictionary(QStringView text, Dictionary* out, QString* error);

// The dictionary shipped inside the program.
QString builtInDictionaryText();

} // namespace phrase
