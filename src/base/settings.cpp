#include "base/settings.h"

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
QString g_fileOverride;
}

std::unique_ptr<QSettings> userSettings()
{
    if (!g_fileOverride.isEmpty())
        return std::make_unique<QSettings>(g_fileOverride, QSettings::IniFormat);
    // Named explicitly: an organisation name set on the application would also move the
    // user's data folder, and with it the address book.
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, u"Formelan"_s,
                                       u"Formelan"_s);
}

void setSettingsFileForTesting(const QString &path)
{
    g_fileOverride = path;
}

} // namespace formelan
