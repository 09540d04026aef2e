#include "cli/batch.h"

#include "app/document.h"
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "correct/correction.h"

#include <new>

namespace batch {
namespace {

void say(std::FILE* err, const QString& message)
{
    const QByteArray line = (QStringLiteral("subbig5-convert: ") + message + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), err);
    std::fflush(err);
}

QByteArray readAll(std::FILE* in)
{
    QByteArray data;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        data.append(buffer, qsizetype(n));
    return data;
}

bool writeAll(std::FILE* out, const QByteArray& data)
{
    return std::fwrite(data.constData(), 1, size_t(data.size()), out) == size_t(data.size())
           && std::fflush(out) == 0;
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
        if (step == Step::GbToBig5)
            gbToBigBytes(bytes);
        else
            bigToGBBytes(bytes);
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

int run(const Options& o, std::FILE* in, std::FILE* out, std::FILE* err)
{
    const QStringList files = o.files.isEmpty() ? QStringList{QStringLiteral("-")} : o.files;
    bool allOk = true;
    for (const QString& file : files) {
        const bool isStdin = file == u"-";
        const QString name = isStdin ? QStringLiteral("（標準輸入）") : file;
        try {
            QByteArray loaded;
            if (isStdin) {
                loaded = document::normaliseLineEnds(readAll(in));
            } else {
                document::ReadBytesResult r = document::readFileBytes(file);
                if (!r.ok) {
                    say(err, QStringLiteral("無法開啟檔案 %1：%2").arg(name, r.reason));
                    allOk = false;
                    continue;
                }
                loaded = std::move(r.bytes);
            }
            const QByteArray result = process(std::move(loaded), o.steps, o.utf8);
            const QString target = o.inPlace ? file : o.output;
            if (target.isEmpty()) {
                if (!writeAll(out, result)) {
                    say(err, QStringLiteral("無法寫出 %1 的結果到標準輸出").arg(name));
                    allOk = false;
                }
                continue;
            }
            const document::WriteResult w = document::writeFileBytes(target, result);
            if (!w.ok) {
                say(err, QStringLiteral("無法儲存檔案 %1：%2").arg(target, w.reason));
                allOk = false;
            }
        } catch (const std::bad_alloc&) {
            say(err, QStringLiteral("記憶體不足，無法處理 %1").arg(name));
            allOk = false;
        }
    }
    return allOk ? 0 : 1;
}

} // namespace batch
