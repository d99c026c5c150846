#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QTextEdit>
#include <QWidget>

namespace formelan {

// The list view of the chooser: a double click of the left button selects the word
// under the pointer, then reports it.
class RichEdit : public QTextEdit {
    Q_OBJECT
public:
    using QTextEdit::QTextEdit;

Q_SIGNALS:
    void wordChosen(const QString &selection);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

// The bank code chooser: shows help/bic.rtf and puts the code the user double-clicks
// into the bank-code field that opened it.
class Tchoice : public QWidget {
    Q_OBJECT
public:
    explicit Tchoice(QWidget *parent = nullptr);
    ~Tchoice() override;

    RichEdit *viewer() const { return m_view; }

    // Opens for a bank-code field, or retargets when already open.
    void openFor(QLineEdit *field);
    // Makes a right-button press on the field open the chooser for it.
    void attachTo(QLineEdit *field);

    void RichEdit1MouseDown(const QString &selection);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    RichEdit *m_view;
};

extern Tchoice *choice;
extern QPointer<QLineEdit> ChooserTarget;

} // namespace formelan
