#include "app/recentforms.h"

#include "base/settings.h"

#include <QFileInfo>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
const QString kKey = u"recentForms"_s;

void store(const QStringList &files)
{
    const auto settings = userSettings();
    settings->setValue(kKey, files);
    // Written at once: another copy of the program, or the next start, reads it.
    settings->sync();
}
} // namespace

QStringList RecentForms::files() const
{
    return userSettings()->value(kKey).toStringList().mid(0, kMax);
}

void RecentForms::add(const QString &path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    QStringList list = files();
    list.removeAll(full);
    list.prepend(full);
    store(list.mid(0, kMax));
}

void RecentForms::remove(const QString &path)
{
    QStringList list = files();
    list.removeAll(path);
    store(list);
}

} // namespace formelan
