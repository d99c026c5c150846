#pragma once

#include "app/dialogs.h"
#include "app/mainform.h"

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
    // Starts with a fresh address book in a private folder, or with the given file.
    explicit Program(const QString &database = QString());
    ~Program();

    TMainForm *frame() const { return m_frame.get(); }
    QString dataDir() const { return m_data.path(); }
    QString databasePath() const { return m_database; }
    QStringList opened; // files handed to the desktop
    FakeDialogs dialogs;

    template <typename T = QWidget> T *find(const QString &name) const
    {
        return m_frame->findChild<T *>(name);
    }

private:
    QTemporaryDir m_data;
    QString m_database;
    std::unique_ptr<TMainForm> m_frame;
};

} // namespace formelan::test
