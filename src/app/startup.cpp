#include "app/startup.h"

#include "app/mainframe.h"
#include "base/dialogs.h"
#include "base/version.h"

#include <QApplication>
#include <QIcon>

namespace formelan {

using namespace Qt::StringLiterals;

void initApplication(QApplication &app)
{
    app.setApplicationName(u"Formelan"_s);
    app.setApplicationVersion(QStringLiteral(FORMELAN_VERSION));
    app.setDesktopFileName(u"formelan"_s);
    app.setWindowIcon(QIcon(u":/icons/formelan.png"_s));
}

std::unique_ptr<MainFrame> startFormelan()
{
    std::unique_ptr<MainFrame> frame;
    try {
        frame = std::make_unique<MainFrame>();
    } catch (const AppError &e) {
        // The address book cannot be opened: say why and show no window.
        showErrorBox(e.message());
        return nullptr;
    }
    frame->showMaximized();
    return frame;
}

} // namespace formelan
