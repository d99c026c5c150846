#include "base/errors.h"

namespace formelan {

QString errorBoxText(const QString &message)
{
    if (message.isEmpty())
        return message;
    // Every character outside ASCII lies above 0x7F in Windows-1251, after '.'.
    const char16_t last = message.back().unicode();
    if (last > u'.')
        return message + QLatin1Char('.');
    return message;
}

} // namespace formelan
