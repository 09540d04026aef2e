// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/batch.h"

#include "cli/endpoints.h"
#include "cli/stream.h"
#include "convert/phrase/preferences.h"
#include "convert/tables.h"
#include "document/commands.h"
#include "document/document.h"
#include "document/native_path.h"
#include "document/save_file.h"

#include <QFile>

#include <algorithm>
#include <new>
#include <set>
#include <stdexcept>
#include <sys/stat.h>

namespace batch {

using document::Command;
using document::Encoding;

namespace {

void say(std::FILE* err, const QString& message)
{
    const QByteArray line = (QStringLiteral("subbig5-convert: ") + message + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), err);
    std::fflush(err);
}

bool onlyByteSteps(const std::vector<Command>& steps)
{
    return std::all_of(steps.begin(), steps.end(),
                       [](Command s) { return s == Command::GbToBig5 || s == Command::Big5ToGb; });
}

// The first step that converts, when it turns Simplified into Traditional: the one that would
// garble a text already Traditional. (The correction before it changes no script.)
std::optional<Command> firstStepToTraditional(const std::vector<Command>& steps)
{
    const auto first = std::find_if(steps.begin(), steps.end(), [](Command s) { return s != Command::Correct; });
    if (first == steps.end() || *first == Command::Big5ToGb)
        return std::nullopt;
    return *first;
}

struct RunResult {
    QString readError;
    QString stepError;
    QString writeError;
    bool alreadyTraditional = false;   // skipped, nothing written
    QString reviewError;
    Report report;
};

// Where --review writes: one stream for the whole run.
struct ReviewSink {
    QFile file;
    bool nameFiles = false;   // several inputs: each mark names its file
};

RunResult runSteps(const Options& o, Source& source, Sink& sink, ReviewSink* review)
{
    RunResult r;
    // Read as Open reads: as much as it takes to know the encoding, then the rest.
    document::Opening opening =
        document::decideEncoding(source.file, o.from, document::kMaxFileBytes, document::Reading::InSlices);
    if (!opening.ok) {
        r.readError = opening.reason;
        return r;
    }
    const Encoding to = o.to.value_or(opening.encoding);
    const std::optional<Command> toTraditional = o.force ? std::nullopt : firstStepToTraditional(o.steps);
    if (toTraditional && startLooksTraditional(opening)) {
        r.alreadyTraditional = true;
        return r;
    }
    // No road needs the whole text: an input of any size goes through a few lines at a time.
    // Review marks compare texts, so with them a Big5 input goes through its text too.
    StreamResult s;
    if (!review && opening.encoding == Encoding::Big5 && to == Encoding::Big5 && onlyByteSteps(o.steps)) {
        s = streamByteSteps(opening.head, source.file, sink.device(), o.steps);
    } else {
        const QString reviewName = review && review->nameFiles ? source.name : QString();
        const auto runOn = [&](document::Document& part, qsizetype firstLine, modBig2GB::GbFindings& findings, QString* error) {
            review::MarkList marks;
            for (size_t i = 0; i < o.steps.size(); ++i) {
                const Command step = o.steps[i];
                QString why;
                const bool marked = review && i + 1 == o.steps.size();
                if (!(marked ? part.run(step, findings, &why, &marks) : part.run(step, findings, &why))) {
                    *error = QStringLiteral("%1：%2").arg(document::commandName(step), why);
                    return false;
                }
            }
            if (review && r.reviewError.isEmpty()) {
                const QByteArray lines = review::toJsonLines(part.text(), marks, reviewName, firstLine);
                if (review->file.write(lines) != lines.size() || !review->file.flush())
                    r.reviewError = review->file.errorString();
            }
            return true;
        };
        s = streamDocument(opening, source.file, sink.device(), o.steps, to, runOn);
    }
    r.readError = s.readError;
    r.stepError = s.stepError;
    r.writeError = s.writeError;
    r.report.findings = s.findings;
    r.report.unsaved = s.unsaved;
    return r;
}

void warn(std::FILE* err, const QString& name, const Report& report, bool toBig5)
{
    QString what = modBig2GB::describeFindings(
        report.findings, QStringLiteral("這個檔案若是 GB18030（GBK），可用 --from gb18030 讀取；若是 UTF-8，可用 --from utf-8"));
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
bool convertOne(const Options& o, const QString& file, std::FILE* in, std::FILE* out, std::FILE* err, ReviewSink* review)
{
    Source source;
    QString reason;
    if (!openSource(file, in, source, &reason)) {
        say(err, QStringLiteral("無法開啟檔案 %1：%2").arg(document::displayPath(source.name), reason));
        return false;
    }
    // A save of this input or output that was cut short left copies: say where they are. (Looked
    // for before the output is opened, whose own temporary file would look like one.)
    const QString target = sinkPath(o, file);
    QStringList looked = source.file.isSequential() ? QStringList() : QStringList{file};
    if (!target.isEmpty() && target != file)
        looked += target;
    QStringList copies = document::leftoverCopies(looked);
    Sink sink;
    if (!openSink(o, file, out, sink, &reason)) {
        say(err, QStringLiteral("無法儲存檔案 %1：%2").arg(document::displayPath(sink.name), reason));
        return false;
    }
    if (!copies.isEmpty()) {
        for (QString& copy : copies)
            copy = document::displayPath(copy);
        say(err, QStringLiteral("警告：%1：%2").arg(document::displayPath(source.name),
                                                 document::leftoversMessage(copies).replace(u'\n', u' ')));
    }
    RunResult r = runSteps(o, source, sink, review);
    const bool failed = !r.readError.isEmpty() || !r.stepError.isEmpty() || !r.writeError.isEmpty();
    if (!failed && !r.alreadyTraditional && !sink.toConsole && !sink.file.commit())
        r.writeError = sink.file.reason();
    if (r.alreadyTraditional)
        say(err, QStringLiteral("略過 %1：%2（要照樣轉換請加 --force）").arg(document::displayPath(source.name), document::alreadyTraditionalMessage()));
    if (!r.readError.isEmpty())
        say(err, QStringLiteral("無法讀取檔案 %1：%2").arg(document::displayPath(source.name), r.readError));
    if (!r.stepError.isEmpty())
        say(err, QStringLiteral("無法處理 %1：%2").arg(document::displayPath(source.name), r.stepError));
    if (!r.writeError.isEmpty())
        say(err, QStringLiteral("無法儲存檔案 %1：%2").arg(document::displayPath(sink.name), r.writeError));
    if (!r.reviewError.isEmpty())
        say(err, QStringLiteral("無法寫出校對標記 %1：%2").arg(document::displayPath(o.review), r.reviewError));
    if (r.alreadyTraditional || failed || !r.writeError.isEmpty() || !r.reviewError.isEmpty())
        return false;   // a file target is left as it was
    warn(err, document::displayPath(source.name), r.report, o.to == Encoding::Big5 || !o.to);
    return true;
}

// True when `file` names a file an earlier input already named (the same name twice, a
// symbolic or hard link): converting it twice would convert its text twice.
bool seenBefore(const QString& file, std::set<std::pair<dev_t, ino_t>>& seen)
{
    struct stat st {};
    if (file == u"-" || ::stat(document::nativePath(file).constData(), &st) != 0)
        return false;   // a name that cannot be looked up is reported when it is opened
    return !seen.insert({st.st_dev, st.st_ino}).second;
}

} // namespace

QByteArray process(QByteArray fileBytes, Encoding from, const std::vector<Command>& steps, Encoding to, Report* report,
                   QString* error)
{
    document::Document doc(std::move(fileBytes), from);
    Report local;
    Report& r = report ? *report : local;
    QString why;
    for (Command step : steps) {
        if (!doc.run(step, r.findings, &why)) {
            if (error)
                *error = why;
            return {};
        }
    }
    return doc.save(to, &r.unsaved);
}

int run(const Options& o, std::FILE* in, std::FILE* out, std::FILE* err, TableLoader loadTables)
{
    phrase::setPreferences(o.preferences);
    // The tables are part of the program: without them every step would silently do nothing.
    try {
        loadTables();
    } catch (const std::runtime_error& e) {
        say(err, QString::fromUtf8(e.what()));
        return 1;
    }
    if (std::find(o.steps.begin(), o.steps.end(), Command::Phrase) != o.steps.end()) {
        if (const QString why = document::commandUnavailable(Command::Phrase); !why.isEmpty()) {
            say(err, why);
            return 1;
        }
    }
    const QStringList files = o.files.isEmpty() ? QStringList{QStringLiteral("-")} : o.files;
    ReviewSink review;
    if (!o.review.isEmpty()) {
        review.nameFiles = files.size() > 1;
        const bool opened = o.review == u"-" ? review.file.open(err, QIODevice::WriteOnly | QIODevice::Unbuffered)
                                             : (review.file.setFileName(o.review),
                                                review.file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!opened) {
            say(err, QStringLiteral("無法寫出校對標記 %1：%2").arg(document::displayPath(o.review), review.file.errorString()));
            return 1;
        }
    }
    std::set<std::pair<dev_t, ino_t>> seen;
    bool allOk = true;
    for (const QString& file : files) {
        if (seenBefore(file, seen)) {
            say(err, QStringLiteral("略過 %1：與前面的輸入是同一個檔案").arg(file));
            continue;
        }
        try {
            allOk = convertOne(o, file, in, out, err, o.review.isEmpty() ? nullptr : &review) && allOk;
        } catch (const std::bad_alloc&) {
            say(err, QStringLiteral("記憶體不足，無法處理 %1").arg(file));
            allOk = false;
        }
    }
    return allOk ? 0 : 1;
}

} // namespace batch
