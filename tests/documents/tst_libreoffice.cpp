// Fills every shipped template from a fully filled document and has LibreOffice read
// the result: every value must be there and no placeholder left. Needs soffice
// (Debian: libreoffice-writer-nogui); skipped where it is not installed.
#include "require.h"
#include "testsupport.h"

#include "documents/output.h"
#include "form/documentwindow.h"
#include "form/fieldset.h"
#include "form/fieldwidgets.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {
const QString kSource = QStringLiteral(FORMELAN_SOURCE_DIR);
const QString kShipped = kSource + u"/data/forms"_s;
} // namespace

class TestLibreOffice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyTemplateOpensFilled()
    {
        const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
        FORMELAN_NEED(!soffice.isEmpty(),
                      "LibreOffice (Debian: libreoffice-writer-nogui) is not installed");
        QTemporaryDir out;
        struct Case {
            QString item;
            bool longWords;
        };
        const QList<Case> cases{{u"WQ1"_s, false}, {u"N1"_s, false}, {u"N2"_s, false},
                                {u"N3"_s, false},  {u"N4"_s, false}, {u"N5"_s, false},
                                {u"N6"_s, false},  {u"N7"_s, false}, {u"N7"_s, true}};
        QHash<QString, QStringList> expected; // file -> values that must show
        for (const Case &c : cases) {
            Program p;
            QDir().mkpath(p.dataDir() + u"/forms"_s);
            for (const QString &f : QDir(kShipped).entryList(QDir::Files))
                QFile::copy(kShipped + u'/' + f, p.dataDir() + u"/forms/"_s + f);
            p.find<QAction>(c.item)->trigger();
            int i = 0;
            for (QWidget *f : docWindow()->fields()) {
                ++i;
                const FieldKind kind = fieldKind(f);
                if (kind == FieldKind::Edit || kind == FieldKind::PickList ||
                    kind == FieldKind::Memo)
                    setFieldText(f, u"Щ%1Ю"_s.arg(i, 2, 10, QChar(u'0')));
                else if (auto *d = qobject_cast<QDateTimeEdit *>(f))
                    d->setDate(QDate(2007, 3, 5));
            }
            if (c.longWords)
                setFieldText(docWindow()->control(u"with_words"), QString(60, u'ш'));
            // The values of the fields that the kind's form carries must all show.
            const QString file = templateFor(docWindow()->kind(),
                                             fieldText(docWindow()->control(u"with_words")).size());
            QStringList values;
            for (const test::TemplateFields &t : test::shippedTemplateFields(kSource)) {
                if (t.file != file)
                    continue;
                for (const QString &name : t.placeholders) {
                    const FieldDef *def = findDocumentField(name);
                    const bool date = def ? def->kind == FieldKind::Date
                                          : !name.endsWith(u"nobg"); // ofda, toda, doc_date
                    if (date)                                        // 5 March 2007
                        values.append(u"05032007"_s);
                    else if (def && def->kind != FieldKind::Check)
                        values.append(fieldText(docWindow()->control(name)));
                }
            }
            QVERIFY2(!values.isEmpty(), qPrintable(file));
            p.find<QToolButton>(u"ToolButton12"_s)->click();
            QVERIFY2(p.dialogs.messages.isEmpty(), qPrintable(p.dialogs.texts().join(u'\n')));
            const QString name = c.item + (c.longWords ? u"a"_s : QString()) + u".rtf"_s;
            QVERIFY(
                QFile::copy(p.dataDir() + u"/Projects/project.doc"_s, out.path() + u'/' + name));
            expected.insert(name, values);
        }

        QStringList args{u"--headless"_s,
                         u"--norestore"_s,
                         u"-env:UserInstallation=file://"_s + out.path() + u"/profile"_s,
                         u"--convert-to"_s,
                         u"txt:Text (encoded):UTF8"_s,
                         u"--outdir"_s,
                         out.path() + u"/txt"_s};
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            args.append(out.path() + u'/' + it.key());
        QProcess lo;
        lo.start(soffice, args);
        QVERIFY(lo.waitForFinished(240000));
        QCOMPARE(lo.exitCode(), 0);

        const QStringList names = test::placeholderNames();
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            QFile txt(out.path() + u"/txt/"_s + QFileInfo(it.key()).completeBaseName() + u".txt"_s);
            QVERIFY2(txt.open(QIODevice::ReadOnly), qPrintable(txt.fileName()));
            const QString text = QString::fromUtf8(txt.readAll());
            for (const QString &v : it.value())
                QVERIFY2(text.contains(v), qPrintable(it.key() + u": "_s + v));
            for (const QString &n : names)
                QVERIFY2(!text.contains(n, Qt::CaseInsensitive),
                         qPrintable(it.key() + u": "_s + n));
        }
    }
};

QTEST_MAIN(TestLibreOffice)
#include "tst_libreoffice.moc"
