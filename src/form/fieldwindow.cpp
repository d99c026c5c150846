#include "form/fieldwindow.h"

#include "form/fieldset.h"
#include "form/fieldwidgets.h"

#include <QApplication>
#include <QMouseEvent>

namespace formelan {

using namespace Qt::StringLiterals;

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
    else if (auto *c = qobject_cast<QCheckBox *>(field))
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
}

bool FieldWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        const QString name = watched->objectName();
        if (m_byName.value(name) == watched)
            Q_EMIT bankCodeRequested(name);
    }
    return QWidget::eventFilter(watched, event);
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
