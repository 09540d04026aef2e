// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include "convert/phrase/preferences.h"

namespace batch {
namespace {

using document::Command;
using document::Encoding;

struct EncodingWord {
    const char16_t* word;
    Encoding encoding;
};

constexpr EncodingWord kFromWords[] = {
    {u"big5", Encoding::Big5},       {u"utf-8", Encoding::Utf8},      {u"utf8", Encoding::Utf8},
    {u"utf-16", Encoding::Utf16LE},  {u"utf16", Encoding::Utf16LE},   {u"gb18030", Encoding::Gb18030},
};
constexpr EncodingWord kToWords[] = {
    {u"big5", Encoding::Big5},           {u"utf-8", Encoding::Utf8},        {u"utf8", Encoding::Utf8},
    {u"utf-8-bom", Encoding::Utf8Bom},   {u"utf8-bom", Encoding::Utf8Bom},  {u"utf-16", Encoding::Utf16LE},
    {u"utf16", Encoding::Utf16LE},       {u"gb18030", Encoding::Gb18030},
};

// Reads "--name VALUE" or "--name=VALUE" at args[i]; false with *error set when the value is missing.
bool optionValue(const QStringList& args, qsizetype& i, const QString& name, QString* value, QString* error)
{
    const QString& a = args[i];
    if (a.startsWith(name + u'=')) {
        *value = a.mid(name.size() + 1);
        return true;
    }
    if (i + 1 >= args.size()) {
        *error = QStringLiteral("%1 後面需要一個值").arg(a);
        return false;
    }
    *value = args[++i];
    return true;
}

template <std::size_t N>
std::optional<Encoding> encodingWord(const EncodingWord (&words)[N], const QString& value)
{
    for (const EncodingWord& w : words) {
        if (value.compare(QStringView(w.word), Qt::CaseInsensitive) == 0)
            return w.encoding;
    }
    return std::nullopt;
}

bool isOption(const QString& a, const char16_t* name)
{
    const QString n = QString::fromUtf16(name);
    return a == n || a.startsWith(n + u'=');
}

QString checkCombination(const Options& o, bool outputGiven, bool utf8Flag)
{
    if (outputGiven && o.inPlace)
        return QStringLiteral("-o 與 -i 不能同時使用");
    if (outputGiven && o.files.size() > 1)
        return QStringLiteral("-o 只能用於一個輸入檔");
    if (o.inPlace && (o.files.isEmpty() || o.files.contains(QStringLiteral("-"))))
        return QStringLiteral("-i 需要檔案路徑，不能用於標準輸入");
    if (utf8Flag && (o.inPlace || (outputGiven && o.output != u"-")))
        return QStringLiteral("--utf8 只寫到標準輸出；要寫成 UTF-8 檔案請用 --to utf-8");
    return {};
}

} // namespace

namespace {

// One command line being read: the options so far and what was already given once.
class Parser {
public:
    explicit Parser(const QStringList& args) : args_(args) {}

    ParseResult run()
    {
        for (i_ = 0; i_ < args_.size() && r_.error.isEmpty(); ++i_)
            take(args_[i_]);
        if (r_.error.isEmpty() && !r_.options.help && !r_.options.version)
            r_.error = checkCombination(r_.options, outputGiven_, utf8Flag_);
        return r_;
    }

private:
    struct Flag {
        const char16_t* shortName;
        const char16_t* longName;
        void (*apply)(Options&);
    };
    static constexpr Flag kFlags[] = {
        {u"-g", u"--gb-to-big5", [](Options& o) { o.steps.push_back(Command::GbToBig5); }},
        {u"-b", u"--big5-to-gb", [](Options& o) { o.steps.push_back(Command::Big5ToGb); }},
        {u"-w", u"--correct", [](Options& o) { o.steps.push_back(Command::Correct); }},
        {u"-p", u"--phrase", [](Options& o) { o.steps.push_back(Command::Phrase); }},
        {u"-i", u"--in-place", [](Options& o) { o.inPlace = true; }},
        {u"", u"--force", [](Options& o) { o.force = true; }},
        {u"-h", u"--help", [](Options& o) { o.help = true; }},
        {u"", u"--version", [](Options& o) { o.version = true; }},
    };

    void take(const QString& a)
    {
        Options& o = r_.options;
        if (onlyFiles_ || a == u"-" || !a.startsWith(u'-')) {
            o.files << a;
            return;
        }
        if (a == u"--") {
            onlyFiles_ = true;
            return;
        }
        for (const Flag& f : kFlags) {
            if (a == QStringView(f.shortName) || a == QStringView(f.longName)) {
                f.apply(o);
                return;
            }
        }
        if (a == u"--utf8")
            takeTo(QStringLiteral("utf-8"), true);
        else if (a == u"-o" || isOption(a, u"--output"))
            takeOutput(a);
        else if (isOption(a, u"--from"))
            takeFrom(value(QStringLiteral("--from")));
        else if (isOption(a, u"--to"))
            takeTo(value(QStringLiteral("--to")), false);
        else if (isOption(a, u"--prefer"))
            takePrefer(value(QStringLiteral("--prefer")));
        else if (isOption(a, u"--review"))
            takeReview(value(QStringLiteral("--review")));
        else
            r_.error = QStringLiteral("不認得的選項：%1").arg(a);
    }

    // The value of the option at i_: after '=' or the next argument.
    QString value(const QString& name)
    {
        QString v;
        optionValue(args_, i_, name, &v, &r_.error);
        return v;
    }

    void takeOutput(const QString& a)
    {
        if (outputGiven_) {
            r_.error = QStringLiteral("-o 只能給一次");
            return;
        }
        r_.options.output = value(a == u"-o" ? QStringLiteral("-o") : QStringLiteral("--output"));
        if (r_.error.isEmpty() && r_.options.output.isEmpty())
            r_.error = QStringLiteral("輸出路徑不可為空");
        outputGiven_ = true;
    }

    void takeFrom(const QString& v)
    {
        if (!r_.error.isEmpty())
            return;
        if (fromGiven_) {
            r_.error = QStringLiteral("--from 只能給一次");
            return;
        }
        fromGiven_ = true;
        if (v.compare(u"auto", Qt::CaseInsensitive) != 0 && !(r_.options.from = encodingWord(kFromWords, v)))
            r_.error = QStringLiteral("不認得的輸入編碼：%1（可用 auto、big5、utf-8、utf-16、gb18030）").arg(v);
    }

    void takeTo(const QString& v, bool utf8Flag)
    {
        if (!r_.error.isEmpty())
            return;
        if (toGiven_) {
            r_.error = utf8Flag || utf8Flag_ ? QStringLiteral("--utf8 與 --to 不能同時使用") : QStringLiteral("--to 只能給一次");
            return;
        }
        toGiven_ = true;
        utf8Flag_ = utf8Flag;
        if (v.compare(u"same", Qt::CaseInsensitive) != 0 && !(r_.options.to = encodingWord(kToWords, v)))
            r_.error = QStringLiteral("不認得的輸出編碼：%1（可用 same、big5、utf-8、utf-8-bom、utf-16、gb18030）").arg(v);
    }

    void takeReview(const QString& v)
    {
        if (!r_.error.isEmpty())
            return;
        if (!r_.options.review.isEmpty())
            r_.error = QStringLiteral("--review 只能給一次");
        else if (v.isEmpty())
            r_.error = QStringLiteral("--review 的檔案路徑不可為空");
        r_.options.review = v;
    }

    void takePrefer(const QString& v)
    {
        if (r_.error.isEmpty())
            phrase::parsePreferences(v, &r_.options.preferences, &r_.error);
    }

    const QStringList& args_;
    qsizetype i_ = 0;
    ParseResult r_;
    bool onlyFiles_ = false;
    bool outputGiven_ = false;
    bool utf8Flag_ = false;
    bool toGiven_ = false;
    bool fromGiven_ = false;
};

} // namespace

ParseResult parseArguments(const QStringList& args)
{
    return Parser(args).run();
}

QString usageText()
{
    return QStringLiteral(
        "用法：subbig5-convert [步驟...] [編碼] [輸出] [檔案...]\n"
        "與 SubBig5 編輯器相同的處理：開啟、轉換、矯正、儲存，不必開視窗。\n"
        "\n"
        "步驟（依給定的順序執行，可重複）：\n"
        "  -g, --gb-to-big5    簡轉繁：GB2312 轉 Big5\n"
        "  -b, --big5-to-gb    繁轉簡：Big5 轉 GB2312\n"
        "  -w, --correct       字幕矯正：修正逐碼轉換無法判斷的詞（干杯 → 乾杯）\n"
        "  -p, --phrase        簡轉繁（台灣詞彙）：以詞彙為單位轉成台灣的繁體字，一步取代\n"
        "                      -g -w；GB 檔案讀成 GB18030，GBK 字也能轉換\n"
        "      --prefer FORMS  -p 在台灣寫法分歧處的選擇，以逗號分隔，例如 --prefer 臺,甚麼；\n"
        "                      可選 臺、裏、甚麼、計劃、伙伴、喔、着（預設：台、裡、什麼、\n"
        "                      計畫、夥伴、哦、著）\n"
        "編碼：\n"
        "      --from ENC      輸入的編碼：auto（預設，與編輯器開檔的判斷相同）、big5、\n"
        "                      utf-8、utf-16、gb18030（含 GB2312、GBK）\n"
        "      --to ENC        輸出的編碼：same（預設，與輸入相同）、big5、utf-8、\n"
        "                      utf-8-bom、utf-16、gb18030\n"
        "      --utf8          等於 --to utf-8，只能寫到標準輸出\n"
        "輸出：\n"
        "  （無）              結果寫到標準輸出\n"
        "  -o, --output PATH   寫到 PATH（只限一個輸入檔；- 代表標準輸出）\n"
        "  -i, --in-place      直接改寫每個輸入檔\n"
        "      --force         檔案看來已是繁體 Big5 時仍執行 -g、-p（否則略過該檔）\n"
        "      --review FILE   把最後一個步驟的校對標記寫到 FILE（JSON Lines，每個標記一行；\n"
        "                      - 代表標準錯誤）：changed 是轉換改過的字，uncertain 是有其他\n"
        "                      可能寫法、值得校對的字；多個輸入檔時每行另有 \"file\"\n"
        "檔案：路徑，或 - 代表標準輸入；未給檔案時讀標準輸入。\n"
        "  -h, --help          顯示這段說明\n"
        "      --version       顯示版本\n"
        "\n"
        "Big5 檔案與編輯器相同：逐行讀入，寫出時在最後多加一個 CR LF。其他編碼的檔案\n"
        "保留原有的換行與 BOM。在非 Big5 的檔案中，-g、-b 以字元為單位轉換；這時與 -p\n"
        "只轉換字幕的對白（ASS/SSA 的 Dialogue 文字、SRT 的字幕行），不動樣式、字型名稱與標籤。\n"
        "結束狀態：0 全部成功，1 有檔案失敗，2 命令列用法錯誤。\n"
        "範例：subbig5-convert -g -w in.txt -o out.txt\n"
        "      subbig5-convert -g -w --to big5 utf8-subtitle.srt -o big5.srt\n"
        "      subbig5-convert -p --to big5 gb2312-subtitle.srt -o big5.srt\n");
}

} // namespace batch
