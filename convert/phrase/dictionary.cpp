// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/phrase/dictionary.h"

#include <QFile>
#include <QSet>

namespace phrase {

bool parseDictionary(QStringView text, Dictionary* out, QString* error)
{
    *out = {};
    std::vector<DictionaryEntry>* section = nullptr;
    QSet<QString> seenSimplified, seenTraditional;
    QSet<QString>* seen = nullptr;
    int lineNo = 0;
    auto fail = [&](const QString& what) {
        *error = QStringLiteral("詞彙轉換字典第 %1 行：%2").arg(lineNo).arg(what);
        return false;
    };
    for (QStringView line : text.tokenize(u'\n')) {
        ++lineNo;
        if (const qsizetype hash = line.indexOf(u'#'); hash >= 0)
            line = line.first(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'[')) {
            if (line == u"[simplified]") {
                section = &out->simplified;
                seen = &seenSimplified;
            } else if (line == u"[traditional]") {
                section = &out->traditional;
                seen = &seenTraditional;
            } else {
                return fail(QStringLiteral("不明的段落 %1").arg(line.toString()));
            }
            continue;
        }
        if (section == nullptr)
            return fail(QStringLiteral("條目前面缺少 [simplified] 或 [traditional]"));
        const QStringList parts = line.toString().replace(u'\t', u' ').split(u' ', Qt::SkipEmptyParts);
        if (parts.size() != 2)
            return fail(QStringLiteral("每行須是「鍵 值」兩欄"));
        const QString& key = parts[0];
        if (seen->contains(key))
            return fail(QStringLiteral("「%1」重複").arg(key));
        seen->insert(key);
        section->push_back({key, parts[1], lineNo});
    }
    return true;
}

QString builtInDictionaryText()
{
    QFile f(QStringLiteral(":/phrase/taiwan.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace phrase
