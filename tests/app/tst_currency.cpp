#include "testsupport.h"

#include "form/documentwindow.h"
#include "form/fieldset.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

// Settings that start documents in leva, as the documents converted here were: the
// program itself starts them in euro.
QString levaSettings()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(u"Formelan.conf"_s);
    QFile file(path);
    if (!QFile::exists(path) && file.open(QIODevice::WriteOnly))
        file.write("[documents]\ndefaultCurrency=BGN\n");
    return path;
}

QWidget *doc(QStringView name)
{
    return docWindow()->control(name);
}

QString text(QStringView name)
{
    return docWindow()->fieldText(name);
}

// Every field of the document and its kind, to tell whether a command changed any.
QStringList snapshot()
{
    QStringList values;
    for (const FieldDef &def : documentFields())
        values.append(def.name + u'=' + text(def.name));
    values.append(docWindow()->kind());
    return values;
}

// Converts, answering the question that comes first with `answer`.
void convert(QMessageBox::StandardButton answer = QMessageBox::Yes)
{
    QAction *convert = Program::current()->find<QAction>(u"ConvertToEuro"_s);
    QVERIFY(convert);
    Program::current()->dialogs.answers.append(answer);
    convert->trigger();
}

// The conversion asked its one question and said nothing else.
bool onlyAsked()
{
    const QList<FakeDialogs::Message> &messages = Program::current()->dialogs.messages;
    return messages.size() == 1 && messages.first().icon == QMessageBox::Question;
}

// The user types an amount into `sum` and `dr`, then clicks the words to fill them.
void typeAmount(const QString &sum, const QString &dr)
{
    typeInto(doc(u"sum"), sum);
    typeInto(doc(u"dr"), dr);
}

void clickWords()
{
    clickInto(doc(u"with_words"));
}

void chooseKind(const QString &item)
{
    Program::current()->find<QAction>(item)->trigger();
}

} // namespace

class TestCurrency : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandInTheProcessingMenu()
    {
        Program p(QString(), levaSettings());
        const QList<QAction *> items = p.find<QMenu>(u"processing"_s)->actions();
        QAction *convert = p.find<QAction>(u"ConvertToEuro"_s);
        QVERIFY(items.contains(convert));
        QCOMPARE(convert->iconText(), u"Превръщане в евро"_s);
        QVERIFY(convert->isEnabled());
    }

    // A document of a kind without sub-amounts: `sum` and `dr` are converted at the
    // fixed rate, rounded half up to the cent.
    void convertsTheAmount_data()
    {
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("dr");
        QTest::addColumn<QString>("euroSum");
        QTest::addColumn<QString>("euroDr");
        QTest::newRow("1.96, a euro and a bit") << u"1"_s << u"96"_s << u"1"_s << u"00"_s;
        QTest::newRow("1.95, a euro less a bit") << u"1"_s << u"95"_s << u"1"_s << u"00"_s;
        QTest::newRow("1.00") << u"1"_s << u"00"_s << u"0"_s << u"51"_s;
        QTest::newRow("100") << u"100"_s << u"00"_s << u"51"_s << u"13"_s;
        QTest::newRow("a stotinka is a cent") << u"0"_s << u"01"_s << u"0"_s << u"01"_s;
        QTest::newRow("nothing") << u"0"_s << u"00"_s << u"0"_s << u"00"_s;
        // 755.41 BGN is 386.2349… EUR, 1200.42 BGN is 613.7650… EUR.
        QTest::newRow("just below half a cent") << u"755"_s << u"41"_s << u"386"_s << u"23"_s;
        QTest::newRow("just above half a cent") << u"1200"_s << u"42"_s << u"613"_s << u"77"_s;
        QTest::newRow("largest") << u"2147483647"_s << u"99"_s << u"1097990954"_s << u"22"_s;
        // Cents typed as one digit are read as the words read them: "5" is five.
        QTest::newRow("one-digit cents") << u"10"_s << u"5"_s << u"5"_s << u"14"_s;
    }

    void convertsTheAmount()
    {
        QFETCH(QString, sum);
        QFETCH(QString, dr);
        QFETCH(QString, euroSum);
        QFETCH(QString, euroDr);
        Program p(QString(), levaSettings());
        chooseKind(u"N2"_s);
        QCOMPARE(text(u"vid"), u"BGN"_s);
        typeInto(doc(u"sum"), sum);
        typeInto(doc(u"dr"), dr);
        // The command runs with the focus still in `dr`: nothing completes it first.
        QCOMPARE(text(u"dr"), dr);
        convert();
        QCOMPARE(text(u"sum"), euroSum);
        QCOMPARE(text(u"dr"), euroDr);
        QCOMPARE(text(u"vid"), u"EUR"_s);
        QVERIFY(onlyAsked());
    }

    // The words are written anew when they were the words of the old amount, and left
    // alone when the user typed them or they belong to another amount.
    void amountInWords_data()
    {
        QTest::addColumn<QString>("typedWords"); // empty: clicked, not typed
        QTest::addColumn<QString>("sumAfterWords");
        QTest::addColumn<QString>("wordsAfter");
        QTest::newRow("clicked") << QString() << QString() << u"петдесет и едно евро и 13 цента"_s;
        QTest::newRow("typed") << u"сто лева"_s << QString() << u"сто лева"_s;
        // Words the program wrote follow the amount, and then its currency.
        QTest::newRow("of a later amount")
            << QString() << u"200"_s << u"сто и две евро и 26 цента"_s;
    }

    void amountInWords()
    {
        QFETCH(QString, typedWords);
        QFETCH(QString, sumAfterWords);
        QFETCH(QString, wordsAfter);
        Program p(QString(), levaSettings());
        chooseKind(u"N6"_s);
        typeAmount(u"100"_s, u"00"_s);
        clickWords();
        QCOMPARE(text(u"with_words"), u"сто лв"_s);
        if (!typedWords.isEmpty())
            typeInto(doc(u"with_words"), typedWords);
        if (!sumAfterWords.isEmpty())
            typeInto(doc(u"sum"), sumAfterWords);
        convert();
        QCOMPARE(text(u"vid"), u"EUR"_s);
        QCOMPARE(text(u"with_words"), wordsAfter);
        QVERIFY(onlyAsked());
    }

    // The eighth kind converts each sub-amount on its own and totals them as leaving a
    // sub-amount does, with two digits of cents.
    void eighthKind()
    {
        Program p(QString(), levaSettings());
        QCOMPARE(docWindow()->kind(), u"Преводно нареждане /Вносна бележка/ м.р."_s);
        const QStringList lev{u"2"_s, u"10"_s, u"5"_s, u"55"_s, u"1"_s, u"96"_s, u"100"_s, u"00"_s};
        for (int k = 0; k < 4; ++k) {
            const QString n = QString::number(k + 1);
            typeInto(doc(QString(u"ium"_s + n)), lev.at(2 * k));
            typeInto(doc(QString(u"d"_s + n)), lev.at(2 * k + 1));
        }
        clickWords(); // leaves d4, which totals
        QCOMPARE(text(u"sum"), u"109"_s);
        QCOMPARE(text(u"dr"), u"61"_s);
        QCOMPARE(text(u"with_words"), u"сто и девет лв и 61 ст"_s);

        convert();
        // 2.10 → 1.07, 5.55 → 2.84, 1.96 → 1.00, 100.00 → 51.13: 55 euro and 104 cents.
        const QStringList euro{u"1"_s, u"07"_s, u"2"_s, u"84"_s, u"1"_s, u"00"_s, u"51"_s, u"13"_s};
        for (int k = 0; k < 4; ++k) {
            const QString n = QString::number(k + 1);
            QCOMPARE(text(QString(u"ium"_s + n)), euro.at(2 * k));
            QCOMPARE(text(QString(u"d"_s + n)), euro.at(2 * k + 1));
        }
        QCOMPARE(text(u"sum"), u"56"_s);
        QCOMPARE(text(u"dr"), u"04"_s);
        QCOMPARE(text(u"vid"), u"EUR"_s);
        QCOMPARE(text(u"with_words"), u"петдесет и шест евро и 04 цента"_s);
        QVERIFY(onlyAsked());

        // Leaving a sub-amount afterwards totals as it always does.
        clickInto(doc(u"d4"));
        pressTab();
        QCOMPARE(text(u"sum"), u"56"_s);
        QCOMPARE(text(u"dr"), u"4"_s);
    }

    // An eighth-kind document whose amount is in `sum` and `dr` alone keeps it.
    void eighthKindWithoutSubAmounts()
    {
        Program p(QString(), levaSettings());
        typeAmount(u"100"_s, u"00"_s);
        clickWords();
        convert();
        QCOMPARE(text(u"sum"), u"51"_s);
        QCOMPARE(text(u"dr"), u"13"_s);
        QCOMPARE(text(u"ium1"), u"0"_s);
        QCOMPARE(text(u"d1"), u"00"_s);
        QCOMPARE(text(u"with_words"), u"петдесет и едно евро и 13 цента"_s);
    }

    // A document not in leva, or with an amount that is no amount, is left as it was,
    // and the user is told why.
    void refused_data()
    {
        QTest::addColumn<QString>("currency"); // typed into `vid`
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("field"); // typed into, and left with Tab
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("messages");
        const QString only = u" В евро се превръща само документ в \"BGN\"."_s;
        QTest::newRow("USD") << u"USD"_s << u"N2"_s << QString() << QString()
                             << QStringList{u"Документът е в \"USD\"."_s + only};
        QTest::newRow("BGL") << u"BGL"_s << u"N7"_s << QString() << QString()
                             << QStringList{u"Документът е в \"BGL\"."_s + only};
        QTest::newRow("bgn in small letters") << u"bgn"_s << u"N2"_s << QString() << QString()
                                              << QStringList{u"Документът е в \"bgn\"."_s + only};
        QTest::newRow("no currency")
            << QString() << u"N2"_s << QString() << QString()
            << QStringList{u"Валутата на документа не е посочена."_s + only};
        QTest::newRow("already in euro") << u"EUR"_s << u"N2"_s << QString() << QString()
                                         << QStringList{u"Документът вече е в евро."_s};
        QTest::newRow("sum not a number")
            << u"BGN"_s << u"N2"_s << u"sum"_s << u"12a"_s
            << QStringList{u"Сумата в \"Сума (Обща сума)\" не е число: \"12a\". "
                           u"Документът не е превърнат в евро."_s};
        QTest::newRow("negative sum")
            << u"BGN"_s << u"N2"_s << u"sum"_s << u"-5"_s
            << QStringList{u"Сумата в \"Сума (Обща сума)\" е отрицателна: \"-5.00\". "
                           u"Документът не е превърнат в евро."_s};
        QTest::newRow("sub-amount cents not a number")
            << u"BGN"_s << u"N7"_s << u"d3"_s << u"x"_s
            << QStringList{u"Стотинките в \"Сума 3\" не са число: \"x\". "
                           u"Документът не е превърнат в евро."_s};
    }

    void refused()
    {
        QFETCH(QString, currency);
        QFETCH(QString, kind);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QStringList, messages);
        Program p(QString(), levaSettings());
        chooseKind(kind);
        typeAmount(u"100"_s, u"00"_s);
        clickWords();
        // As a form file brings them: typing takes no such currency or amount.
        docWindow()->setFieldText(u"vid", currency);
        if (!field.isEmpty())
            docWindow()->setFieldText(field, value);
        const QStringList before = snapshot();
        convert();
        QCOMPARE(p.dialogs.texts(), messages);
        QCOMPARE(p.dialogs.messages.last().icon, QMessageBox::NoIcon);
        QCOMPARE(snapshot(), before);
    }

    // The conversion asks first, naming each amount before and after; "No" leaves the
    // document as it was.
    void asksFirst_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("typed"); // field, value, field, value …
        QTest::addColumn<QString>("changes");   // the lines between the first and the question
        QTest::newRow("N2, words clicked")
            << u"N2"_s
            << QStringList{u"sum"_s, u"100"_s, u"dr"_s, u"00"_s, u"with_words"_s, QString()}
            << u"• Сума (Обща сума): 100,00 BGN → 51,13 EUR\n• Валута: BGN → EUR\n"
               u"• Сума с думи: написва се наново, в евро"_s;
        QTest::newRow("N6, words typed")
            << u"N6"_s
            << QStringList{u"sum"_s, u"10"_s, u"dr"_s, u"5"_s, u"with_words"_s, u"десет"_s}
            << u"• Сума (Обща сума): 10,05 BGN → 5,14 EUR\n• Валута: BGN → EUR\n"
               u"• Сума с думи: остава, както е написана"_s;
        QTest::newRow("eighth kind, no words")
            << u"N7"_s << QStringList{u"ium1"_s, u"2"_s, u"d1"_s, u"10"_s, u"ium3"_s, u"0"_s}
            << u"• Сума 1: 2,10 BGN → 1,07 EUR\n• Сума (Обща сума): 2,10 BGN → 1,07 EUR\n"
               u"• Валута: BGN → EUR"_s;
    }

    void asksFirst()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, typed);
        QFETCH(QString, changes);
        for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
            Program p(QString(), levaSettings());
            chooseKind(kind);
            for (qsizetype k = 0; k + 1 < typed.size(); k += 2) {
                if (typed.at(k + 1).isEmpty())
                    clickInto(doc(typed.at(k)));
                else
                    typeInto(doc(typed.at(k)), typed.at(k + 1));
            }
            pressTab();
            const QStringList before = snapshot();
            convert(answer);
            QCOMPARE(p.dialogs.texts(),
                     QStringList{u"Документът ще бъде превърнат от лева в евро по курс 1,95583 "
                                 u"лв. за 1 евро:\n"_s +
                                 changes + u"\n\nДа бъде ли превърнат документът?"_s});
            QCOMPARE(snapshot() == before, answer == QMessageBox::No);
        }
    }

    // A converted document is in euro: a second conversion is refused.
    void convertsOnce()
    {
        Program p(QString(), levaSettings());
        chooseKind(u"N2"_s);
        typeAmount(u"100"_s, u"00"_s);
        convert();
        const QStringList once = snapshot();
        convert();
        QCOMPARE(p.dialogs.texts().size(), 2);
        QCOMPARE(p.dialogs.texts().last(), u"Документът вече е в евро."_s);
        QCOMPARE(snapshot(), once);
        QCOMPARE(text(u"sum"), u"51"_s);
    }

    // The sub-amounts are not the document's amount outside the eighth kind: they stay
    // as they are, whatever they hold.
    void otherKindsLeaveTheSubAmounts()
    {
        Program p(QString(), levaSettings());
        typeInto(doc(u"ium2"), u"100"_s);
        pressTab();
        chooseKind(u"N5"_s);
        typeAmount(u"10"_s, u"00"_s);
        convert();
        QCOMPARE(text(u"sum"), u"5"_s);
        QCOMPARE(text(u"dr"), u"11"_s);
        QCOMPARE(text(u"ium2"), u"100"_s);
    }
};

QTEST_MAIN(TestCurrency)
#include "tst_currency.moc"
