#include "testsupport.h"

#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "parties/addressbook.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

QWidget *doc(QStringView name)
{
    return docWindow()->control(name);
}

QString text(QStringView name)
{
    return fieldText(doc(name));
}

void set(QStringView name, const QString &value)
{
    setFieldText(doc(name), value);
}

// Focus on the field, then on another field of the document window, as a Tab would.
void leave(QStringView name, QStringView next = u"kind_p")
{
    QApplication::setActiveWindow(mainFrame());
    doc(name)->setFocus(Qt::TabFocusReason);
    doc(next)->setFocus(Qt::TabFocusReason);
}

void clickWords()
{
    clickInto(doc(u"with_words"));
}

} // namespace

class TestDocumentChecks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void identifiers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("kind");
        const QString iban = u"Невалиден IBAN, моля проверете го!"_s;
        QTest::newRow("recipient IBAN")
            << u"recipient_iban_number1"_s << u"BG81BNBG96611020345678"_s
            << u"BG80BNBG96611020345678"_s << iban << u"N7"_s;
        QTest::newRow("payer IBAN") << u"depositor_iban_number1"_s << u"bg80bnbg96611020345678"_s
                                    << u"BG80BNBG96611020345678"_s << iban << u"N7"_s;
        QTest::newRow("obligated ЕГН") << u"boun_egn"_s << u"1111111111"_s << u"1111111110"_s
                                       << u"Невалиден ЕГН, моля проверете го!"_s << u"N7"_s;
        QTest::newRow("authorised ЕГН") << u"recipi_egn"_s << u"BG"_s << u"7501020018"_s
                                        << u"Невалиден ЕГН, моля проверете го!"_s << u"N1"_s;
        QTest::newRow("ЛНЧ") << u"boun_lk"_s << QString() << u"1111111111"_s
                             << u"Невалиден ЛНЧ, моля проверете го!"_s << u"N7"_s;
        QTest::newRow("БУЛСТАТ") << u"boun_bulstat"_s << u"111111111"_s << u"111111113"_s
                                 << u"Невалиден булстат, моля проверете го!"_s << u"N7"_s;
    }

    void identifiers()
    {
        QFETCH(QString, field);
        QFETCH(QString, bad);
        QFETCH(QString, good);
        QFETCH(QString, message);
        QFETCH(QString, kind);
        Program p;
        p.find<QAction>(kind)->trigger();
        QWidget *w = doc(field);
        QApplication::setActiveWindow(mainFrame());
        w->setFocus(Qt::TabFocusReason);
        setFieldText(w, QString());
        QTest::keyClicks(w, bad);
        QVERIFY(p.dialogs.messages.isEmpty()); // typing never checks
        doc(u"kind_p")->setFocus(Qt::TabFocusReason);
        QCOMPARE(p.dialogs.texts(), QStringList{message});
        QCOMPARE(p.dialogs.messages.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(fieldText(w), bad);
        QCOMPARE(QApplication::focusWidget(), doc(u"kind_p"));

        p.dialogs.messages.clear();
        setFieldText(w, good);
        leave(field);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void totalsOfTheEighthKind()
    {
        Program p;
        set(u"ium1", u"10"_s);
        set(u"ium2", u"5"_s);
        set(u"d1", u"60"_s);
        set(u"d2", u"55"_s);
        leave(u"d2");
        QCOMPARE(text(u"dr"), u"15"_s);
        QCOMPARE(text(u"sum"), u"16"_s);
        leave(u"ium1");
        QCOMPARE(text(u"sum"), u"16"_s);
        QCOMPARE(text(u"dr"), u"15"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // Sub-amount cents that add up to exactly one lev carry it into the total.
    void centsAddingUpToOneLev()
    {
        Program p;
        set(u"ium1", u"10"_s);
        set(u"ium2", u"5"_s);
        set(u"d1", u"60"_s);
        set(u"d2", u"40"_s);
        leave(u"d2");
        QCOMPARE(text(u"sum"), u"16"_s);
        QCOMPARE(text(u"dr"), u"0"_s);
        leave(u"ium2");
        QCOMPARE(text(u"sum"), u"16"_s);
        QCOMPARE(text(u"dr"), u"0"_s);
    }

    void oneDigitStotinki()
    {
        Program p;
        set(u"d1", u"03"_s);
        leave(u"d1");
        QCOMPARE(text(u"dr"), u"3"_s);
        set(u"sum", u"7"_s);
        clickWords();
        QCOMPARE(text(u"with_words"), u"седем лв и 3 ст"_s);
        // Leaving dr completes it again.
        leave(u"dr");
        QCOMPARE(text(u"dr"), u"03"_s);
    }

    void totalsDoNotWrap()
    {
        Program p;
        for (QStringView f : {u"ium1", u"ium2", u"ium3", u"ium4"})
            set(f, u"2000000000"_s);
        for (QStringView f : {u"d1", u"d2", u"d3", u"d4"})
            set(f, u"99"_s);
        leave(u"ium4");
        QCOMPARE(text(u"sum"), u"8000000003"_s);
        leave(u"d4");
        QCOMPARE(text(u"dr"), u"96"_s);
        QCOMPARE(text(u"sum"), u"8000000003"_s);
        // Beyond the range of the conversion the words stay empty.
        clickWords();
        QCOMPARE(text(u"with_words"), QString());
    }

    void otherKindsOnlyComplete()
    {
        Program p;
        p.find<QAction>(u"N2"_s)->trigger();
        set(u"ium1", u"10"_s);
        set(u"d1", u"50"_s);
        leave(u"ium1");
        leave(u"d1");
        QCOMPARE(text(u"sum"), u"0"_s);
        QCOMPARE(text(u"dr"), u"00"_s);
        set(u"dr", u"5"_s);
        leave(u"dr");
        QCOMPARE(text(u"dr"), u"05"_s);
        set(u"dr", u"ab"_s);
        leave(u"dr");
        QCOMPARE(text(u"dr"), u"ab"_s);
        set(u"dr", QString());
        leave(u"dr");
        QCOMPARE(text(u"dr"), u"00"_s);
        set(u"sum", QString());
        leave(u"sum");
        QCOMPARE(text(u"sum"), u"0"_s);
        set(u"sum", u"12.50"_s);
        clickWords();
        QCOMPARE(text(u"with_words"), u"дванадесет лв и 50 ст"_s);
        // Stotinki of 100 or more carry into the leva, whatever the kind.
        set(u"dr", u"250"_s);
        set(u"ium1", u"4"_s);
        leave(u"d2");
        QCOMPARE(text(u"sum"), u"6"_s);
        QCOMPARE(text(u"dr"), u"50"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void notANumber()
    {
        Program p;
        const QString message = u"Въведената стойност трябва да е число"_s;
        set(u"ium2", QString());
        leave(u"ium2");
        QCOMPARE(p.dialogs.texts(), QStringList{message});
        QCOMPARE(text(u"ium2"), u"0"_s);
        set(u"d3", QString());
        leave(u"d3");
        QCOMPARE(text(u"d3"), u"00"_s);
        set(u"d3", u"x"_s);
        leave(u"d3");
        QCOMPARE(text(u"d3"), u"0x"_s);
        QCOMPARE(p.dialogs.texts(), (QStringList{message, message, message}));

        // A total over a field that is no number stops at it with the conversion error.
        p.dialogs.messages.clear();
        set(u"d1", u"20"_s);
        leave(u"d1");
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Critical);
        QCOMPARE(p.dialogs.messages.first().text, u"'0x' is not a valid integer value."_s);

        p.dialogs.messages.clear();
        set(u"d3", u"00"_s);
        set(u"d2", u"90"_s);
        set(u"ium3", QString()); // emptied by the program, as clearing does
        const QString sum = text(u"sum");
        leave(u"d1");
        // dr already holds the total of the stotinki; the leva were not reached.
        QCOMPARE(text(u"dr"), u"110"_s);
        QCOMPARE(text(u"sum"), sum);
        QCOMPARE(p.dialogs.texts(), QStringList{u"'' is not a valid integer value."_s});
    }

    void wordsAreCutAt100()
    {
        Program p;
        set(u"sum", u"999999999"_s);
        set(u"dr", u"99"_s);
        clickWords();
        QCOMPARE(
            p.dialogs.texts(),
            QStringList{
                u"Дължината на полето \"Сумата с думи\" надвишава 100 знака. Последните 11 знака ще бъдат изрязани!"_s});
        QCOMPARE(
            text(u"with_words"),
            u"деветстотин деветдесет и девет мил деветстотин деветдесет и девет хил деветстотин деветдесет и девет"_s);

        p.dialogs.messages.clear();
        set(u"with_words", QString(130, u'а'));
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages.first().text.contains(u"Последните 30 знака"_s));
        QCOMPARE(text(u"with_words").size(), 100);
    }

    // The words follow the currency in `vid`, typed or picked from its list: euro for
    // exactly "EUR", leva for any other.
    void wordsInTheDocumentCurrency_data()
    {
        QTest::addColumn<QString>("currency");
        QTest::addColumn<bool>("picked");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("dr");
        QTest::addColumn<QString>("words");
        QTest::newRow("EUR typed")
            << u"EUR"_s << false << u"12"_s << u"05"_s << u"дванадесет евро и 05 цента"_s;
        QTest::newRow("EUR picked, one cent")
            << u"EUR"_s << true << u"2"_s << u"01"_s << u"две евро и 01 цент"_s;
        QTest::newRow("EUR, neuter one")
            << u"EUR"_s << true << u"21"_s << u"00"_s << u"двадесет и едно евро"_s;
        QTest::newRow("EUR, only cents") << u"EUR"_s << false << u"0"_s << u"50"_s << u"50 цента"_s;
        QTest::newRow("EUR, thousand")
            << u"EUR"_s << true << u"1000"_s << u"00"_s << u" хиляда  евро"_s;
        // Clicking the words leaves `dr`, which completes "5" to "05" first.
        QTest::newRow("EUR, cents completed")
            << u"EUR"_s << false << u"7"_s << u"5"_s << u"седем евро и 05 цента"_s;
        QTest::newRow("BGN picked")
            << u"BGN"_s << true << u"12"_s << u"05"_s << u"дванадесет лв и 05 ст"_s;
        QTest::newRow("USD picked") << u"USD"_s << true << u"2"_s << u"01"_s << u"два лв и 01 ст"_s;
        QTest::newRow("BGL picked") << u"BGL"_s << true << u"1"_s << u"00"_s << u"един лв"_s;
        QTest::newRow("empty currency") << QString() << false << u"1"_s << u"00"_s << u"един лв"_s;
        QTest::newRow("eur in small letters")
            << u"eur"_s << false << u"1"_s << u"00"_s << u"един лв"_s;
    }

    void wordsInTheDocumentCurrency()
    {
        QFETCH(QString, currency);
        QFETCH(bool, picked);
        QFETCH(QString, sum);
        QFETCH(QString, dr);
        QFETCH(QString, words);
        Program p;
        if (picked)
            pickItem(doc(u"vid"), currency);
        else
            typeInto(doc(u"vid"), currency);
        QCOMPARE(text(u"vid"), currency);
        typeInto(doc(u"sum"), sum);
        typeInto(doc(u"dr"), dr);
        QCOMPARE(text(u"sum"), sum);
        clickWords();
        QCOMPARE(text(u"with_words"), words);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void clickReplacesWhateverWasTyped()
    {
        Program p;
        set(u"with_words", u"нещо"_s);
        set(u"sum", u"2147483648"_s);
        clickWords();
        QCOMPARE(text(u"with_words"), QString());
        set(u"with_words", u"нещо"_s);
        set(u"sum", u"0"_s);
        set(u"dr", u"00"_s);
        clickWords();
        QCOMPARE(text(u"with_words"), QString());
        // Changing the amount afterwards does not touch the words.
        set(u"sum", u"5"_s);
        QCOMPARE(text(u"with_words"), QString());
        clickWords();
        QCOMPARE(text(u"with_words"), u"пет лв"_s);
    }
};

QTEST_MAIN(TestDocumentChecks)
#include "tst_documentchecks.moc"
