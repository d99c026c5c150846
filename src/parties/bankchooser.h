#pragma once

#include <QTextEdit>
#include <QWidget>

namespace formelan {

// The list view of the chooser: a double click of the left button selects the word
// under the pointer, then reports it. By keyboard, Down and Up select the next and the
// previous bank code of the list, and Enter reports the selected code (or the word at
// the cursor).
class BankCodeList : public QTextEdit {
    Q_OBJECT
public:
    explicit BankCodeList(QWidget *parent = nullptr);
    // Selects the first bank code of the list, if it has one.
    void selectFirstCode();

Q_SIGNALS:
    void wordChosen(const QString &selection);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool selectCode(const QTextCursor &from, bool backward);
};

// The bank code chooser: shows the bank list (shippedBankList()) and tells which code the user
// double-clicked or chose with the keys. Which field gets it is up to whoever opened the chooser.
class BankCodeChooser : public QWidget {
    Q_OBJECT
public:
    explicit BankCodeChooser(QWidget *parent = nullptr);

    BankCodeList *viewer() const { return m_view; }

    // Shows the chooser, or brings it to the front when it is already open.
    void open();
    // The user chose `selection`: tell it and hide.
    void takeChosenCode(const QString &selection);

Q_SIGNALS:
    void codeChosen(const QString &code);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Esc closes the chooser, taking nothing.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void loadList();
    BankCodeList *m_view;
};

} // namespace formelan
