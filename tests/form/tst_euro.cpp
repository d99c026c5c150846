#include "form/euro.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using namespace formelan;

// Expected euro amounts were worked out with exact fractions (levCents × 100000 /
// 195583, rounded half up), never by calling the functions under test.
namespace {

using Fields = QHash<QString, QString>;

Fields subAmounts(const QStringList &texts)
{
    Q_ASSERT(texts.size() == 8);
    Fields f;
    for (int k = 0; k < 4; ++k) {
        f.insert(u"ium"_s + QString::number(k + 1), texts[2 * k]);
        f.insert(u"d"_s + QString::number(k + 1), texts[2 * k + 1]);
    }
    return f;
}

} // namespace

class TestEuro : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void levToEuro_data()
    {
        QTest::addColumn<qint64>("lev");
        QTest::addColumn<qint64>("euro");
        QTest::newRow("zero") << qint64(0) << qint64(0);
        // 1.95583 BGN, the rate itself, is no cent amount; the cent amounts on either
        // side of it, and the rate scaled to whole cents, give one euro exactly.
        QTest::newRow("1.95 BGN") << qint64(195) << qint64(100);
        QTest::newRow("1.96 BGN") << qint64(196) << qint64(100);
        QTest::newRow("1955.83 BGN") << qint64(195583) << qint64(100000);
        QTest::newRow("195583.00 BGN") << qint64(19558300) << qint64(10000000);
        QTest::newRow("1.00 BGN") << qint64(100) << qint64(51);       // 51.129…
        QTest::newRow("100.00 BGN") << qint64(10000) << qint64(5113); // 5112.918…
        QTest::newRow("0.01 BGN") << qint64(1) << qint64(1);          // 0.511…
        QTest::newRow("0.04 BGN") << qint64(4) << qint64(2);          // 2.045…
        QTest::newRow("12.05 BGN") << qint64(1205) << qint64(616);    // 616.106…
        // The nearest a cent amount comes to half a euro cent, below and above.
        QTest::newRow("just below half") << qint64(75541) << qint64(38623);  // 38623.499997…
        QTest::newRow("just above half") << qint64(120042) << qint64(61377); // 61376.500002…
        // The largest amount the fields hold, 2147483647.99 BGN.
        QTest::newRow("largest field amount") << qint64(214748364799) << qint64(109799095422);
        // Far beyond: a plain levCents × 100000 would overflow from 92233720368548 on.
        QTest::newRow("first that overflows a plain product")
            << qint64(92233720368548) << qint64(47158352396961); // …396960.88…
        QTest::newRow("largest qint64")
            << std::numeric_limits<qint64>::max() << qint64(4715835239696075736);
    }
    void levToEuro()
    {
        QFETCH(qint64, lev);
        QFETCH(qint64, euro);
        QCOMPARE(levToEuroCents(lev), euro);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("whole");
        QTest::addColumn<QString>("cents");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<AmountProblem>("problem");
        const auto ok = [](const char *name, const QString &w, const QString &c, qint64 v) {
            QTest::newRow(name) << w << c << v << AmountProblem::None;
        };
        const auto bad = [](const char *name, const QString &w, const QString &c, AmountProblem p) {
            QTest::newRow(name) << w << c << qint64(0) << p;
        };
        ok("plain", u"100"_s, u"00"_s, 10000);
        ok("cents", u"12"_s, u"05"_s, 1205);
        ok("one cent digit is cents", u"12"_s, u"5"_s, 1205);
        ok("leading spaces and plus", u"  +12"_s, u" 5"_s, 1205);
        ok("both empty read as zero", QString(), QString(), 0);
        ok("minus zero", u"-0"_s, u"-0"_s, 0);
        ok("largest", u"2147483647"_s, u"99"_s, 214748364799);
        ok("zero", u"0"_s, u"0"_s, 0);
        ok("two zeros", u"00"_s, u"00"_s, 0);
        ok("one after nine zeros", u"0000000001"_s, u"01"_s, 101);
        ok("ten after zeros", u"0000000010"_s, u"10"_s, 1010);
        ok("largest after a zero", u"02147483647"_s, u"0"_s, 214748364700);
        ok("one below the largest", u"2147483646"_s, u"00"_s, 214748364600);
        bad("one over the largest", u"2147483648"_s, u"00"_s, AmountProblem::TooLarge);
        bad("one over after zeros", u"0002147483648"_s, u"00"_s, AmountProblem::TooLarge);
        bad("ten digits of zeros", u"3000000000"_s, u"00"_s, AmountProblem::TooLarge);
        bad("eleven digits of zeros", u"10000000000"_s, u"00"_s, AmountProblem::TooLarge);
        bad("twelve digits of zeros", u"100000000000"_s, u"00"_s, AmountProblem::TooLarge);
        bad("minus one after zeros", u"-0000000001"_s, u"00"_s, AmountProblem::Negative);
        bad("minus eleven digits of zeros", u"-10000000000"_s, u"00"_s, AmountProblem::Negative);
        bad("cents 100 after zeros", u"5"_s, u"000100"_s, AmountProblem::CentsOutOfRange);
        bad("cents eleven digits of zeros", u"5"_s, u"10000000000"_s,
            AmountProblem::CentsOutOfRange);
        bad("twenty digits", u"99999999999999999999"_s, u"00"_s, AmountProblem::TooLarge);
        bad("letters", u"abc"_s, u"00"_s, AmountProblem::NotANumber);
        bad("decimal point", u"12.50"_s, u"00"_s, AmountProblem::NotANumber);
        bad("trailing space", u"12 "_s, u"00"_s, AmountProblem::NotANumber);
        bad("space only", u" "_s, u"00"_s, AmountProblem::NotANumber);
        bad("sign only", u"-"_s, u"00"_s, AmountProblem::NotANumber);
        bad("negative", u"-5"_s, u"00"_s, AmountProblem::Negative);
        bad("negative and huge", u"-99999999999"_s, u"00"_s, AmountProblem::Negative);
        bad("negative cents", u"5"_s, u"-1"_s, AmountProblem::Negative);
        bad("cents letters", u"5"_s, u"ab"_s, AmountProblem::CentsNotANumber);
        bad("cents 100", u"5"_s, u"100"_s, AmountProblem::CentsOutOfRange);
        bad("the rate's decimals", u"1"_s, u"95583"_s, AmountProblem::CentsOutOfRange);
        bad("cents huge", u"5"_s, u"99999999999"_s, AmountProblem::CentsOutOfRange);
        bad("whole part checked first", u"x"_s, u"y"_s, AmountProblem::NotANumber);
    }
    void parse()
    {
        QFETCH(QString, whole);
        QFETCH(QString, cents);
        QFETCH(qint64, value);
        QFETCH(AmountProblem, problem);
        const ParsedAmount a = parseAmount(whole, cents);
        QCOMPARE(a.problem, problem);
        QCOMPARE(a.cents, value);
    }

    void format_data()
    {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<QString>("whole");
        QTest::addColumn<QString>("hundredths");
        QTest::newRow("zero") << qint64(0) << u"0"_s << u"00"_s;
        QTest::newRow("five cents") << qint64(5) << u"0"_s << u"05"_s;
        QTest::newRow("ten cents") << qint64(10) << u"0"_s << u"10"_s;
        QTest::newRow("51.13") << qint64(5113) << u"51"_s << u"13"_s;
        QTest::newRow("100.00") << qint64(10000) << u"100"_s << u"00"_s;
        QTest::newRow("largest") << qint64(109799095422) << u"1097990954"_s << u"22"_s;
    }
    void format()
    {
        QFETCH(qint64, cents);
        QFETCH(QString, whole);
        QFETCH(QString, hundredths);
        const AmountTexts t = formatAmount(cents);
        QCOMPARE(t.whole, whole);
        QCOMPARE(t.cents, hundredths);
    }

    // Any kind but the eighth: `sum` and `dr` alone.
    void convertTotal_data()
    {
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("dr");
        QTest::addColumn<QString>("euroSum");
        QTest::addColumn<QString>("euroDr");
        QTest::newRow("1.96") << u"1"_s << u"96"_s << u"1"_s << u"00"_s;
        QTest::newRow("1955.83") << u"1955"_s << u"83"_s << u"1000"_s << u"00"_s;
        QTest::newRow("1.00") << u"1"_s << u"00"_s << u"0"_s << u"51"_s;
        QTest::newRow("100.00") << u"100"_s << u"00"_s << u"51"_s << u"13"_s;
        QTest::newRow("12.5 is 12.05") << u"12"_s << u"5"_s << u"6"_s << u"16"_s;
        QTest::newRow("just below half") << u"755"_s << u"41"_s << u"386"_s << u"23"_s;
        QTest::newRow("just above half") << u"1200"_s << u"42"_s << u"613"_s << u"77"_s;
        QTest::newRow("largest") << u"2147483647"_s << u"99"_s << u"1097990954"_s << u"22"_s;
        QTest::newRow("zero") << u"0"_s << u"00"_s << u"0"_s << u"00"_s;
        QTest::newRow("emptied fields") << QString() << QString() << u"0"_s << u"00"_s;
    }
    void convertTotal()
    {
        QFETCH(QString, sum);
        QFETCH(QString, dr);
        QFETCH(QString, euroSum);
        QFETCH(QString, euroDr);
        // Sub-amounts that are no numbers play no part outside the eighth kind.
        Fields f = subAmounts({u"x"_s, u"y"_s, u"1"_s, u"00"_s, u"2"_s, u"00"_s, u"3"_s, u"00"_s});
        f.insert(u"sum"_s, sum);
        f.insert(u"dr"_s, dr);
        f.insert(u"vid"_s, u"BGN"_s);
        const EuroConversion c = convertToEuro(f, false);
        QVERIFY2(c.ok(), qPrintable(c.refusal));
        const Fields expected{{u"sum"_s, euroSum}, {u"dr"_s, euroDr}};
        QCOMPARE(c.fields, expected);
    }

    void refused_data()
    {
        QTest::addColumn<bool>("eighthKind");
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QString>("refusal");
        const QString unchanged = u" Документът не е превърнат в евро."_s;
        const Fields zeros =
            subAmounts({u"0"_s, u"00"_s, u"0"_s, u"00"_s, u"0"_s, u"00"_s, u"0"_s, u"00"_s});
        const auto total = [&](const QString &sum, const QString &dr) {
            Fields f = zeros;
            f.insert(u"sum"_s, sum);
            f.insert(u"dr"_s, dr);
            return f;
        };
        QTest::newRow("sum not a number")
            << false << total(u"12a"_s, u"00"_s)
            << u"Сумата в \"Сума (Обща сума)\" не е число: \"12a\"."_s + unchanged;
        QTest::newRow("sum too large")
            << false << total(u"2147483648"_s, u"00"_s)
            << u"Сумата в \"Сума (Обща сума)\" е твърде голяма: \"2147483648\"."_s + unchanged;
        QTest::newRow("sum negative")
            << false << total(u"-5"_s, u"00"_s)
            << u"Сумата в \"Сума (Обща сума)\" е отрицателна: \"-5.00\"."_s + unchanged;
        QTest::newRow("dr not a number")
            << false << total(u"5"_s, u"ab"_s)
            << u"Стотинките в \"Сума (Обща сума)\" не са число: \"ab\"."_s + unchanged;
        QTest::newRow("dr over 99")
            << false << total(u"5"_s, u"150"_s)
            << u"Стотинките в \"Сума (Обща сума)\" трябва да са от 00 до 99: \"150\"."_s +
                   unchanged;
        // Eighth kind with zero sub-amounts: `sum` and `dr` are read.
        QTest::newRow("eighth, zero sub-amounts, sum not a number")
            << true << total(u"abc"_s, u"00"_s)
            << u"Сумата в \"Сума (Обща сума)\" не е число: \"abc\"."_s + unchanged;

        Fields third =
            subAmounts({u"1"_s, u"00"_s, u"2"_s, u"00"_s, u"abc"_s, u"00"_s, u"4"_s, u"00"_s});
        third.insert(u"sum"_s, u"7"_s);
        third.insert(u"dr"_s, u"00"_s);
        QTest::newRow("eighth, sub-amount not a number")
            << true << third << u"Сумата в \"Сума 3\" не е число: \"abc\"."_s + unchanged;
        Fields cents =
            subAmounts({u"1"_s, u"00"_s, u"2"_s, u"1x"_s, u"3"_s, u"00"_s, u"4"_s, u"00"_s});
        QTest::newRow("eighth, sub-amount cents not a number")
            << true << cents << u"Стотинките в \"Сума 2\" не са число: \"1x\"."_s + unchanged;
        Fields fourth =
            subAmounts({u"1"_s, u"00"_s, u"2"_s, u"00"_s, u"3"_s, u"00"_s, u"-4"_s, u"00"_s});
        QTest::newRow("eighth, negative sub-amount")
            << true << fourth << u"Сумата в \"Сума 4\" е отрицателна: \"-4.00\"."_s + unchanged;
        // Each of two sub-amounts fits, their euro total does not.
        Fields two = subAmounts(
            {u"2147483647"_s, u"99"_s, u"2147483647"_s, u"99"_s, u"0"_s, u"00"_s, u"0"_s, u"00"_s});
        QTest::newRow("eighth, total too large")
            << true << two
            << u"Общата сума в евро е по-голяма от 2147483647. Документът не е превърнат в евро."_s;
    }
    void refused()
    {
        QFETCH(bool, eighthKind);
        QFETCH(Fields, fields);
        QFETCH(QString, refusal);
        const EuroConversion c = convertToEuro(fields, eighthKind);
        QVERIFY(!c.ok());
        QCOMPARE(c.refusal, refusal);
        QVERIFY(c.fields.isEmpty());
    }

    // Each sub-amount is rounded on its own; the total is then formed as leaving a
    // sub-amount field forms it, the cents carried and `dr` without a leading zero.
    void eighthKind_data()
    {
        QTest::addColumn<QStringList>("lev");  // ium1, d1, … ium4, d4
        QTest::addColumn<QStringList>("euro"); // the same, converted
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("dr");
        // 2.10 → 1.07 (107.37…), 5.55 → 2.84 (283.76…), 1.96 → 1.00, 100.00 → 51.13;
        // L = 55, C = 104: `sum` 56 with the carried euro, `dr` 4.
        QTest::newRow("four sub-amounts, cents carried")
            << QStringList{u"2"_s, u"10"_s, u"5"_s, u"55"_s, u"1"_s, u"96"_s, u"100"_s, u"00"_s}
            << QStringList{u"1"_s, u"07"_s, u"2"_s, u"84"_s, u"1"_s, u"00"_s, u"51"_s, u"13"_s}
            << u"56"_s << u"4"_s;
        // 7.15 → 3.66, 3.33 → 1.70, 19.99 → 10.22, 250.50 → 128.08: L = 142, C = 166.
        QTest::newRow("two-digit dr")
            << QStringList{u"7"_s, u"15"_s, u"3"_s, u"33"_s, u"19"_s, u"99"_s, u"250"_s, u"50"_s}
            << QStringList{u"3"_s, u"66"_s, u"1"_s, u"70"_s, u"10"_s, u"22"_s, u"128"_s, u"08"_s}
            << u"143"_s << u"66"_s;
        // Four times 0.01 BGN is four euro cents, where 0.04 BGN at once is two.
        QTest::newRow("rounded one by one")
            << QStringList{u"0"_s, u"01"_s, u"0"_s, u"01"_s, u"0"_s, u"01"_s, u"0"_s, u"01"_s}
            << QStringList{u"0"_s, u"01"_s, u"0"_s, u"01"_s, u"0"_s, u"01"_s, u"0"_s, u"01"_s}
            << u"0"_s << u"4"_s;
        QTest::newRow("one sub-amount, others empty")
            << QStringList{u"100"_s,  u"00"_s,   QString(), QString(),
                           QString(), QString(), QString(), QString()}
            << QStringList{u"51"_s, u"13"_s, u"0"_s, u"00"_s, u"0"_s, u"00"_s, u"0"_s, u"00"_s}
            << u"51"_s << u"13"_s;
        QTest::newRow("largest sub-amount")
            << QStringList{u"0"_s, u"00"_s, u"2147483647"_s, u"99"_s,
                           u"0"_s, u"00"_s, u"1"_s,          u"96"_s}
            << QStringList{u"0"_s, u"00"_s, u"1097990954"_s, u"22"_s,
                           u"0"_s, u"00"_s, u"1"_s,          u"00"_s}
            << u"1097990955"_s << u"22"_s;
    }
    void eighthKind()
    {
        QFETCH(QStringList, lev);
        QFETCH(QStringList, euro);
        QFETCH(QString, sum);
        QFETCH(QString, dr);
        Fields f = subAmounts(lev);
        // The old total is replaced, whatever it held.
        f.insert(u"sum"_s, u"not a number"_s);
        f.insert(u"dr"_s, u"??"_s);
        const EuroConversion c = convertToEuro(f, true);
        QVERIFY2(c.ok(), qPrintable(c.refusal));
        Fields expected = subAmounts(euro);
        expected.insert(u"sum"_s, sum);
        expected.insert(u"dr"_s, dr);
        QCOMPARE(c.fields, expected);
    }

    // An eighth-kind document whose amount was typed into `sum` and `dr` alone keeps it,
    // converted, instead of a total of four zeros.
    void eighthKindWithoutSubAmounts()
    {
        Fields f =
            subAmounts({u"0"_s, u"00"_s, u"0"_s, u"00"_s, u"0"_s, u"0"_s, QString(), QString()});
        f.insert(u"sum"_s, u"100"_s);
        f.insert(u"dr"_s, u"00"_s);
        const EuroConversion c = convertToEuro(f, true);
        QVERIFY2(c.ok(), qPrintable(c.refusal));
        Fields expected =
            subAmounts({u"0"_s, u"00"_s, u"0"_s, u"00"_s, u"0"_s, u"00"_s, u"0"_s, u"00"_s});
        expected.insert(u"sum"_s, u"51"_s);
        expected.insert(u"dr"_s, u"13"_s);
        QCOMPARE(c.fields, expected);
    }

    void wordsOfOldAmount_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("dr");
        QTest::addColumn<bool>("held");
        QTest::newRow("clicked") << u"дванадесет лв и 05 ст"_s << u"12"_s << u"05"_s << true;
        QTest::newRow("one-digit dr") << u"седем лв и 3 ст"_s << u"7"_s << u"3"_s << true;
        QTest::newRow("typed by hand")
            << u"дванадесет лева и пет стотинки"_s << u"12"_s << u"05"_s << false;
        QTest::newRow("an older amount")
            << u"единадесет лв и 05 ст"_s << u"12"_s << u"05"_s << false;
        QTest::newRow("in euro") << u"дванадесет евро и 05 цента"_s << u"12"_s << u"05"_s << false;
        QTest::newRow("empty for zero") << QString() << u"0"_s << u"00"_s << true;
        QTest::newRow("empty for an amount") << QString() << u"12"_s << u"05"_s << false;
        // The words field cuts what is longer than 100 characters.
        QTest::newRow("cut to 100")
            << u"деветстотин деветдесет и девет мил деветстотин деветдесет и девет хил деветстотин деветдесет и девет"_s
            << u"999999999"_s << u"99"_s << true;
        QTest::newRow("cut shorter")
            << u"деветстотин деветдесет и девет мил деветстотин деветдесет и девет хил деветстотин деветдесет"_s
            << u"999999999"_s << u"99"_s << false;
    }
    void wordsOfOldAmount()
    {
        QFETCH(QString, words);
        QFETCH(QString, sum);
        QFETCH(QString, dr);
        QFETCH(bool, held);
        QCOMPARE(holdsWordsOf(words, sum, dr, u"BGN"), held);
    }
};

QTEST_APPLESS_MAIN(TestEuro)
#include "tst_euro.moc"
