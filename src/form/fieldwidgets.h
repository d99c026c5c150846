#pragma once

#include "form/fieldset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <functional>

namespace formelan {

// What the user's edit of a field makes of its text: `text` as the edit left it, and
// the cursor at `pos`; both may be changed. `before` is the text before the edit. False
// refuses the edit: the field stays as it was.
using InputRule = std::function<bool(QString &text, int &pos, QStringView before)>;

// For input rules: drops the characters that `drop` names, keeping the cursor where it
// was among the others.
void dropChars(QString &text, int &pos, bool (*drop)(QChar));

// A single-line field whose limit binds only what the user types. Text that the
// program sets is kept whole, even beyond the limit (QLineEdit's own maxLength would
// cut it), and so is text the user pastes or drops: it is never cut unseen, the field
// tells that it is beyond its limit instead.
class FieldEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FieldEdit(int limit, QWidget *parent = nullptr);
    // Pastes the clipboard over the selection, as the user does with Ctrl+V.
    void pasteWithinLimit();
    int limit() const { return m_limit; }
    // Whether the user's paste made the text longer than the limit, and it still is.
    bool pastedBeyondLimit() const { return m_beyondLimit; }
    // Runs `rule` on every edit of the user, before the limit is applied.
    void setInputRule(InputRule rule) { m_rule = std::move(rule); }

Q_SIGNALS:
    // pastedBeyondLimit() changed.
    void beyondLimitChanged(bool beyond);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    friend class LimitValidator;
    template <typename F> void asUser(F &&f, bool pasting = false);
    void setBeyondLimit(bool beyond);
    void redo(const QString &wanted, int cursor);
    int m_limit;
    bool m_userInput = false;
    bool m_redoing = false;
    QString m_redoText; // what the validator made of an edit it had undone
    int m_redoPos = -1;
    bool m_pasting = false;
    bool m_beyondLimit = false;
    QString m_before;
    InputRule m_rule;
};

// A pick-list: an editable text with a drop-down list of items.
class PickList : public QComboBox {
    Q_OBJECT
public:
    explicit PickList(int limit, QWidget *parent = nullptr);
    FieldEdit *edit() const { return m_edit; }
    QString text() const { return currentText(); }
    void setText(const QString &text);
    // Replaces the items; the text stays. Implicitly shared lists make this cheap.
    void setItems(const QStringList &items);
    // Replaces the items by the rows of `model`, which the list takes; the text stays.
    // The model the list already has is kept as it is. A long list should come as a
    // model that reads its rows when they are shown.
    void setItemModel(QAbstractItemModel *model);
    QStringList items() const;
    // Puts back the text the list showed before the user last chose an item (with the
    // popup, the arrow keys or the wheel), raising no change: for a choice that could
    // not be carried out.
    void revertChoice();
    void showPopup() override;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    // The user typed, or picked an item; never raised when the program sets the text.
    void userChanged();
    void aboutToShowPopup();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    FieldEdit *m_edit;
    QString m_told; // the text as last set or reported
    QString m_textBeforeChoice;
};

// Multi-line text with a typing limit. What the user pastes or drops is kept whole, as
// in FieldEdit, and the field tells when it is beyond the limit.
class MemoField : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MemoField(int limit, QWidget *parent = nullptr);
    QString text() const { return toPlainText(); }
    void setText(const QString &text);
    int limit() const { return m_limit; }
    bool pastedBeyondLimit() const { return m_beyondLimit; }

Q_SIGNALS:
    // The text differs from what it was at the last change.
    void changed();
    void beyondLimitChanged(bool beyond);
    // Typing went past the limit and what went past it was not taken.
    void typedPastLimit();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    template <typename F> void limitInput(F &&f, bool pasting = false);
    void setBeyondLimit(bool beyond);
    int m_limit;
    bool m_beyondLimit = false;
    QString m_last;
};

// A date picker in the system's long date format that keeps the time of day.
class DateField : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit DateField(QWidget *parent = nullptr);
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    // From a date not given, the first step up or down gives today.
    void stepBy(int steps) override;

protected:
    // Tab leaves the field, as in any other field; the arrow keys move between the
    // day, month and year.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
    bool eventFilter(QObject *watched, QEvent *event) override;
};

QWidget *createField(FieldKind kind, int limit, const QStringList &items, QWidget *parent);

// Uniform access to a field of any kind. Setting a field to what it already holds
// changes nothing: the cursor, selection and undo history of a field being typed in
// stay, and no change is raised.
QString fieldText(const QWidget *field);
void setFieldText(QWidget *field, const QString &text);
bool fieldChecked(const QWidget *field);
void setFieldChecked(QWidget *field, bool checked);
FieldKind fieldKind(const QWidget *field);
// The single-line edit of a field: the field itself, or a pick-list's edit box; nullptr
// for other kinds.
FieldEdit *editOf(QWidget *field);

} // namespace formelan
