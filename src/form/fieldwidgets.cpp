#include "form/fieldwidgets.h"

#include "form/formcontent.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QCompleter>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QStringListModel>
#include <QStyle>
#include <QTableView>
#include <QValidator>
#include <QtMath>

#include <utility>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// A paste is kept whole, and so is what undo or redo brings back, which may be a paste.
bool keptWhole(const QKeyEvent *event)
{
    return event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Undo) ||
           event->matches(QKeySequence::Redo);
}

} // namespace

// Keeps what the user puts in one line: line breaks pasted or dropped become spaces, the
// field's input rule applies, and typing stays within the limit. A text that the
// program or a paste made longer than the limit may shrink but never grow by typing.
class LimitValidator : public QValidator {
public:
    explicit LimitValidator(FieldEdit *edit)
        : QValidator(edit)
        , m_edit(edit)
    {}

    State validate(QString &input, int &pos) const override
    {
        if (!m_edit->m_userInput)
            return Acceptable;
        const QString typed = input;
        const State state = keep(input, pos);
        if (state == Invalid || input == typed || m_edit->m_redoing)
            return state;
        // Qt's line edit takes a text its validator changed as a new one and forgets its
        // undo history: the edit is undone, and made again as the user's own edit after it.
        if (input != m_edit->m_before) {
            m_edit->m_redoText = input;
            m_edit->m_redoPos = pos;
        }
        return Invalid;
    }

private:
    State keep(QString &input, int &pos) const
    {
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (input[i] == u'\r' && i + 1 < input.size() && input[i + 1] == u'\n') {
                input.remove(i, 1);
                if (pos > i)
                    --pos;
            }
            if (input[i] == u'\r' || input[i] == u'\n' || input[i] == QChar::LineSeparator ||
                input[i] == QChar::ParagraphSeparator)
                input[i] = u' ';
            else if (input[i] == u'\t')
                input[i] = u' ';
        }
        // A NUL or another control character pasted from a web page or a PDF shows as
        // nothing, yet would be stored, printed and sent.
        dropChars(input, pos, [](QChar c) { return c.category() == QChar::Other_Control; });
        if (m_edit->m_rule && !m_edit->m_rule(input, pos, m_edit->m_before))
            return Invalid;
        if (m_edit->m_limit < 0)
            return Acceptable;
        const qsizetype cap = std::max<qsizetype>(m_edit->m_limit, m_edit->m_before.size());
        // A paste is kept whole: the field shows it is too long rather than cut it unseen.
        if (input.size() <= cap || input.size() <= m_edit->m_before.size() || m_edit->m_pasting)
            return Acceptable;
        const qsizetype excess = input.size() - cap;
        const qsizetype from = std::clamp<qsizetype>(pos - excess, 0, input.size() - excess);
        input.remove(from, excess);
        pos = int(from);
        return Acceptable;
    }

    FieldEdit *m_edit;
};

FieldEdit::FieldEdit(int limit, QWidget *parent)
    : QLineEdit(parent)
    , m_limit(limit)
{
    setValidator(new LimitValidator(this));
    // Text the program sets may be as long as it needs.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_userInput)
            setBeyondLimit(false);
    });
}

template <typename F> void FieldEdit::asUser(F &&f, bool pasting)
{
    const bool outer = !m_userInput;
    if (outer) {
        m_userInput = true;
        m_pasting = pasting;
        m_before = text();
    }
    f();
    if (!outer)
        return;
    if (m_redoPos >= 0)
        redo(std::exchange(m_redoText, {}), std::exchange(m_redoPos, -1));
    m_userInput = false;
    m_pasting = false;
    if (m_limit >= 0 && text().size() <= m_limit)
        setBeyondLimit(false);
    else if (m_limit >= 0 && pasting && text() != m_before)
        setBeyondLimit(true);
}

// Makes the text `wanted` in one edit, so that undo takes it back.
void FieldEdit::redo(const QString &wanted, int cursor)
{
    m_redoing = true;
    selectAll();
    insert(wanted);
    m_redoing = false;
    setCursorPosition(cursor);
}

void FieldEdit::setBeyondLimit(bool beyond)
{
    if (beyond == m_beyondLimit)
        return;
    m_beyondLimit = beyond;
    Q_EMIT beyondLimitChanged(beyond);
}

void FieldEdit::pasteWithinLimit()
{
    asUser([this] { paste(); }, true);
}

void FieldEdit::keyPressEvent(QKeyEvent *event)
{
    asUser([&] { QLineEdit::keyPressEvent(event); }, keptWhole(event));
}

void FieldEdit::inputMethodEvent(QInputMethodEvent *event)
{
    asUser([&] { QLineEdit::inputMethodEvent(event); });
}

void FieldEdit::contextMenuEvent(QContextMenuEvent *event)
{
    // Qt's own menu acts after this returns; run here, its paste is the user's paste,
    // kept whole and shown when it makes the field too long.
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    asUser([&] { menu->exec(event->globalPos()); }, true);
}

void FieldEdit::dropEvent(QDropEvent *event)
{
    asUser([&] { QLineEdit::dropEvent(event); }, true);
}

void FieldEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the selection on X11.
    asUser([&] { QLineEdit::mouseReleaseEvent(event); }, true);
}

PickList::PickList(int limit, QWidget *parent)
    : QComboBox(parent)
    , m_edit(new FieldEdit(limit))
{
    // The lists complete nothing: a completer would pull a long list whole. A line edit
    // that already has one (an idle shared one, taken off at once) spares the box from
    // building its own; setting the line edit straight away spares the throwaway line
    // edit of setEditable().
    static const QPointer<QCompleter> idle = new QCompleter(qApp);
    m_edit->setCompleter(idle);
    setLineEdit(m_edit);
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    // The box would pick the first item that reads as the typed text when the editing
    // ends (Enter, Tab, a click elsewhere), searching every item: only the user's choice
    // from the list picks an item.
    disconnect(m_edit, &QLineEdit::editingFinished, this, nullptr);
    disconnect(m_edit, &QLineEdit::returnPressed, this, nullptr);
    // A short list shows its whole text ("BGN"); a long one at least a character.
    setMinimumContentsLength(limit > 0 && limit <= 3 ? limit : 1);
    // A key the limit refuses still reports an edit, with the text as it was: only a
    // real change is passed on.
    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (text == m_told)
            return;
        m_told = text;
        Q_EMIT userChanged();
    });
    connect(this, &QComboBox::textActivated, this, [this](const QString &text) {
        m_told = text;
        Q_EMIT userChanged();
    });
}

// Neither size looks at the items, for a list can be long: both are those of the
// minimum contents length, as high as a line edit. (Setting that policy on the box
// would build its popup at once.)
QSize PickList::minimumSizeHint() const
{
    QSize size = QComboBox::minimumSizeHint();
    size.setHeight(m_edit->sizeHint().height());
    return size;
}

QSize PickList::sizeHint() const
{
    return minimumSizeHint();
}

void PickList::setText(const QString &text)
{
    m_told = text;
    if (currentText() != text)
        m_edit->setText(text);
}

void PickList::setItems(const QStringList &items)
{
    auto *model = qobject_cast<QStringListModel *>(this->model());
    if (!model || model->parent() != this) {
        setItemModel(new QStringListModel(items));
        return;
    }
    const QString text = currentText();
    model->setStringList(items);
    setCurrentIndex(-1);
    setText(text);
}

void PickList::setItemModel(QAbstractItemModel *model)
{
    if (model == this->model())
        return;
    const QString text = currentText();
    // The box deletes the model it had when that model was its child.
    model->setParent(this);
    setModel(model);
    setCurrentIndex(-1);
    setText(text);
}

void PickList::revertChoice()
{
    setText(m_textBeforeChoice);
}

void PickList::keyPressEvent(QKeyEvent *event)
{
    m_textBeforeChoice = currentText();
    QComboBox::keyPressEvent(event);
}

void PickList::wheelEvent(QWheelEvent *event)
{
    m_textBeforeChoice = currentText();
    QComboBox::wheelEvent(event);
}

QStringList PickList::items() const
{
    if (auto *model = qobject_cast<const QStringListModel *>(this->model()))
        return model->stringList();
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out.append(itemText(i));
    return out;
}

void PickList::showPopup()
{
    // The popup is a one-column table, made at its first showing: its rows are laid out
    // by height alone, where a list view would visit every row of a long list each time
    // the list changes.
    if (!qobject_cast<QTableView *>(view())) {
        auto *table = new QTableView;
        table->horizontalHeader()->hide();
        table->verticalHeader()->hide();
        table->horizontalHeader()->setStretchLastSection(true);
        table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        table->verticalHeader()->setMinimumSectionSize(1);
        table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
        table->setShowGrid(false);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->setWordWrap(false);
        table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setView(table);
    }
    m_textBeforeChoice = currentText();
    Q_EMIT aboutToShowPopup();
    QComboBox::showPopup();
}

MemoField::MemoField(int limit, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_limit(limit)
{
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        QString now = toPlainText();
        if (now != m_last) {
            m_last = std::move(now);
            Q_EMIT changed();
        }
    });
}

void MemoField::setText(const QString &text)
{
    if (toPlainText() != text)
        setPlainText(text);
    setBeyondLimit(false);
}

void MemoField::setBeyondLimit(bool beyond)
{
    if (beyond == m_beyondLimit)
        return;
    m_beyondLimit = beyond;
    Q_EMIT beyondLimitChanged(beyond);
}

template <typename F> void MemoField::limitInput(F &&f, bool pasting)
{
    const qsizetype before = document()->characterCount();
    f();
    if (m_limit < 0)
        return;
    // characterCount() counts the closing paragraph separator too.
    const qsizetype now = document()->characterCount();
    if (now <= m_limit + 1)
        setBeyondLimit(false);
    else if (pasting && now > before)
        setBeyondLimit(true);
    const qsizetype cap = std::max<qsizetype>(m_limit + 1, before);
    if (now <= cap || now <= before || pasting)
        return;
    QTextCursor cursor = textCursor();
    const int end = cursor.position();
    const int from = std::max(0, end - int(now - cap));
    cursor.joinPreviousEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    setTextCursor(cursor);
    Q_EMIT typedPastLimit();
}

void MemoField::keyPressEvent(QKeyEvent *event)
{
    limitInput([&] { QPlainTextEdit::keyPressEvent(event); }, keptWhole(event));
}

void MemoField::inputMethodEvent(QInputMethodEvent *event)
{
    limitInput([&] { QPlainTextEdit::inputMethodEvent(event); });
}

void MemoField::insertFromMimeData(const QMimeData *source)
{
    // Pasted control characters other than line breaks are dropped, as in a single line.
    QString text = source->text();
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\t', u' ');
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control && c != u'\n'; });
    QMimeData clean;
    clean.setText(text);
    limitInput([&] { QPlainTextEdit::insertFromMimeData(&clean); }, true);
}

DateField::DateField(QWidget *parent)
    : QDateTimeEdit(parent)
{
    // The long date in Bulgarian, whatever the desktop's language; the calendar too.
    setLocale(QLocale(QLocale::Bulgarian, QLocale::Bulgaria));
    setCalendarPopup(true);
    setDateRange(earliestDate(), latestDate());
    setDisplayFormat(u"d MMMM yyyy"_s);
    // The earliest day stands for a date not given: it shows, and prints, as none.
    setSpecialValueText(u"—"_s);
    setDate(noDate());
    calendarWidget()->installEventFilter(this);
}

void DateField::stepBy(int steps)
{
    if (date() == noDate()) {
        setDate(QDate::currentDate());
        return;
    }
    QDateTimeEdit::stepBy(steps);
}

bool DateField::eventFilter(QObject *watched, QEvent *event)
{
    // The calendar of a date not given opens at this month, not at the earliest day
    // that stands for "none"; nothing is chosen until the clerk picks a day.
    if (watched == calendarWidget() && event->type() == QEvent::Show && date() == noDate()) {
        const QDate today = QDate::currentDate();
        calendarWidget()->setCurrentPage(today.year(), today.month());
    }
    return QDateTimeEdit::eventFilter(watched, event);
}

QSize DateField::minimumSizeHint() const
{
    // Wide enough for the longest date: the longest month name, a two-digit day.
    const QString widest = locale().toString(QDate(2028, 9, 28), displayFormat());
    QSize size = QDateTimeEdit::minimumSizeHint();
    const int text = fontMetrics().horizontalAdvance(widest);
    size.setWidth(text + 8 +
                  style()->pixelMetric(QStyle::PM_ComboBoxFrameWidth, nullptr, this) * 2 +
                  style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    return size;
}

QSize DateField::sizeHint() const
{
    return minimumSizeHint();
}

QWidget *createField(FieldKind kind, int limit, const QStringList &items, QWidget *parent)
{
    switch (kind) {
    case FieldKind::Edit:
        return new FieldEdit(limit, parent);
    case FieldKind::PickList: {
        auto *list = new PickList(limit, parent);
        if (!items.isEmpty())
            list->setItems(items);
        return list;
    }
    case FieldKind::Date:
        return new DateField(parent);
    case FieldKind::Check:
        return new QCheckBox(parent);
    case FieldKind::Memo:
        return new MemoField(limit, parent);
    }
    return nullptr;
}

FieldKind fieldKind(const QWidget *field)
{
    if (qobject_cast<const FieldEdit *>(field))
        return FieldKind::Edit;
    if (qobject_cast<const PickList *>(field))
        return FieldKind::PickList;
    if (qobject_cast<const DateField *>(field))
        return FieldKind::Date;
    if (qobject_cast<const QCheckBox *>(field))
        return FieldKind::Check;
    return FieldKind::Memo;
}

QString fieldText(const QWidget *field)
{
    if (auto *e = qobject_cast<const QLineEdit *>(field))
        return e->text();
    if (auto *p = qobject_cast<const QComboBox *>(field))
        return p->currentText();
    if (auto *m = qobject_cast<const QPlainTextEdit *>(field))
        return m->toPlainText();
    return {};
}

void setFieldText(QWidget *field, const QString &text)
{
    if (auto *e = qobject_cast<QLineEdit *>(field)) {
        if (e->text() != text)
            e->setText(text);
    } else if (auto *p = qobject_cast<PickList *>(field)) {
        p->setText(text);
    } else if (auto *m = qobject_cast<MemoField *>(field)) {
        m->setText(text);
    }
}

bool fieldChecked(const QWidget *field)
{
    auto *c = qobject_cast<const QCheckBox *>(field);
    return c && c->isChecked();
}

void setFieldChecked(QWidget *field, bool checked)
{
    if (auto *c = qobject_cast<QCheckBox *>(field))
        c->setChecked(checked);
}

void dropChars(QString &text, int &pos, bool (*drop)(QChar))
{
    QString kept;
    int keptPos = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (drop(text[i]))
            continue;
        if (i < pos)
            ++keptPos;
        kept += text[i];
    }
    text = kept;
    pos = keptPos;
}

FieldEdit *editOf(QWidget *field)
{
    if (auto *list = qobject_cast<PickList *>(field))
        return list->edit();
    return qobject_cast<FieldEdit *>(field);
}

} // namespace formelan
