#include "app/startup.h"

#include "app/mainform.h"
#include "form/mainview.h"
#include "parties/ddata.h"
#include "parties/rdata.h"

#include <QApplication>
#include <QIcon>

namespace formelan {

using namespace Qt::StringLiterals;

void initApplication(QApplication &app) {
    app.setApplicationName(u"Formelan"_s);
    app.setApplicationVersion(u"2.5"_s);
    app.setDesktopFileName(u"formelan"_s);
    app.setWindowIcon(QIcon(u":/icons/formelan.png"_s));
}

std::unique_ptr<TMainForm> startFormelan() {
    auto frame = std::make_unique<TMainForm>();
    frame->addChild(new TDData);
    frame->addChild(new TMainView);
    frame->addChild(new TRData);
    frame->showMaximized();
    return frame;
}

} // namespace formelan
