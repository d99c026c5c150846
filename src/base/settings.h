#pragma once

#include <QSettings>
#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>

namespace formelan {

// The currencies a new document may start with.
inline constexpr std::array<QStringView, 2> kDefaultCurrencies{u"BGN", u"EUR"};

// What the user has chosen in the settings dialog, kept per user. Whatever is missing
// or unknown in the stored settings reads as the program's own default.
struct Settings {
    // The euro since the lev stopped being legal tender (1 February 2026); leva stay for
    // documents of earlier dates.
    QString defaultCurrency = kDefaultCurrencies[1].toString(); // one of kDefaultCurrencies

    bool operator==(const Settings &) const = default;
};

Settings loadSettings();
// The user's settings themselves, for what the program keeps there besides the dialog's
// choices (the recent form files).
std::unique_ptr<QSettings> userSettings();
// Answers why the settings could not be written, or nothing when they were.
std::optional<QString> saveSettings(const Settings &settings);

// For tests: keep the settings in this file instead of the user's; an empty text
// restores the user's.
void setSettingsFileForTesting(const QString &path);

} // namespace formelan
