#include "form/documentcheck.h"

#include "form/banks.h"
#include "form/euro.h"
#include "form/fieldset.h"
#include "form/kinds.h"
#include "form/numconvert.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// What each kind's bank form carries beyond the recipient's and payer's names, the
// reason and the amount, which every form has.
struct KindRules {
    QStringView item;
    bool recipientIban; // the recipient's account (not on the cash withdrawal slip)
    bool payerIban;     // the payer's account (not on the cash deposit slip)
    bool amountNeeded;  // a consent names a limit, which may be left open
    bool words;         // the amount in words
    bool budget;        // the obligated person and one of their identifiers
    bool authorised;    // the ЕГН of the person authorised to take the cash
    bool execution;     // the date of execution
    bool period;        // the document's date and the period paid for
    bool blocks;        // four sub-payments, each with its own reason
};

// clang-format off
constexpr std::array<KindRules, 8> kRules{{
    // item   recipient payer  amount words  budget auth.  exec.  period blocks
    {u"WQ1",  true,     false, true,  true,  false, false, false, false, false},
    {u"N1",   false,    true,  true,  true,  false, true,  false, false, false},
    {u"N2",   true,     true,  true,  false, false, false, true,  false, false},
    {u"N3",   true,     true,  true,  false, false, false, true,  false, false},
    {u"N4",   true,     true,  false, false, false, false, false, false, false},
    {u"N5",   true,     true,  true,  false, true,  false, true,  true,  false},
    {u"N6",   true,     true,  true,  true,  true,  false, true,  true,  false},
    {u"N7",   true,     true,  true,  true,  true,  false, true,  false, true},
}};
// clang-format on

const KindRules *rulesFor(const QString &kindName)
{
    const DocumentKind *kind = findKind(kindName);
    if (!kind)
        return nullptr;
    const auto it = std::find_if(kRules.begin(), kRules.end(),
                                 [&](const KindRules &r) { return r.item == kind->item; });
    return it == kRules.end() ? nullptr : &*it;
}

class Checker {
public:
    Checker(const FormContent &content, QDate today)
        : m_content(content)
        , m_today(today)
    {}

    std::vector<Finding> run();

private:
    QString text(QStringView field) const { return m_content.text(field).trimmed(); }
    bool filled(QStringView field) const { return !text(field).isEmpty(); }
    void add(QStringView field, const QString &message)
    {
        // One finding a field: the first is what the clerk mends first.
        for (const Finding &f : m_findings) {
            if (f.field == field)
                return;
        }
        m_findings.push_back({field.toString(), fieldCaption(field), message});
    }
    void require(QStringView field)
    {
        if (!filled(field))
            add(field, u"не е попълнено"_s);
    }
    void identifier(QStringView field, bool (*check)(QStringView), const QString &what)
    {
        if (filled(field) && !check(m_content.text(field)))
            add(field, u"невалиден %1: „%2“"_s.arg(what, m_content.text(field)));
    }
    void bank(QStringView bicField, QStringView ibanField);
    // The currency a code of three capitals, and not leva for a payment made after the
    // changeover; false when no amount in words can be judged against it.
    bool currencyIsSound(const KindRules &rules);
    // The whole units of an amount field, or nothing (and a finding) when it is no amount.
    std::optional<qint64> units(QStringView field);
    std::optional<qint64> cents(QStringView field);
    void amount(const KindRules &rules);
    void subPayments();
    void date(QStringView field, bool notPast = false);
    void period(QStringView from, QStringView to);

    const FormContent &m_content;
    const QDate m_today;
    std::vector<Finding> m_findings;
};

void Checker::bank(QStringView bicField, QStringView ibanField)
{
    const QString bic = m_content.text(bicField);
    if (bic.isEmpty())
        return;
    if (!isBicForm(bic)) {
        add(bicField, u"невалиден BIC: „%1“ (8 или 11 главни латински букви и цифри)"_s.arg(bic));
        return;
    }
    const QString iban = m_content.text(ibanField);
    if (CheckIban(iban) && bicContradictsIban(bic, iban))
        add(bicField, u"BIC %1 не е на банката от IBAN-а (код %2)"_s.arg(bic, iban.mid(4, 4)));
}

std::optional<qint64> Checker::units(QStringView field)
{
    const QString t = text(field);
    if (t.isEmpty())
        return 0;
    if (!allDigits(t)) {
        add(field, u"не е сума в цели единици: „%1“ (стотинките се пишат в полето вдясно)"_s.arg(
                       m_content.text(field)));
        return std::nullopt;
    }
    if (t.size() > 10) {
        add(field, u"сумата е твърде голяма: „%1“ (най-много 10 цифри)"_s.arg(t));
        return std::nullopt;
    }
    return t.toLongLong();
}

std::optional<qint64> Checker::cents(QStringView field)
{
    // One digit is what leaving the field completes to two ("5" is 05).
    const QString t = text(field);
    if (t.size() > 2 || !allDigits(t)) {
        add(field, u"стотинките са две цифри от 00 до 99, а не „%1“"_s.arg(m_content.text(field)));
        return std::nullopt;
    }
    return t.isEmpty() ? 0 : t.toLongLong();
}

void Checker::amount(const KindRules &rules)
{
    const bool soundCurrency = currencyIsSound(rules);
    const std::optional<qint64> whole = units(u"sum");
    const std::optional<qint64> part = cents(u"dr");
    if (!whole || !part)
        return;
    const qint64 total = *whole * 100 + *part;
    if (rules.amountNeeded && total <= 0)
        add(u"sum", u"сумата трябва да е по-голяма от нула"_s);
    const QString currency = text(u"vid");
    if (!soundCurrency)
        return;
    if (rules.words && total > 0) {
        const QString words = m_content.text(u"with_words");
        if (words.trimmed().isEmpty()) {
            add(u"with_words", u"не е попълнена"_s);
        } else if (!wordsMatchAmount(words, text(u"sum"), text(u"dr"), currency)) {
            add(u"with_words", u"не отговаря на сумата %1,%2 %3"_s.arg(
                                   QString::number(*whole),
                                   QString::number(*part).rightJustified(2, u'0'), currency));
        }
    }
}

bool Checker::currencyIsSound(const KindRules &rules)
{
    const QString currency = text(u"vid");
    if (currency.isEmpty()) {
        add(u"vid", u"валутата не е посочена"_s);
        return false;
    }
    if (currency.size() != 3 || !std::all_of(currency.begin(), currency.end(),
                                             [](QChar c) { return c >= u'A' && c <= u'Z'; })) {
        add(u"vid",
            u"валутата е код от три главни латински букви, напр. EUR, а не „%1“"_s.arg(currency));
        return false;
    }
    // Leva are for documents of before the changeover; a payment made now is in euro.
    const QDate changeover(2026, 2, 1);
    const FormEntry &execution = m_content.entry(u"dateiz");
    const QDate paid = rules.execution && execution.present && dateGiven(execution)
                           ? execution.dateTime.date()
                           : m_today;
    if (currency == u"BGN" && paid >= changeover)
        add(u"vid", u"от 01.02.2026 левът не е платежно средство: превърнете документа в евро "
                    u"(„Обработване“ → „Превръщане в евро“)"_s);
    return true;
}

void Checker::subPayments()
{
    static constexpr std::array<QStringView, 4> kUnits{u"ium1", u"ium2", u"ium3", u"ium4"};
    static constexpr std::array<QStringView, 4> kCents{u"d1", u"d2", u"d3", u"d4"};
    static constexpr std::array<QStringView, 4> kReasons{u"reaso1", u"reaso2", u"reaso3",
                                                         u"reaso4"};
    static constexpr std::array<std::array<QStringView, 3>, 4> kDates{{
        {u"ddat1", u"of_dat1", u"to_dat1"},
        {u"ddat2", u"of_dat2", u"to_dat2"},
        {u"ddat3", u"of_dat3", u"to_dat3"},
        {u"ddat4", u"of_dat4", u"to_dat4"},
    }};
    qint64 leva = 0;
    qint64 stotinki = 0;
    bool sound = true;
    bool any = false;
    for (size_t k = 0; k < 4; ++k) {
        const std::optional<qint64> l = units(kUnits[k]);
        const std::optional<qint64> c = cents(kCents[k]);
        if (!l || !c) {
            sound = false;
            continue;
        }
        if (*l == 0 && *c == 0)
            continue;
        any = true;
        leva += *l;
        stotinki += *c;
        require(kReasons[k]);
        for (QStringView d : kDates[k])
            date(d);
        period(kDates[k][1], kDates[k][2]);
    }
    if (!sound)
        return;
    if (!any) {
        add(u"ium1", u"няма плащане: сумата се разпределя по плащания, попълнете поне едно"_s);
        return;
    }
    const std::optional<qint64> whole = units(u"sum");
    const std::optional<qint64> part = cents(u"dr");
    const qint64 expected = leva * 100 + stotinki;
    if (whole && part && *whole * 100 + *part != expected) {
        add(u"sum", u"не е сборът на плащанията (%1,%2)"_s.arg(
                        QString::number(expected / 100),
                        QString::number(expected % 100).rightJustified(2, u'0')));
    }
}

void Checker::date(QStringView field, bool notPast)
{
    const FormEntry &e = m_content.entry(field);
    if (!e.present || (e.dateTime.date().isValid() && !dateGiven(e)))
        return;
    const QDate day = e.dateTime.date();
    if (!day.isValid() || day < earliestDate() || day > latestDate()) {
        add(field, u"невалидна дата"_s);
        return;
    }
    if (notPast && m_today.isValid() && day < m_today)
        add(field, u"датата е минала (%1)"_s.arg(day.toString(u"dd.MM.yyyy"_s)));
}

void Checker::period(QStringView from, QStringView to)
{
    if (!dateGiven(m_content.entry(from)) || !dateGiven(m_content.entry(to)))
        return;
    const QDate a = m_content.entry(from).dateTime.date();
    const QDate b = m_content.entry(to).dateTime.date();
    if (a > b)
        add(to, u"периодът свършва преди да започне (%1 – %2)"_s.arg(a.toString(u"dd.MM.yyyy"_s),
                                                                     b.toString(u"dd.MM.yyyy"_s)));
}

std::vector<Finding> Checker::run()
{
    const KindRules *rules = rulesFor(m_content.kind);
    if (!rules) {
        add(u"Recipient_name", u"видът на документа „%1“ е непознат"_s.arg(m_content.kind));
        return m_findings;
    }
    require(u"Recipient_name");
    require(u"depositor_name");
    if (rules->recipientIban) {
        require(u"recipient_iban_number1");
        identifier(u"recipient_iban_number1", CheckIban, u"IBAN"_s);
        bank(u"rec_bic1", u"recipient_iban_number1");
    }
    if (rules->payerIban) {
        require(u"depositor_iban_number1");
        identifier(u"depositor_iban_number1", CheckIban, u"IBAN"_s);
        bank(u"dep_bic1", u"depositor_iban_number1");
    }
    if (rules->blocks)
        subPayments();
    else
        require(u"reason");
    amount(*rules);
    if (rules->budget) {
        require(u"bounder_name");
        identifier(u"boun_bulstat", CheckBulstat, u"БУЛСТАТ"_s);
        identifier(u"boun_egn", CheckEgn, u"ЕГН"_s);
        identifier(u"boun_lk", CheckLnch, u"ЛНЧ"_s);
        if (!filled(u"boun_bulstat") && !filled(u"boun_egn") && !filled(u"boun_lk"))
            add(u"boun_egn", u"попълнете ЕГН, ЛНЧ или БУЛСТАТ на задълженото лице"_s);
    }
    if (rules->authorised)
        identifier(u"recipi_egn", CheckEgn, u"ЕГН"_s);
    if (rules->execution)
        date(u"dateiz", true);
    if (rules->period) {
        date(u"d_date");
        date(u"of_date");
        date(u"to_date");
        period(u"of_date", u"to_date");
    }
    std::stable_sort(m_findings.begin(), m_findings.end(), [](const Finding &a, const Finding &b) {
        return findDocumentField(a.field)->tab < findDocumentField(b.field)->tab;
    });
    return m_findings;
}

} // namespace

std::vector<Finding> checkDocument(const FormContent &content, QDate today)
{
    return Checker(content, today).run();
}

QString fieldCaption(QStringView name)
{
    const FieldDef *def = findDocumentField(name);
    if (!def)
        return name.toString();
    QString caption = def->label.toString();
    if (caption.isEmpty()) {
        // The label on its left, which it shares.
        const FieldDef *left = nullptr;
        for (const FieldDef &d : documentFields()) {
            if (d.place.panel == def->place.panel && d.place.row == def->place.row &&
                d.place.x < def->place.x && !d.label.isEmpty() &&
                (!left || d.place.x > left->place.x))
                left = &d;
        }
        caption = left ? left->label.toString() : name.toString();
        caption += def->max == 2 ? u" – стотинки"_s : u" – номер"_s;
    }
    // A field of a sub-payment block: the block's number, as its heading shows it.
    if (def->place.panel == 4 && !caption.startsWith(u"Сума"_s))
        caption = u"Сума %1: "_s.arg(def->place.row / 5 + 1) + caption;
    return caption;
}

} // namespace formelan
