#include "require.h"
#include "testsupport.h"

#include "app/printing.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A template of our own, A4 unless told: a title, then each placeholder in brackets,
// a paragraph each.
void writeTemplate(const Program &p, const QString &name, const QStringList &placeholders,
                   const QByteArray &paper = "\\paperw11906\\paperh16838")
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 "
                     "Arial;}}" +
                     paper +
                     "\\margl1134\\margr1134\\margt1134\\margb1134\\f0\\fs24 "
                     "\\'cf\\'eb\\'e0\\'f2\\'e5\\'e6\\'ed\\'ee\\par ";
    for (const QString &ph : placeholders)
        rtf += "[" + ph.toLatin1() + "]\\par ";
    rtf += "}";
    writeFile(p.dataDir() + u"/forms/"_s + name, rtf);
}

// What a tool of poppler-utils prints for the file; empty when it is not installed.
QString poppler(const QString &tool, const QStringList &arguments)
{
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return {};
    QProcess run;
    run.start(tool, arguments);
    if (!run.waitForFinished(30000) || run.exitCode() != 0)
        return u"(%1 failed: %2)"_s.arg(tool, QString::fromUtf8(run.readAllStandardError()));
    return QString::fromUtf8(run.readAllStandardOutput());
}

QString pdfText(const QString &pdf)
{
    return poppler(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
}

// A line of pdfinfo's answer, such as "Pages" or "Title".
QString pdfInfo(const QString &pdf, const QString &key)
{
    for (const QString &line : poppler(u"pdfinfo"_s, {pdf}).split(u'\n')) {
        if (line.startsWith(key + u':'))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}

bool havePoppler()
{
    return !QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty() &&
           !QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty();
}

void click(Program &p, const QString &button)
{
    auto *b = p.find<QToolButton>(button);
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
}

// The values a clerk types into the document, each left for the next.
const QList<std::pair<QString, QString>> kTyped{
    {u"Recipient_name"_s, u"ЕТ Иван Петров"_s},
    {u"recipient_iban_number1"_s, u"BG80BNBG96611020345678"_s},
    {u"rebank"_s, u"Българска народна банка"_s},
    {u"sum"_s, u"1234"_s},
    {u"dr"_s, u"5"_s},
    {u"reason"_s, u"Наем за март 2026"_s},
    {u"depositor_name"_s, u"Фирма Слънце ООД"_s},
};
// What each brings to the document.
const QStringList kExpected{u"[ЕТ Иван Петров]"_s,
                            u"[BG80BNBG96611020345678]"_s,
                            u"[Българска народна банка]"_s,
                            u"[<<<<<<1234]"_s,
                            u"[05]"_s,
                            u"[Наем за март 2026]"_s,
                            u"[Фирма Слънце ООД]"_s};

void typeDocument()
{
    for (const auto &[field, value] : kTyped)
        typeInto(docWindow()->control(field), value);
    pressTab();
}

QStringList placeholders()
{
    QStringList out;
    for (const auto &typed : kTyped)
        out.append(typed.first);
    return out;
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { setPrintersForTesting(std::nullopt); }

    // The document typed by a clerk, saved as a PDF: one page, every value, the kind
    // as its title, the name offered from the kind, the recipient and the document's
    // date in the user's documents folder.
    void savePdf_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("file"); // the kind's template
        QTest::addColumn<QString>("how");  // the command as the user gives it
        QTest::addColumn<QString>("offered");
        QTest::newRow("menu item, eighth kind") << u"N7"_s << u"formuliar8.doc"_s << u"SavePdf"_s
                                                << u"Преводно нареждане Вносна бележка м.р"_s;
        QTest::newRow("toolbar, deposit slip")
            << u"WQ1"_s << u"vnosna_belezhka.doc"_s << u"SavePdfButton"_s << u"Вносна бележка"_s;
        QTest::newRow("keys, budget order")
            << u"N5"_s << u"byudzhetno_narezhdane.doc"_s << u"Ctrl+Shift+P"_s
            << u"Бюджетно платежно нареждане"_s;
        QTest::newRow("print with no printer, credit transfer")
            << u"N2"_s << u"kreditni_prevod.doc"_s << u"PrintDocument"_s
            << u"Преводно нареждане за кредитен превод"_s;
    }

    void savePdf()
    {
        QFETCH(QString, kind);
        QFETCH(QString, file);
        QFETCH(QString, how);
        QFETCH(QString, offered);
        offered +=
            u" – ЕТ Иван Петров – "_s + QDate::currentDate().toString(u"yyyy-MM-dd"_s) + u".pdf"_s;
        FORMELAN_NEED(
            havePoppler(),
            "pdftotext and pdfinfo (Debian: poppler-utils) are needed to read the PDF back");
        setPrintersForTesting(QStringList{});
        Program p;
        writeTemplate(p, file, placeholders());
        p.find<QAction>(kind)->trigger();
        typeDocument();
        QDir().mkpath(p.dataDir() + u"/out"_s);
        const QString pdf = p.dataDir() + u"/out/платежно"_s; // ".pdf" is added
        p.dialogs.fileAnswers = {pdf};
        p.dialogs.answers = {QMessageBox::Yes};
        if (how.startsWith(u"Ctrl"_s)) {
            const QKeyCombination key = QKeySequence(how)[0];
            QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        } else if (how.endsWith(u"Button"_s)) {
            click(p, how);
        } else {
            p.find<QAction>(how)->trigger();
        }
        const QString kindName = docWindow()->kind();
        if (how == u"PrintDocument"_s) {
            QCOMPARE(p.dialogs.messages.size(), 1);
            QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Question);
            QVERIFY(p.dialogs.messages.first().text.contains(u"PDF"_s));
        } else {
            QCOMPARE(p.dialogs.texts(), QStringList{});
        }
        // The user's documents folder, or home where there is none.
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString firstFolder = QFileInfo(documents).isDir() ? documents : QDir::homePath();
        QCOMPARE(p.dialogs.fileInitials, QStringList{firstFolder + u'/' + offered});
        QVERIFY(p.dialogs.fileFilters.first().contains(u"*.pdf"_s));
        const QString written = pdf + u".pdf"_s;
        QVERIFY(readFile(written).startsWith("%PDF-"));
        QCOMPARE(pdfInfo(written, u"Pages"_s), u"1"_s);
        QCOMPARE(pdfInfo(written, u"Title"_s), kindName);
        const QString text = pdfText(written);
        QVERIFY2(text.contains(u"Платежно"_s), qPrintable(text));
        for (const QString &value : kExpected)
            QVERIFY2(text.contains(value), qPrintable(value + u" in\n"_s + text));
        QVERIFY(!QFile::exists(p.dataDir() + u"/Projects/project.doc"_s)); // no send

        // The next PDF is offered in the folder chosen, named after the kind.
        p.dialogs.fileAnswers.clear();
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QCOMPARE(p.dialogs.fileInitials.last(), p.dataDir() + u"/out/"_s + offered);

        // That folder gone, the dialog never offers a folder that does not exist.
        QVERIFY(QDir(p.dataDir() + u"/out"_s).removeRecursively());
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QCOMPARE(p.dialogs.fileInitials.last(), firstFolder + u'/' + offered);
    }

    // The whole check before a PDF and by its key: the PDF waits for a document the
    // bank would take (or the clerk going on); the finding chosen by keys leads to its
    // field; a sound document passes without a word.
    void wholeDocumentCheck()
    {
        Program p;
        p.dialogs.stopAtFindings = true;
        writeTemplate(p, u"kreditni_prevod.doc"_s, placeholders());
        p.find<QAction>(u"N2"_s)->trigger();
        typeDocument(); // the payer's account left out
        QStringList shown;
        p.dialogs.dialogHandler = [&](QDialog &d) {
            auto *list = d.findChild<QListWidget *>(u"findingsList"_s);
            QVERIFY(list);
            for (int i = 0; i < list->count(); ++i)
                shown.append(list->item(i)->text());
            QTest::keyClick(&d, Qt::Key_Escape);
        };
        p.dialogs.fileAnswers = {p.dataDir() + u"/x.pdf"_s};
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QCOMPARE(shown, QStringList{u"IBAN на наредителя: не е попълнено"_s});
        QVERIFY(p.dialogs.fileInitials.isEmpty()); // no file asked for, none written

        p.dialogs.dialogHandler = [](QDialog &d) {
            QTest::keyClick(d.findChild<QListWidget *>(u"findingsList"_s), Qt::Key_Return);
        };
        clickInto(docWindow()->control(u"reason"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F7);
        QCOMPARE(p.dialogs.dialogsRun.size(), 2);
        QTRY_COMPARE(QApplication::focusWidget(), docWindow()->control(u"depositor_iban_number1"));
        QTest::keyClicks(QApplication::focusWidget(), u"BG18RZBB91550123456789"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F7);
        QCOMPARE(p.dialogs.dialogsRun.size(), 2);
        QCOMPARE(p.dialogs.texts(),
                 QStringList{u"Документът е проверен: не е намерено нищо нередно."_s});
    }

    // Where the form's faces and those of their widths are missing, the first PDF or
    // print says which package brings them, once; the documents are made all the same.
    void missingFacesToldOnce()
    {
        if (!dejaVuOnly()) {
            const QString child = runWithDejaVuOnly("missingFacesToldOnce");
            QVERIFY2(child.isEmpty(), qPrintable(child));
            return;
        }
        Program p;
        writeTemplate(p, u"vnosna_belezhka.doc"_s, placeholders());
        p.find<QAction>(u"WQ1"_s)->trigger();
        const QString pdf = p.dataDir() + u"/first.pdf"_s;
        p.dialogs.fileAnswers = {pdf, p.dataDir() + u"/second.pdf"_s};
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QVERIFY(readFile(pdf).startsWith("%PDF-"));
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Warning);
        QVERIFY2(p.dialogs.messages.first().text.contains(u"fonts-liberation2"_s),
                 qPrintable(p.dialogs.messages.first().text));
        p.find<QAction>(u"SavePdf"_s)->trigger();
        setPrintersForTesting(QStringList{u"Принтер"_s});
        p.find<QAction>(u"PrintDocument"_s)->trigger();
        QVERIFY(QFile::exists(p.dataDir() + u"/second.pdf"_s));
        QCOMPARE(p.dialogs.dialogsRun, QStringList{u"PrintPreview"_s});
        QCOMPARE(p.dialogs.messages.size(), 1);
    }

    // The cents still being typed in when a command is clicked reach the page as
    // leaving the field would have completed them.
    void centsTypedThenPdf_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one digit") << u"5"_s << u"[05]"_s;
        QTest::newRow("emptied") << QString() << u"[00]"_s;
    }

    void centsTypedThenPdf()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        FORMELAN_NEED(
            havePoppler(),
            "pdftotext and pdfinfo (Debian: poppler-utils) are needed to read the PDF back");
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, {u"dr"_s});
        typeInto(docWindow()->control(u"dr"), typed);
        QWidget *focused = QApplication::focusWidget();
        const QString pdf = p.dataDir() + u"/cents.pdf"_s;
        p.dialogs.fileAnswers = {pdf};
        click(p, u"SavePdfButton"_s);
        QCOMPARE(QApplication::focusWidget(), focused); // the field was not left
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(expected), qPrintable(text));
        QCOMPARE(fieldText(docWindow()->control(u"dr")), expected.mid(1, 2));
    }

    // With no printer the print command offers the PDF; declined, nothing is asked
    // or written.
    void noPrinterDeclined()
    {
        setPrintersForTesting(QStringList{});
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, {u"sum"_s});
        p.dialogs.answers = {QMessageBox::No};
        QTest::keyClick(p.frame(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(p.dialogs.fileInitials.isEmpty());
        QVERIFY(p.dialogs.dialogsRun.isEmpty());
    }

    // With a printer, Ctrl+P shows the preview of the filled document on the paper the
    // document asks for.
    void preview_data()
    {
        QTest::addColumn<QByteArray>("paper");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("pages");
        QTest::newRow("A4 portrait")
            << QByteArray("\\paperw11906\\paperh16838") << int(QPageLayout::Portrait) << 1;
        QTest::newRow("A5 landscape")
            << QByteArray("\\paperw11906\\paperh8391") << int(QPageLayout::Landscape) << 1;
        QTest::newRow("two pages")
            << QByteArray("\\paperw11906\\paperh16838\\page ") << int(QPageLayout::Portrait) << 2;
    }

    void preview()
    {
        QFETCH(QByteArray, paper);
        QFETCH(int, orientation);
        QFETCH(int, pages);
        setPrintersForTesting(QStringList{u"Офис"_s});
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, {u"rebank"_s}, paper);
        typeInto(docWindow()->control(u"rebank"), u"Банка ДСК"_s);
        int shownPages = -1;
        int shownOrientation = -1;
        QString title;
        p.dialogs.dialogHandler = [&](QDialog &dialog) {
            title = dialog.windowTitle();
            auto *view = dialog.findChild<QPrintPreviewWidget *>();
            QVERIFY(view);
            QTRY_VERIFY(view->pageCount() > 0);
            shownPages = view->pageCount();
            shownOrientation = int(view->orientation());
            // The form's own page is the only one: nothing offers to turn or set it up.
            int found = 0;
            for (const QAction *action : dialog.findChildren<QAction *>()) {
                for (const char *text : {"Portrait", "Landscape", "Page setup"}) {
                    if (action->text() ==
                        QCoreApplication::translate("QPrintPreviewDialog", text)) {
                        ++found;
                        QVERIFY2(!action->isVisible(), text);
                    }
                }
            }
            QCOMPARE(found, 3);
            dialog.reject();
        };
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(p.dialogs.dialogsRun, QStringList{u"PrintPreview"_s});
        QCOMPARE(shownPages, pages);
        QCOMPARE(shownOrientation, orientation);
        QVERIFY2(title.contains(docWindow()->kind()), qPrintable(title));
        QCOMPARE(p.dialogs.texts(), QStringList{});
    }

    // Print and PDF refuse what the send refuses, with the same words, before any
    // dialog.
    void refusedTemplate_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("bytes"); // the template; null: none
        QTest::addColumn<QString>("says");
        QTest::newRow("PDF, Word binary")
            << u"SavePdf"_s << QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(512, '\0')
            << u"не е RTF"_s;
        QTest::newRow("print, docx")
            << u"PrintDocument"_s << QByteArray("PK\x03\x04\x14\x00\x06\x00word/document.xml")
            << u"не е RTF"_s;
        QTest::newRow("PDF, missing") << u"SavePdf"_s << QByteArray() << u"липсва"_s;
        QTest::newRow("print, missing") << u"PrintDocument"_s << QByteArray() << u"липсва"_s;
    }

    void refusedTemplate()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        setPrintersForTesting(QStringList{u"Офис"_s});
        Program p;
        const QString file = p.dataDir() + u"/forms/formuliar8.doc"_s;
        if (!bytes.isNull())
            writeFile(file, bytes);
        p.dialogs.fileAnswers = {p.dataDir() + u"/x.pdf"_s};
        p.find<QAction>(command)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY2(p.dialogs.messages.first().text.contains(says),
                 qPrintable(p.dialogs.messages.first().text));
        if (!bytes.isNull())
            QVERIFY(p.dialogs.messages.first().text.contains(QDir::toNativeSeparators(file)));
        QVERIFY(p.dialogs.fileInitials.isEmpty());
        QVERIFY(p.dialogs.dialogsRun.isEmpty());
        QVERIFY(!QFile::exists(p.dataDir() + u"/x.pdf"_s));
    }

    // Each document is offered a PDF name of its own, never one taken; a file chosen
    // that is there already is replaced only when the clerk says so.
    void pdfNamesOfTheirOwn()
    {
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, {u"sum"_s, u"Recipient_name"_s});
        const QString folder = p.dataDir() + u"/pdf/"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString kind = u"Преводно нареждане Вносна бележка м.р – "_s;
        const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
        typeInto(docWindow()->control(u"Recipient_name"), u"Първи ООД"_s);
        const QString first = folder + kind + u"Първи ООД – "_s + today + u".pdf"_s;
        p.dialogs.fileAnswers = {first};
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QVERIFY(readFile(first).startsWith("%PDF-"));
        QVERIFY(p.dialogs.messages.isEmpty());
        // The same document again: the name taken is not offered.
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QCOMPARE(p.dialogs.fileInitials.last(),
                 folder + kind + u"Първи ООД – "_s + today + u" (2).pdf"_s);
        // The next payment, to another recipient, has a name of its own.
        typeInto(docWindow()->control(u"Recipient_name"), u"Втори ЕООД"_s);
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QCOMPARE(p.dialogs.fileInitials.last(),
                 folder + kind + u"Втори ЕООД – "_s + today + u".pdf"_s);
        // Chosen over the first one's file: asked; no keeps it, yes replaces it.
        const QByteArray before = readFile(first);
        const QString question = u"Файлът „%1“ вече съществува. Да бъде ли заменен?"_s.arg(
            QDir::toNativeSeparators(first));
        p.dialogs.fileAnswers = {first, first};
        p.dialogs.answers = {QMessageBox::No, QMessageBox::Yes};
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QCOMPARE(p.dialogs.texts(), QStringList{question});
        QCOMPARE(readFile(first), before);
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QCOMPARE(p.dialogs.texts(), (QStringList{question, question}));
        QVERIFY(readFile(first).startsWith("%PDF-"));
        QVERIFY(readFile(first) != before);
    }

    // A PDF that cannot be written is said, and an earlier file of that name stays.
    void pdfNotWritten()
    {
        Program p;
        writeTemplate(p, u"formuliar8.doc"_s, {u"sum"_s});
        const QString pdf = p.dataDir() + u"/no such folder/документ.pdf"_s;
        p.dialogs.fileAnswers = {pdf};
        p.find<QAction>(u"SavePdf"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Critical);
        QVERIFY(p.dialogs.messages.first().text.contains(QDir::toNativeSeparators(pdf)));
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
