#pragma once

#include "rtf/rtfreader.h"

#include <QChar>
#include <QColor>
#include <QHash>
#include <QString>
#include <Qt>

#include <vector>

namespace formelan::rtf::internal {

// Lengths are kept in twips, as the file gives them; the document sink converts them.

struct CharStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int color = 0; // index into the colour table; 0 is the automatic colour
    int font = -1; // index into the font table; -1 is the document's default font

    bool operator==(const CharStyle &) const = default;
};

struct TabStop {
    int position = 0;
    Qt::Alignment align = Qt::AlignLeft;

    bool operator==(const TabStop &) const = default;
};

struct ParaStyle {
    Qt::Alignment align = Qt::AlignLeft;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0;       // \sl: 0 single; above 0 at least, below 0 exactly that much
    bool lineMultiple = false; // \slmult1: \sl is in 240ths of a single line
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    bool pageBreakBefore = false;
    std::vector<TabStop> tabs;

    bool operator==(const ParaStyle &) const = default;
};

struct Border {
    enum Style { None, Single, Thick, Double, Dotted, Dashed, Hairline };
    Style style = None;
    int width = 0; // \brdrw, in twips
    int color = 0;
};

constexpr int kMaxCells = 63; // cells of a row

struct CellDefinition {
    int right = 0; // \cellx
    Border top, left, bottom, rightBorder;
    Qt::Alignment valign = Qt::AlignTop;
    int background = 0;                        // \clcbpat
    bool mergeFirst = false, merged = false;   // \clmgf, \clmrg
    bool vmergeFirst = false, vmerged = false; // \clvmgf, \clvmrg
};

struct RowDefinition {
    int left = 0;   // \trleft
    int gap = 0;    // \trgaph: half the space between the texts of two cells
    int height = 0; // \trrh: above 0 at least, below 0 exactly that much
    int padLeft = -1, padRight = -1, padTop = -1, padBottom = -1; // \trpadd*, -1: not given
    Qt::Alignment align = Qt::AlignLeft;                          // \trqc, \trqr
    std::vector<CellDefinition> cells;
};

struct Font {
    QString name;
    QByteArray nameBytes; // collected until the font's code page is known
    int family = 0;       // 0 nil, 1 roman, 2 swiss, 3 modern, 4 script, 5 decor, 6 tech
    int codePage = 0;     // 0: none of its own
    bool ansi = false;    // \fcharset0: the document's ANSI code page
};

// What the reader knows of the document beyond its text; sinks read it as they go.
struct DocumentInfo {
    std::vector<QColor> colors;
    QHash<int, Font> fonts;
    int defaultFont = -1;
    int defaultTab = 720; // \deftab, in twips
    RowDefinition row;    // the row definition in effect
    PageSetup page;
};

enum class Dest { Text, Skip, FontTable, ColorTable, FieldInstruction };

struct State {
    Dest dest = Dest::Text;
    CharStyle style;
    ParaStyle para;
    int uc = 1;
    int codePage = 0; // 0: that of the font or the document
    bool inTable = false;
};

// What the reader produces, for a document or for plain text.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void text(const QString &s, const State &st) = 0;
    virtual void paragraph(const State &st) = 0;
    virtual void cell(const State &st) = 0;
    virtual void row() = 0;
    virtual void finish() = 0;
    virtual void pageBreak() {}
    // Where a character of visible text stands in the source; only for sinks that ask.
    virtual bool wantsSpans() const { return false; }
    virtual void span(QChar, qsizetype, qsizetype) {}
};

class SpanSink final : public Sink {
public:
    std::vector<VisibleChar> chars;
    void text(const QString &, const State &) override {}
    void paragraph(const State &) override {}
    void cell(const State &) override {}
    void row() override {}
    void finish() override {}
    bool wantsSpans() const override { return true; }
    void span(QChar c, qsizetype start, qsizetype end) override
    {
        chars.push_back({c, start, end});
    }
};

class PlainSink final : public Sink {
public:
    QString out;
    void text(const QString &s, const State &) override { out += s; }
    void paragraph(const State &) override { out += u'\n'; }
    void cell(const State &) override { out += u'\t'; }
    void row() override { out += u'\n'; }
    void finish() override {}
};

} // namespace formelan::rtf::internal
