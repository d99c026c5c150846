#pragma once

#include "rtf/rtfreader.h"

#include <QChar>
#include <QString>
#include <Qt>

#include <vector>

namespace formelan::rtf::internal {

struct CharStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int color = 0; // index into the colour table; 0 is the automatic colour

    bool operator==(const CharStyle &) const = default;
};

enum class Dest { Text, Skip, FontTable, ColorTable, FieldInstruction };

struct State {
    Dest dest = Dest::Text;
    CharStyle style;
    int uc = 1;
    int font = -1;
    int codePage = 0; // 0: that of the font or the document
    Qt::Alignment align = Qt::AlignLeft;
    bool inTable = false;
};

// What the reader produces, for a document or for plain text.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void text(const QString &s, const CharStyle &style, const State &st) = 0;
    virtual void paragraph(const State &st) = 0;
    virtual void cell() = 0;
    virtual void row() = 0;
    virtual void rowDefinition(const std::vector<int> &cellRights) = 0;
    virtual void leaveTable() = 0;
    virtual void finish() = 0;
    // Where a character of visible text stands in the source; only for sinks that ask.
    virtual bool wantsSpans() const { return false; }
    virtual void span(QChar, qsizetype, qsizetype) {}
};

class SpanSink final : public Sink {
public:
    std::vector<VisibleChar> chars;
    void text(const QString &, const CharStyle &, const State &) override {}
    void paragraph(const State &) override {}
    void cell() override {}
    void row() override {}
    void rowDefinition(const std::vector<int> &) override {}
    void leaveTable() override {}
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
    void text(const QString &s, const CharStyle &, const State &) override { out += s; }
    void paragraph(const State &) override { out += u'\n'; }
    void cell() override { out += u'\t'; }
    void row() override { out += u'\n'; }
    void rowDefinition(const std::vector<int> &) override {}
    void leaveTable() override {}
    void finish() override {}
};

} // namespace formelan::rtf::internal
