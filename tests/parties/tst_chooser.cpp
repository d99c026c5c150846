#include "testsupport.h"

#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "parties/addressbook.h"
#include "parties/bankchooser.h"

#include <QDir>
#include <QFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

const QByteArray kList = "group,name,bic\n"
                         "G,\xd0\x91\xd0\x9d\xd0\x91,BNBGBGSD\n"
                         "G,\xd0\x94\xd0\xa1\xd0\x9a,STSABGSF\n";

void writeList(const Program &p, const QByteArray &csv)
{
    QVERIFY(QDir(p.dataDir()).mkpath(u"help"_s));
    QFile f(p.dataDir() + u"/help/banks.csv"_s);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(csv);
}

QLineEdit *edit(FieldWindow *w, QStringView name)
{
    return static_cast<QLineEdit *>(w->control(name));
}

void press(QWidget *w, Qt::MouseButton button)
{
    QTest::mousePress(w, button, {}, QPoint(5, w->height() / 2));
    QTest::mouseRelease(w, button, {}, QPoint(5, w->height() / 2));
}

// Where the chooser's list shows the third character of `text`.
QPoint pointInside(const QString &text)
{
    QTextEdit *view = bankChooser()->viewer();
    const int at = view->document()->toPlainText().indexOf(text);
    if (at < 0)
        return {};
    QTextCursor c(view->document());
    c.setPosition(at + 2);
    return view->cursorRect(c).center();
}

// Double-clicks the word that holds `text` in the chooser's list.
void doubleClickOn(const QString &text)
{
    QTextEdit *view = bankChooser()->viewer();
    const QPoint point = pointInside(text);
    QVERIFY(!point.isNull());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, point);
}

} // namespace

class TestChooser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hiddenAtStart()
    {
        Program p;
        // Made when first asked for, not at start.
        QVERIFY(!p.find<QWidget>(u"choice"_s));
        QVERIFY(!bankChooser()->isVisible());
        QVERIFY(bankChooser()->isWindow());
        QCOMPARE(p.find<QWidget>(u"choice"_s), bankChooser());
        // Nothing opened it yet: a code taken now goes nowhere.
        bankChooser()->takeChosenCode(u"BNBGBGSD"_s);
        for (const QString &field : {u"rec_bic1"_s, u"dep_bic1"_s})
            QCOMPARE(docWindow()->fieldText(field), QString());
    }

    // Closing the frame ends the program while the chooser is still open.
    void chooserDoesNotKeepTheProgramRunning()
    {
        Program p;
        writeList(p, kList);
        press(edit(docWindow(), u"rec_bic1"), Qt::RightButton);
        QVERIFY(bankChooser()->isVisible());
        // Qt ends the program on its last window only from inside the event loop.
        QTimer limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, qApp, &QCoreApplication::quit);
        limit.start(5000);
        QTimer::singleShot(0, p.frame(), [&p] { p.frame()->close(); });
        QApplication::exec();
        QVERIFY(limit.isActive()); // ended by the frame's closing, not by the limit
    }

    void rightPressOpensFromEachField_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("twinWindow");
        QTest::newRow("document rec_bic1") << u"MainView"_s << u"rec_bic1"_s << u"RData"_s;
        QTest::newRow("document dep_bic1") << u"MainView"_s << u"dep_bic1"_s << u"DData"_s;
        QTest::newRow("recipients rec_bic1") << u"RData"_s << u"rec_bic1"_s << u"MainView"_s;
        QTest::newRow("payers dep_bic1") << u"DData"_s << u"dep_bic1"_s << u"MainView"_s;
    }

    void rightPressOpensFromEachField()
    {
        QFETCH(QString, window);
        QFETCH(QString, field);
        QFETCH(QString, twinWindow);
        Program p;
        writeList(p, kList);
        auto *w = p.find<FieldWindow>(window);
        auto *twin = p.find<FieldWindow>(twinWindow);
        QLineEdit *target = edit(w, field);
        QCOMPARE(target->contextMenuPolicy(), Qt::PreventContextMenu);
        press(target, Qt::LeftButton);
        press(target, Qt::MiddleButton);
        QVERIFY(!bankChooser()->isVisible());
        press(target, Qt::RightButton);
        QVERIFY(bankChooser()->isVisible());
        QCOMPARE(bankChooser()->windowTitle(),
                 u"Избор на банков код - кликнете два пъти върху избрания от вас код"_s);
        QVERIFY(bankChooser()->viewer()->toPlainText().contains(u"STSABGSF"_s));
        // Both scroll bars stand, even where a short list in a wide window needs neither.
        bankChooser()->resize(3000, 2000);
        QVERIFY(bankChooser()->viewer()->horizontalScrollBar()->isVisible());
        QVERIFY(bankChooser()->viewer()->verticalScrollBar()->isVisible());

        doubleClickOn(u"STSABGSF"_s);
        QVERIFY(!bankChooser()->isVisible());
        QCOMPARE(target->text(), u"STSABGSF"_s);
        QCOMPARE(fieldText(twin->control(field)), u"STSABGSF"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // F4 and Alt+Down open the chooser from a BIC field of the document or a book, ready
    // for the keys: Down and Up go from code to code, Enter takes one, Esc closes taking
    // none.
    void keysOpenAndChoose_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<QString>("code");
        const int none = Qt::NoModifier;
        QTest::newRow("F4, first code") << u"MainView"_s << u"rec_bic1"_s << int(Qt::Key_F4) << none
                                        << QList<int>{} << u"BNBGBGSD"_s;
        QTest::newRow("Alt+Down, next code")
            << u"MainView"_s << u"dep_bic1"_s << int(Qt::Key_Down) << int(Qt::AltModifier)
            << QList<int>{Qt::Key_Down} << u"STSABGSF"_s;
        QTest::newRow("past the last and back up")
            << u"MainView"_s << u"rec_bic1"_s << int(Qt::Key_F4) << none
            << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up} << u"BNBGBGSD"_s;
        QTest::newRow("Esc") << u"MainView"_s << u"dep_bic1"_s << int(Qt::Key_F4) << none
                             << QList<int>{Qt::Key_Down, Qt::Key_Escape} << QString();
        QTest::newRow("recipients, F4") << u"RData"_s << u"rec_bic1"_s << int(Qt::Key_F4) << none
                                        << QList<int>{Qt::Key_Down} << u"STSABGSF"_s;
        QTest::newRow("payers, Alt+Down") << u"DData"_s << u"dep_bic1"_s << int(Qt::Key_Down)
                                          << int(Qt::AltModifier) << QList<int>{} << u"BNBGBGSD"_s;
        QTest::newRow("the keypad's arrow and Enter")
            << u"MainView"_s << u"rec_bic1"_s << int(Qt::Key_F4) << none
            << QList<int>{(Qt::KeypadModifier | Qt::Key_Down).toCombined(),
                          (Qt::KeypadModifier | Qt::Key_Enter).toCombined()}
            << u"STSABGSF"_s;
    }

    void keysOpenAndChoose()
    {
        QFETCH(QString, window);
        QFETCH(QString, field);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QList<int>, moves);
        QFETCH(QString, code);
        Program p;
        writeList(p, kList);
        FieldWindow *w = window == u"RData"   ? static_cast<FieldWindow *>(recipientsBook())
                         : window == u"DData" ? static_cast<FieldWindow *>(payersBook())
                                              : static_cast<FieldWindow *>(docWindow());
        QLineEdit *target = edit(w, field);
        // The document scrolls, so that a key passed on to it would show.
        auto *area = w->findChild<QScrollArea *>();
        if (area)
            w->window()->resize(w->window()->width(), 300);
        clickInto(target);
        QTest::keyClick(target, Qt::Key_Down); // Down alone opens nothing
        QVERIFY(!bankChooser()->isVisible());
        QCoreApplication::processEvents();
        if (area) {
            QVERIFY(area->verticalScrollBar()->maximum() > 0);
            area->verticalScrollBar()->setValue(0);
        }
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(bankChooser()->isVisible());
        if (area) // the key opened the chooser and did nothing else
            QCOMPARE(area->verticalScrollBar()->value(), 0);
        QTextEdit *view = bankChooser()->viewer();
        QCOMPARE(bankChooser()->focusWidget(), view);
        for (int move : moves) {
            const QKeyCombination k = QKeyCombination::fromCombined(move);
            QTest::keyClick(view, k.key(), k.keyboardModifiers());
        }
        const Qt::Key last =
            moves.isEmpty() ? Qt::Key_unknown : QKeyCombination::fromCombined(moves.last()).key();
        if (last != Qt::Key_Escape && last != Qt::Key_Enter)
            QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(!bankChooser()->isVisible());
        QCOMPARE(target->text(), code);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // Only a left double-click, Enter or Esc end the choice; a click puts the cursor in a
    // code, which Enter then takes.
    void clickThenEnter()
    {
        Program p;
        writeList(p, kList);
        QLineEdit *target = edit(docWindow(), u"rec_bic1");
        press(target, Qt::RightButton);
        QTextEdit *view = bankChooser()->viewer();
        QTest::mouseDClick(view->viewport(), Qt::RightButton, {}, pointInside(u"STSABGSF"_s));
        QTest::keyClick(view, Qt::Key_X);
        QTest::keyClick(view, Qt::Key_F5);
        QVERIFY(bankChooser()->isVisible());
        QCOMPARE(target->text(), QString());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pointInside(u"STSABGSF"_s));
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(!bankChooser()->isVisible());
        QCOMPARE(target->text(), u"STSABGSF"_s);
    }

    void retargetingWhileOpen()
    {
        Program p;
        writeList(p, kList);
        QLineEdit *first = edit(docWindow(), u"rec_bic1");
        QLineEdit *second = edit(docWindow(), u"dep_bic1");
        press(first, Qt::RightButton);
        // The list is loaded once per showing; a second opener only retargets.
        bankChooser()->viewer()->setPlainText(u"typed BNBGBGSD"_s);
        press(second, Qt::RightButton);
        QCOMPARE(bankChooser()->viewer()->toPlainText(), u"typed BNBGBGSD"_s);
        doubleClickOn(u"BNBGBGSD"_s);
        QCOMPARE(second->text(), u"BNBGBGSD"_s);
        QCOMPARE(first->text(), QString());
        QCOMPARE(fieldText(payersBook()->control(u"dep_bic1")), u"BNBGBGSD"_s);
        QCOMPARE(fieldText(recipientsBook()->control(u"rec_bic1")), QString());
        // Shown again: loaded again from the file.
        press(first, Qt::RightButton);
        QVERIFY(bankChooser()->viewer()->toPlainText().contains(u"STSABGSF"_s));
    }

    void codeLongerThanTheFieldIsTakenWhole()
    {
        Program p;
        writeList(p, "group,name,bic\nG,Branch,UNCRBGSFXYZ\n");
        QLineEdit *target = edit(docWindow(), u"rec_bic1"); // limit 8
        press(target, Qt::RightButton);
        doubleClickOn(u"UNCRBGSFXYZ"_s);
        QCOMPARE(target->text(), u"UNCRBGSFXYZ"_s);
    }

    void missingListAtFirstOpening()
    {
        Program p;
        QLineEdit *target = edit(recipientsBook(), u"rec_bic1");
        target->setText(u"OLDCODE1"_s);
        press(target, Qt::RightButton);
        QVERIFY(bankChooser()->isVisible());
        QVERIFY(bankChooser()->viewer()->toPlainText().isEmpty());
        QVERIFY(p.dialogs.messages.isEmpty());
        QTest::mouseDClick(bankChooser()->viewer()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!bankChooser()->isVisible());
        QCOMPARE(target->text(), QString());
        QCOMPARE(fieldText(docWindow()->control(u"rec_bic1")), QString());
    }

    void closingOnlyHides()
    {
        Program p;
        press(edit(docWindow(), u"rec_bic1"), Qt::RightButton);
        bankChooser()->close();
        QVERIFY(!bankChooser()->isVisible());
        press(edit(docWindow(), u"dep_bic1"), Qt::RightButton);
        QVERIFY(bankChooser()->isVisible());
    }

    void shippedListReads()
    {
        // The list that installs with the program: a heading, and codes one per row.
        QFile f(QStringLiteral(FORMELAN_SOURCE_DIR "/data/help/banks.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        Program p;
        writeList(p, f.readAll());
        press(edit(docWindow(), u"rec_bic1"), Qt::RightButton);
        const QString text = bankChooser()->viewer()->toPlainText();
        QVERIFY(text.startsWith(u"Банкови идентификационни кодове (BIC)"_s));
        QVERIFY(text.contains(u"Българска народна банка"_s));
        QVERIFY(text.contains(u"UNCRBGSF"_s));
        // The list reaches the window's edges, scroll bars included.
        QCOMPARE(bankChooser()->viewer()->geometry(), bankChooser()->rect());
        QCOMPARE(bankChooser()->size(), QSize(655, 586));
        doubleClickOn(u"UNCRBGSF"_s);
        QCOMPARE(edit(docWindow(), u"rec_bic1")->text(), u"UNCRBGSF"_s);
    }
};

QTEST_MAIN(TestChooser)
#include "tst_chooser.moc"
