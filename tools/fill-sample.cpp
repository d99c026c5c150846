// Fills a document kind with sample values and sends it, leaving project.doc in OUTDIR
// and its pages as project.pdf; for looking at the templates. MODE: "partly" (payer,
// recipient, amount and reason, as a quick payment is filled), "full" (every field with
// a realistic value, the default), "limit" (every text field at its limit).
// FIELD=VALUE pairs after the mode set single fields last.
// Usage: formelan-fill-sample KIND-ITEM OUTDIR [MODE [FIELD=VALUE ...]]
#include "app/findings.h"
#include "app/mainframe.h"
#include "app/startup.h"
#include "base/dialogs.h"
#include "base/paths.h"
#include "documents/pagerender.h"
#include "form/documentwindow.h"
#include "form/fieldset.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeEdit>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

// Answers every question with its first offered yes and prints it: the tool never waits.
class AnsweringDialogs : public Dialogs {
public:
    QMessageBox::StandardButton message(QWidget *, QMessageBox::Icon, const QString &,
                                        const QString &text,
                                        QMessageBox::StandardButtons buttons) override
    {
        qWarning("message: %s", qPrintable(text));
        for (const auto b : {QMessageBox::Yes, QMessageBox::Ok, QMessageBox::Save})
            if (buttons.testFlag(b))
                return b;
        return QMessageBox::NoButton;
    }
    QString openFileName(QWidget *, const QString &, const QString &) override { return {}; }
    QString saveFileName(QWidget *, const QString &, const QString &) override { return {}; }
    // The findings of the check are sent all the same: the pages show what was filled.
    int runDialog(QDialog &) override { return FindingsDialog::GoOn; }
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return 2;
    // A folder of its own for settings, state and data: a session left by the clerk's own
    // copy would otherwise be offered for recovery and wait for an answer.
    QTemporaryDir tmp;
    for (const char *var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        setenv(var, QFile::encodeName(tmp.path()).constData(), 1);
    QApplication app(argc, argv);
    AnsweringDialogs answering;
    setDialogs(&answering);
    const QByteArrayView mode = argc > 3 ? QByteArrayView(argv[3]) : QByteArrayView("full");
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
        {u"with_words", u"хиляда двеста и петдесет евро и 50 евроцента"},
        {u"reason", u"Фактура 12/05.11.2026"},
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
        {u"condition", u"Месечно, до 200 евро,\nдо 31.12.2027"},
        {u"ium1", u"1000"},
        {u"d1", u"25"},
        {u"ium2", u"250"},
        {u"d2", u"25"},
        {u"kindp1", u"110000"},
        {u"reaso1", u"ДДС за м. октомври"},
        {u"descript1", u"Дневник 10/2026"},
        {u"v1", u"1"},
        {u"doc_numbe1", u"2026100001"},
        {u"kindp2", u"441111"},
        {u"reaso2", u"Осигуровки"},
        {u"descript2", u"Декларация обр. 1"},
        {u"v2", u"2"},
        {u"doc_numbe2", u"000457"}};
    // A quick payment: who pays whom, how much and why; nothing else given.
    const std::initializer_list<const char16_t *> partly = {u"depositor_name",
                                                            u"depositor_iban_number1",
                                                            u"dep_bic1",
                                                            u"Recipient_name",
                                                            u"recipient_iban_number1",
                                                            u"rec_bic1",
                                                            u"rebank",
                                                            u"bank_name",
                                                            u"sum",
                                                            u"dr",
                                                            u"with_words",
                                                            u"reason",
                                                            u"ium1",
                                                            u"d1",
                                                            u"reaso1"};
    for (const auto &[name, value] : values) {
        const auto given = [&](const char16_t *p) { return QStringView(p) == QStringView(name); };
        if (mode == "partly" && std::none_of(partly.begin(), partly.end(), given))
            continue;
        view->setFieldText(name, QString::fromUtf16(value));
    }
    if (mode == "limit") {
        // The widest letter in every box, to see whether a full field stays inside it.
        for (const FieldDef &f : documentFields()) {
            if (f.max > 0 && (f.kind == FieldKind::Edit || f.kind == FieldKind::Memo))
                view->setFieldText(f.name.toString(), QString(f.max, u'Ш'));
        }
    }
    if (mode != "partly") {
        // Payments 3 and 4 of the eighth kind are left unused, as the values above leave them.
        for (QWidget *f : view->fields()) {
            auto *d = qobject_cast<QDateTimeEdit *>(f);
            if (d && !d->objectName().endsWith(u'3') && !d->objectName().endsWith(u'4'))
                d->setDate(QDate(2026, 12, 10));
        }
    }
    for (int i = 4; i < argc; ++i) {
        const QString pair = QString::fromLocal8Bit(argv[i]);
        const qsizetype eq = pair.indexOf(u'=');
        if (eq > 0)
            view->setFieldText(pair.left(eq), pair.mid(eq + 1));
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
