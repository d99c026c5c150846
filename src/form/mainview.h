#pragma once

#include "form/fieldwidgets.h"

#include <QSize>

#include <array>
#include <optional>

class QScrollArea;

namespace formelan {

// The document window: the 84 fields of one payment document. Its caption is the
// document kind.
class TMainView : public FieldWindow {
    Q_OBJECT
public:
    explicit TMainView(QWidget *parent = nullptr);
    ~TMainView() override;

    QString kind() const { return windowTitle(); }
    QFrame *panel(int number) const { return m_panels.at(size_t(number)); }

    // Hides every panel, then shows the panel of the kind that the caption names.
    // Answers the window size that kind asks for; nothing for a caption that names
    // no kind.
    std::optional<QSize> arrangeForKind();

    // The size the visible controls need, scroll bars aside.
    QSize contentSize() const;

    // Copies a mirrored field into the like-named field of the payers' window, or
    // else of the recipients' window.
    void bank_nameChange(QWidget *field);

    // Identifier checks when a field is left; each tells the user of a failure.
    void recipient_iban_number1Exit(QWidget *field);
    void recipi_egnExit(QWidget *field);
    void boun_lkExit(QWidget *field);
    void boun_bulstatExit(QWidget *field);

    // Amounts: completion and the totals of the sub-amounts when a field is left.
    void sumExit(QWidget *field);
    void drExit(QWidget *field);
    void ium1Exit(QWidget *field);
    void d4Exit(QWidget *field);
    void with_wordsChange(QWidget *field);
    void with_wordsClick(QWidget *field);

    // The party name lists: the address books' names, and a choice loads that party.
    void Recipient_nameDropDown();
    void Recipient_nameSelect(int index);
    void depositor_nameDropDown();
    void depositor_nameSelect(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void attachHandlers();
    QString text(QStringView name) const;
    void setText(QStringView name, const QString &value);
    bool isEighthKind() const;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    std::array<QFrame *, 5> m_panels{}; // [0] is the main column
};

} // namespace formelan
