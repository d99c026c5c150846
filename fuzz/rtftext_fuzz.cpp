// The RTF reader without a document behind it: tokenizer, control words, code pages
// and the reader's own state, thousands of times faster than the document target, so
// that the search reaches deep into odd inputs.
#include "rtf/rtfreader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)formelan::rtf::plainText(bytes);
    // The engine cuts the source at these spans: they must lie inside it, in order.
    qsizetype last = 0;
    for (const formelan::rtf::VisibleChar &c : formelan::rtf::visibleText(bytes)) {
        if (c.start < last || c.end < c.start || c.end > bytes.size())
            std::abort();
        last = c.end;
    }
    return 0;
}
