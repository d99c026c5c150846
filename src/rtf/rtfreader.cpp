#include "rtf/rtfreader.h"

#include "rtf/documentsink.h"
#include "rtf/reader.h"

namespace formelan::rtf {

using namespace internal;

void read(const QByteArray &rtf, QTextDocument &document)
{
    Reader reader(rtf, nullptr);
    DocumentSink sink(document, reader.colors);
    reader.setSink(&sink);
    reader.run();
}

std::vector<VisibleChar> visibleText(const QByteArray &rtf)
{
    SpanSink sink;
    Reader reader(rtf, &sink);
    reader.run();
    return std::move(sink.chars);
}

QString plainText(const QByteArray &rtf)
{
    PlainSink sink;
    Reader reader(rtf, &sink);
    reader.run();
    return sink.out;
}

} // namespace formelan::rtf
