#pragma once

#include <QSettings>

#include <memory>

namespace formelan {

// The user's settings: ~/.config/Formelan/Formelan.conf on Linux.
std::unique_ptr<QSettings> userSettings();
// For tests: keep the settings in this file instead; an empty text restores the default.
void setSettingsFileForTesting(const QString &path);

} // namespace formelan
