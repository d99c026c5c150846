#include "base/settings.h"

#include "base/paths.h"

#include <QSettings>

#include <algorithm>
#include <memory>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

QString g_fileOverride;

const QString kDefaultCurrencyKey = u"documents/defaultCurrency"_s;

} // namespace

// The platform's place for them (a file under ~/.config on Linux, the registry on
// Windows), named after the program, not its organisation, which it does not set: an
// organisation name would also move the user's data folder, and the address book in it.
std::unique_ptr<QSettings> userSettings()
{
    if (!g_fileOverride.isEmpty())
        return std::make_unique<QSettings>(g_fileOverride, QSettings::IniFormat);
    return std::make_unique<QSettings>(u"Formelan"_s, u"Formelan"_s);
}

Settings loadSettings()
{
    const std::unique_ptr<QSettings> stored = userSettings();
    Settings settings;
    const QString currency = stored->value(kDefaultCurrencyKey).toString();
    if (std::find(kDefaultCurrencies.begin(), kDefaultCurrencies.end(), currency) !=
        kDefaultCurrencies.end())
        settings.defaultCurrency = currency;
    return settings;
}

std::optional<QString> saveSettings(const Settings &settings)
{
    const std::unique_ptr<QSettings> stored = userSettings();
    stored->setValue(kDefaultCurrencyKey, settings.defaultCurrency);
    stored->sync();
    if (stored->status() == QSettings::NoError)
        return std::nullopt;
    return u"Настройките не могат да бъдат записани в \"%1\"."_s.arg(
        displayPath(stored->fileName()));
}

void setSettingsFileForTesting(const QString &path)
{
    g_fileOverride = path;
}

} // namespace formelan
