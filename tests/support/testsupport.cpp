#include "testsupport.h"

#include "app/startup.h"
#include "base/paths.h"
#include "base/settings.h"

#include <QStandardPaths>

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTest>

using namespace Qt::StringLiterals;

namespace formelan::test {

namespace {
Program *g_current = nullptr;
}

Program *Program::current()
{
    if (!g_current)
        qFatal("no program is running");
    return g_current;
}

void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void clickInto(QWidget *field)
{
    QWidget *target = field;
    if (auto *list = qobject_cast<PickList *>(field))
        target = list->edit();
    QApplication::setActiveWindow(field->window());
    for (QWidget *w = field->parentWidget(); w; w = w->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(w))
            area->ensureWidgetVisible(field);
    }
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    // An editable pick-list holds the focus for its text.
    if (QApplication::focusWidget() != field && QApplication::focusWidget() != target)
        qWarning("clicking %s did not give it the focus", qPrintable(field->objectName()));
}

void typeInto(QWidget *field, const QString &text)
{
    clickInto(field);
    QWidget *target = QApplication::focusWidget();
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(target, Qt::Key_Delete);
    else
        typeText(target, text);
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void pressTab()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        qFatal("no field has the focus");
    QTest::keyClick(focus, Qt::Key_Tab);
}

void pickItem(QWidget *pickList, const QString &item)
{
    auto *list = qobject_cast<QComboBox *>(pickList);
    if (!list)
        qFatal("%s is no pick-list", qPrintable(pickList->objectName()));
    const int index = list->findText(item, Qt::MatchExactly);
    if (index < 0)
        qFatal("%s has no item %s", qPrintable(list->objectName()), qPrintable(item));
    list->showPopup();
    QAbstractItemView *view = list->view();
    if (!QTest::qWaitFor([view] { return view->isVisible(); }))
        qFatal("the list of %s did not open", qPrintable(list->objectName()));
    const QRect r = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

QMessageBox::StandardButton FakeDialogs::message(QWidget *, QMessageBox::Icon icon,
                                                 const QString &title, const QString &text,
                                                 QMessageBox::StandardButtons buttons)
{
    messages.append({icon, title, text, buttons});
    if (whileAsked)
        whileAsked(messages.last());
    return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
}

QString FakeDialogs::openFileName(QWidget *, const QString &filter, const QString &initial)
{
    fileFilters.append(filter);
    fileInitials.append(initial);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString FakeDialogs::saveFileName(QWidget *, const QString &filter, const QString &initial)
{
    return openFileName(nullptr, filter, initial);
}

int FakeDialogs::runDialog(QDialog &dialog)
{
    // The whole-document check before an output: its findings are kept, and unless a
    // test stops there the output goes on, as a clerk printing on purpose does.
    if (dialog.objectName() == u"DocumentFindings"_s && !stopAtFindings) {
        auto *list = dialog.findChild<QListWidget *>(u"findingsList"_s);
        QStringList shown;
        for (int i = 0; list && i < list->count(); ++i)
            shown.append(list->item(i)->text());
        findingsShown.append(shown);
        return 2; // FindingsDialog::GoOn
    }
    dialogsRun.append(dialog.objectName());
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        qWarning("dialog not exposed");
    if (dialogHandler)
        dialogHandler(dialog);
    else
        dialog.reject();
    const int result = dialog.result();
    dialog.hide();
    return result;
}

QStringList FakeDialogs::texts() const
{
    QStringList out;
    for (const Message &m : messages)
        out.append(m.text);
    return out;
}

QList<TemplateFields> shippedTemplateFields(const QString &sourceDir)
{
    QFile f(sourceDir + u"/scripts/template-fields.txt"_s);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<TemplateFields> out;
    static const QRegularExpression space(u"\\s+"_s);
    for (const QByteArray &raw : f.readAll().split('\n')) {
        QString line = QString::fromUtf8(raw);
        line.truncate(line.indexOf(u'#') < 0 ? line.size() : line.indexOf(u'#'));
        const QStringList words = line.split(space, Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        if (!line.front().isSpace())
            out.append({words.value(0), words.value(1), {}});
        else if (!out.isEmpty())
            out.last().placeholders += words;
    }
    return out;
}

Program::Program(const QString &database, const QString &settings)
    : Program(Start{database, {}, {}, {}, settings})
{}

Program::Program(const Start &start)
    : m_database(start.database.isEmpty() ? m_data.path() + u"/appdata/base.mdb"_s : start.database)
    , m_userDir(start.userDir.isEmpty() ? m_data.path() + u"/user"_s : start.userDir)
{
    QStandardPaths::setTestModeEnabled(true);
    setAddressBookPathForTesting(m_database);
    setUserDataDirForTesting(m_userDir);
    // Test mode alone would keep the settings in one shared folder for every run.
    setSettingsFileForTesting(start.settings.isEmpty() ? m_userDir + u"/settings.ini"_s
                                                       : start.settings);
    if (start.bookPlace)
        saveBookPlace(*start.bookPlace);
    setProgramCopyStarter(
        [this](const QStringList &arguments) { copiesStarted.append(arguments); });
    setDataDirForTesting(m_data.path());
    dialogs.answers = start.answers;
    dialogs.whileAsked = start.whileAsked;
    setProjectsDirForTesting(m_data.path() + u"/Projects"_s);
    setDesktopOpener([this](const QString &path) {
        opened.append(path);
        return true;
    });
    initApplication(*qApp);
    m_frame = startFormelan(start.files);
    if (!m_frame)
        return;
    g_current = this;
    QApplication::setActiveWindow(m_frame.get());
    if (!QTest::qWaitForWindowExposed(m_frame.get()))
        qWarning("frame not exposed");
}

Program::~Program()
{
    if (g_current == this)
        g_current = nullptr;
    m_frame.reset();
    setDesktopOpener({});
    setProgramCopyStarter({});
    setUserDataDirForTesting({});
    setSettingsFileForTesting({});
    setDataDirForTesting({});
    setProjectsDirForTesting({});
    setAddressBookPathForTesting({});
}

} // namespace formelan::test
