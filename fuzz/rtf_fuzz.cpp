// Any bytes read as RTF: never a crash, a hang or a sanitizer report.
#include "rtf/rtfreader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

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
    QTextDocument doc;
    formelan::rtf::read(bytes, doc);
    return 0;
}
