// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and saving a large file through the real path: the file format, the codec
// and the Scintilla text area, with the process's peak memory.
#include "bench/bench.h"

#include "document/text_file.h"
#include "app/form1.h"
#include "app/text_area.h"
#include "convert/codepage.h"

#include <QFile>
#include <QTemporaryDir>

SUBBIG5_BENCH(load_and_save)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.srt");
    double mb = 0;
    {
        const QByteArray bytes = cp950::encode(bench::big5SubtitleText(50 << 20));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        mb = bytes.size() / 1e6;
    }
    bench::note("  %.1f MB Big5 file", mb);

    Form1 form;
    bench::resetPeakRss();
    const double before = bench::peakRssMB();
    const double load = bench::bestSeconds(1, [&] { form.Sum(path); });
    const double peak = bench::peakRssMB();
    bench::row("load: read, decode, assign to the text area", mb, load);
    bench::note("  peak memory during load: %.0f MB over %.0f MB before (%.1fx the file)", peak - before,
                before, (peak - before) / mb);

    const double readBack = bench::bestSeconds(3, [&] { (void)form.Text1->text(); });
    bench::row("read the whole text back from the text area", mb, readBack);
    const QString whole = form.Text1->text();
    const double assign = bench::bestSeconds(1, [&] { form.Text1->assignText(whole); });
    bench::row("assign the whole text as one undoable step (replace all, G, W)", mb, assign);
    const double save = bench::bestSeconds(1, [&] { form.save_Click(); });
    bench::row("save: encode and write atomically", mb, save);
}
