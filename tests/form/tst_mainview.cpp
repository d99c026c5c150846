#include "testsupport.h"

#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "parties/addressbook.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

QWidget *doc(const QString &name)
{
    QWidget *w = docWindow()->control(name);
    if (!w)
        qFatal("no document field %s", qPrintable(name));
    return w;
}

void focusField(QWidget *w)
{
    QApplication::setActiveWindow(mainFrame());
    w->setFocus(Qt::TabFocusReason);
}

// Right-clicks the field and chooses "Paste" in the menu it opens.
void pasteFromMenu(QWidget *field)
{
    QTimer::singleShot(0, field, [] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        // "Paste" in the desktop's language, as Qt's line and text editors name it.
        QAction *paste = nullptr;
        for (QAction *a : menu->actions()) {
            for (const char *editor : {"QLineEdit", "QWidgetTextControl"}) {
                if (a->text().startsWith(QCoreApplication::translate(editor, "&Paste")))
                    paste = a;
            }
        }
        QVERIFY(paste && paste->isEnabled());
        paste->trigger();
        menu->close();
    });
    auto *memo = qobject_cast<QPlainTextEdit *>(field);
    QWidget *target = memo ? memo->viewport() : field;
    const QPoint at = target->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

} // namespace

class TestMainView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initialValues()
    {
        Program p;
        const QHash<QString, QString> expected{
            {u"vid"_s, u"EUR"_s}, {u"sum"_s, u"0"_s},  {u"ium1"_s, u"0"_s}, {u"ium2"_s, u"0"_s},
            {u"ium3"_s, u"0"_s},  {u"ium4"_s, u"0"_s}, {u"dr"_s, u"00"_s},  {u"d1"_s, u"00"_s},
            {u"d2"_s, u"00"_s},   {u"d3"_s, u"00"_s},  {u"d4"_s, u"00"_s}};
        int edits = 0, lists = 0, dates = 0, checks = 0, memos = 0;
        for (QWidget *f : docWindow()->fields()) {
            switch (fieldKind(f)) {
            case FieldKind::Edit:
                ++edits;
                break;
            case FieldKind::PickList:
                ++lists;
                break;
            case FieldKind::Date:
                ++dates;
                continue;
            case FieldKind::Check:
                ++checks;
                QVERIFY2(fieldChecked(f), qPrintable(f->objectName()));
                continue;
            case FieldKind::Memo:
                ++memos;
                break;
            }
            QCOMPARE(fieldText(f), expected.value(f->objectName()));
        }
        QCOMPARE(edits, 44);
        QCOMPARE(lists, 20);
        QCOMPARE(dates, 16);
        QCOMPARE(checks, 2);
        QCOMPARE(memos, 2);
        auto *vid = static_cast<QComboBox *>(doc(u"vid"_s));
        QCOMPARE(vid->count(), 11);
        QCOMPARE(vid->itemText(10), u"AUD"_s);
        QCOMPARE(static_cast<QComboBox *>(doc(u"pay_system"_s))->itemText(2), u"РИНГС"_s);
        QCOMPARE(static_cast<QComboBox *>(doc(u"v3"_s))->count(), 9);
        QCOMPARE(static_cast<QComboBox *>(doc(u"reason"_s))->count(), 0);
    }

    // A document window of its own starts in euro; the program then sets the currency
    // the settings name.
    void newWindowIsInEuro()
    {
        DocumentWindow window;
        QCOMPARE(window.fieldText(u"vid"), u"EUR"_s);
    }

    void mirroring_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("window");
        for (const char *f : {"bank_name", "branch_name", "b_add", "bounder_name", "boun_bulstat",
                              "boun_egn", "boun_lk", "depositor_name", "depositor_iban_number1",
                              "dep_bic1", "depositor_country"})
            QTest::newRow(f) << QString::fromLatin1(f) << u"DData"_s;
        for (const char *f : {"Recipient_name", "recipient_iban_number1", "rebank", "rec_bic1",
                              "recipient_country", "recipi_egn"})
            QTest::newRow(f) << QString::fromLatin1(f) << u"RData"_s;
        for (const char *f : {"recipient_add", "depositor_add", "recipi_lk"})
            QTest::newRow(f) << QString::fromLatin1(f) << QString();
    }

    void mirroring()
    {
        QFETCH(QString, field);
        QFETCH(QString, window);
        Program p;
        QWidget *source = doc(field);
        QTest::keyClicks(source, u"BG"_s);
        QCOMPARE(fieldText(source), u"BG"_s);
        FieldWindow *data = payersBook();
        FieldWindow *other = recipientsBook();
        if (window == u"RData"_s)
            std::swap(data, other);
        if (window.isEmpty()) {
            // Not passed on, although both address books have a field of that name.
            for (FieldWindow *w : {static_cast<FieldWindow *>(payersBook()),
                                   static_cast<FieldWindow *>(recipientsBook())}) {
                if (QWidget *t = w->control(field))
                    QCOMPARE(fieldText(t), QString());
            }
            return;
        }
        QCOMPARE(fieldText(data->control(field)), u"BG"_s);
        if (QWidget *t = other->control(field))
            QCOMPARE(fieldText(t), QString());
        // The program setting an edit passes it on as well; setting a pick-list does not.
        setFieldText(source, u"XY"_s);
        const QString expect = fieldKind(source) == FieldKind::Edit ? u"XY"_s : u"BG"_s;
        QCOMPARE(fieldText(data->control(field)), expect);
        // And back: the address book's change reaches the document.
        QTest::keyClicks(data->control(field), u"Z"_s);
        QCOMPARE(fieldText(source), expect + u"Z"_s);
    }

    void editingInTheMiddleOfAMirroredField_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("twin");
        QTest::newRow("document, recipient's IBAN")
            << u"MainView"_s << u"recipient_iban_number1"_s << u"RData"_s;
        QTest::newRow("document, payer's bank") << u"MainView"_s << u"bank_name"_s << u"DData"_s;
        QTest::newRow("document, payer's name list")
            << u"MainView"_s << u"depositor_name"_s << u"DData"_s;
        QTest::newRow("recipients, IBAN")
            << u"RData"_s << u"recipient_iban_number1"_s << u"MainView"_s;
        QTest::newRow("recipients, name list")
            << u"RData"_s << u"Recipient_name"_s << u"MainView"_s;
        QTest::newRow("payers, bank") << u"DData"_s << u"bank_name"_s << u"MainView"_s;
        QTest::newRow("payers, obligated person")
            << u"DData"_s << u"bounder_name"_s << u"MainView"_s;
    }

    // The change comes back from the other window with the text the field already holds:
    // it must leave the cursor and the undo history of the field being typed in alone.
    void editingInTheMiddleOfAMirroredField()
    {
        QFETCH(QString, window);
        QFETCH(QString, field);
        QFETCH(QString, twin);
        Program p;
        auto *source = p.find<FieldWindow>(window);
        auto *other = p.find<FieldWindow>(twin);
        QWidget *w = source->control(field);
        QLineEdit *edit = qobject_cast<QLineEdit *>(w);
        if (!edit)
            edit = static_cast<QComboBox *>(w)->lineEdit();
        QApplication::setActiveWindow(p.frame());
        edit->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(edit, u"ABCDEF"_s);
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_Right);
        QTest::keyClick(edit, Qt::Key_Right);
        QTest::keyClicks(edit, u"XY"_s);
        QCOMPARE(edit->text(), u"ABXYCDEF"_s);
        QCOMPARE(edit->cursorPosition(), 4);
        QCOMPARE(other->fieldText(field), u"ABXYCDEF"_s);

        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), u"ABXCDEF"_s);
        QCOMPARE(edit->cursorPosition(), 3);
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(edit->text(), u"ABXDEF"_s);
        QCOMPARE(edit->cursorPosition(), 3);
        QCOMPARE(other->fieldText(field), u"ABXDEF"_s);

        // Undo walks back through the user's own edits, and the other window follows.
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), u"ABXCDEF"_s);
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), u"ABXYCDEF"_s);
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), u"ABCDEF"_s);
        QCOMPARE(other->fieldText(field), u"ABCDEF"_s);
    }

    void mirroredCheckBoxes()
    {
        Program p;
        for (const auto &[name, window] :
             {std::pair{u"debg"_s, static_cast<FieldWindow *>(payersBook())},
              std::pair{u"rebg"_s, static_cast<FieldWindow *>(recipientsBook())}}) {
            p.find<QAction>(u"N2"_s)->trigger();
            auto *box = static_cast<QCheckBox *>(doc(name));
            auto *twin = static_cast<QCheckBox *>(window->control(name));
            QVERIFY(box->isChecked() && twin->isChecked());
            QTest::mouseClick(box, Qt::LeftButton);
            QVERIFY(!box->isChecked());
            QVERIFY(!twin->isChecked());
            twin->setChecked(true);
            QVERIFY(box->isChecked());
            box->setChecked(false);
            QVERIFY(!twin->isChecked());
        }
    }

    void addressBookOnlyFieldsFlowToDocument()
    {
        Program p;
        QTest::keyClicks(recipientsBook()->control(u"recipi_lk"), u"AB123"_s);
        QCOMPARE(fieldText(doc(u"recipi_lk"_s)), u"AB123"_s);
        test::typeText(payersBook()->control(u"depositor_add"), u"София"_s);
        QCOMPARE(fieldText(doc(u"depositor_add"_s)), u"София"_s);
        // The document does not pass these back.
        QTest::keyClicks(doc(u"recipi_lk"_s), u"9"_s);
        QCOMPARE(fieldText(recipientsBook()->control(u"recipi_lk")), u"AB123"_s);
    }

    void typingLimits_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("limit");
        QTest::newRow("edit dr") << u"dr"_s << 2;
        QTest::newRow("edit d1") << u"d1"_s << 2;
        QTest::newRow("edit rec_bic1") << u"rec_bic1"_s << 8;
        QTest::newRow("edit bounder_name") << u"bounder_name"_s << 26;
        QTest::newRow("pick-list vd") << u"vd"_s << 1;
        QTest::newRow("pick-list Recipient_name") << u"Recipient_name"_s << 26;
        QTest::newRow("pick-list v1") << u"v1"_s << 1;
        QTest::newRow("memo econ_descript") << u"econ_descript"_s << 230;
        QTest::newRow("memo condition") << u"condition"_s << 230;
        // Fields for an identifier or an amount take the longest one whole, and no more.
        const std::pair<const char *, int> identifiers[]{{"recipient_iban_number1", 22},
                                                         {"depositor_iban_number1", 22},
                                                         {"dep_bic1", 8},
                                                         {"recipi_egn", 10},
                                                         {"boun_egn", 10},
                                                         {"boun_lk", 10},
                                                         {"boun_bulstat", 13},
                                                         {"sum", 10},
                                                         {"ium1", 10},
                                                         {"ium2", 10},
                                                         {"ium3", 10},
                                                         {"ium4", 10},
                                                         {"d2", 2},
                                                         {"d3", 2},
                                                         {"d4", 2}};
        for (const auto &[field, limit] : identifiers)
            QTest::newRow(field) << QString::fromLatin1(field) << limit;
    }

    void typingLimits()
    {
        QFETCH(QString, field);
        QFETCH(int, limit);
        Program p;
        QWidget *w = doc(field);
        setFieldText(w, QString());
        const int typed = limit < 0 ? 300 : limit + 3;
        QTest::keyClicks(w, QString(typed, u'7'));
        QCOMPARE(fieldText(w).size(), limit < 0 ? typed : limit);
        // A memo, whose limit does not show as a full line's does, tells a refused key.
        if (qobject_cast<MemoField *>(w)) {
            QVERIFY2(docWindow()->fieldWarning(field).contains(u"най-много %1 знака"_s.arg(limit)),
                     qPrintable(docWindow()->fieldWarning(field)));
            QTest::keyClick(w, Qt::Key_Backspace);
            QCOMPARE(docWindow()->fieldWarning(field), QString());
        }

        // What an input method gives (a letter made with a dead key) is typing too.
        setFieldText(w, QString(limit - 1, u'7'));
        QTest::keyClick(w, Qt::Key_End);
        QInputMethodEvent composed;
        composed.setCommitString(u"78"_s);
        QApplication::sendEvent(w, &composed);
        QCOMPARE(fieldText(w), QString(limit, u'7'));

        // Text set by the program is kept whole, and typing cannot make it longer.
        // Amounts and cents take digits only.
        const bool cents =
            field.startsWith(u'd') || field == u"sum"_s || field.startsWith(u"ium"_s);
        // Capitals, which the code fields (BIC) keep as they are.
        const QString longer(limit < 0 ? 400 : limit + 20, cents ? u'1' : u'X');
        setFieldText(w, longer);
        QCOMPARE(fieldText(w), longer);
        QTest::keyClick(w, Qt::Key_End);
        QTest::keyClicks(w, cents ? u"2"_s : u"Y"_s);
        QCOMPARE(fieldText(w), limit < 0 ? longer + u"Y"_s : longer);
        QTest::keyClick(w, Qt::Key_Backspace);
        QCOMPARE(fieldText(w).size(), limit < 0 ? longer.size() : longer.size() - 1);

        // A paste beyond the limit, with the keys or from the field's menu, is kept whole
        // and shown at the field, until undone.
        if (limit < 0)
            return;
        const QString start(limit - 1, cents ? u'1' : u'A');
        const QString pasted = cents ? u"23456"_s : u"BCDEF"_s;
        for (const bool fromMenu : {false, true}) {
            // A bank code field's right button opens the bank chooser, not a menu.
            if (fromMenu && w->contextMenuPolicy() == Qt::PreventContextMenu)
                continue;
            setFieldText(w, start);
            QTest::keyClick(w, Qt::Key_End);
            QApplication::clipboard()->setText(pasted);
            if (fromMenu)
                pasteFromMenu(w);
            else
                QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(fieldText(w), start + pasted);
            QVERIFY(w->toolTip().contains(u"по-дълъг от %1 знака"_s.arg(limit)));
            QVERIFY(docWindow()
                        ->findChild<QLabel *>(u"FieldWarnings"_s)
                        ->text()
                        .contains(w->toolTip()));
            // A key refused at the limit leaves the paste to undo; an undone Backspace
            // brings the paste back whole.
            QTest::keyClicks(w, pasted.left(1));
            QCOMPARE(fieldText(w), start + pasted);
            QTest::keyClick(w, Qt::Key_Backspace);
            QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(fieldText(w), start + pasted);
            QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(fieldText(w), start);
            QCOMPARE(w->toolTip(), QString());
            QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(fieldText(w), start + pasted);
            QVERIFY(w->toolTip().contains(u"по-дълъг от %1 знака"_s.arg(limit)));
        }
    }

    void changeIsRaisedOnlyByRealChanges()
    {
        Program p;
        int edits = 0, memos = 0, lists = 0;
        auto *edit = static_cast<FieldEdit *>(doc(u"sum"_s));
        auto *memo = static_cast<MemoField *>(doc(u"econ_descript"_s));
        auto *list = static_cast<PickList *>(doc(u"reason"_s));
        QObject::connect(docWindow(), &FieldWindow::fieldEdited, docWindow(),
                         [&](const QString &name) {
                             edits += name == u"sum"_s;
                             memos += name == u"econ_descript"_s;
                             lists += name == u"reason"_s;
                         });
        setFieldText(edit, u"0"_s); // already so
        QCOMPARE(edits, 0);
        setFieldText(edit, u"12"_s);
        QCOMPARE(edits, 1);
        QTest::keyClicks(edit, u"3"_s);
        QCOMPARE(edits, 2);
        setFieldText(memo, u"ред\nдва"_s);
        setFieldText(memo, u"ред\nдва"_s);
        QCOMPARE(memos, 1);
        QTest::keyClicks(memo, u"x"_s);
        QCOMPARE(memos, 2);
        setFieldText(list, u"текст"_s);
        QCOMPARE(lists, 0);
        test::typeText(list, u"а"_s);
        QCOMPARE(lists, 1);
    }

    void datesKeepTimeOfDay()
    {
        Program p;
        auto *date = static_cast<QDateTimeEdit *>(doc(u"d_date"_s));
        date->setDateTime(QDateTime(QDate(2007, 3, 5), QTime(14, 30, 15)));
        date->setDate(QDate(2008, 1, 1));
        QCOMPARE(date->dateTime(), QDateTime(QDate(2008, 1, 1), QTime(14, 30, 15)));
        // The long date in Bulgarian, whatever the desktop's language.
        QCOMPARE(date->text(), u"1 януари 2008"_s);
    }

    // A date not given starts from today, by the arrow keys or in the calendar, and the
    // calendar alone chooses nothing.
    void dateNotGivenStartsAtToday()
    {
        Program p;
        const QDate today = QDate::currentDate();
        auto *byKey = static_cast<DateField *>(doc(u"dateiz"_s));
        focusField(byKey);
        QTRY_COMPARE(QApplication::focusWidget(), byKey);
        QTest::keyClick(byKey, Qt::Key_Up);
        QCOMPARE(byKey->date(), today);

        auto *byCalendar = static_cast<DateField *>(doc(u"d_date"_s));
        const QDate none = byCalendar->date();
        focusField(byCalendar);
        QTRY_COMPARE(QApplication::focusWidget(), byCalendar);
        // The arrow at the right end opens the calendar.
        QTest::mouseClick(byCalendar, Qt::LeftButton, {},
                          QPoint(byCalendar->width() - 5, byCalendar->height() / 2));
        QCalendarWidget *calendar = byCalendar->calendarWidget();
        QTRY_VERIFY(calendar->isVisible());
        QCOMPARE(calendar->yearShown(), today.year());
        QCOMPARE(calendar->monthShown(), today.month());
        QTest::keyClick(calendar, Qt::Key_Escape);
        QCOMPARE(byCalendar->date(), none);
    }

    void tabOrder_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("panel");
        QTest::newRow("N7") << u"N7"_s << QStringList{u"ium1"_s,      u"d1"_s,     u"reaso1"_s,
                                                      u"descript1"_s, u"v1"_s,     u"doc_numbe1"_s,
                                                      u"ddat1"_s,     u"kindp1"_s, u"of_dat1"_s,
                                                      u"to_dat1"_s,   u"ium2"_s};
        QTest::newRow("N2") << u"N2"_s
                            << QStringList{u"recipient_country"_s, u"recipient_add"_s, u"rebg"_s,
                                           u"depositor_country"_s, u"depositor_add"_s, u"debg"_s,
                                           u"econ_descript"_s,     u"bnb_number"_s};
        QTest::newRow("N1") << u"N1"_s << QStringList{u"recipi_lk"_s, u"recipi_egn"_s};
        QTest::newRow("N4") << u"N4"_s << QStringList{u"condition"_s};
        QTest::newRow("WQ1") << u"WQ1"_s << QStringList{};
    }

    void tabOrder()
    {
        QFETCH(QString, item);
        QFETCH(QStringList, panel);
        Program p;
        p.find<QAction>(item)->trigger();
        const QStringList main{u"bank_name"_s,
                               u"branch_name"_s,
                               u"b_add"_s,
                               u"Recipient_name"_s,
                               u"recipient_iban_number1"_s,
                               u"rebank"_s,
                               u"rec_bic1"_s,
                               u"vid"_s,
                               u"sum"_s,
                               u"dr"_s,
                               u"kind_p"_s,
                               u"with_words"_s,
                               u"reason"_s,
                               u"description"_s,
                               u"vd"_s,
                               u"doc_number"_s,
                               u"d_date"_s,
                               u"of_date"_s,
                               u"to_date"_s,
                               u"bounder_name"_s,
                               u"boun_bulstat"_s,
                               u"boun_egn"_s,
                               u"boun_lk"_s,
                               u"depositor_name"_s,
                               u"depositor_iban_number1"_s,
                               u"kindpe"_s,
                               u"dep_bic1"_s,
                               u"pay_system"_s,
                               u"tac"_s,
                               u"dateiz"_s,
                               u"code_br"_s,
                               u"sebra"_s,
                               u"cact"_s};
        // The payer's name is reached with the payer's other fields.
        const QStringList expected = main + panel;

        QWidget *w = doc(u"bank_name"_s);
        focusField(w);
        QTRY_COMPARE(QApplication::focusWidget(), w);
        QStringList seen{w->objectName()};
        for (qsizetype i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *f = QApplication::focusWidget();
            while (f && !docWindow()->control(f->objectName()))
                f = f->parentWidget();
            seen.append(f ? f->objectName() : u"?"_s);
        }
        QCOMPARE(seen, expected.mid(0, seen.size()));
    }

    // A memo reached by Tab in a window too low for the whole form is scrolled wholly
    // into view.
    void tabScrollsAMemoIntoView_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("memo");
        QTest::newRow("N2 forward") << u"N2"_s << u"debg"_s << u"econ_descript"_s;
        QTest::newRow("N3 forward") << u"N3"_s << u"debg"_s << u"econ_descript"_s;
        QTest::newRow("N4 forward") << u"N4"_s << u"cact"_s << u"condition"_s;
    }

    void tabScrollsAMemoIntoView()
    {
        QFETCH(QString, item);
        QFETCH(QString, before);
        QFETCH(QString, memo);
        Program p;
        p.find<QAction>(item)->trigger();
        QWidget *window = docWindow();
        while (window && !qobject_cast<QMdiSubWindow *>(window))
            window = window->parentWidget();
        QVERIFY(window);
        window->resize(window->width(), 260);
        auto *area = docWindow()->findChild<QScrollArea *>();
        QVERIFY(area);
        QScrollBar *bar = area->verticalScrollBar();
        bar->setValue(0);
        const int start = bar->value();
        QWidget *from = doc(before);
        focusField(from);
        QTRY_COMPARE(QApplication::focusWidget(), from);
        QTest::keyClick(from, Qt::Key_Tab);
        QWidget *m = doc(memo);
        QTRY_COMPARE(QApplication::focusWidget(), m);
        QVERIFY(bar->value() != start); // the memo was out of sight before
        const QRect shown(m->mapTo(area->viewport(), QPoint(0, 0)), m->size());
        QVERIFY2(area->viewport()->rect().contains(shown),
                 qPrintable(u"%1,%2 %3×%4 in %5"_s.arg(shown.x())
                                .arg(shown.y())
                                .arg(shown.width())
                                .arg(shown.height())
                                .arg(area->viewport()->height())));
    }

    void leavingAField()
    {
        Program p;
        QWidget *a = doc(u"sum"_s);
        QWidget *b = doc(u"dr"_s);
        QWidget *c = doc(u"vid"_s);
        QStringList left;
        for (QWidget *w : {a, b, c})
            docWindow()->onLeave(w, [&](QWidget *f) { left.append(f->objectName()); });

        focusField(a);
        QTRY_COMPARE(QApplication::focusWidget(), a);
        QTest::keyClicks(a, u"12"_s);
        QVERIFY(left.isEmpty()); // typing is no leave
        QTest::keyClick(a, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), b);
        QCOMPARE(left, QStringList{u"sum"_s});

        // The mouse counts as well; moving inside a pick-list does not.
        c->setFocus(Qt::MouseFocusReason);
        QCOMPARE(left, (QStringList{u"sum"_s, u"dr"_s}));
        static_cast<QComboBox *>(c)->lineEdit()->setFocus(Qt::MouseFocusReason);
        QCOMPARE(left.size(), 2);

        // Another window taking the focus is no leave, nor is coming back.
        recipientsBook()->control(u"rebank")->setFocus(Qt::MouseFocusReason);
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QApplication::setActiveWindow(mainFrame());
        c->setFocus(Qt::MouseFocusReason);
        QCOMPARE(left.size(), 2);
        a->setFocus(Qt::TabFocusReason);
        QCOMPARE(left, (QStringList{u"sum"_s, u"dr"_s, u"vid"_s}));
    }
};

QTEST_MAIN(TestMainView)
#include "tst_mainview.moc"
