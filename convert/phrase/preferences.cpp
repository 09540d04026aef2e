// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/phrase/preferences.h"

#include <QRegularExpression>

#include <atomic>

namespace phrase {
namespace {

std::atomic<Preferences> current{0};

// Words where 著 is zhù (notable, to write), never the particle 着.
constexpr const char16_t* kZhuWords[] = {
    u"著名", u"著作", u"著稱", u"著述", u"著者", u"顯著", u"名著", u"原著", u"巨著", u"論著",
    u"專著", u"編著", u"譯著", u"土著", u"昭著", u"卓著", u"遺著", u"新著", u"拙著", u"合著",
};

bool insideZhuWord(const QString& text, qsizetype at)
{
    for (const char16_t* w : kZhuWords) {
        const QStringView word(w);
        const qsizetype offset = word.indexOf(u'著');
        const qsizetype start = at - offset;
        if (start >= 0 && QStringView(text).mid(start, word.size()) == word)
            return true;
    }
    return false;
}

} // namespace

const std::vector<PreferenceChoice>& preferenceChoices()
{
    // The usual forms are what the development corpora write most (see README).
    static const std::vector<PreferenceChoice> choices = {
        {QStringLiteral("台"), QStringLiteral("臺")},
        {QStringLiteral("裡"), QStringLiteral("裏")},
        {QStringLiteral("什麼"), QStringLiteral("甚麼")},
        {QStringLiteral("計畫"), QStringLiteral("計劃")},
        {QStringLiteral("夥伴"), QStringLiteral("伙伴")},
        {QStringLiteral("哦"), QStringLiteral("喔")},
        {QStringLiteral("著"), QStringLiteral("着")},
    };
    return choices;
}

bool parsePreferences(QStringView text, Preferences* out, QString* error)
{
    Preferences p = 0;
    const auto& choices = preferenceChoices();
    for (QStringView item : text.split(QRegularExpression(QStringLiteral("[,，、]")))) {
        item = item.trimmed();
        if (item.isEmpty())
            continue;
        bool known = false;
        for (size_t i = 0; i < choices.size(); ++i) {
            if (item == choices[i].alternative) {
                p |= 1u << i;
                known = true;
            } else if (item == choices[i].usual) {
                p &= ~(1u << i);
                known = true;
            }
        }
        if (!known) {
            QStringList forms;
            for (const PreferenceChoice& c : choices)
                forms << c.usual + u'/' + c.alternative;
            *error = QStringLiteral("不認得的偏好：%1（可用 %2）").arg(item.toString(), forms.join(u'、'));
            return false;
        }
    }
    *out = p;
    return true;
}

QString preferencesText(Preferences p)
{
    QStringList forms;
    const auto& choices = preferenceChoices();
    for (size_t i = 0; i < choices.size(); ++i)
        if (p & (1u << i))
            forms << choices[i].alternative;
    return forms.join(u',');
}

void setPreferences(Preferences p)
{
    current.store(p, std::memory_order_relaxed);
}

Preferences preferences()
{
    return current.load(std::memory_order_relaxed);
}

void applyPreferences(QString* text, Preferences p)
{
    const auto& choices = preferenceChoices();
    for (size_t i = 0; i < choices.size(); ++i) {
        if (!(p & (1u << i)))
            continue;
        const QString& from = choices[i].usual;
        const QString& to = choices[i].alternative;
        const bool zhu = from == u"著";
        for (qsizetype at = text->indexOf(from); at >= 0; at = text->indexOf(from, at + from.size()))
            if (!zhu || !insideZhuWord(*text, at))
                text->replace(at, from.size(), to);
    }
}

} // namespace phrase
