// The currency commands: converting the document from leva to euro, and the settings
// with the currency that the document starts in.
#include "app/mainframe.h"

#include "app/settingsdialog.h"
#include "base/dialogs.h"
#include "base/settings.h"
#include "form/documentcheck.h"
#include "form/documentwindow.h"
#include "form/euro.h"
#include "form/kinds.h"

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

const QString kLev = u"BGN"_s;
const QString kEuro = u"EUR"_s;

// In the order they are written back: the sub-amounts before the total that is made of
// them.
constexpr std::array<QStringView, 10> kAmountFields{
    u"ium1", u"d1", u"ium2", u"d2", u"ium3", u"d3", u"ium4", u"d4", u"sum", u"dr",
};

QString notInLeva(const QString &currency)
{
    if (currency == kEuro)
        return u"Документът вече е в евро."_s;
    const QString only = u" В евро се превръща само документ в \"BGN\"."_s;
    if (currency.isEmpty())
        return u"Валутата на документа не е посочена."_s + only;
    return u"Документът е в \"%1\"."_s.arg(currency) + only;
}

// An amount as the clerk reads it on the form: "1234,56".
QString shownAmount(const QString &whole, const QString &cents)
{
    return (whole.isEmpty() ? u"0"_s : whole) + u',' +
           (cents.size() == 1 ? u'0' + cents
            : cents.isEmpty() ? u"00"_s
                              : cents);
}

// What the conversion is about to change, in the words of the question that asks for it.
QString conversionQuestion(const QHash<QString, QString> &before,
                           const QHash<QString, QString> &after, const QString &words,
                           bool rewritesWords)
{
    QStringList lines{
        u"Документът ще бъде превърнат от лева в евро по курс 1,95583 лв. за 1 евро:"_s};
    for (qsizetype k = 0; k + 1 < qsizetype(kAmountFields.size()); k += 2) {
        const QString whole = kAmountFields[k].toString();
        const QString cents = kAmountFields[k + 1].toString();
        if (!after.contains(whole))
            continue;
        const QString from = shownAmount(before.value(whole), before.value(cents));
        const QString to = shownAmount(after.value(whole), after.value(cents));
        if (from != to)
            lines.append(u"• %1: %2 BGN → %3 EUR"_s.arg(fieldCaption(whole), from, to));
    }
    lines.append(u"• Валута: BGN → EUR"_s);
    if (!words.trimmed().isEmpty())
        lines.append(rewritesWords
                         ? u"• %1: написва се наново, в евро"_s.arg(fieldCaption(u"with_words"))
                         : u"• %1: остава, както е написана"_s.arg(fieldCaption(u"with_words")));
    lines.append(QString());
    lines.append(u"Да бъде ли превърнат документът?"_s);
    return lines.join(u'\n');
}

} // namespace

void MainFrame::convertDocumentToEuro()
{
    DocumentWindow *doc = m_view;
    const QString currency = doc->fieldText(u"vid");
    if (currency != kLev) {
        showMessage(doc, notInLeva(currency));
        return;
    }
    QHash<QString, QString> amounts;
    for (QStringView name : kAmountFields)
        amounts.insert(name.toString(), doc->fieldText(name));
    const EuroConversion conversion = convertToEuro(amounts, doc->kind() == defaultKind().name);
    if (!conversion.ok()) {
        showMessage(doc, conversion.refusal);
        return;
    }
    // Words that the user typed, or that belong to an older amount, are theirs to keep.
    const bool clickedWords = holdsWordsOf(doc->fieldText(u"with_words"), amounts.value(u"sum"_s),
                                           amounts.value(u"dr"_s), currency);
    // Amounts change for good, so the clerk sees them before and after and may say no.
    if (dialogs().message(doc, QMessageBox::Question, programTitle(),
                          conversionQuestion(amounts, conversion.fields,
                                             doc->fieldText(u"with_words"), clickedWords),
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    for (QStringView name : kAmountFields) {
        const auto value = conversion.fields.constFind(name.toString());
        if (value == conversion.fields.cend())
            continue;
        // The total of the sub-amounts may have one digit of cents, as leaving a
        // sub-amount writes it; a conversion writes two, as the bank's form shows them,
        // so that "4" cents cannot be read as forty.
        if (name == u"dr" && value->size() == 1)
            doc->setFieldText(name, u'0' + *value);
        else
            doc->setFieldText(name, *value);
    }
    doc->setFieldText(u"vid", kEuro);
    if (clickedWords)
        doc->fillAmountInWords(doc->control(u"with_words"));
}

void MainFrame::fillWordsOfDocument()
{
    // The amount being typed counts: its field is completed first, as leaving it would.
    m_view->finishEditing();
    m_view->fillAmountInWords(m_view->control(u"with_words"));
}

void MainFrame::editSettings()
{
    SettingsDialog dialog(loadSettings(), loadBookPlace(), this);
    if (dialogs().runDialog(dialog) != QDialog::Accepted)
        return;
    if (const std::optional<QString> error = saveSettings(dialog.settings()))
        showErrorBox(*error);
    // The books are opened anew, without a restart, when their place changed.
    useBookPlace(dialog.bookPlace());
}

} // namespace formelan
