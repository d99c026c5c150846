#include "rtf/fontfaces.h"

using namespace Qt::StringLiterals;

namespace formelan::rtf {

namespace {

struct Faces {
    const char16_t *const names[3]; // what a document may call the face
    const char16_t *const compatible[4];
};

// Liberation first (the widths of the named face, made for it), then Google's
// ChromeOS faces of the same design, then URW's faces that ghostscript brings.
const Faces kFaces[] = {
    {{u"Arial", u"Helvetica", nullptr},
     {u"Liberation Sans", u"Arimo", u"Nimbus Sans", u"Nimbus Sans L"}},
    {{u"Courier New", u"Courier", nullptr},
     {u"Liberation Mono", u"Cousine", u"Nimbus Mono PS", u"Nimbus Mono L"}},
    {{u"Times New Roman", u"Times", nullptr},
     {u"Liberation Serif", u"Tinos", u"Nimbus Roman", u"Nimbus Roman No9 L"}},
};

} // namespace

QStringList metricCompatibleFaces(const QString &face)
{
    const QString wanted = face.trimmed();
    for (const Faces &f : kFaces) {
        for (const char16_t *name : f.names) {
            if (!name || wanted.compare(QStringView(name), Qt::CaseInsensitive) != 0)
                continue;
            QStringList out{wanted};
            for (const char16_t *c : f.compatible)
                out.append(QString::fromUtf16(c));
            return out;
        }
    }
    return {};
}

FaceChoice chooseFace(const QString &face, const QStringList &installed)
{
    const QStringList candidates = metricCompatibleFaces(face);
    if (candidates.isEmpty())
        return {face, true};
    for (const QString &c : candidates) {
        if (installed.contains(c, Qt::CaseInsensitive))
            return {c, true};
    }
    return {face, false};
}

} // namespace formelan::rtf
