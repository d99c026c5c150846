#include "form/numconvert.h"

#include <QTest>

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
        QTest::newRow("zeros") << u"0000000000"_s << true;
        QTest::newRow("remainder 10 gives 0") << u"1111111110"_s << true;
        QTest::newRow("remainder 10, digit 1") << u"1111111111"_s << false;
        QTest::newRow("7501020018") << u"7501020018"_s << true;
        QTest::newRow("7501020017") << u"7501020017"_s << false;
        QTest::newRow("8032056031") << u"8032056031"_s << true;
        QTest::newRow("date not checked") << u"9999999990"_s << false;
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

    void amountInWords_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("words");
        // The worked examples, spaces exact.
        QTest::newRow("1") << u"1.00"_s << u"един лв"_s;
        QTest::newRow("2") << u"2.00"_s << u"два лв"_s;
        QTest::newRow("11") << u"11.00"_s << u"единадесет лв"_s;
        QTest::newRow("20") << u"20.00"_s << u"двадесет лв"_s;
        QTest::newRow("21") << u"21.00"_s << u"двадесет и един лв"_s;
        QTest::newRow("100") << u"100.00"_s << u"сто лв"_s;
        QTest::newRow("101") << u"101.00"_s << u"сто и един лв"_s;
        QTest::newRow("110") << u"110.00"_s << u"сто и десет лв"_s;
        QTest::newRow("121") << u"121.00"_s << u"сто двадесет и един лв"_s;
        QTest::newRow("1000") << u"1000.00"_s << u" хиляда  лв"_s;
        QTest::newRow("1001") << u"1001.00"_s << u" хиляда и един лв"_s;
        QTest::newRow("1021") << u"1021.00"_s << u" хиляда двадесет и един лв"_s;
        QTest::newRow("1200") << u"1200.00"_s << u" хиляда и двеста лв"_s;
        QTest::newRow("2000") << u"2000.00"_s << u"две хил  лв"_s;
        QTest::newRow("2005") << u"2005.00"_s << u"две хил и пет лв"_s;
        QTest::newRow("22000") << u"22000.00"_s << u"двадесет и две хил  лв"_s;
        QTest::newRow("101000") << u"101000.00"_s << u"сто и една хил  лв"_s;
        QTest::newRow("1000000") << u"1000000.00"_s << u"един мил  лв"_s;
        QTest::newRow("1000005") << u"1000005.00"_s << u"един мил пет лв"_s;
        QTest::newRow("1001000") << u"1001000.00"_s << u"един мил и  хиляда  лв"_s;
        QTest::newRow("1000000000") << u"1000000000.00"_s << u"един милиард  лв"_s;
        QTest::newRow("2147483647")
            << u"2147483647.00"_s
            << u"два милиарда сто четиридесет и седем мил четиристотин осемдесет и три хил шестстотин четиридесет и седем лв"_s;
        QTest::newRow("12.05") << u"12.05"_s << u"дванадесет лв и 05 ст"_s;
        QTest::newRow("12,50") << u"12,50"_s << u"дванадесет лв и 50 ст"_s;
        QTest::newRow("5.5") << u"5.5"_s << u"пет лв и 5 ст"_s;
        QTest::newRow("0.05") << u"0.05"_s << u"05 ст"_s;
        QTest::newRow("0.00") << u"0.00"_s << QString();
        QTest::newRow("1 000.00") << u"1 000.00"_s << u" хиляда  лв"_s;

        // The conjunction before the last plain group, in every position.
        QTest::newRow("units plain") << u"2010.00"_s << u"две хил и десет лв"_s;
        QTest::newRow("units eleven plain") << u"2011.00"_s << u"две хил и единадесет лв"_s;
        QTest::newRow("units 21") << u"2021.00"_s << u"две хил двадесет и един лв"_s;
        QTest::newRow("units 342") << u"5342.00"_s << u"пет хил триста четиридесет и два лв"_s;
        QTest::newRow("thousands plain") << u"1010000.00"_s << u"един мил и десет хил  лв"_s;
        QTest::newRow("thousands 100") << u"1100000.00"_s << u"един мил и сто хил  лв"_s;
        QTest::newRow("thousands 110") << u"1110000.00"_s << u"един мил и сто и десет хил  лв"_s;
        QTest::newRow("thousands not plain")
            << u"1111000.00"_s << u"един мил сто и единадесет хил  лв"_s;
        QTest::newRow("thousands two") << u"1002000.00"_s << u"един мил и две хил  лв"_s;
        QTest::newRow("millions plain") << u"1001000000.00"_s << u"един милиард и един мил  лв"_s;
        QTest::newRow("millions not plain")
            << u"1021000000.00"_s << u"един милиард двадесет и един мил  лв"_s;
        QTest::newRow("millions 30") << u"30000000.00"_s << u"тридесет мил  лв"_s;
        QTest::newRow("units after zero thousands") << u"1000001.00"_s << u"един мил един лв"_s;
        QTest::newRow("billion and units") << u"1000000001.00"_s << u"един милиард един лв"_s;
        QTest::newRow("billions plural") << u"2000000000.00"_s << u"два милиарда  лв"_s;
        QTest::newRow("thousand and two") << u"1002.00"_s << u" хиляда и два лв"_s;

        // The feminine thousands: only a final one or two changes.
        QTest::newRow("21 thousand") << u"21000.00"_s << u"двадесет и една хил  лв"_s;
        QTest::newRow("12 thousand") << u"12000.00"_s << u"дванадесет хил  лв"_s;
        QTest::newRow("11 thousand") << u"11000.00"_s << u"единадесет хил  лв"_s;
        QTest::newRow("202 thousand") << u"202000.00"_s << u"двеста и две хил  лв"_s;
        QTest::newRow("2 units stay masculine") << u"2002.00"_s << u"две хил и два лв"_s;

        // Word forms.
        QTest::newRow("400") << u"400"_s << u"четиристотин лв"_s;
        QTest::newRow("999") << u"999"_s << u"деветстотин деветдесет и девет лв"_s;
        QTest::newRow("19") << u"19"_s << u"деветнадесет лв"_s;
        QTest::newRow("14") << u"14"_s << u"четиринадесет лв"_s;
        QTest::newRow("spaces inside leva") << u"1 2 3.00"_s << u"сто двадесет и три лв"_s;
        QTest::newRow("plus sign") << u"+5.00"_s << u"пет лв"_s;

        // Stotinki.
        QTest::newRow("stotinki 00 omitted") << u"12.00"_s << u"дванадесет лв"_s;
        QTest::newRow("separator only") << u"12."_s << u"дванадесет лв"_s;
        QTest::newRow("three digits take two") << u"12.123"_s << u"дванадесет лв и 12 ст"_s;
        QTest::newRow("stotinki not a number") << u"12.ab"_s << u"дванадесет лв"_s;
        QTest::newRow("space in stotinki") << u"12. 5"_s << u"дванадесет лв и 5 ст"_s;
        QTest::newRow("second separator") << u"1.2,3"_s << u"един лв"_s;
        QTest::newRow("comma first wins") << u"12,5.0"_s << u"дванадесет лв"_s;
        QTest::newRow("stotinki alone") << u"0.5"_s << u"5 ст"_s;

        // Not convertible.
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("letters") << u"abc.00"_s << QString();
        QTest::newRow("no leva") << u".05"_s << QString();
        QTest::newRow("one over the range") << u"2147483648.00"_s << QString();
        QTest::newRow("negative leva") << u"-5.00"_s << QString();
        QTest::newRow("negative stotinki") << u"5.-1"_s << QString();
        QTest::newRow("huge") << QString(3000, u'9') << QString();
        QTest::newRow("other digits") << u"١٢.٠٠"_s << QString();
        QTest::newRow("zero") << u"0"_s << QString();
    }
    void amountInWords()
    {
        QFETCH(QString, amount);
        QFETCH(QString, words);
        QCOMPARE(AmountInWords(amount), words);
    }

    void longestAmountIs111Characters()
    {
        const QString words = AmountInWords(u"999999999.99"_s);
        QCOMPARE(words.size(), 111);
        QCOMPARE(
            words.left(100),
            u"деветстотин деветдесет и девет мил деветстотин деветдесет и девет хил деветстотин деветдесет и девет"_s);
    }
};

QTEST_APPLESS_MAIN(TestNumconvert)
#include "tst_numconvert.moc"
