// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/phrase_converter.h"

#include "convert/phrase_dictionary.h"

#include <opencc/Dict.hpp>
#include <opencc/DictEntry.hpp>
#include <opencc/Exception.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>
#include <opencc/TextDict.hpp>

#include <QDir>
#include <QFileInfo>

#include <exception>
#include <map>

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

struct Converter::Table {
    opencc::DictPtr dict;
};

QStringList requiredOpenccFiles()
{
    return {QString::fromLatin1(kPhrases), QString::fromLatin1(kCharacters),
            QString::fromLatin1(kVariants)};
}

Converter::Converter(std::unique_ptr<Table> table) : table_(std::move(table)) {}
Converter::~Converter() = default;

std::unique_ptr<const Converter> Converter::load(const QString& openccDataDir,
                                                 const QString& dictionaryText, QString* error)
{
    const QDir dir(openccDataDir);
    for (const QString& name : requiredOpenccFiles()) {
        const QFileInfo file(dir.filePath(name));
        if (!file.isFile() || !file.isReadable()) {
            *error = QStringLiteral("找不到 OpenCC 資料檔 %1，無法進行詞彙轉換（請安裝 libopencc-data）。")
                         .arg(QDir::toNativeSeparators(file.filePath()));
            return nullptr;
        }
    }
    Dictionary own;
    if (!parseDictionary(dictionaryText, &own, error))
        return nullptr;

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
        std::map<std::string, std::string> merged;
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

        auto lexicon = std::make_shared<opencc::Lexicon>();
        for (const auto& [key, value] : merged)
            lexicon->Add(opencc::DictEntryFactory::New(key, value));
        // std::map is already in byte order, which is the order OpenCC sorts by.
        const opencc::TextDict text(lexicon);
        auto table = std::make_unique<Table>();
        table->dict = opencc::MarisaDict::NewFromDict(text);
        return std::unique_ptr<const Converter>(new Converter(std::move(table)));
    } catch (const opencc::Exception& e) {
        *error = QStringLiteral("無法讀取 OpenCC 資料檔 %1：%2")
                     .arg(QDir::toNativeSeparators(current), QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        *error = QStringLiteral("無法讀取 OpenCC 資料檔 %1：%2")
                     .arg(QDir::toNativeSeparators(current), QString::fromUtf8(e.what()));
    }
    return nullptr;
}

namespace {

// UTF-16 units of UTF-8 text.
qsizetype utf16Units(const char* p, size_t bytes)
{
    qsizetype n = 0;
    for (size_t i = 0; i < bytes; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        n += (b & 0xC0) != 0x80 ? 1 : 0;
        n += b >= 0xF0 ? 1 : 0;   // beyond the BMP: a surrogate pair
    }
    return n;
}

size_t utf8CharacterBytes(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

} // namespace

std::string Converter::convertBytes(std::string_view text, std::vector<LengthChange>* changes) const
{
    // The longest match at each place, as OpenCC's own conversion does; a NUL is no key and
    // passes like any other unmatched byte.
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    const char* p = text.data();
    const char* const end = p + text.size();
    const size_t longest = table_->dict->KeyMaxLength();
    qsizetype at = 0;   // UTF-16 position in the input, kept only when changes are asked for
    while (p < end) {
        const auto match = table_->dict->MatchPrefix(p, std::min<size_t>(longest, size_t(end - p)));
        if (match.IsNull()) {
            const size_t n = std::min<size_t>(utf8CharacterBytes(static_cast<unsigned char>(*p)), size_t(end - p));
            out.append(p, n);
            if (changes)
                at += utf16Units(p, n);
            p += n;
            continue;
        }
        const std::string& value = match.Get()->GetDefault();
        const size_t keyBytes = match.Get()->KeyLength();
        if (changes) {
            const qsizetype inUnits = utf16Units(p, keyBytes);
            const qsizetype outUnits = utf16Units(value.data(), value.size());
            if (inUnits != outUnits)
                changes->push_back({at, inUnits, outUnits});
            at += inUnits;
        }
        out += value;
        p += keyBytes;
    }
    return out;
}

std::string Converter::convertUtf8(std::string_view text) const
{
    return convertBytes(text, nullptr);
}

QString Converter::convert(QStringView text, std::vector<LengthChange>* changes) const
{
    const QByteArray in = text.toUtf8();
    const std::string out = convertBytes(std::string_view(in.constData(), size_t(in.size())), changes);
    return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

} // namespace phrase
