#include "base/errors.h"
#include "documents/wordengine.h"
#include "rtf/rtfreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

// Fills an RTF template held in memory and answers the text a reader shows.
struct Filled {
    QByteArray rtf;
    QString text;
};

// The template written as t.doc in `dir`.
QString writeTemplate(const QTemporaryDir &dir, const QByteArray &templ)
{
    const QString path = dir.filePath(u"t.doc"_s);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(templ);
    return path;
}

Filled fill(const QByteArray &templ, const QList<std::pair<QString, QString>> &values)
{
    QTemporaryDir dir;
    RtfEngine engine;
    engine.open(writeTemplate(dir, templ));
    for (const auto &[find, value] : values)
        engine.replaceAll(find, value);
    const QByteArray out = engine.render();
    return {out, rtf::plainText(out)};
}

} // namespace

class TestWordEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placeholdersAsWordProcessorsWriteThem_data()
    {
        QTest::addColumn<QByteArray>("templ");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QByteArray("{\\rtf1 Amount: sum.}") << u"Amount: 1250."_s;
        QTest::newRow("capitals") << QByteArray("{\\rtf1 SUM}") << u"1250"_s;
        QTest::newRow("inside a word") << QByteArray("{\\rtf1 xsumx}") << u"x1250x"_s;
        QTest::newRow("split over groups, LibreOffice")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 "
                          "X;}}{\\loch\r\nsu}{\\b\\loch\r\nm} end}")
            << u"1250 end"_s;
        QTest::newRow("unicode with fallback")
            << QByteArray("{\\rtf1 \\u115\\'3f\\u117\\'3f\\u109\\'3f!}") << u"1250!"_s;
        QTest::newRow("unicode without fallback")
            << QByteArray("{\\rtf1\\uc0 \\u115\\u117\\u109!}") << u"1250!"_s;
        QTest::newRow("unicode, a control word as fallback")
            << QByteArray("{\\rtf1 \\u115\\emdash\\u117\\emdash\\u109\\emdash!}") << u"1250!"_s;
        QTest::newRow("hex bytes, Word")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'73\\'75\\'6d \\'cf}") << u"1250 П"_s;
        QTest::newRow("table cell")
            << QByteArray(
                   "{\\rtf1\\trowd\\cellx2000\\cellx4000\\pard\\intbl A\\cell sum\\cell\\row}")
            << u"A\t1250\t\n"_s;
        QTest::newRow("not in hidden text")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 sum;}}{\\*\\comment sum}{\\info{\\title sum}}x}")
            << u"x"_s;
        QTest::newRow("not across a paragraph") << QByteArray("{\\rtf1 su\\par m}") << u"su\nm"_s;
    }

    void placeholdersAsWordProcessorsWriteThem()
    {
        QFETCH(QByteArray, templ);
        QFETCH(QString, expected);
        // An empty name stands for nothing.
        QCOMPARE(fill(templ, {{QString(), u"x"_s}, {u"sum"_s, u"1250"_s}}).text, expected);
    }

    void valueTakesTheFormatOfTheFirstCharacter()
    {
        const Filled f = fill("{\\rtf1{\\b s}{\\i um} after}", {{u"sum"_s, u"Стойност"_s}});
        QTextDocument doc;
        rtf::read(f.rtf, doc);
        const QTextFragment first = doc.begin().begin().fragment();
        QCOMPARE(first.text(), u"Стойност"_s);
        QVERIFY(first.charFormat().fontWeight() >= QFont::Bold);
        QVERIFY(!first.charFormat().fontItalic());
        QCOMPARE(f.text, u"Стойност after"_s);
    }

    void valuesCannotBreakTheDocument_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("braces and backslash") << u"a}b{c\\d\\par e}}}"_s;
        QTest::newRow("cyrillic and signs") << u"ЕТ „Иван Петров“ – №5 €"_s;
        QTest::newRow("beyond windows-1251") << u"😀 ∑ 日本"_s;
        QTest::newRow("rtf-looking") << u"{\\rtf1 \\b bold}"_s;
        QTest::newRow("empty") << QString();
    }

    void valuesCannotBreakTheDocument()
    {
        QFETCH(QString, value);
        const Filled f =
            fill("{\\rtf1 [reason] [sum]}", {{u"reason"_s, value}, {u"sum"_s, u"1"_s}});
        QCOMPARE(f.text, u"["_s + value + u"] [1]"_s);
    }

    // Beyond ASCII, \uN and, for programs that read no \uN, the Windows-1251 byte or "?".
    // \uN takes a signed 16-bit number: from U+8000 up it is written negative.
    void charactersOutsideAscii_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("Cyrillic") << u"Пя"_s << QByteArray("\\u1055\\'cf\\u1103\\'ff");
        QTest::newRow("euro sign") << u"€"_s << QByteArray("\\u8364\\'88");
        QTest::newRow("U+7FFF") << QString(QChar(0x7FFF)) << QByteArray("\\u32767?");
        QTest::newRow("U+8000") << QString(QChar(0x8000)) << QByteArray("\\u-32768?");
        QTest::newRow("U+FFFD") << QString(QChar(0xFFFD)) << QByteArray("\\u-3?");
        QTest::newRow("surrogate pair") << u"😀"_s << QByteArray("\\u-10179?\\u-8704?");
    }

    void charactersOutsideAscii()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, written);
        QVERIFY2(rtfValue(value).contains(written), rtfValue(value).constData());
        const Filled f = fill("{\\rtf1 [reason]}", {{u"reason"_s, value}});
        QCOMPARE(f.text, u"["_s + value + u']');
    }

    // Line breaks and tabs, as pasted from a mail or a spreadsheet, stay; no other
    // control character reaches the document.
    void lineBreaksTabsAndControls_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("line breaks") << u"ред 1\nред 2\u2028ред 3\u2029ред 4"_s
                                     << u"ред 1\u2028ред 2\u2028ред 3\u2028ред 4"_s;
        QTest::newRow("tab") << u"ДДС\t20 %"_s << u"ДДС\t20 %"_s;
        QTest::newRow("controls") << u"a\u0001b\u001fc\u007fd\re"_s << u"abcde"_s;
    }

    void lineBreaksTabsAndControls()
    {
        QFETCH(QString, value);
        QFETCH(QString, shown);
        const Filled f = fill("{\\rtf1 condition}", {{u"condition"_s, value}});
        QCOMPARE(f.text, shown);
    }

    void insertedTextIsNeverSearchedAgain()
    {
        // "Summit" and "Vidin" would otherwise lose their "sum" and "vid".
        const Filled f = fill("{\\rtf1 Recipient_name / b_add / vid / sum}",
                              {{u"Recipient_name"_s, u"Summit Ltd"_s},
                               {u"b_add"_s, u"Vidin"_s},
                               {u"vid"_s, u"BGN"_s},
                               {u"sum"_s, u"<<<<<<1234"_s}});
        QCOMPARE(f.text, u"Summit Ltd / Vidin / BGN / <<<<<<1234"_s);
        // A name inside one already replaced ("bank" in "rebank") is passed over, and
        // the search goes on to its later occurrences.
        QCOMPARE(fill("{\\rtf1 rebank / bank / bank}", {{u"rebank"_s, u"R"_s}, {u"bank"_s, u"B"_s}})
                     .text,
                 u"R / B / B"_s);
    }

    void everyOccurrenceIsReplaced()
    {
        const Filled f = fill("{\\rtf1 dr-dr-{\\b d}r}", {{u"dr"_s, u"05"_s}});
        QCOMPARE(f.text, u"05-05-05"_s);
    }

    // Saved as rendered; a place it cannot be saved in is told, with the file's name.
    void saveAs()
    {
        QTemporaryDir dir;
        RtfEngine engine;
        engine.open(writeTemplate(dir, "{\\rtf1 sum}"));
        engine.replaceAll(u"sum"_s, u"1250"_s);
        const QString out = dir.filePath(u"out.doc"_s);
        engine.saveAs(out);
        QFile saved(out);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), engine.render());
        try {
            engine.saveAs(dir.filePath(u"missing/out.doc"_s));
            QFAIL("saved into a folder that is not there");
        } catch (const AppError &e) {
            QVERIFY2(e.message().contains(u"out.doc"_s), qPrintable(e.message()));
        }
    }

    void openingWhatIsNotThere()
    {
        RtfEngine engine;
        try {
            engine.open(u"/nonexistent/formuliar8.doc"_s);
            QFAIL("opened a missing file");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), u"Файлът „/nonexistent/formuliar8.doc“ не може да бъде отворен: "
                                  u"такъв файл няма."_s);
        }
    }

    // Nothing near a template's size: refused before a byte is read.
    void openingFarTooLarge()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(u"formuliar8.doc"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize((qint64(64) << 20) + 1));
        file.close();
        RtfEngine engine;
        try {
            engine.open(file.fileName());
            QFAIL("opened a file of 64 MB");
        } catch (const AppError &e) {
            QVERIFY2(
                e.message().endsWith(u"размерът му е 67\u00a0108\u00a0865 байта, а допустимият е "
                                     u"най-много 67\u00a0108\u00a0864 байта (64 МБ)."_s),
                qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(TestWordEngine)
#include "tst_wordengine.moc"
