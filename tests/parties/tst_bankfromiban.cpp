#include "testsupport.h"

#include "form/banks.h"
#include "parties/addressbook.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

const QString kShipped = QStringLiteral(FORMELAN_SOURCE_DIR "/data/help/banks.csv");

// A valid Bulgarian IBAN of the bank with that code (ISO 7064 MOD 97-10 check digits).
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

// Puts the shipped bank list into the running program's data folder.
void shipBankList()
{
    const QString help = Program::current()->dataDir() + u"/help"_s;
    QVERIFY(QDir().mkpath(help));
    QVERIFY(QFile::copy(kShipped, help + u"/banks.csv"_s));
}

FieldWindow *window(const QString &name)
{
    if (name == u"RData")
        return recipientsBook();
    if (name == u"DData")
        return payersBook();
    return docWindow();
}

// The window on the other side of the mirroring.
FieldWindow *otherWindow(const QString &name, const QString &ibanField)
{
    if (name != u"MainView")
        return docWindow();
    return ibanField == u"recipient_iban_number1" ? static_cast<FieldWindow *>(recipientsBook())
                                                  : static_cast<FieldWindow *>(payersBook());
}

struct BankFields {
    QString ibanField;
    QString bicField;
    QString nameField;
};

BankFields bankFieldsOf(const QString &ibanField)
{
    if (ibanField == u"recipient_iban_number1")
        return {ibanField, u"rec_bic1"_s, u"rebank"_s};
    return {ibanField, u"dep_bic1"_s, u"bank_name"_s};
}

// The user types the IBAN and leaves the field with Tab or by clicking another field.
void typeIbanAndLeave(FieldWindow *w, const QString &field, const QString &iban, bool byClick)
{
    typeInto(w->control(field), iban);
    // Kept compact and in capitals, however it was typed.
    QCOMPARE(w->fieldText(field), QString(iban).remove(u' ').remove(u'-').toUpper());
    if (byClick) {
        const QStringView other = w == docWindow()        ? u"kind_p"
                                  : w == recipientsBook() ? u"recipi_lk"
                                                          : u"bounder_name";
        clickInto(w->control(other));
    } else
        pressTab();
    QVERIFY(!w->control(field)->hasFocus());
}

} // namespace

class TestBankFromIban : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A Bulgarian IBAN names its bank: its BIC and name fill the empty fields beside it,
    // in the window where it was typed and, mirrored, in the other.
    void fillsTheBank_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("ibanField");
        QTest::addColumn<bool>("byClick");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("bic");
        QTest::addColumn<QString>("name");
        const QString ubb = u"Обединена българска банка"_s;
        // Longer than the 20 characters that can be typed into `bank_name`: kept whole.
        const QString ccb = u"Централна кооперативна банка"_s;
        const QString bnp = u"БНП Париба С.А., клон София"_s;
        QTest::newRow("document, recipient, Tab") << u"MainView"_s << u"recipient_iban_number1"_s
                                                  << false << u"UBBS"_s << u"UBBSBGSF"_s << ubb;
        QTest::newRow("document, recipient, click") << u"MainView"_s << u"recipient_iban_number1"_s
                                                    << true << u"BNPA"_s << u"BNPABGSX"_s << bnp;
        QTest::newRow("document, payer, Tab") << u"MainView"_s << u"depositor_iban_number1"_s
                                              << false << u"CECB"_s << u"CECBBGSF"_s << ccb;
        QTest::newRow("document, payer, click") << u"MainView"_s << u"depositor_iban_number1"_s
                                                << true << u"UBBS"_s << u"UBBSBGSF"_s << ubb;
        QTest::newRow("recipients, Tab")
            << u"RData"_s << u"recipient_iban_number1"_s << false << u"BNBG"_s << u"BNBGBGSD"_s
            << u"Българска народна банка"_s;
        QTest::newRow("recipients, click") << u"RData"_s << u"recipient_iban_number1"_s << true
                                           << u"UBBS"_s << u"UBBSBGSF"_s << ubb;
        QTest::newRow("payers, Tab") << u"DData"_s << u"depositor_iban_number1"_s << false
                                     << u"CECB"_s << u"CECBBGSF"_s << ccb;
        QTest::newRow("payers, click") << u"DData"_s << u"depositor_iban_number1"_s << true
                                       << u"STSA"_s << u"STSABGSF"_s << u"Банка ДСК"_s;
    }

    void fillsTheBank()
    {
        QFETCH(QString, window);
        QFETCH(QString, ibanField);
        QFETCH(bool, byClick);
        QFETCH(QString, code);
        QFETCH(QString, bic);
        QFETCH(QString, name);
        Program p;
        shipBankList();
        FieldWindow *w = ::window(window);
        const BankFields fields = bankFieldsOf(ibanField);
        typeIbanAndLeave(w, ibanField, ibanFor(code), byClick);
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(w->fieldText(fields.bicField), bic);
        QCOMPARE(w->fieldText(fields.nameField), name);
        FieldWindow *other = otherWindow(window, ibanField);
        QCOMPARE(other->fieldText(ibanField), ibanFor(code));
        QCOMPARE(other->fieldText(fields.bicField), bic);
        QCOMPARE(other->fieldText(fields.nameField), name);
    }

    // The office's own list adds a bank; its bad line is told once at start, by file
    // and line, and the rest of the list still fills.
    void officeListAtStart()
    {
        QTemporaryDir user;
        const QString office = user.path() + u"/banks.csv"_s;
        QFile f(office);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("group,name,bic\nG,\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xb0,NEWBBGSF\n"
                "G,Bad,BADBBGSF \n");
        f.close();
        Program p(Program::Start{{}, user.path(), {}, {}, {}});
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY2(p.dialogs.messages.first().text.contains(office + u":3: "_s),
                 qPrintable(p.dialogs.messages.first().text));
        shipBankList();
        typeIbanAndLeave(docWindow(), u"recipient_iban_number1"_s, ibanFor(u"NEWB"_s), false);
        QCOMPARE(docWindow()->fieldText(u"rec_bic1"), u"NEWBBGSF"_s);
        QCOMPARE(docWindow()->fieldText(u"rebank"), u"Нова"_s);
        typeIbanAndLeave(docWindow(), u"depositor_iban_number1"_s, ibanFor(u"UBBS"_s), false);
        QCOMPARE(docWindow()->fieldText(u"dep_bic1"), u"UBBSBGSF"_s);
        QCOMPARE(p.dialogs.messages.size(), 1);
    }

    // Every bank of the shipped list, through the document window.
    void everyBankOfTheList()
    {
        Program p;
        shipBankList();
        const std::optional<BankList> list = BankList::read(kShipped);
        QVERIFY(list && !list->banks().isEmpty());
        for (const Bank &bank : list->banks()) {
            typeInto(docWindow()->control(u"rec_bic1"), QString());
            typeInto(docWindow()->control(u"rebank"), QString());
            typeIbanAndLeave(docWindow(), u"recipient_iban_number1"_s, ibanFor(bank.bic.first(4)),
                             false);
            QCOMPARE(docWindow()->fieldText(u"rec_bic1"), bank.bic);
            QCOMPARE(docWindow()->fieldText(u"rebank"), bank.name);
        }
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // What the user typed stays, and an IBAN that names no listed bank fills nothing.
    void fillsNothing_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("ibanField");
        QTest::addColumn<QString>("iban");
        QTest::addColumn<QString>("typedBic");
        QTest::addColumn<QString>("typedName");
        QTest::addColumn<QString>("bic");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("messages");
        const QString ubb = ibanFor(u"UBBS"_s);
        const QString invalid = u"Невалиден IBAN, моля проверете го!"_s;
        for (const char *w : {"MainView", "RData", "DData"}) {
            const QString name = QString::fromLatin1(w);
            const QString field =
                name == u"DData" ? u"depositor_iban_number1"_s : u"recipient_iban_number1"_s;
            const auto row = [&](const char *what) -> QTestData & {
                return QTest::addRow("%s, %s", w, what) << name << field;
            };
            row("unknown bank code") << ibanFor(u"ABCD"_s) << QString() << QString() << QString()
                                     << QString() << QStringList();
            row("BIC typed") << ubb << u"STSABGSF"_s << QString() << u"STSABGSF"_s << QString()
                             << QStringList();
            row("BIC and name typed")
                << ubb << u"STSABGSF"_s << u"ДСК"_s << u"STSABGSF"_s << u"ДСК"_s << QStringList();
            // The name typed stays; the BIC is filled.
            row("name typed") << ubb << QString() << u"Моята банка"_s << u"UBBSBGSF"_s
                              << u"Моята банка"_s << QStringList();
            row("German IBAN") << u"DE89370400440532013000"_s << QString() << QString() << QString()
                               << QString() << QStringList();
            row("British IBAN") << u"GB82WEST12345698765432"_s << QString() << QString()
                                << QString() << QString() << QStringList();
            row("check digits wrong") << u"BG81BNBG96611020345678"_s << QString() << QString()
                                      << QString() << QString() << QStringList{invalid};
            // Every window takes an IBAN as it is printed and makes it compact capitals.
            row("small letters in groups")
                << u"bg80 bnbg-9661 1020 3456 78"_s << QString() << QString() << u"BNBGBGSD"_s
                << u"Българска народна банка"_s << QStringList();
        }
    }

    void fillsNothing()
    {
        QFETCH(QString, window);
        QFETCH(QString, ibanField);
        QFETCH(QString, iban);
        QFETCH(QString, typedBic);
        QFETCH(QString, typedName);
        QFETCH(QString, bic);
        QFETCH(QString, name);
        QFETCH(QStringList, messages);
        Program p;
        shipBankList();
        FieldWindow *w = ::window(window);
        const BankFields fields = bankFieldsOf(ibanField);
        if (!typedBic.isEmpty())
            typeInto(w->control(fields.bicField), typedBic);
        if (!typedName.isEmpty())
            typeInto(w->control(fields.nameField), typedName);
        typeIbanAndLeave(w, ibanField, iban, false);
        // What is wrong shows at the field, in no box that would take the next keys.
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(w->control(ibanField)->toolTip(), messages.value(0));
        QCOMPARE(w->fieldText(fields.bicField), bic);
        QCOMPARE(w->fieldText(fields.nameField), name);
        FieldWindow *other = otherWindow(window, ibanField);
        QCOMPARE(other->fieldText(fields.bicField), bic);
        QCOMPARE(other->fieldText(fields.nameField), name);
    }

    // The BIC and bank the program filled follow an IBAN of another bank; what the user
    // typed stays, and a BIC that contradicts the IBAN is marked.
    void followsTheIban_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("typedBic");
        QTest::addColumn<QString>("typedName");
        QTest::addColumn<QString>("bic");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<QString>("via"); // the bank code of an IBAN typed in between
        const QString dsk = u"Банка ДСК"_s;
        const QString ubb = u"Обединена българска банка"_s;
        for (const char *w : {"MainView", "DData"}) {
            const QString window = QString::fromLatin1(w);
            QTest::addRow("%s, filled ones follow", w)
                << window << QString() << QString() << u"STSABGSF"_s << dsk << false << QString();
            // Past an IBAN of a bank the list does not know, which changes nothing.
            QTest::addRow("%s, filled ones follow past an unknown bank", w)
                << window << QString() << QString() << u"STSABGSF"_s << dsk << false << u"ZZZZ"_s;
            // Typed over the bank the first IBAN brought.
            QTest::addRow("%s, typed BIC stays", w) << window << u"BNBGBGSD"_s << QString()
                                                    << u"BNBGBGSD"_s << ubb << true << QString();
            QTest::addRow("%s, typed name stays", w)
                << window << QString() << u"Моята банка"_s << u"STSABGSF"_s << u"Моята банка"_s
                << false << QString();
        }
    }

    void followsTheIban()
    {
        QFETCH(QString, typedBic);
        QFETCH(QString, typedName);
        QFETCH(QString, bic);
        QFETCH(QString, name);
        QFETCH(QString, window);
        QFETCH(bool, marked);
        QFETCH(QString, via);
        Program p;
        shipBankList();
        FieldWindow *w = ::window(window);
        QWidget *bicField = w->control(u"dep_bic1");
        typeIbanAndLeave(w, u"depositor_iban_number1"_s, ibanFor(u"UBBS"_s), false);
        QCOMPARE(w->fieldText(u"dep_bic1"), u"UBBSBGSF"_s);
        QCOMPARE(bicField->toolTip(), QString());
        if (!typedBic.isEmpty())
            typeInto(bicField, typedBic);
        if (!typedName.isEmpty())
            typeInto(w->control(u"bank_name"), typedName);
        if (!via.isEmpty()) {
            typeIbanAndLeave(w, u"depositor_iban_number1"_s, ibanFor(via), false);
            QCOMPARE(w->fieldText(u"dep_bic1"), u"UBBSBGSF"_s);
        }
        typeIbanAndLeave(w, u"depositor_iban_number1"_s, ibanFor(u"STSA"_s), false);
        QCOMPARE(w->fieldText(u"dep_bic1"), bic);
        QCOMPARE(w->fieldText(u"bank_name"), name);
        QCOMPARE(otherWindow(window, u"depositor_iban_number1"_s)->fieldText(u"dep_bic1"), bic);
        QCOMPARE(bicField->toolTip(),
                 marked ? u"BIC не отговаря на банката от IBAN (код STSA)"_s : QString());
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // A party loaded into a book, then changed into a new one: its bank follows the new
    // IBAN, and a BIC typed against the IBAN is stored only when the clerk says so.
    void aNewPartyKeepsTheBankOfItsIban_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("typedBic");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("storedBic"); // empty: nothing stored
        for (const char *w : {"RData", "DData"}) {
            const QString window = QString::fromLatin1(w);
            QTest::addRow("%s, the bank follows", w)
                << window << QString() << QMessageBox::No << u"UBBSBGSF"_s;
            QTest::addRow("%s, BIC typed against the IBAN, kept", w)
                << window << u"STSABGSF"_s << QMessageBox::Yes << u"STSABGSF"_s;
            QTest::addRow("%s, BIC typed against the IBAN, not stored", w)
                << window << u"STSABGSF"_s << QMessageBox::No << QString();
        }
    }

    void aNewPartyKeepsTheBankOfItsIban()
    {
        QFETCH(QString, window);
        QFETCH(QString, typedBic);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, storedBic);
        Program p;
        shipBankList();
        auto *book = static_cast<AddressBook *>(::window(window));
        const QString ibanField =
            window == u"RData" ? u"recipient_iban_number1"_s : u"depositor_iban_number1"_s;
        const BankFields fields = bankFieldsOf(ibanField);
        QWidget *name = book->control(book->description().nameField);
        QPushButton *add = book->findChild<QPushButton *>(u"Button1"_s);
        typeInto(name, u"Първа"_s);
        typeIbanAndLeave(book, ibanField, ibanFor(u"BNBG"_s), false);
        QTest::mouseClick(add, Qt::LeftButton);
        QTableView *grid = book->grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(0, 0)).center());
        QCOMPARE(book->fieldText(fields.bicField), u"BNBGBGSD"_s);

        typeInto(name, u"Втора"_s);
        typeIbanAndLeave(book, ibanField, ibanFor(u"UBBS"_s), false);
        QCOMPARE(book->fieldText(fields.bicField), u"UBBSBGSF"_s);
        QCOMPARE(book->fieldText(fields.nameField), u"Обединена българска банка"_s);
        if (!typedBic.isEmpty())
            typeInto(book->control(fields.bicField), typedBic);
        p.dialogs.answers = {answer};
        QTest::mouseClick(add, Qt::LeftButton);
        if (typedBic.isEmpty()) {
            QVERIFY(p.dialogs.messages.isEmpty());
        } else {
            const QString label = window == u"RData" ? u"BIC на банката на получателя"_s
                                                     : u"BIC на банката на наредителя"_s;
            QCOMPARE(
                p.dialogs.texts(),
                QStringList{u"Записът съдържа грешки:\n• %1: BIC не отговаря на банката от "
                            u"IBAN (код UBBS)\n\nДа бъде ли добавен въпреки това?"_s.arg(label)});
        }
        QCOMPARE(book->list().count(), storedBic.isEmpty() ? 1 : 2);
        if (!storedBic.isEmpty()) {
            QVERIFY(book->loadRow(1));
            QCOMPARE(book->fieldText(ibanField), ibanFor(u"UBBS"_s));
            QCOMPARE(book->fieldText(fields.bicField), storedBic);
        }
    }

    // Without a readable bank list nothing is filled, and nothing is said.
    void noBankList_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a bank list") << QByteArray("name;bic\nУББ;UBBSBGSF\n");
        QTest::newRow("a BIC that is not Bulgarian")
            << QByteArray("group,name,bic\nБанки,UBB,UBBSDESF\n");
    }

    void noBankList()
    {
        QFETCH(QByteArray, file);
        Program p;
        if (!file.isEmpty()) {
            const QString help = p.dataDir() + u"/help"_s;
            QVERIFY(QDir().mkpath(help));
            QFile f(help + u"/banks.csv"_s);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        for (int i = 0; i < 2; ++i) {
            typeIbanAndLeave(docWindow(), u"recipient_iban_number1"_s, ibanFor(u"UBBS"_s), false);
            QCOMPARE(docWindow()->fieldText(u"rec_bic1"), QString());
            QCOMPARE(docWindow()->fieldText(u"rebank"), QString());
        }
        QVERIFY(p.dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TestBankFromIban)
#include "tst_bankfromiban.moc"
