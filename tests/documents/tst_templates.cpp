// Holds every shipped template to the form of its kind: it carries only placeholders of
// fields that the document window shows for that kind, exactly those that the fields
// list names, each as one run of its own; its fixed text holds no placeholder name in
// any letter case, not even inside a word; and our reader reads it.
#include "testsupport.h"

#include "documents/output.h"
#include "form/fieldset.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"
#include "rtf/rtfreader.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using namespace formelan;
using formelan::test::TemplateFields;

namespace {

const QString kSource = QStringLiteral(FORMELAN_SOURCE_DIR);
const QString kForms = kSource + u"/data/forms"_s;

const DocumentKind *kindOfItem(const QString &item)
{
    for (const DocumentKind &k : documentKinds()) {
        if (k.item == item)
            return &k;
    }
    return nullptr;
}

// What the output replaces under a kind for the fields its window shows: a field's own
// name, but for dates the kind's substitute and for check boxes the paired "no" too.
QSet<QString> placeholdersShownBy(const DocumentKind &kind)
{
    QSet<QString> out;
    for (const FieldDef &def : documentFields()) {
        if (def.place.panel != 0 && def.place.panel != kind.panel)
            continue;
        QString name = def.name.toString();
        if (def.kind == FieldKind::Date) {
            if (kind.name == u"Бюджетно платежно нареждане" && name == u"of_date")
                name = u"ofda"_s;
            else if (kind.name == u"Бюджетно платежно нареждане" && name == u"to_date")
                name = u"toda"_s;
            else if (kind.name == u"Преводно нареждане /Вносна бележка/" && name == u"d_date")
                name = u"doc_date"_s;
        }
        out.insert(name);
        if (def.kind == FieldKind::Check)
            out.insert(name == u"rebg" ? u"renobg"_s : u"denobg"_s);
        // The obligated person's identifiers print as one, at the head of "Основание".
        if (name == u"boun_bulstat")
            out.insert(u"obligated_id"_s);
    }
    return out;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The words of a text that could hold a placeholder: runs of letters, digits and '_'.
QStringList identifierRuns(const QString &text)
{
    static const QRegularExpression run(u"[A-Za-z0-9_]+"_s);
    QStringList out;
    for (auto it = run.globalMatch(text); it.hasNext();)
        out.append(it.next().captured());
    return out;
}

// The cell of a template that holds a placeholder: how many boxes of 181 twips it
// spans, and whether they are character boxes (a row of them is set in Courier New).
struct Cell {
    int boxes = 0;
    bool characters = false;
};

std::optional<Cell> cellOf(const QByteArray &rtf, const QString &name)
{
    static const QRegularExpression cellx(u"\\\\cellx(\\d+)"_s);
    const QRegularExpression word(u"(?<![A-Za-z0-9_'])"_s + name + u"(?![A-Za-z0-9_])"_s);
    for (const QString &row : QString::fromLatin1(rtf).split(u"\\trowd"_s)) {
        const qsizetype bodyStart = row.indexOf(u'\n');
        if (bodyStart < 0)
            continue;
        QList<int> edges{0};
        for (auto it = cellx.globalMatch(row.left(bodyStart)); it.hasNext();)
            edges.append(it.next().captured(1).toInt());
        const QStringList cells = row.mid(bodyStart).split(u"\\cell "_s);
        for (qsizetype i = 0; i + 1 < edges.size() && i < cells.size(); ++i) {
            if (word.match(cells[i]).hasMatch())
                return Cell{(edges[i + 1] - edges[i] + 90) / 181, cells[i].contains(u"\\f1"_s)};
        }
    }
    return std::nullopt;
}

} // namespace

class TestTemplates : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listCoversTheShippedTemplates()
    {
        const QList<TemplateFields> table = test::shippedTemplateFields(kSource);
        QVERIFY(!table.isEmpty());
        QStringList listed;
        for (const TemplateFields &t : table) {
            listed.append(t.file);
            const DocumentKind *kind = kindOfItem(t.item);
            QVERIFY2(kind, qPrintable(t.item));
            // The output picks this very file for the kind (the eighth kind: by the
            // length of the amount in words).
            QVERIFY2(templateFor(kind->name.toString(), 0) == t.file ||
                         templateFor(kind->name.toString(), 27) == t.file,
                     qPrintable(t.file));
        }
        listed.sort();
        QStringList shipped = QDir(kForms).entryList(QDir::Files);
        shipped.sort();
        QCOMPARE(listed, shipped);
        // Every kind has its form.
        for (const DocumentKind &k : documentKinds()) {
            QVERIFY(listed.contains(templateFor(k.name.toString(), 0)));
            QVERIFY(listed.contains(templateFor(k.name.toString(), 27)));
        }
    }

    void eachTemplate_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("placeholders");
        for (const TemplateFields &t : test::shippedTemplateFields(kSource))
            QTest::newRow(qPrintable(t.file)) << t.file << t.item << t.placeholders;
    }

    void eachTemplate()
    {
        QFETCH(QString, file);
        QFETCH(QString, item);
        QFETCH(QStringList, placeholders);
        const DocumentKind *kind = kindOfItem(item);
        QVERIFY(kind);
        const QByteArray rtf = readFile(kForms + u'/' + file);

        // Plain RTF in Windows-1251 that any word processor opens; all of it 7-bit.
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
        for (char c : rtf)
            QVERIFY2(uchar(c) < 0x80, "a byte above 127");
        int depth = 0;
        for (qsizetype i = 0; i < rtf.size(); ++i) {
            if (rtf[i] == '\\')
                ++i; // \{ \} and \\ are text
            else if (rtf[i] == '{')
                ++depth;
            else if (rtf[i] == '}' && --depth == 0)
                QCOMPARE(i, rtf.trimmed().size() - 1); // the document's group ends it
        }
        QCOMPARE(depth, 0);
        const QString text = rtf::plainText(rtf);
        QVERIFY(!text.trimmed().isEmpty());

        // Only fields that the window shows for this kind, each placeholder once.
        const QSet<QString> shown = placeholdersShownBy(*kind);
        for (const QString &p : placeholders) {
            QVERIFY2(shown.contains(p), qPrintable(p + u" is not shown for "_s + item));
            QCOMPARE(placeholders.count(p), 1);
        }

        // The text holds exactly the listed placeholders, in the listed order, and no
        // name of another anywhere, in any letter case, inside a word or not.
        const QStringList names = test::placeholderNames();
        QStringList found;
        for (const QString &word : identifierRuns(text)) {
            if (placeholders.contains(word)) {
                found.append(word);
                for (const QString &n : names)
                    QVERIFY2(n == word || !word.contains(n, Qt::CaseInsensitive),
                             qPrintable(word + u" holds "_s + n));
                continue;
            }
            for (const QString &n : names)
                QVERIFY2(!word.contains(n, Qt::CaseInsensitive),
                         qPrintable(u"fixed text "_s + word + u" holds "_s + n));
        }
        QCOMPARE(found, placeholders);

        // Each placeholder is one run of the source, so that a search finds it whole
        // (not the hex digits of an escaped character, as in \'d1).
        for (const QString &p : placeholders) {
            const QRegularExpression run(u"(?<![A-Za-z0-9_'])"_s + p + u"(?![A-Za-z0-9_])"_s);
            QVERIFY2(run.match(QString::fromLatin1(rtf)).hasMatch(), qPrintable(p));
        }
    }

    // A value fits the boxes its form gives it: a field that fills character boxes
    // takes as many characters as it has boxes, and a date fills its eight boxes
    // (ддммгггг). Written-out values are in proportional type and are looked at.
    void limitsAreTheBoxes()
    {
        for (const TemplateFields &t : test::shippedTemplateFields(kSource)) {
            const QByteArray rtf = readFile(kForms + u'/' + t.file);
            for (const QString &p : t.placeholders) {
                const std::optional<Cell> cell = cellOf(rtf, p);
                QVERIFY2(cell, qPrintable(t.file + u": no cell holds "_s + p));
                const FieldDef *def = findDocumentField(p);
                const QString where = t.file + u": "_s + p;
                // The obligated person's ЕИК, ЕГН or "LNC" and ЛНЧ, in 13 boxes.
                if (p == u"obligated_id") {
                    QVERIFY2(cell->characters && cell->boxes == 13, qPrintable(where));
                    for (const auto &[field, prefix] :
                         {std::pair{u"boun_bulstat", 0}, {u"boun_egn", 0}, {u"boun_lk", 3}})
                        QVERIFY(findDocumentField(field)->max + prefix <= cell->boxes);
                    continue;
                }
                // A name that is no field stands for a date or for a check box's "no".
                const bool date = def ? def->kind == FieldKind::Date : !p.endsWith(u"nobg");
                if (date)
                    QVERIFY2(cell->characters && cell->boxes == 8, qPrintable(where));
                else if (cell->characters)
                    QVERIFY2(def->max == cell->boxes,
                             qPrintable(where + u" takes %1 for %2 boxes"_s.arg(def->max).arg(
                                                    cell->boxes)));
            }
        }
    }

    // Typing in the window stops where the form's boxes end.
    void typingStopsAtTheBoxes_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::newRow("fees") << u"N2"_s << u"kreditni_prevod.doc"_s << u"tac"_s << u"123"_s;
        QTest::newRow("document kind of a payment")
            << u"N7"_s << u"formuliar8.doc"_s << u"v1"_s << u"1234567890"_s;
        QTest::newRow("payment system")
            << u"N2"_s << u"kreditni_prevod.doc"_s << u"pay_system"_s << u"БИСЕРА БИСЕРА БИСЕРА"_s;
        QTest::newRow("recipient's country")
            << u"N2"_s << u"kreditni_prevod.doc"_s << u"recipient_country"_s
            << u"Съединени американски щати"_s;
        QTest::newRow("payer's country") << u"N3"_s << u"direkten_debit.doc"_s
                                         << u"depositor_country"_s << u"Босна и Херцеговина"_s;
    }

    void typingStopsAtTheBoxes()
    {
        QFETCH(QString, item);
        QFETCH(QString, file);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        const std::optional<Cell> cell = cellOf(readFile(kForms + u'/' + file), field);
        QVERIFY(cell);
        test::Program p;
        p.find<QAction>(item)->trigger();
        QWidget *w = test::docWindow()->control(field);
        test::typeInto(w, typed);
        QCOMPARE(fieldText(w), typed.left(cell->boxes));
    }
};

QTEST_MAIN(TestTemplates)
#include "tst_templates.moc"
