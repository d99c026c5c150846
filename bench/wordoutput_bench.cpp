// Time to fill a template with every placeholder and save it, as a send does.
// Usage: bench_wordoutput TEMPLATE OUTPUT [RUNS]
#include "documents/wordengine.h"
#include "form/fieldset.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString templ = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 50;
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        formelan::RtfEngine engine;
        engine.open(templ);
        int i = 0;
        for (const formelan::FieldDef &def : formelan::documentFields())
            engine.replaceAll(def.name.toString(), u"Стойност %1"_s.arg(++i));
        for (const QString &extra : {u"ofda"_s, u"toda"_s, u"doc_date"_s, u"renobg"_s, u"denobg"_s})
            engine.replaceAll(extra, u"да"_s);
        engine.saveAs(out);
        engine.close();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%.3f\n", ms[ms.size() / 2]);
    return 0;
}
