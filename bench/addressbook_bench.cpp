// Address book at scale.
//   bench_addressbook generate FILE ROWS   make a database with ROWS rows in each table
//   bench_addressbook measure              start Formelan on the user's database, time
//                                          adding a party and opening a name list
#include "app/mainframe.h"
#include "app/startup.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "parties/addressbook.h"
#include "parties/sqlitepartystore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
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
        recipients.push_back({u"Получател "_s + n, u"7501020018"_s, u"AA"_s + n, u"да"_s,
                              u"България"_s, u"ул. Първа "_s + n, u"BG80BNBG96611020345678"_s,
                              u"BNBGBGSD"_s, u"Българска народна банка"_s});
        payers.push_back({u"Наредител "_s + n, u"Лице "_s + n, u"7501020018"_s, u"1111111111"_s,
                          u"111111113"_s, u"не"_s, u"България"_s, u"ул. Втора "_s + n,
                          u"UNCRBGSF"_s, u"BG16UNCR70001519562303"_s, u"УниКредит Булбанк"_s,
                          u"пл. Света Неделя 7"_s, u"Централен"_s});
    }
    // One transaction each.
    if (!store.value()->add(PartyTable::Recipients, recipients).ok() ||
        !store.value()->add(PartyTable::Payers, payers).ok())
        return 1;
    return 0;
}

template <typename F> double medianMs(int runs, F f)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
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
    initApplication(app);
    const auto frame = startFormelan();
    if (!frame)
        return 1;
    app.processEvents();
    setFieldText(frame->recipientsBook()->control(u"Recipient_name"), u"Нов получател"_s);
    auto *add = frame->recipientsBook()->findChild<QPushButton *>(u"Button1"_s);
    const double addMs = medianMs(9, [&] { add->click(); });
    auto *list = static_cast<PickList *>(frame->documentWindow()->control(u"Recipient_name"));
    const double openMs = medianMs(9, [&] {
        list->showPopup();
        list->hidePopup();
    });
    auto *payers = static_cast<PickList *>(frame->documentWindow()->control(u"depositor_name"));
    const double openPayersMs = medianMs(9, [&] {
        payers->showPopup();
        payers->hidePopup();
    });
    std::printf("rows: %d recipients, %d payers\n", frame->recipientsBook()->list().count(),
                frame->payersBook()->list().count());
    std::printf("add a party       : %7.2f ms (goal < 20)\n", addMs);
    std::printf("open recipients   : %7.2f ms (goal < 20)\n", openMs);
    std::printf("open payers       : %7.2f ms (goal < 20)\n", openPayersMs);
    return 0;
}
