#pragma once

#include "app/recentforms.h"
#include "parties/bookplace.h"
#include "parties/partystore.h"

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>

class QMdiArea;

namespace formelan {

class AddressBook;
class BankCodeChooser;
class DocumentWindow;
class PartyStore;
class RecoveryKeeper;
struct ReferenceDoc;

// The data menu's items, which showAddressBook tells apart by their captions.
inline constexpr QStringView kRecipientsItem = u"Данни за получатели";
inline constexpr QStringView kPayersItem = u"Данни за задължени лица";

// A child window of the frame: closing it only minimises it, so the frame always
// has an active child window.
class ChildWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    using QMdiSubWindow::QMdiSubWindow;

protected:
    void closeEvent(QCloseEvent *event) override;
};

// The main frame: toolbars, menus, the three child windows and the bank code
// chooser, and the commands that act on them.
class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Opens the address book where the settings say and builds every window; throws
    // AppError when the book's file cannot be opened (a server's book that cannot be
    // reached leaves the windows empty until it is).
    explicit MainFrame(QWidget *parent = nullptr);
    ~MainFrame() override;

    QMdiArea *mdiArea() const { return m_mdi; }
    DocumentWindow *documentWindow() const { return m_view; }
    AddressBook *recipientsBook() const { return m_recipients; }
    AddressBook *payersBook() const { return m_payers; }
    // The chooser, made when first asked for: the start does without it.
    BankCodeChooser *bankChooser();
    ChildWindow *childOf(const QWidget *window) const;
    // The window inside the active child window.
    QWidget *activeChild() const;

    QAction *currentKindItem() const { return m_currentKindItem; }
    QAction *currentDataItem() const { return m_currentDataItem; }
    // The size that the last arrangement of the document window asked for.
    QSize requestedViewSize() const { return m_requestedViewSize; }

    // Arranges the document window for the kind its caption names.
    void arrangeDocumentWindow();

    // Commands.
    void chooseKind(QAction *item);
    void showAddressBook(QAction *item);
    void showDocument();
    void cascadeWindows();
    void tileSideBySide();
    void tileOneAboveOther();
    void minimizeWindows();
    void exitProgram();
    void showAbout();
    // Opens a help menu document with the desktop, or says why it cannot.
    void openReference(const ReferenceDoc &doc);
    void openForm();
    void saveForm();
    // Opens a form file into the document window, as "Отваряне" does, and says what
    // was wrong with it. Answers whether the document now holds the file.
    bool openFormFile(const QString &path);
    // Files named on the command line: the first opens here, every further one in a
    // copy of the program of its own.
    void openFiles(const QStringList &files);
    void openRecentForm(const QString &path);
    // Offers to bring back a document that a copy of the program left unsaved when it
    // ended or broke off. Answers whether it did.
    bool offerRecovery();
    // The desktop session ends: the document is kept for the next start first, then,
    // where the session lets the program ask, the clerk is asked as on leaving it.
    // Answers false when the clerk cancels, which should stop the session's end.
    bool endSession(bool mayAsk);
    // The program is ended from outside (a signal): the document is kept for the next
    // start, and nothing is asked any more.
    void keepDocumentForNextStart();
    void cutField();
    void copyField();
    void pasteField();
    void clearFields();
    void sendToWordProcessor();
    // The filled document printed after a preview, or, with no printer, as a PDF; or
    // saved as a PDF (printing.cpp).
    void printDocument();
    // The whole document checked, its findings listed; choosing one goes to its field.
    void checkWholeDocument();
    void saveDocumentAsPdf();
    // Converts the document's amounts from leva to euro; refuses, saying why, a document
    // not in leva or with an amount that is no amount.
    void convertDocumentToEuro();
    // Writes the document's amount in words into `with_words`, in its currency.
    void fillWordsOfDocument();
    // The settings dialog; what the user accepts is kept for the next start.
    void editSettings();
    // The address book's tables as CSV files: written whole, or read and appended after
    // a preview (partyfiles.cpp).
    void exportParties(PartyTable table);
    void importParties(PartyTable table);
    // The address book's place (serverbook.cpp). A server's book that was not reached
    // (at start, or after the settings changed) is tried again by each command of the
    // address book through this; it answers whether the book is open, having told the
    // user why not.
    bool reachAddressBook();
    // Opens the book of these settings in both windows and keeps the settings; a file
    // that cannot be opened leaves everything as it was.
    void useBookPlace(const BookPlaceSettings &place);
    // Copies this computer's book to the server's, after a preview of the counts.
    void copyBookToServer();
    // Why the server's book is not open; ok when the windows show the book.
    const StoreError &bookProblem() const { return m_bookProblem; }

    const RecoveryKeeper &recovery() const { return *m_recovery; }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void prepareFirstShowing();
    void buildCommands();
    void keepOnScreen();
    ChildWindow *addChild(const std::function<QWidget *(QWidget *parent)> &make);
    void tile(Qt::Orientation orientation);
    void fitDocumentWindow();
    QSize documentSizeWanted() const;
    void resizeChild(QMdiSubWindow *child, QPoint at, QSize size);
    void bringToFront(QWidget *window);
    // Writes the bank list as a page into the cache folder and answers its path; says
    // why and answers nothing when there is no list or it cannot be written.
    QString writeBankListPage(const QString &caption);
    void updateRecentMenu();
    void openStartBook();
    void watchBookCommands();
    void watchBookChanges();
    void tellBookProblem();
    StoreError useStore(std::unique_ptr<PartyStore> store);
    void writeDocumentPdf(const QByteArray &rtf);
    // Why the document is being left, for the question asked first.
    enum class Leaving { ForOtherForm, ForExit, ForSessionEnd };
    // Asks "Запис / Без запис / Отказ" when the document holds changes not saved, and
    // saves when told. Answers whether the document may be left.
    bool mayLeaveDocument(Leaving why);
    // Saves the document under a name the user chooses; answers whether it was saved.
    bool saveDocument();
    // Whether `path` may be written: it does not exist yet, or the user agrees to
    // replace it.
    bool mayReplace(const QString &path);
    // The folder the form dialogs start in: the one used last, else the documents folder.
    QString formFolder() const;
    // Whether an output may go ahead: the document passes the whole check, or the clerk
    // goes on all the same with the button captioned `goOn`.
    bool documentPasses(const QString &goOn);
    void goToField(const QString &name);
    std::optional<QByteArray> documentForOutput(const QString &goOn);
    void warnOfMissingFaces(const QStringList &faces);

    std::unique_ptr<PartyStore> m_store;
    BookPlaceSettings m_bookPlace; // the place the windows' book was opened from
    StoreError m_bookProblem;
    QMdiArea *m_mdi = nullptr;
    DocumentWindow *m_view = nullptr;
    AddressBook *m_recipients = nullptr;
    AddressBook *m_payers = nullptr;
    BankCodeChooser *m_chooser = nullptr;
    RecoveryKeeper *m_recovery = nullptr;
    RecentForms m_recent;
    QList<QAction *> m_recentItems;
    QPointer<QAction> m_currentKindItem;
    QPointer<QAction> m_currentDataItem;
    QSize m_requestedViewSize;
    QString m_openName;         // what the open dialog offers next
    QString m_currentFile;      // the form file the document came from or went to last
    QString m_formFolder;       // where a form file was opened or saved last
    QString m_csvName;          // what the CSV dialogs offer next
    QString m_pdfName;          // the PDF saved last, whose folder the PDF dialog offers next
    bool m_facesWarned = false; // told once a session that the form's faces are missing
    bool m_autoSize = false;
    bool m_arranging = false;       // the program, not the user, is sizing a child
    bool m_viewSizedByUser = false; // the user gave the document window its size
    bool m_shown = false;
    bool m_ending = false; // ended from outside: the document is kept, nothing asked
};

} // namespace formelan
