#include "testsupport.h"

#include "base/dialogs.h"
#include "base/files.h"
#include "base/paths.h"

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

    // Sizes in messages: digits in groups of three, whole kilobytes and megabytes named.
    void sizesInWords_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one") << qint64(1) << u"1 байт"_s;
        QTest::newRow("under a kilobyte") << qint64(1023) << u"1\u00a0023 байта"_s;
        QTest::newRow("a kilobyte") << qint64(1024) << u"1\u00a0024 байта (1 КБ)"_s;
        QTest::newRow("not whole") << qint64(1025) << u"1\u00a0025 байта"_s;
        QTest::newRow("a megabyte") << qint64(1 << 20) << u"1\u00a0048\u00a0576 байта (1 МБ)"_s;
        QTest::newRow("a megabyte and a half")
            << qint64(3 << 19) << u"1\u00a0572\u00a0864 байта (1536 КБ)"_s;
        QTest::newRow("two megabytes and a byte")
            << qint64((2 << 20) + 1) << u"2\u00a0097\u00a0153 байта"_s;
    }

    void sizesInWords()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, shown);
        QCOMPARE(byteCount(bytes), shown);
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
        QFileDialog::AcceptMode mode{}; // a save dialog's button says so, and asks no file
        auto typeAndEnter = [&offered, &mode](const QString &name) {
            return [&offered, &mode, name](QWidget *modal) {
                auto *edit = modal->findChild<QLineEdit *>(u"fileNameEdit"_s);
                offered = edit->text();
                mode = qobject_cast<QFileDialog *>(modal)->acceptMode();
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
        QCOMPARE(mode, QFileDialog::AcceptOpen);
        whenAsked(typeAndEnter(u"new.frm"_s));
        QCOMPARE(dialogs().saveFileName(&window, filter, dir.path()), dir.filePath(u"new.frm"_s));
        QCOMPARE(offered, QString());
        QCOMPARE(mode, QFileDialog::AcceptSave);
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

    void dataBesideTheProgram_data()
    {
        QTest::addColumn<QStringList>("folders"); // made under a fresh root
        QTest::addColumn<QString>("found");
        QTest::newRow("build tree") << QStringList{u"bin/help"_s, u"bin/forms"_s} << u"bin"_s;
        QTest::newRow("forms alone beside")
            << QStringList{u"bin/forms"_s, u"share/formelan/help"_s, u"share/formelan/forms"_s}
            << u"bin"_s;
        QTest::newRow("installed")
            << QStringList{u"share/formelan/help"_s, u"share/formelan/forms"_s}
            << u"share/formelan"_s;
        QTest::newRow("help alone installed")
            << QStringList{u"share/formelan/help"_s} << u"share/formelan"_s;
        QTest::newRow("beside wins")
            << QStringList{u"bin/help"_s, u"share/formelan/forms"_s} << u"bin"_s;
        QTest::newRow("none") << QStringList{u"share/other/help"_s} << u"bin"_s;
    }

    // The program's data is found beside it (a build tree, a portable copy), else where
    // an installation puts it.
    void dataBesideTheProgram()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, found);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(u"bin"_s));
        for (const QString &f : folders)
            QVERIFY(QDir(root.path()).mkpath(f));
        QCOMPARE(dataDirBeside(root.filePath(u"bin"_s)), root.filePath(found));
    }

#ifdef Q_OS_LINUX
    // A file whose size the system does not know in advance (a network file system, a
    // file still being written) is read to its end, and measured by what it holds.
    void fileOfUnknownSizeIsReadWhole()
    {
        const QString status = u"/proc/self/status"_s;
        const FileRead whole = readWholeFile(status, 1 << 20);
        QVERIFY2(whole.error.isEmpty(), qPrintable(whole.error));
        QVERIFY(whole.bytes.startsWith("Name:"));
        QVERIFY(whole.bytes.contains("\nPid:"));
        QVERIFY(whole.bytes.endsWith('\n'));
        const FileRead cut = readWholeFile(status, 20);
        QVERIFY(cut.bytes.isEmpty());
        // Read only up to the limit, its size is not known: none is told.
        QCOMPARE(cut.error, u"Файлът „%1“ не може да бъде отворен: размерът му е над "
                            u"допустимите 20 байта."_s.arg(status));
    }
#endif
};

QTEST_MAIN(TestErrors)
#include "tst_errors.moc"
