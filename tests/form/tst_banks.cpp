#include "form/banks.h"
#include "rtf/rtfreader.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

const QString kShipped = QStringLiteral(FORMELAN_SOURCE_DIR "/data/help/banks.csv");

// A Bulgarian IBAN for the bank code with its check digits (ISO 7064 MOD 97-10), so
// that every bank of the list can be asked for.
QString ibanFor(const QString &code)
{
    const QString bban = code + u"96611020345678"_s;
    int r = 0;
    for (QChar c : QString(bban + u"BG00"_s)) {
        if (c.isDigit())
            r = (r * 10 + c.digitValue()) % 97;
        else
            r = (r * 100 + (c.unicode() - u'A' + 10)) % 97;
    }
    return u"BG"_s + QString::number(98 - r).rightJustified(2, u'0') + bban;
}

} // namespace

class TestBanks : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    BankList m_shipped;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString error;
        QStringList skipped;
        const std::optional<BankList> list = BankList::read(kShipped, &error, &skipped);
        QVERIFY2(list, qPrintable(error));
        // Every shipped line is well formed: none is left out.
        QVERIFY2(skipped.isEmpty(), qPrintable(skipped.join(u'\n')));
        QVERIFY(!list->banks().isEmpty());
        m_shipped = *list;
    }

    // Every bank of the shipped list is found from an IBAN with its code.
    void everyShippedBank()
    {
        for (const Bank &bank : m_shipped.banks()) {
            const QString iban = ibanFor(bank.bic.first(4));
            const std::optional<Bank> found = m_shipped.bankForIban(iban);
            QVERIFY2(found, qPrintable(iban));
            QCOMPARE(found->bic, bank.bic);
            QCOMPARE(found->name, bank.name);
        }
    }

    void shippedByHand_data()
    {
        QTest::addColumn<QString>("iban");
        QTest::addColumn<QString>("bic");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("group");
        QTest::newRow("central bank") << u"BG80BNBG96611020345678"_s << u"BNBGBGSD"_s
                                      << u"Българска народна банка"_s << u"Централна банка"_s;
        QTest::newRow("UniCredit")
            << u"BG16UNCR70001519562303"_s << u"UNCRBGSF"_s << u"УниКредит Булбанк"_s
            << u"Банки с лиценз от Българската народна банка"_s;
        QTest::newRow("DSK") << u"BG21STSA93000012345678"_s << u"STSABGSF"_s << u"Банка ДСК"_s
                             << u"Банки с лиценз от Българската народна банка"_s;
        QTest::newRow("letters in the account")
            << u"BG87FINV915010BGN0ABCD"_s << u"FINVBGSF"_s << u"Първа инвестиционна банка"_s
            << u"Банки с лиценз от Българската народна банка"_s;
        // A quoted name with a comma, and a BIC whose location is not "SF".
        QTest::newRow("BNP Paribas")
            << u"BG06BNPA93000012345678"_s << u"BNPABGSX"_s << u"БНП Париба С.А., клон София"_s
            << u"Клонове на чуждестранни банки"_s;
        QTest::newRow("TBI Bank") << u"BG62TBIB93000012345678"_s << u"TBIBBGSF"_s
                                  << u"ТИ БИ АЙ Банк"_s
                                  << u"Банки с лиценз от Българската народна банка"_s;
        QTest::newRow("Isbank") << u"BG04ISBK93000012345678"_s << u"ISBKBGSF"_s
                                << u"Ишбанк АГ, клон София"_s << u"Клонове на чуждестранни банки"_s;
    }
    void shippedByHand()
    {
        QFETCH(QString, iban);
        QFETCH(QString, bic);
        QFETCH(QString, name);
        QFETCH(QString, group);
        const std::optional<Bank> found = m_shipped.bankForIban(iban);
        QVERIFY(found);
        QCOMPARE(found->bic, bic);
        QCOMPARE(found->name, name);
        QCOMPARE(found->group, group);
    }

    void nothingFound_data()
    {
        QTest::addColumn<QString>("iban");
        QTest::newRow("valid, code not in the list") << u"BG72RZBB91551012345678"_s;
        QTest::newRow("German, 22 characters") << u"DE89370400440532013000"_s;
        QTest::newRow("British, letters where the code is") << u"GB82WEST12345698765432"_s;
        QTest::newRow("foreign with a listed code") << u"GB83UNCR70001519562303"_s;
        QTest::newRow("check digits wrong") << u"BG81BNBG96611020345678"_s;
        QTest::newRow("small letters") << u"bg80bnbg96611020345678"_s;
        QTest::newRow("in groups") << u"BG80 BNBG 9661 1020 3456 78"_s;
        QTest::newRow("21 characters") << u"BG80BNBG9661102034567"_s;
        QTest::newRow("23 characters") << u"BG80BNBG966110203456780"_s;
        QTest::newRow("country and code only") << u"BG80BNBG"_s;
        QTest::newRow("BG alone") << u"BG"_s;
        QTest::newRow("empty") << QString();
    }
    void nothingFound()
    {
        QFETCH(QString, iban);
        QVERIFY(!m_shipped.bankForIban(iban));
    }

    // Characters 5 to 8 of a Bulgarian IBAN are the first four of its bank's BIC.
    void bicAgainstIban_data()
    {
        QTest::addColumn<QString>("bic");
        QTest::addColumn<QString>("iban");
        QTest::addColumn<bool>("contradicts");
        const QString bnb = u"BG80BNBG96611020345678"_s;
        QTest::newRow("same bank") << u"BNBGBGSD"_s << bnb << false;
        QTest::newRow("branch BIC") << u"BNBGBGSDXXX"_s << bnb << false;
        QTest::newRow("small letters") << u"bnbgbgsd"_s << bnb << false;
        QTest::newRow("other bank") << u"STSABGSF"_s << bnb << true;
        QTest::newRow("short BIC of another") << u"ST"_s << bnb << true;
        QTest::newRow("empty BIC") << QString() << bnb << false;
        QTest::newRow("IBAN not valid") << u"STSABGSF"_s << u"BG81BNBG96611020345678"_s << false;
        QTest::newRow("IBAN not Bulgarian")
            << u"STSABGSF"_s << u"DE89370400440532013000"_s << false;
    }

    void bicAgainstIban()
    {
        QFETCH(QString, bic);
        QFETCH(QString, iban);
        QFETCH(bool, contradicts);
        QCOMPARE(bicContradictsIban(bic, iban), contradicts);
    }

    // Four letters of the bank, two of the country, then a place and a branch that may
    // hold digits.
    void bicForms_data()
    {
        QTest::addColumn<QString>("bic");
        QTest::addColumn<bool>("sound");
        for (const char *bic : {"BNBGBGSD", "ABCDBG22", "ABCDBG09", "ABCDBG9Z", "ABCDBGSF500",
                                "ABCDBGSFXXX", "ABCDBG2A9B0"})
            QTest::newRow(bic) << QString::fromLatin1(bic) << true;
        for (const char *bic :
             {"ABCDBGS", "ABCDBGSF5", "ABCDBGSF5000", "ABC1BGSF", "ABCDB9SF", "ABCDBG/0",
              "ABCDBG:0", "ABCDBGS@", "ABCDBGSF00[", "abcdbgsf", "ABCDBGSÉ", "ABCD BGSF"})
            QTest::newRow(bic) << QString::fromUtf8(bic) << false;
    }

    void bicForms()
    {
        QFETCH(QString, bic);
        QFETCH(bool, sound);
        QCOMPARE(isBicForm(bic), sound);
    }

    void emptyListKnowsNothing() { QVERIFY(!BankList().bankForIban(u"BG80BNBG96611020345678")); }

    // The chooser shows the list that an IBAN fills from, every bank and nothing else.
    void chooserShowsTheSameList()
    {
        const QString text = rtf::plainText(bankListRtf(m_shipped));
        QSet<QString> listed;
        for (const Bank &bank : m_shipped.banks()) {
            QVERIFY2(text.contains(bank.name + u'\t' + bank.bic + u'\t'), qPrintable(bank.bic));
            QVERIFY2(text.contains(bank.group + u'\n'), qPrintable(bank.group));
            listed.insert(bank.bic);
        }
        QSet<QString> shown;
        static const QRegularExpression bic(u"\\b[A-Z]{4}BG[A-Z0-9]{2}(?:[A-Z0-9]{3})?\\b"_s);
        for (auto it = bic.globalMatch(text); it.hasNext();)
            shown.insert(it.next().captured());
        QCOMPARE(shown, listed);
    }

    void readsTheFormat()
    {
        // A byte-order mark, CR LF line ends, blank lines, quotes and an 11-character BIC.
        const QString path = writeFile(
            u"format.csv"_s,
            "\xEF\xBB\xBFgroup,name,bic\r\n"
            "\r\n"
            "\xD0\x93\xD1\x80\xD1\x83\xD0\xBF\xD0\xB0,\"Bank \"\"One\"\", Sofia\",ONEBBGSF\r\n"
            "\"Group, two\",Branch,TWOBBGSF001\r\n"
            "\n");
        QString error;
        const std::optional<BankList> list = BankList::read(path, &error);
        QVERIFY2(list, qPrintable(error));
        QCOMPARE(list->banks().size(), 2);
        const std::optional<Bank> one = list->bankForIban(ibanFor(u"ONEB"_s));
        QVERIFY(one);
        QCOMPARE(one->group, u"Група"_s);
        QCOMPARE(one->name, u"Bank \"One\", Sofia"_s);
        QCOMPARE(one->bic, u"ONEBBGSF"_s);
        const std::optional<Bank> two = list->bankForIban(ibanFor(u"TWOB"_s));
        QVERIFY(two);
        QCOMPARE(two->group, u"Group, two"_s);
        QCOMPARE(two->bic, u"TWOBBGSF001"_s);
    }

    void headerOnlyIsAnEmptyList()
    {
        const std::optional<BankList> list =
            BankList::read(writeFile(u"header.csv"_s, "group,name,bic\n"));
        QVERIFY(list);
        QVERIFY(list->banks().isEmpty());
    }

    // Two entries with one code: the same BIC answers the first, different BICs none.
    void sharedCodes()
    {
        const std::optional<BankList> list =
            BankList::read(writeFile(u"shared.csv"_s, "group,name,bic\n"
                                                      "G,Same first,SAMEBGSF\n"
                                                      "G,Same again,SAMEBGSF\n"
                                                      "G,Split head office,DUPLBGSF\n"
                                                      "G,Split branch,DUPLBGSX\n"
                                                      "G,Split third,DUPLBGSF\n"
                                                      "G,Other,OTHRBGSF\n"));
        QVERIFY(list);
        const std::optional<Bank> same = list->bankForIban(u"BG06SAME70001519562303"_s);
        QVERIFY(same);
        QCOMPARE(same->name, u"Same first"_s);
        QVERIFY(!list->bankForIban(u"BG34DUPL70001519562303"_s));
        QVERIFY(list->bankForIban(ibanFor(u"OTHR"_s)));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("where"); // in the reason, after the path
        QTest::newRow("empty file") << QByteArray() << u": "_s;
        QTest::newRow("no header") << QByteArray("G,Bank,UNCRBGSF\n") << u": "_s;
        QTest::newRow("other header") << QByteArray("name,bic\nBank,UNCRBGSF\n") << u": "_s;
        QTest::newRow("not UTF-8")
            << QByteArray("group,name,bic\nG,\xc1\xe0\xed\xea\xe0,UNCRBGSF\n") << u": "_s;
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, where);
        const QString path = writeFile(u"damaged.csv"_s, bytes);
        QString error;
        QVERIFY(!BankList::read(path, &error));
        QVERIFY2(error.startsWith(path + where), qPrintable(error));
        QVERIFY(error.size() > path.size() + where.size());
    }

    // A bad line is left out and told with its file and line; the good ones stay, and an
    // office's list puts its rows over the shipped ones by bank code.
    void skipsBadRows_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::newRow("two cells") << QByteArray("group,name,bic\nBank,UNCRBGSF\n") << 2;
        QTest::newRow("four cells") << QByteArray("group,name,bic\nG,Bank,UNCRBGSF,x\n") << 2;
        QTest::newRow("quote left open") << QByteArray("group,name,bic\nG,\"Bank,UNCRBGSF\n") << 2;
        QTest::newRow("text after a quote")
            << QByteArray("group,name,bic\nG,\"Bank\" AD,UNCRBGSF\n") << 2;
        QTest::newRow("quote inside a cell")
            << QByteArray("group,name,bic\nG,Bank \"D\",UNCRBGSF\n") << 2;
        QTest::newRow("empty name") << QByteArray("group,name,bic\nG,,UNCRBGSF\n") << 2;
        QTest::newRow("empty group") << QByteArray("group,name,bic\n,Bank,UNCRBGSF\n") << 2;
        QTest::newRow("small letters") << QByteArray("group,name,bic\nG,Bank,uncrbgsf\n") << 2;
        QTest::newRow("foreign BIC") << QByteArray("group,name,bic\nG,Bank,DEUTDEFF\n") << 2;
        QTest::newRow("seven characters") << QByteArray("group,name,bic\nG,Bank,UNCRBGS\n") << 2;
        QTest::newRow("space before the BIC")
            << QByteArray("group,name,bic\nG,Bank, UNCRBGSF\n") << 2;
        QTest::newRow("digit in the code") << QByteArray("group,name,bic\nG,Bank,UNC1BGSF\n") << 2;
        QTest::newRow("small letter in the location")
            << QByteArray("group,name,bic\nG,Bank,UNCRBGsF\n") << 2;
        QTest::newRow("bad line after good ones")
            << QByteArray("group,name,bic\nG,A,AAAABGSF\n\nG,B,BBBBBGSF\nG,C\n") << 5;
        QTest::newRow("space after the BIC")
            << QByteArray("group,name,bic\nG,Bank,UNCRBGSF \n") << 2;
        QTest::newRow("space before the name")
            << QByteArray("group,name,bic\nG, Bank,UNCRBGSF\n") << 2;
        QTest::newRow("empty BIC") << QByteArray("group,name,bic\nG,Bank,\n") << 2;
    }
    void skipsBadRows()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        const QByteArray good = "G,Kept,KEPTBGSF\nG,Corrected,OVERBGSF\n";
        const QString path = writeFile(u"office.csv"_s, bytes + good);
        QString error;
        QStringList skipped;
        std::optional<BankList> list = BankList::read(path, &error, &skipped);
        QVERIFY2(list, qPrintable(error));
        QCOMPARE(skipped.size(), 1);
        const QString where = path + u':' + QString::number(line) + u": "_s;
        QVERIFY2(skipped.first().startsWith(where), qPrintable(skipped.first()));
        QVERIFY(skipped.first().size() > where.size());
        QVERIFY(list->bankForIban(ibanFor(u"KEPT"_s)));

        BankList merged = *BankList::read(writeFile(u"shipped.csv"_s, "group,name,bic\n"
                                                                      "G,First,FRSTBGSF\n"
                                                                      "G,Old name,OVERBGSF\n"
                                                                      "G,Old branch,OVERBGSX\n"
                                                                      "G,Last,LASTBGSF\n"));
        merged.overrideWith(*list);
        QStringList bics;
        for (const Bank &bank : merged.banks())
            bics.append(bank.bic);
        // The office's own code takes the shipped place; its new banks come after.
        QCOMPARE(bics.mid(0, 3), QStringList({u"FRSTBGSF"_s, u"OVERBGSF"_s, u"LASTBGSF"_s}));
        QCOMPARE(bics.value(bics.size() - 1), u"KEPTBGSF"_s);
        QCOMPARE(merged.bankForIban(ibanFor(u"OVER"_s)).value_or(Bank{}).name, u"Corrected"_s);
        QCOMPARE(merged.bankForIban(ibanFor(u"KEPT"_s)).value_or(Bank{}).name, u"Kept"_s);
        QVERIFY(rtf::plainText(bankListRtf(merged)).contains(u"Kept\tKEPTBGSF\t"_s));
    }

    void missingFile()
    {
        const QString path = m_dir.filePath(u"absent.csv"_s);
        QString error;
        QVERIFY(!BankList::read(path, &error));
        QVERIFY2(error.startsWith(path + u": "_s), qPrintable(error));
        QVERIFY(!BankList::read(path)); // without asking why
    }
};

QTEST_APPLESS_MAIN(TestBanks)
#include "tst_banks.moc"
