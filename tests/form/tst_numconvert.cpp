#include "form/numconvert.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace formelan;

// Expected answers were worked out by hand from the published check-digit rules
// (and, for IBANs, ISO 7064 MOD 97-10), never by calling the functions under test.
class TestNumconvert : public QObject {
    Q_OBJECT

private:
    static void identifierColumns()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
    }
    static void commonInvalid()
    {
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("spaces") << u"          "_s << false;
        QTest::newRow("arabic-indic digits") << u"٠٠٠٠٠٠٠٠٠٠"_s << false;
        QTest::newRow("full-width digits") << u"００００００００００"_s << false;
        QTest::newRow("very long") << QString(100000, u'1') << false;
    }

    // The lev words: the worked examples and the grammar's edge cases.
    static void levRows(const std::function<void(const char *, QString, QString)> &row)
    {
        // The worked examples, spaces exact.
        row("1", u"1.00"_s, u"един лв"_s);
        row("2", u"2.00"_s, u"два лв"_s);
        row("11", u"11.00"_s, u"единадесет лв"_s);
        row("20", u"20.00"_s, u"двадесет лв"_s);
        row("21", u"21.00"_s, u"двадесет и един лв"_s);
        row("100", u"100.00"_s, u"сто лв"_s);
        row("101", u"101.00"_s, u"сто и един лв"_s);
        row("110", u"110.00"_s, u"сто и десет лв"_s);
        row("121", u"121.00"_s, u"сто двадесет и един лв"_s);
        row("1000", u"1000.00"_s, u" хиляда  лв"_s);
        row("1001", u"1001.00"_s, u" хиляда и един лв"_s);
        row("1021", u"1021.00"_s, u" хиляда двадесет и един лв"_s);
        row("1200", u"1200.00"_s, u" хиляда и двеста лв"_s);
        row("2000", u"2000.00"_s, u"две хил  лв"_s);
        row("2005", u"2005.00"_s, u"две хил и пет лв"_s);
        row("22000", u"22000.00"_s, u"двадесет и две хил  лв"_s);
        row("101000", u"101000.00"_s, u"сто и една хил  лв"_s);
        row("1000000", u"1000000.00"_s, u"един мил  лв"_s);
        row("1000005", u"1000005.00"_s, u"един мил пет лв"_s);
        row("1001000", u"1001000.00"_s, u"един мил и  хиляда  лв"_s);
        row("1000000000", u"1000000000.00"_s, u"един милиард  лв"_s);
        row("2147483647", u"2147483647.00"_s,
            u"два милиарда сто четиридесет и седем мил четиристотин осемдесет и три хил шестстотин четиридесет и седем лв"_s);
        row("12.05", u"12.05"_s, u"дванадесет лв и 05 ст"_s);
        row("12,50", u"12,50"_s, u"дванадесет лв и 50 ст"_s);
        row("5.5", u"5.5"_s, u"пет лв и 5 ст"_s);
        row("0.05", u"0.05"_s, u"05 ст"_s);
        row("0.00", u"0.00"_s, QString());
        row("1 000.00", u"1 000.00"_s, u" хиляда  лв"_s);

        // The conjunction before the last plain group, in every position.
        row("units plain", u"2010.00"_s, u"две хил и десет лв"_s);
        row("units eleven plain", u"2011.00"_s, u"две хил и единадесет лв"_s);
        row("units 21", u"2021.00"_s, u"две хил двадесет и един лв"_s);
        row("units 342", u"5342.00"_s, u"пет хил триста четиридесет и два лв"_s);
        row("thousands plain", u"1010000.00"_s, u"един мил и десет хил  лв"_s);
        row("thousands 100", u"1100000.00"_s, u"един мил и сто хил  лв"_s);
        row("thousands 110", u"1110000.00"_s, u"един мил и сто и десет хил  лв"_s);
        row("thousands not plain", u"1111000.00"_s, u"един мил сто и единадесет хил  лв"_s);
        row("thousands two", u"1002000.00"_s, u"един мил и две хил  лв"_s);
        row("millions plain", u"1001000000.00"_s, u"един милиард и един мил  лв"_s);
        row("millions not plain", u"1021000000.00"_s, u"един милиард двадесет и един мил  лв"_s);
        row("millions 30", u"30000000.00"_s, u"тридесет мил  лв"_s);
        row("units after zero thousands", u"1000001.00"_s, u"един мил един лв"_s);
        row("billion and units", u"1000000001.00"_s, u"един милиард един лв"_s);
        row("billions plural", u"2000000000.00"_s, u"два милиарда  лв"_s);
        row("thousand and two", u"1002.00"_s, u" хиляда и два лв"_s);

        // The feminine thousands: only a final one or two changes.
        row("21 thousand", u"21000.00"_s, u"двадесет и една хил  лв"_s);
        row("12 thousand", u"12000.00"_s, u"дванадесет хил  лв"_s);
        row("11 thousand", u"11000.00"_s, u"единадесет хил  лв"_s);
        row("202 thousand", u"202000.00"_s, u"двеста и две хил  лв"_s);
        row("2 units stay masculine", u"2002.00"_s, u"две хил и два лв"_s);

        // Word forms.
        row("400", u"400"_s, u"четиристотин лв"_s);
        row("999", u"999"_s, u"деветстотин деветдесет и девет лв"_s);
        row("19", u"19"_s, u"деветнадесет лв"_s);
        row("14", u"14"_s, u"четиринадесет лв"_s);
        row("spaces inside leva", u"1 2 3.00"_s, u"сто двадесет и три лв"_s);
        row("plus sign", u"+5.00"_s, u"пет лв"_s);

        // Stotinki.
        row("stotinki 00 omitted", u"12.00"_s, u"дванадесет лв"_s);
        row("separator only", u"12."_s, u"дванадесет лв"_s);
        row("three digits take two", u"12.123"_s, u"дванадесет лв и 12 ст"_s);
        row("stotinki not a number", u"12.ab"_s, u"дванадесет лв"_s);
        row("space in stotinki", u"12. 5"_s, u"дванадесет лв и 5 ст"_s);
        row("second separator", u"1.2,3"_s, u"един лв"_s);
        row("comma first wins", u"12,5.0"_s, u"дванадесет лв"_s);
        row("stotinki alone", u"0.5"_s, u"5 ст"_s);

        // Not convertible.
        row("empty", QString(), QString());
        row("letters", u"abc.00"_s, QString());
        row("no leva", u".05"_s, QString());
        row("one over the range", u"2147483648.00"_s, QString());
        row("negative leva", u"-5.00"_s, QString());
        row("negative stotinki", u"5.-1"_s, QString());
        row("huge", QString(3000, u'9'), QString());
        row("other digits", u"١٢.٠٠"_s, QString());
        row("zero", u"0"_s, QString());
    }

private Q_SLOTS:
    void iban_data()
    {
        identifierColumns();
        commonInvalid();
        QTest::newRow("central bank sample") << u"BG80BNBG96611020345678"_s << true;
        QTest::newRow("check digits off by one") << u"BG81BNBG96611020345678"_s << false;
        QTest::newRow("letter in account part") << u"BG82BNBG966110203456A8"_s << true;
        QTest::newRow("UNCR") << u"BG16UNCR70001519562303"_s << true;
        QTest::newRow("STSA") << u"BG21STSA93000012345678"_s << true;
        QTest::newRow("letters in account") << u"BG87FINV915010BGN0ABCD"_s << true;
        QTest::newRow("RZBB") << u"BG72RZBB91551012345678"_s << true;
        QTest::newRow("two digits swapped") << u"BG72RZBB91551012345687"_s << false;
        QTest::newRow("lower case") << u"bg80bnbg96611020345678"_s << false;
        QTest::newRow("lower case bank") << u"BG80bnbg96611020345678"_s << false;
        QTest::newRow("groups with spaces") << u"BG80 BNBG 9661 1020 3456 78"_s << false;
        QTest::newRow("21 characters") << u"BG80BNBG9661102034567"_s << false;
        QTest::newRow("23 characters") << u"BG80BNBG966110203456780"_s << false;
        QTest::newRow("trailing space") << u"BG80BNBG9661102034567 "_s << false;
        QTest::newRow("cyrillic letters") << u"ВG80BNBG96611020345678"_s << false;
        QTest::newRow("sign") << u"BG80BNBG9661102034567-"_s << false;
        QTest::newRow("22 symbols") << u"**********************"_s << false;
    }
    void iban()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(CheckIban(text), valid);
    }

    void egn_data()
    {
        identifierColumns();
        commonInvalid();
        // The first six digits are a birth date, the month telling the century.
        QTest::newRow("zeros: no month") << u"0000000000"_s << false;
        QTest::newRow("30 February") << u"8802300417"_s << false;
        QTest::newRow("month 13") << u"8813050412"_s << false;
        QTest::newRow("born in the 2000s") << u"0541051231"_s << true;
        QTest::newRow("2000s month, 30 February") << u"0542301232"_s << false;
        QTest::newRow("remainder 10 gives 0") << u"1111111110"_s << true;
        QTest::newRow("remainder 10, digit 1") << u"1111111111"_s << false;
        QTest::newRow("7501020018") << u"7501020018"_s << true;
        QTest::newRow("7501020017") << u"7501020017"_s << false;
        QTest::newRow("8032056031") << u"8032056031"_s << true;
        QTest::newRow("check digit wrong, no date") << u"9999999990"_s << false;
        QTest::newRow("9 digits") << u"750102001"_s << false;
        QTest::newRow("11 digits") << u"75010200180"_s << false;
        QTest::newRow("letter") << u"750102001A"_s << false;
        QTest::newRow("leading space") << u" 750102001"_s << false;
        QTest::newRow("sign") << u"-750102001"_s << false;
    }
    void egn()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(CheckEgn(text), valid);
    }

    void lnch_data()
    {
        identifierColumns();
        commonInvalid();
        QTest::newRow("zeros") << u"0000000000"_s << true;
        QTest::newRow("ones, S = 101") << u"1111111111"_s << true;
        QTest::newRow("ones, wrong last") << u"1111111110"_s << false;
        QTest::newRow("1001000004") << u"1001000004"_s << true;
        QTest::newRow("1001000005") << u"1001000005"_s << false;
        QTest::newRow("9 digits") << u"100100000"_s << false;
        QTest::newRow("letter") << u"100100000X"_s << false;
    }
    void lnch()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(CheckLnch(text), valid);
    }

    void bulstat_data()
    {
        identifierColumns();
        commonInvalid();
        QTest::newRow("9 zeros") << u"000000000"_s << true;
        QTest::newRow("13 zeros") << u"0000000000000"_s << true;
        QTest::newRow("111111113") << u"111111113"_s << true;
        QTest::newRow("111111111") << u"111111111"_s << false;
        QTest::newRow("second weights") << u"100000086"_s << true;
        QTest::newRow("second weights, wrong") << u"100000085"_s << false;
        QTest::newRow("second weights, no zero") << u"526516258"_s << true;
        QTest::newRow("both remainders 10") << u"100000550"_s << true;
        QTest::newRow("both remainders 10, not 0") << u"100000551"_s << false;
        QTest::newRow("831641791") << u"831641791"_s << true;
        QTest::newRow("831641792") << u"831641792"_s << false;
        QTest::newRow("ten, tenth any") << u"111111113X"_s << true;
        QTest::newRow("ten, tenth digit") << u"1111111130"_s << true;
        QTest::newRow("ten, tenth cyrillic") << u"111111113Ж"_s << true;
        QTest::newRow("ten, nine-digit rule fails") << u"111111112X"_s << false;
        QTest::newRow("ten, letter in first nine") << u"11111111AX"_s << false;
        QTest::newRow("13, second weights") << u"1111111131110"_s << true;
        QTest::newRow("13, second weights, wrong") << u"1111111131111"_s << false;
        QTest::newRow("13, both remainders 10") << u"1111111132980"_s << true;
        QTest::newRow("13, first weights") << u"1111111130006"_s << true;
        QTest::newRow("13, first weights, wrong") << u"1111111130005"_s << false;
        QTest::newRow("13, nine-digit rule fails") << u"1111111121110"_s << false;
        QTest::newRow("13, letter") << u"111111113111X"_s << false;
        QTest::newRow("12 characters") << u"111111113111"_s << false;
        QTest::newRow("11 characters") << u"11111111311"_s << false;
        QTest::newRow("8 characters") << u"11111111"_s << false;
        QTest::newRow("14 characters") << u"11111111311100"_s << false;
    }
    void bulstat()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(CheckBulstat(text), valid);
    }

    void wholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << u"42"_s << true << 42;
        QTest::newRow("leading spaces and sign") << u"  -12"_s << true << -12;
        QTest::newRow("plus") << u"+0"_s << true << 0;
        QTest::newRow("largest") << u"2147483647"_s << true << 2147483647;
        QTest::newRow("smallest") << u"-2147483648"_s << true << int(-2147483648LL);
        QTest::newRow("one over") << u"2147483648"_s << false << 0;
        QTest::newRow("one under") << u"-2147483649"_s << false << 0;
        QTest::newRow("leading zeros") << u"0000000000000007"_s << true << 7;
        QTest::newRow("zero") << u"0"_s << true << 0;
        QTest::newRow("two zeros") << u"00"_s << true << 0;
        QTest::newRow("minus zero") << u"-0"_s << true << 0;
        QTest::newRow("one after nine zeros") << u"0000000001"_s << true << 1;
        QTest::newRow("ends in zeros") << u"2000000000"_s << true << 2000000000;
        QTest::newRow("largest after zeros") << u"0002147483647"_s << true << 2147483647;
        QTest::newRow("one over after zeros") << u"0002147483648"_s << false << 0;
        QTest::newRow("ten digits of zeros") << u"3000000000"_s << false << 0;
        QTest::newRow("eleven digits of zeros") << u"10000000000"_s << false << 0;
        QTest::newRow("minus eleven digits") << u"-10000000000"_s << false << 0;
        QTest::newRow("empty") << QString() << false << 0;
        QTest::newRow("space only") << u" "_s << false << 0;
        QTest::newRow("sign only") << u"-"_s << false << 0;
        QTest::newRow("trailing space") << u"12 "_s << false << 0;
        QTest::newRow("hex") << u"0x10"_s << false << 0;
        QTest::newRow("exponent") << u"1e3"_s << false << 0;
        QTest::newRow("two signs") << u"--1"_s << false << 0;
        QTest::newRow("full-width") << u"１２"_s << false << 0;
        QTest::newRow("huge") << QString(5000, u'9') << false << 0;
    }
    void wholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto v = wholeNumber(text);
        QCOMPARE(v.has_value(), valid);
        if (valid)
            QCOMPARE(*v, value);
    }

    // Leva, old and new, and no currency at all have the lev words.
    void amountInWords_data()
    {
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("words");
        for (const QString &currency : {QString(), u"BGN"_s, u"BGL"_s, u"bgn"_s, u" BGN "_s}) {
            levRows([&](const char *name, const QString &amount, const QString &words) {
                QTest::addRow("%s %s", qPrintable(currency), name) << currency << amount << words;
            });
        }
    }
    void amountInWords()
    {
        QFETCH(QString, currency);
        QFETCH(QString, amount);
        QFETCH(QString, words);
        QCOMPARE(AmountInWords(amount, currency), words);
    }

    // The euro in any case; any other currency by its code, hundredths as a fraction.
    void otherCurrencyWords_data()
    {
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("words");
        QTest::newRow("eur") << u"eur"_s << u"1.00"_s << u"едно евро"_s;
        QTest::newRow("EUR and a space") << u"EUR "_s << u"2.01"_s << u"две евро и 01 цент"_s;
        QTest::newRow("USD") << u"USD"_s << u"21.05"_s << u"двадесет и един USD и 05/100"_s;
        QTest::newRow("GBP whole") << u"GBP"_s << u"1.00"_s << u"един GBP"_s;
        QTest::newRow("CHF thousands")
            << u"CHF"_s << u"2002.50"_s << u"две хил и два CHF и 50/100"_s;
        QTest::newRow("usd in small letters") << u"usd"_s << u"3"_s << u"три USD"_s;
        QTest::newRow("only hundredths") << u"JPY"_s << u"0.50"_s << u"50/100 JPY"_s;
        QTest::newRow("nothing") << u"USD"_s << u"0.00"_s << QString();
        QTest::newRow("not a number") << u"USD"_s << u"x.10"_s << QString();
        QTest::newRow("EURO is no euro") << u"EURO"_s << u"1"_s << u"един EURO"_s;
    }

    void otherCurrencyWords()
    {
        QFETCH(QString, currency);
        QFETCH(QString, amount);
        QFETCH(QString, words);
        QCOMPARE(AmountInWords(amount, currency), words);
    }

    void noCurrencyMeansLeva()
    {
        QCOMPARE(AmountInWords(u"21.01"_s), u"двадесет и един лв и 01 ст"_s);
    }

    void euroWords_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("words");
        // The units group is neuter; 11 and 12 do not change.
        QTest::newRow("1") << u"1.00"_s << u"едно евро"_s;
        QTest::newRow("2") << u"2.00"_s << u"две евро"_s;
        QTest::newRow("3") << u"3.00"_s << u"три евро"_s;
        QTest::newRow("11") << u"11.00"_s << u"единадесет евро"_s;
        QTest::newRow("12") << u"12.00"_s << u"дванадесет евро"_s;
        QTest::newRow("21") << u"21.00"_s << u"двадесет и едно евро"_s;
        QTest::newRow("22") << u"22.00"_s << u"двадесет и две евро"_s;
        QTest::newRow("101") << u"101.00"_s << u"сто и едно евро"_s;
        QTest::newRow("102") << u"102.00"_s << u"сто и две евро"_s;
        QTest::newRow("111") << u"111.00"_s << u"сто и единадесет евро"_s;
        QTest::newRow("121") << u"121.00"_s << u"сто двадесет и едно евро"_s;
        QTest::newRow("202") << u"202.00"_s << u"двеста и две евро"_s;
        QTest::newRow("1000") << u"1000.00"_s << u" хиляда  евро"_s;
        QTest::newRow("1001") << u"1001.00"_s << u" хиляда и едно евро"_s;
        QTest::newRow("1002") << u"1002.00"_s << u" хиляда и две евро"_s;
        QTest::newRow("2001") << u"2001.00"_s << u"две хил и едно евро"_s;
        QTest::newRow("2002") << u"2002.00"_s << u"две хил и две евро"_s;
        QTest::newRow("1021") << u"1021.00"_s << u" хиляда двадесет и едно евро"_s;
        // Thousands, millions and billions keep their forms.
        QTest::newRow("21000") << u"21000.00"_s << u"двадесет и една хил  евро"_s;
        QTest::newRow("22000") << u"22000.00"_s << u"двадесет и две хил  евро"_s;
        QTest::newRow("1000000") << u"1000000.00"_s << u"един мил  евро"_s;
        QTest::newRow("1000001") << u"1000001.00"_s << u"един мил едно евро"_s;
        QTest::newRow("1000002") << u"1000002.00"_s << u"един мил две евро"_s;
        QTest::newRow("2000000") << u"2000000.00"_s << u"два мил  евро"_s;
        QTest::newRow("21000000") << u"21000000.00"_s << u"двадесет и един мил  евро"_s;
        QTest::newRow("1001000") << u"1001000.00"_s << u"един мил и  хиляда  евро"_s;
        QTest::newRow("1000000000") << u"1000000000.00"_s << u"един милиард  евро"_s;
        QTest::newRow("1000000001") << u"1000000001.00"_s << u"един милиард едно евро"_s;
        QTest::newRow("2000000002") << u"2000000002.00"_s << u"два милиарда две евро"_s;
        QTest::newRow("2147483647")
            << u"2147483647.00"_s
            << u"два милиарда сто четиридесет и седем мил четиристотин осемдесет и три хил шестстотин четиридесет и седем евро"_s;
        QTest::newRow("spaces in whole part") << u"1 001.00"_s << u" хиляда и едно евро"_s;

        // Cents, written as typed; "цент" only for exactly one.
        QTest::newRow("12.05") << u"12.05"_s << u"дванадесет евро и 05 цента"_s;
        QTest::newRow("12,50") << u"12,50"_s << u"дванадесет евро и 50 цента"_s;
        QTest::newRow("2.01") << u"2.01"_s << u"две евро и 01 цент"_s;
        QTest::newRow("one digit 1") << u"5.1"_s << u"пет евро и 1 цент"_s;
        QTest::newRow("one digit 5") << u"5.5"_s << u"пет евро и 5 цента"_s;
        QTest::newRow("10 cents") << u"1.10"_s << u"едно евро и 10 цента"_s;
        QTest::newRow("11 cents") << u"1.11"_s << u"едно евро и 11 цента"_s;
        QTest::newRow("21 cents") << u"1.21"_s << u"едно евро и 21 цента"_s;
        QTest::newRow("99 cents") << u"1000.99"_s << u" хиляда  евро и 99 цента"_s;
        QTest::newRow("three digits take two") << u"12.013"_s << u"дванадесет евро и 01 цент"_s;
        QTest::newRow("cents 00 omitted") << u"12.00"_s << u"дванадесет евро"_s;
        QTest::newRow("cents not a number") << u"12.ab"_s << u"дванадесет евро"_s;

        // Only cents.
        QTest::newRow("0.50") << u"0.50"_s << u"50 цента"_s;
        QTest::newRow("0.05") << u"0.05"_s << u"05 цента"_s;
        QTest::newRow("0.01") << u"0.01"_s << u"01 цент"_s;
        QTest::newRow("0.1") << u"0.1"_s << u"1 цент"_s;

        // Not convertible, as in leva.
        QTest::newRow("0.00") << u"0.00"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("one over the range") << u"2147483648.00"_s << QString();
        QTest::newRow("negative") << u"-1.00"_s << QString();
        QTest::newRow("negative cents") << u"1.-1"_s << QString();
        QTest::newRow("letters") << u"abc.01"_s << QString();
    }
    void euroWords()
    {
        QFETCH(QString, amount);
        QFETCH(QString, words);
        QCOMPARE(AmountInWords(amount, u"EUR"), words);
    }

    void longestAmountIs111Characters()
    {
        const QString words = AmountInWords(u"999999999.99"_s);
        QCOMPARE(words.size(), 111);
        QCOMPARE(
            words.left(100),
            u"деветстотин деветдесет и девет мил деветстотин деветдесет и девет хил деветстотин деветдесет и девет"_s);
    }

    // The longest words in euro pass the 100 characters by more; cutting is the caller's.
    void longestEuroAmountIs116Characters()
    {
        const QString words = AmountInWords(u"999999999.99"_s, u"EUR");
        QCOMPARE(words.size(), 116);
        QVERIFY(words.endsWith(u"деветдесет и девет евро и 99 цента"));
    }
};

QTEST_APPLESS_MAIN(TestNumconvert)
#include "tst_numconvert.moc"
