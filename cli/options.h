#pragma once
// The batch converter's command line.

#include <QString>
#include <QStringList>

#include <vector>

namespace batch {

enum class Step { GbToBig5, Big5ToGb, Correct };

struct Options {
    std::vector<Step> steps;   // in the order given, each as often as given
    QString output;            // -o PATH; empty: standard output (or in place)
    bool inPlace = false;
    bool utf8 = false;
    QStringList files;         // "-" is standard input; none given: standard input
    bool help = false;
    bool version = false;
};

struct ParseResult {
    Options options;
    QString error;   // a usage error, in Traditional Chinese; empty when the line is fine
};

ParseResult parseArguments(const QStringList& arguments);
QString usageText();

} // namespace batch
