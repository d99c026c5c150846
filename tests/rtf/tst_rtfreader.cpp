#include "form/banks.h"
#include "rtf/rtfreader.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QImage>

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

struct Run {
    QString text;
    bool bold;
    bool italic;
    bool underline;
    qreal points;
    QColor color;
};

// The formatting runs of a read document, in order, joined where they agree.
QList<Run> runs(const QByteArray &rtf)
{
    QTextDocument doc;
    rtf::read(rtf, doc);
    QList<Run> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat c = f.charFormat();
            const QColor color =
                c.hasProperty(QTextFormat::ForegroundBrush) ? c.foreground().color() : QColor();
            Run r{f.text(),          c.fontWeight() >= QFont::Bold,
                  c.fontItalic(),    c.fontUnderline(),
                  c.fontPointSize(), color};
            if (!out.isEmpty() && out.last().bold == r.bold && out.last().italic == r.italic &&
                out.last().underline == r.underline && out.last().points == r.points &&
                out.last().color == r.color)
                out.last().text += r.text;
            else
                out.append(r);
        }
    }
    return out;
}

QString docText(const QByteArray &rtf)
{
    QTextDocument doc;
    rtf::read(rtf, doc);
    return doc.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// A device of 300 dots per inch, as printers have: an inch is 300 device pixels.
QImage printerLikeDevice()
{
    QImage device(10, 10, QImage::Format_RGB32);
    device.setDotsPerMeterX(11811);
    device.setDotsPerMeterY(11811);
    return device;
}

QTextTable *firstTable(QTextDocument &doc)
{
    for (QTextFrame *f : doc.rootFrame()->childFrames())
        if (auto *t = qobject_cast<QTextTable *>(f))
            return t;
    return nullptr;
}

QString cellText(const QTextTableCell &cell)
{
    QTextCursor c = cell.firstCursorPosition();
    c.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return c.selectedText();
}

// Each cell where it starts: "row,column,rows x columns:text".
QStringList cells(QTextTable *table)
{
    QStringList out;
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() == r && cell.column() == c)
                out.append(u"%1,%2,%3x%4:%5"_s.arg(r)
                               .arg(c)
                               .arg(cell.rowSpan())
                               .arg(cell.columnSpan())
                               .arg(cellText(cell)));
        }
    }
    return out;
}

// Document lengths in twips, to compare with what the file says.
qreal twips(qreal documentLength)
{
    return documentLength * 20 / rtf::pixelsPerPoint();
}

const QTextBlock blockWith(QTextDocument &doc, const QString &text)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (b.text() == text)
            return b;
    return QTextBlock();
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void libreOfficeStyle()
    {
        // No \ansicpg, every font \fcharset0, Cyrillic as \uN\'3f, one word split into
        // groups where its formatting changes, a line break after {\loch.
        const QByteArray rtf =
            "{\\rtf1\\ansi\\deff4\\adeflang1025\r\n"
            "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New "
            "Roman;}{\\f4\\fswiss\\fprq2\\fcharset0 Liberation Sans;}}\r\n"
            "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}\r\n"
            "{\\stylesheet{\\s0\\snext0\\ql\\widctlpar\\cf0\\loch\\f3\\fs24\\lang1026 Normal;}}\r\n"
            "{\\*\\generator LibreOffice/7.4.7.2$Linux_X86_64 LibreOffice_project/40$Build-2}"
            "{\\info{\\creatim\\yr2024\\mo3\\dy5\\hr10\\min0}{\\author Someone}}\r\n"
            "\\pard\\plain \\s0\\ql\\fs24{\\loch\r\n"
            "\\u1055\\'3f\\u1088\\'3f\\u1080\\'3f}{\\b\\loch\r\n"
            "\\u1084\\'3f\\u1077\\'3f\\u1088\\'3f}{\\loch\r\n"
            "\\u1077\\'3f\\u1085\\'3f }{\\cf2\\i\\loch\r\n"
            "\\u1090\\'3f\\u1077\\'3f\\u1082\\'3f\\u1089\\'3f\\u1090\\'3f}\r\n"
            "\\par }";
        QCOMPARE(rtf::plainText(rtf), u"Примерен текст\n"_s);
        const QList<Run> r = runs(rtf);
        QCOMPARE(r.size(), 4);
        QCOMPARE(r.at(0).text, u"При"_s);
        QVERIFY(!r.at(0).bold);
        QCOMPARE(r.at(0).points, 12.0);
        QCOMPARE(r.at(1).text, u"мер"_s);
        QVERIFY(r.at(1).bold);
        QCOMPARE(r.at(2).text, u"ен "_s);
        QCOMPARE(r.at(3).text, u"текст"_s);
        QVERIFY(r.at(3).italic);
        QCOMPARE(r.at(3).color, QColor(255, 0, 0));
    }

    // Text in a colour of the colour table has exactly that entry's red, green and
    // blue, whichever order the entry gives them in; one the entry leaves out is 0.
    void colorTableEntries_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<int>("index");
        QTest::addColumn<QColor>("color");
        QTest::newRow("grey") << QByteArray(";\\red128\\green128\\blue128;") << 1
                              << QColor(128, 128, 128);
        QTest::newRow("pure green")
            << QByteArray(";\\red0\\green255\\blue0;") << 1 << QColor(0, 255, 0);
        QTest::newRow("pure blue")
            << QByteArray(";\\red0\\green0\\blue255;") << 1 << QColor(0, 0, 255);
        QTest::newRow("mixed") << QByteArray(";\\red12\\green34\\blue56;") << 1
                               << QColor(12, 34, 56);
        QTest::newRow("blue first")
            << QByteArray(";\\blue200\\red10\\green100;") << 1 << QColor(10, 100, 200);
        QTest::newRow("green left out")
            << QByteArray(";\\red200\\blue7;") << 1 << QColor(200, 0, 7);
        QTest::newRow("third of three")
            << QByteArray(";\\red255\\green0\\blue0;\\red0\\green255\\blue0;\\red1\\green2\\blue3;")
            << 3 << QColor(1, 2, 3);
        QTest::newRow("second of three")
            << QByteArray(
                   ";\\red255\\green0\\blue0;\\red0\\green128\\blue64;\\red1\\green2\\blue3;")
            << 2 << QColor(0, 128, 64);
    }
    void colorTableEntries()
    {
        QFETCH(QByteArray, table);
        QFETCH(int, index);
        QFETCH(QColor, color);
        const QByteArray rtf = "{\\rtf1\\ansi{\\colortbl" + table + "}\\pard plain {\\cf" +
                               QByteArray::number(index) + " colored}\\par}";
        const QList<Run> r = runs(rtf);
        QCOMPARE(r.size(), 2);
        QCOMPARE(r.at(0).text, u"plain "_s);
        QCOMPARE(r.at(0).color, QColor());
        QCOMPARE(r.at(1).text, u"colored"_s);
        QCOMPARE(r.at(1).color, color);
    }

    void wordStyle()
    {
        const QByteArray rtf =
            "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\froman\\fcharset204 "
            "Times New Roman CYR;}{\\f1\\fcharset0 Arial;}}\r\n"
            "\\pard\\plain\\f0\\fs28 \\'cf\\'ca \\ul\\'cf\\'f0\\'e8\\'ec\\'e5\\'f0\\ulnone\\par\r\n"
            "\\pard\\qc\\fs20 \\'e0\\line \\'e1\\tab\\'e2\\par}";
        QCOMPARE(rtf::plainText(rtf), u"ПК Пример\nа\u2028б\tв\n"_s);
        const QList<Run> r = runs(rtf);
        QCOMPARE(r.at(0).text, u"ПК "_s);
        QCOMPARE(r.at(0).points, 14.0);
        QCOMPARE(r.at(1).text, u"Пример"_s);
        QVERIFY(r.at(1).underline);
        QTextDocument doc;
        rtf::read(rtf, doc);
        QCOMPARE(doc.begin().next().blockFormat().alignment(), Qt::AlignHCenter);
    }

    void unicodeSkipping_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("uc0") << QByteArray("{\\rtf1\\uc0 \\u1040\\u1041 text}") << u"АБtext"_s;
        QTest::newRow("uc1 default") << QByteArray("{\\rtf1 \\u1040?\\u1041?x}") << u"АБx"_s;
        QTest::newRow("uc2 bytes") << QByteArray("{\\rtf1\\uc2 \\u1040\\'3f\\'3fX}") << u"АX"_s;
        QTest::newRow("uc2 text") << QByteArray("{\\rtf1\\uc2 \\u1040??Y}") << u"АY"_s;
        QTest::newRow("control word counts one")
            << QByteArray("{\\rtf1\\uc2 \\u1040\\emdash\\'3fZ}") << u"АZ"_s;
        QTest::newRow("a control symbol or binary data counts one")
            << QByteArray("{\\rtf1 \\u1040\\~a\\u1041\\bin1 xb}") << u"АaБb"_s;
        QTest::newRow("group ends the skip")
            << QByteArray("{\\rtf1\\ansicpg1251\\uc2 {\\u1040}\\'e0}") << u"Аа"_s;
        QTest::newRow("uc scoped to group")
            << QByteArray("{\\rtf1 {\\uc0\\u1040}\\u1041?}") << u"АБ"_s;
        QTest::newRow("negative and surrogates")
            << QByteArray("{\\rtf1 \\u-10179?\\u-8704?!}") << u"😀!"_s;
        // A file that declares no character set at all is taken for Windows-1251.
        QTest::newRow("raw windows-1251 bytes")
            << QByteArray("{\\rtf1\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 \xcf\xf0\xe8\xec\xe5\xf0}")
            << u"Пример"_s;
        QTest::newRow("cpg of a font")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f1\\cpg1251 X;}}\\f1 \\'e0}")
            << u"а"_s;
        QTest::newRow("ansicpg 1252")
            << QByteArray(
                   "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}}\\'e0}")
            << u"à"_s;
        QTest::newRow("hex digits in capitals, a to f")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'AA\\'BF\\'CD\\'DE\\'EF\\'FA}")
            << u"ЄїНЮпъ"_s;
        QTest::newRow("invalid code page falls back")
            << QByteArray("{\\rtf1\\ansi\\ansicpg99999 \\'cf}") << u"П"_s;
        QTest::newRow("code page 0 is none")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251\\ansicpg0 \\'e0}") << u"а"_s;
        QTest::newRow("typographic marks")
            << QByteArray("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}")
            << u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D"_s;
        QTest::newRow("escaped specials")
            << QByteArray("{\\rtf1 a\\\\b\\{c\\}d\\~e\\_f}") << u"a\\b{c}d\u00A0e\u2011f"_s;
        QTest::newRow("backslash before a line end or a tab")
            << QByteArray("{\\rtf1 a\\\nb\\\r\nc\\\td}") << u"a\nb\nc\td"_s;
    }

    void unicodeSkipping()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(rtf::plainText(rtf), text);
        QCOMPARE(docText(rtf), text);
    }

    void codePages_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("ansi without a code page is Windows-1252")
            << QByteArray("{\\rtf1\\ansi Caf\\'e9}") << u"Café"_s;
        QTest::newRow("ansi, font of the ANSI character set")
            << QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 Caf\\'e9}")
            << u"Café"_s;
        QTest::newRow("a Cyrillic font in an ansi file")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset204 Arial CYR;}}\\f1 \\'e0}")
            << u"а"_s;
        QTest::newRow("ansicpg over a font of the ANSI character set")
            << QByteArray(
                   "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 \\'e0}")
            << u"а"_s;
        QTest::newRow("font without a character set takes ansicpg")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1253{\\fonttbl{\\f0 Arial;}}\\f0 \\'e1}")
            << u"α"_s;
        QTest::newRow("mac") << QByteArray("{\\rtf1\\mac \\'8e}") << u"é"_s;
        QTest::newRow("pc") << QByteArray("{\\rtf1\\pc \\'82}") << u"é"_s;
        QTest::newRow("pca") << QByteArray("{\\rtf1\\pca \\'82\\'a4}") << u"éñ"_s;
        QTest::newRow("nothing declared") << QByteArray("{\\rtf1 \\'e0}") << u"а"_s;
        QTest::newRow("a group's own code page")
            << QByteArray("{\\rtf1\\ansi{\\cpg1253 \\'e1}\\'e1}") << u"αá"_s;
        QTest::newRow("plain returns to the default font")
            << QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset204 "
                          "B;}}\\f1 \\'e0\\plain \\'e0}")
            << u"аà"_s;
        QTest::newRow("code page switches inside a word")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset204 B;}}"
                          "\\f0 \\'e9{\\f1 \\'e9}\\'e9}")
            << u"éйé"_s;
        // Every character set a font may declare reads in its own code page.
        const struct {
            int charset;
            const char *bytes;
            const char16_t *text;
        } charsets[] = {
            {77, "\\'8e", u"é"},        {128, "\\'b1", u"ｱ"},       {129, "\\'b0\\'a1", u"가"},
            {134, "\\'b0\\'a1", u"啊"}, {136, "\\'a4\\'40", u"一"}, {161, "\\'e1", u"α"},
            {162, "\\'fd", u"ı"},       {163, "\\'d0", u"Đ"},       {177, "\\'e0", u"א"},
            {178, "\\'c7", u"ا"},       {186, "\\'e8", u"č"},       {204, "\\'e0", u"а"},
            {222, "\\'a1", u"ก"},       {238, "\\'9a", u"š"},       {255, "\\'82", u"é"},
        };
        for (const auto &c : charsets) {
            QTest::addRow("fcharset%d", c.charset)
                << "{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset" + QByteArray::number(c.charset) +
                       " X;}}\\f1 " + c.bytes + "}"
                << QString::fromUtf16(c.text);
        }
    }

    void codePages()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(rtf::plainText(rtf), text);
        QCOMPARE(docText(rtf), text);
    }

    void bankCodeListStillReads()
    {
        const std::optional<BankList> list =
            BankList::read(QStringLiteral(FORMELAN_SOURCE_DIR "/data/help/banks.csv"));
        QVERIFY(list);
        const QByteArray rtf = bankListRtf(*list);
        QVERIFY(rtf.contains("\\ansicpg1251"));
        QVERIFY(rtf::plainText(rtf).contains(u"Българска народна банка\tBNBGBGSD\t"_s));
        const QString text = docText(rtf);
        QVERIFY(text.contains(u"Българска народна банка"_s));
        QVERIFY(text.contains(u"Банкови идентификационни кодове"_s));
    }

    void destinations_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("starred unknown")
            << QByteArray("{\\rtf1 a{\\*\\unknown skip me}b}") << u"ab"_s;
        QTest::newRow("info") << QByteArray("{\\rtf1{\\info{\\title T}{\\author A}}x}") << u"x"_s;
        QTest::newRow("picture") << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b}") << u"ab"_s;
        QTest::newRow("field result shown")
            << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt shown}}}")
            << u"shown"_s;
        QTest::newRow("field instruction without star")
            << QByteArray("{\\rtf1 {\\field{\\fldinst PAGE}{\\fldrslt 1}}}") << u"1"_s;
        QTest::newRow("bin skips raw bytes")
            << QByteArray("{\\rtf1 a\\bin3 \x00}{b}", 18) << u"ab"_s;
        QTest::newRow("bin inside a skipped group")
            << QByteArray("{\\rtf1 {\\*\\x \\bin2 }} c}d}") << u"d"_s;
        QTest::newRow("stylesheet and font names")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\stylesheet{\\s1 Heading;}}t}")
            << u"t"_s;
    }

    void destinations()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(rtf::plainText(rtf), text);
    }

    void tables()
    {
        const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251 Before\\par"
                               "\\trowd\\cellx2000\\cellx4000\\pard\\intbl A\\cell \\'c1\\cell\\row"
                               "\\trowd\\cellx2000\\cellx4000\\pard\\intbl C\\cell D\\cell\\row"
                               "\\pard After\\par}";
        QCOMPARE(rtf::plainText(rtf), u"Before\nA\tБ\t\nC\tD\t\nAfter\n"_s);
        QTextDocument doc;
        rtf::read(rtf, doc);
        QTextTable *table = nullptr;
        for (QTextFrame *f : doc.rootFrame()->childFrames())
            table = table ? table : qobject_cast<QTextTable *>(f);
        QVERIFY(table);
        QCOMPARE(table->rows(), 2);
        QCOMPARE(table->columns(), 2);
        auto cellText = [&](int r, int c) {
            QTextCursor a = table->cellAt(r, c).firstCursorPosition();
            a.setPosition(table->cellAt(r, c).lastCursorPosition().position(),
                          QTextCursor::KeepAnchor);
            return a.selectedText();
        };
        QCOMPARE(cellText(0, 0), u"A"_s);
        QCOMPARE(cellText(0, 1), u"Б"_s);
        QCOMPARE(cellText(1, 1), u"D"_s);
        QVERIFY(doc.toPlainText().endsWith(u"After\n"_s));
    }

    void tableGrids_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QList<int>>("widths"); // of the grid's columns, in twips
        QTest::addColumn<int>("left");          // where the table starts, in twips
        const QByteArray def = "\\trowd\\trgaph108\\trleft-108\\cellx2000\\cellx4000";
        QTest::newRow("rows defined before their cells")
            << "{\\rtf1 " + def + "\\pard\\intbl A\\cell B\\cell\\row" + def +
                   "\\pard\\intbl C\\cell D\\cell\\row\\pard After\\par}"
            << QStringList{u"0,0,1x1:A"_s, u"0,1,1x1:B"_s, u"1,0,1x1:C"_s, u"1,1,1x1:D"_s}
            << QList<int>{2108, 2000} << -108;
        // Word 2002 and later repeat the definition before \row, inside a group.
        QTest::newRow("definition repeated before row")
            << "{\\rtf1 " + def + "\\pard\\intbl A\\cell B\\cell\\pard\\intbl{" + def + "\\row}" +
                   def + "\\pard\\intbl C\\cell D\\cell\\pard\\intbl\\itap1{" + def +
                   "\\row}\\pard After\\par}"
            << QStringList{u"0,0,1x1:A"_s, u"0,1,1x1:B"_s, u"1,0,1x1:C"_s, u"1,1,1x1:D"_s}
            << QList<int>{2108, 2000} << -108;
        QTest::newRow("definition only before row")
            << QByteArray("{\\rtf1\\pard\\intbl A\\cell B\\cell{\\trowd\\cellx1000\\cellx3000\\row}"
                          "\\pard\\intbl C\\cell D\\cell{\\trowd\\cellx1000\\cellx3000\\row}}")
            << QStringList{u"0,0,1x1:A"_s, u"0,1,1x1:B"_s, u"1,0,1x1:C"_s, u"1,1,1x1:D"_s}
            << QList<int>{1000, 2000} << 0;
        QTest::newRow("uneven rows")
            << QByteArray("{\\rtf1\\trowd\\cellx2000\\cellx6000\\pard\\intbl A\\cell B\\cell\\row"
                          "\\trowd\\cellx4000\\cellx6000\\pard\\intbl C\\cell D\\cell\\row"
                          "\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl E\\cell F\\cell "
                          "G\\cell\\row}")
            << QStringList{u"0,0,1x2:A"_s, u"0,2,1x3:B"_s, u"1,0,1x4:C"_s, u"1,4,1x1:D"_s,
                           u"2,0,1x1:E"_s, u"2,1,1x1:F"_s, u"2,2,1x1:G"_s, u"2,3,1x2:"_s}
            << QList<int>{1000, 1000, 1000, 1000, 2000} << 0;
        QTest::newRow("a row further in")
            << QByteArray("{\\rtf1\\trowd\\cellx3000\\pard\\intbl A\\cell\\row"
                          "\\trowd\\trleft1000\\cellx3000\\pard\\intbl B\\cell\\row}")
            << QStringList{u"0,0,1x2:A"_s, u"1,0,1x1:"_s, u"1,1,1x1:B"_s} << QList<int>{1000, 2000}
            << 0;
        QTest::newRow("merged across")
            << QByteArray("{\\rtf1\\trowd\\clmgf\\cellx2000\\clmrg\\cellx4000\\cellx5000"
                          "\\pard\\intbl A\\cell\\cell C\\cell\\row}")
            << QStringList{u"0,0,1x1:A"_s, u"0,1,1x1:C"_s} << QList<int>{4000, 1000} << 0;
        QTest::newRow("merged down")
            << QByteArray("{\\rtf1\\trowd\\clvmgf\\cellx2000\\cellx4000\\pard\\intbl A\\cell "
                          "B\\cell\\row\\trowd\\clvmrg\\cellx2000\\cellx4000\\pard\\intbl\\cell "
                          "D\\cell\\row}")
            << QStringList{u"0,0,2x1:A"_s, u"0,1,1x1:B"_s, u"1,1,1x1:D"_s} << QList<int>{2000, 2000}
            << 0;
        // Text in a merged cell is not lost: it joins the cell it merges into.
        QTest::newRow("merged across, text kept")
            << QByteArray("{\\rtf1\\trowd\\clmgf\\cellx2000\\clmrg\\cellx4000\\pard\\intbl A\\cell "
                          "X\\cell\\row}")
            << QStringList{u"0,0,1x1:AX"_s} << QList<int>{4000} << 0;
        QTest::newRow("merged down, text kept")
            << QByteArray("{\\rtf1\\trowd\\clvmgf\\cellx2000\\pard\\intbl A\\cell\\row"
                          "\\trowd\\clvmrg\\cellx2000\\pard\\intbl X\\cell\\row}")
            << QStringList{u"0,0,2x1:AX"_s} << QList<int>{2000} << 0;
        QTest::newRow("more cells than boundaries")
            << QByteArray("{\\rtf1\\trowd\\cellx1500\\pard\\intbl A\\cell B\\cell\\row}")
            << QStringList{u"0,0,1x1:A"_s, u"0,1,1x1:B"_s} << QList<int>{1500, 1500} << 0;
    }

    void tableGrids()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, cells);
        QFETCH(QList<int>, widths);
        QFETCH(int, left);
        QTextDocument doc;
        rtf::read(rtf, doc);
        QTextTable *table = firstTable(doc);
        QVERIFY(table);
        QCOMPARE(::cells(table), cells);
        QList<int> got;
        for (const QTextLength &l : table->format().columnWidthConstraints()) {
            QCOMPARE(l.type(), QTextLength::FixedLength);
            got.append(qRound(twips(l.rawValue())));
        }
        QCOMPARE(got, widths);
        QCOMPARE(qRound(twips(table->format().leftMargin())), left);
        if (rtf.contains("After"))
            QVERIFY(doc.toPlainText().endsWith(u"After\n"_s));
    }

    // A row placed across the page, each kind of cell border, each kind of tab stop.
    void rowsBordersAndTabs_data()
    {
        QTest::addColumn<QByteArray>("words");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("border");
        QTest::addColumn<int>("tab");
        using F = QTextFrameFormat;
        QTest::newRow("centred, dotted, centre tab")
            << QByteArray("\\trqc\\clbrdrt\\brdrdot") << int(Qt::AlignHCenter)
            << int(F::BorderStyle_Dotted) << int(QTextOption::CenterTab);
        QTest::newRow("right, dashed, decimal tab")
            << QByteArray("\\trqr\\clbrdrt\\brdrdash") << int(Qt::AlignRight)
            << int(F::BorderStyle_Dashed) << int(QTextOption::DelimiterTab);
        QTest::newRow("left, hairline, left tab")
            << QByteArray("\\trql\\clbrdrt\\brdrhair") << int(Qt::AlignLeft)
            << int(F::BorderStyle_Solid) << int(QTextOption::LeftTab);
    }
    void rowsBordersAndTabs()
    {
        QFETCH(QByteArray, words);
        QFETCH(int, alignment);
        QFETCH(int, border);
        QFETCH(int, tab);
        const QByteArray tabWord = tab == QTextOption::CenterTab      ? "\\tqc"
                                   : tab == QTextOption::DelimiterTab ? "\\tqdec"
                                                                      : "";
        QTextDocument doc;
        rtf::read("{\\rtf1\\trowd" + words + "\\cellx2000\\pard\\intbl A\\cell\\row\\pard" +
                      tabWord + "\\tx1440 B\\par}",
                  doc);
        QTextTable *table = firstTable(doc);
        QVERIFY(table);
        QCOMPARE(int(table->format().alignment() & Qt::AlignHorizontal_Mask),
                 alignment == Qt::AlignLeft ? 0 : alignment);
        QCOMPARE(int(table->cellAt(0, 0).format().toTableCellFormat().topBorderStyle()), border);
        QCOMPARE(int(blockWith(doc, u"B"_s).blockFormat().tabPositions().value(0).type), tab);
    }

    // Rows whose boundaries together pass 128 lines are tables of their own, each on its
    // own grid; a table after a page break begins the next page.
    void tablesOfTheirOwn()
    {
        QByteArray rtf = "{\\rtf1";
        for (int offset : {0, 50, 25}) { // 63 cells each, the most a row has
            rtf += "\\trowd";
            for (int i = 1; i <= 63; ++i)
                rtf += "\\cellx" + QByteArray::number(i * 100 + offset);
            rtf += "\\pard\\intbl R" + QByteArray::number(offset) + "\\cell\\row";
        }
        rtf += "\\pard a\\page\\trowd\\cellx1000\\pard\\intbl T\\cell\\row}";
        QTextDocument doc;
        rtf::read(rtf, doc);
        QList<QTextTable *> tables;
        for (QTextFrame *f : doc.rootFrame()->childFrames()) {
            if (auto *t = qobject_cast<QTextTable *>(f))
                tables.append(t);
        }
        QCOMPARE(tables.size(), 3);
        QCOMPARE(tables[0]->rows(), 2); // 127 lines
        QCOMPARE(tables[0]->columns(), 126);
        QCOMPARE(tables[1]->rows(), 1);
        QCOMPARE(tables[1]->columns(), 63);
        QCOMPARE(tables[1]->cellAt(0, 0).firstCursorPosition().block().text(), u"R25"_s);
        QCOMPARE(tables[1]->format().pageBreakPolicy(), QTextFormat::PageBreak_Auto);
        QCOMPARE(tables[2]->format().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
    }

    void cellFormats()
    {
        const QByteArray rtf =
            "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\trowd\\trgaph100\\trpaddl200\\trpaddfl3"
            "\\trpaddb90\\trpaddfb3"
            "\\clbrdrt\\brdrs\\brdrw20\\brdrcf1\\trbrdrt\\brdrdb\\brdrw60\\box\\brdrdot\\clbrdrl\\b"
            "rdrdb\\brdrw10\\clbrdrb\\brdrs\\brdrnone"
            "\\clvertalc\\clcbpat1\\cellx2000\\clvertalb\\clbrdrr\\brdrth\\brdrw15\\cellx4000"
            "\\pard\\intbl A\\cell B\\cell\\row}";
        QTextDocument doc;
        rtf::read(rtf, doc);
        QTextTable *table = firstTable(doc);
        QVERIFY(table);
        const QTextTableCellFormat a = table->cellAt(0, 0).format().toTableCellFormat();
        QCOMPARE(qRound(twips(a.topBorder())), 20);
        QCOMPARE(a.topBorderBrush().color(), QColor(255, 0, 0));
        QCOMPARE(a.leftBorderStyle(), QTextFrameFormat::BorderStyle_Double);
        QCOMPARE(qRound(twips(a.leftBorder())), 30);
        QCOMPARE(a.bottomBorder(), 0.0);
        QCOMPARE(a.rightBorder(), 0.0);
        // The text stands the padding from the boundary, the border inside it.
        QCOMPARE(qRound(twips(a.leftPadding() + a.leftBorder())), 200);
        QCOMPARE(qRound(twips(a.rightPadding())), 100);
        QCOMPARE(qRound(twips(a.bottomPadding())), 90);
        QCOMPARE(a.verticalAlignment(), QTextCharFormat::AlignMiddle);
        QCOMPARE(a.background().color(), QColor(255, 0, 0));
        const QTextTableCellFormat b = table->cellAt(0, 1).format().toTableCellFormat();
        QCOMPARE(b.verticalAlignment(), QTextCharFormat::AlignBottom);
        QCOMPARE(b.rightBorderBrush().color(), QColor(Qt::black));
        QCOMPARE(qRound(twips(b.rightBorder())), 30);
        QCOMPARE(qRound(twips(b.rightPadding() + b.rightBorder())), 100);
        QCOMPARE(b.topBorder(), 0.0);
        // A padding of nought, given, is nought, not the gap.
        QTextDocument zero;
        rtf::read("{\\rtf1\\trowd\\trgaph100\\trpaddl0\\trpaddfl3\\trpaddr0\\trpaddfr3"
                  "\\cellx2000\\pard\\intbl Z\\cell\\row}",
                  zero);
        const QTextTableCellFormat z = firstTable(zero)->cellAt(0, 0).format().toTableCellFormat();
        QCOMPARE(z.leftPadding(), 0.0);
        QCOMPARE(z.rightPadding(), 0.0);
    }

    // A line between two cells is drawn once, by the cell left of it and by the row
    // above, also beside and below a cell merged down two rows.
    void sharedLinesDrawnOnce()
    {
        const QByteArray box = "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                               "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
        const QByteArray rtf =
            "{\\rtf1\\trowd" + box + "\\clvmgf\\cellx2000" + box +
            "\\cellx4000\\pard\\intbl A\\cell B\\cell\\row\\trowd" + box + "\\clvmrg\\cellx2000" +
            box + "\\cellx4000\\pard\\intbl\\cell D\\cell\\row\\trowd" + box + "\\cellx2000" + box +
            "\\cellx4000\\pard\\intbl E\\cell F\\cell\\row}";
        QTextDocument doc;
        rtf::read(rtf, doc);
        QTextTable *table = firstTable(doc);
        QVERIFY(table);
        // The lines a cell draws: top, left, bottom, right.
        const auto lines = [&](int row, int column) {
            const QTextTableCellFormat f = table->cellAt(row, column).format().toTableCellFormat();
            QString drawn;
            for (const auto &[side, style] :
                 {std::pair{u't', f.topBorderStyle()}, std::pair{u'l', f.leftBorderStyle()},
                  std::pair{u'b', f.bottomBorderStyle()}, std::pair{u'r', f.rightBorderStyle()}})
                drawn += style == QTextFrameFormat::BorderStyle_None ? u'-' : side;
            return drawn;
        };
        QCOMPARE(QStringList({lines(0, 0), lines(0, 1), lines(1, 1), lines(2, 0), lines(2, 1)}),
                 QStringList({u"tlbr"_s, u"t-br"_s, u"--br"_s, u"-lbr"_s, u"--br"_s}));
    }

    void rowHeightsOnADevice()
    {
        const QByteArray rtf = "{\\rtf1\\trowd\\trrh1440\\cellx2000\\pard\\intbl A\\cell\\row"
                               "\\trowd\\trrh-720\\cellx2000\\pard\\intbl B\\cell\\row"
                               "\\trowd\\trrh20\\cellx2000\\pard\\intbl\\fs48 C\\cell\\row}";
        QTextDocument doc;
        rtf::read(rtf, doc);
        // 300 dots per inch: a twip is 300 / 1440 of a device pixel.
        QImage device = printerLikeDevice();
        doc.documentLayout()->setPaintDevice(&device);
        doc.setTextWidth(3000);
        rtf::fitToDevice(doc);
        QTextTable *table = firstTable(doc);
        const auto top = [&](int row) {
            return doc.documentLayout()
                ->blockBoundingRect(table->cellAt(row, 0).firstCursorPosition().block())
                .top();
        };
        QCOMPARE_GE(top(1) - top(0), 1440 * 300 / 1440.0 - 1);
        QCOMPARE_LE(top(1) - top(0), 1440 * 300 / 1440.0 + 2);
        QCOMPARE_GE(top(2) - top(1), 720 * 300 / 1440.0 - 1);
        QCOMPARE_LE(top(2) - top(1), 720 * 300 / 1440.0 + 2);
        // A row lower than its text grows to the text.
        const qreal last = doc.documentLayout()->frameBoundingRect(table).bottom() - top(2);
        QCOMPARE_GE(last, 24 * 300 / 72.0);

        // An indent of a single layout pixel is fitted like any other.
        const int pixel = qRound(20 / rtf::pixelsPerPoint()); // in twips
        QTextDocument indented;
        rtf::read("{\\rtf1\\pard\\li" + QByteArray::number(pixel) + " i\\par\\li1440 inch\\par}",
                  indented);
        indented.documentLayout()->setPaintDevice(&device);
        rtf::fitToDevice(indented);
        QCOMPARE(qRound(indented.begin().blockFormat().leftMargin()), qRound(pixel * 300 / 1440.0));
        QCOMPARE(blockWith(indented, u"inch"_s).blockFormat().leftMargin(), 300.0);
        // Fitted again, as for a second printing on the same device, nothing moves.
        rtf::fitToDevice(indented);
        QCOMPARE(blockWith(indented, u"inch"_s).blockFormat().leftMargin(), 300.0);
    }

    // A row taller than its text keeps the height the file gives it, the text where the
    // cell puts it: at the top, in the middle or at the bottom.
    void textInATallRow_data()
    {
        QTest::addColumn<QByteArray>("align");
        QTest::addColumn<double>("where"); // of the room the text leaves, how much is above it
        QTest::newRow("top") << QByteArray("\\clvertalt") << 0.0;
        QTest::newRow("middle") << QByteArray("\\clvertalc") << 0.5;
        QTest::newRow("bottom") << QByteArray("\\clvertalb") << 1.0;
    }

    void textInATallRow()
    {
        QFETCH(QByteArray, align);
        QFETCH(double, where);
        QTextDocument doc;
        rtf::read("{\\rtf1\\pard Before\\par\\trowd\\trrh1440" + align +
                      "\\cellx2000\\pard\\intbl A\\cell\\row\\pard After\\par}",
                  doc);
        QImage device = printerLikeDevice();
        doc.documentLayout()->setPaintDevice(&device);
        doc.setTextWidth(3000);
        rtf::fitToDevice(doc);
        const auto rect = [&](const QString &text) {
            return doc.documentLayout()->blockBoundingRect(blockWith(doc, text));
        };
        const qreal rowTop = rect(u"Before"_s).bottom();
        const qreal rowHeight = rect(u"After"_s).top() - rowTop;
        QCOMPARE_GE(rowHeight, 300 - 1);
        QCOMPARE_LE(rowHeight, 300 + 2);
        const QRectF text = rect(u"A"_s);
        const qreal room = rowHeight - text.height();
        QCOMPARE_GT(room, 200);
        const qreal above = text.top() - rowTop;
        QVERIFY2(std::abs(above - where * room) <= 3,
                 qPrintable(u"%1 above the text, of %2"_s.arg(above).arg(room)));
    }

    void spaceAfterATable()
    {
        QTextDocument doc;
        rtf::read("{\\rtf1\\trowd\\cellx2000\\pard\\intbl A\\cell\\row\\pard\\sb1440 After\\par}",
                  doc);
        doc.setTextWidth(2000);
        const QTextBlock after = blockWith(doc, u"After"_s);
        QVERIFY(after.isValid());
        const qreal gap = doc.documentLayout()->blockBoundingRect(after).top() -
                          doc.documentLayout()->frameBoundingRect(firstTable(doc)).bottom();
        QCOMPARE(qRound(twips(gap)), 1440);
    }

    void paragraphFormats()
    {
        const QByteArray rtf = "{\\rtf1 \\pard\\qc\\sb240\\sa120 c\\par"
                               "\\pard\\qr\\li720\\ri360\\fi-360 r\\par"
                               "\\pard\\qj\\sl360\\slmult1 j\\par"
                               "\\pard\\sl-300\\slmult0 x\\par"
                               "\\pard\\sl300\\tx1440\\tqr\\tx2880 m\\page"
                               "\\pard next\\par"
                               "\\pard\\plain\\fs8\\par"
                               "\\pard {\\fs13 a}\\line {\\fs19 b}\\par"
                               "\\pard {\\fs13 p}{\\fs19\\line q}\\par"
                               "\\pard {\\fs27\\line s}\\par}";
        QTextDocument doc;
        rtf::read(rtf, doc);
        const QTextBlockFormat c = blockWith(doc, u"c"_s).blockFormat();
        QCOMPARE(c.alignment(), Qt::AlignHCenter);
        QCOMPARE(qRound(twips(c.topMargin())), 240);
        QCOMPARE(qRound(twips(c.bottomMargin())), 120);
        const QTextBlockFormat r = blockWith(doc, u"r"_s).blockFormat();
        QCOMPARE(r.alignment(), Qt::AlignRight);
        QCOMPARE(qRound(twips(r.leftMargin())), 720);
        QCOMPARE(qRound(twips(r.rightMargin())), 360);
        QCOMPARE(qRound(twips(r.textIndent())), -360);
        const QTextBlockFormat j = blockWith(doc, u"j"_s).blockFormat();
        QCOMPARE(j.alignment(), Qt::AlignJustify);
        QCOMPARE(j.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
        QCOMPARE(j.lineHeight(), 150.0);
        const QTextBlockFormat x = blockWith(doc, u"x"_s).blockFormat();
        QCOMPARE(x.lineHeightType(), int(QTextBlockFormat::FixedHeight));
        QCOMPARE(qRound(twips(x.lineHeight())), 300);
        const QTextBlockFormat m = blockWith(doc, u"m"_s).blockFormat();
        QCOMPARE(m.lineHeightType(), int(QTextBlockFormat::MinimumHeight));
        QCOMPARE(m.tabPositions().size(), 2);
        QCOMPARE(m.tabPositions().at(1).type, QTextOption::RightTab);
        QCOMPARE(qRound(twips(m.tabPositions().at(1).position)), 2880);
        QCOMPARE(blockWith(doc, u"next"_s).blockFormat().pageBreakPolicy(),
                 QTextFormat::PageBreak_AlwaysBefore);
        // A paragraph keeps its first 64 tab stops, as Word does; a file with more is bad.
        // One left of the paragraph stands at its start.
        QByteArray stops = "\\tx-200";
        for (int i = 1; i <= 70; ++i)
            stops += "\\tx" + QByteArray::number(i * 100);
        QTextDocument many;
        rtf::read("{\\rtf1\\pard" + stops + " t\\par}", many);
        const QList<QTextOption::Tab> kept = blockWith(many, u"t"_s).blockFormat().tabPositions();
        QCOMPARE(kept.size(), 64);
        QCOMPARE(twips(kept.first().position), 0);
        QCOMPARE(qRound(twips(kept.last().position)), 6300);
        QTextDocument breaks;
        rtf::read("{\\rtf1\\pard\\pagebb own\\par\\pard\\pagebb0 none\\par}", breaks);
        QCOMPARE(blockWith(breaks, u"own"_s).blockFormat().pageBreakPolicy(),
                 QTextFormat::PageBreak_AlwaysBefore);
        QCOMPARE(blockWith(breaks, u"none"_s).blockFormat().pageBreakPolicy(),
                 QTextFormat::PageBreak_Auto);
        // An empty paragraph is as high as its paragraph mark's font.
        const QTextBlock empty = blockWith(doc, u"next"_s).next();
        QCOMPARE(empty.length(), 1);
        QCOMPARE(empty.charFormat().fontPointSize(), 4.0);
        // A line break is as high as the text before it.
        const QTextBlock ab = blockWith(doc, u"a\u2028b"_s);
        QVERIFY(ab.isValid());
        for (auto it = ab.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(QChar::LineSeparator))
                QCOMPARE(it.fragment().charFormat().fontPointSize(), 6.5);
        }
        // ...also where it begins the larger text after it.
        QStringList sizes;
        const QTextBlock pq = blockWith(doc, u"p\u2028q"_s);
        for (auto it = pq.begin(); !it.atEnd(); ++it)
            sizes << it.fragment().text() + u' ' +
                         QString::number(it.fragment().charFormat().fontPointSize());
        QCOMPARE(sizes, (QStringList{u"p\u2028 6.5"_s, u"q 9.5"_s}));
        // A break that begins its paragraph takes the size of the text it begins, not
        // that of the paragraph before.
        const QTextBlock s = blockWith(doc, u"\u2028s"_s);
        QCOMPARE(s.begin().fragment().text(), u"\u2028s"_s);
        QCOMPARE(s.begin().fragment().charFormat().fontPointSize(), 13.5);
        // The last paragraph mark ends the text: the empty block after it takes no room,
        // so text that fills a page is followed by no blank one.
        QTextDocument ended;
        rtf::read("{\\rtf1\\pard a\\par}", ended);
        QCOMPARE(ended.blockCount(), 2);
        const QRectF a = ended.documentLayout()->blockBoundingRect(ended.firstBlock());
        QCOMPARE(ended.size().height(), a.bottom() + ended.documentMargin());
    }

    // Faces as the file names them (the faces of Arial's widths and the like are the
    // page renderer's tests).
    void fonts()
    {
        const QByteArray rtf =
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fcharset204 Georgia;}"
            "{\\f1\\fmodern Consolas;}{\\f2\\fswiss\\fcharset204{\\*\\panose 0} Tahoma CYR;}"
            "{\\f3\\fnil Caf\\'e9 Sans;}{\\f4\\fscript S;}{\\f5\\fdecor D;}{\\f6\\ftech T;}"
            "{\\f7\\fnil Verdana}}"
            "a{\\f1 b}{\\f2 c}{\\f3 d}{\\f1\\plain e}{\\f4 s}{\\f5 t}{\\f6 u}{\\f7 v}}";
        QTextDocument doc;
        rtf::read(rtf, doc);
        QHash<QString, QTextCharFormat> formats;
        for (auto it = doc.begin().begin(); !it.atEnd(); ++it)
            formats.insert(it.fragment().text(), it.fragment().charFormat());
        QCOMPARE(formats.value(u"a"_s).fontFamilies().toStringList(), QStringList{u"Georgia"_s});
        QCOMPARE(formats.value(u"a"_s).fontStyleHint(), QFont::Serif);
        QCOMPARE(formats.value(u"b"_s).fontFamilies().toStringList(), QStringList{u"Consolas"_s});
        QCOMPARE(formats.value(u"b"_s).fontStyleHint(), QFont::TypeWriter);
        QCOMPARE(formats.value(u"c"_s).fontFamilies().toStringList(),
                 (QStringList{u"Tahoma CYR"_s, u"Tahoma"_s}));
        QCOMPARE(formats.value(u"d"_s).fontFamilies().toStringList(), QStringList{u"Café Sans"_s});
        // An entry without its semicolon ends with its group.
        QCOMPARE(formats.value(u"v"_s).fontFamilies().toStringList(), QStringList{u"Verdana"_s});
        QCOMPARE(formats.value(u"e"_s).fontFamilies().toStringList(), QStringList{u"Georgia"_s});
        QCOMPARE(formats.value(u"e"_s).fontPointSize(), 12.0);
        const std::pair<QString, QFont::StyleHint> hints[]{{u"c"_s, QFont::SansSerif},
                                                           {u"d"_s, QFont::AnyStyle},
                                                           {u"s"_s, QFont::Cursive},
                                                           {u"t"_s, QFont::Decorative},
                                                           {u"u"_s, QFont::AnyStyle}};
        for (const auto &[text, hint] : hints)
            QCOMPARE(formats.value(text).fontStyleHint(), hint);
    }

    void pageSetup_data()
    {
        QTest::addColumn<QByteArray>("words");
        QTest::addColumn<QSizeF>("paper");
        QTest::addColumn<QMarginsF>("margins");
        const QMarginsF cm2(56.69, 56.69, 56.69, 56.69);
        QTest::newRow("nothing: A4, 2 cm") << QByteArray() << QSizeF(595.28, 841.89) << cm2;
        QTest::newRow("letter, the writer's margins")
            << QByteArray("\\paperw12240\\paperh15840\\margl1800\\margr1700\\margt1440\\margb1400")
            << QSizeF(612, 792) << QMarginsF(90, 72, 85, 70);
        QTest::newRow("some margins") << QByteArray("\\margl850") << QSizeF(595.28, 841.89)
                                      << QMarginsF(42.5, 56.69, 56.69, 56.69);
        QTest::newRow("the section's own")
            << QByteArray("\\paperw11906\\paperh16838\\margl850\\sectd\\pgwsxn16838\\pghsxn11906"
                          "\\marglsxn567")
            << QSizeF(841.9, 595.3) << QMarginsF(28.35, 56.69, 56.69, 56.69);
        QTest::newRow("the section's own on every side, before and after the document's")
            << QByteArray("\\margr100\\margt100\\margb100\\sectd\\margrsxn1134\\margtsxn1701"
                          "\\margbsxn2268\\margr200\\margt200\\margb200")
            << QSizeF(595.28, 841.89) << QMarginsF(56.69, 85.05, 56.7, 113.4);
        QTest::newRow("a later section changes nothing")
            << QByteArray("\\margl1000 x\\sect\\sectd\\marglsxn3000\\margrsxn3000\\margtsxn3000"
                          "\\margbsxn3000\\pgwsxn5000\\pghsxn5000 y")
            << QSizeF(595.28, 841.89) << QMarginsF(50, 56.69, 56.69, 56.69);
        QTest::newRow("a section's zero size")
            << QByteArray("\\sectd\\pgwsxn0\\pghsxn0") << QSizeF(595.28, 841.89) << cm2;
        QTest::newRow("absurd sizes are bounded")
            << QByteArray("\\paperw999999999\\paperh-5\\margl-100") << QSizeF(1584, 841.89)
            << QMarginsF(0, 56.69, 56.69, 56.69);
    }

    void pageSetup()
    {
        QFETCH(QByteArray, words);
        QFETCH(QSizeF, paper);
        QFETCH(QMarginsF, margins);
        QTextDocument doc;
        const rtf::PageSetup page = rtf::read("{\\rtf1 " + words + " text}", doc);
        QCOMPARE_LE(std::abs(page.paper.width() - paper.width()), 0.05);
        QCOMPARE_LE(std::abs(page.paper.height() - paper.height()), 0.05);
        QCOMPARE_LE(std::abs(page.margins.left() - margins.left()), 0.05);
        QCOMPARE_LE(std::abs(page.margins.top() - margins.top()), 0.05);
        QCOMPARE_LE(std::abs(page.margins.right() - margins.right()), 0.05);
        QCOMPARE_LE(std::abs(page.margins.bottom() - margins.bottom()), 0.05);
    }

    void badInputShowsWhatItCan_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("not rtf") << QByteArray("plain") << u"plain"_s;
        QTest::newRow("unbalanced closing") << QByteArray("{\\rtf1 a}}} b") << u"a b"_s;
        QTest::newRow("truncated") << QByteArray("{\\rtf1 {\\b abc") << u"abc"_s;
        QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 x\\") << u"x"_s;
        QTest::newRow("overlong word")
            << QByteArray("{\\rtf1 \\") + QByteArray(100, 'a') + " x}" << u"x"_s;
        QTest::newRow("bad hex digit") << QByteArray("{\\rtf1 \\'zzq}") << u"zzq"_s;
        QTest::newRow("hex cut off") << QByteArray("{\\rtf1 a\\'c") << u"ac"_s;
        QTest::newRow("absurd bin") << QByteArray("{\\rtf1 a\\bin999999999999 xyz}") << u"a"_s;
        QTest::newRow("huge parameter")
            << QByteArray("{\\rtf1\\fs99999999999999999999 a\\uc999999 \\u65?b}") << u"aA"_s;
        QTest::newRow("deep nesting")
            << QByteArray(200000, '{') + "x" + QByteArray(200000, '}') << u"x"_s;
        QTest::newRow("table cells without a row")
            << QByteArray("{\\rtf1 a\\cell b\\row c\\cell}") << u"a\tb\nc\t"_s;
        QTest::newRow("many columns") << "{\\rtf1\\trowd" + QByteArray("\\cellx1").repeated(500) +
                                             "\\pard\\intbl x\\cell\\row}"
                                      << u"x\t\n"_s;
    }

    void badInputShowsWhatItCan()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(rtf::plainText(rtf), text);
        QTextDocument doc;
        rtf::read(rtf, doc); // must not crash or hang
        QVERIFY(doc.toPlainText().contains(text.trimmed().left(1)));
    }

    void tokenizer()
    {
        const QByteArray in = "{\\b0 x\\'e0\\-\\par12}";
        rtf::Tokenizer t(in);
        QList<rtf::Token::Type> types;
        for (rtf::Token k = t.next(); k.type != rtf::Token::End; k = t.next())
            types.append(k.type);
        QCOMPARE(types,
                 (QList<rtf::Token::Type>{rtf::Token::GroupStart, rtf::Token::Word,
                                          rtf::Token::Text, rtf::Token::Hex, rtf::Token::Symbol,
                                          rtf::Token::Word, rtf::Token::GroupEnd}));
        rtf::Tokenizer w("\\fs-12 ab");
        const rtf::Token k = w.next();
        QCOMPARE(k.word, QByteArray("fs"));
        QVERIFY(k.hasParam);
        QCOMPARE(k.param, -12);
        QCOMPARE(w.next().length, 2); // the delimiting space is not text
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
