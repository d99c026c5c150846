// The currency commands: the settings with the currency that the document starts in.
#include "app/mainframe.h"

#include "app/settingsdialog.h"
#include "base/dialogs.h"
#include "base/settings.h"

namespace formelan {

using namespace Qt::StringLiterals;

void MainFrame::editSettings()
{
    SettingsDialog dialog(loadSettings(), this);
    if (dialogs().runDialog(dialog) != QDialog::Accepted)
        return;
    if (const std::optional<QString> error = saveSettings(dialog.settings()))
        showErrorBox(*error);
}

} // namespace formelan
