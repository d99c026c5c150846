#include "documents/wordengine.h"

#include "base/errors.h"
#include "base/files.h"
#include "rtf/rtfreader.h"

#include <QStringEncoder>

#include <algorithm>

namespace formelan {

using namespace Qt::StringLiterals;

QByteArray rtfValue(const QString &value)
{
    QByteArray out = "{\\uc1 ";
    QStringEncoder encoder("windows-1251");
    for (QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u == u'\n' || u == QChar::LineSeparator || u == QChar::ParagraphSeparator) {
            out += "\\line ";
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u < 0x20 || u == 0x7f) {
            continue; // no other control character belongs in a document
        } else if (u < 0x80) {
            out += char(u);
        } else {
            const QByteArray fallback = encoder.encode(QString(c));
            const bool ok = !encoder.hasError() && fallback.size() == 1;
            encoder.resetState();
            out += "\\u" + QByteArray::number(u > 32767 ? int(u) - 65536 : int(u));
            out += ok ? "\\'" + QByteArray::number(uchar(fallback[0]), 16).rightJustified(2, '0')
                      : QByteArray("?");
        }
    }
    out += '}';
    return out;
}

void RtfEngine::open(const QString &path)
{
    // A template is a few kilobytes; anything near this is no template.
    FileRead file = readWholeFile(path, 64 * 1024 * 1024);
    if (!file.error.isEmpty())
        throw AppError(file.error);
    m_source = std::move(file.bytes);
    m_text.clear();
    m_spans.clear();
    m_edits.clear();
    const std::vector<rtf::VisibleChar> chars = rtf::visibleText(m_source);
    m_text.reserve(qsizetype(chars.size()));
    for (const rtf::VisibleChar &c : chars) {
        m_text += c.ch;
        m_spans.push_back({c.start, c.end});
    }
    m_used.assign(m_spans.size(), false);
    m_open = true;
}

void RtfEngine::replaceAll(const QString &find, const QString &replacement)
{
    if (!m_open || find.isEmpty())
        return;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = m_text.indexOf(find, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        const auto begin = m_used.begin() + at;
        if (std::any_of(begin, begin + find.size(), [](bool used) { return used; })) {
            from = at + 1;
            continue;
        }
        std::fill(begin, begin + find.size(), true);
        m_edits.push_back({at, find.size(), replacement});
        from = at + find.size();
    }
}

QByteArray RtfEngine::render() const
{
    // Byte ranges of the source to put something else in place of.
    struct Cut {
        qsizetype start;
        qsizetype end;
        QByteArray with;
    };
    std::vector<Cut> cuts;
    for (const Edit &e : m_edits) {
        for (qsizetype i = 0; i < e.count; ++i) {
            const Span &s = m_spans[size_t(e.first + i)];
            cuts.push_back({s.start, s.end, i == 0 ? rtfValue(e.value) : QByteArray()});
        }
    }
    std::sort(cuts.begin(), cuts.end(),
              [](const Cut &a, const Cut &b) { return a.start < b.start; });
    QByteArray out;
    out.reserve(m_source.size() + 1024);
    qsizetype at = 0;
    for (const Cut &c : cuts) {
        out += m_source.mid(at, c.start - at);
        out += c.with;
        at = c.end;
    }
    out += m_source.mid(at);
    return out;
}

void RtfEngine::saveAs(const QString &path)
{
    if (const std::optional<QString> error = writeFileAtomically(path, render()))
        throw AppError(*error);
}

void RtfEngine::close()
{
    m_open = false;
}

} // namespace formelan
