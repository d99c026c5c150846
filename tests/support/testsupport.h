#pragma once

#include "app/mainframe.h"
#include "base/dialogs.h"
#include "form/documentwindow.h"
#include "parties/addressbook.h"
#include "parties/bankchooser.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace formelan::test {

// Types text as the user would, any script; QTest::keyClicks knows only ASCII.
void typeText(QWidget *widget, const QString &text);

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

    QStringList texts() const;

    QList<Message> messages;
    QList<QMessageBox::StandardButton> answers; // taken in turn; OK when empty
    QStringList fileAnswers;                    // taken in turn; cancel when empty
    QStringList fileFilters;
    QStringList fileInitials;
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
    };
    // Starts with a fresh address book in a private folder, or with the given file.
    explicit Program(const QString &database = QString());
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
