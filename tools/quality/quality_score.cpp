// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/quality/quality_score.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>

namespace scoring {

std::vector<Source> readCorpus(const QStringList& paths, QString* error)
{
    std::map<QString, QStringList> byName;
    for (const QString& path : paths) {
        QStringList files;
        const QFileInfo info(path);
        if (info.isDir()) {
            QDirIterator it(path, {QStringLiteral("*.txt")}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else if (info.isFile()) {
            files << path;
        } else {
            *error = QStringLiteral("no corpus at %1").arg(path);
            return {};
        }
        for (const QString& file : files) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly)) {
                *error = QStringLiteral("cannot read %1").arg(file);
                return {};
            }
            const QFileInfo fi(file);
            const QString name = info.isDir() && fi.dir() != QDir(path)
                ? fi.dir().dirName() + u'/' + fi.completeBaseName()
                : fi.completeBaseName();
            QStringList& lines = byName[name];
            for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n'))
                if (hanCount(line) > 0)
                    lines << line;
        }
    }
    std::vector<Source> out;
    for (auto& [name, lines] : byName)
        out.push_back({name, std::move(lines)});
    return out;
}

bool isHan(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x323AF);
}

qsizetype hanCount(QStringView text)
{
    qsizetype n = 0;
    for (char32_t c : text.toUcs4())
        n += isHan(c);
    return n;
}

qsizetype wrongHan(QStringView human, QStringView converted, std::vector<Miss>* misses)
{
    const QList<uint> a = human.toUcs4();
    const QList<uint> b = converted.toUcs4();
    qsizetype wrong = 0;
    auto miss = [&](qsizetype at, uint want, uint got) {
        ++wrong;
        if (misses) {
            const qsizetype from = std::max<qsizetype>(0, at - 4);
            const QList<uint> around = a.mid(from, std::min<qsizetype>(a.size(), at + 5) - from);
            misses->push_back({want, got, QString::fromUcs4(reinterpret_cast<const char32_t*>(around.constData()), around.size())});
        }
    };
    if (a.size() == b.size()) {
        for (qsizetype i = 0; i < a.size(); ++i)
            if (a[i] != b[i] && isHan(a[i]))
                miss(i, a[i], b[i]);
        return wrong;
    }
    // Lengths differ (a word swapped for a longer one): align by longest common subsequence.
    const qsizetype n = a.size(), m = b.size();
    std::vector<std::vector<int>> lcs(size_t(n + 1), std::vector<int>(size_t(m + 1), 0));
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    qsizetype i = 0, j = 0;
    while (i < n) {
        if (j < m && a[i] == b[j]) {
            ++i, ++j;
        } else if (j < m && lcs[i][j + 1] >= lcs[i + 1][j]) {
            ++j;
        } else {
            if (isHan(a[i]))
                miss(i, a[i], 0);
            ++i;
        }
    }
    return wrong;
}

Score& Score::operator+=(const Score& o)
{
    han += o.han;
    wrong += o.wrong;
    lines += o.lines;
    linesWithError += o.linesWithError;
    return *this;
}

Score score(const QStringList& human, const QStringList& converted, std::vector<Miss>* misses)
{
    Score s;
    for (qsizetype i = 0; i < human.size(); ++i) {
        const qsizetype han = hanCount(human[i]);
        const qsizetype wrong = i < converted.size() ? wrongHan(human[i], converted[i], misses) : han;
        s.han += han;
        s.wrong += wrong;
        s.lines += 1;
        s.linesWithError += wrong > 0;
    }
    return s;
}

} // namespace scoring
