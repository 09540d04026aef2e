// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/phrase/converter.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace phrase {
namespace {

// The compiled table, in host byte order (it is built on the machine that runs it):
//   Header
//   quint16 pageIndex[kPages]        page number + 1 for each 256 code points, 0: none
//   quint32 pages[pageCount][256]    CharEntry index + 1, 0: nothing starts with it
//   CharEntry chars[charCount]       the character's own value and its longest phrase
//   quint32 hashSlots[slotCount]         open-addressing hash of the phrases: PhraseEntry index + 1
//   PhraseEntry phrases[phraseCount]
//   char strings[stringBytes]        every key and value, UTF-8
// Single characters, nearly all of the text, are one index step away; the hash is asked
// only where a phrase can start, and then only for lengths that end on a character.
constexpr char kMagic[8] = {'S', 'B', '5', 'P', 'H', 'R', 'S', '\n'};
constexpr quint32 kVersion = 1;
constexpr quint32 kPages = 0x110000 >> 8;
constexpr quint32 kNoValue = 0xFFFFFFFF;

struct Header {
    char magic[8];
    quint32 version;
    quint32 fileSize;
    quint32 checksum;   // of everything after the header
    quint32 pageCount;
    quint32 charCount;
    quint32 phraseCount;
    quint32 slotCount;  // a power of two, larger than phraseCount so that probes end
    quint32 stringBytes;
    quint32 longestKey; // bytes
    quint32 reserved[5];
};
static_assert(sizeof(Header) == 64);

struct CharEntry {
    quint32 valueOffset;  // kNoValue when only phrases start with the character
    quint16 valueBytes;
    quint16 phraseBytes;  // the longest phrase starting with it, 0 when none
};
static_assert(sizeof(CharEntry) == 8);

struct PhraseEntry {
    quint32 keyOffset;
    quint32 valueOffset;
    quint16 keyBytes;
    quint16 valueBytes;
};
static_assert(sizeof(PhraseEntry) == 12);

size_t utf8CharacterBytes(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// The code point of a well-formed character at p, its length in *n; -1 when ill-formed.
int decode(const unsigned char* p, const unsigned char* end, size_t* n)
{
    const unsigned b = p[0];
    auto cont = [&](size_t i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (b < 0x80) {
        *n = 1;
        return int(b);
    }
    if (b >= 0xC2 && b <= 0xDF && cont(1)) {
        *n = 2;
        return int(((b & 0x1F) << 6) | (p[1] & 0x3F));
    }
    if (b >= 0xE0 && b <= 0xEF && cont(1) && cont(2)) {
        if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xED && p[1] > 0x9F))
            return -1;
        *n = 3;
        return int(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
    }
    if (b >= 0xF0 && b <= 0xF4 && cont(1) && cont(2) && cont(3)) {
        if ((b == 0xF0 && p[1] < 0x90) || (b == 0xF4 && p[1] > 0x8F))
            return -1;
        *n = 4;
        return int(((b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F));
    }
    return -1;
}

constexpr quint32 kHashStart = 2166136261u;
inline quint32 hashStep(quint32 h, unsigned char b) { return (h ^ b) * 16777619u; }

quint32 hashKey(std::string_view key)
{
    quint32 h = kHashStart;
    for (const char c : key)
        h = hashStep(h, static_cast<unsigned char>(c));
    return h;
}

// A 64-bit mix over 8-byte words, folded to 32 bits: every changed word changes the state.
quint32 checksumOf(const char* p, size_t n)
{
    quint64 h = 0x6A09E667F3BCC908ull ^ n;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    for (; i < n; ++i) {
        h = (h ^ static_cast<unsigned char>(p[i])) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    return quint32(h ^ (h >> 32));
}

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

template <typename T>
void appendRaw(QByteArray* out, const T* items, size_t count)
{
    out->append(reinterpret_cast<const char*>(items), qsizetype(count * sizeof(T)));
}

} // namespace

struct Converter::Table {
    QByteArray data;   // keeps the bytes alive; may wrap read-only data
    const quint16* pageIndex = nullptr;
    const quint32* pages = nullptr;
    const CharEntry* chars = nullptr;
    const quint32* hashSlots = nullptr;
    const PhraseEntry* phrases = nullptr;
    const char* strings = nullptr;
    quint32 slotMask = 0;

    const CharEntry* character(int cp) const
    {
        const quint32 page = pageIndex[quint32(cp) >> 8];
        if (page == 0)
            return nullptr;
        const quint32 index = pages[(page - 1) * 256 + (quint32(cp) & 0xFF)];
        return index == 0 ? nullptr : &chars[index - 1];
    }
    const PhraseEntry* phrase(const char* key, size_t bytes, quint32 hash) const
    {
        for (quint32 probe = hash & slotMask;; probe = (probe + 1) & slotMask) {
            const quint32 index = hashSlots[probe];
            if (index == 0)
                return nullptr;
            const PhraseEntry& e = phrases[index - 1];
            if (e.keyBytes == bytes && std::memcmp(strings + e.keyOffset, key, bytes) == 0)
                return &e;
        }
    }
};

Converter::Converter(std::unique_ptr<Table> table) : table_(std::move(table)) {}
Converter::~Converter() = default;

QByteArray Converter::compile(const Entries& entries, QString* error)
{
    std::vector<CharEntry> chars;
    std::vector<PhraseEntry> phrases;
    std::vector<int> charOf(0x110000, -1);
    std::string strings;
    quint32 longestKey = 0;
    auto store = [&](const std::string& s, quint32* offset) {
        *offset = quint32(strings.size());
        strings += s;
    };
    auto entryFor = [&](int cp) -> CharEntry& {
        if (charOf[cp] < 0) {
            charOf[cp] = int(chars.size());
            chars.push_back({kNoValue, 0, 0});
        }
        return chars[size_t(charOf[cp])];
    };
    for (const auto& [key, value] : entries) {
        const auto* k = reinterpret_cast<const unsigned char*>(key.data());
        size_t first = 0;
        const int cp = key.empty() ? -1 : decode(k, k + key.size(), &first);
        if (cp < 0 || key.size() > 0xFFFF || value.size() > 0xFFFF) {
            *error = QStringLiteral("詞彙轉換字典的條目「%1」無法收錄").arg(QString::fromStdString(key));
            return {};
        }
        CharEntry& c = entryFor(cp);
        if (first == key.size()) {
            store(value, &c.valueOffset);
            c.valueBytes = quint16(value.size());
        } else {
            c.phraseBytes = std::max(c.phraseBytes, quint16(key.size()));
            PhraseEntry p{};
            store(key, &p.keyOffset);
            store(value, &p.valueOffset);
            p.keyBytes = quint16(key.size());
            p.valueBytes = quint16(value.size());
            phrases.push_back(p);
        }
        longestKey = std::max(longestKey, quint32(key.size()));
    }

    std::vector<quint16> pageIndex(kPages, 0);
    std::vector<quint32> pages;
    for (int cp = 0; cp < 0x110000; ++cp) {
        if (charOf[cp] < 0)
            continue;
        quint16& page = pageIndex[quint32(cp) >> 8];
        if (page == 0) {
            pages.resize(pages.size() + 256, 0);
            page = quint16(pages.size() / 256);
        }
        pages[(page - 1) * 256 + (quint32(cp) & 0xFF)] = quint32(charOf[cp] + 1);
    }
    quint32 slotCount = 16;
    while (slotCount < phrases.size() * 2)
        slotCount *= 2;
    std::vector<quint32> hashSlots(slotCount, 0);
    for (size_t i = 0; i < phrases.size(); ++i) {
        const PhraseEntry& p = phrases[i];
        quint32 probe = hashKey(std::string_view(strings.data() + p.keyOffset, p.keyBytes)) & (slotCount - 1);
        while (hashSlots[probe] != 0)
            probe = (probe + 1) & (slotCount - 1);
        hashSlots[probe] = quint32(i + 1);
    }

    Header h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.version = kVersion;
    h.pageCount = quint32(pages.size() / 256);
    h.charCount = quint32(chars.size());
    h.phraseCount = quint32(phrases.size());
    h.slotCount = slotCount;
    h.stringBytes = quint32(strings.size());
    h.longestKey = longestKey;
    QByteArray out;
    appendRaw(&out, &h, 1);
    appendRaw(&out, pageIndex.data(), pageIndex.size());
    appendRaw(&out, pages.data(), pages.size());
    appendRaw(&out, chars.data(), chars.size());
    appendRaw(&out, hashSlots.data(), hashSlots.size());
    appendRaw(&out, phrases.data(), phrases.size());
    out.append(strings.data(), qsizetype(strings.size()));
    seal(&out);
    return out;
}

void Converter::seal(QByteArray* table)
{
    if (table->size() < qsizetype(sizeof(Header)))
        return;
    Header h;
    std::memcpy(&h, table->constData(), sizeof h);
    h.fileSize = quint32(table->size());
    h.checksum = checksumOf(table->constData() + sizeof h, size_t(table->size()) - sizeof h);
    std::memcpy(table->data(), &h, sizeof h);
}

std::unique_ptr<const Converter> Converter::fromTable(const QByteArray& table, QString* error)
{
    auto refuse = [&](const char* why) {
        *error = QStringLiteral("詞彙轉換字典已損壞（%1），無法進行詞彙轉換，請重新安裝本程式。")
                     .arg(QString::fromUtf8(why));
        return nullptr;
    };
    Header h;
    if (table.size() < qsizetype(sizeof h))
        return refuse("檔案過短");
    std::memcpy(&h, table.constData(), sizeof h);
    if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0)
        return refuse("檔頭不符");
    if (h.version != kVersion)
        return refuse("版本不符");
    if (h.fileSize != quint64(table.size()))
        return refuse("大小不符");
    for (const quint32 r : h.reserved)
        if (r != 0)
            return refuse("檔頭不符");
    const quint64 expected = sizeof h + quint64(kPages) * 2 + quint64(h.pageCount) * 256 * 4
                             + quint64(h.charCount) * sizeof(CharEntry) + quint64(h.slotCount) * 4
                             + quint64(h.phraseCount) * sizeof(PhraseEntry) + h.stringBytes;
    if (expected != h.fileSize || h.pageCount > kPages || h.slotCount == 0
        || (h.slotCount & (h.slotCount - 1)) != 0 || h.phraseCount >= h.slotCount)
        return refuse("各段大小不符");
    if (checksumOf(table.constData() + sizeof h, size_t(table.size()) - sizeof h) != h.checksum)
        return refuse("檢查碼不符");

    auto t = std::make_unique<Table>();
    // The sections are read in place as 16- and 32-bit words, which needs an aligned start.
    t->data = (reinterpret_cast<quintptr>(table.constData()) % alignof(quint32)) == 0
                  ? table : QByteArray(table.constData(), table.size());
    const char* p = t->data.constData() + sizeof h;
    t->pageIndex = reinterpret_cast<const quint16*>(p);
    p += kPages * 2;
    t->pages = reinterpret_cast<const quint32*>(p);
    p += size_t(h.pageCount) * 256 * 4;
    t->chars = reinterpret_cast<const CharEntry*>(p);
    p += size_t(h.charCount) * sizeof(CharEntry);
    t->hashSlots = reinterpret_cast<const quint32*>(p);
    p += size_t(h.slotCount) * 4;
    t->phrases = reinterpret_cast<const PhraseEntry*>(p);
    p += size_t(h.phraseCount) * sizeof(PhraseEntry);
    t->strings = p;
    t->slotMask = h.slotCount - 1;

    // Every index and range, so that no lookup can leave the table.
    auto inStrings = [&](quint32 offset, quint32 bytes) { return quint64(offset) + bytes <= h.stringBytes; };
    for (quint32 i = 0; i < kPages; ++i)
        if (t->pageIndex[i] > h.pageCount)
            return refuse("索引超出範圍");
    for (quint64 i = 0; i < quint64(h.pageCount) * 256; ++i)
        if (t->pages[i] > h.charCount)
            return refuse("索引超出範圍");
    for (quint32 i = 0; i < h.charCount; ++i) {
        const CharEntry& c = t->chars[i];
        if ((c.valueOffset != kNoValue && !inStrings(c.valueOffset, c.valueBytes)) || c.phraseBytes > h.longestKey)
            return refuse("字元條目超出範圍");
    }
    for (quint32 i = 0; i < h.slotCount; ++i)
        if (t->hashSlots[i] > h.phraseCount)
            return refuse("索引超出範圍");
    for (quint32 i = 0; i < h.phraseCount; ++i) {
        const PhraseEntry& e = t->phrases[i];
        if (!inStrings(e.keyOffset, e.keyBytes) || !inStrings(e.valueOffset, e.valueBytes) || e.keyBytes == 0
            || e.keyBytes > h.longestKey)
            return refuse("詞條超出範圍");
    }
    return std::unique_ptr<const Converter>(new Converter(std::move(t)));
}

std::string Converter::convertBytes(std::string_view text, std::vector<convert::LengthChange>* changes) const
{
    // The longest match at each place, as OpenCC's own conversion does; a NUL is no key and
    // passes like any other unmatched byte, and so does a byte that starts no character.
    const Table& t = *table_;
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    qsizetype at = 0;   // UTF-16 position in the input, kept only when changes are asked for
    auto put = [&](const unsigned char* from, size_t keyBytes, const char* value, size_t valueBytes) {
        if (changes) {
            const qsizetype inUnits = utf16Units(reinterpret_cast<const char*>(from), keyBytes);
            const qsizetype outUnits = utf16Units(value, valueBytes);
            if (inUnits != outUnits)
                changes->push_back({at, inUnits, outUnits});
            at += inUnits;
        }
        out.append(value, valueBytes);
    };
    // Where a phrase could end: each character boundary up to the longest phrase, with the
    // key's hash so far, so that the candidates are tried longest first without rehashing.
    struct Candidate { size_t bytes; quint32 hash; };
    std::vector<Candidate> candidates;
    while (p < end) {
        size_t n = 0;
        const int cp = decode(p, end, &n);
        if (cp < 0) {
            n = std::min<size_t>(utf8CharacterBytes(*p), size_t(end - p));
            put(p, n, reinterpret_cast<const char*>(p), n);
            p += n;
            continue;
        }
        const CharEntry* c = t.character(cp);
        if (c == nullptr) {
            put(p, n, reinterpret_cast<const char*>(p), n);
            p += n;
            continue;
        }
        if (c->phraseBytes != 0) {
            const size_t limit = std::min<size_t>(c->phraseBytes, size_t(end - p));
            candidates.clear();
            quint32 h = kHashStart;
            for (size_t i = 0; i < n; ++i)
                h = hashStep(h, p[i]);
            for (size_t len = n; len < limit;) {
                const size_t step = utf8CharacterBytes(p[len]);
                if (len + step > limit)
                    break;
                for (size_t i = len; i < len + step; ++i)
                    h = hashStep(h, p[i]);
                len += step;
                candidates.push_back({len, h});
            }
            const PhraseEntry* found = nullptr;
            for (auto it = candidates.rbegin(); it != candidates.rend() && found == nullptr; ++it)
                found = t.phrase(reinterpret_cast<const char*>(p), it->bytes, it->hash);
            if (found != nullptr) {
                put(p, found->keyBytes, t.strings + found->valueOffset, found->valueBytes);
                p += found->keyBytes;
                continue;
            }
        }
        if (c->valueOffset != kNoValue)
            put(p, n, t.strings + c->valueOffset, c->valueBytes);
        else
            put(p, n, reinterpret_cast<const char*>(p), n);
        p += n;
    }
    return out;
}

std::string Converter::convertUtf8(std::string_view text) const
{
    return convertBytes(text, nullptr);
}

QString Converter::convert(QStringView text, std::vector<convert::LengthChange>* changes) const
{
    const QByteArray in = text.toUtf8();
    const std::string out = convertBytes(std::string_view(in.constData(), size_t(in.size())), changes);
    // Not QString::fromUtf8, which drops a U+FEFF at the start: a later part of a streamed file
    // may begin with one, and it is text there.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    return decoder.decode(QByteArrayView(out.data(), qsizetype(out.size())));
}

} // namespace phrase
