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
//
// Merging takes OpenCC and most of a second, so it is done once, when the program is built
// (tools/phrasetable), into a compact table the program carries. At run time the table is
// checked and used in place: no OpenCC, no marisa, nothing rebuilt.

#include "convert/length_change.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace phrase {

// Key -> value, both UTF-8: the merged table before it is compiled.
using Entries = std::map<std::string, std::string>;

// The OpenCC data files the merge reads, by name. This, mergeEntries, Converter::load and
// phrase::openccDataDir live in subbig5_phrase_opencc, which links OpenCC: only the table
// generator, the quality tools and tests use them.
QStringList requiredOpenccFiles();

// Merges OpenCC's dictionaries in `openccDataDir` with the dictionary text. On failure
// returns false and sets `error` to a message in Traditional Chinese that names the missing
// or unreadable file (or the bad dictionary line). Never throws. (subbig5_phrase_opencc)
bool mergeEntries(const QString& openccDataDir, const QString& dictionaryText, Entries* out,
                  QString* error);

class Converter {
public:
    // Merges and compiles in one go (subbig5_phrase_opencc): for tools that try a changed
    // dictionary. Errors as mergeEntries.
    static std::unique_ptr<const Converter> load(const QString& openccDataDir,
                                                 const QString& dictionaryText, QString* error);

    // The compiled table for `entries`. Returns an empty array and sets `error` when an entry
    // cannot be stored (a key that is not UTF-8, a string too long for the format).
    static QByteArray compile(const Entries& entries, QString* error);
    // Uses a compiled table in place (`table` may wrap read-only data that outlives the
    // converter). Every header field, size, offset and the checksum are checked first; a
    // table that fails any check is refused with a message in Traditional Chinese.
    static std::unique_ptr<const Converter> fromTable(const QByteArray& table, QString* error);
    // Writes the checksum of a compiled table into its header (after editing it, in tests).
    static void seal(QByteArray* table);

    ~Converter();

    // Converts UTF-8 text; bytes of other scripts pass through as they are. Thread-safe.
    std::string convertUtf8(std::string_view text) const;
    // The same on UTF-16 text; `changes`, when given, receives where a phrase changed the
    // text's length (內存 -> 記憶體), so marks inside the text can be put back in place.
    QString convert(QStringView text, std::vector<convert::LengthChange>* changes = nullptr) const;

private:
    std::string convertBytes(std::string_view text, std::vector<convert::LengthChange>* changes) const;

    struct Table;
    explicit Converter(std::unique_ptr<Table> table);
    std::unique_ptr<Table> table_;
};

} // namespace phrase
