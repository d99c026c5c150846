// The checks and computations that run when the fields of the document window are
// left, changed, clicked or typed into, the warnings they show at the fields, and the
// party name lists.
#include "base/dialogs.h"
#include "form/bankfill.h"
#include "form/banks.h"
#include "form/documentwindow.h"
#include "form/euro.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"
#include "form/numconvert.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>
#include <array>
#include <functional>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

const QString kNotANumber = u"Въведената стойност трябва да е число"_s;

// The kinds of warning a field may carry at once.
constexpr QStringView kLeft = FieldWindow::kLeaveCheck;
constexpr QStringView kRefused = u"refused"; // a key or paste the field refused
constexpr QStringView kCut = u"cut";         // words the program made too long
constexpr QStringView kMismatch = u"mismatch";

struct LeaveCheck {
    QStringView field;
    void (DocumentWindow::*check)(QWidget *);
};

// clang-format off
const std::array<LeaveCheck, 17> kLeaveChecks{{
    {u"recipient_iban_number1", &DocumentWindow::ibanLeft},
    {u"depositor_iban_number1", &DocumentWindow::ibanLeft},
    {u"boun_egn",               &DocumentWindow::egnLeft},
    {u"recipi_egn",             &DocumentWindow::egnLeft},
    {u"boun_lk",                &DocumentWindow::lnchLeft},
    {u"boun_bulstat",           &DocumentWindow::bulstatLeft},
    {u"vid",                    &DocumentWindow::currencyLeft},
    {u"sum",                    &DocumentWindow::sumLeft},
    {u"dr",                     &DocumentWindow::centsLeft},
    {u"ium1", &DocumentWindow::subAmountLeft}, {u"ium2", &DocumentWindow::subAmountLeft},
    {u"ium3", &DocumentWindow::subAmountLeft}, {u"ium4", &DocumentWindow::subAmountLeft},
    {u"d1",   &DocumentWindow::subCentsLeft},  {u"d2",   &DocumentWindow::subCentsLeft},
    {u"d3",   &DocumentWindow::subCentsLeft},  {u"d4",   &DocumentWindow::subCentsLeft},
}};

// A whole part and the cents field that takes what follows its decimal separator.
struct AmountPair {
    QStringView whole;
    QStringView cents;
};
constexpr std::array<AmountPair, 5> kAmountPairs{{
    {u"sum", u"dr"}, {u"ium1", u"d1"}, {u"ium2", u"d2"}, {u"ium3", u"d3"}, {u"ium4", u"d4"},
}};

// clang-format on

constexpr std::initializer_list<QStringView> kSubAmounts = {u"ium1", u"ium2", u"ium3", u"ium4"};
constexpr std::initializer_list<QStringView> kSubCents = {u"d1", u"d2", u"d3", u"d4"};

const AmountPair *amountPairOf(QStringView whole)
{
    for (const AmountPair &pair : kAmountPairs) {
        if (pair.whole == whole)
            return &pair;
    }
    return nullptr;
}

// "5" becomes "05", "" becomes "00"; anything else stays, numbers or not.
QString twoDigits(const QString &text)
{
    if (text.size() == 1)
        return u'0' + text;
    if (text.isEmpty())
        return u"00"_s;
    return text;
}

// One part of an amount: an empty field counts as 0, as leaving it would make it.
std::optional<qint64> amountPart(const QString &text)
{
    if (text.trimmed().isEmpty())
        return 0;
    if (const std::optional<qint32> v = wholeNumber(text))
        return *v;
    return std::nullopt;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isLatinCapital(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

// Whether the edit from `before` to `text` brought a character that `fits` refuses. What
// the program put there (a form file's text) may still be shortened.
template <typename Fits> bool brings(QStringView text, QStringView before, Fits fits)
{
    const auto misfits = [&](QStringView t) {
        return std::count_if(t.begin(), t.end(), std::not_fn(fits));
    };
    return misfits(text) > misfits(before);
}

} // namespace

QString DocumentWindow::fieldLabel(const QWidget *field) const
{
    const FieldDef *def = findDocumentField(field->objectName());
    if (!def)
        return field->objectName();
    if (!def->label.isEmpty())
        return def->label.toString();
    for (const AmountPair &pair : kAmountPairs) {
        if (pair.cents == def->name)
            return u"Стотинки"_s;
    }
    return u"Номер на документа"_s;
}

namespace {

// An empty field is not checked: the user has not come to it yet.
QString identifierWarning(const QWidget *field, bool (*check)(QStringView), const QString &message)
{
    const QString value = formelan::fieldText(field);
    return value.isEmpty() || check(value) ? QString() : message;
}

qsizetype decimalSeparator(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u',' || text[i] == u'.')
            return i;
    }
    return -1;
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
    onLeave(words, [this](QWidget *) { checkWords(true); });
    // Words the user edits are his: they no longer follow the amount.
    connect(editOf(words), &QLineEdit::textEdited, this, [this] { m_programWords.reset(); });
    // The words follow every change of the amount and the currency, the program's too;
    // a pick-list tells of the user's changes only, so its text is watched itself.
    for (QStringView name : {u"sum", u"dr"})
        connect(editOf(control(name)), &QLineEdit::textChanged, this, [this] { amountChanged(); });
    connect(editOf(control(u"vid")), &QLineEdit::textChanged, this, [this] { amountChanged(); });

    followIbans(*this, [this] { return m_loading; });
    attachInputRules();
}

// What the user may type or paste into the identifier, amount and currency fields.
void DocumentWindow::attachInputRules()
{
    // A refused key is told until the field is left, so that the hint outlives the keys
    // typed after it.
    const auto refuse = [this](QWidget *field, const QString &why) {
        setWarning(field, kRefused, why);
        return false;
    };
    for (QStringView name :
         {u"sum", u"dr", u"ium1", u"d1", u"ium2", u"d2", u"ium3", u"d3", u"ium4", u"d4", u"vid"})
        onLeave(control(name), [this](QWidget *f) { setWarning(f, kRefused, QString()); });
    for (const AmountPair &pair : kAmountPairs) {
        QWidget *whole = control(pair.whole);
        QWidget *cents = control(pair.cents);
        whole->installEventFilter(this);
        // Thousands may come spaced ("1 250,50"); the decimal part goes to the cents.
        editOf(whole)->setInputRule(
            [whole, cents, refuse](QString &input, int &pos, QStringView before) {
                dropChars(input, pos, [](QChar c) { return c.isSpace(); });
                if (!brings(input, before, isDigit))
                    return true;
                const qsizetype sep = decimalSeparator(input);
                const QString leva = sep < 0 ? input : input.left(sep);
                const QString stotinki = sep < 0 ? QString() : input.mid(sep + 1);
                if (!allDigits(leva) || !allDigits(stotinki))
                    return refuse(whole, u"Сумата е само от цифри; стотинките след запетая"_s);
                if (stotinki.size() > 2)
                    return refuse(whole, u"Стотинките са най-много две цифри"_s);
                if (sep >= 0) {
                    input = leva;
                    pos = std::min<int>(pos, int(leva.size()));
                    if (!stotinki.isEmpty())
                        formelan::setFieldText(cents, stotinki.leftJustified(2, u'0'));
                }
                return true;
            });
        editOf(cents)->setInputRule([cents, refuse](QString &input, int &pos, QStringView before) {
            dropChars(input, pos, [](QChar c) { return c.isSpace(); });
            if (brings(input, before, isDigit))
                return refuse(cents, u"Стотинките са само цифри"_s);
            return true;
        });
    }

    QWidget *currency = control(u"vid");
    editOf(currency)->setInputRule([currency, refuse](QString &input, int &, QStringView before) {
        input = input.toUpper();
        if (brings(input, before.toString().toUpper(), isLatinCapital))
            return refuse(currency, u"Валутата е код от три латински букви, напр. EUR"_s);
        return true;
    });
}

bool DocumentWindow::eventFilter(QObject *watched, QEvent *event)
{
    auto *w = static_cast<QWidget *>(watched);
    const QString name = watched->objectName();
    if (event->type() == QEvent::MouseButtonRelease && w == control(u"with_words")) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && w->rect().contains(mouse->position().toPoint()))
            guarded([&] { fillAmountInWords(w); });
    }
    if (event->type() == QEvent::KeyPress && control(name) == w) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The decimal separator typed into a whole amount moves on to its cents, so that
        // "1250,50" typed lands as 1250 and 50.
        if (const AmountPair *pair = amountPairOf(name);
            pair && (key->text() == u"," || key->text() == u".")) {
            auto *cents = static_cast<QLineEdit *>(control(pair->cents));
            cents->setFocus(Qt::TabFocusReason);
            cents->selectAll();
            return true;
        }
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

// Totals are kept in 64 bits: four sub-amounts near the 32-bit limit must not wrap. A
// field that holds no number is shown at the field, and there is no total.
std::optional<qint64> DocumentWindow::sumOf(std::initializer_list<QStringView> names)
{
    qint64 total = 0;
    bool ok = true;
    for (QStringView name : names) {
        const std::optional<qint64> part = amountPart(text(name));
        if (!part)
            setWarning(control(name), kLeft, kNotANumber);
        ok = ok && part;
        total += part.value_or(0);
    }
    return ok ? std::optional(total) : std::nullopt;
}

bool DocumentWindow::isEighthKind() const
{
    return kind() == defaultKind().name;
}

void DocumentWindow::ibanLeft(QWidget *field)
{
    setWarning(field, kLeft,
               identifierWarning(field, CheckIban, u"Невалиден IBAN, моля проверете го!"_s));
    fillBankFromIban(*this, field->objectName());
}

void DocumentWindow::egnLeft(QWidget *field)
{
    setWarning(field, kLeft,
               identifierWarning(field, CheckEgn, u"Невалиден ЕГН, моля проверете го!"_s));
}

void DocumentWindow::lnchLeft(QWidget *field)
{
    setWarning(field, kLeft,
               identifierWarning(field, CheckLnch, u"Невалиден ЛНЧ, моля проверете го!"_s));
}

void DocumentWindow::bulstatLeft(QWidget *field)
{
    setWarning(field, kLeft,
               identifierWarning(field, CheckBulstat, u"Невалиден булстат, моля проверете го!"_s));
}

void DocumentWindow::currencyLeft(QWidget *field)
{
    const qsizetype letters = formelan::fieldText(field).size();
    setWarning(field, kLeft,
               letters > 0 && letters < 3 ? u"Валутата е код от три латински букви, напр. EUR"_s
                                          : QString());
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
    // An empty sub-amount is 0; one that is no number (from a form file) becomes 0 too,
    // and the user is told at the field.
    const QString value = formelan::fieldText(field);
    if (!amountPart(value) || value.trimmed().isEmpty()) {
        formelan::setFieldText(field, u"0"_s);
        if (!value.trimmed().isEmpty())
            setWarning(field, kLeft, kNotANumber);
    }
    if (!isEighthKind())
        return;
    const std::optional<qint64> leva = sumOf(kSubAmounts);
    const std::optional<qint64> cents = sumOf(kSubCents);
    if (leva && cents)
        setText(u"sum", QString::number(*leva + *cents / 100));
}

void DocumentWindow::subCentsLeft(QWidget *field)
{
    const QString value = formelan::fieldText(field);
    const bool number = amountPart(value).has_value();
    formelan::setFieldText(field, number ? twoDigits(value) : u"00"_s);
    if (!number)
        setWarning(field, kLeft, kNotANumber);
    if (isEighthKind()) {
        const std::optional<qint64> cents = sumOf(kSubCents);
        if (!cents)
            return;
        setText(u"dr", QString::number(*cents));
    }
    const std::optional<qint64> dr = amountPart(text(u"dr"));
    if (dr && *dr >= 100) {
        const std::optional<qint64> leva = sumOf(kSubAmounts);
        if (!leva)
            return;
        setText(u"sum", QString::number(*leva + *dr / 100));
        setText(u"dr", QString::number(*dr % 100));
    }
}

void DocumentWindow::wordsChanged(QWidget *field)
{
    const QString words = formelan::fieldText(field);
    const auto *edit = static_cast<const FieldEdit *>(field);
    // What the user pasted is his to shorten; the field shows it is too long.
    if (words.size() > 100 && !edit->pastedBeyondLimit()) {
        if (m_programWords == words)
            m_programWords = words.left(100);
        formelan::setFieldText(field, words.left(100));
        setWarning(field, kCut,
                   u"Сумата с думи надвишава 100 знака: последните %1 знака са изрязани"_s.arg(
                       words.size() - 100));
        return;
    }
    if (m_programWords != words)
        setWarning(field, kCut, QString());
    checkWords(false);
}

void DocumentWindow::fillAmountInWords(QWidget *field)
{
    // The currency of the document decides the words (see AmountInWords).
    const QString words = AmountInWords(QString(text(u"sum") + u'.' + text(u"dr")), text(u"vid"));
    setWarning(field, kCut, QString());
    m_programWords = words;
    formelan::setFieldText(field, words);
    checkWords(true);
}

void DocumentWindow::amountChanged()
{
    if (m_loading)
        return;
    QWidget *words = control(u"with_words");
    if (m_programWords && *m_programWords == formelan::fieldText(words))
        guarded([&] { fillAmountInWords(words); });
    else
        checkWords(true);
}

void DocumentWindow::checkWords(bool mayMark)
{
    if (m_loading)
        return;
    const QString words = text(u"with_words");
    const bool wrong = !words.isEmpty() && m_programWords != words &&
                       !wordsMatchAmount(words, text(u"sum"), text(u"dr"), text(u"vid"));
    if (wrong && !mayMark)
        return;
    setWarning(control(u"with_words"), kMismatch,
               wrong ? u"Сумата с думи не отговаря на сумата"_s : QString());
}

} // namespace formelan
