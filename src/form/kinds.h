#pragma once

#include <QSize>
#include <QStringView>

#include <span>

namespace formelan {

// A document kind: the caption of its menu item, which becomes the document
// window's caption, the panel it shows beside the main column and the window size
// it asks for.
struct DocumentKind {
    QStringView item;
    QStringView name;
    int panel; // 0: none
    QSize size;
};

std::span<const DocumentKind> documentKinds();
// The kind of that exact name (case-sensitive), or nullptr.
const DocumentKind *findKind(QStringView name);
const DocumentKind &defaultKind();

} // namespace formelan
