#pragma once
// Simplified -> Traditional (Taiwan) by phrases, on OpenCC's dictionaries and the project's own.
//
// OpenCC's s2tw makes three passes: segmentation by STPhrases, then STPhrases before
// STCharacters, then TWVariants. Every STPhrases key is longer than one character and every
// STCharacters and TWVariants key is a single character, so one longest-match pass over a
// merged table gives the same text: STPhrases and STCharacters, their results put through
// TWVariants. The project's dictionary is merged into that table too, which is why the step
// costs one pass where s2tw costs three.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <string>
#include <string_view>

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
    QString convert(QStringView text) const;

private:
    struct Table;
    explicit Converter(std::unique_ptr<Table> table);
    std::unique_ptr<Table> table_;
};

} // namespace phrase
