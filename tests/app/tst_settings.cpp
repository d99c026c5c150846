#include "require.h"
#include "testsupport.h"

#include "app/settingsdialog.h"
#include "form/documentwindow.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace formelan;
using namespace formelan::test;

namespace {

QString text(QStringView name)
{
    return docWindow()->fieldText(name);
}

// Clicks a button where the user would: a radio button on its circle, since the rest of
// its row is not the button.
void clickButton(QAbstractButton *button)
{
    QVERIFY(button);
    const QPoint at = qobject_cast<QRadioButton *>(button) ? QPoint(8, button->height() / 2)
                                                           : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

// Answers the settings dialog by clicking the default currency `currency` (when given)
// and then OK or Cancel.
std::function<void(QDialog &)> answerSettings(const QString &currency, bool ok)
{
    return [currency, ok](QDialog &dialog) {
        if (!currency.isEmpty())
            clickButton(dialog.findChild<QRadioButton *>(u"currency"_s + currency));
        auto *buttons = dialog.findChild<QDialogButtonBox *>(u"buttons"_s);
        clickButton(buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel));
    };
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandInTheProcessingMenu()
    {
        Program p;
        QAction *settings = p.find<QAction>(u"Settings"_s);
        QVERIFY(p.find<QMenu>(u"processing"_s)->actions().contains(settings));
        QCOMPARE(settings->iconText(), u"Настройки…"_s);
        QVERIFY(settings->isEnabled());
    }

    void settingsDialog()
    {
        Settings euro;
        euro.defaultCurrency = u"EUR"_s;
        SettingsDialog dialog(euro);
        QCOMPARE(dialog.windowTitle(), u"Настройки"_s);
        QVERIFY(dialog.isModal());
        auto *bgn = dialog.findChild<QRadioButton *>(u"currencyBGN"_s);
        auto *eur = dialog.findChild<QRadioButton *>(u"currencyEUR"_s);
        QVERIFY(bgn && eur);
        QVERIFY(eur->isChecked() && !bgn->isChecked());
        QCOMPARE(dialog.settings(), euro);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickButton(bgn);
        QVERIFY(!eur->isChecked());
        QCOMPARE(dialog.settings().defaultCurrency, u"BGN"_s);
        auto *buttons = dialog.findChild<QDialogButtonBox *>(u"buttons"_s);
        QCOMPARE(buttons->button(QDialogButtonBox::Ok)->text(), u"OK"_s);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), u"Отказ"_s);
        clickButton(buttons->button(QDialogButtonBox::Cancel));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());

        // A stored value the program does not know shows its own default.
        Settings unknown;
        unknown.defaultCurrency = u"USD"_s;
        SettingsDialog other(unknown);
        QVERIFY(other.findChild<QRadioButton *>(u"currencyEUR"_s)->isChecked());
    }

    // The default currency chosen in the settings is the currency of the document at
    // the next start, and stays so until it is chosen again.
    void defaultCurrencyAcrossRestarts()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString settings = dir.filePath(u"Formelan.conf"_s);
        {
            Program p(QString(), settings);
            QCOMPARE(text(u"vid"), u"EUR"_s);
            p.dialogs.dialogHandler = answerSettings(u"BGN"_s, true);
            p.find<QAction>(u"Settings"_s)->trigger();
            QCOMPARE(p.dialogs.dialogsRun, QStringList{u"SettingsDialog"_s});
            // The open document keeps its currency.
            QCOMPARE(text(u"vid"), u"EUR"_s);
            QVERIFY(p.dialogs.messages.isEmpty());
        }
        QVERIFY(QFile::exists(settings));
        {
            Program p(QString(), settings);
            QCOMPARE(text(u"vid"), u"BGN"_s);
            // The dialog shows the stored choice; cancelling it keeps it.
            bool shownLeva = false;
            p.dialogs.dialogHandler = [&](QDialog &dialog) {
                shownLeva = dialog.findChild<QRadioButton *>(u"currencyBGN"_s)->isChecked();
                answerSettings(u"EUR"_s, false)(dialog);
            };
            p.find<QAction>(u"Settings"_s)->trigger();
            QVERIFY(shownLeva);

            // The clear command, answered yes, starts the document over in the chosen
            // currency, every field at its initial value.
            p.frame()->mdiArea()->setActiveSubWindow(p.frame()->childOf(docWindow()));
            docWindow()->setFieldText(u"vid", u"USD"_s);
            typeInto(docWindow()->control(u"sum"), u"15"_s);
            p.dialogs.answers = {QMessageBox::No, QMessageBox::Yes};
            p.find<QAction>(u"ToolButton10Action"_s)->trigger();
            QCOMPARE(text(u"sum"), u"15"_s);
            p.find<QAction>(u"ToolButton10Action"_s)->trigger();
            QCOMPARE(p.dialogs.messages.size(), 2);
            QCOMPARE(p.dialogs.messages.last().icon, QMessageBox::Question);
            QCOMPARE(text(u"vid"), u"BGN"_s);
            QCOMPARE(text(u"sum"), u"0"_s);
            QCOMPARE(text(u"dr"), u"00"_s);
            QCOMPARE(docWindow()->fieldText(u"rebg"), u"да"_s);
        }
        {
            Program p(QString(), settings);
            QCOMPARE(text(u"vid"), u"BGN"_s);
            p.dialogs.dialogHandler = answerSettings(u"EUR"_s, true);
            p.find<QAction>(u"Settings"_s)->trigger();
        }
        {
            Program p(QString(), settings);
            QCOMPARE(text(u"vid"), u"EUR"_s);
        }
        // Each program keeps its own settings unless told otherwise.
        {
            Program p(QString(), settings);
            p.dialogs.dialogHandler = answerSettings(u"BGN"_s, true);
            p.find<QAction>(u"Settings"_s)->trigger();
        }
        {
            Program p;
            QCOMPARE(text(u"vid"), u"EUR"_s);
        }
    }

    void unknownStoredCurrency()
    {
        QTemporaryDir dir;
        const QString settings = dir.filePath(u"Formelan.conf"_s);
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[documents]\ndefaultCurrency=USD\n");
        file.close();
        Program p(QString(), settings);
        QCOMPARE(text(u"vid"), u"EUR"_s);
    }

    void settingsNotWritten_data()
    {
        QTest::addColumn<bool>("folder"); // a folder in the file's place, else a read-only file
        QTest::newRow("a folder in its place") << true;
        QTest::newRow("a read-only file") << false;
    }
    // Settings that cannot be written are reported in the error box, and the file kept.
    void settingsNotWritten()
    {
        QFETCH(bool, folder);
        const bool root = ::geteuid() == 0;
        QString settings = qEnvironmentVariable("FORMELAN_READONLY_SETTINGS");
        QTemporaryDir dir(QDir::tempPath() + u"/formelan-settings-XXXXXX"_s);
        // The folder is made read-only below; its owner may remove it again.
        const auto unlock = qScopeGuard([&] {
            QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        if (settings.isEmpty()) {
            settings = dir.filePath(u"Formelan.conf"_s);
            if (folder) {
                QVERIFY(QDir().mkpath(settings));
            } else {
                QFile file(settings);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write("[documents]\ndefaultCurrency=BGN\n");
                file.close();
                QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadOther));
                const auto enter =
                    QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
                QVERIFY(QFile::setPermissions(dir.path(), enter));
                if (root) {
                    // Root may write whatever the permissions say: the user they bind is
                    // another.
                    FORMELAN_NEED(!QStandardPaths::findExecutable(u"setpriv"_s).isEmpty(),
                                  "setpriv (Debian: util-linux) is needed to test as a user "
                                  "other than root");
                    QProcessEnvironment env;
                    env.insert(u"FORMELAN_READONLY_SETTINGS"_s, settings);
                    env.insert(u"HOME"_s, QDir::tempPath());
                    const QString failed =
                        runAsOtherUser("settingsNotWritten:a read-only file", env);
                    QVERIFY2(failed.isEmpty(), qPrintable(failed));
                    return;
                }
            }
        }
        const QByteArray before = folder ? QByteArray() : bytesOf(settings);
        Program p(QString(), settings);
        p.dialogs.dialogHandler = answerSettings(u"EUR"_s, true);
        p.find<QAction>(u"Settings"_s)->trigger();
        QCOMPARE(p.dialogs.messages.size(), 1);
        QCOMPARE(p.dialogs.messages.first().icon, QMessageBox::Critical);
        QCOMPARE(p.dialogs.messages.first().text,
                 u"Настройките не могат да бъдат записани в \"%1\"."_s.arg(
                     QDir::toNativeSeparators(settings)));
        if (!folder)
            QCOMPARE(bytesOf(settings), before);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
