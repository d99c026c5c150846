#include "documents/output.h"

#include "base/errors.h"
#include "base/paths.h"
#include "documents/wordengine.h"
#include "form/fieldset.h"
#include "form/kinds.h"

#include <QDir>
#include <QFileInfo>

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

const QString kConsent = u"Съгласие за директен дебит"_s;
const QString kBudget = u"Бюджетно платежно нареждане"_s;
const QString kTransferSlip = u"Преводно нареждане /Вносна бележка/"_s;

// clang-format off
struct KindTemplate {
    QStringView item;
    QStringView file;
};
const std::array<KindTemplate, 7> kTemplates{{
    {u"WQ1", u"vnosna_belezhka.doc"},
    {u"N1",  u"narezhdane_razpiska.doc"},
    {u"N2",  u"kreditni_prevod.doc"},
    {u"N3",  u"direkten_debit.doc"},
    {u"N4",  u"saglasie_debit.doc"},
    {u"N5",  u"byudzhetno_narezhdane.doc"},
    {u"N6",  u"prevod_vnosna.doc"},
}};
// clang-format on

bool isAmount(QStringView name)
{
    return name == u"sum" || name == u"ium1" || name == u"ium2" || name == u"ium3" ||
           name == u"ium4";
}

bool isCents(QStringView name)
{
    return name == u"dr" || name == u"d1" || name == u"d2" || name == u"d3" || name == u"d4";
}

// The placeholder of a date field under a kind, and the form its value takes.
std::pair<QString, QString> datePlaceholder(QStringView name, const QString &kind)
{
    QString placeholder = name.toString();
    if (kind == kBudget && name == u"of_date")
        placeholder = u"ofda"_s;
    else if (kind == kBudget && name == u"to_date")
        placeholder = u"toda"_s;
    else if (kind == kTransferSlip && name == u"d_date")
        placeholder = u"doc_date"_s;
    QString form = u"ddMMyyyy"_s;
    if (placeholder == u"ofda"_s || placeholder == u"toda"_s)
        form = u"MMyy"_s;
    else if (placeholder == u"dateiz"_s || placeholder == u"d_date"_s ||
             placeholder == u"ddat1"_s || placeholder == u"ddat2"_s || placeholder == u"ddat3"_s)
        form = u"ddMMyy"_s;
    return {placeholder, form};
}

} // namespace

QString templateFor(const QString &kind, qsizetype wordsLength)
{
    const DocumentKind *k = findKind(kind);
    if (!k)
        return {};
    if (k == &defaultKind())
        return wordsLength <= 26 ? u"formuliar8.doc"_s : u"formuliar8a.doc"_s;
    for (const KindTemplate &t : kTemplates) {
        if (t.item == k->item)
            return t.file.toString();
    }
    return {};
}

namespace {

// Fills the template and writes project.doc; throws AppError when a step fails.
void fill(DocumentEngine &doc, const FormContent &content, OutputResult &result)
{
    const QString &kind = content.kind;
    const auto defs = documentFields();
    for (size_t k = 0; k < defs.size(); ++k) {
        const FieldDef &def = defs[k];
        const FormEntry &entry = content.entries.at(k);
        const QString placeholder = def.name.toString();
        switch (def.kind) {
        case FieldKind::Edit: {
            QString value = entry.text;
            if (isAmount(def.name) && value.size() < 10 && kind != kConsent)
                value = QString(10 - value.size(), u'<') + value;
            if (isCents(def.name) && value.size() < 2) {
                // The window shows the completed cents, and so does the document.
                value = u'0' + value;
                result.completedFields.emplace_back(placeholder, value);
            }
            doc.replaceAll(placeholder, value);
            break;
        }
        case FieldKind::PickList:
        case FieldKind::Memo:
            doc.replaceAll(placeholder, entry.text);
            break;
        case FieldKind::Date: {
            const auto [find, form] = datePlaceholder(def.name, kind);
            doc.replaceAll(find, entry.dateTime.date().toString(form));
            break;
        }
        case FieldKind::Check:
            doc.replaceAll(placeholder, entry.checked ? kYes.toString() : QString());
            doc.replaceAll(def.name == u"rebg" ? u"renobg"_s : u"denobg"_s,
                           entry.checked ? QString() : kYes.toString());
            break;
        }
    }
}

} // namespace

OutputResult sendToWordProcessor(const FormContent &content, const QString &formsDir,
                                 const QString &outputDir)
{
    OutputResult result;
    const QString name = templateFor(content.kind, content.text(u"with_words").size());
    if (name.isEmpty() || !QFileInfo(formsDir + u'/' + name).isFile()) {
        result.status = OutputResult::TemplateMissing;
        return result;
    }
    try {
        RtfEngine doc;
        doc.open(formsDir + u'/' + name);
        fill(doc, content, result);
        if (!QDir().mkpath(outputDir))
            throw AppError(u"Cannot create folder \"%1\"."_s.arg(displayPath(outputDir)));
        const QString project = outputDir + u"/project.doc"_s;
        doc.saveAs(project);
        doc.close();
        result.path = project;
    } catch (const AppError &e) {
        result.status = OutputResult::Failed;
        result.message = e.message();
        return result;
    }
    result.status = openWithDesktop(result.path) ? OutputResult::Done : OutputResult::NoOpener;
    return result;
}

QByteArray filledDocument(const FormContent &content, const QString &formsDir, QString *error)
{
    const auto failed = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    const QString name = templateFor(content.kind, content.text(u"with_words").size());
    if (name.isEmpty() || !QFileInfo(formsDir + u'/' + name).isFile()) {
        return failed(
            u"Бланката за формуляр \"%1\" липсва! Преинсталирайте програмата!"_s.arg(content.kind));
    }
    try {
        RtfEngine doc;
        doc.open(formsDir + u'/' + name);
        OutputResult unused; // the window's completed cents are the caller's business
        fill(doc, content, unused);
        return doc.render();
    } catch (const AppError &e) {
        return failed(e.message());
    }
}

} // namespace formelan
