// Any bytes read as RTF: never a crash, a hang or a sanitizer report.
#include "rtf/rtfreader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Qt keeps fontconfig's font sets to the end of the program, on purpose.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

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
    // One document read into again and again, as the bank code chooser does.
    static QTextDocument doc;
    formelan::rtf::read(bytes, doc);
    // Small tables are laid out too, where their grids, merged cells and row heights
    // meet Qt's layout; laying out everything would slow the search down fivefold.
    if (size <= 512 && bytes.contains("\\cell")) {
        doc.setTextWidth(600);
        formelan::rtf::fitToDevice(doc);
        (void)doc.size();
    }
    return 0;
}
