#pragma once

#include "rtf/controlwords.h"
#include "rtf/sink.h"
#include "rtf/tokenizer.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QStringDecoder>

#include <memory>
#include <vector>

namespace formelan::rtf::internal {

constexpr int kMaxDepth = 1024;         // deeper groups share the innermost state
constexpr int kMaxTwips = 31680;        // 22 inches, the largest page a word processor offers
constexpr int kFallbackCodePage = 1251; // for a file that declares no character set

// Walks the tokens, keeps the group state and hands text and structure to a sink.
class Reader {
public:
    Reader(const QByteArray &in, Sink *sink)
        : m_in(in)
        , m_tok(in)
        , m_sink(sink)
    {
        m_stack.emplace_back();
    }

    void run();
    void setSink(Sink *sink) { m_sink = sink; }
    const DocumentInfo &info() const { return m_info; }

private:
    State &st() { return m_stack.back(); }
    void flush();
    void skipOne(qsizetype end);
    void reportPending();
    void span(QChar c, const Token &t)
    {
        if (m_sink->wantsSpans())
            m_sink->span(c, t.start, t.start + t.length);
    }
    QChar byteChar(char byte);
    void startRun();
    void decodeBytes();
    void emitText(const QString &s);
    void emitBytes(const char *data, qsizetype len);
    void word(const Token &t);
    void fontTableWord(W w, const Token &t);
    void fontName(const char *data, qsizetype len);
    bool tableWord(W w, const Token &t);
    bool pageWord(W w, const Token &t);
    int codePage();
    QStringDecoder *decoder(int codePage);
    void endGroup();

    QByteArray m_in;
    Tokenizer m_tok;
    Sink *m_sink;
    std::vector<State> m_stack;
    int m_extraDepth = 0; // groups beyond kMaxDepth
    int m_skip = 0;       // fallback characters still to pass over after \uN
    // The last \uN character, reported with its fallback once that is passed over.
    bool m_hasPending = false;
    QChar m_pendingChar;
    qsizetype m_pendingStart = 0;
    qsizetype m_pendingEnd = 0;
    DocumentInfo m_info;
    int m_ansiCodePage = 0;    // \ansicpg
    int m_charsetCodePage = 0; // \ansi, \mac, \pc, \pca
    int m_fontEntry = -1;
    size_t m_fontEntryDepth = 0; // the group of the font table entry
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    QByteArray m_bytes; // undecoded bytes of the current run
    int m_bytesCodePage = 0;
    QString m_run;
    State m_runState;
    CellDefinition m_cell;      // the cell being defined, up to its \cellx
    Border *m_border = nullptr; // the border that \brdr... words describe
    int m_padUnits[4] = {};     // \trpaddf...: 3 where the padding is in twips
    int m_pads[4] = {};
    bool m_sectionEnded = false;
    bool m_pageGiven[6] = {}; // paper width, height, margins: given by the first section
    Qt::Alignment m_tabAlign = Qt::AlignLeft;
    QHash<int, std::shared_ptr<QStringDecoder>> m_decoders;
};

} // namespace formelan::rtf::internal
