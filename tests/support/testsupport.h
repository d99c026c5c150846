#pragma once

#include "app/mainframe.h"
#include "base/dialogs.h"
#include "form/documentwindow.h"
#include "parties/addressbook.h"
#include "parties/bankchooser.h"
#include "placeholders.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

namespace formelan::test {

// Types text as the user would, any script; QTest::keyClicks knows only ASCII.
void typeText(QWidget *widget, const QString &text);

// Clicks into a field as the user would: its window is made active and scrolled to the
// field, and the field takes the focus from the one before, which is thereby left. A
// pick-list is clicked in its text.
void clickInto(QWidget *field);
// Clicks into a field, selects all its text and types `text` over it.
void typeInto(QWidget *field, const QString &text);
// Presses Tab where the focus is, as the user leaves a field for the next one.
void pressTab();
// Opens a pick-list's drop-down list and clicks the item that reads `item`.
void pickItem(QWidget *pickList, const QString &item);
// A file's bytes, to tell it was left as it was.
QByteArray bytesOf(const QString &path);

// Answers every dialog without showing it and remembers what was asked.
class FakeDialogs : public Dialogs {
public:
    struct Message {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };

    FakeDialogs() { setDialogs(this); }
    ~FakeDialogs() override { setDialogs(nullptr); }

    QMessageBox::StandardButton message(QWidget *, QMessageBox::Icon icon, const QString &title,
                                        const QString &text,
                                        QMessageBox::StandardButtons buttons) override;
    QString openFileName(QWidget *, const QString &filter, const QString &initial) override;
    QString saveFileName(QWidget *, const QString &filter, const QString &initial) override;
    // Shows the dialog without blocking, lets `dialogHandler` work it as a user would,
    // then hides it and answers its result. Without a handler the dialog is cancelled.
    int runDialog(QDialog &dialog) override;

    QStringList texts() const;

    QList<Message> messages;
    QList<QMessageBox::StandardButton> answers; // taken in turn; OK when empty
    // Called with each message as it is asked, before it is answered: what happens
    // while a question is on the screen.
    std::function<void(const Message &)> whileAsked;
    QStringList fileAnswers; // taken in turn; cancel when empty
    QStringList fileFilters;
    QStringList fileInitials;
    std::function<void(QDialog &)> dialogHandler;
    QStringList dialogsRun; // the object names of the dialogs run
    // The findings of each whole-document check before an output, which then goes on;
    // with stopAtFindings set the findings dialog runs like any other.
    QList<QStringList> findingsShown;
    bool stopAtFindings = false;
};

// The fields that a shipped template carries, as scripts/template-fields.txt lists
// them: the template file, the menu item of its kind and its placeholders in order.
struct TemplateFields {
    QString file;
    QString item;
    QStringList placeholders;
};
// Read from the source tree at `sourceDir`; empty when the list cannot be read.
QList<TemplateFields> shippedTemplateFields(const QString &sourceDir);

// The whole program started in-process, with dialogs answered by FakeDialogs and a
// private data folder.
class Program {
public:
    struct Start {
        QString database;  // the address book; a fresh one in a private folder when empty
        QString userDir;   // settings and recovery; a private folder when empty
        QStringList files; // as on the command line
        QList<QMessageBox::StandardButton> answers; // for the questions asked at start
        QString settings;                           // the settings file; userDir's when empty
        // Written into the settings before the start: where the address book is.
        std::optional<BookPlaceSettings> bookPlace = std::nullopt;
        // Called at each question asked at start, before it is answered.
        std::function<void(const FakeDialogs::Message &)> whileAsked = {};
    };
    // Starts with a fresh address book in a private folder, or with the given file, and
    // with the user's settings in a private file, or in the given one (which a second
    // program started later then finds).
    explicit Program(const QString &database = QString(), const QString &settings = QString());
    explicit Program(const Start &start);
    ~Program();

    MainFrame *frame() const { return m_frame.get(); }
    DocumentWindow *view() const { return m_frame->documentWindow(); }
    AddressBook *recipients() const { return m_frame->recipientsBook(); }
    AddressBook *payers() const { return m_frame->payersBook(); }
    BankCodeChooser *chooser() const { return m_frame->bankChooser(); }
    // The program most recently started and still running, for helpers of the tests.
    static Program *current();
    QString dataDir() const { return m_data.path(); }
    QString databasePath() const { return m_database; }
    QString userDir() const { return m_userDir; }
    QStringList opened;               // files handed to the desktop
    QList<QStringList> copiesStarted; // arguments of the copies of the program started
    FakeDialogs dialogs;

    template <typename T = QWidget> T *find(const QString &name) const
    {
        return m_frame->findChild<T *>(name);
    }

private:
    QTemporaryDir m_data;
    QString m_database;
    QString m_userDir;
    std::unique_ptr<MainFrame> m_frame;
};

// The windows of the running program.
inline MainFrame *mainFrame()
{
    return Program::current()->frame();
}
inline DocumentWindow *docWindow()
{
    return Program::current()->view();
}
inline AddressBook *recipientsBook()
{
    return Program::current()->recipients();
}
inline AddressBook *payersBook()
{
    return Program::current()->payers();
}
inline BankCodeChooser *bankChooser()
{
    return Program::current()->chooser();
}

} // namespace formelan::test
