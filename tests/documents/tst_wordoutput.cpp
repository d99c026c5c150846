#include "testsupport.h"

#include "base/paths.h"
#include "documents/output.h"
#include "documents/wordengine.h"
#include "form/documentwindow.h"
#include "form/fieldset.h"
#include "form/fieldwidgets.h"
#include "rtf/rtfreader.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

const QString kSource = QStringLiteral(FORMELAN_SOURCE_DIR);
const QString kShipped = kSource + u"/data/forms"_s;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A template of our own: a marker, then each placeholder in brackets.
void writeTemplate(const Program &p, const QString &name, const QString &marker,
                   const QStringList &placeholders)
{
    QByteArray rtf = "{\\rtf1\\ansi " + marker.toLatin1();
    for (const QString &ph : placeholders)
        rtf += " [" + ph.toLatin1() + "]";
    rtf += "}";
    writeFile(p.dataDir() + u"/forms/"_s + name, rtf);
}

QString project(const Program &p)
{
    return p.dataDir() + u"/Projects/project.doc"_s;
}

QString sent(const Program &p)
{
    return rtf::plainText(readFile(project(p)));
}

void send(Program &p)
{
    p.find<QToolButton>(u"ToolButton12"_s)->click();
}

void set(QStringView name, const QString &value)
{
    setFieldText(docWindow()->control(name), value);
}

void copyShippedTemplates(const Program &p)
{
    QDir().mkpath(p.dataDir() + u"/forms"_s);
    for (const QString &f : QDir(kShipped).entryList(QDir::Files))
        QFile::copy(kShipped + u'/' + f, p.dataDir() + u"/forms/"_s + f);
}

} // namespace

class TestWordOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void templateByLengthOfTheWords_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("marker");
        QTest::newRow("empty") << 0 << u"SHORT"_s;
        QTest::newRow("26") << 26 << u"SHORT"_s;
        QTest::newRow("27") << 27 << u"LONG"_s;
    }

    void templateByLengthOfTheWords()
    {
        QFETCH(int, length);
        QFETCH(QString, marker);
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, u"SHORT"_s, {u"with_words"_s});
        writeTemplate(p, u"formuliar8a.doc"_s, u"LONG"_s, {u"with_words"_s});
        const QString words(length, u'д');
        set(u"with_words", words);
        send(p);
        QCOMPARE(sent(p), marker + u" ["_s + words + u']');
        QCOMPARE(p.opened, QStringList{project(p)});
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void missingTemplate()
    {
        Program p;
        writeTemplate(p, u"formuliar8a.doc"_s, u"LONG"_s, {u"sum"_s});
        writeFile(project(p), "earlier");
        send(p); // formuliar8.doc is missing
        QCOMPARE(p.dialogs.texts(),
                 QStringList{u"Бланката за формуляр \"Преводно нареждане /Вносна бележка/ м.р.\" "
                             u"липсва! Преинсталирайте програмата!"_s});
        QCOMPARE(readFile(project(p)), QByteArray("earlier"));
        QVERIFY(p.opened.isEmpty());
    }

    void amountUnits_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("ium2");
        QTest::addColumn<QString>("expected");
        QTest::newRow("short sum") << u"N7"_s << u"1234"_s << QString() << u"[<<<<<<1234] []"_s;
        QTest::newRow("ten characters")
            << u"N7"_s << u"1234567890"_s << u"5"_s << u"[1234567890] [<<<<<<<<<5]"_s;
        QTest::newRow("longer, set by the program")
            << u"N7"_s << u"12345678901"_s << u"0"_s << u"[12345678901] []"_s;
        QTest::newRow("direct debit consent")
            << u"N4"_s << u"1234"_s << QString() << u"[1234] []"_s;
    }

    void amountUnits()
    {
        QFETCH(QString, kind);
        QFETCH(QString, sum);
        QFETCH(QString, ium2);
        QFETCH(QString, expected);
        Program p;
        for (const char *name : {"formuliar8.doc", "saglasie_debit.doc"})
            writeTemplate(p, QString::fromLatin1(name), u"T"_s, {u"sum"_s, u"ium2"_s});
        p.find<QAction>(kind)->trigger();
        set(u"sum", sum);
        set(u"ium2", ium2);
        send(p);
        QCOMPARE(sent(p), u"T "_s + expected);
        QCOMPARE(fieldText(docWindow()->control(u"sum")), sum); // the window keeps its text
    }

    // The section on local and foreign persons stays empty on a payment between two
    // local persons, as a blank document is.
    void checkBoxes_data()
    {
        QTest::addColumn<bool>("recipientLocal");
        QTest::addColumn<bool>("payerLocal");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blank, domestic") << true << true << QString() << u"T [] [] [] []"_s;
        QTest::newRow("foreign payer") << true << false << QString() << u"T [да] [] [] [да]"_s;
        QTest::newRow("foreign recipient") << false << true << QString() << u"T [] [да] [да] []"_s;
        QTest::newRow("a country given") << true << true << u"Германия"_s << u"T [да] [] [да] []"_s;
    }

    void checkBoxes()
    {
        QFETCH(bool, recipientLocal);
        QFETCH(bool, payerLocal);
        QFETCH(QString, country);
        QFETCH(QString, expected);
        Program p;
        writeTemplate(p, u"kreditni_prevod.doc"_s, u"T"_s,
                      {u"rebg"_s, u"renobg"_s, u"debg"_s, u"denobg"_s});
        p.find<QAction>(u"N2"_s)->trigger();
        setFieldChecked(docWindow()->control(u"rebg"), recipientLocal);
        setFieldChecked(docWindow()->control(u"debg"), payerLocal);
        if (!country.isEmpty())
            typeInto(docWindow()->control(u"recipient_country"), country);
        send(p);
        QCOMPARE(sent(p), expected);
    }

    void dateForms_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("placeholders");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("expected");
        const QStringList all{u"d_date"_s, u"doc_date"_s, u"of_date"_s, u"ofda"_s,    u"toda"_s,
                              u"dateiz"_s, u"ddat1"_s,    u"ddat4"_s,   u"of_dat1"_s, u"to_dat3"_s};
        // Every date, of a document, a period or the execution, prints in one form.
        QTest::newRow("eighth kind")
            << u"N7"_s << u"formuliar8.doc"_s << all << QDate(2007, 3, 5)
            << u"T [05032007] [doc_date] [05032007] [ofda] [toda] [05032007] [05032007] "
               u"[05032007] [05032007] [05032007]"_s;
        QTest::newRow("transfer slip")
            << u"N6"_s << u"prevod_vnosna.doc"_s << all << QDate(2007, 3, 5)
            << u"T [d_date] [05032007] [05032007] [ofda] [toda] [05032007] [05032007] "
               u"[05032007] [05032007] [05032007]"_s;
        QTest::newRow("budget") << u"N5"_s << u"byudzhetno_narezhdane.doc"_s << all
                                << QDate(2007, 3, 5)
                                << u"T [05032007] [doc_date] [of_date] [05032007] [05032007] "
                                   u"[05032007] [05032007] [05032007] [05032007] [05032007]"_s;
        // A new document's dates are not given, and print as nothing.
        QTest::newRow("none given, budget")
            << u"N5"_s << u"byudzhetno_narezhdane.doc"_s << all << QDate()
            << u"T [] [doc_date] [of_date] [] [] [] [] [] [] []"_s;
        QTest::newRow("none given, transfer slip")
            << u"N6"_s << u"prevod_vnosna.doc"_s << all << QDate()
            << u"T [d_date] [] [] [ofda] [toda] [] [] [] [] []"_s;
    }

    void dateForms()
    {
        QFETCH(QString, kind);
        QFETCH(QString, file);
        QFETCH(QStringList, placeholders);
        QFETCH(QDate, day);
        QFETCH(QString, expected);
        Program p;
        writeTemplate(p, file, u"T"_s, placeholders);
        for (QWidget *f : docWindow()->fields()) {
            if (auto *d = qobject_cast<QDateTimeEdit *>(f); d && day.isValid())
                d->setDateTime(QDateTime(day, QTime(23, 59)));
        }
        p.find<QAction>(kind)->trigger();
        send(p);
        QCOMPARE(sent(p), expected);
    }

    // On the shipped forms a value the clerk did not give prints as nothing: no padded
    // amount or date in an unused payment, no mark in the section on foreign persons.
    void shippedFormsPrintOnlyWhatWasFilled_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("typed"); // field, text, field, text …
        QTest::addColumn<int>("amounts");       // amounts printed padded
        QTest::newRow("eighth kind, payments 1 and 2")
            << u"N7"_s << QStringList{u"ium1"_s, u"100"_s, u"reaso1"_s, u"Данък"_s,
                                      u"ium2"_s, u"50"_s,  u"reaso2"_s, u"Такса"_s}
            << 3;
        QTest::newRow("eighth kind, payment 3 only")
            << u"N7"_s << QStringList{u"ium3"_s, u"70"_s, u"reaso3"_s, u"Такса"_s} << 2;
        QTest::newRow("blank credit transfer") << u"N2"_s << QStringList() << 1;
        QTest::newRow("blank direct debit") << u"N3"_s << QStringList() << 1;
        QTest::newRow("blank budget order") << u"N5"_s << QStringList() << 1;
        QTest::newRow("blank transfer slip") << u"N6"_s << QStringList() << 1;
    }

    void shippedFormsPrintOnlyWhatWasFilled()
    {
        QFETCH(QString, item);
        QFETCH(QStringList, typed);
        QFETCH(int, amounts);
        Program p;
        copyShippedTemplates(p);
        p.find<QAction>(item)->trigger();
        for (qsizetype i = 0; i + 1 < typed.size(); i += 2)
            typeInto(docWindow()->control(typed[i]), typed[i + 1]);
        send(p);
        const QString text = sent(p);
        static const QRegularExpression padded(u"(?<!<)<+\\d"_s);
        static const QRegularExpression date(u"\\d{6}"_s);
        QCOMPARE(text.count(padded), amounts);
        QVERIFY2(!date.match(text).hasMatch(), qPrintable(date.match(text).captured()));
        static const QRegularExpression notWord(u"\\W+"_s,
                                                QRegularExpression::UseUnicodePropertiesOption);
        QVERIFY(!text.split(notWord).contains(u"да"_s));
    }

    // The budget forms begin "Основание" with the obligated person's identifier, 13
    // positions, then the clerk's text: an ЛНЧ after "LNC", one identifier only.
    void budgetReasonBeginsWithTheIdentifier_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("typed"); // field, text, field, text …
        QTest::addColumn<QString>("identifier");
        QTest::newRow("ЕИК, budget order")
            << u"N5"_s << QStringList{u"boun_bulstat"_s, u"121759222"_s} << u"121759222"_s;
        QTest::newRow("ЕГН, transfer slip")
            << u"N6"_s << QStringList{u"boun_egn"_s, u"7501020018"_s} << u"7501020018"_s;
        QTest::newRow("ЛНЧ") << u"N5"_s << QStringList{u"boun_lk"_s, u"1000000009"_s}
                             << u"LNC1000000009"_s;
        QTest::newRow("ЕИК before ЕГН")
            << u"N6"_s
            << QStringList{u"boun_egn"_s, u"7501020018"_s, u"boun_bulstat"_s, u"121759222"_s}
            << u"121759222"_s;
        QTest::newRow("none given") << u"N5"_s << QStringList() << QString();
    }

    void budgetReasonBeginsWithTheIdentifier()
    {
        QFETCH(QString, item);
        QFETCH(QStringList, typed);
        QFETCH(QString, identifier);
        Program p;
        copyShippedTemplates(p);
        p.find<QAction>(item)->trigger();
        typed << u"reason"_s << u"Данък 2026"_s;
        for (qsizetype i = 0; i + 1 < typed.size(); i += 2)
            typeInto(docWindow()->control(typed[i]), typed[i + 1]);
        send(p);
        // The identifier's boxes and the text stand side by side, in cells of one row.
        const QString text = sent(p);
        const QRegularExpression row(u"([^\t\n]*)\t+Данък 2026"_s);
        const QRegularExpressionMatch m = row.match(text);
        QVERIFY2(m.hasMatch(), qPrintable(text));
        QCOMPARE(m.captured(1).trimmed(), identifier);
        for (const QString &other : {u"7501020018"_s, u"121759222"_s, u"1000000009"_s}) {
            if (!identifier.endsWith(other))
                QCOMPARE(text.count(other), 0);
        }
    }

    // A direct debit goes to the recipient's bank; the bank filled from the payer's IBAN
    // stands in the payer's part.
    void directDebitGoesToTheRecipientsBank()
    {
        Program p;
        copyShippedTemplates(p);
        QVERIFY(QDir().mkpath(p.dataDir() + u"/help"_s));
        QVERIFY(
            QFile::copy(kSource + u"/data/help/banks.csv"_s, p.dataDir() + u"/help/banks.csv"_s));
        p.find<QAction>(u"N3"_s)->trigger();
        for (const auto &[field, iban] :
             {std::pair{u"recipient_iban_number1", u"BG16UNCR70001519562303"},
              {u"depositor_iban_number1", u"BG80BNBG96611020345678"}}) {
            QWidget *w = docWindow()->control(field);
            typeInto(w, QString::fromUtf16(iban));
            pressTab();
        }
        send(p);
        const QString text = sent(p);
        const qsizetype to = text.indexOf(u"БАНКА"_s), title = text.indexOf(u"ПЛАТЕЖНО"_s),
                        payer = text.indexOf(u"BG80BNBG96611020345678"_s);
        QVERIFY2(to >= 0 && title > to && payer > title, qPrintable(text));
        QCOMPARE(text.mid(to, title - to).count(u"УниКредит Булбанк"_s), 1);
        QCOMPARE(text.mid(to, title - to).count(u"Българска народна банка"_s), 0);
        QCOMPARE(text.mid(payer).count(u"Българска народна банка"_s), 1);
    }

    void centsCompletion()
    {
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, u"T"_s, {u"dr"_s, u"d1"_s, u"d2"_s});
        set(u"dr", u"5"_s);
        set(u"d1", QString());
        set(u"d2", u"123"_s);
        send(p);
        QCOMPARE(sent(p), u"T [05] [] [123]"_s); // the first payment is not used
        QCOMPARE(fieldText(docWindow()->control(u"dr")), u"05"_s);
        QCOMPARE(fieldText(docWindow()->control(u"d1")), u"00"_s);
        QCOMPARE(fieldText(docWindow()->control(u"d2")), u"123"_s);
    }

    // A cents field still being typed in when the toolbar button is clicked (it takes
    // no focus, so the field is never left) reaches the document as leaving it would
    // have completed it.
    void centsTypedThenSent_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("printed");
        QTest::newRow("one digit") << u"dr"_s << u"5"_s << u"05"_s << u"05"_s;
        QTest::newRow("emptied") << u"dr"_s << QString() << u"00"_s << u"00"_s;
        QTest::newRow("two digits") << u"dr"_s << u"47"_s << u"47"_s << u"47"_s;
        // A payment with nothing in it prints empty.
        QTest::newRow("sub-amount emptied") << u"d3"_s << QString() << u"00"_s << QString();
    }

    void centsTypedThenSent()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QFETCH(QString, printed);
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, u"T"_s, {u"sum"_s, field});
        typeInto(docWindow()->control(u"sum"), u"12"_s);
        typeInto(docWindow()->control(field), typed);
        QWidget *focused = QApplication::focusWidget();
        auto *button = p.find<QToolButton>(u"ToolButton12"_s);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QCOMPARE(QApplication::focusWidget(), focused); // the field was not left
        QCOMPARE(sent(p), u"T [<<<<<<<<12] ["_s + printed + u']');
        QCOMPARE(fieldText(docWindow()->control(field)), expected);
        // Leaving the field now changes nothing more.
        pressTab();
        QCOMPARE(fieldText(docWindow()->control(field)), expected);
    }

    // The eighth kind's totals follow a sub-amount still being typed when the toolbar
    // button is clicked: the document never carries a stale total.
    void subAmountTypedThenSent_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("cents");
        QTest::newRow("second amount") << u"ium2"_s << u"250"_s << u"<<<<<<<350"_s << u"00"_s;
        QTest::newRow("second cents") << u"d2"_s << u"5"_s << u"<<<<<<<100"_s << u"05"_s;
        QTest::newRow("first amount typed over")
            << u"ium1"_s << u"1007"_s << u"<<<<<<1007"_s << u"00"_s;
    }

    void subAmountTypedThenSent()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, sum);
        QFETCH(QString, cents);
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, u"T"_s, {u"sum"_s, u"dr"_s});
        typeInto(docWindow()->control(u"ium1"), u"100"_s);
        pressTab();
        QCOMPARE(fieldText(docWindow()->control(u"sum")), u"100"_s);
        QWidget *edit = docWindow()->control(field);
        typeInto(edit, typed);
        auto *button = p.find<QToolButton>(u"ToolButton12"_s);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(sent(p), u"T [%1] [%2]"_s.arg(sum, cents));
        QCOMPARE(p.dialogs.messages.size(), 0);
    }

    // The send finishes the field being typed in: its check warns at the field, as
    // leaving it would, and no box stands in the way of the send.
    void checkRunsAtSend()
    {
        Program p;
        writeTemplate(p, u"vnosna_belezhka.doc"_s, u"T"_s, {u"recipient_iban_number1"_s});
        p.find<QAction>(u"WQ1"_s)->trigger();
        QWidget *iban = docWindow()->control(u"recipient_iban_number1");
        typeInto(iban, u"BG00XXXX"_s);
        send(p);
        QCOMPARE(docWindow()->fieldWarning(u"recipient_iban_number1"),
                 u"Невалиден IBAN, моля проверете го!"_s);
        QCOMPARE(sent(p), u"T [BG00XXXX]"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(p.dialogs.findingsShown.size(), 1);
    }

    // A template that is no RTF would be copied unfilled: said, naming the file, and
    // nothing is written.
    void templateNotRtf_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Word binary")
            << QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(600, '\0') + "sum rebank dr";
        QTest::newRow("docx") << QByteArray("PK\x03\x04\x14\x00\x06\x00", 8) +
                                     "[Content_Types].xml word/document.xml sum";
        QTest::newRow("plain text") << QByteArray("Сума: sum,dr");
        QTest::newRow("RTF after a blank line") << QByteArray("\n{\\rtf1\\ansi sum}");
        QTest::newRow("empty") << QByteArray();
    }

    void templateNotRtf()
    {
        QFETCH(QByteArray, bytes);
        Program p;
        const QString file = p.dataDir() + u"/forms/formuliar8.doc"_s;
        writeFile(file, bytes);
        writeFile(project(p), "an earlier send");
        set(u"sum", u"1234"_s);
        send(p);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Critical);
        QVERIFY2(p.dialogs.messages.first().text.contains(u"„"_s + QDir::toNativeSeparators(file) +
                                                          u"“ не е RTF"_s),
                 qPrintable(p.dialogs.messages.first().text));
        QCOMPARE(readFile(project(p)), QByteArray("an earlier send"));
        QCOMPARE(QDir(p.dataDir() + u"/Projects"_s).entryList(QDir::Files),
                 QStringList{u"project.doc"_s});
        QVERIFY(p.opened.isEmpty());
    }

    // A project.doc that a word processor holds open is not replaced under its window:
    // the new document goes beside it, and the user is told which file it is.
    void projectHeldOpen_data()
    {
        QTest::addColumn<QStringList>("present"); // files in Projects before the send
        QTest::addColumn<QString>("written");
        QTest::newRow("not open") << QStringList{u"project.doc"_s} << u"project.doc"_s;
        QTest::newRow("LibreOffice")
            << QStringList{u"project.doc"_s, u".~lock.project.doc#"_s} << u"project-2.doc"_s;
        QTest::newRow("Word") << QStringList{u"project.doc"_s, u"~$oject.doc"_s}
                              << u"project-2.doc"_s;
        QTest::newRow("Word, whole name")
            << QStringList{u"project.doc"_s, u"~$project.doc"_s} << u"project-2.doc"_s;
        QTest::newRow("the second open too")
            << QStringList{u"project.doc"_s, u".~lock.project.doc#"_s, u"project-2.doc"_s,
                           u".~lock.project-2.doc#"_s}
            << u"project-3.doc"_s;
        QTest::newRow("an earlier second, closed")
            << QStringList{u"project.doc"_s, u".~lock.project.doc#"_s, u"project-2.doc"_s}
            << u"project-2.doc"_s;
        QTest::newRow("another file's lock")
            << QStringList{u"project.doc"_s, u".~lock.project-2.doc#"_s} << u"project.doc"_s;
    }

    void projectHeldOpen()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, written);
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, u"T"_s, {u"rebank"_s});
        const QString dir = p.dataDir() + u"/Projects/"_s;
        for (const QString &f : present)
            writeFile(dir + f, "before: " + f.toUtf8());
        set(u"rebank", u"Банка ДСК"_s);
        send(p);
        QCOMPARE(rtf::plainText(readFile(dir + written)), u"T [Банка ДСК]"_s);
        QCOMPARE(p.opened, QStringList{dir + written});
        for (const QString &f : present) {
            if (f != written)
                QCOMPARE(readFile(dir + f), "before: " + f.toUtf8());
        }
        if (written == u"project.doc"_s) {
            QVERIFY(p.dialogs.messages.isEmpty());
            return;
        }
        QCOMPARE(p.dialogs.messages.size(), 1);
        const QString text = p.dialogs.messages.first().text;
        QVERIFY2(text.contains(u"„"_s + QDir::toNativeSeparators(dir + written) + u'“'),
                 qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(dir + u"project.doc"_s)), qPrintable(text));
    }

#ifdef Q_OS_LINUX
    // The desktop's opener is run and its exit status looked at: when it fails, the
    // user learns where the document is.
    void openerExitStatus_data()
    {
        QTest::addColumn<QString>("script"); // the fake xdg-open; empty: none on PATH
        QTest::addColumn<bool>("fails");
        QTest::newRow("opens") << u"exit 0"_s << false;
        QTest::newRow("exits non-zero") << u"exit 3"_s << true;
        QTest::newRow("killed") << u"kill -9 $$"_s << true;
        QTest::newRow("not installed") << QString() << true;
        // Without a desktop, xdg-open runs the application itself until it is closed.
        QTest::newRow("runs the application")
            << u"sleep 6; echo closed > \"$0.closed\"; exit 0"_s << false;
    }

    void openerExitStatus()
    {
        QFETCH(QString, script);
        QFETCH(bool, fails);
        QTemporaryDir bin;
        const QString argsFile = bin.filePath(u"args"_s);
        if (!script.isEmpty()) {
            const QString opener = bin.filePath(u"xdg-open"_s);
            writeFile(opener, (u"#!/bin/sh\nprintf '%s' \"$*\" > '"_s + argsFile + u"'\n"_s +
                               script + u'\n')
                                  .toUtf8());
            QFile(opener).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + (script.isEmpty() ? QByteArray() : ":" + path));
        const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
        Program p;
        setDesktopOpener({}); // the desktop's own, not the test's
        writeTemplate(p, u"formuliar8.doc"_s, u"T"_s, {u"rebank"_s});
        send(p);
        if (!script.isEmpty())
            QCOMPARE(QString::fromUtf8(readFile(argsFile)), project(p));
        QVERIFY(QFile::exists(project(p)));
        if (!fails) {
            QVERIFY(p.dialogs.messages.isEmpty());
            // An opener still running is left to run: ending it would close the document.
            if (script.startsWith(u"sleep"_s)) {
                QVERIFY(!QFile::exists(bin.filePath(u"xdg-open.closed"_s)));
                QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(bin.filePath(u"xdg-open.closed"_s)), 20000);
                QTest::qWait(200);
            }
            return;
        }
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY2(p.dialogs.messages.first().text.contains(u"\""_s +
                                                          QDir::toNativeSeparators(project(p))),
                 qPrintable(p.dialogs.messages.first().text));
    }
#endif

    void menuItemSendsToo()
    {
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, u"T"_s, {u"rebank"_s});
        writeFile(project(p), "an earlier send");
        set(u"rebank", u"УниКредит Булбанк"_s);
        p.find<QAction>(u"Word1"_s)->trigger();
        QCOMPARE(sent(p), u"T [УниКредит Булбанк]"_s);
    }

    void failures()
    {
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, u"T"_s, {u"sum"_s});
        // The output folder cannot be made: a file stands in its way.
        writeFile(p.dataDir() + u"/Projects"_s, "a file");
        send(p);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Critical);
        QVERIFY(p.opened.isEmpty());

        // Nothing opens the document: said, with its full path, and the file stays.
        QFile::remove(p.dataDir() + u"/Projects"_s);
        p.dialogs.messages.clear();
        setDesktopOpener([](const QString &) { return false; });
        send(p);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages.first().text.contains(QDir::toNativeSeparators(project(p))));
        QVERIFY(QFile::exists(project(p)));
    }

    void shippedTemplatesFillCompletely_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *k : {"WQ1", "N1", "N2", "N3", "N4", "N5", "N6", "N7"})
            QTest::newRow(k) << QString::fromLatin1(k);
        QTest::newRow("N7 long words") << u"N7"_s;
    }

    void shippedTemplatesFillCompletely()
    {
        QFETCH(QString, kind);
        Program p;
        copyShippedTemplates(p);
        p.find<QAction>(kind)->trigger();
        int i = 0;
        for (QWidget *f : docWindow()->fields()) {
            ++i;
            if (fieldKind(f) == FieldKind::Edit || fieldKind(f) == FieldKind::PickList ||
                fieldKind(f) == FieldKind::Memo)
                setFieldText(f, u"Ж%1Ж"_s.arg(i));
        }
        if (QByteArray(QTest::currentDataTag()).contains("long"))
            set(u"with_words", QString(60, u'щ'));
        send(p);
        QVERIFY(p.dialogs.messages.isEmpty());
        const QString text = sent(p);
        QVERIFY(!text.isEmpty());
        // No placeholder is left, in any case, and no fixed text looks like one.
        const QStringList names = test::placeholderNames();
        for (const QString &name : names)
            QVERIFY2(!text.contains(name, Qt::CaseInsensitive), qPrintable(name));
        // Every value that the kind's form carries is there.
        const QString file =
            templateFor(docWindow()->kind(), fieldText(docWindow()->control(u"with_words")).size());
        QStringList carried;
        for (const test::TemplateFields &t : test::shippedTemplateFields(kSource)) {
            if (t.file == file)
                carried = t.placeholders;
        }
        QVERIFY2(!carried.isEmpty(), qPrintable(file));
        for (const QString &name : carried) {
            const FieldDef *def = findDocumentField(name);
            if (!def || def->kind == FieldKind::Date || def->kind == FieldKind::Check)
                continue; // dates and marks have values of their own forms
            const QString value = fieldText(docWindow()->control(name));
            QVERIFY2(text.contains(value), qPrintable(name));
        }
    }
};

QTEST_MAIN(TestWordOutput)
#include "tst_wordoutput.moc"
