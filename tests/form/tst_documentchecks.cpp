#include "testsupport.h"

#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "parties/addressbook.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
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
    // A failed check is shown at the field and under the fields, never in a box; the
    // focus goes on. An empty field is not checked; a good one clears the warning.
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
        QTest::newRow("payer IBAN") << u"depositor_iban_number1"_s << u"BG80BNBG96611020345679"_s
                                    << u"BG80BNBG96611020345678"_s << iban << u"N7"_s;
        QTest::newRow("obligated ЕГН") << u"boun_egn"_s << u"1111111111"_s << u"1111111110"_s
                                       << u"Невалиден ЕГН, моля проверете го!"_s << u"N7"_s;
        QTest::newRow("authorised ЕГН") << u"recipi_egn"_s << u"BG"_s << u"7501020018"_s
                                        << u"Невалиден ЕГН, моля проверете го!"_s << u"N1"_s;
        QTest::newRow("ЛНЧ") << u"boun_lk"_s << u"1111111112"_s << u"1111111111"_s
                             << u"Невалиден ЛНЧ, моля проверете го!"_s << u"N7"_s;
        QTest::newRow("БУЛСТАТ") << u"boun_bulstat"_s << u"111111111"_s << u"111111113"_s
                                 << u"Невалиден булстат, моля проверете го!"_s << u"N7"_s;
        // Typed in small letters and spaced, a BIC is kept in capitals.
        QTest::newRow("BIC") << u"rec_bic1"_s << u"BNBGBG"_s << u"bnbg bgsd"_s
                             << u"Невалиден BIC: 8 или 11 главни латински букви и цифри"_s
                             << u"N7"_s;
        QTest::newRow("currency") << u"vid"_s << u"EU"_s << u"EUR"_s
                                  << u"Валутата е код от три латински букви, напр. EUR"_s
                                  << u"N7"_s;
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
        auto *warnings = docWindow()->findChild<QLabel *>(u"FieldWarnings"_s);
        typeInto(w, bad);
        QCOMPARE(w->toolTip(), QString()); // typing never checks
        pressTab();
        QCOMPARE(w->toolTip(), message);
        QVERIFY(warnings->isVisible());
        QVERIFY(warnings->text().endsWith(u": "_s + message));
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(fieldText(w), bad);
        QVERIFY(!w->isAncestorOf(QApplication::focusWidget()) && QApplication::focusWidget() != w);

        for (const QString &fine : {good, QString()}) {
            typeInto(w, fine);
            QCOMPARE(w->toolTip(), QString()); // an edited value is judged anew
            pressTab();
            QCOMPARE(w->toolTip(), QString());
            QVERIFY(!warnings->isVisible());
        }
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // Keys typed at once after leaving a bad IBAN land, every one, in the next field.
    void typingOnAfterABadIban()
    {
        Program p;
        typeInto(doc(u"recipient_iban_number1"), u"BG81BNBG96611020345678"_s);
        pressTab();
        typeText(QApplication::focusWidget(), u"Банка ДСК"_s);
        QCOMPARE(text(u"rebank"), u"Банка ДСК"_s);
        QVERIFY(!doc(u"recipient_iban_number1")->toolTip().isEmpty());
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void totalsOfTheEighthKind()
    {
        Program p;
        // Parts left empty, as a form file may hold them, count as nothing.
        set(u"ium3", QString());
        set(u"d3", QString());
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
        QCOMPARE(text(u"with_words"), u"седем евро и 3 цента"_s);
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
        QCOMPARE(text(u"with_words"), u"дванадесет евро и 50 цента"_s);
        // Stotinki of 100 or more carry into the leva, whatever the kind.
        set(u"dr", u"250"_s);
        set(u"ium1", u"4"_s);
        leave(u"d2");
        QCOMPARE(text(u"sum"), u"6"_s);
        QCOMPARE(text(u"dr"), u"50"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // On the eighth kind an empty sub-amount counts as 0 and the total is made; one that
    // is no number (as a form file may bring) is told in Bulgarian at the field.
    void subAmountsThatAreNoNumbers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("dr");
        QTest::addColumn<QString>("warning");
        const QString nan = u"Въведената стойност трябва да е число"_s;
        QTest::newRow("empty leva")
            << u"ium3"_s << QString() << u"0"_s << u"10"_s << u"20"_s << QString();
        QTest::newRow("empty cents")
            << u"d3"_s << QString() << u"00"_s << u"10"_s << u"20"_s << QString();
        QTest::newRow("leva no number")
            << u"ium3"_s << u"x"_s << u"0"_s << u"10"_s << u"20"_s << nan;
        QTest::newRow("cents no number")
            << u"d3"_s << u"x"_s << u"00"_s << u"10"_s << u"20"_s << nan;
        // Another sub-amount left: the total waits, and the field says why.
        QTest::newRow("leva no number, another left")
            << u"ium3"_s << u"x"_s << u"x"_s << u"10"_s << u"20"_s << nan;
    }

    void subAmountsThatAreNoNumbers()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, left);
        QFETCH(QString, sum);
        QFETCH(QString, dr);
        QFETCH(QString, warning);
        Program p;
        typeInto(doc(u"ium1"), u"10"_s);
        typeInto(doc(u"d1"), u"20"_s);
        pressTab();
        set(field, value);
        if (QByteArrayView(QTest::currentDataTag()).endsWith("another left")) {
            typeInto(doc(u"ium2"), u"5"_s);
            leave(u"ium2");
        } else {
            leave(field);
        }
        QCOMPARE(text(field), left);
        QCOMPARE(doc(field)->toolTip(), warning);
        QCOMPARE(text(u"sum"), sum);
        QCOMPARE(text(u"dr"), dr);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void wordsAreCutAt100()
    {
        Program p;
        set(u"sum", u"999999999"_s);
        set(u"dr", u"99"_s);
        clickWords();
        QCOMPARE(
            text(u"with_words"),
            u"деветстотин деветдесет и девет мил деветстотин деветдесет и девет хил деветстотин деветдесет и девет"_s);
        QCOMPARE(doc(u"with_words")->toolTip(),
                 u"Сумата с думи надвишава 100 знака: последните 16 знака са изрязани"_s);
        set(u"with_words", QString(130, u'а'));
        QCOMPARE(text(u"with_words").size(), 100);
        QVERIFY(doc(u"with_words")->toolTip().contains(u"последните 30 знака"_s));
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // The words name the currency in `vid`, typed or picked from its list; F2 in the
    // words fills them as a click does.
    void wordsInTheDocumentCurrency_data()
    {
        QTest::addColumn<QString>("currency");
        QTest::addColumn<bool>("picked");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("dr");
        QTest::addColumn<int>("how"); // 0 click, 1 F2 in the words, 2 F2 in the cents
        QTest::addColumn<QString>("words");
        QTest::newRow("EUR typed")
            << u"EUR"_s << false << u"12"_s << u"05"_s << 0 << u"дванадесет евро и 05 цента"_s;
        QTest::newRow("EUR picked, one cent, F2")
            << u"EUR"_s << true << u"2"_s << u"01"_s << 1 << u"две евро и 01 цент"_s;
        QTest::newRow("EUR, neuter one")
            << u"EUR"_s << true << u"21"_s << u"00"_s << 0 << u"двадесет и едно евро"_s;
        QTest::newRow("EUR, only cents")
            << u"EUR"_s << false << u"0"_s << u"50"_s << 1 << u"50 цента"_s;
        QTest::newRow("EUR, thousand")
            << u"EUR"_s << true << u"1000"_s << u"00"_s << 0 << u" хиляда  евро"_s;
        // Clicking the words leaves `dr`, which completes "5" to "05" first.
        QTest::newRow("EUR, cents completed")
            << u"EUR"_s << false << u"7"_s << u"5"_s << 0 << u"седем евро и 05 цента"_s;
        QTest::newRow("BGN picked")
            << u"BGN"_s << true << u"12"_s << u"05"_s << 0 << u"дванадесет лв и 05 ст"_s;
        // F2 with the focus still in the cents: they are completed first.
        QTest::newRow("EUR, F2 in the cents")
            << u"EUR"_s << false << u"7"_s << u"5"_s << 2 << u"седем евро и 05 цента"_s;
        QTest::newRow("USD picked")
            << u"USD"_s << true << u"2"_s << u"01"_s << 0 << u"два USD и 01/100"_s;
        QTest::newRow("GBP typed, F2")
            << u"GBP"_s << false << u"1"_s << u"00"_s << 1 << u"един GBP"_s;
        QTest::newRow("USD, only cents")
            << u"USD"_s << false << u"0"_s << u"50"_s << 0 << u"50/100 USD"_s;
        QTest::newRow("BGL picked") << u"BGL"_s << true << u"1"_s << u"00"_s << 0 << u"един лв"_s;
        QTest::newRow("empty currency")
            << QString() << false << u"1"_s << u"00"_s << 0 << u"един лв"_s;
        QTest::newRow("eur in small letters, made capitals")
            << u"eur"_s << false << u"1"_s << u"00"_s << 0 << u"едно евро"_s;
    }

    void wordsInTheDocumentCurrency()
    {
        QFETCH(QString, currency);
        QFETCH(bool, picked);
        QFETCH(QString, sum);
        QFETCH(QString, dr);
        QFETCH(int, how);
        QFETCH(QString, words);
        Program p;
        if (picked)
            pickItem(doc(u"vid"), currency);
        else
            typeInto(doc(u"vid"), currency);
        QCOMPARE(text(u"vid"), currency.toUpper());
        typeInto(doc(u"sum"), sum);
        typeInto(doc(u"dr"), dr);
        QCOMPARE(text(u"sum"), sum);
        if (how == 2) {
            QCOMPARE(QApplication::focusWidget(), doc(u"dr"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        } else if (how == 1) {
            clickInto(doc(u"kind_p"));
            pressTab(); // into the words, without clicking them
            QCOMPARE(QApplication::focusWidget(), doc(u"with_words"));
            QCOMPARE(text(u"with_words"), QString());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        } else {
            clickWords();
        }
        QCOMPARE(text(u"with_words"), words);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // F2 in the cents completes them as leaving them would, each time they changed since,
    // and the words name what the field then shows.
    void wordsAgainAfterTheCentsChange()
    {
        Program p;
        typeInto(doc(u"vid"), u"EUR"_s);
        typeInto(doc(u"sum"), u"7"_s);
        typeInto(doc(u"dr"), QString()); // emptied, the field still has the focus
        const struct {
            const char16_t *typed; // after the field's two characters are rubbed out
            const char16_t *dr;
        } steps[] = {{u"", u"00"}, {u"5", u"05"}, {u"7", u"07"}, {nullptr, u"07"}};
        for (const auto &step : steps) {
            QWidget *field = QApplication::focusWidget();
            QCOMPARE(field, doc(u"dr"));
            if (step.typed) {
                QTest::keyClick(field, Qt::Key_End);
                QTest::keyClick(field, Qt::Key_Backspace);
                QTest::keyClick(field, Qt::Key_Backspace);
                typeText(field, QString::fromUtf16(step.typed));
            }
            QTest::keyClick(field, Qt::Key_F2);
            const QString dr = QString::fromUtf16(step.dr);
            QCOMPARE(text(u"dr"), dr);
            QCOMPARE(text(u"with_words"),
                     dr == u"00" ? u"седем евро"_s : u"седем евро и %1 цента"_s.arg(dr));
        }
    }

    // Words the program wrote follow the amount, its cents, the sub-amounts' total and
    // the currency; words the user typed stay, and are marked once they do not match.
    void wordsFollowTheAmount_data()
    {
        QTest::addColumn<QString>("how"); // the words: "click", "F2" or "typed"
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("words");
        const QString typed = u"дванадесет евро и 05 цента"_s;
        QTest::newRow("sum") << u"click"_s << u"sum"_s << u"7"_s << u"седем евро и 05 цента"_s;
        QTest::newRow("sum, words by F2")
            << u"F2"_s << u"sum"_s << u"7"_s << u"седем евро и 05 цента"_s;
        QTest::newRow("cents") << u"click"_s << u"dr"_s << u"50"_s
                               << u"дванадесет евро и 50 цента"_s;
        QTest::newRow("sub-amount")
            << u"click"_s << u"ium2"_s << u"3"_s << u"три евро и 05 цента"_s;
        QTest::newRow("currency") << u"click"_s << u"vid"_s << u"USD"_s
                                  << u"дванадесет USD и 05/100"_s;
        QTest::newRow("typed, sum") << u"typed"_s << u"sum"_s << u"7"_s << typed;
        QTest::newRow("typed, currency") << u"typed"_s << u"vid"_s << u"BGN"_s << typed;
    }

    void wordsFollowTheAmount()
    {
        QFETCH(QString, how);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, words);
        const bool typedWords = how == u"typed";
        Program p;
        typeInto(doc(u"vid"), u"EUR"_s);
        typeInto(doc(u"sum"), u"12"_s);
        typeInto(doc(u"dr"), u"05"_s);
        if (typedWords) {
            typeInto(doc(u"with_words"), u"дванадесет евро и 05 цента"_s);
        } else if (how == u"F2") {
            // Reached with the keyboard, the field fills on F2.
            doc(u"with_words")->setFocus(Qt::TabFocusReason);
            QCOMPARE(text(u"with_words"), QString());
            QTest::keyClick(doc(u"with_words"), Qt::Key_F2);
        } else {
            clickWords();
        }
        QCOMPARE(text(u"with_words"), u"дванадесет евро и 05 цента"_s);
        QCOMPARE(doc(u"with_words")->toolTip(), QString());
        typeInto(doc(field), value);
        pressTab();
        QCOMPARE(text(u"with_words"), words);
        QCOMPARE(doc(u"with_words")->toolTip(),
                 typedWords ? u"Сумата с думи не отговаря на сумата"_s : QString());
        // Back to the amount they name, typed words are no longer marked.
        if (typedWords) {
            typeInto(doc(field), field == u"sum" ? u"12"_s : u"EUR"_s);
            pressTab();
            QCOMPARE(doc(u"with_words")->toolTip(), QString());
        }
    }

    // Amounts are typed and pasted as clerks write them: the decimal part goes to the
    // cents, other characters are refused with a hint. IBANs keep their compact form in
    // capitals; the currency is a code in capitals.
    void input_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("cents"); // the cents field after it; empty: untouched
        QTest::addColumn<QString>("hint");  // part of the field's tooltip; empty: none
        const QString digits = u"Сумата е само от цифри"_s;
        QTest::newRow("sum, comma typed")
            << u"sum"_s << false << u"1250,50"_s << u"1250"_s << u"50"_s << QString();
        QTest::newRow("sum, point typed")
            << u"sum"_s << false << u"1250.75"_s << u"1250"_s << u"75"_s << QString();
        QTest::newRow("sum, spaced paste")
            << u"sum"_s << true << u"1 250,50"_s << u"1250"_s << u"50"_s << QString();
        QTest::newRow("sum, one decimal pasted")
            << u"sum"_s << true << u"1250.5"_s << u"1250"_s << u"50"_s << QString();
        QTest::newRow("sum, letter typed")
            << u"sum"_s << false << u"12a3"_s << u"123"_s << u"00"_s << digits;
        QTest::newRow("sum, three decimals pasted")
            << u"sum"_s << true << u"12,345"_s << QString() << u"00"_s
            << u"Стотинките са най-много две цифри"_s;
        QTest::newRow("sum, minus typed")
            << u"sum"_s << false << u"-5"_s << u"5"_s << u"00"_s << digits;
        QTest::newRow("sub-amount, comma")
            << u"ium2"_s << false << u"40,25"_s << u"40"_s << u"25"_s << QString();
        QTest::newRow("cents, letter")
            << u"dr"_s << false << u"5x"_s << u"5"_s << QString() << u"Стотинките са само цифри"_s;
        QTest::newRow("currency typed small")
            << u"vid"_s << false << u"usd"_s << u"USD"_s << QString() << QString();
        QTest::newRow("currency, no letter")
            << u"vid"_s << false << u"U$"_s << u"U"_s << QString() << u"три латински букви"_s;
        QTest::newRow("IBAN, printed groups pasted")
            << u"recipient_iban_number1"_s << true << u"bg80 bnbg 9661-1020 3456 78"_s
            << u"BG80BNBG96611020345678"_s << QString() << QString();
        QTest::newRow("IBAN, typed in groups")
            << u"depositor_iban_number1"_s << false << u"BG80 bnbg 9661 1020 3456 78"_s
            << u"BG80BNBG96611020345678"_s << QString() << QString();
        // "←" is the Left key: a space typed in the middle leaves the cursor where it was.
        QTest::newRow("IBAN, space typed in the middle")
            << u"recipient_iban_number1"_s << false << u"BG80BNBG←←←← X"_s << u"BG80XBNBG"_s
            << QString() << QString();
        // A NUL copied from a PDF shows as nothing, yet would be stored and printed.
        QTest::newRow("name, NUL and tab pasted")
            << u"Recipient_name"_s << true << u"АБВ\u0000 ООД\tСофия\u0007"_s << u"АБВ ООД София"_s
            << QString() << QString();
        QTest::newRow("memo, NUL pasted, line break kept")
            << u"econ_descript"_s << true << u"ред\u0000 1\r\nред\t2\u001b"_s << u"ред 1\nред 2"_s
            << QString() << QString();
        QTest::newRow("IBAN, pasted too long")
            << u"recipient_iban_number1"_s << true << u"BG80 BNBG 9661 1020 3456 78 99"_s
            << u"BG80BNBG9661102034567899"_s << QString() << u"по-дълъг от 22 знака"_s;
    }

    void input()
    {
        QFETCH(QString, field);
        QFETCH(bool, paste);
        QFETCH(QString, input);
        QFETCH(QString, result);
        QFETCH(QString, cents);
        QFETCH(QString, hint);
        Program p;
        QWidget *w = doc(field);
        const QString before = text(field);
        if (paste) {
            QApplication::clipboard()->setText(input);
            typeInto(w, QString());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
        } else {
            // Key by key to where the focus is: a decimal separator moves it on.
            typeInto(w, QString());
            for (QChar c : input) {
                if (c == u'←')
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
                else
                    typeText(QApplication::focusWidget(), c);
            }
        }
        QCOMPARE(text(field), result);
        const QString centsField = field == u"sum" ? u"dr"_s : u"d2"_s;
        if (!cents.isEmpty())
            QCOMPARE(text(centsField), cents);
        if (hint.isEmpty())
            QCOMPARE(w->toolTip(), QString());
        else
            QVERIFY2(w->toolTip().contains(hint), qPrintable(w->toolTip()));
        QVERIFY(p.dialogs.messages.isEmpty());
        // Undo takes it all back, whatever the field made of it.
        auto *list = qobject_cast<QComboBox *>(w);
        for (qsizetype i = 0; i < input.size() && text(field) != before; ++i)
            QTest::keyClick(list ? list->lineEdit() : w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(text(field), before);
    }
};

QTEST_MAIN(TestDocumentChecks)
#include "tst_documentchecks.moc"
