// Address book at scale, in the whole program.
//   bench_addressbook generate FILE ROWS   make a book with ROWS parties in each table
//   bench_addressbook measure [BOOK [IDLE_S]]
//                                          start Formelan on the user's book and time, as
//                                          the user meets them: adding a party, opening
//                                          each name list (first and later openings), a
//                                          keystroke in the search box, a party chosen
//                                          from a list, another copy's change until it is
//                                          listed, the idle cost of watching (IDLE_S,
//                                          20 s), peak memory. BOOK "pg:host=…;port=…;
//                                          dbname=…;user=…" puts the user's book on that
//                                          server first; "local" or none keeps the file.
// bench/addressbook.py runs them beside an empty book; bench/livebook.py on the local file
// beside the server.
#include "app/mainframe.h"
#include "app/startup.h"
#include "base/paths.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "parties/addressbook.h"
#include "parties/bookplace.h"
#include "parties/partylist.h"
#include "parties/sqlitepartystore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <sys/resource.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

int generate(const QString &path, int rows)
{
    StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(path);
    if (!store.ok())
        return 1;
    std::vector<QStringList> recipients, payers;
    for (int i = 0; i < rows; ++i) {
        const QString n = QString::number(i);
        recipients.push_back({u"Получател "_s + n,
                              u"%1"_s.arg(7501020018LL + i, 10, 10, QChar(u'0')), u"AA"_s + n,
                              u"да"_s, u"България"_s, u"ул. Първа "_s + n,
                              u"BG80BNBG9661%1"_s.arg(i, 10, 10, QChar(u'0')), u"BNBGBGSD"_s,
                              u"Българска народна банка"_s});
        payers.push_back({u"Наредител "_s + n, u"Лице "_s + n, u"7501020018"_s, u"1111111111"_s,
                          u"111111113"_s, u"не"_s, u"България"_s, u"ул. Втора "_s + n,
                          u"UNCRBGSF"_s, u"BG16UNCR7000%1"_s.arg(i, 10, 10, QChar(u'0')),
                          u"УниКредит Булбанк"_s, u"пл. Света Неделя 7"_s, u"Централен"_s});
    }
    // One transaction each.
    if (!store.value()->add(PartyTable::Recipients, recipients).ok() ||
        !store.value()->add(PartyTable::Payers, payers).ok())
        return 1;
    return 0;
}

struct Stats {
    double median = 0, max = 0;
};

Stats stats(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

template <typename F> double timeMs(F f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// What the user waits for: the event and the painting it causes.
void settle(QWidget *shown)
{
    QApplication::processEvents();
    (void)shown->grab();
}

// Opens a name list of the document, paints it, closes it.
double openList(PickList *list)
{
    return timeMs([&] {
        list->showPopup();
        settle(list->view());
        list->hidePopup();
    });
}

void typeKey(QWidget *w, QChar c)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &release);
}

// The user's settings name the server's book, as the settings dialog would save them.
void placeOnServer(const QString &book)
{
    BookPlaceSettings place;
    place.place = BookPlace::Server;
    for (const QString &part : book.mid(3).split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString key = part.left(eq), value = part.mid(eq + 1);
        if (key == u"host"_s)
            place.server.host = value;
        else if (key == u"port"_s)
            place.server.port = value.toInt();
        else if (key == u"dbname"_s)
            place.server.database = value;
        else if (key == u"user"_s)
            place.server.user = value;
        else if (key == u"sslmode"_s)
            place.server.sslMode = value;
    }
    saveBookPlace(place);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == u"generate"_s && argc > 3)
        return generate(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]).toInt());
    if (mode != u"measure"_s)
        return 2;
    const QString book = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const int idleS = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 20;
    initApplication(app);
    if (book.startsWith(u"pg:"_s))
        placeOnServer(book);
    const auto frame = startFormelan();
    if (!frame)
        return 1;
    settle(frame.get());
    AddressBook *recipients = frame->recipientsBook();
    AddressBook *payers = frame->payersBook();
    std::printf("rows: %d recipients, %d payers\n", recipients->list().count(),
                payers->list().count());

    // Opening the document's name lists: the first opening of each, then later ones.
    auto *recipientList =
        static_cast<PickList *>(frame->documentWindow()->control(u"Recipient_name"));
    auto *payerList = static_cast<PickList *>(frame->documentWindow()->control(u"depositor_name"));
    const double firstRecipients = openList(recipientList);
    const double firstPayers = openList(payerList);
    std::vector<double> opens;
    for (int i = 0; i < 9; ++i) {
        opens.push_back(openList(recipientList));
        opens.push_back(openList(payerList));
    }

    // Adding a party, with the book's own name list filled, as after its first opening.
    setFieldText(recipients->control(u"Recipient_name"), u"Нов получател"_s);
    recipients->namePick()->showPopup();
    recipients->namePick()->hidePopup();
    auto *add = recipients->findChild<QPushButton *>(u"Button1"_s);
    std::vector<double> adds;
    for (int i = 0; i < 15; ++i)
        adds.push_back(timeMs([&] {
            add->click();
            settle(recipients->grid()->viewport());
        }));

    // Search: the box is focused, the user starts typing a moment later; typing never
    // waits for the search text, and the rows follow once it is read. Then every
    // keystroke, painted.
    QLineEdit *box = payers->searchBox();
    QElapsedTimer sinceFocus;
    sinceFocus.start();
    box->setFocus();
    QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(box, &focus);
    QThread::msleep(150); // a person's first keystroke after clicking
    const double firstKey = timeMs([&] {
        typeKey(box, u'н');
        settle(payers->grid()->viewport());
    });
    while (payers->searchPending())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    settle(payers->grid()->viewport());
    const double firstRows = double(sinceFocus.nsecsElapsed()) / 1e6;
    box->clear();
    std::vector<double> keys;
    for (const QString &typed :
         {u"наредител 99999"_s, u"BG16UNCR70000000012345"_s, u"ЛИЦЕ 4"_s, u"7501"_s}) {
        for (QChar c : typed)
            keys.push_back(timeMs([&] {
                typeKey(box, c);
                settle(payers->grid()->viewport());
            }));
        box->clear();
    }

    // What of an add is the book's own write (the disk's sync): the same add through a
    // connection of its own.
    StoreResult<std::unique_ptr<PartyStore>> own = openBook(loadBookPlace(), addressBookPath());
    std::vector<double> storeAdds;
    for (int i = 0; own.ok() && i < 15; ++i)
        storeAdds.push_back(timeMs([&] {
            (void)own.value()->add(PartyTable::Payers,
                                   QStringList(partyColumns(PartyTable::Payers).size(), u"x"_s));
        }));
    // A party chosen from the document's name list: its row read and loaded.
    std::vector<double> chosen;
    const int last = recipients->list().count() - 1;
    for (int i = 0; i < 15; ++i)
        chosen.push_back(timeMs([&] {
            Q_EMIT recipientList->activated(i % 2 ? last - i : i * 997 % (last + 1));
            settle(recipients->grid()->viewport());
        }));

    // Another copy's add or delete, until this copy's window lists it: the book's change
    // probe, then the list read afresh on its own thread.
    std::vector<double> seen;
    PartyKey other = 0, lastRemoved = 0;
    // The adds above are listed first: a list still catching up with them would change its
    // count for them, not for the change timed.
    for (QElapsedTimer w; own.ok();) {
        if (!w.isValid())
            w.start();
        const StoreResult<BookSummary> s = own.value()->summary(PartyTable::Payers);
        if ((s.ok() && s->count == payers->list().count()) || w.elapsed() > 10000) {
            std::printf("15 adds in a row by another copy all listed after %lld ms\n",
                        static_cast<long long>(w.elapsed()));
            break;
        }
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    for (int i = 0; own.ok() && i < 100; ++i) {
        QThread::msleep(ulong(97 * i % 500)); // at any point of the probe's half second
        QElapsedTimer t;
        t.start();
        if (other == 0) {
            StoreResult<PartyKey> key =
                own.value()->add(PartyTable::Payers, QStringList(13, u"друг"_s));
            if (!key.ok()) {
                std::fprintf(stderr, "add: %s\n", qPrintable(key.error().message()));
                return 1;
            }
            other = key.value();
        } else {
            if (const StoreError e = own.value()->remove(PartyTable::Payers, other)) {
                std::fprintf(stderr, "delete: %s\n", qPrintable(e.message()));
                return 1;
            }
            lastRemoved = other;
            other = 0;
        }
        // Listed is the key itself in the list, or gone from it: a count may match by chance.
        const PartyKey changed = other != 0 ? other : lastRemoved;
        const bool added = other != 0;
        while ((payers->list().positionOf(changed) >= 0) != added && t.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        settle(payers->grid()->viewport());
        seen.push_back(double(t.nsecsElapsed()) / 1e6);
        if (seen.back() > 2000)
            std::fprintf(stderr, "change %d listed after %.0f ms\n", i, seen.back());
    }
    // Where a fresh list's time goes: the connection of its own, then the read of the
    // whole table's search columns, as refreshList() does them.
    std::vector<double> connects, reads;
    for (int i = 0; own.ok() && i < 10; ++i) {
        const auto opener = own.value()->opener();
        std::unique_ptr<PartyStore> fresh;
        connects.push_back(timeMs([&] {
            StoreResult<std::unique_ptr<PartyStore>> opened = opener();
            if (opened.ok())
                fresh = opened.take();
        }));
        if (fresh)
            reads.push_back(timeMs([&] {
                (void)readSearchSource(*fresh, PartyTable::Payers,
                                       std::numeric_limits<PartyKey>::max());
            }));
    }
    // The whole program idle, watching the book.
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer idle;
    idle.start();
    QEventLoop idleLoop;
    QTimer::singleShot(idleS * 1000, &idleLoop, &QEventLoop::quit);
    idleLoop.exec();
    getrusage(RUSAGE_SELF, &after);
    const auto cpuMs = [](const rusage &u) {
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
               double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    };
    const double idleShare = (cpuMs(after) - cpuMs(before)) / double(idle.elapsed()) * 100;

    const Stats add1 = stats(adds), open = stats(opens), key = stats(keys),
                write = stats(storeAdds), choose = stats(chosen), live = stats(seen);
    std::printf("choose from the list: median %7.2f ms, max %7.2f (goal < 20)\n", choose.median,
                choose.max);
    std::printf("another copy's change listed: median %7.0f ms, max %7.0f over %zu (goal < "
                "2000)\n",
                live.median, live.max, seen.size());
    if (!connects.empty() && !reads.empty()) {
        const Stats connect = stats(connects), read = stats(reads);
        std::printf("  a fresh list      : connection median %7.1f ms, max %7.1f; reading the "
                    "table median %7.1f ms, max %7.1f\n",
                    connect.median, connect.max, read.median, read.max);
    }
    std::printf("idle, watching      : %.3f %% of one core over %d s (goal < 1)\n", idleShare,
                idleS);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("add a party         : median %7.2f ms, max %7.2f (goal < 20)\n", add1.median,
                add1.max);
    std::printf(
        "  the write alone   : median %7.2f ms, max %7.2f (the book's own write and sync)\n",
        write.median, write.max);
    std::printf("open a name list    : first %7.2f ms recipients, %7.2f ms payers; later "
                "median %7.2f, max %7.2f (goal < 20)\n",
                firstRecipients, firstPayers, open.median, open.max);
    std::printf("search, 1st key     : %7.2f ms, 150 ms after the box got the focus; its rows "
                "shown %7.2f ms after the focus\n",
                firstKey, firstRows);
    std::printf("search, a keystroke : median %7.2f ms, max %7.2f (goal < 50)\n", key.median,
                key.max);
    std::printf("peak memory         : %7.1f MiB after all of the above\n",
                double(usage.ru_maxrss) / 1024.0);
    return 0;
}
