#include "cli/batch.h"
#include "cli/options.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(SUBBIG5_VERSION));
    const batch::ParseResult parsed = batch::parseArguments(QCoreApplication::arguments().mid(1));
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "subbig5-convert: %s\n", parsed.error.toUtf8().constData());
        std::fprintf(stderr, "subbig5-convert: 請用 --help 查看用法\n");
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(batch::usageText().toUtf8().constData(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("subbig5-convert %s\n", SUBBIG5_VERSION);
        return 0;
    }
    return batch::run(parsed.options, stdin, stdout, stderr);
}
