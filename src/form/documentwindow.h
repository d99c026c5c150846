#pragma once

#include "form/fieldset.h"
#include "form/fieldwindow.h"
#include "form/formcontent.h"

#include <QSize>

#include <array>
#include <map>
#include <optional>
#include <vector>

class QAbstractItemModel;
class QFrame;
class QLabel;
class QScrollArea;

namespace formelan {

// The document window: the 84 fields of one payment document. Its caption is the
// document kind.
class DocumentWindow : public FieldWindow {
    Q_OBJECT
public:
    explicit DocumentWindow(QWidget *parent = nullptr);
    ~DocumentWindow() override;

    QString kind() const { return windowTitle(); }
    QFrame *panel(int number) const { return m_panels.at(size_t(number)); }

    // Hides every panel, then shows the panel of the kind that the caption names.
    // Answers the window size that kind asks for; nothing for a caption that names
    // no kind.
    std::optional<QSize> arrangeForKind();

    // The size the visible controls need, scroll bars aside.
    QSize contentSize() const;

    // Every field and the kind as plain values, and back. Setting the content leaves
    // the time of day of the date fields as it is, and fields the content lacks
    // (a form file without them) start as in a new document.
    FormContent content() const;
    void setContent(const FormContent &content);

    // Replaces the items of a party name list; its text stays. The list takes the model.
    void setPartyNames(const QString &field, const QStringList &names);
    void setPartyNames(const QString &field, QAbstractItemModel *names);
    // Puts back the name the list showed before the user's last choice, for a choice
    // whose party could not be loaded.
    void revertPartyChoice(const QString &field);

    // Identifier checks when a field is left; a failure is shown at the field (see
    // fieldWarning), never in a message box, so that no key typed next is lost. An empty
    // field is not checked. A valid Bulgarian IBAN also fills the BIC and bank beside it
    // from the shipped bank list (see fillBankFromIban).
    void ibanLeft(QWidget *field);
    void egnLeft(QWidget *field);
    void lnchLeft(QWidget *field);
    void bulstatLeft(QWidget *field);
    // A currency code of fewer than three letters is shown at the field.
    void currencyLeft(QWidget *field);

    // Amounts: completion and the totals of the sub-amounts when a field is left.
    void sumLeft(QWidget *field);
    void centsLeft(QWidget *field);
    void subAmountLeft(QWidget *field);
    void subCentsLeft(QWidget *field);
    // The amount in words: cut to its limit, and told at the field, when the program
    // makes it longer; filled from the amount, in the currency of `vid`, when the user
    // clicks it or presses F2 in it. Words the program wrote follow every change of the
    // amount and the currency; words the user typed stay, and are marked when they no
    // longer match the amount.
    void wordsChanged(QWidget *field);
    void fillAmountInWords(QWidget *field);

Q_SIGNALS:
    // A party name list is about to open: its items should be set now.
    void partyListOpening(const QString &field);
    // The user chose the item `index` of a party name list.
    void partyChosen(const QString &field, int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    QString fieldLabel(const QWidget *field) const override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // A control and where the field table puts it.
    struct Placed {
        QWidget *widget;
        const FieldPlace *place;
        bool label;
        bool freeStanding = false;
    };
    void build();
    void relayout();
    void attachChecks();
    QString text(QStringView name) const;
    void setText(QStringView name, const QString &value);
    std::optional<qint64> sumOf(std::initializer_list<QStringView> names);
    bool isEighthKind() const;
    void attachInputRules();
    void amountChanged();
    void checkWords(bool mayMark);

    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    std::array<QFrame *, 5> m_panels{}; // [0] is the main column
    std::vector<Placed> m_placed;
    // The words the program last wrote into `with_words`; they follow the amount while
    // the field still holds them.
    std::optional<QString> m_programWords;
    bool m_loading = false;
};

} // namespace formelan
