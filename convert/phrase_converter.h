// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Simplified -> Traditional (Taiwan) by phrases, on OpenCC's dictionaries and the project's own.
//
// OpenCC's s2tw makes three passes: segmentation by STPhrases, then STPhrases before
// STCharacters, then TWVariants. Every STPhrases key is longer than one character and every
// STCharacters and TWVariants key is a single character, so one longest-match pass over a
// merged table gives the same text: STPhrases and STCharacters, their results put through
// TWVariants. The project's dictionary is merged into that table too, which is why the step
// costs one pass where s2tw costs three.

#include "convert/length_change.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace phrase {

// The OpenCC data files the step reads, by name.
QStringList requiredOpenccFiles();

class Converter {
public:
    // Builds the table from the files in `openccDataDir` and the dictionary text. On failure
    // returns null and sets `error` to a message in Traditional Chinese that names the missing
    // or unreadable file (or the bad dictionary line). Never throws.
    static std::unique_ptr<const Converter> load(const QString& openccDataDir,
                                                 const QString& dictionaryText, QString* error);
    ~Converter();

    // Converts UTF-8 text; bytes of other scripts pass through as they are. Thread-safe.
    std::string convertUtf8(std::string_view text) const;
    // The same on UTF-16 text; `changes`, when given, receives where a phrase changed the
    // text's length (內存 -> 記憶體), so marks inside the text can be put back in place.
    QString convert(QStringView text, std::vector<LengthChange>* changes = nullptr) const;

private:
    std::string convertBytes(std::string_view text, std::vector<LengthChange>* changes) const;

    struct Table;
    explicit Converter(std::unique_ptr<Table> table);
    std::unique_ptr<Table> table_;
};

} // namespace phrase
