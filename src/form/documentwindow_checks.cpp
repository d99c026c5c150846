// The checks and computations that run when the fields of the document window are
// left, changed or clicked, and the party name lists.
#include "base/dialogs.h"
#include "form/bankfill.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"
#include "form/numconvert.h"

#include <QMouseEvent>

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

const QString kNotANumber = u"Въведената стойност трябва да е число"_s;

struct LeaveCheck {
    QStringView field;
    void (DocumentWindow::*check)(QWidget *);
};

// clang-format off
const std::array<LeaveCheck, 16> kLeaveChecks{{
    {u"recipient_iban_number1", &DocumentWindow::ibanLeft},
    {u"depositor_iban_number1", &DocumentWindow::ibanLeft},
    {u"boun_egn",               &DocumentWindow::egnLeft},
    {u"recipi_egn",             &DocumentWindow::egnLeft},
    {u"boun_lk",                &DocumentWindow::lnchLeft},
    {u"boun_bulstat",           &DocumentWindow::bulstatLeft},
    {u"sum",                    &DocumentWindow::sumLeft},
    {u"dr",                     &DocumentWindow::centsLeft},
    {u"ium1", &DocumentWindow::subAmountLeft}, {u"ium2", &DocumentWindow::subAmountLeft},
    {u"ium3", &DocumentWindow::subAmountLeft}, {u"ium4", &DocumentWindow::subAmountLeft},
    {u"d1",   &DocumentWindow::subCentsLeft},  {u"d2",   &DocumentWindow::subCentsLeft},
    {u"d3",   &DocumentWindow::subCentsLeft},  {u"d4",   &DocumentWindow::subCentsLeft},
}};
// clang-format on

constexpr std::initializer_list<QStringView> kSubAmounts = {u"ium1", u"ium2", u"ium3", u"ium4"};
constexpr std::initializer_list<QStringView> kSubCents = {u"d1", u"d2", u"d3", u"d4"};

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
    if (!check(formelan::fieldText(field)))
        showMessage(field, message);
}

} // namespace

void DocumentWindow::attachChecks()
{
    for (const LeaveCheck &hook : kLeaveChecks) {
        const auto check = hook.check;
        onLeave(control(hook.field),
                [this, check](QWidget *f) { guarded([&] { (this->*check)(f); }); });
    }
    for (QStringView name : {u"Recipient_name", u"depositor_name"}) {
        auto *list = static_cast<PickList *>(control(name));
        const QString field = name.toString();
        connect(list, &PickList::aboutToShowPopup, this,
                [this, field] { Q_EMIT partyListOpening(field); });
        connect(list, &QComboBox::activated, this,
                [this, field](int i) { guarded([&] { Q_EMIT partyChosen(field, i); }); });
    }

    QWidget *words = control(u"with_words");
    onChange(words, [this](QWidget *f) { guarded([&] { wordsChanged(f); }); });
    words->installEventFilter(this);
}

bool DocumentWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched == control(u"with_words")) {
        auto *w = static_cast<QWidget *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && w->rect().contains(mouse->position().toPoint()))
            guarded([&] { fillAmountInWords(w); });
    }
    return FieldWindow::eventFilter(watched, event);
}

QString DocumentWindow::text(QStringView name) const
{
    return formelan::fieldText(control(name));
}

void DocumentWindow::setText(QStringView name, const QString &value)
{
    formelan::setFieldText(control(name), value);
}

// Totals are kept in 64 bits: four sub-amounts near the 32-bit limit must not wrap.
qint64 DocumentWindow::sumOf(std::initializer_list<QStringView> names) const
{
    qint64 total = 0;
    for (QStringView name : names)
        total += toInteger(text(name));
    return total;
}

bool DocumentWindow::isEighthKind() const
{
    return kind() == defaultKind().name;
}

void DocumentWindow::ibanLeft(QWidget *field)
{
    checkIdentifier(field, CheckIban, u"Невалиден IBAN, моля проверете го!"_s);
    fillBankFromIban(*this, field->objectName());
}

void DocumentWindow::egnLeft(QWidget *field)
{
    checkIdentifier(field, CheckEgn, u"Невалиден ЕГН, моля проверете го!"_s);
}

void DocumentWindow::lnchLeft(QWidget *field)
{
    checkIdentifier(field, CheckLnch, u"Невалиден ЛНЧ, моля проверете го!"_s);
}

void DocumentWindow::bulstatLeft(QWidget *field)
{
    checkIdentifier(field, CheckBulstat, u"Невалиден булстат, моля проверете го!"_s);
}

void DocumentWindow::sumLeft(QWidget *field)
{
    if (formelan::fieldText(field).isEmpty())
        formelan::setFieldText(field, u"0"_s);
}

void DocumentWindow::centsLeft(QWidget *field)
{
    formelan::setFieldText(field, twoDigits(formelan::fieldText(field)));
}

void DocumentWindow::subAmountLeft(QWidget *field)
{
    if (!wholeNumber(formelan::fieldText(field))) {
        showMessage(field, kNotANumber);
        formelan::setFieldText(field, u"0"_s);
        return;
    }
    if (!isEighthKind())
        return;
    const qint64 leva = sumOf(kSubAmounts);
    setText(u"sum", QString::number(leva + sumOf(kSubCents) / 100));
}

void DocumentWindow::subCentsLeft(QWidget *field)
{
    const bool number = wholeNumber(formelan::fieldText(field)).has_value();
    if (!number)
        showMessage(field, kNotANumber);
    formelan::setFieldText(field, twoDigits(formelan::fieldText(field)));
    if (!number)
        return;
    if (isEighthKind())
        setText(u"dr", QString::number(sumOf(kSubCents)));
    const qint64 dr = toInteger(text(u"dr"));
    if (dr >= 100) {
        setText(u"sum", QString::number(sumOf(kSubAmounts) + dr / 100));
        setText(u"dr", QString::number(dr % 100));
    }
}

void DocumentWindow::wordsChanged(QWidget *field)
{
    const QString words = formelan::fieldText(field);
    if (words.size() <= 100)
        return;
    showMessage(field, u"Дължината на полето \"Сумата с думи\" надвишава 100 знака. Последните "_s +
                           QString::number(words.size() - 100) + u" знака ще бъдат изрязани!"_s);
    formelan::setFieldText(field, words.left(100));
}

void DocumentWindow::fillAmountInWords(QWidget *field)
{
    // The currency of the document decides the words: euro and cents for "EUR", leva
    // and stotinki for any other.
    formelan::setFieldText(field,
                           AmountInWords(QString(text(u"sum") + u'.' + text(u"dr")), text(u"vid")));
}

} // namespace formelan
