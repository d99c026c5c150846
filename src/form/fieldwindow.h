#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <vector>

class QLabel;

namespace formelan {

// A window made of named fields. It tells of every change of a field's value, sets
// fields by name, and runs "leave" handlers when the focus moves from one of its
// fields to another control of the same window. It knows no other window: what a
// change means elsewhere is wired by whoever holds the windows.
class FieldWindow : public QWidget {
    Q_OBJECT
public:
    using Handler = std::function<void(QWidget *field)>;

    explicit FieldWindow(QWidget *parent = nullptr);

    QWidget *control(QStringView name) const;
    bool hasField(QStringView name) const { return control(name) != nullptr; }
    const std::vector<QWidget *> &fields() const { return m_fields; }

    // A field's value as text; a check box answers "да" or "не".
    QString fieldText(QStringView name) const;
    // Sets a field as the program does. A field that already holds the value is left
    // alone. Answers false when the window has no field of that name.
    bool setFieldText(QStringView name, const QString &text);
    // Empties every single-line field, pick-list and memo; dates and check boxes stay.
    void clearTextFields();
    // Runs `handler` when the field is left: when this window's focus, having been in
    // the field, next lands on another of the window's controls.
    void onLeave(QWidget *field, Handler handler);
    // Runs the checks of the field being edited as if it were left, for commands that
    // take the document while the focus is still in a field (the toolbar takes none).
    // Leaving the field later, unchanged, runs them no second time.
    void finishEditing();

    // What is wrong with a field, as shown at it: its tooltip, a line of the window's
    // warnings (`FieldWarnings`), the field itself in a warning colour. A field may
    // carry several warnings at once, one for each `about`; an empty text clears one.
    // Warnings are shown where the eyes are, never in a box that takes the keys typed
    // next.
    void setWarning(QWidget *field, QStringView about, const QString &text);
    // The warning of a check made when the field was left; the field's text changing
    // clears it, so that the field is checked anew when it is next left.
    static constexpr QStringView kLeaveCheck = u"left";
    // The field's warnings joined; empty when nothing is wrong with it.
    QString fieldWarning(QStringView name) const;
    // The fields that carry a warning, in tab order, each as "label: warning".
    QStringList warnings() const;

Q_SIGNALS:
    // A field's value changed, typed or set by the program; a pick-list tells only of
    // what the user types or picks. Check boxes give "да" or "не", dates their ISO text.
    void fieldEdited(const QString &name, const QString &text);
    // The right mouse button was pressed on a bank-code field.
    void bankCodeRequested(const QString &name);

protected:
    void addField(QWidget *field);
    // A right-button press on the field, F4 or Alt+Down in it ask for the bank code
    // chooser.
    void addBankCodeField(QWidget *field);
    // The line of warnings, for the window to place; hidden while there are none.
    QLabel *warningLine();
    // A field as its label names it, for the line of warnings.
    virtual QString fieldLabel(const QWidget *field) const;
    void onChange(QWidget *field, Handler handler);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusChanged(QWidget *old, QWidget *now);
    QWidget *fieldOf(QWidget *w) const;
    void runLeaveChecks(QWidget *field);
    void showWarnings();

    struct Entry {
        QWidget *field;
        Handler leave;
    };
    std::vector<QWidget *> m_fields;
    QHash<QString, QWidget *> m_byName;
    std::vector<Entry> m_leave;
    QPointer<QWidget> m_current;  // the field this window's focus was last in
    QPointer<QWidget> m_finished; // m_current, checked by finishEditing with this text
    QString m_finishedText;
    std::vector<QWidget *> m_bankCodeFields;
    std::map<QWidget *, std::map<QString, QString>> m_warnings;
    QLabel *m_warningLine = nullptr;
};

} // namespace formelan
