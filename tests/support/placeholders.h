#pragma once

#include "form/fieldset.h"

#include <QStringList>

namespace formelan::test {

// Every name the output replaces under some kind: the fields' own names and the
// substitutes (dates of a kind, a check box's "no", the obligated person's identifier).
inline QStringList placeholderNames()
{
    using namespace Qt::StringLiterals;
    QStringList names{u"ofda"_s,   u"toda"_s,   u"doc_date"_s,
                      u"renobg"_s, u"denobg"_s, u"obligated_id"_s};
    for (const FieldDef &def : documentFields())
        names.append(def.name.toString());
    return names;
}

} // namespace formelan::test
