// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/batch.h"

#include "cli/endpoints.h"
#include "cli/stream.h"
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "convert/gbk_table.h"
#include "convert/tables.h"
#include "document/commands.h"
#include "document/native_path.h"
#include "document/save_file.h"

#include <algorithm>
#include <new>

namespace batch {

using document::Encoding;

namespace {

// The document as the steps see it: Big5 documents as bytes while only byte steps run (the
// codec is lossless, so that is the same as the text), everything else as text.
class Document {
public:
    Document(QByteArray fileBytes, Encoding encoding) : encoding_(encoding)
    {
        if (encoding == Encoding::Big5)
            bytes_ = document::normaliseInPlace(std::move(fileBytes));
        else
            setText(document::decodeText(fileBytes, encoding));
    }

    // False with `error` set when the step cannot run.
    bool run(Step step, GbFindings& findings, QString* error)
    {
        if (encoding_ == Encoding::Big5 && !asText_ && (step == Step::GbToBig5 || step == Step::Big5ToGb)) {
            // The byte road on the bytes themselves: the same as on their text, without decoding.
            if (step == Step::GbToBig5) {
                findings.merge(surveyGbBytes(bytes_));
                gbToBigBytes(bytes_);
            } else {
                bigToGBBytes(bytes_);
            }
            return true;
        }
        document::CommandResult r = document::runCommand(command(step), takeText(), encoding_);
        if (!r.ok) {
            *error = r.error;
            return false;
        }
        findings.merge(r.findings);
        setText(std::move(r.text));
        return true;
    }

    QByteArray save(Encoding to, document::Unsavable* unsaved)
    {
        if (!asText_ && to == Encoding::Big5) {
            bytes_.append("\r\n", 2);
            return std::move(bytes_);
        }
        std::vector<cp950::Unencodable> misses;
        const QString whole = text();
        QByteArray out = document::fileBytes(whole, to, &misses);
        if (unsaved)
            *unsaved = document::describeUnsavable(whole, misses);
        return out;
    }

private:
    static document::Command command(Step step)
    {
        switch (step) {
        case Step::GbToBig5: return document::Command::GbToBig5;
        case Step::Big5ToGb: return document::Command::Big5ToGb;
        case Step::Correct: return document::Command::Correct;
        case Step::Phrase: break;
        }
        return document::Command::Phrase;
    }

    QString text()
    {
        if (!asText_)
            setText(cp950::decode(bytes_));
        return text_;
    }
    // The text, handed over rather than shared, so a step may work on its buffer.
    QString takeText()
    {
        text();
        return std::move(text_);
    }
    void setText(QString text)
    {
        text_ = std::move(text);
        bytes_ = QByteArray();
        asText_ = true;
    }

    Encoding encoding_;
    QByteArray bytes_;
    QString text_;
    bool asText_ = false;
};

void say(std::FILE* err, const QString& message)
{
    const QByteArray line = (QStringLiteral("subbig5-convert: ") + message + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), err);
    std::fflush(err);
}

bool onlyByteSteps(const std::vector<Step>& steps)
{
    return std::all_of(steps.begin(), steps.end(), [](Step s) { return s == Step::GbToBig5 || s == Step::Big5ToGb; });
}

// Reads from `in` until `bytes` holds at least `want` bytes or the source has ended.
bool readMore(QIODevice& in, QByteArray& bytes, qsizetype want, bool* ended, QString* reason)
{
    while (bytes.size() < want) {
        const qsizetype at = bytes.size();
        bytes.resize(want);
        const qint64 got = in.read(bytes.data() + at, want - at);
        bytes.resize(at + qMax<qint64>(got, 0));
        if (got < 0) {
            *reason = in.errorString();
            return false;
        }
        if (got == 0) {
            *ended = true;
            break;
        }
    }
    return true;
}

struct Decision {
    Encoding encoding = Encoding::Big5;
    bool ended = false;   // the whole input is in `head`
};

// Reads as much of the input as it takes to know its encoding (as Open would decide) into
// `head`. A Big5 file usually shows itself within its first few lines.
bool decideEncoding(const Options& o, QIODevice& in, QByteArray& head, Decision& d, QString* reason)
{
    constexpr qsizetype kSlice = qsizetype(1) << 20;
    if (!readMore(in, head, kSlice, &d.ended, reason))
        return false;
    if (o.from) {
        d.encoding = document::encodingAsRequested(*o.from, head);
        return true;
    }
    if (const auto bom = document::encodingFromBom(head)) {
        d.encoding = *bom;
        return true;
    }
    qsizetype checked = 0;
    while (document::stillValidUtf8(head, checked, &checked)) {
        if (d.ended) {
            d.encoding = document::detectEncoding(head);
            return true;
        }
        if (head.size() > document::kMaxFileBytes)
            return true;   // refused later as too large
        if (!readMore(in, head, head.size() + kSlice, &d.ended, reason))
            return false;
    }
    d.encoding = Encoding::Big5;
    return true;
}

struct RunResult {
    QString readError;
    QString writeError;
    Report report;
};

RunResult runSteps(const Options& o, Source& source, Sink& sink)
{
    RunResult r;
    // A file the editor would refuse is refused before any of it is read or written; a stream
    // that says nothing of its size is refused once it has gone past the limit.
    if (!source.file.isSequential() && source.file.size() > document::kMaxFileBytes) {
        r.readError = document::tooLargeReason();
        return r;
    }
    QByteArray head;
    Decision d;
    if (!decideEncoding(o, source.file, head, d, &r.readError))
        return r;
    if (head.size() > document::kMaxFileBytes) {
        r.readError = document::tooLargeReason();
        return r;
    }
    const Encoding to = o.to.value_or(d.encoding);
    if (d.encoding == Encoding::Big5 && to == Encoding::Big5 && onlyByteSteps(o.steps)) {
        // Byte conversions need no whole text: an input of any size goes through in slices.
        StreamResult s = streamByteSteps(head, source.file, sink.device(), o.steps);
        r.readError = s.readError;
        r.writeError = s.writeError;
        r.report.findings = s.findings;
        return r;
    }
    // The correction and every other encoding need the whole text: read the rest as a load does.
    if (!d.ended) {
        const qint64 left = document::kMaxFileBytes - head.size();
        document::ReadBytesResult rest = document::readBytes(source.file, left);
        if (!rest.ok) {
            // Over what is left is over the limit: name the limit, not what was left of it.
            r.readError = rest.reason == document::tooLargeReason(left) ? document::tooLargeReason() : rest.reason;
            return r;
        }
        head += rest.bytes;
    }
    if (head.size() > document::kMaxFileBytes) {
        r.readError = document::tooLargeReason();
        return r;
    }
    const QByteArray bytes = process(std::move(head), d.encoding, o.steps, to, &r.report, &r.readError);
    if (!r.readError.isEmpty())
        return r;
    if (sink.device().write(bytes) != bytes.size())
        r.writeError = sink.device().errorString();
    return r;
}

void warn(std::FILE* err, const QString& name, const Report& report, bool toBig5)
{
    QString what = describeFindings(report.findings, QStringLiteral("可用 --from gb18030 讀取這個檔案"));
    if (report.unsaved.count > 0) {
        if (!what.isEmpty())
            what += u'\n';
        what += QStringLiteral("有 %1 個字元無法以 %2 寫出，已寫成「?」（第一個是第 %3 行的「%4」）。")
                    .arg(report.unsaved.count)
                    .arg(toBig5 ? QStringLiteral("Big5") : QStringLiteral("這個編碼"))
                    .arg(report.unsaved.line)
                    .arg(report.unsaved.first);
    }
    if (!what.isEmpty())
        say(err, QStringLiteral("警告：%1：%2").arg(name, what.replace(u'\n', u' ')));
}

// One input to one output. Returns false after telling the user what went wrong.
bool convertOne(const Options& o, const QString& file, std::FILE* in, std::FILE* out, std::FILE* err)
{
    Source source;
    QString reason;
    if (!openSource(file, in, source, &reason)) {
        say(err, QStringLiteral("無法開啟檔案 %1：%2").arg(document::displayPath(source.name), reason));
        return false;
    }
    Sink sink;
    if (!openSink(o, file, out, sink, &reason)) {
        say(err, QStringLiteral("無法儲存檔案 %1：%2").arg(document::displayPath(sink.name), reason));
        return false;
    }
    // A save of this input or output that was cut short left copies: say where they are.
    QStringList copies = source.file.isSequential() ? QStringList() : document::leftoverCopies(file);
    if (!sink.toConsole && sink.name != file)
        copies += document::leftoverCopies(sink.name);
    if (!copies.isEmpty()) {
        for (QString& copy : copies)
            copy = document::displayPath(copy);
        say(err, QStringLiteral("警告：%1：%2").arg(document::displayPath(source.name),
                                                 document::leftoversMessage(copies).replace(u'\n', u' ')));
    }
    RunResult r = runSteps(o, source, sink);
    if (r.readError.isEmpty() && r.writeError.isEmpty() && !sink.toConsole && !sink.file.commit())
        r.writeError = sink.file.reason();
    if (!r.readError.isEmpty())
        say(err, QStringLiteral("無法讀取檔案 %1：%2").arg(document::displayPath(source.name), r.readError));
    if (!r.writeError.isEmpty())
        say(err, QStringLiteral("無法儲存檔案 %1：%2").arg(document::displayPath(sink.name), r.writeError));
    if (!r.readError.isEmpty() || !r.writeError.isEmpty())
        return false;   // a file target is left as it was
    warn(err, document::displayPath(source.name), r.report, o.to == Encoding::Big5 || !o.to);
    return true;
}

} // namespace

QByteArray process(QByteArray fileBytes, Encoding from, const std::vector<Step>& steps, Encoding to, Report* report,
                   QString* error)
{
    Document doc(std::move(fileBytes), from);
    Report local;
    Report& r = report ? *report : local;
    QString why;
    for (Step step : steps) {
        if (!doc.run(step, r.findings, &why)) {
            if (error)
                *error = why;
            return {};
        }
    }
    return doc.save(to, &r.unsaved);
}

bool loadAllTables(QString* error)
{
    return modBig2GB::LoadTables(error) && loadGbkTable(error);
}

int run(const Options& o, std::FILE* in, std::FILE* out, std::FILE* err, TableLoader loadTables)
{
    // The tables are part of the program: without them every step would silently do nothing.
    QString error;
    if (!loadTables(&error)) {
        say(err, error);
        return 1;
    }
    if (std::find(o.steps.begin(), o.steps.end(), Step::Phrase) != o.steps.end()) {
        if (const QString why = document::commandUnavailable(document::Command::Phrase); !why.isEmpty()) {
            say(err, why);
            return 1;
        }
    }
    const QStringList files = o.files.isEmpty() ? QStringList{QStringLiteral("-")} : o.files;
    bool allOk = true;
    for (const QString& file : files) {
        try {
            allOk = convertOne(o, file, in, out, err) && allOk;
        } catch (const std::bad_alloc&) {
            say(err, QStringLiteral("記憶體不足，無法處理 %1").arg(file));
            allOk = false;
        }
    }
    return allOk ? 0 : 1;
}

} // namespace batch
