#include "documents/output.h"

#include "base/errors.h"
#include "base/files.h"
#include "base/paths.h"
#include "documents/wordengine.h"
#include "form/fieldset.h"
#include "form/kinds.h"

#include <QDir>
#include <QFile>
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

// The placeholder of a date field under a kind.
QString datePlaceholder(QStringView name, const QString &kind)
{
    if (kind == kBudget && name == u"of_date")
        return u"ofda"_s;
    if (kind == kBudget && name == u"to_date")
        return u"toda"_s;
    if (kind == kTransferSlip && name == u"d_date")
        return u"doc_date"_s;
    return name.toString();
}

// The eighth kind's payment a field belongs to (1 to 4), or 0.
int blockOf(QStringView name)
{
    static const QStringList stems{u"ium"_s, u"d"_s,         u"kindp"_s, u"reaso"_s,  u"descript"_s,
                                   u"v"_s,   u"doc_numbe"_s, u"ddat"_s,  u"of_dat"_s, u"to_dat"_s};
    const QChar last = name.isEmpty() ? QChar() : name.back();
    if (last < u'1' || last > u'4')
        return 0;
    return stems.contains(name.chopped(1).toString()) ? last.digitValue() : 0;
}

// A payment of the eighth kind is used once any of its fields holds more than a new
// document does: an amount, a code, a word or a date.
bool blockUsed(const FormContent &content, int block)
{
    const auto defs = documentFields();
    for (size_t k = 0; k < defs.size(); ++k) {
        const FieldDef &def = defs[k];
        if (blockOf(def.name) != block)
            continue;
        const FormEntry &entry = content.entries.at(k);
        const QString text = entry.text.trimmed();
        const bool zero = isAmount(def.name) || isCents(def.name);
        if (def.kind == FieldKind::Date ? dateGiven(entry)
            : zero                      ? text.count(u'0') != text.size()
                                        : !text.isEmpty())
            return true;
    }
    return false;
}

// A payment between two local persons leaves the section on local and foreign persons
// empty: its marks print once a party is foreign or anything of the section is filled.
bool crossBorder(const FormContent &content)
{
    if (!content.entry(u"rebg").checked || !content.entry(u"debg").checked)
        return true;
    for (QStringView name : {u"recipient_country", u"recipient_add", u"depositor_country",
                             u"depositor_add", u"econ_descript", u"bnb_number"}) {
        if (!content.text(name).trimmed().isEmpty())
            return true;
    }
    return false;
}

// The budget forms begin "Основание" with the obligated person's identifier in 13
// positions: a ЕИК/БУЛСТАТ, an ЕГН, or an ЛНЧ after the letters "LNC".
QString obligatedIdentifier(const FormContent &content)
{
    if (const QString id = content.text(u"boun_bulstat").trimmed(); !id.isEmpty())
        return id;
    if (const QString id = content.text(u"boun_egn").trimmed(); !id.isEmpty())
        return id;
    if (const QString id = content.text(u"boun_lk").trimmed(); !id.isEmpty())
        return u"LNC"_s + id;
    return {};
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

// "5" becomes "05", "" becomes "00", as leaving a cents field completes it.
QString completedCents(const QString &text)
{
    if (text.size() >= 2)
        return text;
    return QString(2 - text.size(), u'0') + text;
}

// Replaces every placeholder of the open template by its value; throws AppError when
// a step fails.
void fill(DocumentEngine &doc, const FormContent &content)
{
    const QString &kind = content.kind;
    const bool marks = crossBorder(content);
    std::array<bool, 5> used{true, true, true, true, true};
    for (int b = 1; b <= 4; ++b)
        used[size_t(b)] = blockUsed(content, b);
    const auto defs = documentFields();
    for (size_t k = 0; k < defs.size(); ++k) {
        const FieldDef &def = defs[k];
        const FormEntry &entry = content.entries.at(k);
        const QString placeholder = def.name.toString();
        if (!used[size_t(blockOf(def.name))]) {
            doc.replaceAll(def.kind == FieldKind::Date ? datePlaceholder(def.name, kind)
                                                       : placeholder,
                           QString());
            continue;
        }
        switch (def.kind) {
        case FieldKind::Edit: {
            QString value = entry.text;
            if (isAmount(def.name) && value.size() < 10 && kind != kConsent)
                value = QString(10 - value.size(), u'<') + value;
            // The document shows the cents as the window does once they are left.
            if (isCents(def.name))
                value = completedCents(value);
            doc.replaceAll(placeholder, value);
            break;
        }
        case FieldKind::PickList:
        case FieldKind::Memo:
            doc.replaceAll(placeholder, entry.text);
            break;
        case FieldKind::Date:
            // Every date prints in full, day, month and four-digit year, as the forms'
            // eight boxes take it; a date not given prints nothing.
            doc.replaceAll(datePlaceholder(def.name, kind),
                           dateGiven(entry) ? entry.dateTime.date().toString(u"ddMMyyyy"_s)
                                            : QString());
            break;
        case FieldKind::Check: {
            const bool yes = marks && entry.checked;
            const bool no = marks && !entry.checked;
            doc.replaceAll(placeholder, yes ? kYes.toString() : QString());
            doc.replaceAll(def.name == u"rebg" ? u"renobg"_s : u"denobg"_s,
                           no ? kYes.toString() : QString());
            break;
        }
        }
    }
    doc.replaceAll(u"obligated_id"_s, obligatedIdentifier(content));
}

// Every RTF file begins so; a Word binary document, a .docx (a zip) or a text file
// would be copied unfilled.
bool isRtf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(5) == "{\\rtf";
}

bool templateExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// The file that a new document goes to: project.doc, or when a word processor holds
// it open, project-2.doc, project-3.doc … the first not held open.
QString outputFile(const QString &outputDir)
{
    const QString first = outputDir + u"/project.doc"_s;
    if (!isHeldOpen(first))
        return first;
    for (int n = 2;; ++n) {
        const QString next = outputDir + u"/project-%1.doc"_s.arg(n);
        if (!isHeldOpen(next))
            return next;
    }
}

} // namespace

QString templatePath(const FormContent &content, const QString &formsDir)
{
    const QString name = templateFor(content.kind, content.text(u"with_words").size());
    return name.isEmpty() ? QString() : formsDir + u'/' + name;
}

QString missingTemplateMessage(const QString &kind)
{
    return u"Бланката за формуляр \""_s + kind + u"\" липсва! Преинсталирайте програмата!"_s;
}

std::vector<std::pair<QString, QString>> centsCompletions(const FormContent &content)
{
    std::vector<std::pair<QString, QString>> out;
    for (QStringView name : {u"dr", u"d1", u"d2", u"d3", u"d4"}) {
        const QString &text = content.text(name);
        if (text.size() < 2)
            out.emplace_back(name.toString(), completedCents(text));
    }
    return out;
}

QByteArray filledDocument(const FormContent &content, const QString &formsDir, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    const QString path = templatePath(content, formsDir);
    if (!templateExists(path))
        return fail(missingTemplateMessage(content.kind));
    if (!isRtf(path))
        return fail(u"Бланката „%1“ не е RTF документ и не може да бъде попълнена. Запишете "
                    u"я във формат RTF или преинсталирайте програмата."_s.arg(displayPath(path)));
    try {
        RtfEngine doc;
        doc.open(path);
        fill(doc, content);
        QByteArray out = doc.render();
        doc.close();
        return out;
    } catch (const AppError &e) {
        return fail(e.message());
    }
}

bool isHeldOpen(const QString &path)
{
    const QFileInfo info(path);
    const QString dir = info.absolutePath() + u'/';
    const QString name = info.fileName();
    // Word names its owner file after the document, shortened by one or two letters
    // for longer names; any of the three means the document is open.
    const QStringList locks{u".~lock."_s + name + u'#', u"~$"_s + name, u"~$"_s + name.mid(1),
                            u"~$"_s + name.mid(2)};
    for (const QString &lock : locks) {
        if (QFileInfo::exists(dir + lock))
            return true;
    }
    return false;
}

OutputResult sendToWordProcessor(const FormContent &content, const QString &formsDir,
                                 const QString &outputDir)
{
    OutputResult result;
    if (!templateExists(templatePath(content, formsDir))) {
        result.status = OutputResult::TemplateMissing;
        return result;
    }
    result.completedFields = centsCompletions(content);
    QString error;
    const QByteArray filled = filledDocument(content, formsDir, &error);
    if (filled.isEmpty()) {
        result.message = error;
        return result;
    }
    if (!QDir().mkpath(outputDir)) {
        result.message = u"Папката „%1“ не може да бъде създадена."_s.arg(displayPath(outputDir));
        return result;
    }
    const QString target = outputFile(outputDir);
    if (const auto failure = writeFileAtomically(target, filled)) {
        result.message = *failure;
        return result;
    }
    result.path = target;
    if (target != outputDir + u"/project.doc"_s)
        result.heldOpen = outputDir + u"/project.doc"_s;
    result.status = openWithDesktop(result.path) ? OutputResult::Done : OutputResult::NoOpener;
    return result;
}

} // namespace formelan
