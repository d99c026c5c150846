#include "testsupport.h"

#include "base/dialogs.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;

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
};

QTEST_MAIN(TestErrors)
#include "tst_errors.moc"
