#pragma once

#include <memory>

class QApplication;

namespace formelan {

class MainFrame;

// Names the application and sets its icon; call once after creating QApplication.
void initApplication(QApplication &app);

// Creates the whole window set as the program does (frame, payers, document,
// recipients, chooser) and shows the frame maximised, which prepares the document
// window. When the address book cannot be opened, says so and answers nullptr.
std::unique_ptr<MainFrame> startFormelan();

} // namespace formelan
