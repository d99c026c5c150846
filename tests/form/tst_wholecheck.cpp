// The whole-document check: a sound document of each kind passes without a finding,
// and each fault planted in it is found at its field.
#include "form/documentcheck.h"
#include "form/fieldset.h"
#include "form/kinds.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

const QDate kToday(2026, 12, 9);

// A document of the kind filled as a clerk fills its bank form, in euro.
FormContent sound(QStringView item)
{
    FormContent c;
    for (const FieldDef &def : documentFields()) {
        FormEntry e;
        e.text = def.initial.toString();
        e.dateTime = QDateTime(kToday, QTime(9, 0));
        e.checked = true;
        c.entries.push_back(e);
    }
    for (const DocumentKind &k : documentKinds()) {
        if (k.item == item)
            c.kind = k.name.toString();
    }
    const std::pair<QStringView, QString> values[] = {
        {u"Recipient_name", u"Иван Петров"_s},
        {u"recipient_iban_number1", u"BG80BNBG96611020345678"_s},
        {u"rec_bic1", u"BNBGBGSD"_s},
        {u"depositor_name", u"Алфа ООД"_s},
        {u"depositor_iban_number1", u"BG18RZBB91550123456789"_s},
        {u"dep_bic1", u"RZBBBGSF"_s},
        {u"vid", u"EUR"_s},
        {u"sum", u"250"_s},
        {u"dr", u"50"_s},
        {u"with_words", u"двеста и петдесет евро и 50 цента"_s},
        {u"reason", u"Наем"_s},
        {u"bounder_name", u"Мария Иванова"_s},
        {u"boun_egn", u"1111111110"_s},
        {u"ium1", u"200"_s},
        {u"d1", u"25"_s},
        {u"reaso1", u"ДДС"_s},
        {u"ium2", u"50"_s},
        {u"d2", u"25"_s},
        {u"reaso2", u"Осигуровки"_s},
    };
    for (const auto &[name, value] : values)
        c.entry(name).text = value;
    return c;
}

QStringList flagged(const FormContent &c)
{
    QStringList out;
    for (const Finding &f : checkDocument(c, kToday))
        out.append(f.field);
    return out;
}

} // namespace

class TestWholeCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void soundDocumentsPass_data()
    {
        QTest::addColumn<QString>("item");
        for (const DocumentKind &k : documentKinds())
            QTest::newRow(qPrintable(k.item.toString())) << k.item.toString();
    }

    void soundDocumentsPass()
    {
        QFETCH(QString, item);
        const std::vector<Finding> findings = checkDocument(sound(item), kToday);
        QStringList shown;
        for (const Finding &f : findings)
            shown.append(f.caption + u": "_s + f.message);
        QVERIFY2(findings.empty(), qPrintable(shown.join(u'\n')));
    }

    void faultsAreFound_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value"); // a date field takes dd.MM.yyyy
        QTest::addColumn<QString>("flagged");
        QTest::addColumn<QString>("says"); // part of the message, where it names a value
        const auto row = [](const char *tag, QStringView item, QStringView field,
                            const QString &value, QStringView at = {}, const QString &says = {}) {
            QTest::newRow(tag) << item.toString() << field.toString() << value
                               << (at.isEmpty() ? field : at).toString() << says;
        };
        row("IBAN with a wrong check digit", u"N2", u"recipient_iban_number1",
            u"BG81BNBG96611020345678"_s);
        row("IBAN in small letters", u"N2", u"depositor_iban_number1", u"bg18rzbb91550123456789"_s);
        row("BIC of another bank", u"N2", u"rec_bic1", u"STSABGSF"_s, {},
            u"BIC STSABGSF не е на банката от IBAN-а (код BNBG)"_s);
        row("BIC of a wrong form", u"N6", u"dep_bic1", u"RZBB1"_s);
        row("words of an older amount", u"WQ1", u"with_words",
            u"двеста тридесет и четири евро и 56 цента"_s);
        row("words in leva for euro", u"N6", u"with_words", u"двеста и петдесет лв и 50 ст"_s);
        row("words missing", u"N1", u"with_words", QString());
        row("no amount", u"N3", u"sum", u"0"_s);
        row("currency not a code", u"N2", u"vid", u"EURO"_s);
        row("currency missing", u"N6", u"vid", QString());
        row("leva after the changeover", u"WQ1", u"vid", u"BGN"_s);
        row("cents typed into the total", u"N2", u"sum", u"250,50"_s);
        row("an amount of eleven digits", u"N2", u"sum", u"10000000000"_s, {}, u"твърде голяма"_s);
        row("a sub-amount of eleven digits", u"N7", u"ium1", u"10000000000"_s, {},
            u"твърде голяма"_s);
        row("cents of three digits", u"N5", u"dr", u"500"_s);
        row("no reason", u"N5", u"reason", QString());
        row("no recipient", u"N4", u"Recipient_name", u"  "_s);
        row("no payer", u"WQ1", u"depositor_name", QString());
        row("no payer's account", u"N1", u"depositor_iban_number1", QString());
        row("budget order without ЕГН, ЛНЧ or БУЛСТАТ", u"N5", u"boun_egn", QString());
        row("invalid ЛНЧ beside a valid ЕГН", u"N6", u"boun_lk", u"1111111110"_s);
        row("invalid ЕГН of the obligated person", u"N5", u"boun_egn", u"1111111111"_s);
        row("invalid БУЛСТАТ of the obligated person", u"N6", u"boun_bulstat", u"111111111"_s);
        row("invalid ЕГН of the authorised person", u"N1", u"recipi_egn", u"1111111111"_s);
        row("execution date past", u"N2", u"dateiz", u"08.12.2026"_s);
        row("period ending before it starts", u"N6", u"of_date", u"10.12.2026"_s, u"to_date");
        row("total not the sum of the payments", u"N7", u"ium2", u"60"_s, u"sum");
        row("a payment without its reason", u"N7", u"reaso2", QString());
        row("a sub-amount that is no number", u"N7", u"ium3", u"12a"_s);
        row("no payment at all", u"N7", u"ium1", u"0"_s, u"ium1");
    }

    void faultsAreFound()
    {
        QFETCH(QString, item);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, flagged);
        QFETCH(QString, says);
        FormContent c = sound(item);
        if (findDocumentField(field)->kind == FieldKind::Date)
            c.entry(field).dateTime = QDateTime(QDate::fromString(value, u"dd.MM.yyyy"_s), {});
        else
            c.entry(field).text = value;
        if (QTest::currentDataTag() == QByteArrayView("no amount"))
            c.entry(u"dr").text = u"00"_s;
        if (QTest::currentDataTag() == QByteArrayView("leva after the changeover"))
            c.entry(u"with_words").text = u"двеста и петдесет лв и 50 ст"_s;
        if (QTest::currentDataTag() == QByteArrayView("no payment at all")) {
            c.entry(u"d1").text = u"00"_s;
            c.entry(u"ium2").text = u"0"_s;
            c.entry(u"d2").text = u"00"_s;
        }
        const QStringList found = ::flagged(c);
        QVERIFY2(found.contains(flagged), qPrintable(found.join(u", "_s)));
        // The fault alone is found, nothing beside it.
        QCOMPARE(found.size(), 1);
        const Finding f = checkDocument(c, kToday).front();
        QVERIFY(!f.caption.isEmpty() && f.caption != f.field);
        QVERIFY(!f.message.isEmpty());
        QVERIFY2(f.message.contains(says), qPrintable(f.message));
    }

    // Leva pass for a payment executed before the euro came, as old documents were.
    void levaBeforeTheChangeover()
    {
        FormContent c = sound(u"N2");
        c.entry(u"vid").text = u"BGN"_s;
        c.entry(u"dateiz").dateTime = QDateTime(QDate(2026, 1, 30), QTime(9, 0));
        QCOMPARE(checkDocument(c, QDate(2026, 1, 29)).size(), size_t(0));
        c.entry(u"dateiz").dateTime = QDateTime(QDate(2026, 2, 1), QTime(9, 0));
        QCOMPARE(checkDocument(c, QDate(2026, 1, 29)).size(), size_t(1));
    }

    // Words a clerk spells out in full read as the program's short ones; other words
    // of another amount or currency do not.
    void wordsAsClerksWriteThem_data()
    {
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("dr");
        QTest::addColumn<QString>("words");
        QTest::addColumn<bool>("pass");
        QTest::newRow("thousands in full") << u"2000"_s << u"00"_s << u"две хиляди евро"_s << true;
        QTest::newRow("capital, cents")
            << u"2500"_s << u"50"_s << u"Две хиляди петстотин евро и 50 цента."_s << true;
        QTest::newRow("without the first и")
            << u"1250"_s << u"50"_s << u"хиляда двеста и петдесет евро и 50 цента"_s << true;
        QTest::newRow("millions in full")
            << u"2000005"_s << u"00"_s << u"два милиона и пет евро"_s << true;
        QTest::newRow("one cent without its zero")
            << u"21"_s << u"01"_s << u"двадесет и едно евро и 1 цент"_s << true;
        QTest::newRow("no cents said")
            << u"300"_s << u"00"_s << u"триста евро и 00 цента"_s << true;
        QTest::newRow("another amount") << u"3000"_s << u"00"_s << u"две хиляди евро"_s << false;
        QTest::newRow("another currency") << u"2000"_s << u"00"_s << u"две хиляди лева"_s << false;
        QTest::newRow("cents left out") << u"2000"_s << u"50"_s << u"две хиляди евро"_s << false;
    }

    void wordsAsClerksWriteThem()
    {
        QFETCH(QString, sum);
        QFETCH(QString, dr);
        QFETCH(QString, words);
        QFETCH(bool, pass);
        FormContent c = sound(u"WQ1");
        c.entry(u"sum").text = sum;
        c.entry(u"dr").text = dr;
        c.entry(u"with_words").text = words;
        QCOMPARE(flagged(c), pass ? QStringList() : QStringList{u"with_words"_s});
    }

    void captionsNameTheBlock()
    {
        QCOMPARE(fieldCaption(u"dr"), u"Сума (Обща сума) – стотинки"_s);
        QCOMPARE(fieldCaption(u"reaso3"), u"Сума 3: Основание"_s);
        QCOMPARE(fieldCaption(u"doc_numbe2"), u"Сума 2: Вид и номер на документа – номер"_s);
        QCOMPARE(fieldCaption(u"d4"), u"Сума 4 – стотинки"_s);
    }
};

QTEST_GUILESS_MAIN(TestWholeCheck)
#include "tst_wholecheck.moc"
