// The address book's data layer at scale, without windows. BOOK is a file's path, or a
// database on a PostgreSQL server: "pg:host=…;port=…;dbname=…;user=…".
//   bench_partybook generate BOOK ROWS   a book with ROWS parties in each table
//   bench_partybook open BOOK            open the book and read what the first frame shows
//   bench_partybook measure BOOK         add, delete, name list, search, peak memory
//   bench_partybook quick BOOK           add and name list only, one line for a script
//   bench_partybook journal FILE RUNS    add and delete: rollback journal against the
//                                        write-ahead log checkpointed after each write
//   bench_partybook watch BOOK [CHANGES] [IDLE_S]
//                                        another copy's change until the watching store
//                                        is told; the CPU that watching costs while idle
//   bench_partybook copy FILE BOOK       copying FILE into the empty BOOK: cancelled at
//                                        90 %, then whole
// bench/pgbook.py runs the last two on a throw-away server.
// bench/partybook.py runs them side by side.
#include "parties/bookcopy.h"
#include "parties/partylist.h"
#include "parties/pgpartystore.h"
#include "parties/sqlitepartystore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

// The first screen of a grid: the window shows its last row as the current one.
constexpr int kScreen = 30;

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

struct Stats {
    double median = 0, max = 0;
};

Stats stats(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

QStringList recipient(int i)
{
    const QString n = QString::number(i);
    return {u"Получател "_s + n,
            u"%1"_s.arg(7501020018LL + i, 10, 10, QChar(u'0')),
            u"AA"_s + n,
            u"да"_s,
            u"България"_s,
            u"ул. Първа "_s + n,
            u"BG80BNBG9661%1"_s.arg(i, 10, 10, QChar(u'0')),
            u"BNBGBGSD"_s,
            u"Българска народна банка"_s};
}

QStringList payer(int i)
{
    const QString n = QString::number(i);
    return {u"Наредител "_s + n,
            u"Лице "_s + n,
            u"%1"_s.arg(7501020018LL + i, 10, 10, QChar(u'0')),
            u"1111111111"_s,
            u"111111113"_s,
            u"не"_s,
            u"България"_s,
            u"ул. Втора "_s + n,
            u"UNCRBGSF"_s,
            u"BG16UNCR7000%1"_s.arg(i, 10, 10, QChar(u'0')),
            u"УниКредит Булбанк"_s,
            u"пл. Света Неделя 7"_s,
            u"Централен"_s};
}

StoreResult<std::unique_ptr<PartyStore>> openBookAt(const QString &book,
                                                    const SqliteBookOptions &options)
{
    if (!book.startsWith(u"pg:"_s))
        return openSqliteBook(book, options);
    ServerBookSettings s;
    for (const QString &part : book.mid(3).split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString key = part.left(eq), value = part.mid(eq + 1);
        if (key == u"host"_s)
            s.host = value;
        else if (key == u"port"_s)
            s.port = value.toInt();
        else if (key == u"dbname"_s)
            s.database = value;
        else if (key == u"user"_s)
            s.user = value;
        else if (key == u"service"_s)
            s.service = value;
        else if (key == u"sslmode"_s)
            s.sslMode = value;
    }
    return openServerBook(s);
}

std::unique_ptr<PartyStore> open(const QString &book, const SqliteBookOptions &options = {})
{
    StoreResult<std::unique_ptr<PartyStore>> store = openBookAt(book, options);
    if (!store.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(store.error().message()));
        std::exit(1);
    }
    return store.take();
}

int generate(const QString &path, int rows)
{
    auto store = open(path);
    std::vector<QStringList> recipients, payers;
    for (int i = 0; i < rows; ++i) {
        recipients.push_back(recipient(i));
        payers.push_back(payer(i));
    }
    if (!store->add(PartyTable::Recipients, recipients).ok() ||
        !store->add(PartyTable::Payers, payers).ok())
        return 1;
    return 0;
}

// What the first frame needs of the book: both lists opened, the grids' last screen.
int openBook(const QString &path)
{
    QElapsedTimer t;
    t.start();
    auto store = open(path);
    int shown = 0;
    std::vector<std::unique_ptr<PartyList>> lists;
    for (PartyTable table : kPartyTables) {
        lists.push_back(PartyList::open(*store, table).take());
        PartyList &list = *lists.back();
        for (int p = std::max(0, list.count() - kScreen); p < list.count(); ++p)
            shown += list.rowAt(p) ? 1 : 0;
    }
    std::printf("open_ms %.3f rows_shown %d peak_kib %ld\n", msSince(t), shown, peakKiB());
    return 0;
}

int measure(const QString &path)
{
    auto store = open(path);
    const PartyTable t = PartyTable::Recipients;
    auto list = PartyList::open(*store, t).take();
    std::printf("rows: %d recipients, %lld payers\n", list->count(),
                store->summary(PartyTable::Payers).value().count);

    std::vector<double> adds, deletes;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!list->append(recipient(1000000 + i)).ok())
            return 1;
        adds.push_back(msSince(timer));
    }
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (list->removeAt(list->count() - 1))
            return 1;
        deletes.push_back(msSince(timer));
    }

    // A name list opened for the first time: the snapshot and its first page.
    std::vector<double> opens, ends;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer timer;
        timer.start();
        auto names = PartyList::open(*store, PartyTable::Payers).take();
        for (int p = 0; p < std::min(kScreen, names->count()); ++p)
            names->nameAt(p);
        opens.push_back(msSince(timer));
        timer.restart();
        for (int p = std::max(0, names->count() - kScreen); p < names->count(); ++p)
            names->nameAt(p);
        ends.push_back(msSince(timer));
    }
    QElapsedTimer all;
    all.start();
    auto every = PartyList::open(*store, PartyTable::Payers).take();
    for (int p = 0; p < every->count(); ++p)
        every->nameAt(p);
    const double allMs = msSince(all);

    const long beforeSearch = peakKiB();
    auto payers = PartyList::open(*store, PartyTable::Payers).take();
    QElapsedTimer prep;
    prep.start();
    if (payers->prepareSearch())
        return 1;
    const double prepMs = msSince(prep);
    prep.restart();
    if (list->prepareSearch())
        return 1;
    const double prepRecipientsMs = msSince(prep);
    std::vector<double> keys;
    size_t lastHits = 0;
    for (const QString &typed :
         {u"наредител 99999"_s, u"BG16UNCR70000000012345"_s, u"ЛИЦЕ 4"_s, u"7501"_s}) {
        for (qsizetype n = 1; n <= typed.size(); ++n) {
            QElapsedTimer timer;
            timer.start();
            lastHits = payers->search(QStringView(typed).first(n)).value().size();
            keys.push_back(msSince(timer));
        }
    }
    const Stats add = stats(adds), del = stats(deletes), open = stats(opens), end = stats(ends),
                key = stats(keys);
    std::printf("add a party          : median %7.2f ms, max %7.2f (goal < 20)\n", add.median,
                add.max);
    std::printf("delete a party       : median %7.2f ms, max %7.2f\n", del.median, del.max);
    std::printf("open a name list     : median %7.2f ms, max %7.2f (goal < 20)\n", open.median,
                open.max);
    std::printf("  and scroll to end  : median %7.2f ms\n", end.median);
    std::printf("every name, in blocks: %7.2f ms (what reading the whole list would cost)\n",
                allMs);
    std::printf("prepare search       : %7.2f ms payers, %7.2f ms recipients (once)\n", prepMs,
                prepRecipientsMs);
    std::printf("search a keystroke   : median %7.2f ms, max %7.2f (goal < 50; last %zu hits)\n",
                key.median, key.max, lastHits);
    std::printf("peak memory          : %7.1f MiB (%.1f MiB before search)\n",
                double(peakKiB()) / 1024.0, double(beforeSearch) / 1024.0);
    return 0;
}

// What a clerk waits for, in one line: adding a party, and a name list opened for a popup
// (the list, then the first screen of names, or every name).
int quick(const QString &book)
{
    auto store = open(book);
    auto list = PartyList::open(*store, PartyTable::Recipients).take();
    std::vector<double> adds, opens, whole;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!list->append(recipient(3000000 + i)).ok())
            return 1;
        adds.push_back(msSince(timer));
    }
    for (int i = 0; i < 21; ++i) {
        if (list->removeAt(list->count() - 1))
            return 1;
    }
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer timer;
        timer.start();
        auto names = PartyList::open(*store, PartyTable::Payers).take();
        for (int p = 0; p < std::min(kScreen, names->count()); ++p)
            names->nameAt(p);
        opens.push_back(msSince(timer));
    }
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        auto names = PartyList::open(*store, PartyTable::Payers).take();
        for (int p = 0; p < names->count(); ++p)
            names->nameAt(p);
        whole.push_back(msSince(timer));
    }
    std::printf("add_ms %.3f add_max_ms %.3f names_ms %.3f all_names_ms %.3f rows %d\n",
                stats(adds).median, stats(adds).max, stats(opens).median, stats(whole).median,
                list->count());
    return 0;
}

int journal(const QString &path, int runs)
{
    // Two copies of the same book, written in turn, so that both see the same disk.
    const QString rollbackPath = path + u".rollback"_s, walPath = path + u".wal"_s;
    for (const QString &p : {rollbackPath, walPath}) {
        QFile::remove(p);
        QFile::copy(path, p);
    }
    auto rollback = open(rollbackPath);
    SqliteBookOptions walOptions;
    walOptions.journal = SqliteBookOptions::Journal::WalWithCheckpoint;
    auto wal = open(walPath, walOptions);
    std::vector<double> addR, addW, delR, delW;
    for (int i = 0; i < runs; ++i) {
        for (auto [store, adds, dels] :
             {std::tuple{rollback.get(), &addR, &delR}, std::tuple{wal.get(), &addW, &delW}}) {
            QElapsedTimer t;
            t.start();
            const PartyKey key = store->add(PartyTable::Payers, payer(2000000 + i)).value();
            adds->push_back(msSince(t));
            t.restart();
            if (store->remove(PartyTable::Payers, key))
                return 1;
            dels->push_back(msSince(t));
        }
    }
    const Stats ar = stats(addR), aw = stats(addW), dr = stats(delR), dw = stats(delW);
    std::printf("rollback journal : add median %6.2f ms (max %6.2f), delete median %6.2f ms\n",
                ar.median, ar.max, dr.median);
    std::printf("WAL + checkpoint : add median %6.2f ms (max %6.2f), delete median %6.2f ms\n",
                aw.median, aw.max, dw.median);
    rollback.reset();
    wal.reset();
    for (const QString &p :
         QStringList{rollbackPath, walPath, walPath + u"-wal"_s, walPath + u"-shm"_s})
        QFile::remove(p);
    return 0;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Two copies on one file: A adds and deletes in turn, B watches. Each change is timed
// from A's return to B's being told; then B alone watches an idle book.
int watch(const QString &path, int changes, int idleSeconds)
{
    auto a = open(path);
    auto b = open(path);
    const PartyTable t = PartyTable::Payers;
    QElapsedTimer since;
    QEventLoop loop;
    int told = 0;
    b->watchChanges([&](PartyTable table) {
        if (table == t) {
            ++told;
            loop.quit();
        }
    });
    std::vector<double> ms;
    PartyKey added = 0;
    for (int i = 0; i < changes; ++i) {
        // At a random point of the watch's half-second, as a clerk's change comes.
        QEventLoop pause;
        QTimer::singleShot(int(QRandomGenerator::global()->bounded(500)), &pause,
                           &QEventLoop::quit);
        pause.exec();
        const int before = told;
        if (added == 0) {
            added = a->add(t, payer(3000000 + i)).value();
        } else {
            if (a->remove(t, added))
                return 1;
            added = 0;
        }
        since.start();
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        while (told == before && since.elapsed() < 5000)
            loop.exec();
        if (told == before) {
            std::fprintf(stderr, "change %d was not told within 5 s\n", i);
            return 1;
        }
        ms.push_back(msSince(since));
    }
    if (added != 0 && a->remove(t, added))
        return 1;
    a.reset();
    const Stats s = stats(ms);
    std::printf("another copy's change told : median %6.1f ms, max %6.1f ms over %d changes\n",
                s.median, s.max, changes);

    QEventLoop idle; // not `loop`, which the timeouts above may still end
    QTimer::singleShot(1000, &idle, &QEventLoop::quit); // the last delete told, if pending
    idle.exec();
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double used = cpuSeconds() - cpu;
    std::printf("idle watching              : %.3f s CPU in %.1f s, %.4f %% of one core\n", used,
                double(wall.elapsed()) / 1000, 100 * used / (double(wall.elapsed()) / 1000));
    return 0;
}

int copy(const QString &file, const QString &book)
{
    auto from = open(file);
    auto to = open(book);
    const BookCopyPreview counts = previewBookCopy(*from, *to).value();
    const qint64 total = counts.fromRecipients + counts.fromPayers;
    QElapsedTimer t;
    t.start();
    const BookCopyReport cancelled =
        copyBook(*from, *to, BookCopyMode::IntoEmpty,
                 [&](qint64 done, qint64) { return done * 10 < total * 9; });
    const double cancelMs = msSince(t);
    const BookCopyPreview after = previewBookCopy(*from, *to).value();
    if (!cancelled.error || !after.targetEmpty()) {
        std::fprintf(stderr, "the cancelled copy left %lld and %lld rows\n", after.toRecipients,
                     after.toPayers);
        return 1;
    }
    t.restart();
    const BookCopyReport whole = copyBook(*from, *to, BookCopyMode::IntoEmpty);
    const double wholeMs = msSince(t);
    if (whole.error) {
        std::fprintf(stderr, "%s\n", qPrintable(whole.error.message()));
        return 1;
    }
    std::printf("copy of %lld rows, cancelled at 90 %%: %8.0f ms, the book left empty\n", total,
                cancelMs);
    std::printf("copy of %lld rows, whole          : %8.0f ms (%lld recipients, %lld payers; "
                "goal < 30000)\n",
                total, wholeMs, whole.recipients, whole.payers);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == u"generate"_s && args.size() > 3)
        return generate(args.at(2), args.at(3).toInt());
    if (mode == u"open"_s && args.size() > 2)
        return openBook(args.at(2));
    if (mode == u"measure"_s && args.size() > 2)
        return measure(args.at(2));
    if (mode == u"quick"_s && args.size() > 2)
        return quick(args.at(2));
    if (mode == u"journal"_s && args.size() > 2)
        return journal(args.at(2), args.size() > 3 ? args.at(3).toInt() : 31);
    if (mode == u"watch"_s && args.size() > 2)
        return watch(args.at(2), args.size() > 3 ? args.at(3).toInt() : 100,
                     args.size() > 4 ? args.at(4).toInt() : 30);
    if (mode == u"copy"_s && args.size() > 3)
        return copy(args.at(2), args.at(3));
    std::fprintf(stderr, "usage: bench_partybook generate BOOK ROWS | open BOOK | measure BOOK | "
                         "quick BOOK | journal FILE [RUNS] | watch BOOK [CHANGES] [IDLE_S] | "
                         "copy FILE BOOK\n");
    return 2;
}
