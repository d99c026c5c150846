// The whole-document check on the eighth kind, filled to its four payments with one
// fault planted: median and largest time of one check over RUNS runs (1,000 unless
// told), which must leave it fit to run before every print.
// Usage: bench_wholecheck [RUNS]
#include "form/documentcheck.h"
#include "form/fieldset.h"
#include "form/kinds.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Qt::StringLiterals;
using namespace formelan;

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const QDate today = QDate::currentDate();
    FormContent c;
    for (const FieldDef &def : documentFields()) {
        FormEntry e;
        e.text = def.initial.toString();
        e.dateTime = QDateTime(today, QTime(9, 0));
        c.entries.push_back(e);
    }
    c.kind = defaultKind().name.toString();
    const std::pair<QStringView, QString> values[] = {
        {u"Recipient_name", u"НАП ТД София"_s},
        {u"recipient_iban_number1", u"BG80BNBG96611020345678"_s},
        {u"rec_bic1", u"BNBGBGSD"_s},
        {u"depositor_name", u"Алфа ООД"_s},
        {u"depositor_iban_number1", u"BG18RZBB91550123456789"_s},
        {u"dep_bic1", u"STSABGSF"_s}, // of another bank: the one fault
        {u"vid", u"EUR"_s},
        {u"sum", u"400"_s},
        {u"dr", u"00"_s},
        {u"with_words", u"четиристотин евро"_s},
        {u"bounder_name", u"Мария Иванова"_s},
        {u"boun_egn", u"1111111110"_s},
    };
    for (const auto &[name, value] : values)
        c.entry(name).text = value;
    for (int k = 1; k <= 4; ++k) {
        c.entry(u"ium%1"_s.arg(k)).text = u"100"_s;
        c.entry(u"reaso%1"_s.arg(k)).text = u"Данък"_s;
    }
    std::vector<qint64> ns;
    ns.reserve(size_t(runs));
    std::size_t found = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        found += checkDocument(c, today).size();
        ns.push_back(t.nsecsElapsed());
    }
    std::sort(ns.begin(), ns.end());
    std::printf("whole check, eighth kind: median %.3f ms, largest %.3f ms over %d runs "
                "(%zu findings each)\n",
                double(ns[ns.size() / 2]) / 1e6, double(ns.back()) / 1e6, runs,
                found / size_t(runs));
    return 0;
}
