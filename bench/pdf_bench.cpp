// Time to make a PDF of an RTF document: our page renderer (writePdf, in process)
// against LibreOffice converting the same file (soffice --headless --convert-to pdf,
// one process per document, as a program would call it; and once for all the files
// in one process), side by side in one run, alternating, after one untimed warm-up
// of each.
// Usage: bench_pdf [ROUNDS] [FILE.rtf ...]   (default: 5 rounds over data/forms/*.doc)
#include "documents/pagerender.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int rounds = args.isEmpty() ? 5 : std::max(1, args.first().toInt());
    QStringList files = args.mid(1);
    if (files.isEmpty()) {
        const QDir forms(QStringLiteral(FORMELAN_SOURCE_DIR "/data/forms"));
        for (const QString &f : forms.entryList({u"*.doc"_s}, QDir::Files))
            files.append(forms.filePath(f));
    }
    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    QTemporaryDir dir;
    const QString profile = u"-env:UserInstallation=file://"_s + dir.filePath(u"profile"_s);

    std::vector<QByteArray> sources;
    for (const QString &f : files) {
        QFile in(f);
        if (!in.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(f));
            return 1;
        }
        sources.push_back(in.readAll());
        // LibreOffice chooses its import filter by the name: give it .rtf.
        QFile::copy(f, dir.filePath(QFileInfo(f).completeBaseName() + u".rtf"_s));
    }
    const auto ours = [&](size_t i) {
        QElapsedTimer t;
        t.start();
        const formelan::PageRenderResult r =
            formelan::writePdf(sources[i], dir.filePath(u"ours.pdf"_s), u"bench"_s);
        if (!r.ok)
            std::fprintf(stderr, "%s\n", qPrintable(r.error));
        return t.nsecsElapsed() / 1e6;
    };
    const auto theirs = [&](size_t i) {
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.start(soffice,
                {u"--headless"_s, u"--norestore"_s, profile, u"--convert-to"_s, u"pdf"_s,
                 u"--outdir"_s, dir.filePath(u"lo"_s),
                 dir.filePath(QFileInfo(files[qsizetype(i)]).completeBaseName() + u".rtf"_s)});
        p.waitForFinished(300000);
        return t.nsecsElapsed() / 1e6;
    };

    ours(0);
    if (!soffice.isEmpty())
        theirs(0); // makes LibreOffice's profile
    std::vector<double> oursMs, theirsMs;
    for (int r = 0; r < rounds; ++r) {
        for (size_t i = 0; i < sources.size(); ++i) {
            oursMs.push_back(ours(i));
            if (!soffice.isEmpty())
                theirsMs.push_back(theirs(i));
        }
    }
    std::printf("documents: %zu, rounds: %d\n", sources.size(), rounds);
    std::printf("page renderer (writePdf)      : median %8.1f ms per PDF\n", median(oursMs));
    if (soffice.isEmpty()) {
        std::printf("LibreOffice: soffice not found\n");
        return 0;
    }
    // LibreOffice at its best: one process converting all the documents.
    QStringList all{u"--headless"_s, u"--norestore"_s,     profile, u"--convert-to"_s, u"pdf"_s,
                    u"--outdir"_s,   dir.filePath(u"lo"_s)};
    for (const QString &f : files)
        all.append(dir.filePath(QFileInfo(f).completeBaseName() + u".rtf"_s));
    QElapsedTimer t;
    t.start();
    QProcess batch;
    batch.start(soffice, all);
    batch.waitForFinished(600000);
    const double batchMs = t.nsecsElapsed() / 1e6 / double(files.size());
    std::printf("LibreOffice --convert-to pdf  : median %8.1f ms per PDF\n", median(theirsMs));
    std::printf("  all files in one process    :        %8.1f ms per PDF\n", batchMs);
    std::printf("ratio LibreOffice / ours      : %8.1f (one process for all: %.1f)\n",
                median(theirsMs) / median(oursMs), batchMs / median(oursMs));
    return 0;
}
