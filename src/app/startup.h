#pragma once

#include <memory>

class QApplication;

namespace formelan {

class TMainForm;

// Names the application and sets its icon; call once after creating QApplication.
void initApplication(QApplication &app);

// Creates the whole window set as the program does (frame, payers, document,
// recipients) and shows the frame maximised, which prepares the document window.
std::unique_ptr<TMainForm> startFormelan();

} // namespace formelan
