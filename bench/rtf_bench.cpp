// Throughput of the RTF reader, in MB of RTF per second, into plain text and into a
// rich-text document. Usage: bench_rtf [MEGABYTES]
#include "rtf/rtfreader.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 20.0;
    // Text as word processors write it: Cyrillic as \uN and as \'hh, formatting
    // changes inside words, table rows.
    // Ten paragraphs, then a table of forty rows, like a list of banks by group.
    const QByteArray line =
        "\\pard\\plain\\f0\\fs20 {\\loch \\u1041\\'3f\\u1072\\'3f\\u1085\\'3f\\u1082\\'3f}"
        "{\\b\\loch \\u1072\\'3f} \\'c4\\'d1\\'ca {\\i STSABGSF} \\'e1\\'e0\\'ed\\'ea\\'e0 "
        "plain words of the list\\par\n";
    const QByteArray row =
        "\\trowd\\cellx5600\\cellx7800\\pard\\intbl\\f0\\fs20 \\'c1\\'e0\\'ed\\'ea\\'e0 "
        "\\'c4\\'d1\\'ca\\cell UNCRBGSF\\cell\\row\n";
    const QByteArray para = line.repeated(10) + row.repeated(40);
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Arial;}}"
                     "{\\colortbl;\\red0\\green0\\blue0;}\n";
    while (rtf.size() < qsizetype(megabytes * 1e6))
        rtf += para;
    rtf += "}";
    const double mb = double(rtf.size()) / 1e6;

    QElapsedTimer t;
    t.start();
    const QString text = formelan::rtf::plainText(rtf);
    const double plainS = double(t.nsecsElapsed()) / 1e9;
    t.restart();
    QTextDocument doc;
    formelan::rtf::read(rtf, doc);
    const double docS = double(t.nsecsElapsed()) / 1e9;
    std::printf("input            : %.1f MB (%lld characters of text)\n", mb,
                static_cast<long long>(text.size()));
    std::printf("reader, plain    : %7.1f MB/s (goal 20)\n", mb / plainS);
    // Most of this is Qt's own cost of inserting text into a QTextDocument.
    std::printf("into QTextDocument: %6.1f MB/s\n", mb / docS);
    return 0;
}
