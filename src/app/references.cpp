#include "app/references.h"

#include "form/banks.h"

#include <QLocale>

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

using enum ReferenceDoc::Source;

// The BNB's page of payment regulations lists the ordinance and its instructions; the
// program carries no copy that could fall out of date.
// clang-format off
constexpr std::array<ReferenceDoc, 7> kReferences{{
    {u"N21", u"Указания за попълване на платежни документи", Elsewhere, {},
     u"Действащите нормативни актове и указания на БНБ за платежните системи са "
     u"публикувани на страницата на БНБ:\n"
     u"https://bnb.bg/AboutUs/AULegalFramework/AUNationalLegalFramework/AULFSearch/"
     u"index.htm?dRubric=Payment%20System"},
    {u"N15", u"Наредба 3 за паричните преводи и платежните системи", Elsewhere, {},
     u"Действащият текст на Наредба № 3 на БНБ от 18 април 2018 г. за условията и реда за "
     u"откриване на платежни сметки, за изпълнение на платежни операции и за използване на "
     u"платежни инструменти е публикуван на страницата на БНБ:\n"
     u"https://bnb.bg/AboutUs/AULegalFramework/AUNationalLegalFramework/AULFSearch/"
     u"index.htm?dRubric=Payment%20System"},
    {u"N22", u"Банкови кодове на търговските банки", BankListPage, {}, {}},
    {u"N23", u"Банкови сметки на НАП", Elsewhere, {},
     u"Програмата не разполага с публикуван от НАП списък на сметките, валиден след "
     u"въвеждането на еврото. Актуалните сметки за плащане към НАП са на страницата на "
     u"агенцията: https://nra.bg"},
    {u"N24", u"Кодове за вид плащане на НАП", Shipped, u"napcodes.html",
     u"Кодовете за вид плащане публикува НАП на страницата си: https://nra.bg"},
    {u"Z1",  u"Банкови сметки на държавни ведомства и НОИ", Elsewhere, {},
     u"Програмата не разполага с проверен публичен източник за тях. Поискайте актуалната "
     u"сметка от получателя на плащането."},
    {u"N26", u"Параграфи на НОИ", Elsewhere, {},
     u"Програмата не разполага с проверен публичен източник за тях. Поискайте актуалните "
     u"данни от НОИ."},
}};
// clang-format on

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace

std::span<const ReferenceDoc> referenceDocs()
{
    return kReferences;
}

QString bankListHtml(const BankList &list, const QStringList &madeFrom, const QDateTime &made)
{
    QString html = uR"(<!DOCTYPE html>
<html lang="bg">
<head>
<meta charset="utf-8">
<title>Банкови кодове на търговските банки</title>
<style>
body { font-family: sans-serif; margin: 2em; color: #000; }
h1 { font-size: 1.4em; }
h2 { font-size: 1.1em; margin-top: 1.5em; color: #00468c; }
table { border-collapse: collapse; width: 100%; max-width: 50em; }
th, td { text-align: left; padding: 0.2em 0.6em; border-bottom: 1px solid #bbb; }
td.code { font-family: monospace; white-space: nowrap; }
.note { color: #444; font-size: 0.9em; }
@media print { body { margin: 0; } h2 { break-after: avoid; } tr { break-inside: avoid; } }
</style>
</head>
<body>
<h1>Банкови кодове на търговските банки</h1>
)"_s;
    html += u"<p class=\"note\">Списъкът, по който програмата попълва банката по IBAN и който "
            u"показва изборът на банков код, към %1. Банковият код в IBAN (знаци 5 до 8) е "
            u"началото на BIC на банката. Меродавен е регистърът на банките, публикуван от "
            u"Българската народна банка; проверете кода там, ако се съмнявате. Публичните "
            u"източници на доставения списък и датите на справките са описани в "
            u"docs/banks.md в изходния код на програмата.</p>\n"_s.arg(
                escaped(QLocale(QLocale::Bulgarian).toString(made, u"d MMMM yyyy, HH:mm"_s)));
    html += u"<p class=\"note\">Прочетен от:"_s;
    for (const QString &file : madeFrom)
        html += u"<br>\n"_s + escaped(file);
    html += u"</p>\n"_s;
    // Each group once, in the order it first appears, as the bank code chooser shows it.
    QStringList groups;
    for (const Bank &bank : list.banks()) {
        if (!groups.contains(bank.group))
            groups.append(bank.group);
    }
    for (const QString &group : std::as_const(groups)) {
        html += u"<h2>"_s + escaped(group) +
                u"</h2>\n<table>\n<thead><tr><th>Банка</th><th>BIC</th>"
                u"<th>Банков код в IBAN</th></tr></thead>\n<tbody>\n"_s;
        for (const Bank &bank : list.banks()) {
            if (bank.group != group)
                continue;
            html +=
                u"<tr><td>%1</td><td class=\"code\">%2</td><td class=\"code\">%3</td></tr>\n"_s.arg(
                    escaped(bank.name), escaped(bank.bic), escaped(bank.bic.first(4)));
        }
        html += u"</tbody>\n</table>\n"_s;
    }
    return html + u"</body>\n</html>\n"_s;
}

} // namespace formelan
