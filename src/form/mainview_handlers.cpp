// The checks and computations that run when the fields of the document window are
// left, changed or clicked.
#include "app/dialogs.h"
#include "app/errors.h"
#include "app/windows.h"
#include "form/kinds.h"
#include "form/mainview.h"
#include "form/numconvert.h"
#include "parties/ddata.h"
#include "parties/partydb.h"
#include "parties/rdata.h"

#include <QLineEdit>
#include <QMouseEvent>

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

const QString kNotANumber = u"Въведената стойност трябва да е число"_s;

struct LeaveHook {
    QStringView field;
    void (TMainView::*handler)(QWidget *);
};

// clang-format off
const std::array<LeaveHook, 16> kLeaveHooks{{
    {u"recipient_iban_number1", &TMainView::recipient_iban_number1Exit},
    {u"depositor_iban_number1", &TMainView::recipient_iban_number1Exit},
    {u"boun_egn",               &TMainView::recipi_egnExit},
    {u"recipi_egn",             &TMainView::recipi_egnExit},
    {u"boun_lk",                &TMainView::boun_lkExit},
    {u"boun_bulstat",           &TMainView::boun_bulstatExit},
    {u"sum",                    &TMainView::sumExit},
    {u"dr",                     &TMainView::drExit},
    {u"ium1", &TMainView::ium1Exit}, {u"ium2", &TMainView::ium1Exit},
    {u"ium3", &TMainView::ium1Exit}, {u"ium4", &TMainView::ium1Exit},
    {u"d1",   &TMainView::d4Exit},   {u"d2",   &TMainView::d4Exit},
    {u"d3",   &TMainView::d4Exit},   {u"d4",   &TMainView::d4Exit},
}};
// clang-format on

// "5" becomes "05", "" becomes "00"; anything else stays, numbers or not.
QString twoDigits(const QString &text)
{
    if (text.size() == 1)
        return u'0' + text;
    if (text.isEmpty())
        return u"00"_s;
    return text;
}

// The standard conversion of a text to an integer, failing as the program's other
// conversions do.
qint64 toInteger(const QString &text)
{
    if (const std::optional<qint32> v = wholeNumber(text))
        return *v;
    throw AppError(u"'%1' is not a valid integer value"_s.arg(text));
}

void checkIdentifier(QWidget *field, bool (*check)(QStringView), const QString &message)
{
    if (!check(fieldText(field)))
        showMessage(field, message);
}

} // namespace

void TMainView::attachHandlers()
{
    for (const LeaveHook &hook : kLeaveHooks) {
        const auto handler = hook.handler;
        onLeave(control(hook.field),
                [this, handler](QWidget *f) { guarded([&] { (this->*handler)(f); }); });
    }
    auto *recipients = static_cast<PickList *>(control(u"Recipient_name"));
    connect(recipients, &PickList::aboutToShowPopup, this, [this] { Recipient_nameDropDown(); });
    connect(recipients, &QComboBox::activated, this,
            [this](int i) { guarded([&] { Recipient_nameSelect(i); }); });
    auto *payers = static_cast<PickList *>(control(u"depositor_name"));
    connect(payers, &PickList::aboutToShowPopup, this, [this] { depositor_nameDropDown(); });
    connect(payers, &QComboBox::activated, this,
            [this](int i) { guarded([&] { depositor_nameSelect(i); }); });

    QWidget *words = control(u"with_words");
    onChange(words, [this](QWidget *f) { guarded([&] { with_wordsChange(f); }); });
    words->installEventFilter(this);
}

bool TMainView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *w = static_cast<QWidget *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && w->rect().contains(mouse->position().toPoint()))
            guarded([&] { with_wordsClick(w); });
    }
    return FieldWindow::eventFilter(watched, event);
}

QString TMainView::text(QStringView name) const
{
    return fieldText(control(name));
}

void TMainView::setText(QStringView name, const QString &value)
{
    setFieldText(control(name), value);
}

bool TMainView::isEighthKind() const
{
    return kind() == defaultKind().name;
}

// The lists are copies made at each opening: a choice picks the row at that position
// of the address book's result set, as it stands then.
void TMainView::Recipient_nameDropDown()
{
    if (RData)
        static_cast<PickList *>(control(u"Recipient_name"))->setItems(RData->namePick()->items());
}

void TMainView::Recipient_nameSelect(int index)
{
    if (!RData)
        return;
    RData->resultSet().moveTo(index);
    RData->LoadFields();
}

void TMainView::depositor_nameDropDown()
{
    if (DData)
        static_cast<PickList *>(control(u"depositor_name"))->setItems(DData->namePick()->items());
}

void TMainView::depositor_nameSelect(int index)
{
    if (!DData)
        return;
    DData->resultSet().moveTo(index);
    DData->LoadFields();
}

void TMainView::recipient_iban_number1Exit(QWidget *field)
{
    checkIdentifier(field, CheckIban, u"Невалиден IBAN, моля проверете го!"_s);
}

void TMainView::recipi_egnExit(QWidget *field)
{
    checkIdentifier(field, CheckEgn, u"Невалиден ЕГН, моля проверете го!"_s);
}

void TMainView::boun_lkExit(QWidget *field)
{
    checkIdentifier(field, CheckLnch, u"Невалиден ЛНЧ, моля проверете го!"_s);
}

void TMainView::boun_bulstatExit(QWidget *field)
{
    checkIdentifier(field, CheckBulstat, u"Невалиден булстат, моля проверете го!"_s);
}

void TMainView::sumExit(QWidget *field)
{
    if (fieldText(field).isEmpty())
        setFieldText(field, u"0"_s);
}

void TMainView::drExit(QWidget *field)
{
    setFieldText(field, twoDigits(fieldText(field)));
}

// Totals are kept in 64 bits: four sub-amounts near the 32-bit limit must not wrap.
void TMainView::ium1Exit(QWidget *field)
{
    if (!wholeNumber(fieldText(field))) {
        showMessage(field, kNotANumber);
        setFieldText(field, u"0"_s);
        return;
    }
    if (!isEighthKind())
        return;
    qint64 leva = 0;
    for (QStringView name : {u"ium1", u"ium2", u"ium3", u"ium4"})
        leva += toInteger(text(name));
    qint64 stotinki = 0;
    for (QStringView name : {u"d1", u"d2", u"d3", u"d4"})
        stotinki += toInteger(text(name));
    setText(u"sum", QString::number(leva + stotinki / 100));
}

void TMainView::d4Exit(QWidget *field)
{
    const bool number = wholeNumber(fieldText(field)).has_value();
    if (!number)
        showMessage(field, kNotANumber);
    setFieldText(field, twoDigits(fieldText(field)));
    if (!number)
        return;
    if (isEighthKind()) {
        qint64 stotinki = 0;
        for (QStringView name : {u"d1", u"d2", u"d3", u"d4"})
            stotinki += toInteger(text(name));
        setText(u"dr", QString::number(stotinki));
    }
    const qint64 dr = toInteger(text(u"dr"));
    if (dr >= 100) {
        qint64 leva = 0;
        for (QStringView name : {u"ium1", u"ium2", u"ium3", u"ium4"})
            leva += toInteger(text(name));
        setText(u"sum", QString::number(leva + dr / 100));
        setText(u"dr", QString::number(dr % 100));
    }
}

void TMainView::with_wordsChange(QWidget *field)
{
    const QString words = fieldText(field);
    if (words.size() <= 100)
        return;
    showMessage(field, u"Дължината на полето \"Сумата с думи\" надвишава 100 знака. Последните "_s +
                           QString::number(words.size() - 100) + u" знака ще бъдат изрязани!"_s);
    setFieldText(field, words.left(100));
}

void TMainView::with_wordsClick(QWidget *field)
{
    setFieldText(field, AmountInWords(QString(text(u"sum") + u'.' + text(u"dr"))));
}

} // namespace formelan
