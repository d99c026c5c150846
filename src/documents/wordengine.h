#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace formelan {

// What the document output asks of a word processor: open a document, replace every
// occurrence of a text, save as and close. Another engine (one driving a word
// processor) could stand behind the same calls.
class DocumentEngine {
public:
    virtual ~DocumentEngine() = default;
    // Each throws AppError with the reason when it fails.
    virtual void open(const QString &path) = 0;
    // Plain text, letter case ignored, also inside longer words; formatting is neither
    // searched nor replaced. Only the document's own text is searched: text that an
    // earlier replacement put in is never searched again.
    virtual void replaceAll(const QString &find, const QString &replacement) = 0;
    virtual void saveAs(const QString &path) = 0;
    virtual void close() = 0;
};

// The engine on RTF documents. A placeholder split over several formatting groups is
// found; its value takes the formatting of its first character and is written as
// RTF that no text can break out of.
class RtfEngine final : public DocumentEngine {
public:
    void open(const QString &path) override;
    void replaceAll(const QString &find, const QString &replacement) override;
    void saveAs(const QString &path) override;
    void close() override;

    // The document as it would be saved now.
    QByteArray render() const;

private:
    struct Span {
        qsizetype start;
        qsizetype end;
    };
    struct Edit {
        qsizetype first; // index into m_spans
        qsizetype count;
        QString value;
    };
    QByteArray m_source;
    QString m_text; // visible text of the template
    std::vector<Span> m_spans;
    std::vector<bool> m_used;
    std::vector<Edit> m_edits;
    bool m_open = false;
};

// A value as RTF: specials escaped, non-ASCII as \uN with a Windows-1251 fallback,
// line breaks as \line, in a group of its own.
QByteArray rtfValue(const QString &value);

} // namespace formelan
