#include "cli/batch.h"

#include "app/document.h"
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "correct/correction.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <new>

namespace batch {
namespace {

void say(std::FILE* err, const QString& message)
{
    const QByteArray line = (QStringLiteral("subbig5-convert: ") + message + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), err);
    std::fflush(err);
}

bool onlyByteSteps(const std::vector<Step>& steps)
{
    return std::none_of(steps.begin(), steps.end(), [](Step s) { return s == Step::Correct; });
}

void applyByteSteps(QByteArray& bytes, const std::vector<Step>& steps)
{
    for (Step step : steps) {
        if (step == Step::GbToBig5)
            gbToBigBytes(bytes);
        else
            bigToGBBytes(bytes);
    }
}

bool writeAll(QIODevice& out, QByteArrayView data)
{
    return out.write(data.data(), data.size()) == data.size();
}

} // namespace

QByteArray process(QByteArray bytes, const std::vector<Step>& steps, bool utf8)
{
    // Text read through the code page encodes back to the same bytes, so the byte
    // conversions can run on the bytes directly; only the correction needs text.
    QString text;
    bool asText = false;
    for (Step step : steps) {
        if (step == Step::Correct) {
            if (!asText) {
                text = cp950::decode(bytes);
                bytes = QByteArray();
                asText = true;
            }
            text = correctSubtitles(text);
            continue;
        }
        if (asText) {
            bytes = cp950::encode(text);
            text = QString();
            asText = false;
        }
        applyByteSteps(bytes, {step});
    }
    if (utf8) {
        QByteArray out = (asText ? text : cp950::decode(bytes)).toUtf8();
        out.append("\r\n", 2);
        return out;
    }
    if (asText)
        return document::fileBytes(text);
    bytes.append("\r\n", 2);
    return bytes;
}

StreamResult streamByteSteps(QIODevice& in, QIODevice& out, const std::vector<Step>& steps, bool utf8,
                             qsizetype slice)
{
    StreamResult r;
    QByteArray pending;
    QByteArray chunk;
    bool endsWithCrLf = true;   // of what has been written, so far nothing
    bool wroteAny = false;
    bool eof = false;
    while (!eof) {
        const qsizetype had = pending.size();
        pending.resize(had + slice);
        const qint64 got = in.read(pending.data() + had, slice);
        if (got < 0) {
            r.readError = in.errorString();
            return r;
        }
        pending.resize(had + got);
        eof = got == 0;
        // Cut after a line end: CR and LF lie below every byte a pair conversion reads or
        // writes, so each slice converts on its own. A CR is a cut only when the byte after
        // it is known (a CR LF stays together). What was carried over holds no cut, so only
        // the newly read bytes are searched.
        qsizetype cut = pending.size();
        if (!eof && !pending.endsWith('\n')) {
            cut = 0;
            for (qsizetype i = pending.size() - 2; i >= std::max<qsizetype>(had - 1, 0); --i) {
                if (pending[i] == '\n' || (pending[i] == '\r' && pending[i + 1] != '\n')) {
                    cut = i + 1;
                    break;
                }
            }
        }
        if (cut <= 0)
            continue;
        chunk.clear();
        document::appendWithCrLf(chunk, QByteArrayView(pending).first(cut));
        pending.remove(0, cut);
        if (chunk.isEmpty())
            continue;
        applyByteSteps(chunk, steps);
        endsWithCrLf = chunk.endsWith("\r\n");
        wroteAny = true;
        if (!writeAll(out, utf8 ? cp950::decode(chunk).toUtf8() : chunk)) {
            r.writeError = out.errorString();
            return r;
        }
    }
    // The load gives the last line its line end; the save adds one more.
    const QByteArrayView tail = wroteAny && !endsWithCrLf ? QByteArrayView("\r\n\r\n") : QByteArrayView("\r\n");
    if (!writeAll(out, tail)) {
        r.writeError = out.errorString();
        return r;
    }
    r.ok = true;
    return r;
}

namespace {

// One input to one output. Returns false after telling the user what went wrong.
bool convertOne(const Options& o, const QString& file, std::FILE* in, std::FILE* out, std::FILE* err)
{
    const bool isStdin = file == u"-";
    const QString name = isStdin ? QStringLiteral("（標準輸入）") : file;
    QFile source;
    QString reason;
    if (isStdin ? !source.open(in, QIODevice::ReadOnly) : !document::openForReading(source, file, &reason)) {
        say(err, QStringLiteral("無法開啟檔案 %1：%2").arg(name, isStdin ? source.errorString() : reason));
        return false;
    }
    const QString target = o.inPlace ? file : o.output == u"-" ? QString() : o.output;
    QSaveFile saved;
    QFile console;
    if (target.isEmpty() ? !console.open(out, QIODevice::WriteOnly | QIODevice::Unbuffered)
                         : !document::openAtomic(saved, target, &reason)) {
        say(err, QStringLiteral("無法儲存檔案 %1：%2").arg(target.isEmpty() ? QStringLiteral("（標準輸出）") : target,
                                                      target.isEmpty() ? console.errorString() : reason));
        return false;
    }
    QIODevice& sink = target.isEmpty() ? static_cast<QIODevice&>(console) : saved;

    StreamResult r;
    if (onlyByteSteps(o.steps)) {
        // Byte conversions need no whole text: a file of any size goes through in slices.
        r = streamByteSteps(source, sink, o.steps, o.utf8);
    } else {
        // The correction needs the whole text: read it exactly as the editor's Open does.
        document::ReadBytesResult loaded;
        if (isStdin) {
            loaded.bytes = document::normaliseLineEnds(source.readAll());
            loaded.ok = source.error() == QFileDevice::NoError;
            loaded.reason = source.errorString();
        } else {
            source.close();
            loaded = document::readFileBytes(file);
        }
        if (!loaded.ok)
            r.readError = loaded.reason;
        else if (writeAll(sink, process(std::move(loaded.bytes), o.steps, o.utf8)))
            r.ok = true;
        else
            r.writeError = sink.errorString();
    }
    if (r.ok && !target.isEmpty() && !saved.commit())
        r.writeError = saved.errorString();
    if (!r.readError.isEmpty())
        say(err, QStringLiteral("無法讀取檔案 %1：%2").arg(name, r.readError));
    if (!r.writeError.isEmpty())
        say(err, QStringLiteral("無法儲存檔案 %1：%2").arg(target.isEmpty() ? QStringLiteral("（標準輸出）") : target,
                                                      r.writeError));
    if (!r.readError.isEmpty() || !r.writeError.isEmpty()) {
        if (!target.isEmpty())
            saved.cancelWriting();   // the old file stays as it was
        return false;
    }
    return true;
}

} // namespace

int run(const Options& o, std::FILE* in, std::FILE* out, std::FILE* err)
{
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
