#include "form/formcontent.h"

#include "form/fieldset.h"

namespace formelan {

const FormEntry &FormContent::entry(QStringView name) const
{
    return entries.at(size_t(documentFieldIndex(name)));
}

FormEntry &FormContent::entry(QStringView name)
{
    return entries.at(size_t(documentFieldIndex(name)));
}

} // namespace formelan
