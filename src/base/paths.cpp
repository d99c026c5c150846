#include "base/paths.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
QString g_dataDirOverride;
QString g_projectsOverride;
QString g_userDataOverride;
QString g_addressBookOverride;
DesktopOpener g_opener;
// How long the desktop's opener may take to say whether it could open a file.
constexpr int kOpenerWaitMs = 4000;

bool hasData(const QString &dir)
{
    return QFileInfo(dir + u"/help"_s).isDir() || QFileInfo(dir + u"/forms"_s).isDir();
}
} // namespace

QString dataDir()
{
    if (!g_dataDirOverride.isEmpty())
        return g_dataDirOverride;
    return dataDirBeside(QCoreApplication::applicationDirPath());
}

QString dataDirBeside(const QString &programDir)
{
    if (hasData(programDir))
        return programDir;
    const QString shared = QDir::cleanPath(programDir + u"/../share/formelan"_s);
    if (hasData(shared))
        return shared;
    return programDir;
}

void setDataDirForTesting(const QString &dir)
{
    g_dataDirOverride = dir;
}

QString userDataDir()
{
    if (!g_userDataOverride.isEmpty())
        return g_userDataOverride;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

void setUserDataDirForTesting(const QString &dir)
{
    g_userDataOverride = dir;
}

QString addressBookPath()
{
    if (!g_addressBookOverride.isEmpty())
        return g_addressBookOverride;
    return userDataDir() + u"/base.mdb"_s;
}

void setAddressBookPathForTesting(const QString &path)
{
    g_addressBookOverride = path;
}

QString projectsDir()
{
    if (!g_projectsOverride.isEmpty())
        return g_projectsOverride;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           u"/Formelan/Projects"_s;
}

void setProjectsDirForTesting(const QString &dir)
{
    g_projectsOverride = dir;
}

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool openWithDesktop(const QString &path)
{
    if (g_opener)
        return g_opener(path);
#if defined(Q_OS_LINUX)
    // QDesktopServices answers true as soon as xdg-open starts, and its failure is lost:
    // run it ourselves and look at its exit status. Under a desktop it hands the file on
    // and ends at once; without one it runs the application itself, so one still running
    // after a few seconds is showing the document.
    auto *opener = new QProcess;
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    opener->start(u"xdg-open"_s, {path});
    if (!opener->waitForStarted()) {
        delete opener;
        return false;
    }
    if (!opener->waitForFinished(kOpenerWaitMs)) {
        // Left running with no parent: deleting it would end the application it runs.
        QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
        return true;
    }
    const bool ok = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
    delete opener;
    return ok;
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

void setDesktopOpener(DesktopOpener opener)
{
    g_opener = std::move(opener);
}

} // namespace formelan
