#pragma once

#include <QString>

#include <functional>

namespace formelan {

// The folder that holds the program's read-only data (`help`, `forms`): beside the
// executable (build tree, portable copy), else ../share/formelan relative to it.
QString dataDir();
// Where that folder is for a program in `programDir`.
QString dataDirBeside(const QString &programDir);
// For tests: use this folder instead; an empty text restores the search.
void setDataDirForTesting(const QString &dir);

// The user's own data folder (the address book, the recovery of unsaved documents):
// ~/.local/share/Formelan on Linux.
QString userDataDir();
// For tests: use this folder instead; an empty text restores the default.
void setUserDataDirForTesting(const QString &dir);

// The address book's file, base.mdb in the user's data folder. The one place that says
// where the book lies.
QString addressBookPath();
// For tests: use this file instead; an empty text restores the default.
void setAddressBookPathForTesting(const QString &path);

// Where the filled documents go: Documents/Formelan/Projects.
QString projectsDir();
// For tests: use this folder instead; an empty text restores the default.
void setProjectsDirForTesting(const QString &dir);

// A file's full path as messages name it.
QString displayPath(const QString &path);

// Hands a file to the desktop, which opens it in the program associated with its
// type. Answers whether the desktop took it: on Linux, whether xdg-open (found on
// PATH) could be started and did not fail within a few seconds.
bool openWithDesktop(const QString &path);
using DesktopOpener = std::function<bool(const QString &path)>;
// For tests: replace the desktop; an empty function restores it.
void setDesktopOpener(DesktopOpener opener);

} // namespace formelan
