#include "app/paths.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
QString g_dataDirOverride;
DesktopOpener g_opener;

bool hasData(const QString &dir)
{
    return QFileInfo(dir + u"/help"_s).isDir() || QFileInfo(dir + u"/forms"_s).isDir();
}
} // namespace

QString dataDir()
{
    if (!g_dataDirOverride.isEmpty())
        return g_dataDirOverride;
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (hasData(exeDir))
        return exeDir;
    const QString shared = QDir::cleanPath(exeDir + u"/../share/formelan"_s);
    if (hasData(shared))
        return shared;
    return exeDir;
}

void setDataDirForTesting(const QString &dir)
{
    g_dataDirOverride = dir;
}

bool openWithDesktop(const QString &path)
{
    if (g_opener)
        return g_opener(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void setDesktopOpener(DesktopOpener opener)
{
    g_opener = std::move(opener);
}

} // namespace formelan
