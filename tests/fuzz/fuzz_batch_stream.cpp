// The converter's sliced stream against the whole-file road, for every slice size: the
// same steps over the same bytes must write the same output however the file is cut.
#include "app/document.h"
#include "cli/batch.h"
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
    std::vector<batch::Step> steps;
    for (int k = 0; k < (flags & 3); ++k)
        steps.push_back(flags & (4 << k) ? batch::Step::GbToBig5 : batch::Step::Big5ToGb);
    const bool utf8 = flags & 0x80;
    QByteArray file(reinterpret_cast<const char*>(in.rest()), qsizetype(in.left()));

    const QByteArray whole = batch::process(document::normaliseLineEnds(file), steps, utf8);
    for (qsizetype slice = 1; slice <= file.size() + 1; ++slice) {
        QBuffer source(&file), sink;
        source.open(QIODevice::ReadOnly);
        sink.open(QIODevice::WriteOnly);
        fuzz::check(batch::streamByteSteps(source, sink, steps, utf8, slice).ok, "stream failed");
        fuzz::check(sink.data() == whole, "sliced stream differs from the whole-file road");
    }
    return 0;
}
