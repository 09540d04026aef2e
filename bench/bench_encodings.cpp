// SPDX-License-Identifier: GPL-3.0-or-later
// Today's subtitle files: opening a UTF-8 file beside a Big5 one, 簡轉繁 on characters beside the
// byte road, and the converter on a UTF-8 file beside iconv, OpenCC and its own GB2312 road.
#include "bench/bench.h"

#include "app/form1.h"
#include "app/text_area.h"
#include "convert/char_conversion.h"
#include "convert/codepage.h"
#include "convert/conversion.h"
#include "convert/tables.h"
#include "document/encoding.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// A Simplified Chinese subtitle text of about `bytes` bytes as GB2312.
QString simplifiedSubtitle(qsizetype bytes)
{
    return modBig2GB::bigToGBText(bench::big5SubtitleText(bytes));
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

double runSeconds(const QString& program, const QStringList& args, const QString& out)
{
    return bench::bestSeconds(3, [&] {
        QProcess p;
        p.setStandardOutputFile(out);
        p.start(program, args);
        p.waitForFinished(-1);
    });
}

} // namespace

SUBBIG5_BENCH(encodings)
{
    QString error;
    if (!modBig2GB::LoadTables(&error)) {
        bench::note("  !! %s", qPrintable(error));
        return;
    }
    QTemporaryDir dir;

    // Open: the same 50 MB subtitle as Big5 and as UTF-8, each read, detected and assigned.
    {
        const QString text = bench::big5SubtitleText(50 << 20);
        const QByteArray big5 = cp950::encode(text);
        const QByteArray utf8 = text.toUtf8();
        writeBytes(dir.filePath("big5.srt"), big5);
        writeBytes(dir.filePath("utf8.srt"), utf8);
        Form1 form;
        const double big5Open = bench::bestSeconds(3, [&] { form.Sum(dir.filePath("big5.srt")); });
        const double utf8Open = bench::bestSeconds(3, [&] { form.Sum(dir.filePath("utf8.srt")); });
        bench::row("open a Big5 subtitle into the text area", big5.size() / 1e6, big5Open);
        bench::row("open the same subtitle as UTF-8", utf8.size() / 1e6, utf8Open);
        bench::note("  UTF-8 open / Big5 open: %.2fx the time (%s as UTF-8)", utf8Open / big5Open,
                    form.encoding() == document::Encoding::Utf8 ? "detected" : "NOT detected");
    }

    // 簡轉繁 on 100 MB of UTF-16 text: on characters, and on the same text's GB2312 bytes.
    {
        const QString simplified = simplifiedSubtitle(50 << 20);
        const double mb = simplified.size() * 2 / 1e6;
        const QString gbShown = cp950::decode(document::encodeText(simplified, document::Encoding::Gb18030));
        QString a, b;
        const double chars = bench::bestSeconds(3, [&] { a = modBig2GB::gbToBigText(simplified); });
        const double bytes = bench::bestSeconds(3, [&] { b = modBig2GB::GBToBig(gbShown); });
        bench::row("簡轉繁 on characters (UTF-16 text)", mb, chars);
        bench::row("簡轉繁 on the byte road (same text as GB2312 read as Big5)", mb, bytes);
        bench::note("  %.0f MB/s of UTF-16 on characters; results %s", mb / chars, a == b ? "equal" : "DIFFER");
    }

    // The converter on the same subtitle text as UTF-8 and as GB2312 (about 100 MB as GB2312), beside iconv, OpenCC and its own GB2312 road.
    {
        const QString simplified = simplifiedSubtitle(100 << 20);
        const QByteArray utf8 = simplified.toUtf8();
        const QByteArray gb = document::encodeText(simplified, document::Encoding::Gb18030);
        writeBytes(dir.filePath("s-utf8.srt"), utf8);
        writeBytes(dir.filePath("s-gb.srt"), gb);
        const QString out = dir.filePath("out");
        const QString tool = QStringLiteral(SUBBIG5_CONVERT_PATH);
        const double mb = utf8.size() / 1e6;
        const double fromUtf8 = runSeconds(tool, {"--from", "utf-8", "-g", "-w", "--to", "big5", dir.filePath("s-utf8.srt")}, out);
        const double fromGb = runSeconds(tool, {"-g", "-w", dir.filePath("s-gb.srt")}, out);
        const double iconv = runSeconds("/usr/bin/iconv", {"-c", "-f", "UTF-8", "-t", "BIG5", dir.filePath("s-utf8.srt")}, out);
        // OpenCC takes half a minute a run: once is enough to see where it stands.
        const double opencc = bench::bestSeconds(1, [&] {
            QProcess p;
            p.setStandardOutputFile(out);
            p.start("/usr/bin/opencc", {"-c", "s2t", "-i", dir.filePath("s-utf8.srt")});
            p.waitForFinished(-1);
        });
        bench::row("subbig5-convert --from utf-8 -g -w --to big5", mb, fromUtf8);
        bench::row("subbig5-convert -g -w on the GB2312 version", gb.size() / 1e6, fromGb);
        bench::row("iconv -c -f UTF-8 -t BIG5", mb, iconv);
        bench::row("opencc -c s2t", mb, opencc);
        bench::note("  UTF-8 road / GB2312 road: %.2fx the time; iconv %.2fx, OpenCC s2t %.1fx the UTF-8 road",
                    fromUtf8 / fromGb, iconv / fromUtf8, opencc / fromUtf8);
    }
}
