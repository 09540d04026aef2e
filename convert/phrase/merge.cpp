// SPDX-License-Identifier: GPL-3.0-or-later
// The merge of OpenCC's dictionaries with the project's, behind subbig5_phrase_opencc: run
// when the program is built, and by tools that try a changed dictionary.
#include "convert/phrase/conversion.h"
#include "convert/phrase/converter.h"
#include "convert/phrase/dictionary.h"

#include <opencc/Dict.hpp>
#include <opencc/DictEntry.hpp>
#include <opencc/Exception.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>

#include <QDir>
#include <QFileInfo>

#include <exception>

namespace phrase {
namespace {

const char* const kPhrases = "STPhrases.ocd2";
const char* const kCharacters = "STCharacters.ocd2";
const char* const kVariants = "TWVariants.ocd2";

std::string utf8(const QString& s) { return s.toStdString(); }

// Longest-match rewriting of short strings by a key -> value map (the Taiwan forms).
class Rewriter {
public:
    void add(const std::string& key, const std::string& value)
    {
        map_[key] = value;
        maxKey_ = std::max(maxKey_, key.size());
    }
    std::string apply(const std::string& s) const
    {
        if (map_.empty())
            return s;
        std::string out;
        size_t i = 0;
        while (i < s.size()) {
            size_t taken = 0;
            for (size_t len = std::min(maxKey_, s.size() - i); len > 0 && taken == 0; --len) {
                if (const auto it = map_.find(s.substr(i, len)); it != map_.end()) {
                    out += it->second;
                    taken = len;
                }
            }
            if (taken == 0) {
                taken = charLength(static_cast<unsigned char>(s[i]));
                out.append(s, i, taken);
            }
            i += taken;
        }
        return out;
    }
    const std::map<std::string, std::string>& entries() const { return map_; }

private:
    static size_t charLength(unsigned char lead)
    {
        return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    std::map<std::string, std::string> map_;
    size_t maxKey_ = 0;
};

opencc::DictPtr loadOcd2(const QString& path)
{
    return opencc::SerializableDict::NewFromFile<opencc::MarisaDict>(path.toStdString());
}

} // namespace

QString openccDataDir()
{
    return QStringLiteral(SUBBIG5_OPENCC_DATA_DIR);
}

QStringList requiredOpenccFiles()
{
    return {QString::fromLatin1(kPhrases), QString::fromLatin1(kCharacters),
            QString::fromLatin1(kVariants)};
}

bool mergeEntries(const QString& openccDataDir, const QString& dictionaryText, Entries* out,
                  QString* error)
{
    const QDir dir(openccDataDir);
    for (const QString& name : requiredOpenccFiles()) {
        const QFileInfo file(dir.filePath(name));
        if (!file.isFile() || !file.isReadable()) {
            *error = QStringLiteral("找不到 OpenCC 資料檔 %1，無法進行詞彙轉換（請安裝 libopencc-data）。")
                         .arg(QDir::toNativeSeparators(file.filePath()));
            return false;
        }
    }
    Dictionary own;
    if (!parseDictionary(dictionaryText, &own, error))
        return false;

    QString current;
    try {
        current = dir.filePath(QString::fromLatin1(kPhrases));
        const opencc::DictPtr phrases = loadOcd2(current);
        current = dir.filePath(QString::fromLatin1(kCharacters));
        const opencc::DictPtr characters = loadOcd2(current);
        current = dir.filePath(QString::fromLatin1(kVariants));
        const opencc::DictPtr variants = loadOcd2(current);
        current.clear();

        // Taiwan forms: OpenCC's variants first, then the project's rewrites of their result.
        Rewriter twVariants, twForms;
        for (const auto& entry : *variants->GetLexicon())
            twVariants.add(entry->Key(), entry->GetDefault());
        for (const DictionaryEntry& e : own.traditional)
            twForms.add(utf8(e.key), utf8(e.value));
        auto taiwan = [&](const std::string& s) { return twForms.apply(twVariants.apply(s)); };

        // Later insertions win: characters, then phrases (the order s2tw consults them), then
        // the project's Simplified entries.
        Entries merged;
        for (const auto& entry : *characters->GetLexicon())
            merged[entry->Key()] = taiwan(entry->GetDefault());
        for (const auto& entry : *phrases->GetLexicon())
            merged[entry->Key()] = taiwan(entry->GetDefault());
        // A character no OpenCC table converts still gets its Taiwan form, as in s2tw.
        for (const auto* rewrites : {&twVariants, &twForms})
            for (const auto& [key, value] : rewrites->entries())
                if (QString::fromStdString(key).toUcs4().size() == 1)
                    merged.try_emplace(key, taiwan(key));
        for (const DictionaryEntry& e : own.simplified)
            merged[utf8(e.key)] = utf8(e.value);
        *out = std::move(merged);
        return true;
    } catch (const opencc::Exception& e) {
        *error = QStringLiteral("無法讀取 OpenCC 資料檔 %1：%2")
                     .arg(QDir::toNativeSeparators(current), QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        *error = QStringLiteral("無法讀取 OpenCC 資料檔 %1：%2")
                     .arg(QDir::toNativeSeparators(current), QString::fromUtf8(e.what()));
    }
    return false;
}

std::unique_ptr<const Converter> Converter::load(const QString& openccDataDir,
                                                 const QString& dictionaryText, QString* error)
{
    Entries merged;
    if (!mergeEntries(openccDataDir, dictionaryText, &merged, error))
        return nullptr;
    const QByteArray table = compile(merged, error);
    return table.isEmpty() ? nullptr : fromTable(table, error);
}

} // namespace phrase
