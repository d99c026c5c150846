// Any bytes either read as a form file or are refused with a message; never a
// crash, a hang or a sanitizer report.
#include "base/errors.h"
#include "documents/formfile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const formelan::FormContent content = formelan::parseForm(bytes);
        // What was read must write out again (or say why it cannot).
        (void)formelan::formatForm(content, u',');
    } catch (const formelan::AppError &) {
    }
    return 0;
}
