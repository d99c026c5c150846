#include "documents/wordoutput.h"

#include "app/dialogs.h"
#include "app/errors.h"
#include "app/paths.h"
#include "documents/wordengine.h"
#include "form/fieldset.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"
#include "form/mainview.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

QString g_outputOverride;

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

QString outputDir()
{
    if (!g_outputOverride.isEmpty())
        return g_outputOverride;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           u"/Formelan/Projects"_s;
}

void setOutputDirForTesting(const QString &dir)
{
    g_outputOverride = dir;
}

void sendToWordProcessor(TMainView &view, std::unique_ptr<DocumentEngine> &wordApp)
{
    const QString forms = dataDir() + u"/forms/"_s;
    const QString output = outputDir();
    wordApp = std::make_unique<RtfEngine>();

    const QString kind = view.kind();
    const QString name = templateFor(kind, fieldText(view.control(u"with_words")).size());
    if (name.isEmpty() || !QFileInfo(forms + name).isFile()) {
        wordApp.reset();
        showMessage(&view, u"Бланката за формуляр \""_s + kind +
                               u"\" липсва! Преинсталирайте програмата!"_s);
        return;
    }
    DocumentEngine &doc = *wordApp;
    doc.open(forms + name);

    for (const FieldDef &def : documentFields()) {
        QWidget *w = view.control(def.name);
        const QString placeholder = def.name.toString();
        switch (def.kind) {
        case FieldKind::Edit: {
            QString value = fieldText(w);
            if (isAmount(def.name) && value.size() < 10 && kind != kConsent)
                value = QString(10 - value.size(), u'<') + value;
            if (isCents(def.name) && value.size() < 2) {
                // The window shows the completed cents, and so does the document.
                value = u'0' + value;
                setFieldText(w, value);
            }
            doc.replaceAll(placeholder, value);
            break;
        }
        case FieldKind::PickList:
        case FieldKind::Memo:
            doc.replaceAll(placeholder, fieldText(w));
            break;
        case FieldKind::Date: {
            const auto [find, form] = datePlaceholder(def.name, kind);
            doc.replaceAll(find, static_cast<QDateTimeEdit *>(w)->date().toString(form));
            break;
        }
        case FieldKind::Check: {
            const bool checked = fieldChecked(w);
            doc.replaceAll(placeholder, checked ? u"да"_s : QString());
            doc.replaceAll(def.name == u"rebg" ? u"renobg"_s : u"denobg"_s,
                           checked ? QString() : u"да"_s);
            break;
        }
        }
    }

    if (!QDir().mkpath(output))
        throw AppError(u"Cannot create folder \"%1\"."_s.arg(QDir::toNativeSeparators(output)));
    const QString project = output + u"/project.doc"_s;
    doc.saveAs(project);
    doc.close();
    if (!doc.show(project))
        showMessage(&view, u"Документът е записан в \"%1\", но няма програма, която да го "
                           u"отвори. Отворете го с текстообработваща програма."_s.arg(
                               QDir::toNativeSeparators(project)));
}

} // namespace formelan
