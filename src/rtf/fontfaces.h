#pragma once

#include <QString>
#include <QStringList>

namespace formelan::rtf {

// The faces of the same widths as a face that documents name (Arial, Courier New,
// Times New Roman and their older names), best first, the face itself at the head;
// empty for a face we know no such faces of.
QStringList metricCompatibleFaces(const QString &face);

// The face to set a document's named face in, from the faces installed: the first
// installed of its metric-compatible faces. `compatible` is false when none is
// installed, and the named face is then left to the font system's own fallback.
struct FaceChoice {
    QString family;
    bool compatible = true;
};
FaceChoice chooseFace(const QString &face, const QStringList &installed);

// The Debian package that brings metric-compatible faces for all three.
inline constexpr char16_t kCompatibleFontsPackage[] = u"fonts-liberation2";

} // namespace formelan::rtf
