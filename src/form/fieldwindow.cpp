#include "form/fieldwindow.h"

#include "form/fieldset.h"
#include "form/fieldwidgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// A paste beyond the field's limit is kept whole, and the field says so until it fits.
constexpr QStringView kTooLong = u"too long";
constexpr QStringView kFull = u"full";

QString tooLong(int limit)
{
    return u"Поставеният текст е по-дълъг от %1 знака, колкото събира полето: съкратете го"_s.arg(
        limit);
}

} // namespace

FieldWindow::FieldWindow(QWidget *parent)
    : QWidget(parent)
{
    connect(qApp, &QApplication::focusChanged, this, &FieldWindow::focusChanged);
}

QWidget *FieldWindow::control(QStringView name) const
{
    return m_byName.value(name.toString());
}

QString FieldWindow::fieldText(QStringView name) const
{
    const QWidget *field = control(name);
    if (fieldKind(field) == FieldKind::Check)
        return yesNo(fieldChecked(field));
    return formelan::fieldText(field);
}

bool FieldWindow::setFieldText(QStringView name, const QString &text)
{
    QWidget *field = control(name);
    if (!field)
        return false;
    if (fieldKind(field) == FieldKind::Check)
        setFieldChecked(field, text == kYes);
    else
        formelan::setFieldText(field, text);
    return true;
}

void FieldWindow::clearTextFields()
{
    for (QWidget *field : m_fields) {
        const FieldKind kind = fieldKind(field);
        if (kind == FieldKind::Edit || kind == FieldKind::PickList || kind == FieldKind::Memo)
            formelan::setFieldText(field, QString());
    }
}

void FieldWindow::addField(QWidget *field)
{
    m_fields.push_back(field);
    m_byName.insert(field->objectName(), field);
    const auto edited = [this, field] {
        const QString name = field->objectName();
        Q_EMIT fieldEdited(name, fieldText(name));
    };
    if (auto *e = qobject_cast<FieldEdit *>(field))
        connect(e, &QLineEdit::textChanged, this, edited);
    else if (auto *p = qobject_cast<PickList *>(field))
        connect(p, &PickList::userChanged, this, edited);
    else if (auto *m = qobject_cast<MemoField *>(field))
        connect(m, &MemoField::changed, this, edited);
    if (FieldEdit *edit = editOf(field)) {
        connect(edit, &QLineEdit::textChanged, this,
                [this, field] { setWarning(field, kLeaveCheck, QString()); });
        connect(edit, &FieldEdit::beyondLimitChanged, this, [this, field, edit](bool beyond) {
            setWarning(field, kTooLong, beyond ? tooLong(edit->limit()) : QString());
        });
    } else if (auto *m = qobject_cast<MemoField *>(field)) {
        connect(m, &MemoField::beyondLimitChanged, this, [this, field, m](bool beyond) {
            setWarning(field, kTooLong, beyond ? tooLong(m->limit()) : QString());
        });
        // A memo's limit does not show as a full line does: a key it refuses is told.
        connect(m, &MemoField::changed, this, [this, field] { setWarning(field, kFull, {}); });
        connect(m, &MemoField::typedPastLimit, this, [this, field, m] {
            setWarning(field, kFull,
                       u"Полето събира най-много %1 знака: написаното след тях не е въведено"_s.arg(
                           m->limit()));
        });
    } else if (auto *c = qobject_cast<QCheckBox *>(field))
        connect(c, &QCheckBox::toggled, this, edited);
    else if (auto *d = qobject_cast<DateField *>(field))
        connect(d, &QDateTimeEdit::dateTimeChanged, this, [this, d](const QDateTime &when) {
            Q_EMIT fieldEdited(d->objectName(), when.toString(Qt::ISODate));
        });
}

void FieldWindow::addBankCodeField(QWidget *field)
{
    // The right button belongs to the chooser here, not to a context menu.
    field->setContextMenuPolicy(Qt::PreventContextMenu);
    field->installEventFilter(this);
    m_bankCodeFields.push_back(field);
}

bool FieldWindow::eventFilter(QObject *watched, QEvent *event)
{
    const bool bankCode = std::find(m_bankCodeFields.begin(), m_bankCodeFields.end(), watched) !=
                          m_bankCodeFields.end();
    if (bankCode && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        Q_EMIT bankCodeRequested(watched->objectName());
    } else if (bankCode && event->type() == QEvent::KeyPress) {
        // The keys that open a drop-down list open the chooser.
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = !(key->modifiers() & ~Qt::KeypadModifier);
        if ((key->key() == Qt::Key_F4 && plain) ||
            (key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier)) {
            Q_EMIT bankCodeRequested(watched->objectName());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QLabel *FieldWindow::warningLine()
{
    if (!m_warningLine) {
        m_warningLine = new QLabel(this);
        m_warningLine->setObjectName(u"FieldWarnings"_s);
        m_warningLine->setWordWrap(true);
        // Dark red on a pale band, in bold: read at a glance, not only by who looks for it.
        QPalette red = m_warningLine->palette();
        red.setColor(QPalette::WindowText, QColor(0x9a, 0, 0));
        red.setColor(QPalette::Window, QColor(0xff, 0xec, 0xec));
        m_warningLine->setPalette(red);
        m_warningLine->setAutoFillBackground(true);
        m_warningLine->setFrameShape(QFrame::StyledPanel);
        QFont bold = m_warningLine->font();
        bold.setBold(true);
        m_warningLine->setFont(bold);
        m_warningLine->hide();
    }
    return m_warningLine;
}

QString FieldWindow::fieldLabel(const QWidget *field) const
{
    return field->objectName();
}

void FieldWindow::setWarning(QWidget *field, QStringView about, const QString &text)
{
    auto at = m_warnings.find(field);
    if (text.isEmpty()) {
        if (at == m_warnings.end() || !at->second.erase(about.toString()))
            return;
        if (at->second.empty())
            m_warnings.erase(at);
    } else {
        QString &kept = m_warnings[field][about.toString()];
        if (kept == text)
            return;
        kept = text;
    }
    showWarnings();
}

QString FieldWindow::fieldWarning(QStringView name) const
{
    const auto at = m_warnings.find(control(name));
    if (at == m_warnings.end())
        return {};
    QStringList texts;
    for (const auto &[about, text] : at->second)
        texts.append(text);
    return texts.join(u"; "_s);
}

QStringList FieldWindow::warnings() const
{
    QStringList lines;
    for (QWidget *field : m_fields) {
        const QString warning = fieldWarning(field->objectName());
        if (!warning.isEmpty())
            lines.append(fieldLabel(field) + u": "_s + warning);
    }
    return lines;
}

void FieldWindow::showWarnings()
{
    for (QWidget *field : m_fields) {
        const QString warning = fieldWarning(field->objectName());
        const bool marked = !warning.isEmpty();
        if (field->toolTip() != warning)
            field->setToolTip(warning);
        if (marked != field->property("warning").toBool()) {
            field->setProperty("warning", marked);
            QPalette palette;
            if (marked) {
                palette = field->palette();
                palette.setColor(QPalette::Base, QColor(0xff, 0xdc, 0xdc));
            }
            field->setPalette(palette);
        }
    }
    const QStringList lines = warnings();
    QLabel *line = warningLine();
    line->setText(lines.join(u'\n'));
    line->setVisible(!lines.isEmpty());
}

void FieldWindow::onLeave(QWidget *field, Handler handler)
{
    m_leave.push_back({field, std::move(handler)});
}

void FieldWindow::onChange(QWidget *field, Handler handler)
{
    connect(this, &FieldWindow::fieldEdited, this,
            [field, handler = std::move(handler)](const QString &name) {
                if (name == field->objectName())
                    handler(field);
            });
}

QWidget *FieldWindow::fieldOf(QWidget *w) const
{
    for (; w && w != this; w = w->parentWidget()) {
        if (m_byName.value(w->objectName()) == w)
            return w;
    }
    return nullptr;
}

void FieldWindow::focusChanged(QWidget *, QWidget *now)
{
    // Each window remembers the field it last had the focus in, as desktop windows do:
    // the field is left when this window's focus next lands on another of its own
    // controls, whatever came between (another window, a message box, the toolbar).
    if (!now || !isAncestorOf(now))
        return;
    QWidget *field = fieldOf(now);
    QWidget *left = m_current;
    if (left == field)
        return;
    m_current = field;
    const bool finished = left && left == m_finished && formelan::fieldText(left) == m_finishedText;
    m_finished = nullptr;
    if (left && !finished)
        runLeaveChecks(left);
}

void FieldWindow::runLeaveChecks(QWidget *field)
{
    for (const Entry &entry : m_leave) {
        if (entry.field == field)
            entry.leave(field);
    }
}

void FieldWindow::finishEditing()
{
    QWidget *field = m_current;
    if (!field || (field == m_finished && formelan::fieldText(field) == m_finishedText))
        return;
    runLeaveChecks(field);
    m_finished = field;
    m_finishedText = formelan::fieldText(field);
}

} // namespace formelan
