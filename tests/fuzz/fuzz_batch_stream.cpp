// SPDX-License-Identifier: GPL-3.0-or-later
// The converter's sliced stream against the whole-file road, for every slice size and every
// amount already read: the same steps over the same bytes must write the same output however
// the file is cut, lines of any length included.
#include "cli/stream.h"
#include "convert/conversion.h"
#include "document/text_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::loadTables();
    // Every slice size of a large input costs its square; cutting needs no large input.
    if (size > 1024)
        return 0;
    fuzz::Reader in(data, size);
    const std::uint8_t flags = in.byte();
    const std::uint8_t headByte = in.byte();
    std::vector<document::Command> steps;
    for (int k = 0; k < (flags & 3); ++k)
        steps.push_back(flags & (4 << k) ? document::Command::GbToBig5 : document::Command::Big5ToGb);
    QByteArray file(reinterpret_cast<const char*>(in.rest()), qsizetype(in.left()));

    // The whole-file road: a load's line ends, the byte scans, a save's last line end.
    QByteArray whole = document::normaliseLineEnds(file);
    for (document::Command step : steps)
        step == document::Command::GbToBig5 ? modBig2GB::gbToBigBytes(whole) : modBig2GB::bigToGBBytes(whole);
    whole.append("\r\n", 2);

    const qsizetype head = file.isEmpty() ? 0 : headByte % (file.size() + 1);
    for (qsizetype slice = 1; slice <= file.size() + 1; ++slice) {
        QByteArray rest = file.mid(head);
        QBuffer source(&rest), sink;
        source.open(QIODevice::ReadOnly);
        sink.open(QIODevice::WriteOnly);
        fuzz::check(batch::streamByteSteps(QByteArrayView(file).first(head), source, sink, steps, slice).ok,
                    "stream failed");
        fuzz::check(sink.data() == whole, "sliced stream differs from the whole-file road");
    }
    return 0;
}
