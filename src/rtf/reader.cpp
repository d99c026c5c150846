#include "rtf/reader.h"

#include <algorithm>

namespace formelan::rtf::internal {

namespace {

QByteArray codecName(int codePage)
{
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 10000:
        return "macintosh";
    default:
        return "windows-" + QByteArray::number(codePage);
    }
}

} // namespace

QStringDecoder *Reader::decoder(int cp)
{
    auto it = m_decoders.find(cp);
    if (it == m_decoders.end()) {
        const QByteArray name = codecName(cp);
        auto dec = std::make_shared<QStringDecoder>(name.constData());
        if (!dec->isValid())
            dec = std::make_shared<QStringDecoder>("windows-1251");
        it = m_decoders.insert(cp, dec);
    }
    return it->get();
}

// A font's own character set comes first, then the document's code page, then the
// character set the header names; a file that declares none is taken for Cyrillic.
int Reader::codePage()
{
    if (st().codePage > 0)
        return st().codePage;
    const int index = st().style.font >= 0 ? st().style.font : m_info.defaultFont;
    const auto font = m_info.fonts.constFind(index);
    const bool hasFont = font != m_info.fonts.cend();
    if (hasFont && font->codePage > 0)
        return font->codePage;
    if (m_ansiCodePage > 0)
        return m_ansiCodePage;
    if (hasFont && font->ansi)
        return 1252;
    if (m_charsetCodePage > 0)
        return m_charsetCodePage;
    return kFallbackCodePage;
}

// A run collects text of one formatting; a change of formatting hands it on.
void Reader::startRun()
{
    const bool pending = !m_run.isEmpty() || !m_bytes.isEmpty();
    if (pending && m_runState.style == st().style && m_runState.inTable == st().inTable &&
        m_runState.para == st().para)
        return;
    if (pending)
        flush();
    m_runState = st();
}

void Reader::decodeBytes()
{
    if (!m_bytes.isEmpty()) {
        m_run += decoder(m_bytesCodePage)->decode(m_bytes);
        m_bytes.clear();
    }
}

void Reader::emitText(const QString &s)
{
    if (s.isEmpty())
        return;
    startRun();
    decodeBytes();
    m_run += s;
}

void Reader::emitBytes(const char *data, qsizetype len)
{
    startRun();
    const int cp = codePage();
    if (cp != m_bytesCodePage)
        decodeBytes();
    m_bytesCodePage = cp;
    m_bytes.append(data, len);
}

void Reader::reportPending()
{
    if (m_hasPending && m_sink->wantsSpans())
        m_sink->span(m_pendingChar, m_pendingStart, m_pendingEnd);
    m_hasPending = false;
}

// One fallback character of a \uN passed over; it belongs to the \uN's span.
void Reader::skipOne(qsizetype end)
{
    --m_skip;
    m_pendingEnd = end;
    if (m_skip == 0)
        reportPending();
}

QChar Reader::byteChar(char byte)
{
    const QString s = decoder(codePage())->decode(QByteArrayView(&byte, 1));
    return s.isEmpty() ? QChar(QChar::ReplacementCharacter) : s.front();
}

void Reader::flush()
{
    decodeBytes();
    if (!m_run.isEmpty())
        m_sink->text(m_run, m_runState);
    m_run.clear();
}

void Reader::endGroup()
{
    m_skip = 0;
    if (m_extraDepth > 0) {
        --m_extraDepth;
        return;
    }
    if (m_stack.size() <= 1)
        return; // an unbalanced brace closes nothing
    if (st().dest == Dest::FontTable && m_fontEntry >= 0 && m_stack.size() == m_fontEntryDepth)
        fontName(";", 1); // an entry that lacks its semicolon ends with its group
    m_stack.pop_back();
}

void Reader::fontTableWord(W w, const Token &t)
{
    if (w == W::Font) {
        m_fontEntry = t.hasParam ? t.param : -1;
        m_fontEntryDepth = m_stack.size();
        if (m_fontEntry >= 0 && !m_info.fonts.contains(m_fontEntry) && m_info.fonts.size() < 4096)
            m_info.fonts.insert(m_fontEntry, Font());
        return;
    }
    const auto font = m_info.fonts.find(m_fontEntry);
    if (font == m_info.fonts.end())
        return;
    switch (w) {
    case W::Charset: {
        const int cp = charsetCodePage(t.param);
        if (cp > 0)
            font->codePage = cp;
        font->ansi = t.param == 0;
        break;
    }
    case W::Cpg:
        if (t.param > 0)
            font->codePage = t.param;
        break;
    case W::FamilyNil:
    case W::FamilyRoman:
    case W::FamilySwiss:
    case W::FamilyModern:
    case W::FamilyScript:
    case W::FamilyDecor:
    case W::FamilyTech:
        font->family = int(w) - int(W::FamilyNil);
        break;
    default:
        break;
    }
}

// A font's name runs up to its semicolon; it is decoded in the font's own code page.
void Reader::fontName(const char *data, qsizetype len)
{
    const auto font = m_info.fonts.find(m_fontEntry);
    if (font == m_info.fonts.end())
        return;
    for (qsizetype i = 0; i < len; ++i) {
        if (data[i] == ';') {
            int cp = font->codePage > 0 ? font->codePage : m_ansiCodePage;
            if (cp <= 0)
                cp = font->ansi              ? 1252
                     : m_charsetCodePage > 0 ? m_charsetCodePage
                                             : kFallbackCodePage;
            font->name = QString(decoder(cp)->decode(font->nameBytes)).trimmed();
            font->nameBytes.clear();
            m_fontEntry = -1;
            return;
        }
        if (font->nameBytes.size() < 256)
            font->nameBytes.append(data[i]);
    }
}

void Reader::word(const Token &t)
{
    const W w = lookup(t);
    const int p = t.param;
    State &s = st();
    if (m_skip > 0 && w != W::U) {
        skipOne(t.start + t.length); // a control word counts as one fallback character
        return;
    }
    switch (w) {
    case W::FontTable:
        flush();
        s.dest = Dest::FontTable;
        return;
    case W::ColorTable:
        flush();
        s.dest = Dest::ColorTable;
        return;
    case W::FieldInstruction:
        flush();
        s.dest = Dest::FieldInstruction;
        return;
    case W::Skipped:
        flush();
        s.dest = Dest::Skip;
        return;
    default:
        break;
    }
    if (s.dest == Dest::Skip || s.dest == Dest::FieldInstruction)
        return;
    if (s.dest == Dest::FontTable) {
        fontTableWord(w, t);
        return;
    }
    if (s.dest == Dest::ColorTable) {
        if (w == W::Red)
            m_red = p, m_colorSet = true;
        else if (w == W::Green)
            m_green = p, m_colorSet = true;
        else if (w == W::Blue)
            m_blue = p, m_colorSet = true;
        return;
    }

    if (pageWord(w, t) || tableWord(w, t))
        return;

    switch (w) {
    case W::Ansi:
        m_charsetCodePage = 1252;
        break;
    case W::Mac:
        m_charsetCodePage = 10000;
        break;
    case W::Pc:
        m_charsetCodePage = 437;
        break;
    case W::Pca:
        m_charsetCodePage = 850;
        break;
    case W::AnsiCpg:
        if (p > 0)
            m_ansiCodePage = p;
        break;
    case W::Deff:
        m_info.defaultFont = p;
        break;
    case W::DefaultTab:
        if (p > 0)
            m_info.defaultTab = std::min(p, kMaxTwips);
        break;
    case W::Uc:
        s.uc = std::clamp(p, 0, 16);
        break;
    case W::U:
        if (t.hasParam) {
            reportPending();
            m_skip = 0;
            const QChar c(char16_t(p < 0 ? p + 65536 : p));
            emitText(QString(c));
            m_skip = s.uc;
            m_hasPending = true;
            m_pendingChar = c;
            m_pendingStart = t.start;
            m_pendingEnd = t.start + t.length;
            if (m_skip == 0)
                reportPending();
        }
        break;
    case W::Par:
        flush();
        m_sink->paragraph(s);
        span(u'\n', t);
        break;
    case W::Page:
        // A page break ends the paragraph; what follows starts a page.
        flush();
        m_sink->paragraph(s);
        m_sink->pageBreak();
        span(u'\n', t);
        break;
    case W::Line:
        emitText(QString(QChar::LineSeparator));
        span(u'\n', t);
        break;
    case W::Tab:
        emitText(QStringLiteral("\t"));
        span(u'\t', t);
        break;
    case W::EmDash:
        emitText(QString(QChar(0x2014)));
        break;
    case W::EnDash:
        emitText(QString(QChar(0x2013)));
        break;
    case W::Bullet:
        emitText(QString(QChar(0x2022)));
        break;
    case W::LQuote:
        emitText(QString(QChar(0x2018)));
        break;
    case W::RQuote:
        emitText(QString(QChar(0x2019)));
        break;
    case W::LDblQuote:
        emitText(QString(QChar(0x201C)));
        break;
    case W::RDblQuote:
        emitText(QString(QChar(0x201D)));
        break;
    case W::Plain:
        s.style = CharStyle();
        break;
    case W::Bold:
        s.style.bold = !t.hasParam || p != 0;
        break;
    case W::Italic:
        s.style.italic = !t.hasParam || p != 0;
        break;
    case W::Underline:
        s.style.underline = !t.hasParam || p != 0;
        break;
    case W::UnderlineNone:
        s.style.underline = false;
        break;
    case W::FontSize:
        if (t.hasParam && p > 0)
            s.style.halfPoints = p;
        break;
    case W::Color:
        s.style.color = std::max(0, p);
        break;
    case W::Font:
        s.style.font = p;
        break;
    case W::Cpg:
        s.codePage = p > 0 ? p : 0;
        break;
    case W::Pard:
        s.para = ParaStyle();
        s.inTable = false;
        m_border = nullptr;
        break;
    case W::InTable:
        s.inTable = true;
        break;
    case W::TableLevel:
        s.inTable = p > 0;
        break;
    case W::AlignLeft:
        s.para.align = Qt::AlignLeft;
        break;
    case W::AlignCenter:
        s.para.align = Qt::AlignHCenter;
        break;
    case W::AlignRight:
        s.para.align = Qt::AlignRight;
        break;
    case W::Justify:
        s.para.align = Qt::AlignJustify;
        break;
    case W::SpaceBefore:
        s.para.spaceBefore = std::clamp(p, 0, kMaxTwips);
        break;
    case W::SpaceAfter:
        s.para.spaceAfter = std::clamp(p, 0, kMaxTwips);
        break;
    case W::LineSpacing:
        s.para.lineSpacing = std::clamp(p, -kMaxTwips, kMaxTwips);
        break;
    case W::LineMultiple:
        s.para.lineMultiple = !t.hasParam || p != 0;
        break;
    case W::LeftIndent:
        s.para.leftIndent = std::clamp(p, -kMaxTwips, kMaxTwips);
        break;
    case W::RightIndent:
        s.para.rightIndent = std::clamp(p, -kMaxTwips, kMaxTwips);
        break;
    case W::FirstIndent:
        s.para.firstIndent = std::clamp(p, -kMaxTwips, kMaxTwips);
        break;
    case W::PageBreakBefore:
        s.para.pageBreakBefore = !t.hasParam || p != 0;
        break;
    case W::TabRight:
    case W::TabCenter:
    case W::TabDecimal:
        m_tabAlign = w == W::TabRight    ? Qt::AlignRight
                     : w == W::TabCenter ? Qt::AlignHCenter
                                         : Qt::AlignJustify; // stands for the decimal point
        break;
    case W::TabPosition:
        if (s.para.tabs.size() < 64)
            s.para.tabs.push_back({std::clamp(p, 0, kMaxTwips), m_tabAlign});
        m_tabAlign = Qt::AlignLeft;
        break;
    case W::ParagraphBorder:
    case W::RowBorder:
        m_border = nullptr; // the \brdr... words that follow are not a cell's
        break;
    default:
        break;
    }
}

// Page size and margins; a section's own values count for the first section only.
bool Reader::pageWord(W w, const Token &t)
{
    const int p = std::clamp(t.param, 0, kMaxTwips);
    PageSetup &page = m_info.page;
    const bool section = !m_sectionEnded;
    switch (w) {
    case W::PaperWidth:
        if (p > 0 && !m_pageGiven[0])
            page.paper.setWidth(p / 20.0);
        return true;
    case W::PaperHeight:
        if (p > 0 && !m_pageGiven[1])
            page.paper.setHeight(p / 20.0);
        return true;
    case W::SectionPaperWidth:
        if (p > 0 && section)
            page.paper.setWidth(p / 20.0), m_pageGiven[0] = true;
        return true;
    case W::SectionPaperHeight:
        if (p > 0 && section)
            page.paper.setHeight(p / 20.0), m_pageGiven[1] = true;
        return true;
    case W::MarginLeft:
        if (!m_pageGiven[2])
            page.margins.setLeft(p / 20.0);
        return true;
    case W::MarginRight:
        if (!m_pageGiven[3])
            page.margins.setRight(p / 20.0);
        return true;
    case W::MarginTop:
        if (!m_pageGiven[4])
            page.margins.setTop(p / 20.0);
        return true;
    case W::MarginBottom:
        if (!m_pageGiven[5])
            page.margins.setBottom(p / 20.0);
        return true;
    case W::SectionMarginLeft:
        if (section)
            page.margins.setLeft(p / 20.0), m_pageGiven[2] = true;
        return true;
    case W::SectionMarginRight:
        if (section)
            page.margins.setRight(p / 20.0), m_pageGiven[3] = true;
        return true;
    case W::SectionMarginTop:
        if (section)
            page.margins.setTop(p / 20.0), m_pageGiven[4] = true;
        return true;
    case W::SectionMarginBottom:
        if (section)
            page.margins.setBottom(p / 20.0), m_pageGiven[5] = true;
        return true;
    case W::Section:
        flush();
        m_sink->paragraph(st());
        m_sectionEnded = true;
        return true;
    default:
        return false;
    }
}

// The row definition: row properties, then each cell's properties up to its \cellx.
bool Reader::tableWord(W w, const Token &t)
{
    RowDefinition &row = m_info.row;
    const int p = t.param;
    const int length = std::clamp(p, -kMaxTwips, kMaxTwips);
    switch (w) {
    case W::RowDefinition:
        row = RowDefinition();
        m_cell = CellDefinition();
        m_border = nullptr;
        std::fill(std::begin(m_padUnits), std::end(m_padUnits), 0);
        return true;
    case W::RowLeft:
        row.left = length;
        return true;
    case W::RowGap:
        row.gap = std::max(0, length);
        return true;
    case W::RowHeight:
        row.height = length;
        return true;
    case W::RowPadLeft:
    case W::RowPadRight:
    case W::RowPadTop:
    case W::RowPadBottom:
        m_pads[int(w) - int(W::RowPadLeft)] = std::max(0, length);
        break;
    case W::RowPadUnitLeft:
    case W::RowPadUnitRight:
    case W::RowPadUnitTop:
    case W::RowPadUnitBottom:
        m_padUnits[int(w) - int(W::RowPadUnitLeft)] = p;
        break;
    case W::RowAlignLeft:
        row.align = Qt::AlignLeft;
        return true;
    case W::RowAlignCenter:
        row.align = Qt::AlignHCenter;
        return true;
    case W::RowAlignRight:
        row.align = Qt::AlignRight;
        return true;
    case W::CellBorderTop:
        m_border = &m_cell.top;
        *m_border = Border();
        return true;
    case W::CellBorderLeft:
        m_border = &m_cell.left;
        *m_border = Border();
        return true;
    case W::CellBorderBottom:
        m_border = &m_cell.bottom;
        *m_border = Border();
        return true;
    case W::CellBorderRight:
        m_border = &m_cell.rightBorder;
        *m_border = Border();
        return true;
    case W::BorderSingle:
    case W::BorderThick:
    case W::BorderDouble:
    case W::BorderDotted:
    case W::BorderDashed:
    case W::BorderHairline:
        if (m_border) {
            m_border->style = w == W::BorderThick      ? Border::Thick
                              : w == W::BorderDouble   ? Border::Double
                              : w == W::BorderDotted   ? Border::Dotted
                              : w == W::BorderDashed   ? Border::Dashed
                              : w == W::BorderHairline ? Border::Hairline
                                                       : Border::Single;
        }
        return true;
    case W::BorderNone:
        if (m_border)
            m_border->style = Border::None;
        return true;
    case W::BorderWidth:
        if (m_border)
            m_border->width = std::clamp(p, 0, 255);
        return true;
    case W::BorderColor:
        if (m_border)
            m_border->color = std::max(0, p);
        return true;
    case W::CellTop:
        m_cell.valign = Qt::AlignTop;
        return true;
    case W::CellMiddle:
        m_cell.valign = Qt::AlignVCenter;
        return true;
    case W::CellBottom:
        m_cell.valign = Qt::AlignBottom;
        return true;
    case W::CellBackground:
        m_cell.background = std::max(0, p);
        return true;
    case W::CellMergeFirst:
        m_cell.mergeFirst = true;
        return true;
    case W::CellMerged:
        m_cell.merged = true;
        return true;
    case W::CellVMergeFirst:
        m_cell.vmergeFirst = true;
        return true;
    case W::CellVMerged:
        m_cell.vmerged = true;
        return true;
    case W::CellX:
        m_cell.right = length;
        if (row.cells.size() < size_t(kMaxCells))
            row.cells.push_back(m_cell);
        m_cell = CellDefinition();
        m_border = nullptr;
        return true;
    case W::Cell:
        flush();
        m_sink->cell(st());
        span(u'\n', t);
        return true;
    case W::Row:
        flush();
        m_sink->row();
        span(u'\n', t);
        return true;
    default:
        return false;
    }
    // A padding counts where its unit says twips (Word writes 3); 0 means none.
    for (int i = 0; i < 4; ++i) {
        int &pad = i == 0   ? row.padLeft
                   : i == 1 ? row.padRight
                   : i == 2 ? row.padTop
                            : row.padBottom;
        pad = m_padUnits[i] == 3 ? m_pads[i] : -1;
    }
    return true;
}

void Reader::run()
{
    for (;;) {
        const Token t = m_tok.next();
        if (t.type == Token::End)
            break;
        const Dest dest = st().dest;
        const bool text = dest == Dest::Text;
        switch (t.type) {
        case Token::GroupStart:
            m_skip = 0;
            reportPending();
            if (m_stack.size() >= size_t(kMaxDepth)) {
                ++m_extraDepth;
            } else {
                m_stack.push_back(st());
            }
            break;
        case Token::GroupEnd:
            reportPending();
            if (text)
                flush();
            endGroup();
            break;
        case Token::Word:
            word(t);
            break;
        case Token::Symbol: {
            if (m_skip > 0) {
                skipOne(t.start + t.length);
                break;
            }
            const int c = t.param;
            if (c == '*' && dest != Dest::Skip) {
                // {\*\dest ...}: a destination this reader may not know; pass it over.
                flush();
                st().dest = Dest::Skip;
                break;
            }
            if (!text)
                break;
            if (c == '\\' || c == '{' || c == '}') {
                emitText(QString(QChar(char16_t(c))));
                span(QChar(char16_t(c)), t);
            } else if (c == '~') {
                emitText(QString(QChar(0x00A0)));
                span(QChar(0x00A0), t);
            } else if (c == '_') {
                emitText(QString(QChar(0x2011)));
                span(QChar(0x2011), t);
            } else if (c == '\n') {
                flush();
                m_sink->paragraph(st());
                span(u'\n', t);
            } else if (c == '\t') {
                emitText(QStringLiteral("\t"));
                span(u'\t', t);
            }
            break;
        }
        case Token::Hex:
            if (m_skip > 0) {
                skipOne(t.start + t.length);
                break;
            }
            if (dest == Dest::FontTable) {
                const char byte = char(t.param);
                fontName(&byte, 1);
                break;
            }
            if (!text)
                break;
            {
                const char byte = char(t.param);
                emitBytes(&byte, 1);
                if (m_sink->wantsSpans())
                    span(byteChar(byte), t);
            }
            break;
        case Token::Text: {
            const char *data = m_in.constData() + t.start;
            qsizetype len = t.length;
            if (dest == Dest::ColorTable) {
                for (qsizetype i = 0; i < len; ++i) {
                    if (data[i] == ';') {
                        m_info.colors.push_back(m_colorSet ? QColor(std::clamp(m_red, 0, 255),
                                                                    std::clamp(m_green, 0, 255),
                                                                    std::clamp(m_blue, 0, 255))
                                                           : QColor());
                        m_red = m_green = m_blue = 0;
                        m_colorSet = false;
                    }
                }
                break;
            }
            if (dest == Dest::FontTable) {
                fontName(data, len);
                break;
            }
            if (!text)
                break;
            // Fallback characters after \uN are passed over one by one.
            while (m_skip > 0 && len > 0) {
                ++data;
                --len;
                skipOne(data - m_in.constData());
            }
            if (len > 0) {
                emitBytes(data, len);
                if (m_sink->wantsSpans()) {
                    const qsizetype at = data - m_in.constData();
                    for (qsizetype i = 0; i < len; ++i)
                        m_sink->span(byteChar(data[i]), at + i, at + i + 1);
                }
            }
            break;
        }
        case Token::Binary:
            if (m_skip > 0)
                skipOne(t.start + t.length);
            break;
        case Token::End:
            break;
        }
    }
    reportPending();
    flush();
    m_sink->finish();
}

} // namespace formelan::rtf::internal
