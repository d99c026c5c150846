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

constexpr int kMaxDepth = 1024; // deeper groups share the innermost state
constexpr int kFallbackCodePage = 1251;

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
    std::vector<QColor> colors; // the colour table, read before any text

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
    int m_ansiCodePage = kFallbackCodePage;
    int m_defaultFont = -1;
    QHash<int, int> m_fontCodePages;
    int m_fontEntry = -1;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    QByteArray m_bytes; // undecoded bytes of the current run
    int m_bytesCodePage = 0;
    QString m_run;
    CharStyle m_runStyle;
    State m_runState;
    std::vector<int> m_cellRights;
    QHash<int, std::shared_ptr<QStringDecoder>> m_decoders;
};

} // namespace formelan::rtf::internal
