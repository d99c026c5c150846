#include "app/startup.h"

#include "app/errors.h"
#include "app/errors.h"
#include "app/mainform.h"
#include "form/mainview.h"
#include "parties/ddata.h"
#include "parties/partydb.h"
#include "parties/partydb.h"
#include "parties/rdata.h"

#include <QApplication>
#include <QIcon>

namespace formelan {

using namespace Qt::StringLiterals;

void initApplication(QApplication &app)
{
    app.setApplicationName(u"Formelan"_s);
    app.setApplicationVersion(u"2.5"_s);
    app.setDesktopFileName(u"formelan"_s);
    app.setWindowIcon(QIcon(u":/icons/formelan.png"_s));
}

std::unique_ptr<TMainForm> startFormelan()
{
    std::unique_ptr<TMainForm> frame;
    try {
        frame = std::make_unique<TMainForm>();
        frame->addChild(new TDData(frame->database()));
        frame->addChild(new TMainView);
        frame->addChild(new TRData(frame->database()));
    } catch (const AppError &e) {
        // The address book cannot be opened: say why and show no window.
        frame.reset();
        showErrorBox(e.message());
        return nullptr;
    }
    frame->showMaximized();
    return frame;
}

} // namespace formelan
