#include "testsupport.h"

#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "form/formcontent.h"
#include "parties/addressbook.h"
#include "parties/partylist.h"
#include "testbooks.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMdiArea>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

QWidget *field(FieldWindow *w, QStringView name)
{
    return w->control(name);
}

QString text(FieldWindow *w, QStringView name)
{
    return fieldText(w->control(name));
}

void set(FieldWindow *w, QStringView name, const QString &value)
{
    setFieldText(w->control(name), value);
}

QPushButton *button(QWidget *w, const QString &name)
{
    return w->findChild<QPushButton *>(name);
}

// Runs SQL on the file through a connection of its own, as another program would.
void sql(const QString &path, const QStringList &statements)
{
    const QString name = u"test-other"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString &s : statements) {
            QSqlQuery q(db);
            QVERIFY2(q.exec(s), qPrintable(s));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

int rowsIn(const QString &path, const QString &table)
{
    const QString name = u"test-count"_s;
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(u"SELECT count(*) FROM "_s + table, db);
            if (q.next())
                n = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return n;
}

// The book's own name list, opened as the user opens it.
QStringList bookNames(AddressBook *w)
{
    w->namePick()->showPopup();
    w->namePick()->hidePopup();
    return w->namePick()->items();
}

// Column `column` of every row the grid shows.
QStringList gridColumn(AddressBook *w, int column = 0)
{
    QStringList out;
    const QAbstractItemModel *m = w->grid()->model();
    for (int r = 0; r < m->rowCount(); ++r)
        out.append(m->index(r, column).data().toString());
    return out;
}

void clickRow(AddressBook *w, int row)
{
    QTableView *grid = w->grid();
    const QRect r = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
}

// Opens a party name list of the document as the user does, and closes it again.
void openList(const QString &name)
{
    auto *list = static_cast<PickList *>(docWindow()->control(name));
    list->showPopup();
    list->hidePopup();
}

// Opens the list and clicks its item `index`.
void chooseFromList(const QString &name, int index)
{
    auto *list = static_cast<PickList *>(docWindow()->control(name));
    list->showPopup();
    QAbstractItemView *view = list->view();
    QTRY_VERIFY(view->isVisible());
    const QRect r = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

void addRecipient(const QString &name, const QString &iban = QString())
{
    set(recipientsBook(), u"Recipient_name", name);
    set(recipientsBook(), u"recipient_iban_number1", iban);
    button(recipientsBook(), u"Button1"_s)->click();
}

// A file with both tables as earlier versions made them (text columns, no key of their
// own), filled before the program starts; the program upgrades it when it opens it.
QString seededFile(const QTemporaryDir &dir, const QStringList &statements)
{
    const QString path = dir.path() + u"/seeded.mdb"_s;
    QStringList all;
    for (PartyTable table : kPartyTables) {
        QStringList columns;
        for (const QString &c : partyColumns(table))
            columns.append(u'"' + c + u"\" TEXT NOT NULL DEFAULT ''"_s);
        all.append(u"CREATE TABLE "_s + partyTableName(table) + u" ("_s + columns.join(u", "_s) +
                   u')');
    }
    sql(path, all + statements);
    return path;
}

// A fresh book of the backend and the program started on it; the test skips, saying
// why, when books of that kind cannot be made here.
#define START_ON(backend)                                                                          \
    if (const QString why = TestBook::unavailable(backend); !why.isEmpty())                        \
        QSKIP(qPrintable(why));                                                                    \
    auto book = TestBook::make(backend);                                                           \
    QVERIFY(book);                                                                                 \
    Program p(startOn(*book))

Program::Start startOn(const TestBook &book)
{
    Program::Start start;
    if (book.backend() == Backend::Sqlite) {
        start.database = book.path();
    } else {
        BookPlaceSettings place;
        place.place = BookPlace::Server;
        place.server = book.settings();
        start.bookPlace = place;
    }
    return start;
}

int rowsIn(TestBook &book, const QString &table)
{
    return book.one(u"SELECT count(*) FROM "_s + table).toInt();
}

void addBackends()
{
    addBackendColumn();
    for (Backend b : {Backend::Sqlite, Backend::Postgres})
        QTest::newRow(rowName(b).constData()) << b;
}

} // namespace

class TestAddressBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsEmpty_data() { addBackends(); }
    void startsEmpty()
    {
        QFETCH(Backend, backend);
        START_ON(backend);
        QVERIFY(p.frame());
        // The book's tables are made at the first start, on the server as in the file.
        QCOMPARE(book->one(u"SELECT count(*) FROM recipient"_s), u"0"_s);
        QCOMPARE(book->one(u"SELECT count(*) FROM depositor"_s), u"0"_s);
        for (AddressBook *w : {static_cast<AddressBook *>(recipientsBook()),
                               static_cast<AddressBook *>(payersBook())}) {
            QCOMPARE(w->grid()->model()->rowCount(), 0);
            QCOMPARE(w->currentPosition(), -1);
            QVERIFY(button(w, u"Button1"_s)->isEnabled());
            QVERIFY(!button(w, u"Button2"_s)->isEnabled());
            QCOMPARE(button(w, u"Button1"_s)->text(), u"Добавяне"_s);
            QCOMPARE(button(w, u"Button2"_s)->text(), u"Изтриване"_s);
        }
        QCOMPARE(payersBook()->grid()->model()->columnCount(), 13);
        QCOMPARE(payersBook()->grid()->model()->headerData(9, Qt::Horizontal).toString(),
                 u"IBAN"_s);
        QCOMPARE(payersBook()->grid()->model()->headerData(8, Qt::Horizontal).toString(), u"БИК"_s);
        QCOMPARE(recipientsBook()->grid()->model()->columnCount(), 9);
        QCOMPARE(recipientsBook()->windowTitle(), u"Данни за получатели /упълномощени лица/"_s);
        QCOMPARE(payersBook()->windowTitle(), u"Данни за наредители /задължени лица/"_s);
    }

    void addWithEmptyFieldsAndTwice_data() { addBackends(); }
    void addWithEmptyFieldsAndTwice()
    {
        QFETCH(Backend, backend);
        START_ON(backend);
        for (QWidget *f : recipientsBook()->fields())
            setFieldText(f, QString());
        setFieldChecked(field(recipientsBook(), u"rebg"), false);
        button(recipientsBook(), u"Button1"_s)->click();
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 1);
        QCOMPARE(gridColumn(recipientsBook(), 3), QStringList{u"не"_s});
        QCOMPARE(bookNames(recipientsBook()), QStringList{QString()});
        QVERIFY(button(recipientsBook(), u"Button2"_s)->isEnabled());

        setFieldChecked(field(recipientsBook(), u"rebg"), true);
        addRecipient(u"Иван"_s, u"BG80BNBG96611020345678"_s);
        addRecipient(u"Иван"_s, u"BG80BNBG96611020345678"_s);
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 3);
        QCOMPARE(recipientsBook()->namePick()->items(),
                 (QStringList{QString(), u"Иван"_s, u"Иван"_s}));
        QCOMPARE(rowsIn(*book, u"recipient"_s), 3);
        QCOMPARE(recipientsBook()->currentPosition(), 2); // the new row, at the end
        QCOMPARE(recipientsBook()->grid()->currentIndex().row(), 2);
        QCOMPARE(gridColumn(recipientsBook(), 3).at(2), u"да"_s);

        // Each item loads its own row.
        for (int i : {1, 2, 0}) {
            recipientsBook()->chooseParty(i);
            QCOMPARE(recipientsBook()->currentPosition(), i);
            QCOMPARE(recipientsBook()->grid()->currentIndex().row(), i);
        }
        QCOMPARE(text(recipientsBook(), u"recipient_iban_number1"), QString());
        QVERIFY(!fieldChecked(field(recipientsBook(), u"rebg")));
    }

    void deleting_data() { addBackends(); }
    // Delete takes the party the fields show, named in the question, and nothing else:
    // none at start, none right after a delete.
    void deleting()
    {
        QFETCH(Backend, backend);
        START_ON(backend);
        addRecipient(u"A"_s);
        addRecipient(u"B"_s, u"BG80BNBG96611020345678"_s);
        // Cancel changes nothing.
        p.dialogs.answers << QMessageBox::Cancel;
        button(recipientsBook(), u"Button2"_s)->click();
        QCOMPARE(p.dialogs.messages.size(), 1);
        const auto m = p.dialogs.messages.takeFirst();
        QCOMPARE(m.title, u"Внимание!"_s);
        QCOMPARE(m.text, u"Желаете ли избрания запис да бъде изтрит?\n\n„B, IBAN "
                         "BG80BNBG96611020345678“"_s);
        QCOMPARE(m.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 2);

        // Confirmed, the new row goes; the fields keep it, and no other row is taken.
        button(recipientsBook(), u"Button2"_s)->click();
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"A"_s});
        QCOMPARE(recipientsBook()->currentPosition(), -1);
        QVERIFY(!recipientsBook()->grid()->currentIndex().isValid());
        QVERIFY(!button(recipientsBook(), u"Button2"_s)->isEnabled());
        QCOMPARE(text(recipientsBook(), u"Recipient_name"), u"B"_s);
        p.dialogs.messages.clear();

        // "B" is in no row now: a click on "A" asks before it replaces it in the document.
        p.dialogs.answers << QMessageBox::No;
        clickRow(recipientsBook(), 0);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY2(p.dialogs.messages.first().text.contains(u"(„B“)"_s) &&
                     p.dialogs.messages.first().text.contains(u"„A“"_s),
                 qPrintable(p.dialogs.messages.first().text));
        QCOMPARE(text(recipientsBook(), u"Recipient_name"), u"B"_s);
        QVERIFY(!button(recipientsBook(), u"Button2"_s)->isEnabled());
        p.dialogs.messages.clear();
        p.dialogs.answers << QMessageBox::Yes;
        clickRow(recipientsBook(), 0);
        QCOMPARE(fieldText(docWindow()->control(u"Recipient_name")), u"A"_s);
        QCOMPARE(fieldText(docWindow()->control(u"recipient_iban_number1")), QString());
        // Shown from the book, it is replaced by another row without a question.
        addRecipient(u"C"_s);
        clickRow(recipientsBook(), 0);
        QCOMPARE(p.dialogs.messages.size(), 1); // the one question above
        p.dialogs.messages.clear();
        button(recipientsBook(), u"Button2"_s)->click();
        QVERIFY(p.dialogs.messages.first().text.endsWith(u"„A“"_s));
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"C"_s});
        QCOMPARE(rowsIn(*book, u"recipient"_s), 1);
    }

    // At start the fields show no party: nothing is deletable until one is chosen, with
    // the keys in the grid as with the mouse.
    void nothingDeletableAtStart()
    {
        QTemporaryDir dir;
        const QString path = seededFile(
            dir,
            {u"INSERT INTO depositor VALUES ('Първи','','','','','да','','','','','','','')"_s,
             u"INSERT INTO depositor VALUES ('Втори','','','','','да','','','','','','','')"_s});
        Program p(path);
        QCOMPARE(payersBook()->currentPosition(), -1);
        QVERIFY(!button(payersBook(), u"Button2"_s)->isEnabled());
        QTableView *grid = payersBook()->grid();
        clickRow(payersBook(), 0);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(text(payersBook(), u"depositor_name"), u"Втори"_s);
        QCOMPARE(fieldText(docWindow()->control(u"depositor_name")), u"Втори"_s);
        button(payersBook(), u"Button2"_s)->click();
        QCOMPARE(gridColumn(payersBook()), QStringList{u"Първи"_s});
        QCOMPARE(p.dialogs.messages.size(), 1);
    }

    void localPersonRule()
    {
        QTemporaryDir dir;
        const QString path =
            seededFile(dir, {u"INSERT INTO recipient VALUES ('a','','','да','','','','','')"_s,
                             u"INSERT INTO recipient VALUES ('b','','','Да','','','','','')"_s,
                             u"INSERT INTO recipient VALUES ('c','','','не','','','','','')"_s,
                             u"INSERT INTO recipient VALUES ('d','','','','','','','','')"_s,
                             u"INSERT INTO recipient (\"Име на получателя\") VALUES ('e')"_s});
        Program p(path);
        const QList<bool> expected{true, false, false, false, false};
        for (int i = 0; i < expected.size(); ++i) {
            setFieldChecked(field(recipientsBook(), u"rebg"), !expected.at(i));
            recipientsBook()->chooseParty(i);
            QCOMPARE(fieldChecked(field(recipientsBook(), u"rebg")), expected.at(i));
            QCOMPARE(fieldChecked(docWindow()->control(u"rebg")), expected.at(i));
        }
    }

    void gridClickOnEmptyTable_data() { addBackends(); }
    // A click beside the rows, or on the titles, loads nothing over what the fields hold.
    void gridClickOnEmptyTable()
    {
        QFETCH(Backend, backend);
        START_ON(backend);
        set(recipientsBook(), u"rebank"_s, u"Банка"_s);
        QTest::mouseClick(recipientsBook()->grid()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(recipientsBook()->grid()->horizontalHeader()->viewport(), Qt::RightButton,
                          {}, QPoint(5, 5));
        QCOMPARE(text(recipientsBook(), u"rebank"), u"Банка"_s);
        QCOMPARE(fieldText(docWindow()->control(u"rebank")), u"Банка"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void longTextsAndRestart_data() { addBackends(); }
    void longTextsAndRestart()
    {
        QFETCH(Backend, backend);
        if (const QString why = TestBook::unavailable(backend); !why.isEmpty())
            QSKIP(qPrintable(why));
        auto book = TestBook::make(backend);
        QVERIFY(book);
        const QString longName(300, u'Ж');
        {
            Program p(startOn(*book));
            set(payersBook(), u"depositor_name", longName);
            set(payersBook(), u"bounder_name", QString(5000, u'я'));
            set(payersBook(), u"depositor_iban_number1", u"BG80BNBG96611020345678"_s);
            set(payersBook(), u"dep_bic1", u"BNBGBGSD"_s);
            setFieldChecked(field(payersBook(), u"debg"), false);
            button(payersBook(), u"Button1"_s)->click();
        }
        Program again(startOn(*book));
        QCOMPARE(payersBook()->grid()->model()->rowCount(), 1);
        QTest::mouseClick(
            payersBook()->grid()->viewport(), Qt::LeftButton, {},
            payersBook()->grid()->visualRect(payersBook()->grid()->model()->index(0, 0)).center());
        QCOMPARE(text(payersBook(), u"depositor_name"), longName);
        QCOMPARE(text(payersBook(), u"bounder_name"), QString(5000, u'я'));
        QCOMPARE(fieldText(docWindow()->control(u"depositor_name")), longName);
        QCOMPARE(fieldText(docWindow()->control(u"bounder_name")), QString(5000, u'я'));
        QCOMPARE(fieldText(docWindow()->control(u"depositor_iban_number1")),
                 u"BG80BNBG96611020345678"_s);
        QCOMPARE(fieldText(docWindow()->control(u"dep_bic1")), u"BNBGBGSD"_s);
        QVERIFY(!fieldChecked(docWindow()->control(u"debg")));
        QCOMPARE(payersBook()->grid()->model()->index(0, 9).data().toString(),
                 u"BG80BNBG96611020345678"_s);
        QCOMPARE(payersBook()->grid()->model()->index(0, 8).data().toString(), u"BNBGBGSD"_s);
    }

    // The books' fields take what the form's boxes take, the longest identifier typed
    // whole, and no more.
    void fieldsTakeTheirLimit()
    {
        Program p;
        const struct {
            AddressBook *book;
            const char16_t *field;
            int limit;
        } fields[]{{recipientsBook(), u"Recipient_name", 26},
                   {recipientsBook(), u"rebank", 26},
                   {recipientsBook(), u"recipi_lk", 9},
                   {recipientsBook(), u"recipient_country", 30},
                   {recipientsBook(), u"recipient_add", 30},
                   {payersBook(), u"bank_name", 20},
                   {payersBook(), u"branch_name", 20},
                   {payersBook(), u"b_add", 20},
                   {payersBook(), u"depositor_name", 26},
                   {payersBook(), u"depositor_country", 30},
                   {payersBook(), u"depositor_add", 30},
                   {recipientsBook(), u"recipient_iban_number1", 22},
                   {recipientsBook(), u"rec_bic1", 11},
                   {recipientsBook(), u"recipi_egn", 10},
                   {payersBook(), u"depositor_iban_number1", 22},
                   {payersBook(), u"dep_bic1", 8},
                   {payersBook(), u"boun_egn", 10},
                   {payersBook(), u"boun_lk", 10},
                   {payersBook(), u"boun_bulstat", 13}};
        for (const auto &f : fields) {
            QWidget *w = field(f.book, f.field);
            QTest::keyClicks(w, QString(f.limit + 3, u'7'));
            QCOMPARE(fieldText(w), QString(f.limit, u'7'));
        }
    }

    void lookupInTheDocument_data() { addBackends(); }
    void lookupInTheDocument()
    {
        QFETCH(Backend, backend);
        START_ON(backend);
        set(recipientsBook(), u"recipi_lk", u"AA1"_s);
        set(recipientsBook(), u"recipient_add", u"ул. 1"_s);
        addRecipient(u"Алфа"_s, u"BG80BNBG96611020345678"_s);
        set(recipientsBook(), u"recipi_lk", QString());
        set(recipientsBook(), u"recipient_add", QString());
        addRecipient(u"Бета"_s, u"BG16UNCR70001519562303"_s);
        auto *list = static_cast<PickList *>(docWindow()->control(u"Recipient_name"));
        QCOMPARE(list->count(), 0); // before the first opening
        // Typing a stored name loads nothing.
        for (QWidget *f : recipientsBook()->fields())
            setFieldText(f, QString());
        QTest::keyClicks(list, u"Beta"_s);
        QCOMPARE(text(recipientsBook(), u"recipient_iban_number1"), QString());

        openList(u"Recipient_name"_s);
        QCOMPARE(list->items(), (QStringList{u"Алфа"_s, u"Бета"_s}));
        // The open list shows the names alone: no heading, no row numbers, no grid.
        list->showPopup();
        const auto *names = qobject_cast<QTableView *>(list->view());
        QTRY_VERIFY(names && names->isVisible());
        QVERIFY(!names->horizontalHeader()->isVisible());
        QVERIFY(!names->verticalHeader()->isVisible());
        QVERIFY(!names->showGrid());
        list->hidePopup();
        chooseFromList(u"Recipient_name"_s, 0);
        QCOMPARE(fieldText(docWindow()->control(u"recipient_iban_number1")),
                 u"BG80BNBG96611020345678"_s);
        QCOMPARE(fieldText(docWindow()->control(u"recipi_lk")), u"AA1"_s);
        QCOMPARE(recipientsBook()->grid()->currentIndex().row(), 0);

        // recipi_lk and recipient_add do not flow back, so a second choice of the
        // same party keeps the document's own text.
        setFieldText(docWindow()->control(u"recipi_lk"), u"changed"_s);
        setFieldText(docWindow()->control(u"recipient_add"), QString());
        chooseFromList(u"Recipient_name"_s, 0);
        QCOMPARE(fieldText(docWindow()->control(u"recipi_lk")), u"changed"_s);
        QCOMPARE(fieldText(docWindow()->control(u"recipient_add")), QString());
        QCOMPARE(text(recipientsBook(), u"recipi_lk"), u"AA1"_s);

        // Only a choice from the list loads: another stored name typed, then Enter or Tab,
        // keeps the IBAN typed, not the one stored with that name.
        typeInto(docWindow()->control(u"recipient_iban_number1"), u"BG80BNBG96611020345678"_s);
        typeInto(list, u"Бета"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        pressTab();
        QCOMPARE(fieldText(docWindow()->control(u"recipient_iban_number1")),
                 u"BG80BNBG96611020345678"_s);

        // The copy is stale after a delete: the arrow key on the closed list picks its
        // item 1, which now loads the last row.
        recipientsBook()->chooseParty(0);
        button(recipientsBook(), u"Button2"_s)->click();
        QCOMPARE(list->currentIndex(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(fieldText(docWindow()->control(u"recipient_iban_number1")),
                 u"BG16UNCR70001519562303"_s);
        openList(u"Recipient_name"_s);
        QCOMPARE(list->items(), QStringList{u"Бета"_s});
    }

    void payerLookupAndPassOn_data() { addBackends(); }
    void payerLookupAndPassOn()
    {
        QFETCH(Backend, backend);
        START_ON(backend);
        set(payersBook(), u"depositor_name", u"Платец"_s);
        set(payersBook(), u"depositor_add", u"адрес"_s);
        set(payersBook(), u"boun_lk", u"1111111111"_s);
        button(payersBook(), u"Button1"_s)->click();
        QCOMPARE(fieldText(docWindow()->control(u"depositor_add")), u"адрес"_s);
        setFieldText(docWindow()->control(u"depositor_add"), u"друг"_s);
        QCOMPARE(text(payersBook(), u"depositor_add"), u"адрес"_s); // not passed back
        chooseFromList(u"depositor_name"_s, 0);
        QCOMPARE(fieldText(docWindow()->control(u"depositor_add")), u"друг"_s);
        QCOMPARE(fieldText(docWindow()->control(u"boun_lk")), u"1111111111"_s);
        // Typed into the document, passed to the address book: one click stores it.
        setFieldText(docWindow()->control(u"boun_bulstat"), u"111111113"_s);
        QCOMPARE(text(payersBook(), u"boun_bulstat"), u"111111113"_s);
    }

    void refusedInsertChangesNothing()
    {
        QTemporaryDir dir;
        const QString path = seededFile(
            dir, {u"CREATE TRIGGER refuse BEFORE INSERT ON recipient "
                  u"BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly database'); END"_s});
        Program p(path);
        addRecipient(u"Нов"_s);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Critical);
        QVERIFY(p.dialogs.messages.first().text.contains(u"readonly"_s));
        QCOMPARE(recipientsBook()->list().count(), 0);
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 0);
        QVERIFY(bookNames(recipientsBook()).isEmpty());
        QVERIFY(!button(recipientsBook(), u"Button2"_s)->isEnabled());
        QCOMPARE(rowsIn(path, u"recipient"_s), 0);
    }

    void unusableBookStillStarts_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: an old book without "depositor"
        QTest::newRow("text") << QByteArray("this is not a database at all, just some text.....");
        QTest::newRow("zeros") << QByteArray(4096, '\0').replace(0, 16, "SQLite format 3\0");
        QTest::newRow("a table missing") << QByteArray();
    }

    // A book that cannot be used leaves the windows empty with the reason; the documents
    // and the settings work, and each command of the book tries it again.
    void unusableBookStillStarts()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        QString path = dir.path() + u"/base.mdb"_s;
        if (contents.isEmpty()) {
            path = seededFile(dir, {u"DROP TABLE depositor"_s});
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents);
        }
        const QByteArray before = bytesOf(path);
        Program p(path);
        QVERIFY(p.frame());
        QTRY_COMPARE(p.dialogs.messages.size(), 1);
        const QString told = p.dialogs.messages.takeFirst().text;
        QVERIFY2(told.contains(QDir::toNativeSeparators(path)) && told.contains(u"Настройки…"_s),
                 qPrintable(told));
        if (contents.isEmpty())
            QVERIFY(told.contains(u"depositor"_s));
        for (AddressBook *w : {static_cast<AddressBook *>(recipientsBook()),
                               static_cast<AddressBook *>(payersBook())})
            QCOMPARE(w->grid()->model()->rowCount(), 0);
        QVERIFY(p.find<QAction>(u"Settings"_s)->isEnabled());
        addRecipient(u"Иван"_s);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages.first().text.contains(QDir::toNativeSeparators(path)));
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 0);
        QCOMPARE(bytesOf(path), before);

        // Moved aside, the file is made anew at the next add.
        QVERIFY(QFile::rename(path, path + u".old"_s));
        p.dialogs.messages.clear();
        addRecipient(u"Иван"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(gridColumn(recipientsBook()), QStringList{u"Иван"_s});
    }

    // A window lists the rows in the book's order, gaps left by deleted rows closed up,
    // as they were when it opened; a program started later lists the table anew.
    void snapshotInOrder()
    {
        QTemporaryDir dir;
        const QString path =
            seededFile(dir, {u"INSERT INTO recipient (\"Име на получателя\") VALUES ('1')"_s,
                             u"INSERT INTO recipient (\"Име на получателя\") VALUES ('2')"_s,
                             u"INSERT INTO recipient (\"Име на получателя\") VALUES ('3')"_s,
                             u"DELETE FROM recipient WHERE rowid = 2"_s,
                             u"INSERT INTO recipient DEFAULT VALUES"_s});
        const QStringList expected{u"1"_s, u"3"_s, QString()};
        {
            Program p(path);
            QCOMPARE(gridColumn(recipientsBook()), expected);
            QCOMPARE(recipientsBook()->grid()->model()->headerData(0, Qt::Horizontal).toString(),
                     partyColumns(PartyTable::Recipients).at(0));
            chooseFromList(u"Recipient_name"_s, 1);
            QCOMPARE(text(recipientsBook(), u"Recipient_name"), u"3"_s);
            sql(path, {u"INSERT INTO recipient (\"Име на получателя\") VALUES ('4')"_s});
            QCOMPARE(gridColumn(recipientsBook()), expected);
            QCOMPARE(bookNames(recipientsBook()), expected);
            QCOMPARE(payersBook()->grid()->model()->rowCount(), 0);
        }
        Program again(path);
        QCOMPARE(gridColumn(recipientsBook()), expected + QStringList{u"4"_s});
    }

    void sharedWithAnotherProgram_data() { addBackends(); }
    void sharedWithAnotherProgram()
    {
        QFETCH(Backend, backend);
        START_ON(backend);
        addRecipient(u"Наш"_s);
        QVERIFY(book->exec(u"INSERT INTO recipient (\"Име на получателя\", \"Местно лице\") "
                           "VALUES ('Чужд', 'да')"_s));
        // Our snapshot does not see it, and our next row does not lose it.
        QCOMPARE(recipientsBook()->grid()->model()->rowCount(), 1);
        addRecipient(u"Пак наш"_s);
        QCOMPARE(rowsIn(*book, u"recipient"_s), 3);
        QCOMPARE(gridColumn(recipientsBook()), (QStringList{u"Наш"_s, u"Пак наш"_s}));
        QCOMPARE(bookNames(recipientsBook()), (QStringList{u"Наш"_s, u"Пак наш"_s}));
    }

    void validationOnLeaving_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        QTest::newRow("RData IBAN")
            << u"RData"_s << u"recipient_iban_number1"_s << u"Невалиден IBAN, моля проверете го!"_s;
        QTest::newRow("RData ЕГН")
            << u"RData"_s << u"recipi_egn"_s << u"Невалиден ЕГН, моля проверете го!"_s;
        QTest::newRow("DData IBAN")
            << u"DData"_s << u"depositor_iban_number1"_s << u"Невалиден IBAN, моля проверете го!"_s;
        QTest::newRow("DData ЕГН")
            << u"DData"_s << u"boun_egn"_s << u"Невалиден ЕГН, моля проверете го!"_s;
        QTest::newRow("DData ЛНЧ")
            << u"DData"_s << u"boun_lk"_s << u"Невалиден ЛНЧ, моля проверете го!"_s;
        QTest::newRow("DData BIC") << u"DData"_s << u"dep_bic1"_s
                                   << u"Невалиден BIC: 8 или 11 главни латински букви и цифри"_s;
        QTest::newRow("DData БУЛСТАТ")
            << u"DData"_s << u"boun_bulstat"_s << u"Невалиден БУЛСТАТ, моля проверете го!"_s;
    }

    void validationOnLeaving()
    {
        QFETCH(QString, window);
        QFETCH(QString, field);
        QFETCH(QString, message);
        Program p;
        FieldWindow *w = window == u"RData"_s ? static_cast<FieldWindow *>(recipientsBook())
                                              : static_cast<FieldWindow *>(payersBook());
        QApplication::setActiveWindow(mainFrame());
        QWidget *f = w->control(field);
        setFieldText(f, u"12"_s);
        f->setFocus(Qt::TabFocusReason);
        QWidget *other = w->control(window == u"RData"_s ? u"rebank" : u"bank_name");
        other->setFocus(Qt::TabFocusReason);
        // Shown at the field, in no box that would take the next keys.
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(w->fieldWarning(field), message);
        QCOMPARE(fieldText(f), u"12"_s);
        // Emptied, the field is not wrong, only not filled yet.
        f->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(f, Qt::Key_Delete);
        other->setFocus(Qt::TabFocusReason);
        QCOMPARE(w->fieldWarning(field), QString());
    }

    void clearCommand()
    {
        Program p;
        QMdiArea *area = p.frame()->mdiArea();
        set(recipientsBook(), u"recipient_iban_number1", u"BG80BNBG96611020345678"_s);
        setFieldText(docWindow()->control(u"condition"), u"условия"_s);
        auto *execution = static_cast<QDateTimeEdit *>(docWindow()->control(u"dateiz"));
        QTest::keyClick(execution, Qt::Key_Up); // today
        QVERIFY(execution->date() != noDate());
        area->setActiveSubWindow(p.frame()->childOf(docWindow()));
        p.dialogs.answers = {QMessageBox::Yes};
        p.find<QAction>(u"ToolButton10Action"_s)->trigger();
        // The document starts over: each field at its initial value.
        const std::pair<const char *, QString> cleared[] = {
            {"sum", u"0"_s},    {"dr", u"00"_s},        {"vid", u"EUR"_s},
            {"with_words", {}}, {"condition", {}},      {"ium1", u"0"_s},
            {"d1", u"00"_s},    {"Recipient_name", {}}, {"recipient_iban_number1", {}}};
        for (const auto &[name, value] : cleared)
            QCOMPARE(fieldText(docWindow()->control(QString::fromLatin1(name))), value);
        QVERIFY(fieldChecked(docWindow()->control(u"rebg")));
        QVERIFY(fieldChecked(docWindow()->control(u"debg")));
        QCOMPARE(static_cast<QDateTimeEdit *>(docWindow()->control(u"d_date"))->date(), noDate());
        QCOMPARE(execution->date(), noDate()); // an old date would print on the next document
        QCOMPARE(text(recipientsBook(), u"recipient_iban_number1"), QString());

        // Clearing an address book empties the document's like-named edits, not its
        // pick-lists, dates or amounts, and stores nothing.
        addRecipient(u"Име"_s, u"BG80BNBG96611020345678"_s);
        set(recipientsBook(), u"rebank", u"Банка"_s);
        setFieldText(docWindow()->control(u"sum"), u"15"_s);
        setFieldText(docWindow()->control(u"Recipient_name"), u"Име"_s);
        area->setActiveSubWindow(p.frame()->childOf(recipientsBook()));
        p.find<QAction>(u"ToolButton10Action"_s)->trigger();
        QCOMPARE(text(recipientsBook(), u"rebank"), QString());
        QCOMPARE(text(recipientsBook(), u"Recipient_name"), QString());
        QCOMPARE(fieldText(docWindow()->control(u"rebank")), QString());
        QCOMPARE(fieldText(docWindow()->control(u"recipient_iban_number1")), QString());
        QCOMPARE(fieldText(docWindow()->control(u"Recipient_name")), u"Име"_s);
        QCOMPARE(fieldText(docWindow()->control(u"sum")), u"15"_s);
        QCOMPARE(recipientsBook()->list().count(), 1);
    }

    void cutCopyPaste()
    {
        Program p;
        QMdiArea *area = p.frame()->mdiArea();
        area->setActiveSubWindow(p.frame()->childOf(docWindow()));
        QApplication::setActiveWindow(mainFrame());
        auto *reason = static_cast<PickList *>(docWindow()->control(u"reason"));
        auto *kindp = static_cast<FieldEdit *>(docWindow()->control(u"kind_p"));
        QClipboard *clip = QApplication::clipboard();

        setFieldText(kindp, u"123456"_s);
        kindp->setFocus(Qt::TabFocusReason);
        kindp->setSelection(0, 3);
        p.find<QAction>(u"N17"_s)->trigger(); // copy
        QCOMPARE(clip->text(), u"123"_s);
        p.find<QAction>(u"N16"_s)->trigger(); // cut
        QCOMPARE(fieldText(kindp), u"456"_s);
        // Pasted whole beyond the limit of six characters, and the field says so.
        clip->setText(u"ABCDEFGH"_s);
        kindp->end(false);
        p.find<QAction>(u"N18"_s)->trigger();
        QCOMPARE(fieldText(kindp), u"456ABCDEFGH"_s);
        QVERIFY(kindp->toolTip().contains(u"по-дълъг от 6 знака"_s));

        // A pick-list's edit box.
        setFieldText(reason, u"основание"_s);
        reason->setFocus(Qt::TabFocusReason);
        reason->lineEdit()->selectAll();
        p.find<QToolButton>(u"ToolButton7"_s)->click();
        QCOMPARE(fieldText(reason), QString());
        QCOMPARE(clip->text(), u"основание"_s);
        p.find<QToolButton>(u"ToolButton9"_s)->click();
        QCOMPARE(fieldText(reason), u"основание"_s);

        // A memo: nothing happens.
        auto *memo = static_cast<MemoField *>(docWindow()->control(u"condition"));
        p.find<QAction>(u"N4"_s)->trigger();
        setFieldText(memo, u"текст"_s);
        memo->setFocus(Qt::TabFocusReason);
        memo->selectAll();
        clip->setText(u"друго"_s);
        p.find<QAction>(u"N16"_s)->trigger();
        p.find<QAction>(u"N18"_s)->trigger();
        QCOMPARE(fieldText(memo), u"текст"_s);
        QCOMPARE(clip->text(), u"друго"_s);
    }
};

QTEST_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
