#include "cli/options.h"

namespace batch {

ParseResult parseArguments(const QStringList& args)
{
    ParseResult r;
    Options& o = r.options;
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (onlyFiles || a == u"-" || !a.startsWith(u'-')) {
            o.files << a;
        } else if (a == u"--") {
            onlyFiles = true;
        } else if (a == u"-g" || a == u"--gb-to-big5") {
            o.steps.push_back(Step::GbToBig5);
        } else if (a == u"-b" || a == u"--big5-to-gb") {
            o.steps.push_back(Step::Big5ToGb);
        } else if (a == u"-w" || a == u"--correct") {
            o.steps.push_back(Step::Correct);
        } else if (a == u"-i" || a == u"--in-place") {
            o.inPlace = true;
        } else if (a == u"--utf8") {
            o.utf8 = true;
        } else if (a == u"-h" || a == u"--help") {
            o.help = true;
        } else if (a == u"--version") {
            o.version = true;
        } else if (a == u"-o" || a == u"--output" || a.startsWith(u"--output=")) {
            if (a.startsWith(u"--output=")) {
                o.output = a.mid(9);
            } else if (i + 1 < args.size()) {
                o.output = args[++i];
            } else {
                r.error = QStringLiteral("%1 後面需要一個輸出路徑").arg(a);
                return r;
            }
            if (o.output.isEmpty()) {
                r.error = QStringLiteral("輸出路徑不可為空");
                return r;
            }
        } else {
            r.error = QStringLiteral("不認得的選項：%1").arg(a);
            return r;
        }
    }
    if (o.help || o.version)
        return r;
    if (!o.output.isEmpty() && o.inPlace)
        r.error = QStringLiteral("-o 與 -i 不能同時使用");
    else if (!o.output.isEmpty() && o.files.size() > 1)
        r.error = QStringLiteral("-o 只能用於一個輸入檔");
    else if (o.inPlace && (o.files.isEmpty() || o.files.contains(QStringLiteral("-"))))
        r.error = QStringLiteral("-i 需要檔案路徑，不能用於標準輸入");
    return r;
}

QString usageText()
{
    return QStringLiteral(
        "用法：subbig5-convert [步驟...] [輸出] [檔案...]\n"
        "與 SubBig5 編輯器相同的處理：開啟、轉換、矯正、儲存，不必開視窗。\n"
        "\n"
        "步驟（依給定的順序執行，可重複）：\n"
        "  -g, --gb-to-big5    簡轉繁(&G)：GB2312 轉 Big5\n"
        "  -b, --big5-to-gb    繁轉簡(&B)：Big5 轉 GB2312\n"
        "  -w, --correct       字幕矯正(&W)\n"
        "輸出：\n"
        "  （無）              結果寫到標準輸出\n"
        "  -o, --output PATH   寫到 PATH（只限一個輸入檔；- 代表標準輸出）\n"
        "  -i, --in-place      直接改寫每個輸入檔\n"
        "      --utf8          以 UTF-8 而非 Big5（code page 950）寫出\n"
        "檔案：路徑，或 - 代表標準輸入；未給檔案時讀標準輸入。\n"
        "  -h, --help          顯示這段說明\n"
        "      --version       顯示版本\n"
        "\n"
        "結束狀態：0 全部成功，1 有檔案失敗，2 命令列用法錯誤。\n"
        "範例：subbig5-convert -g -w in.txt -o out.txt\n");
}

} // namespace batch
