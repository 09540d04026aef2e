// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/review_words.h"

#include <QFile>

#include <algorithm>

namespace review {

namespace {

// Words rewritten this often are marked. Each fansub group left out in turn, the words and the
// character kinds together hold two thirds to four fifths of what the phrase step still gets
// wrong there, on about 3 % of the Han characters (tools/review/uncertain_kinds.py).
constexpr double kWordThreshold = 0.02;

std::u16string_view view(QStringView s) { return {reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())}; }

bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

} // namespace

UncertainWords UncertainWords::parse(QStringView data, double threshold)
{
    UncertainWords out;
    for (QStringView line : data.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QList<QStringView> fields = line.split(u'\t');
        if (fields.size() < 5)
            continue;
        bool ok[3] = {};
        Word word;
        word.run = fields[0].toString();
        word.first = fields[1].toInt(&ok[0]);
        word.end = fields[2].toInt(&ok[1]);
        word.kind.rate = fields[4].toDouble(&ok[2]);
        if (!ok[0] || !ok[1] || !ok[2] || word.kind.rate < threshold || word.run.isEmpty() || word.first < 0 ||
            word.end <= word.first || word.end > word.run.size())
            continue;
        const QStringView part = QStringView(word.run).mid(word.first, word.end - word.first);
        for (QStringView r : fields[3].split(u' ', Qt::SkipEmptyParts))
            word.kind.readings << r.toString();
        // The first reading is what the text holds; without another there is nothing to offer.
        if (word.kind.readings.size() < 2 || word.kind.readings.front() != part)
            continue;
        out.words_.push_back(std::move(word));
    }
    out.index();
    return out;
}

void UncertainWords::index()
{
    byRun_.clear();
    firsts_.reset();
    longest_ = 0;
    for (size_t i = 0; i < words_.size(); ++i) {
        const Word& word = words_[i];
        if (!byRun_.emplace(view(word.run), i).second)
            continue;
        firsts_.set(word.run[0].unicode());
        longest_ = std::max(longest_, word.run.size());
    }
}

const UncertainWords::Word* UncertainWords::at(QStringView text, qsizetype at) const
{
    if (!firsts_.test(text[at].unicode()))
        return nullptr;
    for (qsizetype n = std::min(longest_, text.size() - at); n > 0; --n) {
        const auto it = byRun_.find(view(text.mid(at, n)));
        if (it != byRun_.end())
            return &words_[it->second];
    }
    return nullptr;
}

const UncertainWords& UncertainWords::builtIn()
{
    static const UncertainWords words = [] {
        QFile file(QStringLiteral(":/review/uncertain_words.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return UncertainWords();
        return parse(QString::fromUtf8(file.readAll()), kWordThreshold);
    }();
    return words;
}

void addWordMarks(MarkList& list, QStringView result, const UncertainWords& words)
{
    if (words.empty())
        return;
    const QStringView before = list.before;
    std::vector<Mark> found;
    // The uncertain marks already there, in order, so a word never doubles one.
    auto existing = list.marks.cbegin();
    auto overlapsExisting = [&](qsizetype start, qsizetype end) {
        for (; existing != list.marks.cend(); ++existing) {
            if (existing->kind != MarkKind::Uncertain)
                continue;
            if (existing->start + existing->length <= start)
                continue;
            return existing->start < end;
        }
        return false;
    };
    // One line of each text at a time; `shift` takes a result position to the before text.
    qsizetype b = 0;
    qsizetype r = 0;
    while (r <= result.size()) {
        qsizetype re = r;
        while (re < result.size() && !isLineEnd(result[re]))
            ++re;
        qsizetype be = b;
        while (be < before.size() && !isLineEnd(before[be]))
            ++be;
        if (re - r == be - b) {
            const QStringView line = result.mid(r, re - r);
            qsizetype taken = 0;   // marks never overlap each other
            for (qsizetype i = 0; i < line.size(); ++i) {
                const UncertainWords::Word* word = words.at(line, i);
                if (word == nullptr)
                    continue;
                const qsizetype start = r + i + word->first;
                const qsizetype length = word->end - word->first;
                if (start < taken || overlapsExisting(start, start + length))
                    continue;
                found.push_back({MarkKind::Uncertain, start, length, start - r + b, length, &word->kind, 0});
                taken = start + length;
            }
        }
        if (re == result.size() || be == before.size())
            break;
        r = re + (result[re] == u'\r' && re + 1 < result.size() && result[re + 1] == u'\n' ? 2 : 1);
        b = be + (before[be] == u'\r' && be + 1 < before.size() && before[be + 1] == u'\n' ? 2 : 1);
    }
    if (found.empty())
        return;
    // A changed run comes before the uncertain marks that start with it or inside it.
    const size_t middle = list.marks.size();
    list.marks.insert(list.marks.end(), found.begin(), found.end());
    std::inplace_merge(list.marks.begin(), list.marks.begin() + std::ptrdiff_t(middle), list.marks.end(),
                       [](const Mark& x, const Mark& y) { return x.start < y.start; });
}

} // namespace review
