#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

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

Q_SIGNALS:
    // A field's value changed, typed or set by the program; a pick-list tells only of
    // what the user types or picks. Check boxes give "да" or "не", dates their ISO text.
    void fieldEdited(const QString &name, const QString &text);
    // The right mouse button was pressed on a bank-code field.
    void bankCodeRequested(const QString &name);

protected:
    void addField(QWidget *field);
    // A right-button press on the field asks for the bank code chooser.
    void addBankCodeField(QWidget *field);
    void onChange(QWidget *field, Handler handler);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusChanged(QWidget *old, QWidget *now);
    QWidget *fieldOf(QWidget *w) const;
    void runLeaveChecks(QWidget *field);

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
};

} // namespace formelan
