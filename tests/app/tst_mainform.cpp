#include "testsupport.h"

#include "app/mainframe.h"
#include "base/paths.h"
#include "form/documentwindow.h"
#include "form/formcontent.h"
#include "form/kinds.h"
#include "parties/addressbook.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

class TestMainForm : public QObject {
    Q_OBJECT

private:
    static QMdiSubWindow *childOf(QWidget *w) { return mainFrame()->childOf(w); }

private Q_SLOTS:
    void startState()
    {
        Program p;
        QCOMPARE(p.frame()->objectName(), u"MainForm"_s);
        QCOMPARE(p.frame()->windowTitle(), u"Formelan 2.5"_s);
        QVERIFY(p.frame()->isMaximized());
        QCOMPARE(docWindow()->windowTitle(), u"Преводно нареждане /Вносна бележка/ м.р."_s);
        QAction *n7 = p.find<QAction>(u"N7"_s);
        QVERIFY(n7->isChecked());
        QCOMPARE(p.frame()->currentKindItem(), n7);
        QCOMPARE(p.frame()->currentDataItem(), nullptr);
        QVERIFY(docWindow()->panel(4)->isVisible());
        QCOMPARE(p.frame()->mdiArea()->activeSubWindow(), childOf(docWindow()));
        for (QWidget *w :
             {static_cast<QWidget *>(docWindow()), static_cast<QWidget *>(recipientsBook()),
              static_cast<QWidget *>(payersBook())})
            QVERIFY(childOf(w)->isVisible());
        // Cascaded: each child below and right of the one behind it.
        const auto stack = p.frame()->mdiArea()->subWindowList(QMdiArea::StackingOrder);
        QCOMPARE(stack.size(), 3);
        QCOMPARE(stack.last(), childOf(docWindow()));
        QVERIFY(stack.at(0)->pos().x() < stack.at(1)->pos().x());
        QVERIFY(stack.at(1)->pos().y() < stack.at(2)->pos().y());

        int dates = 0;
        for (QWidget *f : docWindow()->fields()) {
            if (auto *d = qobject_cast<QDateTimeEdit *>(f)) {
                ++dates;
                QCOMPARE(d->date(), noDate()); // a new document's dates are not given
            }
        }
        QCOMPARE(dates, 16);
    }

    void commandsAreAllThere()
    {
        Program p;
        const QStringList toolbar1{u"ToolButton1"_s, u"ToolButton2"_s, u"ToolButton4"_s,
                                   u"ToolButton11"_s, u"ToolButton3"_s};
        const QStringList menus{u"blanks"_s, u"data"_s, u"processing"_s, u"Windows"_s, u"help"_s};
        for (qsizetype i = 0; i < toolbar1.size(); ++i) {
            auto *button = p.find<QToolButton>(toolbar1.at(i));
            QVERIFY2(button, qPrintable(toolbar1.at(i)));
            QCOMPARE(button->menu()->objectName(), menus.at(i));
        }
        QCOMPARE(p.find<QToolBar>(u"ToolBar1"_s)->findChildren<QToolButton *>().size() >= 5, true);
        const QStringList items{u"N10"_s, u"N11"_s,  u"N12"_s, u"N14"_s, u"WQ1"_s, u"N1"_s,
                                u"N2"_s,  u"N3"_s,   u"N4"_s,  u"N5"_s,  u"N6"_s,  u"N7"_s,
                                u"N8"_s,  u"Dan1"_s, u"N16"_s, u"N17"_s, u"N18"_s, u"Word1"_s,
                                u"N9"_s,  u"N13"_s,  u"N19"_s, u"N20"_s, u"N21"_s, u"N15"_s,
                                u"N22"_s, u"N23"_s,  u"N24"_s, u"Z1"_s,  u"N26"_s, u"N25"_s};
        for (const QString &name : items) {
            auto *a = p.find<QAction>(name);
            QVERIFY2(a && a->isEnabled(), qPrintable(name));
        }
        const QList<std::pair<QString, QString>> hints{
            {u"ToolButton5"_s, u"Отваряне на формуляр"_s},
            {u"ToolButton6"_s, u"Записване на формуляр"_s},
            {u"ToolButton7"_s, u"Изрязване"_s},
            {u"ToolButton8"_s, u"Копиране"_s},
            {u"ToolButton9"_s, u"Поставяне"_s},
            {u"ToolButton10"_s, u"Изчистване на полетата в активния прозорец"_s},
            {u"ToolButton12"_s, u"Изпращане към MS Word"_s},
            {u"PrintDocumentButton"_s, u"Печат"_s},
            {u"SavePdfButton"_s, u"Запис като PDF"_s}};
        auto *toolBar2 = p.find<QToolBar>(u"ToolBar2"_s);
        QCOMPARE(toolBar2->iconSize(), QSize(48, 48));
        for (const auto &[name, hint] : hints) {
            auto *b = toolBar2->findChild<QToolButton *>(name);
            QVERIFY2(b, qPrintable(name));
            QCOMPARE(b->toolTip(), hint);
            QVERIFY(b->isEnabled());
            QVERIFY(b->text().isEmpty() || b->toolButtonStyle() == Qt::ToolButtonIconOnly);
            QVERIFY(!b->icon().isNull());
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
        }
    }

    void kindCommand_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("panel");
        QTest::addColumn<QSize>("size");
        QTest::newRow("WQ1") << u"WQ1"_s << 0 << QSize(400, 580);
        QTest::newRow("N1") << u"N1"_s << 2 << QSize(800, 720);
        QTest::newRow("N2") << u"N2"_s << 1 << QSize(400, 780);
        QTest::newRow("N3") << u"N3"_s << 1 << QSize(400, 780);
        QTest::newRow("N4") << u"N4"_s << 3 << QSize(400, 780);
        QTest::newRow("N5") << u"N5"_s << 0 << QSize(400, 580);
        QTest::newRow("N6") << u"N6"_s << 0 << QSize(400, 580);
        QTest::newRow("N7") << u"N7"_s << 4 << QSize(800, 720);
    }

    void kindCommand()
    {
        QFETCH(QString, item);
        QFETCH(int, panel);
        QFETCH(QSize, size);
        Program p;
        // Start from another kind so that the check mark has to move.
        auto *start = p.find<QAction>(item == u"WQ1"_s ? u"N5"_s : u"WQ1"_s);
        start->trigger();
        childOf(recipientsBook())->showMinimized();
        childOf(docWindow())->showMinimized();

        auto *a = p.find<QAction>(item);
        a->trigger();
        QCOMPARE(docWindow()->windowTitle(), a->text());
        QVERIFY(a->isChecked());
        QVERIFY(!start->isChecked());
        QCOMPARE(p.frame()->currentKindItem(), a);
        QCOMPARE(p.frame()->requestedViewSize(), size);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(docWindow()->panel(i)->isVisible(), i == panel);
        QVERIFY(!childOf(docWindow())->isMinimized());
        QCOMPARE(p.frame()->mdiArea()->activeSubWindow(), childOf(docWindow()));

        // A panel beside the main column makes the window wider than the main column
        // alone; one under it makes it taller, or scroll.
        const QSize kindSize = childOf(docWindow())->size();
        p.find<QAction>(u"WQ1"_s)->trigger();
        const QSize plain = childOf(docWindow())->size();
        if (panel == 2 || panel == 4)
            QVERIFY(plain.width() + 300 < kindSize.width());
        else
            QVERIFY(std::abs(plain.width() - kindSize.width()) <= 20); // a scroll bar at most
    }

    void kindChangesKeepValues()
    {
        Program p;
        auto *ium1 = docWindow()->control(u"ium1")
                         ? static_cast<QLineEdit *>(docWindow()->control(u"ium1"))
                         : nullptr;
        QVERIFY(ium1);
        ium1->setText(u"150"_s);
        static_cast<QLineEdit *>(docWindow()->control(u"d1"))->setText(u"25"_s);
        static_cast<QLineEdit *>(docWindow()->control(u"bnb_number"))->setText(u"77"_s);
        p.find<QAction>(u"WQ1"_s)->trigger();
        QVERIFY(!docWindow()->panel(4)->isVisible());
        p.find<QAction>(u"N2"_s)->trigger();
        p.find<QAction>(u"N7"_s)->trigger();
        QVERIFY(docWindow()->panel(4)->isVisible());
        QCOMPARE(ium1->text(), u"150"_s);
        QCOMPARE(static_cast<QLineEdit *>(docWindow()->control(u"d1"))->text(), u"25"_s);
        QCOMPARE(static_cast<QLineEdit *>(docWindow()->control(u"bnb_number"))->text(), u"77"_s);
        // The current kind chosen again keeps its check mark and shows its panel again.
        p.find<QAction>(u"N7"_s)->trigger();
        QVERIFY(p.find<QAction>(u"N7"_s)->isChecked());
        QVERIFY(docWindow()->panel(4)->isVisible());
    }

    void captionNamingNoKind()
    {
        Program p;
        p.find<QAction>(u"N1"_s)->trigger();
        const QSize before = p.frame()->requestedViewSize();
        docWindow()->setWindowTitle(u"Преводно нареждане /вносна бележка/ м.р."_s); // case differs
        p.frame()->arrangeDocumentWindow();
        for (int i = 1; i <= 4; ++i)
            QVERIFY(!docWindow()->panel(i)->isVisible());
        QCOMPARE(p.frame()->requestedViewSize(), before);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void dataCommand()
    {
        Program p;
        auto *n8 = p.find<QAction>(u"N8"_s);
        auto *dan1 = p.find<QAction>(u"Dan1"_s);
        n8->trigger();
        n8->trigger();
        QVERIFY(n8->isChecked());
        QCOMPARE(p.frame()->currentDataItem(), n8);
        QCOMPARE(p.frame()->mdiArea()->activeSubWindow(), childOf(recipientsBook()));
        dan1->trigger();
        QVERIFY(dan1->isChecked());
        QVERIFY(!n8->isChecked());
        QCOMPARE(p.frame()->mdiArea()->activeSubWindow(), childOf(payersBook()));
        // The check mark shows the last choice, not the active window.
        p.find<QAction>(u"N7"_s)->trigger();
        QVERIFY(dan1->isChecked());
        // A minimised address book comes back.
        childOf(recipientsBook())->showMinimized();
        n8->trigger();
        QVERIFY(!childOf(recipientsBook())->isMinimized());
    }

    void minimiseAllAndCloseMeansMinimise()
    {
        Program p;
        p.find<QAction>(u"Dan1"_s)->trigger();
        p.find<QAction>(u"N20"_s)->trigger();
        for (QMdiSubWindow *sub : p.frame()->mdiArea()->subWindowList())
            QVERIFY(sub->isMinimized());

        p.find<QAction>(u"N7"_s)->trigger();
        QMdiSubWindow *view = childOf(docWindow());
        QVERIFY(!view->isMinimized());
        view->close();
        QVERIFY(view->isMinimized());
        QCOMPARE(p.frame()->mdiArea()->subWindowList().size(), 3);
        QVERIFY(docWindow() && docWindow()->control(u"sum"));
        QVERIFY(p.frame()->mdiArea()->activeSubWindow());
    }

    void tiling()
    {
        Program p;
        p.frame()->showNormal();
        // Room enough for every window's fields and a third for the whole form: the
        // shares are equal.
        p.frame()->setGeometry(0, 0, 2600, 2600);
        QMdiArea *area = p.frame()->mdiArea();
        QTRY_VERIFY(area->viewport()->width() > 2500);
        const QRect room = area->viewport()->rect();
        p.find<QAction>(u"N13"_s)->trigger(); // side by side
        QList<QMdiSubWindow *> subs = area->subWindowList();
        for (QMdiSubWindow *s : subs) {
            QCOMPARE(s->height(), room.height());
            QVERIFY(std::abs(s->width() - room.width() / 3) <= 1);
        }
        p.find<QAction>(u"N19"_s)->trigger(); // one above the other
        for (QMdiSubWindow *s : subs) {
            QCOMPARE(s->width(), room.width());
            QVERIFY(std::abs(s->height() - room.height() / 3) <= 1);
        }
        // Minimised windows stay minimised and out of the tiling.
        childOf(recipientsBook())->showMinimized();
        p.find<QAction>(u"N13"_s)->trigger();
        QVERIFY(childOf(recipientsBook())->isMinimized());
        QVERIFY(std::abs(childOf(payersBook())->width() - room.width() / 2) <= 1);
    }

    void aboutBox()
    {
        Program p;
        p.find<QAction>(u"N25"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        const auto &m = p.dialogs.messages.first();
        QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        const QStringList lines = m.text.split(u'\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).startsWith(u"Редактор на платежни документи „Formelan“"_s));
        QVERIFY(lines.at(0).endsWith(u"2.5"_s));
    }

    void referenceDocuments_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("opens");   // once the program's help folder is in place
        QTest::addColumn<QString>("told"); // a part of what the clerk is told otherwise
        QTest::newRow("N21") << u"N21"_s << false << u"https://bnb.bg/AboutUs/AULegalFramework/"_s;
        QTest::newRow("N15") << u"N15"_s << false << u"Наредба № 3 на БНБ от 18 април 2018 г."_s;
        QTest::newRow("N22") << u"N22"_s << true << u"help/banks.csv"_s;
        QTest::newRow("N23") << u"N23"_s << false << u"https://nra.bg"_s;
        QTest::newRow("N24") << u"N24"_s << true << u"https://nra.bg"_s;
        QTest::newRow("Z1") << u"Z1"_s << false << u"получателя на плащането"_s;
        QTest::newRow("N26") << u"N26"_s << false << u"от НОИ"_s;
    }

    void referenceDocuments()
    {
        QFETCH(QString, item);
        QFETCH(bool, opens);
        QFETCH(QString, told);
        Program p;
        QAction *a = p.find<QAction>(item);
        const auto toldOnce = [&](const QString &part) {
            return p.dialogs.messages.size() == 1 &&
                   p.dialogs.messages.first().text.contains(a->text()) &&
                   p.dialogs.messages.first().text.contains(part);
        };
        // No help folder: the clerk is told, nothing is opened.
        a->trigger();
        QVERIFY(p.opened.isEmpty());
        QVERIFY2(toldOnce(told), qPrintable(p.dialogs.messages.value(0).text));

        // The help folder as installed, and the office's own bank in its list.
        const QDir shipped(QStringLiteral(FORMELAN_SOURCE_DIR "/data/help"));
        QVERIFY(QDir(p.dataDir()).mkpath(u"help"_s));
        for (const QString &name : shipped.entryList(QDir::Files))
            QVERIFY(QFile::copy(shipped.filePath(name), p.dataDir() + u"/help/"_s + name));
        QVERIFY(QDir().mkpath(p.userDir()));
        QFile office(p.userDir() + u"/banks.csv"_s);
        QVERIFY(office.open(QIODevice::WriteOnly));
        office.write(
            u"group,name,bic\nБанки на офиса,Кооперативна каса на офиса,OFFCBGSF\n"_s.toUtf8());
        office.close();
        p.dialogs.messages.clear();
        // The path comes from the data folder, whatever the working folder.
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(QDir::tempPath());
        a->trigger();
        QDir::setCurrent(cwd);
        if (!opens) {
            QVERIFY(p.opened.isEmpty());
            QVERIFY2(toldOnce(told), qPrintable(p.dialogs.messages.value(0).text));
            return;
        }
        QCOMPARE(p.opened.size(), 1);
        QVERIFY(p.dialogs.messages.isEmpty());
        QFile page(p.opened.first());
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        QVERIFY(html.contains(u"<title>"_s + a->text() + u"</title>"_s));
        if (item == u"N22"_s) {
            for (const QString &row : {u"Кооперативна каса на офиса"_s, u"OFFCBGSF"_s,
                                       u"Българска народна банка"_s, u"BNBGBGSD"_s})
                QVERIFY2(html.contains(row), qPrintable(row));
        }

        // Nothing on the desktop takes it: the clerk is told where it lies.
        setDesktopOpener([](const QString &) { return false; });
        a->trigger();
        QVERIFY2(toldOnce(displayPath(p.opened.first())),
                 qPrintable(p.dialogs.messages.value(0).text));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
