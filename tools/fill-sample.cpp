// Fills a document kind with sample values as a clerk would and sends it, leaving
// project.doc in OUTDIR and its pages as project.pdf; for looking at the templates. "short" takes
// an amount whose words fit the short line of the eighth kind's form. Usage: formelan-fill-sample
// KIND-ITEM OUTDIR [short]
#include "app/mainframe.h"
#include "app/startup.h"
#include "base/paths.h"
#include "documents/pagerender.h"
#include "form/documentwindow.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeEdit>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace formelan;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    QTemporaryDir tmp;
    setAddressBookPathForTesting(tmp.path() + u"/base.mdb"_s);
    setProjectsDirForTesting(QString::fromLocal8Bit(argv[2]));
    setDesktopOpener([](const QString &) { return true; });
    initApplication(app);
    const auto frame = startFormelan();
    if (!frame)
        return 1;
    frame->findChild<QAction *>(QString::fromLocal8Bit(argv[1]))->trigger();
    DocumentWindow *view = frame->documentWindow();
    const std::pair<const char16_t *, const char16_t *> values[] = {
        {u"bank_name", u"УниКредит Булбанк"},
        {u"branch_name", u"Клон Витоша"},
        {u"b_add", u"бул. Витоша 12"},
        {u"Recipient_name", u"ЕТ Иван Петров"},
        {u"recipient_iban_number1", u"BG80BNBG96611020345678"},
        {u"rec_bic1", u"BNBGBGSD"},
        {u"rebank", u"Българска народна банка"},
        {u"sum", u"1250"},
        {u"dr", u"50"},
        {u"kind_p", u"110000"},
        {u"with_words", u"хиляда двеста и петдесет лв и 50 ст"},
        {u"reason", u"Фактура 12/05.03.2007"},
        {u"description", u"Доставка на материали"},
        {u"vd", u"1"},
        {u"doc_number", u"0000012"},
        {u"bounder_name", u"Мария Иванова"},
        {u"boun_bulstat", u"111111113"},
        {u"boun_egn", u"7501020018"},
        {u"boun_lk", u"1111111111"},
        {u"depositor_name", u"Алфа ООД"},
        {u"depositor_iban_number1", u"BG16UNCR70001519562303"},
        {u"dep_bic1", u"UNCRBGSF"},
        {u"kindpe", u"110000"},
        {u"pay_system", u"БИСЕРА"},
        {u"tac", u"1"},
        {u"code_br", u"1234567890"},
        {u"sebra", u"123456"},
        {u"cact", u"1234"},
        {u"recipient_country", u"България"},
        {u"recipient_add", u"ул. Шипка 5"},
        {u"depositor_country", u"България"},
        {u"depositor_add", u"ул. Раковски 1"},
        {u"econ_descript", u"Плащане за услуги\nпо договор 7"},
        {u"bnb_number", u"123"},
        {u"recipi_lk", u"645123456"},
        {u"recipi_egn", u"8032056031"},
        {u"condition", u"Месечно, до 200 лв,\nдо 31.12.2008"},
        {u"ium1", u"1000"},
        {u"d1", u"25"},
        {u"ium2", u"250"},
        {u"d2", u"25"},
        {u"kindp1", u"110000"},
        {u"reaso1", u"ДДС за м. февруари"},
        {u"descript1", u"Дневник 02/2007"},
        {u"v1", u"1"},
        {u"doc_numbe1", u"2007020001"},
        {u"kindp2", u"441111"},
        {u"reaso2", u"Осигуровки"},
        {u"descript2", u"Декларация обр. 1"},
        {u"v2", u"2"},
        {u"doc_numbe2", u"000457"}};
    for (const auto &[name, value] : values)
        view->setFieldText(name, QString::fromUtf16(value));
    if (argc > 3 && QByteArrayView(argv[3]) == "short") {
        const std::pair<const char16_t *, const char16_t *> shorter[] = {
            {u"sum", u"250"},  {u"dr", u"00"}, {u"with_words", u"двеста и петдесет лв"},
            {u"ium1", u"200"}, {u"d1", u"00"}, {u"ium2", u"50"},
            {u"d2", u"00"}};
        for (const auto &[name, value] : shorter)
            view->setFieldText(name, QString::fromUtf16(value));
    }
    for (QWidget *f : view->fields()) {
        if (auto *d = qobject_cast<QDateTimeEdit *>(f))
            d->setDate(QDate(2007, 3, 5));
    }
    frame->sendToWordProcessor();
    const QString out = QString::fromLocal8Bit(argv[2]);
    QFile doc(out + u"/project.doc"_s);
    if (!doc.open(QIODevice::ReadOnly))
        return 1;
    const PageRenderResult pages = writePdf(doc.readAll(), out + u"/project.pdf"_s, view->kind());
    if (!pages.ok)
        qWarning("%s", qPrintable(pages.error));
    return pages.ok ? 0 : 1;
}
