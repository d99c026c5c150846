#include "app/startup.h"

#include "app/errors.h"
#include "app/mainform.h"
#include "app/windows.h"
#include "form/mainview.h"
#include "parties/choice.h"
#include "parties/ddata.h"
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
        const PartyDatabase &db = frame->database();
        frame->addChild([&](QWidget *parent) { return new TDData(db, parent); });
        frame->addChild([](QWidget *parent) { return new TMainView(parent); });
        frame->addChild([&](QWidget *parent) { return new TRData(db, parent); });
        auto *chooser = new Tchoice(frame.get());
        for (FieldWindow *window :
             {static_cast<FieldWindow *>(MainView), static_cast<FieldWindow *>(RData)})
            chooser->attachTo(static_cast<QLineEdit *>(window->control(u"rec_bic1")));
        for (FieldWindow *window :
             {static_cast<FieldWindow *>(MainView), static_cast<FieldWindow *>(DData)})
            chooser->attachTo(static_cast<QLineEdit *>(window->control(u"dep_bic1")));
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
