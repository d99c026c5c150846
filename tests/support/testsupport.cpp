#include "testsupport.h"

#include "app/startup.h"
#include "base/paths.h"
#include "base/settings.h"

#include <QStandardPaths>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
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

QMessageBox::StandardButton FakeDialogs::message(QWidget *, QMessageBox::Icon icon,
                                                 const QString &title, const QString &text,
                                                 QMessageBox::StandardButtons buttons)
{
    messages.append({icon, title, text, buttons});
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

Program::Program(const QString &database)
    : Program(Start{database, {}, {}, {}})
{}

Program::Program(const Start &start)
    : m_database(start.database.isEmpty() ? m_data.path() + u"/appdata/base.mdb"_s : start.database)
    , m_userDir(start.userDir.isEmpty() ? m_data.path() + u"/user"_s : start.userDir)
{
    QStandardPaths::setTestModeEnabled(true);
    setAddressBookPathForTesting(m_database);
    setUserDataDirForTesting(m_userDir);
    setSettingsFileForTesting(m_userDir + u"/settings.ini"_s);
    setProgramCopyStarter(
        [this](const QStringList &arguments) { copiesStarted.append(arguments); });
    setDataDirForTesting(m_data.path());
    dialogs.answers = start.answers;
    setProjectsDirForTesting(m_data.path() + u"/Projects"_s);
    setDesktopOpener([this](const QString &path) {
        opened.append(path);
        return true;
    });
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
