#include "require.h"
#include "testsupport.h"

#include "base/dialogs.h"
#include "documents/formfile.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "parties/addressbook.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

// The entries of a form file, in the order the Windows program writes them.
const QStringList kEntryOrder{u"Recipient_name"_s,
                              u"recipient_iban_number1"_s,
                              u"rec_bic1"_s,
                              u"rebank"_s,
                              u"of_date"_s,
                              u"depositor_iban_number1"_s,
                              u"dep_bic1"_s,
                              u"bank_name"_s,
                              u"boun_lk"_s,
                              u"boun_egn"_s,
                              u"boun_bulstat"_s,
                              u"bounder_name"_s,
                              u"branch_name"_s,
                              u"b_add"_s,
                              u"sum"_s,
                              u"dr"_s,
                              u"with_words"_s,
                              u"to_date"_s,
                              u"vid"_s,
                              u"reason"_s,
                              u"description"_s,
                              u"doc_number"_s,
                              u"vd"_s,
                              u"d_date"_s,
                              u"tac"_s,
                              u"pay_system"_s,
                              u"dateiz"_s,
                              u"code_br"_s,
                              u"kind_p"_s,
                              u"sebra"_s,
                              u"cact"_s,
                              u"kindpe"_s,
                              u"recipient_country"_s,
                              u"recipient_add"_s,
                              u"rebg"_s,
                              u"depositor_country"_s,
                              u"depositor_add"_s,
                              u"debg"_s,
                              u"econ_descript"_s,
                              u"bnb_number"_s,
                              u"recipi_lk"_s,
                              u"recipi_egn"_s,
                              u"condition"_s,
                              u"ium1"_s,
                              u"ium2"_s,
                              u"ium3"_s,
                              u"ium4"_s,
                              u"d1"_s,
                              u"d2"_s,
                              u"d3"_s,
                              u"d4"_s,
                              u"kindp1"_s,
                              u"reaso1"_s,
                              u"descript1"_s,
                              u"v1"_s,
                              u"doc_numbe1"_s,
                              u"ddat1"_s,
                              u"of_dat1"_s,
                              u"to_dat1"_s,
                              u"kindp2"_s,
                              u"reaso2"_s,
                              u"descript2"_s,
                              u"v2"_s,
                              u"doc_numbe2"_s,
                              u"ddat2"_s,
                              u"of_dat2"_s,
                              u"to_dat2"_s,
                              u"kindp3"_s,
                              u"reaso3"_s,
                              u"descript3"_s,
                              u"v3"_s,
                              u"doc_numbe3"_s,
                              u"ddat3"_s,
                              u"of_dat3"_s,
                              u"to_dat3"_s,
                              u"reaso4"_s,
                              u"descript4"_s,
                              u"v4"_s,
                              u"doc_numbe4"_s,
                              u"ddat4"_s,
                              u"kindp4"_s,
                              u"of_dat4"_s,
                              u"to_dat4"_s,
                              u"depositor_name"_s};

const QStringList kDates{u"of_date"_s, u"to_date"_s, u"d_date"_s,  u"dateiz"_s,
                         u"ddat1"_s,   u"of_dat1"_s, u"to_dat1"_s, u"ddat2"_s,
                         u"of_dat2"_s, u"to_dat2"_s, u"ddat3"_s,   u"of_dat3"_s,
                         u"to_dat3"_s, u"ddat4"_s,   u"of_dat4"_s, u"to_dat4"_s};

QWidget *doc(const QString &name)
{
    return docWindow()->control(name);
}

QDateTimeEdit *dateOf(const QString &name)
{
    return static_cast<QDateTimeEdit *>(doc(name));
}

// The text of a file as the Windows program writes it: one name and one value line per
// entry, the kind last.
QString windowsFileText(const QHash<QString, QString> &values, const QString &kind,
                        const QString &eol = u"\r\n"_s, bool upperNames = false,
                        const QStringList &order = kEntryOrder)
{
    QString text;
    for (const QString &name : order) {
        text += (upperNames ? name.toUpper() : name) + eol;
        QString value = values.value(name);
        if (value.isNull() && kDates.contains(name))
            value = u"39448"_s;
        if (value.isNull() && (name == u"rebg"_s || name == u"debg"_s))
            value = u"да"_s;
        text += value + eol;
    }
    text += kind + eol;
    return text;
}

// That file in Windows-1251.
QByteArray windowsFile(const QHash<QString, QString> &values, const QString &kind,
                       const QString &eol = u"\r\n"_s, bool upperNames = false,
                       const QStringList &order = kEntryOrder)
{
    QStringEncoder enc("windows-1251");
    return enc.encode(windowsFileText(values, kind, eol, upperNames, order));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every value of the document window, as a text, for comparing documents.
QStringList snapshot()
{
    QStringList out;
    for (QWidget *f : docWindow()->fields()) {
        if (auto *d = qobject_cast<QDateTimeEdit *>(f))
            out.append(f->objectName() + u'=' + d->dateTime().toString(Qt::ISODateWithMs));
        else if (fieldKind(f) == FieldKind::Check)
            out.append(f->objectName() + u'=' + (fieldChecked(f) ? u"1"_s : u"0"_s));
        else
            out.append(f->objectName() + u'=' + fieldText(f));
    }
    out.append(docWindow()->kind());
    return out;
}

// How many of the side panels the window shows.
int visiblePanels()
{
    int shown = 0;
    for (int i = 1; i <= 4; ++i)
        shown += docWindow()->panel(i)->isVisible() ? 1 : 0;
    return shown;
}

void fillEverything()
{
    int i = 0;
    for (QWidget *f : docWindow()->fields()) {
        ++i;
        const QString name = f->objectName();
        switch (fieldKind(f)) {
        case FieldKind::Edit:
        case FieldKind::PickList:
            setFieldText(f, i % 2 ? u"Стойност %1 „€“"_s.arg(i) : u"Value %1 sum"_s.arg(i));
            break;
        case FieldKind::Memo:
            setFieldText(f, u"първи ред\nвтори ред\n\nsum\nchetvarti ¶ ред\n"_s);
            break;
        case FieldKind::Date:
            static_cast<QDateTimeEdit *>(f)->setDateTime(
                QDateTime(QDate(2000 + i % 20, 1 + i % 12, 1 + i % 28),
                          i % 3 ? QTime(i % 24, 7, 30, 250) : QTime(0, 0)));
            break;
        case FieldKind::Check:
            setFieldChecked(f, name == u"rebg"_s);
            break;
        }
    }
}

} // namespace

class TestFormFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layoutOfASavedFile()
    {
        Program p;
        const QString path = p.dataDir() + u"/start.frm"_s;
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.fileFilters, QStringList{u"Formelan Формуляри (*.frm)"_s});
        const QByteArray bytes = readFile(path);
        QVERIFY(bytes.endsWith("\r\n"));
        const QList<QByteArray> lines = bytes.chopped(2).split('\n');
        QCOMPARE(lines.size(), 169);
        QStringDecoder dec("windows-1251");
        for (int k = 0; k < 84; ++k)
            QCOMPARE(QString::fromLatin1(lines.at(2 * k).chopped(1)), kEntryOrder.at(k));
        QCOMPARE(dec.decode(lines.at(168)), u"Преводно нареждане /Вносна бележка/ м.р."_s);
        QCOMPARE(lines.at(kEntryOrder.indexOf(u"vid"_s) * 2 + 1), QByteArray("EUR\r"));
        QCOMPARE(lines.at(kEntryOrder.indexOf(u"rebg"_s) * 2 + 1), QByteArray("\xe4\xe0\r"));
        QCOMPARE(lines.at(kEntryOrder.indexOf(u"reason"_s) * 2 + 1), QByteArray("\r"));
        for (const QString &d : kDates) {
            const QByteArray v = lines.at(kEntryOrder.indexOf(d) * 2 + 1).chopped(1);
            QVERIFY2(!v.contains('e') && !v.contains('E'), v.constData());
        }
        // Nothing in the window changed by saving.
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void roundTrip()
    {
        for (const QString &kind :
             {u"N7"_s, u"WQ1"_s, u"N1"_s, u"N2"_s, u"N3"_s, u"N4"_s, u"N5"_s, u"N6"_s}) {
            Program p;
            p.find<QAction>(kind)->trigger();
            fillEverything();
            const QStringList before = snapshot();
            const QString path = p.dataDir() + u"/doc.frm"_s;
            p.dialogs.fileAnswers << path;
            p.find<QAction>(u"N12"_s)->trigger();
            const QByteArray first = readFile(path);

            // Scramble the window, then open the file again.
            p.find<QAction>(u"N5"_s == kind ? u"N6"_s : u"N5"_s)->trigger();
            for (QWidget *f : docWindow()->fields()) {
                if (fieldKind(f) == FieldKind::Check)
                    setFieldChecked(f, !fieldChecked(f));
                else if (auto *d = qobject_cast<QDateTimeEdit *>(f))
                    d->setDate(QDate(1999, 9, 9));
                else
                    setFieldText(f, u"x"_s);
            }
            // The scrambled values are not kept.
            p.dialogs.answers = {QMessageBox::Discard};
            p.dialogs.fileAnswers << path;
            p.find<QToolButton>(u"ToolButton5"_s)->click();
            QCOMPARE(snapshot(), before);
            QCOMPARE(p.dialogs.messages.size(), 1);

            p.dialogs.fileAnswers << path;
            p.find<QToolButton>(u"ToolButton6"_s)->click();
            QCOMPARE(readFile(path), first);
            QCOMPARE(p.dialogs.fileInitials.last(), path); // the save dialog remembers
        }
    }

    void filesOfTheWindowsProgram_data()
    {
        QTest::addColumn<QString>("eol");
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("day");
        QTest::addColumn<bool>("lastLineEnds");
        QTest::newRow("CR LF, comma") << u"\r\n"_s << false << u"39448,5"_s << true;
        QTest::newRow("CR LF, point") << u"\r\n"_s << false << u"39448.5"_s << true;
        QTest::newRow("names in capitals") << u"\r\n"_s << true << u"39448,5"_s << true;
        QTest::newRow("lone CR") << u"\r"_s << false << u"39448,5"_s << true;
        QTest::newRow("lone LF") << u"\n"_s << false << u"39448"_s << true;
        QTest::newRow("last line without end") << u"\r\n"_s << false << u"39448"_s << false;
    }

    void filesOfTheWindowsProgram()
    {
        QFETCH(QString, eol);
        QFETCH(bool, upper);
        QFETCH(QString, day);
        QFETCH(bool, lastLineEnds);
        Program p;
        const QTime timeOfDay = dateOf(u"d_date"_s)->time();
        QHash<QString, QString> values{{u"Recipient_name"_s, u"ЕТ Иван Петров"_s},
                                       {u"sum"_s, u"1250"_s},
                                       {u"dr"_s, u"05"_s},
                                       {u"vid"_s, u"EUR"_s},
                                       {u"reason"_s, u"Фактура № 12/2007"_s},
                                       {u"d_date"_s, day},
                                       {u"rebg"_s, u"не"_s},
                                       {u"debg"_s, u"Да"_s},
                                       {u"econ_descript"_s, u"Услуги"_s},
                                       {u"recipient_add"_s, u"ул. „Шипка“ 5"_s}};
        QByteArray bytes = windowsFile(values, u"Съгласие за директен дебит"_s, eol, upper);
        if (!lastLineEnds)
            bytes.chop(2);
        const QString path = p.dataDir() + u"/windows.frm"_s;
        writeFile(path, bytes);
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();

        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(docWindow()->kind(), u"Съгласие за директен дебит"_s);
        QVERIFY(docWindow()->panel(3)->isVisible());
        QVERIFY(p.find<QAction>(u"N7"_s)->isChecked()); // the check mark stays
        QVERIFY(!p.find<QAction>(u"N4"_s)->isChecked());
        QCOMPARE(fieldText(doc(u"Recipient_name"_s)), u"ЕТ Иван Петров"_s);
        QCOMPARE(fieldText(doc(u"sum"_s)), u"1250"_s);
        QCOMPARE(fieldText(doc(u"vid"_s)), u"EUR"_s);
        QCOMPARE(fieldText(doc(u"reason"_s)), u"Фактура № 12/2007"_s);
        QCOMPARE(fieldText(doc(u"recipient_add"_s)), u"ул. „Шипка“ 5"_s);
        QCOMPARE(dateOf(u"d_date"_s)->date(), QDate(2008, 1, 1));
        QCOMPARE(dateOf(u"d_date"_s)->time(), timeOfDay);
        QVERIFY(!fieldChecked(doc(u"rebg"_s)));
        QVERIFY(!fieldChecked(doc(u"debg"_s))); // only "да" exactly
        QCOMPARE(fieldText(doc(u"with_words"_s)), QString());
        // Mirrored fields reach the address books; the pick-list set by reading does not.
        QVERIFY(!fieldChecked(recipientsBook()->control(u"rebg")));
        QVERIFY(!fieldChecked(payersBook()->control(u"debg")));
        QCOMPARE(fieldText(recipientsBook()->control(u"Recipient_name")), QString());
        QCOMPARE(fieldText(recipientsBook()->control(u"recipient_add")), QString());
    }

    // Words read with the amount they name follow it, as the program's own; other words
    // are the user's: they stay, marked as not matching.
    void wordsReadFromAFile_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("after"); // once 7 is typed as the sum
        QTest::addColumn<bool>("marked");
        QTest::newRow("the amount's")
            << u"дванадесет евро и 05 цента"_s << u"седем евро и 05 цента"_s << false;
        QTest::newRow("other") << u"дванадесет евро"_s << u"дванадесет евро"_s << true;
    }

    void wordsReadFromAFile()
    {
        QFETCH(QString, words);
        QFETCH(QString, after);
        QFETCH(bool, marked);
        Program p;
        const QString path = p.dataDir() + u"/words.frm"_s;
        writeFile(path, windowsFile({{u"sum"_s, u"12"_s},
                                     {u"dr"_s, u"05"_s},
                                     {u"vid"_s, u"EUR"_s},
                                     {u"with_words"_s, words}},
                                    u"Бюджетно платежно нареждане"_s));
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();
        QCOMPARE(fieldText(doc(u"with_words"_s)), words);
        typeInto(doc(u"sum"_s), u"7"_s);
        QCOMPARE(fieldText(doc(u"with_words"_s)), after);
        QCOMPARE(doc(u"with_words"_s)->toolTip().isEmpty(), !marked);
        QVERIFY(p.dialogs.messages.isEmpty());
    }

    void valueEqualToALaterName()
    {
        Program p;
        QHash<QString, QString> values{{u"reason"_s, u"sum"_s},
                                       {u"Recipient_name"_s, u"DEPOSITOR_NAME"_s},
                                       {u"sum"_s, u"42"_s},
                                       {u"depositor_name"_s, u"Платец"_s}};
        const QString path = p.dataDir() + u"/tricky.frm"_s;
        writeFile(path, windowsFile(values, u"Вносна бележка"_s));
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();
        QCOMPARE(fieldText(doc(u"sum"_s)), u"42"_s);
        QCOMPARE(fieldText(doc(u"reason"_s)), u"sum"_s);
        QCOMPARE(fieldText(doc(u"Recipient_name"_s)), u"DEPOSITOR_NAME"_s);
        QCOMPARE(fieldText(doc(u"depositor_name"_s)), u"Платец"_s);
    }

    // Out of the window's order, a name cannot be looked for where the last entry ended;
    // the search from the top must then pass over value lines already taken.
    void valueEqualToALaterNameOutOfOrder()
    {
        Program p;
        QStringList order = kEntryOrder;
        order.swapItemsAt(order.indexOf(u"reason"_s), order.indexOf(u"description"_s));
        const QHash<QString, QString> values{{u"bank_name"_s, u"Reason"_s},
                                             {u"reason"_s, u"основание"_s},
                                             {u"description"_s, u"пояснение"_s},
                                             {u"boun_lk"_s, u"1111111111"_s}};
        const QString path = p.dataDir() + u"/shuffled.frm"_s;
        writeFile(path, windowsFile(values, u"Вносна бележка"_s, u"\r\n"_s, false, order));
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(fieldText(doc(u"bank_name"_s)), u"Reason"_s);
        QCOMPARE(fieldText(doc(u"reason"_s)), u"основание"_s);
        QCOMPARE(fieldText(doc(u"description"_s)), u"пояснение"_s);
        QCOMPARE(fieldText(doc(u"boun_lk"_s)), u"1111111111"_s);
    }

    void foreignOrderAndMissingNames()
    {
        Program p;
        setFieldText(doc(u"kind_p"_s), u"stale"_s);
        setFieldChecked(doc(u"rebg"_s), false);
        // Entries out of order, most of them missing.
        QStringEncoder enc("windows-1251");
        const QByteArray bytes = enc.encode(u"SUM\r\n77\r\nreason\r\nпричина\r\nvid\r\nUSD\r\n"
                                            u"Бюджетно платежно нареждане\r\n"_s);
        const QString path = p.dataDir() + u"/foreign.frm"_s;
        writeFile(path, bytes);
        p.dialogs.fileAnswers << path;
        p.dialogs.answers = {QMessageBox::Discard}; // the stale values are not saved
        p.find<QAction>(u"N11"_s)->trigger();
        // Loaded all the same, and the user is told how much was missing.
        QCOMPARE(p.dialogs.messages.size(), 2);
        QVERIFY2(p.dialogs.messages.last().text.contains(u"липсват 81 от 84 полета"_s),
                 qPrintable(p.dialogs.messages.last().text));
        QCOMPARE(fieldText(doc(u"sum"_s)), u"77"_s);
        QCOMPARE(fieldText(doc(u"reason"_s)), u"причина"_s);
        QCOMPARE(fieldText(doc(u"vid"_s)), u"USD"_s);
        // What the file does not hold starts as in a new document.
        QCOMPARE(fieldText(doc(u"kind_p"_s)), QString());
        QCOMPARE(fieldText(doc(u"dr"_s)), u"00"_s);
        QVERIFY(fieldChecked(doc(u"rebg"_s)));
        QCOMPARE(docWindow()->kind(), u"Бюджетно платежно нареждане"_s);
    }

    void oldMultiLineMemo()
    {
        Program p;
        QHash<QString, QString> values{{u"econ_descript"_s, u"ред 1\r\nред 2\r\nред 3"_s},
                                       {u"bnb_number"_s, u"123"_s}};
        const QString path = p.dataDir() + u"/memo.frm"_s;
        writeFile(path, windowsFile(values, u"Вносна бележка"_s));
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();
        QCOMPARE(fieldText(doc(u"econ_descript"_s)), u"ред 1\nред 2\nред 3"_s);
        QCOMPARE(fieldText(doc(u"bnb_number"_s)), u"123"_s);
    }

    void memoReadableByLineReaders()
    {
        // A reader that takes the line after the name gets the memo's first line and
        // finds every name where it belongs.
        Program p;
        setFieldText(doc(u"econ_descript"_s), u"първи\nbnb_number\nтрети"_s);
        setFieldText(doc(u"bnb_number"_s), u"55"_s);
        const QString path = p.dataDir() + u"/memo.frm"_s;
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N12"_s)->trigger();
        QStringDecoder dec("windows-1251");
        const QStringList lines = QString(dec.decode(readFile(path))).split(u"\r\n"_s);
        const qsizetype memo = lines.indexOf(u"econ_descript"_s);
        QCOMPARE(lines.at(memo + 1), u"първи"_s);
        const qsizetype bnb = lines.indexOf(u"bnb_number"_s);
        QCOMPARE(lines.at(bnb + 1), u"55"_s);
        QVERIFY(bnb > memo + 1);
    }

    // What is no form, or a damaged one, is refused with a message that names the file
    // and says what is wrong; the document in the window stays as it was.
    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // %1: the file
        const QString notText = u"Файлът „%1“ не е формуляр: съдържанието му не е текст."_s;
        const QString noFields =
            u"Файлът „%1“ не е формуляр: в него няма нито едно от полетата на документа."_s;
        QStringEncoder cp1251("windows-1251");

        QTest::newRow("empty file") << QByteArray() << u"Файлът „%1“ е празен, а не формуляр."_s;
        QByteArray noise(4096, '\0');
        QRandomGenerator random(20261209);
        random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("random bytes") << noise << notText;
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QImage image(16, 16, QImage::Format_RGB32);
            image.fill(Qt::red);
            image.save(&buffer, "PNG");
        }
        QTest::newRow("PNG image") << png << notText;
        const QString letter = u"Уважаеми господин Петров,\r\n\r\nМоля да ни изпратите фактурата "
                               u"за м. ноември.\r\n\r\nС уважение,\r\nМария Иванова\r\n"_s;
        QTest::newRow("letter, Windows-1251") << QByteArray(cp1251.encode(letter)) << noFields;
        QTest::newRow("letter, UTF-8") << letter.toUtf8() << noFields;
        QTest::newRow("NULs only") << QByteArray(2000, '\0') << notText;
        QTest::newRow("one CR LF") << QByteArray("\r\n") << noFields;
        QByteArray lineEnds;
        for (int i = 0; i < 512 * 1024; ++i)
            lineEnds += "\r\n";
        QTest::newRow("1 MiB of CR LF") << lineEnds << noFields;
        const QString form = windowsFileText({{u"reason"_s, u"Наем"_s}}, u"Вносна бележка"_s);
        QByteArray utf16(reinterpret_cast<const char *>(form.utf16()), form.size() * 2);
        QTest::newRow("UTF-16 without byte-order mark")
            << utf16
            << u"Файлът „%1“ не е формуляр: текстът му е в UTF-16 без знака за реда на байтовете "
               u"в началото; запишете го в Windows-1251 или UTF-8."_s;
        QTest::newRow("UTF-16 mark, half a character")
            << QByteArray("\xFF\xFE" + utf16.left(40) + QByteArray("\x00\xDC", 2) + utf16.mid(40))
            << u"Файлът „%1“ не е формуляр: по знака в началото му е текст в UTF-16, но "
               u"съдържанието му не е такъв текст."_s;
        QTest::newRow("kind unknown")
            << windowsFile({}, u"Платежно нещо"_s)
            << u"Файлът „%1“ не е формуляр: на последния му ред, където стои видът на документа, "
               u"пише „Платежно нещо“, а такъв вид документ няма."_s;
        // A long line is quoted up to its fiftieth character.
        const QString fifty = u"Нареждане/"_s.repeated(5);
        for (const QString &kind : {fifty, QString(fifty + u'!')}) {
            QTest::addRow("kind line of %lld characters", qlonglong(kind.size()))
                << windowsFile({}, kind)
                << u"Файлът „%1“ не е формуляр: на последния му ред, където стои видът на "
                   u"документа, пише „"_s +
                       (kind.size() > 50 ? fifty + u'…' : fifty) +
                       u"“, а такъв вид документ няма."_s;
        }
        QTest::newRow("kind line empty")
            << windowsFile({}, QString())
            << u"Файлът „%1“ не е формуляр: последният му ред, където стои видът на документа, е "
               u"празен."_s;
        QByteArray garbageKind = windowsFile({}, QString());
        garbageKind.chop(2);
        garbageKind += "\x01\x02\x89PNG\r\n";
        QTest::newRow("kind line binary")
            << garbageKind
            << u"Файлът „%1“ не е формуляр: на последния му ред, където стои видът на документа, "
               u"пише „\ufffd\ufffd‰PNG“, а такъв вид документ няма."_s;
        QTest::newRow("name on the last line")
            << QByteArray("sum\r\n5\r\nRecipient_name\r\n")
            << u"Файлът „%1“ е повреден: прекъсва в полето „Платете на - име на получателя“ "
               u"(Recipient_name)."_s;
        QHash<QString, QString> bad{{u"d_date"_s, u"вчера"_s}};
        QTest::newRow("date not a number")
            << windowsFile(bad, u"Вносна бележка"_s)
            << u"Файлът „%1“ е повреден: в полето „Дата на документа“ (d_date) вместо дата стои "
               u"„вчера“."_s;
        QHash<QString, QString> both{{u"of_date"_s, u"1.234,5"_s}};
        QTest::newRow("two separators")
            << windowsFile(both, u"Вносна бележка"_s)
            << u"Файлът „%1“ е повреден: в полето „От дата“ (of_date) вместо дата стои "
               u"„1.234,5“."_s;
        QHash<QString, QString> inf{{u"of_date"_s, u"inf"_s}};
        QTest::newRow("infinity")
            << windowsFile(inf, u"Вносна бележка"_s)
            << u"Файлът „%1“ е повреден: в полето „От дата“ (of_date) вместо дата стои „inf“."_s;
        QHash<QString, QString> far{{u"to_dat4"_s, u"3000000"_s}};
        QTest::newRow("date out of range")
            << windowsFile(far, u"Вносна бележка"_s)
            << u"Файлът „%1“ е повреден: в полето „До дата“ (to_dat4) датата („3000000“) е извън "
               u"допустимите, от 1 януари 1601 до 31 декември 9999."_s;
        QHash<QString, QString> early{{u"ddat2"_s, u"-200000"_s}};
        QTest::newRow("date too early")
            << windowsFile(early, u"Вносна бележка"_s)
            << u"Файлът „%1“ е повреден: в полето „Дата на документа“ (ddat2) датата („-200000“) е "
               u"извън допустимите, от 1 януари 1601 до 31 декември 9999."_s;
        QByteArray over = windowsFile({}, u"Вносна бележка"_s);
        over.insert(over.indexOf("econ_descript") + 15,
                    QByteArray(1024 * 1024 + 1 - over.size(), 'x'));
        QTest::newRow("one byte over the limit")
            << over
            << u"Файлът „%1“ не може да бъде отворен: размерът му е 1\u00a0048\u00a0577 байта, а "
               u"допустимият е най-много 1\u00a0048\u00a0576 байта (1 МБ)."_s;
    }

    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        Program p;
        p.find<QAction>(u"N3"_s)->trigger();
        fillEverything();
        const QStringList before = snapshot();
        const QString path = p.dataDir() + u"/bad.frm"_s;
        writeFile(path, bytes);
        p.dialogs.fileAnswers << path;
        p.dialogs.answers = {QMessageBox::Discard}; // the values filled are not saved
        p.find<QAction>(u"N11"_s)->trigger();
        // After the question about the values filled, the refusal.
        QCOMPARE(p.dialogs.texts().mid(1),
                 QStringList{message.arg(QDir::toNativeSeparators(path))});
        QCOMPARE(p.dialogs.messages.last().icon, QMessageBox::Critical);
        QCOMPARE(snapshot(), before); // nothing half-loaded
        QVERIFY(docWindow()->panel(1)->isVisible());
        QCOMPARE(visiblePanels(), 1);
    }

    void openingWhatCannotBeRead()
    {
        Program p;
        // A cancelled dialog: nothing at all.
        p.find<QAction>(u"N11"_s)->trigger();
        QVERIFY(p.dialogs.messages.isEmpty());
        // A folder, a pipe or a device in place of a file is refused unread, at once: a pipe
        // opened for reading would wait for a writer, a device would never end.
        const QString folder = p.dataDir() + u"/folder.frm"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString pipe = p.dataDir() + u"/pipe.frm"_s;
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString zero = p.dataDir() + u"/zero.frm"_s;
        QVERIFY(QFile::link(u"/dev/zero"_s, zero));
        const QString special =
            u"това не е обикновен файл, а устройство, канал или друг особен файл"_s;
        const QList<std::pair<QString, QString>> cases{
            {folder, u"това е папка, а не файл"_s},
            {pipe, special},
            {zero, special},
            {p.dataDir() + u"/missing.frm"_s, u"такъв файл няма"_s}};
        // Through the open command, as a clerk's typed name brings them: told, never
        // silently passed over.
        for (const auto &[path, reason] : cases) {
            QElapsedTimer timer;
            timer.start();
            p.dialogs.fileAnswers << path;
            p.find<QAction>(u"N11"_s)->trigger();
            QVERIFY(timer.elapsed() < 2000);
            QCOMPARE(p.dialogs.texts().last(), u"Файлът „%1“ не може да бъде отворен: %2."_s.arg(
                                                   QDir::toNativeSeparators(path), reason));
        }
        QCOMPARE(p.dialogs.messages.size(), cases.size());
    }

    // A last line that names no kind is refused: it never becomes the window's title, nor
    // the kind that the next save writes.
    void unreadableKind()
    {
        Program p;
        p.find<QAction>(u"N4"_s)->trigger();
        const QString path = p.dataDir() + u"/kind.frm"_s;
        writeFile(path, windowsFile({{u"reason"_s, u"Чуждо"_s}}, u"Платежно нещо"_s));
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QVERIFY(p.dialogs.messages.first().text.contains(u"„Платежно нещо“"_s));
        QCOMPARE(docWindow()->kind(), u"Съгласие за директен дебит"_s);
        QVERIFY(docWindow()->panel(3)->isVisible());
        QCOMPARE(fieldText(doc(u"reason"_s)), QString());
        const QString saved = p.dataDir() + u"/saved.frm"_s;
        p.dialogs.fileAnswers << saved;
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(parseForm(readFile(saved)).kind, u"Съгласие за директен дебит"_s);
    }

    // However large, a file is refused before it is read: a form file is a few kilobytes.
    void largeFileRefusedAtOnce()
    {
        Program p;
        const QString path = p.dataDir() + u"/huge.frm"_s;
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray bytes = windowsFile({}, u"Вносна бележка"_s);
            bytes.insert(bytes.indexOf("econ_descript") + 15, QByteArray(50 * 1024 * 1024, 'x'));
            f.write(bytes);
        }
        const QStringList before = snapshot();
        p.dialogs.fileAnswers << path;
        QElapsedTimer timer;
        timer.start();
        p.find<QAction>(u"N11"_s)->trigger();
        const qint64 ms = timer.elapsed();
        QVERIFY2(ms < 500, qPrintable(u"took %1 ms"_s.arg(ms)));
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Critical);
        QVERIFY(p.dialogs.messages.first().text.contains(
            u"допустимият е най-много 1\u00a0048\u00a0576 байта (1 МБ)"_s));
        QCOMPARE(snapshot(), before);
        // Just under the limit still reads.
        p.dialogs.messages.clear();
        QByteArray fits = windowsFile({{u"reason"_s, u"малък"_s}}, u"Вносна бележка"_s);
        fits.insert(fits.indexOf("econ_descript") + 15, QByteArray(1024 * 1024 - fits.size(), 'y'));
        writeFile(path, fits);
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(fieldText(doc(u"reason"_s)), u"малък"_s);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QString text = u"Плащане „№5“ – €"_s;
        QStringEncoder cp1251("windows-1251");
        QString utf = windowsFileText({{u"reason"_s, text}, {u"Recipient_name"_s, u"Иван"_s}},
                                      u"Вносна бележка"_s);
        QTest::newRow("Windows-1251") << QByteArray(cp1251.encode(utf)) << text;
        QTest::newRow("UTF-8") << utf.toUtf8() << text;
        QTest::newRow("UTF-8 with byte-order mark")
            << QByteArray("\xEF\xBB\xBF" + utf.toUtf8()) << text;
        QStringEncoder le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        QTest::newRow("UTF-16 little-endian with byte-order mark")
            << QByteArray(le.encode(utf)) << text;
        QStringEncoder be(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
        QTest::newRow("UTF-16 big-endian with byte-order mark")
            << QByteArray(be.encode(utf)) << text;
        // A paste may bring control characters into a value; the file is text all the same.
        const QString pasted = u"Наем\tноември\u0007"_s;
        QTest::newRow("control characters in a value")
            << QByteArray(cp1251.encode(windowsFileText(
                   {{u"reason"_s, pasted}, {u"Recipient_name"_s, u"Иван"_s}}, u"Вносна бележка"_s)))
            << pasted;
        // ASCII alone reads the same either way.
        const QString ascii = windowsFileText({{u"reason"_s, u"Invoice 5"_s}}, u"Вносна бележка"_s);
        QTest::newRow("ASCII values, kind in UTF-8") << ascii.toUtf8() << u"Invoice 5"_s;
    }

    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        Program p;
        const QString path = p.dataDir() + u"/coded.frm"_s;
        writeFile(path, bytes);
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();
        QVERIFY(p.dialogs.messages.isEmpty());
        QCOMPARE(fieldText(doc(u"reason"_s)), reason);
        QCOMPARE(docWindow()->kind(), u"Вносна бележка"_s);
        // The first field is the first line: a byte-order mark must not hide its name.
        if (reason != u"Invoice 5"_s)
            QCOMPARE(fieldText(doc(u"Recipient_name"_s)), u"Иван"_s);
    }

    // A file cut short loads what it holds, keeps the window's kind rather than take a
    // fragment of a line for it, and says how much was missing.
    void fileCutShort()
    {
        Program p;
        p.find<QAction>(u"N2"_s)->trigger();
        QByteArray bytes =
            windowsFile({{u"sum"_s, u"12"_s}, {u"reason"_s, u"Наем"_s}}, u"Вносна бележка"_s);
        // Cut after the value line of `reason`: 21 entries remain.
        qsizetype cut = 0;
        for (int line = 0; line < 42; ++line)
            cut = bytes.indexOf("\r\n", cut) + 2;
        bytes.truncate(cut);
        const QString path = p.dataDir() + u"/cut.frm"_s;
        writeFile(path, bytes);
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N11"_s)->trigger();
        QCOMPARE(fieldText(doc(u"sum"_s)), u"12"_s);
        QCOMPARE(fieldText(doc(u"reason"_s)), u"Наем"_s);
        QCOMPARE(docWindow()->kind(), u"Преводно нареждане за кредитен превод"_s);
        QCOMPARE(p.dialogs.messages.size(), 1);
        const QString text = p.dialogs.messages.first().text;
        QVERIFY2(text.contains(u"липсват 63 от 84 полета"_s), qPrintable(text));
        QVERIFY2(text.contains(u"видът на документа липсва"_s), qPrintable(text));
    }

    // Where the folder forbids new files (no temporary file beside the target), an
    // existing file that may be written is written in place. Root ignores permissions,
    // so the check runs as an unprivileged user.
    void savingWhereNoFileMayBeCreated()
    {
        if (::getuid() == 0) {
            FORMELAN_NEED(!QStandardPaths::findExecutable(u"setpriv"_s).isEmpty(),
                          "setpriv (Debian: util-linux) is needed to test permissions as a user "
                          "other than root");
            QTemporaryDir dir(QDir::tempPath() + u"/formelan-perm-XXXXXX"_s);
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::WriteOther | QFile::ExeOther);
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"FORMELAN_PERMISSION_DIR"_s, dir.path());
            env.insert(u"HOME"_s, dir.path());
            env.insert(u"XDG_RUNTIME_DIR"_s, dir.path());
            child.setProcessEnvironment(env);
            child.start(u"setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                                       QCoreApplication::applicationFilePath(),
                                       u"savingWhereNoFileMayBeCreated"_s});
            QVERIFY(child.waitForFinished(60000));
            const QByteArray out = child.readAllStandardOutput() + child.readAllStandardError();
            QVERIFY2(child.exitCode() == 0, out.constData());
            QVERIFY2(out.contains("PASS   : TestFormFile::savingWhereNoFileMayBeCreated()"),
                     out.constData());
            return;
        }
        QString base = qEnvironmentVariable("FORMELAN_PERMISSION_DIR");
        QTemporaryDir own;
        if (base.isEmpty())
            base = own.path();
        const QString folder = base + u"/locked"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + u"/existing.frm"_s;
        writeFile(path, "old contents");
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        Program p;
        test::typeText(doc(u"reason"_s), u"Записан на място"_s);
        p.dialogs.fileAnswers << path;
        p.dialogs.answers = {QMessageBox::Yes}; // replacing the file
        p.find<QAction>(u"N12"_s)->trigger();
        QVERIFY2(p.dialogs.messages.size() == 1 &&
                     p.dialogs.messages.first().text.contains(u"вече съществува"_s),
                 qPrintable(p.dialogs.texts().join(u'\n')));
        p.dialogs.messages.clear();
        QVERIFY(parseForm(readFile(path)).text(u"reason") == u"Записан на място"_s);
        // The copy of the old content kept meanwhile is gone with a save that worked.
        QVERIFY(QDir(p.userDir() + u"/copies"_s).entryList(QDir::Files).isEmpty());
        // A new file there still cannot be made, and says so.
        p.dialogs.fileAnswers << folder + u"/new.frm"_s;
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.texts(),
                 QStringList{u"Файлът „%1/new.frm“ не е записан: нямате право да създавате файлове "
                             u"в папката „%1“."_s.arg(QDir::toNativeSeparators(folder))});
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A save on a full disk leaves the old file as it was: through a temporary file where
    // the folder takes one, else in place, with a copy of the old content kept first. On a
    // small file system of its own, which root mounts; saved by a user other than root, for
    // whom a read-only folder is one.
    void savingOnAFullDisk_data()
    {
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<bool>("copyOnTheFullDisk");
        QTest::addColumn<int>("pasted");     // characters pasted into a memo: a longer document
        QTest::addColumn<QString>("reason"); // empty: saved
        QTest::newRow("read-only folder, longer document")
            << false << false << 3000 << u"на диска няма достатъчно място"_s;
        QTest::newRow("read-only folder, no room for the copy")
            << false << true << 3000
            << u"в папката му не може да се създаде временен файл, а копие на старото "
               u"съдържание не може да бъде запазено в „%1“ (на диска няма достатъчно място), "
               u"затова файлът не е презаписан"_s;
        QTest::newRow("writable folder, longer document")
            << true << false << 3000 << u"на диска няма достатъчно място"_s;
        QTest::newRow("read-only folder, no more room needed") << false << false << 0 << QString();
    }

    void savingOnAFullDisk()
    {
        QFETCH(bool, folderWritable);
        QFETCH(bool, copyOnTheFullDisk);
        QFETCH(int, pasted);
        QFETCH(QString, reason);
        QString disk = qEnvironmentVariable("FORMELAN_FULL_DISK");
        if (disk.isEmpty()) {
            FORMELAN_NEED(::getuid() == 0, "root is needed to mount a small file system");
            FORMELAN_NEED(
                !QStandardPaths::findExecutable(u"setpriv"_s).isEmpty(),
                "setpriv (Debian: util-linux) is needed to save as a user other than root");
            QTemporaryDir mount(QDir::tempPath() + u"/formelan-disk-XXXXXX"_s);
            QFile::setPermissions(mount.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ExeOwner | QFile::ExeOther);
            const int mounted =
                QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s,
                                               u"size=64k,mode=0777"_s, u"tmpfs"_s, mount.path()});
            FORMELAN_NEED(mounted == 0, "mounting a small tmpfs failed (a container without "
                                        "CAP_SYS_ADMIN?)");
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"FORMELAN_FULL_DISK"_s, mount.path());
            env.insert(u"HOME"_s, mount.path());
            env.insert(u"XDG_RUNTIME_DIR"_s, mount.path());
            child.setProcessEnvironment(env);
            const QString function =
                u"savingOnAFullDisk:"_s + QString::fromUtf8(QTest::currentDataTag());
            child.start(u"setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                                       QCoreApplication::applicationFilePath(), function});
            const bool finished = child.waitForFinished(60000);
            QProcess::execute(u"umount"_s, {mount.path()});
            const QByteArray out = child.readAllStandardOutput() + child.readAllStandardError();
            QVERIFY2(finished && child.exitCode() == 0, out.constData());
            QVERIFY2(out.contains("PASS   : TestFormFile::savingOnAFullDisk("), out.constData());
            return;
        }
        QTemporaryDir own;
        const QString user = copyOnTheFullDisk ? disk + u"/user"_s : own.path();
        Program p(Program::Start{{}, user, {}, {}, {}});
        const QString folder = disk + u"/forms"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + u"/order.frm"_s;
        clickInto(doc(u"reason"_s));
        test::typeText(doc(u"reason"_s), u"Наем за ноември"_s);
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N12"_s)->trigger();
        const QByteArray old = readFile(path);
        QVERIFY(old.startsWith("Recipient_name\r\n"));
        if (!folderWritable)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        // Fill the disk to the last byte.
        {
            QFile filler(disk + u"/filler"_s);
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(512, 'f');
            while (filler.write(block) > 0) {
            }
        }
        QCOMPARE(QStorageInfo(disk).bytesAvailable(), 0);

        if (pasted > 0) {
            QGuiApplication::clipboard()->setText(QString(pasted, u'ж'));
            clickInto(doc(u"econ_descript"_s));
            QTest::keyClick(doc(u"econ_descript"_s), Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(fieldText(doc(u"econ_descript"_s)).size(), pasted);
        } else {
            clickInto(doc(u"reason"_s));
            QTest::keyClick(doc(u"reason"_s), Qt::Key_A, Qt::ControlModifier);
            test::typeText(doc(u"reason"_s), u"Наем за декември"_s);
        }
        p.dialogs.fileAnswers << path;
        p.find<QAction>(u"N12"_s)->trigger();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (reason.isEmpty()) {
            QVERIFY2(p.dialogs.messages.isEmpty(), qPrintable(p.dialogs.texts().join(u'\n')));
            QCOMPARE(parseForm(readFile(path)).text(u"reason"), u"Наем за декември"_s);
        } else {
            QCOMPARE(p.dialogs.texts(),
                     QStringList{u"Файлът „%1“ не е записан: %2. Старият файл е останал какъвто "
                                 u"беше."_s.arg(
                                     QDir::toNativeSeparators(path),
                                     reason.arg(QDir::toNativeSeparators(user + u"/copies"_s)))});
            QCOMPARE(readFile(path), old);
        }
        QVERIFY(QDir(user + u"/copies"_s).entryList(QDir::Files).isEmpty());
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"order.frm"_s});
    }

    void saveNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("no extension") << u"doc"_s << u"doc.frm"_s;
        QTest::newRow("other extension") << u"doc.txt"_s << u"doc.txt.frm"_s;
        QTest::newRow("capitals") << u"doc.FRM"_s << u"doc.FRM"_s;
        QTest::newRow("mixed case") << u"doc.FrM"_s << u"doc.FrM"_s;
        QTest::newRow("frm without a dot") << u"docxfrm"_s << u"docxfrm"_s;
        QTest::newRow("cancelled") << QString() << QString();
    }

    void saveNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        Program p;
        if (!chosen.isEmpty())
            p.dialogs.fileAnswers << p.dataDir() + u'/' + chosen;
        p.find<QAction>(u"N12"_s)->trigger();
        const QStringList files = QDir(p.dataDir()).entryList(QDir::Files);
        QCOMPARE(files, written.isEmpty() ? QStringList{} : QStringList{written});
        if (!written.isEmpty()) {
            p.find<QAction>(u"N12"_s)->trigger(); // cancelled, but offers the last name
            QCOMPARE(p.dialogs.fileInitials.last(), p.dataDir() + u'/' + written);
        }
    }

    void failedSaveKeepsTheOldFile()
    {
        Program p;
        const QString path = p.dataDir() + u"/keep.frm"_s;
        writeFile(path, "old contents");
        // A character that Windows-1251 cannot hold: said clearly, nothing written.
        setFieldText(doc(u"reason"_s), u"Плащане 😀"_s);
        p.dialogs.fileAnswers << path;
        p.dialogs.answers = {QMessageBox::Yes}; // replacing the file
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 2);
        p.dialogs.messages.removeFirst();
        QVERIFY2(p.dialogs.messages.first().text.contains(u"„Основание“ (reason)"_s),
                 qPrintable(p.dialogs.messages.first().text));
        QVERIFY(p.dialogs.messages.first().text.contains(u"😀"_s));
        QCOMPARE(readFile(path), QByteArray("old contents"));

        // A folder that does not exist.
        p.dialogs.messages.clear();
        setFieldText(doc(u"reason"_s), u"Плащане"_s);
        const QString nowhere = p.dataDir() + u"/no/such/folder/x.frm"_s;
        p.dialogs.fileAnswers << nowhere;
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().text,
                 u"Файлът „%1“ не е записан: папката „%2“ не съществува."_s.arg(
                     QDir::toNativeSeparators(nowhere),
                     QDir::toNativeSeparators(p.dataDir() + u"/no/such/folder"_s)));
        QVERIFY(!QFile::exists(nowhere));

        // A folder standing where the file would go.
        p.dialogs.messages.clear();
        const QString folder = p.dataDir() + u"/taken.frm"_s;
        QVERIFY(QDir().mkpath(folder));
        p.dialogs.fileAnswers << folder;
        p.find<QAction>(u"N12"_s)->trigger();
        QCOMPARE(p.dialogs.texts(),
                 QStringList{u"Файлът „%1“ не е записан: на това място има папка."_s.arg(
                     QDir::toNativeSeparators(folder))});
        QVERIFY(QFileInfo(folder).isDir());

        // The old file is replaced whole by a save that works.
        p.dialogs.fileAnswers << path;
        p.dialogs.answers = {QMessageBox::Yes};
        p.find<QAction>(u"N12"_s)->trigger();
        QVERIFY(readFile(path).startsWith("Recipient_name\r\n"));
    }

    void dayNumbers_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("comma");
        QTest::newRow("noon 1 Jan 2008")
            << QDateTime(QDate(2008, 1, 1), QTime(12, 0)) << u"39448,5"_s;
        QTest::newRow("midnight") << QDateTime(QDate(2008, 1, 1), QTime(0, 0)) << u"39448"_s;
        QTest::newRow("epoch") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << u"0"_s;
        QTest::newRow("one second past the epoch")
            << QDateTime(QDate(1899, 12, 30), QTime(0, 0, 1)) << u"0,0000115740740740741"_s;
        QTest::newRow("6 am the day before")
            << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << u"-1,25"_s;
        QTest::newRow("5 March 2007, 18:00")
            << QDateTime(QDate(2007, 3, 5), QTime(18, 0)) << u"39146,75"_s;
        QTest::newRow("15 significant digits")
            << QDateTime(QDate(2026, 12, 8), QTime(17, 48, 7)) << u"46364,7417476852"_s;
    }

    void dayNumbers()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, comma);
        QCOMPARE(dayNumber(when, u','), comma);
        QString point = comma;
        point.replace(u',', u'.');
        QCOMPARE(dayNumber(when, u'.'), point);
    }
};

QTEST_MAIN(TestFormFile)
#include "tst_formfile.moc"
