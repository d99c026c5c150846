#include "rtf/rtfreader.h"

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
        QTest::newRow("group ends the skip")
            << QByteArray("{\\rtf1\\ansicpg1251\\uc2 {\\u1040}\\'e0}") << u"Аа"_s;
        QTest::newRow("uc scoped to group")
            << QByteArray("{\\rtf1 {\\uc0\\u1040}\\u1041?}") << u"АБ"_s;
        QTest::newRow("negative and surrogates")
            << QByteArray("{\\rtf1 \\u-10179?\\u-8704?!}") << u"😀!"_s;
        QTest::newRow("raw windows-1251 bytes")
            << QByteArray(
                   "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 \xcf\xf0\xe8\xec\xe5\xf0}")
            << u"Пример"_s;
        QTest::newRow("cpg of a font")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f1\\cpg1251 X;}}\\f1 \\'e0}")
            << u"а"_s;
        QTest::newRow("ansicpg 1252")
            << QByteArray(
                   "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}}\\'e0}")
            << u"à"_s;
        QTest::newRow("invalid code page falls back")
            << QByteArray("{\\rtf1\\ansi\\ansicpg99999 \\'cf}") << u"П"_s;
        QTest::newRow("escaped specials")
            << QByteArray("{\\rtf1 a\\\\b\\{c\\}d\\~e}") << u"a\\b{c}d\u00A0e"_s;
    }

    void unicodeSkipping()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(rtf::plainText(rtf), text);
        QCOMPARE(docText(rtf), text);
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
