#include "testsupport.h"

#include "base/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

// Answers the modal window the program opens next, once it is up.
void whenAsked(const std::function<void(QWidget *)> &answer)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            poll->deleteLater();
            poll->stop();
            answer(modal);
        }
    });
    poll->start(10);
}

} // namespace

class TestErrors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullStopRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("latin letter") << u"Cannot open file"_s << u"Cannot open file."_s;
        QTest::newRow("digit") << u"List index out of bounds (3"_s
                               << u"List index out of bounds (3."_s;
        QTest::newRow("closing parenthesis")
            << u"List index out of bounds (0)"_s << u"List index out of bounds (0)"_s;
        QTest::newRow("full stop") << u"Done."_s << u"Done."_s;
        QTest::newRow("cyrillic letter") << u"Отказан достъп"_s << u"Отказан достъп."_s;
        QTest::newRow("exclamation sorts before") << u"Грешка!"_s << u"Грешка!"_s;
        QTest::newRow("quote sorts before") << u"file \"a\""_s << u"file \"a\""_s;
        QTest::newRow("question mark sorts after") << u"Why?"_s << u"Why?."_s;
        QTest::newRow("slash sorts after") << u"c:/"_s << u"c:/."_s;
        QTest::newRow("trailing space") << u"text "_s << u"text "_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void fullStopRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(errorBoxText(message), shown);
    }

    void escapingErrorShowsBoxAndGoesOn()
    {
        test::FakeDialogs dialogs;
        bool after = false;
        guarded([] { throw AppError(u"'x' is not a valid integer value"_s); });
        guarded([&] { after = true; });
        QVERIFY(after);
        QCOMPARE(dialogs.messages.size(), 1);
        const auto &m = dialogs.messages.first();
        QCOMPARE(m.title, u"Formelan"_s);
        QCOMPARE(m.icon, QMessageBox::Critical);
        QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(m.text, u"'x' is not a valid integer value."_s);
    }

    // The real boxes and file dialogs, answered as a clerk answers them: the answer comes
    // back, and the keys go back to the field that had them.
    void realDialogsAnswer()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *first = new QLineEdit(&window);
        auto *second = new QLineEdit(&window);
        layout->addWidget(first);
        layout->addWidget(second);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        second->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), second);

        whenAsked([](QWidget *modal) {
            QTest::mouseClick(qobject_cast<QMessageBox *>(modal)->button(QMessageBox::No),
                              Qt::LeftButton);
        });
        QCOMPARE(dialogs().message(&window, QMessageBox::Question, u"Formelan"_s, u"?"_s,
                                   QMessageBox::Yes | QMessageBox::No),
                 QMessageBox::No);
        QTRY_COMPARE(QApplication::focusWidget(), second);

        QTemporaryDir dir;
        const QString file = dir.filePath(u"a.frm"_s);
        QFile(file).open(QIODevice::WriteOnly);
        const QString filter = u"Formelan Формуляри (*.frm)"_s;
        QString offered;
        auto typeAndEnter = [&offered](const QString &name) {
            return [&offered, name](QWidget *modal) {
                auto *edit = modal->findChild<QLineEdit *>(u"fileNameEdit"_s);
                offered = edit->text();
                if (!name.isEmpty()) {
                    edit->selectAll();
                    QTest::keyClicks(edit, name);
                }
                QTest::keyClick(edit, Qt::Key_Return);
            };
        };
        // The file given is offered; a folder is where the dialog starts, with no name.
        whenAsked(typeAndEnter(u"a.frm"_s));
        QCOMPARE(dialogs().openFileName(&window, filter, file), file);
        QCOMPARE(offered, u"a.frm"_s);
        whenAsked(typeAndEnter(u"new.frm"_s));
        QCOMPARE(dialogs().saveFileName(&window, filter, dir.path()), dir.filePath(u"new.frm"_s));
        QCOMPARE(offered, QString());
        // A new name offered is taken as it is.
        const QString suggested = dir.filePath(u"нов документ.frm"_s);
        whenAsked(typeAndEnter(QString()));
        QCOMPARE(dialogs().saveFileName(&window, filter, suggested), suggested);
        QCOMPARE(offered, u"нов документ.frm"_s);
        // Replacing a file is the program's question, asked once it has the name.
        QTimer overwrite;
        bool askedToReplace = false;
        connect(&overwrite, &QTimer::timeout, &overwrite, [&askedToReplace] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                askedToReplace = true;
                box->button(QMessageBox::Yes)->click();
            }
        });
        overwrite.start(10);
        whenAsked(typeAndEnter(u"a.frm"_s));
        QCOMPARE(dialogs().saveFileName(&window, filter, dir.path()), file);
        QVERIFY(!askedToReplace);
        overwrite.stop();
        whenAsked([](QWidget *modal) { QTest::keyClick(modal, Qt::Key_Escape); });
        QCOMPARE(dialogs().openFileName(&window, filter, file), QString());
        QTRY_COMPARE(QApplication::focusWidget(), second);
    }
};

QTEST_MAIN(TestErrors)
#include "tst_errors.moc"
