// A clerk's day in the windows: sizes at the program's font and at a large desktop
// font, arranging on common screens, Bulgarian throughout, keys for the commands, and
// checks that run however the focus travels.
#include "testsupport.h"

#include "app/startup.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

QMdiSubWindow *childOf(QWidget *w)
{
    return qobject_cast<QMdiSubWindow *>(w->parentWidget());
}

// The frame as on a screen of that size, without a window manager's decorations.
void screenOf(Program &p, QSize screen)
{
    p.frame()->showNormal();
    p.frame()->setGeometry(QRect(QPoint(0, 0), screen));
    QTRY_COMPARE(p.frame()->size(), screen);
    QApplication::processEvents();
}

// Every control of the window shows whole: no field narrower or lower than it needs,
// no label cut, nothing beyond its panel, no two fields on top of each other.
void checkNothingClipped(DocumentWindow *view)
{
    QList<QWidget *> shown;
    for (QWidget *w : view->findChildren<QWidget *>()) {
        const QWidget *area = w->parentWidget();
        if (!w->isVisibleTo(view) || !area ||
            (!area->objectName().startsWith(u"Panel"_s) && area->objectName() != u"MainColumn"_s))
            continue;
        const QString name = w->objectName();
        QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
                 qPrintable(name + u" %1,%2 %3x%4 in %5x%6"_s.arg(w->x())
                                       .arg(w->y())
                                       .arg(w->width())
                                       .arg(w->height())
                                       .arg(w->parentWidget()->width())
                                       .arg(w->parentWidget()->height())));
        if (auto *label = qobject_cast<QLabel *>(w)) {
            if (label->wordWrap())
                QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
                         qPrintable(name));
            else
                QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(name));
            QVERIFY2(label->fontMetrics().height() <= label->height(), qPrintable(name));
            shown.append(w); // a caption over another is as unreadable as a field
            continue;
        }
        if (!view->control(name))
            continue;
        QVERIFY2(w->minimumSizeHint().width() <= w->width(), qPrintable(name));
        if (auto *check = qobject_cast<QCheckBox *>(w))
            QVERIFY2(check->sizeHint().width() <= w->width(), qPrintable(name));
        if (!qobject_cast<QCheckBox *>(w))
            QVERIFY2(w->fontMetrics().height() + 4 <= w->height(), qPrintable(name));
        shown.append(w);
    }
    for (QWidget *a : shown) {
        for (QWidget *b : shown) {
            if (a == b || a->parentWidget() != b->parentWidget())
                continue;
            const QString pair = a->objectName() + u" / "_s + b->objectName();
            QVERIFY2(!a->geometry().intersects(b->geometry()), qPrintable(pair));
            // Fields line up or stand clearly apart: an edge a pixel off its neighbour's
            // is a ragged column.
            if (!qobject_cast<QLabel *>(a) && !qobject_cast<QLabel *>(b)) {
                QVERIFY2(std::abs(a->x() - b->x()) != 1, qPrintable(pair));
                QVERIFY2(std::abs(a->geometry().right() - b->geometry().right()) != 1,
                         qPrintable(pair));
            }
        }
    }
}

void pressKeys(const QKeySequence &keys)
{
    QWidget *to = QApplication::focusWidget() ? QApplication::focusWidget() : mainFrame();
    const QKeyCombination key = keys[0];
    QTest::keyClick(to, key.key(), key.keyboardModifiers());
}

} // namespace

class TestWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QApplication::setFont(QFont(u"Sans Serif"_s, 9)); }

    void sizeOfEachKind_data()
    {
        QTest::addColumn<QString>("item");
        for (const DocumentKind &kind : documentKinds())
            QTest::newRow(qPrintable(kind.item.toString())) << kind.item.toString();
    }

    // At the program's 8-point font every kind's window comes within 10 % of the size
    // the kind asks for, with every field whole.
    void sizeOfEachKind()
    {
        QFETCH(QString, item);
        Program p;
        QCOMPARE(QApplication::font().pointSizeF(), 8.0);
        screenOf(p, QSize(1800, 1200));
        p.find<QAction>(item)->trigger();
        const QSize asked = findKind(docWindow()->kind())->size;
        const QSize size = childOf(docWindow())->size();
        qInfo("%s: asked %dx%d, now %dx%d", qPrintable(item), asked.width(), asked.height(),
              size.width(), size.height());
        QVERIFY2(std::abs(size.width() - asked.width()) <= asked.width() / 10,
                 qPrintable(u"width %1"_s.arg(size.width())));
        QVERIFY2(std::abs(size.height() - asked.height()) <= asked.height() / 10,
                 qPrintable(u"height %1"_s.arg(size.height())));
        // With room to spare, no scrolling is needed.
        auto *scroll = docWindow()->findChild<QScrollArea *>();
        QCOMPARE(scroll->verticalScrollBar()->maximum(), 0);
        QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        checkNothingClipped(docWindow());
    }

    // Each field of both books has a place of its own inside the window.
    void bookFieldsApart()
    {
        Program p;
        screenOf(p, QSize(1366, 768));
        for (AddressBook *book : {p.recipients(), p.payers()}) {
            QList<QRect> taken;
            for (QWidget *w : book->findChildren<QWidget *>()) {
                if (!w->isVisibleTo(book) || book->control(w->objectName()) != w)
                    continue;
                const QRect r(w->mapTo(book, QPoint(0, 0)), w->size());
                QVERIFY2(book->rect().contains(r), qPrintable(w->objectName()));
                for (const QRect &other : taken)
                    QVERIFY2(!other.intersects(r), qPrintable(w->objectName()));
                taken.append(r);
            }
            QCOMPARE(taken.size(), book == p.payers() ? 13 : 9);
            // Each column of fields runs down from the top with no empty place in it.
            const auto *grid = book->findChild<QGridLayout *>();
            QVERIFY(grid);
            for (int c = 0; c < grid->columnCount(); ++c) {
                for (int r = 1; r < grid->rowCount(); ++r)
                    QVERIFY(!grid->itemAtPosition(r, c) || grid->itemAtPosition(r - 1, c));
            }
        }
    }

    // The four payments of the eighth kind are alike, field for field: place, size,
    // typing limit, and the way Tab goes through them.
    void paymentsAlike()
    {
        Program p;
        screenOf(p, QSize(1366, 768));
        p.find<QAction>(u"N7"_s)->trigger();
        DocumentWindow *w = docWindow();
        const auto place = [w](const QString &name) {
            QWidget *c = w->control(name);
            return QRect(c->mapTo(w, QPoint(0, 0)), c->size());
        };
        const auto limit = [w](const QString &name) {
            FieldEdit *edit = editOf(w->control(name));
            return edit ? edit->limit() : -1;
        };
        // The next field Tab reaches, named as if it were in the first payment.
        const auto next = [w](const QString &name, int k) {
            QWidget *to = w->control(name)->nextInFocusChain();
            while (to && (to->objectName().isEmpty() || !(to->focusPolicy() & Qt::TabFocus)))
                to = to->nextInFocusChain();
            QString n = to ? to->objectName() : QString();
            if (n.endsWith(QString::number(k)))
                n.back() = u'1';
            return n;
        };
        const QStringList stems{u"ium"_s,       u"d"_s,    u"reaso"_s, u"descript"_s, u"v"_s,
                                u"doc_numbe"_s, u"ddat"_s, u"kindp"_s, u"of_dat"_s};
        for (int k = 2; k <= 4; ++k) {
            const QString n = QString::number(k);
            const QPoint down = place(u"ium"_s + n).topLeft() - place(u"ium1"_s).topLeft();
            QCOMPARE(down.x(), 0);
            QCOMPARE_GT(down.y(), 0);
            for (const QString &stem : stems) {
                QCOMPARE(place(stem + n), place(stem + u'1').translated(down));
                QCOMPARE(limit(stem + n), limit(stem + u'1'));
                QCOMPARE(next(stem + n, k), next(stem + u'1', 1));
            }
            // The last field of a payment: Tab leaves it for the next payment.
            QCOMPARE(place(u"to_dat"_s + n), place(u"to_dat1"_s).translated(down));
        }
    }

    // A user who chose a large desktop font gets it, and the window grows and scrolls;
    // nothing is cut.
    void largeDesktopFont()
    {
        QApplication::setFont(QFont(u"Sans Serif"_s, 12));
        Program p;
        QCOMPARE(QApplication::font().pointSizeF(), 12.0);
        screenOf(p, QSize(1366, 768));
        p.find<QAction>(u"N7"_s)->trigger();
        checkNothingClipped(docWindow());
        auto *scroll = docWindow()->findChild<QScrollArea *>();
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
        // Every field can be scrolled into sight.
        QWidget *last = docWindow()->control(u"to_dat4");
        scroll->ensureWidgetVisible(last);
        QVERIFY(scroll->viewport()->rect().contains(
            QRect(last->mapTo(scroll->viewport(), QPoint(0, 0)), last->size())));
        QApplication::setFont(QFont(u"Sans Serif"_s, 9));
    }

    void arrangingOnCommonScreens_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("command");
        for (const QSize screen : {QSize(1366, 768), QSize(1024, 768)}) {
            const QString size = u"%1x%2 "_s.arg(screen.width()).arg(screen.height());
            for (const char *command : {"N9", "N13", "N19"})
                QTest::newRow(qPrintable(size + QString::fromLatin1(command)))
                    << screen << QString::fromLatin1(command);
        }
    }

    // Cascade and tile keep each title bar in sight and each window at least as large as
    // its fields need; the area scrolls to what lies beyond.
    void arrangingOnCommonScreens()
    {
        QFETCH(QSize, screen);
        QFETCH(QString, command);
        Program p;
        screenOf(p, screen);
        for (const QString &kind : {u"N7"_s, u"WQ1"_s, u"N2"_s}) {
            p.find<QAction>(kind)->trigger();
            p.find<QAction>(command)->trigger();
            QMdiArea *area = p.frame()->mdiArea();
            const int title = area->style()->pixelMetric(QStyle::PM_TitleBarHeight);
            for (QMdiSubWindow *sub : area->subWindowList()) {
                const QRect g = sub->geometry();
                const QString what = kind + u' ' + sub->widget()->objectName();
                QVERIFY2(g.x() >= 0 && g.y() >= 0, qPrintable(what));
                QVERIFY2(sub->size().width() >= sub->minimumSizeHint().width() &&
                             sub->size().height() >= sub->minimumSizeHint().height(),
                         qPrintable(what));
                // The title bar in sight, or in reach of the area's scroll bars.
                const QRect titleBar(g.topLeft(), QSize(g.width(), title));
                if (command == u"N9"_s)
                    QVERIFY2(area->viewport()->rect().contains(titleBar.topLeft()),
                             qPrintable(what));
                for (QWidget *f : static_cast<FieldWindow *>(sub->widget())->fields()) {
                    if (f->isVisibleTo(sub) && !qobject_cast<MemoField *>(f))
                        QVERIFY2(f->height() >= f->minimumSizeHint().height(),
                                 qPrintable(what + u' ' + f->objectName()));
                }
            }
            // The document window after any arrangement: wholly inside the area, the
            // books beside or below it. Side by side it is as wide as its form.
            const QRect g = childOf(docWindow())->geometry();
            QVERIFY2(area->viewport()->rect().contains(g), qPrintable(kind));
            if (command == u"N13"_s)
                QCOMPARE(docWindow()->findChild<QScrollArea *>()->horizontalScrollBar()->maximum(),
                         0);
        }
    }

    // A size the user gives the document window stays when the frame changes size; a
    // new kind sizes it again.
    void userSizeOfTheDocumentWindowStays()
    {
        Program p;
        screenOf(p, QSize(1366, 768));
        QMdiSubWindow *child = childOf(docWindow());
        child->resize(500, 400); // as a drag of its corner does
        screenOf(p, QSize(1280, 720));
        screenOf(p, QSize(1366, 768));
        QCOMPARE(child->size(), QSize(500, 400));
        p.find<QAction>(u"WQ1"_s)->trigger();
        QVERIFY(child->height() > 500);
    }

    void frameKeptOnTheScreen_data()
    {
        QTest::addColumn<QRect>("restored"); // on the 800 x 600 test screen
        QTest::newRow("larger than the screen") << QRect(40, 94, 2000, 1500);
        QTest::newRow("beyond the bottom right") << QRect(600, 450, 500, 400);
        QTest::newRow("on a screen no longer there") << QRect(3000, 200, 500, 400);
    }

    // Without a window manager only the program keeps its frame on the screen: shown
    // normal, it lies in the screen's free area, made smaller only where it must be.
    void frameKeptOnTheScreen()
    {
        QFETCH(QRect, restored);
        Program p;
        MainFrame *frame = p.frame();
        frame->hide();
        frame->setGeometry(restored);
        frame->showNormal();
        const QRect room = frame->screen()->availableGeometry();
        QTRY_VERIFY2(room.contains(frame->frameGeometry()),
                     qPrintable(u"%1,%2 %3x%4"_s.arg(frame->x())
                                    .arg(frame->y())
                                    .arg(frame->width())
                                    .arg(frame->height())));
        const QSize decoration = frame->frameGeometry().size() - frame->size();
        QCOMPARE(frame->size(), restored.size().boundedTo(room.size() - decoration));
    }

    void focusReturnsAfterAMessage_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::newRow("document") << u"MainView"_s << u"reason"_s;
        QTest::newRow("recipients' book") << u"RData"_s << u"rebank"_s;
    }

    // A real message box, closed with Enter: the keys typed next go on into the field
    // that had the focus, in whichever window.
    void focusReturnsAfterAMessage()
    {
        QFETCH(QString, window);
        QFETCH(QString, field);
        Program p;
        QWidget *typedInto = p.find<FieldWindow>(window)->control(field);
        typeInto(typedInto, u"Пре"_s);
        setDialogs(nullptr);
        bool closed = false;
        QTimer::singleShot(100, p.frame(), [&closed] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                QTest::keyClick(box, Qt::Key_Return);
                closed = true;
            }
        });
        p.find<QAction>(u"N25"_s)->trigger(); // "За продукта"
        setDialogs(&p.dialogs);
        QVERIFY(closed);
        QApplication::processEvents();
        QWidget *focus = QApplication::focusWidget();
        QVERIFY2(focus, "no widget has the focus");
        typeText(focus, u"вод"_s);
        QCOMPARE(fieldText(typedInto), u"Превод"_s);
    }

    // The desktop knows the windows as the program's: its icon, and the name of its
    // desktop entry that the taskbar groups them by.
    void theDesktopKnowsTheProgram()
    {
        Program p;
        QVERIFY(!QApplication::windowIcon().isNull());
        QVERIFY(!p.frame()->windowIcon().isNull());
        QCOMPARE(QGuiApplication::desktopFileName(), u"formelan"_s);
        QCOMPARE(QCoreApplication::applicationName(), u"Formelan"_s);
    }

    // Under a C locale the program still speaks Bulgarian: dates, standard dialogs,
    // the fields' context menus.
    void bulgarianUnderAnyLanguage()
    {
        QCOMPARE(qgetenv("LC_ALL"), QByteArray("C"));
        Program p;
        auto *date = static_cast<QDateTimeEdit *>(docWindow()->control(u"d_date"));
        date->setDate(QDate(2026, 12, 8));
        QCOMPARE(date->text(), u"8 декември 2026"_s);
        date->setDate(QDate(2027, 9, 30));
        QCOMPARE(date->text(), u"30 септември 2027"_s);

        const auto dialog = createFileDialog(p.frame(), QFileDialog::AcceptOpen,
                                             u"Formelan Формуляри (*.frm)"_s, QString());
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QStringList texts;
        for (const QPushButton *b : dialog->findChildren<QPushButton *>())
            texts << b->text();
        for (const QLabel *l : dialog->findChildren<QLabel *>())
            texts << l->text();
        QVERIFY2(texts.contains(u"Отказ"_s), qPrintable(texts.join(u" | "_s)));
        QVERIFY2(!texts.contains(u"Cancel"_s) && !texts.contains(u"Look in:"_s),
                 qPrintable(texts.join(u" | "_s)));
        // Open takes a file that exists; save takes a new name typed in.
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(
            createFileDialog(p.frame(), QFileDialog::AcceptSave, QString(), QString())->fileMode(),
            QFileDialog::AnyFile);

        // The question before leaving a document asks as Bulgarian desktop programs do.
        const auto leave =
            createMessageBox(p.frame(), QMessageBox::Warning, u"Formelan"_s, u"?"_s,
                             QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        QCOMPARE(leave->button(QMessageBox::Save)->text(), u"&Запис"_s);
        QCOMPARE(leave->button(QMessageBox::Discard)->text(), u"&Без запис"_s);
        QCOMPARE(leave->button(QMessageBox::Cancel)->text(), u"Отказ"_s);
        QCOMPARE(leave->defaultButton(), leave->button(QMessageBox::Save));
        // Messages name files and addresses that the clerk copies from them.
        QCOMPARE(leave->textInteractionFlags(), Qt::TextSelectableByMouse);
        const auto yesNo = createMessageBox(p.frame(), QMessageBox::Question, u"Formelan"_s, u"?"_s,
                                            QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(yesNo->button(QMessageBox::Yes)->text(), u"&Да"_s);
        QCOMPARE(yesNo->button(QMessageBox::No)->text(), u"&Не"_s);

        auto *edit = static_cast<QLineEdit *>(docWindow()->control(u"bank_name"));
        std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
        QStringList items;
        for (const QAction *a : menu->actions()) {
            if (!a->isSeparator())
                items << a->iconText();
        }
        QVERIFY2(!items.contains(u"Undo"_s) && !items.contains(u"Select All"_s),
                 qPrintable(items.join(u" | "_s)));
        QVERIFY2(items.size() >= 6, qPrintable(items.join(u" | "_s)));
    }

    void keysReachTheirCommands()
    {
        Program p;
        QApplication::setActiveWindow(p.frame());
        clickInto(docWindow()->control(u"reason"));

        pressKeys(QKeySequence::Open);
        QCOMPARE(p.dialogs.fileFilters.size(), 1); // the open dialog was asked for
        pressKeys(QKeySequence::Save);
        QCOMPARE(p.dialogs.fileFilters.size(), 2);

        pressKeys(QKeySequence(u"Ctrl+2"_s));
        QCOMPARE(p.frame()->mdiArea()->activeSubWindow(), childOf(recipientsBook()));
        pressKeys(QKeySequence(u"Ctrl+3"_s));
        QCOMPARE(p.frame()->mdiArea()->activeSubWindow(), childOf(payersBook()));
        pressKeys(QKeySequence(u"Ctrl+1"_s));
        QCOMPARE(p.frame()->mdiArea()->activeSubWindow(), childOf(docWindow()));

        // The kinds: the menu opens at the document window, and the keys choose.
        auto *kinds = p.find<QMenu>(u"N10Menu"_s);
        pressKeys(QKeySequence(u"Ctrl+Shift+N"_s));
        QTRY_VERIFY(kinds->isVisible());
        QTest::keyClick(kinds, Qt::Key_Down);
        QTest::keyClick(kinds, Qt::Key_Return);
        QTRY_VERIFY(!kinds->isVisible());
        QCOMPARE(docWindow()->kind(), documentKinds().front().name.toString());

        pressKeys(QKeySequence::HelpContents);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages.first().text.startsWith(u"Редактор на платежни документи"_s));

        // The editing commands.
        clickInto(docWindow()->control(u"bounder_name"));
        typeText(QApplication::focusWidget(), u"Иван"_s);
        p.dialogs.answers = {QMessageBox::Yes};
        pressKeys(QKeySequence(u"Ctrl+Shift+Del"_s)); // asks first
        QCOMPARE(docWindow()->fieldText(u"bounder_name"), QString());
        pressKeys(QKeySequence(u"Ctrl+Shift+W"_s)); // sends: no template here, says so
        QCOMPARE(p.dialogs.messages.size(), 3);
        QVERIFY(p.dialogs.messages.last().text.contains(u"липсва"_s));

        // Every key shows in its menu.
        for (const char *name :
             {"N11", "N12", "PrintDocument", "SavePdf", "N14", "N8", "Dan1", "N16", "N17", "N18",
              "ClearFields", "Word1", "Settings", "ShowDocument", "N9", "N13", "N19", "N25"})
            QVERIFY2(!p.find<QAction>(QString::fromLatin1(name))->shortcut().isEmpty(), name);
        QVERIFY(p.find<QAction>(u"N10"_s)->text().contains(u"Ctrl+Shift+N"_s));
        // Alt and a letter open the five menus.
        const QList<std::pair<QString, QString>> buttons{{u"ToolButton1"_s, u"&Формуляри"_s},
                                                         {u"ToolButton2"_s, u"&Данни"_s},
                                                         {u"ToolButton4"_s, u"&Обработване"_s},
                                                         {u"ToolButton11"_s, u"&Прозорци"_s},
                                                         {u"ToolButton3"_s, u"По&мощ"_s}};
        for (const auto &[name, text] : buttons)
            QCOMPARE(p.find<QToolButton>(name)->text(), text);

        pressKeys(QKeySequence(u"Ctrl+Q"_s));
        QTRY_VERIFY(!p.frame()->isVisible());
    }

    // Alt with the marked letter opens a menu button's menu (which runs until closed).
    void altOpensTheMenu()
    {
        Program p;
        QApplication::setActiveWindow(p.frame());
        clickInto(docWindow()->control(u"reason"));
        auto *blanks = p.find<QMenu>(u"blanks"_s);
        bool opened = false;
        QTimer::singleShot(200, blanks, [&] {
            opened = blanks->isVisible();
            blanks->close();
        });
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(0x424), u"ф"_s,
                            Qt::AltModifier);
        QTRY_VERIFY(!blanks->isVisible());
        QVERIFY(opened);
    }

    void leaveChecks_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("updated");
        QTest::addColumn<QString>("expected");
        QTest::newRow("identifier")
            << u"boun_egn"_s << u"999"_s << u"Невалиден ЕГН, моля проверете го!"_s << QString()
            << QString();
        QTest::newRow("leva of a sub-amount")
            << u"ium1"_s << u"10"_s << QString() << u"sum"_s << u"10"_s;
        QTest::newRow("stotinki of a sub-amount")
            << u"d1"_s << u"50"_s << QString() << u"dr"_s << u"50"_s;
    }

    // The check of a field runs when the window's focus next lands on another of its
    // controls, however the user went there: here through an address book.
    void leaveChecks()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, updated);
        QFETCH(QString, expected);
        Program p;
        QApplication::setActiveWindow(p.frame());
        QWidget *w = docWindow()->control(field);
        clickInto(w);
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        typeText(w, typed);
        // Away to an address book, where the user types, and back by a click.
        clickInto(recipientsBook()->control(u"rebank"));
        typeText(recipientsBook()->control(u"rebank"), u"Банка"_s);
        QVERIFY(p.dialogs.messages.isEmpty());
        if (!updated.isEmpty())
            QVERIFY(docWindow()->fieldText(updated) != expected);
        clickInto(docWindow()->control(u"reason"));
        // A failed check warns at its field, never in a box that would take the next keys.
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(docWindow()->fieldWarning(field), message);
        if (!updated.isEmpty())
            QCOMPARE(docWindow()->fieldText(updated), expected);
        // Leaving the other window and coming back to the same field is no leave.
        p.dialogs.messages.clear();
        clickInto(w);
        clickInto(payersBook()->control(u"bank_name"));
        clickInto(w);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    // A field the whole-document check has looked at, typed in again, is checked again
    // when left.
    void fieldTypedInAfterWholeCheck()
    {
        Program p;
        QApplication::setActiveWindow(p.frame());
        QWidget *egn = docWindow()->control(u"boun_egn");
        const QString invalid = u"Невалиден ЕГН, моля проверете го!"_s;
        clickInto(egn);
        typeText(egn, u"999"_s);
        p.find<QAction>(u"CheckDocument"_s)->trigger();
        QCOMPARE(docWindow()->fieldWarning(u"boun_egn"), invalid);
        typeText(egn, u"9"_s);
        QCOMPARE(docWindow()->fieldWarning(u"boun_egn"), QString());
        clickInto(docWindow()->control(u"reason"));
        QCOMPARE(docWindow()->fieldText(u"boun_egn"), u"9999"_s);
        QCOMPARE(docWindow()->fieldWarning(u"boun_egn"), invalid);
    }

    // The address books check their identifiers the same way.
    void leaveCheckInAnAddressBook()
    {
        Program p;
        QApplication::setActiveWindow(p.frame());
        QWidget *iban = payersBook()->control(u"depositor_iban_number1");
        clickInto(iban);
        typeText(iban, u"BG00"_s);
        clickInto(docWindow()->control(u"reason"));
        QVERIFY(p.dialogs.messages.isEmpty());
        clickInto(payersBook()->control(u"bank_name"));
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(payersBook()->fieldWarning(u"depositor_iban_number1"),
                 u"Невалиден IBAN, моля проверете го!"_s);
    }

    // Line breaks pasted into a one-line field become spaces, here and in the window it
    // is mirrored to.
    void pastingLinesIntoOneLine()
    {
        Program p;
        QApplication::setActiveWindow(p.frame());
        QWidget *w = docWindow()->control(u"bounder_name");
        clickInto(w);
        QApplication::clipboard()->setText(u"Иван\r\nПетров\nИванов"_s);
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(docWindow()->fieldText(u"bounder_name"), u"Иван Петров Иванов"_s);
        QCOMPARE(payersBook()->fieldText(u"bounder_name"), u"Иван Петров Иванов"_s);
        // In a pick-list too, and through the paste command.
        QWidget *list = docWindow()->control(u"reason");
        clickInto(list);
        QApplication::clipboard()->setText(u"ред\nдруг ред"_s);
        p.find<QAction>(u"N18"_s)->trigger();
        QCOMPARE(docWindow()->fieldText(u"reason"), u"ред друг ред"_s);
    }

    // A key that a full pick-list refuses changes nothing and tells nothing.
    void refusedKeyTellsNothing()
    {
        Program p;
        QApplication::setActiveWindow(p.frame());
        QWidget *name = docWindow()->control(u"depositor_name");
        clickInto(name);
        const QString full(26, u'Щ');
        typeText(static_cast<QComboBox *>(name)->lineEdit(), full);
        QCOMPARE(payersBook()->fieldText(u"depositor_name"), full);
        // The payers' book shows another name meanwhile (a party loaded there).
        payersBook()->setFieldText(u"depositor_name", u"Друг"_s);
        QSignalSpy told(docWindow(), &FieldWindow::fieldEdited);
        typeText(static_cast<QComboBox *>(name)->lineEdit(), u"Ю"_s);
        QCOMPARE(docWindow()->fieldText(u"depositor_name"), full);
        QCOMPARE(told.count(), 0);
        QCOMPARE(payersBook()->fieldText(u"depositor_name"), u"Друг"_s);
    }

    // Tab runs from field to field; the area around them takes no stop.
    void tabRunsRoundTheFields()
    {
        Program p;
        QApplication::setActiveWindow(p.frame());
        QWidget *last = docWindow()->control(u"depositor_name");
        clickInto(last);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *now = QApplication::focusWidget();
        QVERIFY(now);
        QVERIFY2(!qobject_cast<QScrollArea *>(now), "the scroll area took a tab stop");
        QCOMPARE(docWindow()->findChild<QScrollArea *>()->focusPolicy(), Qt::NoFocus);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
