#include "parties/partylist.h"

#include <algorithm>
#include <climits>
#include <numeric>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// Rows read at once around a position asked for: a screenful of grid many times over,
// read in about a millisecond.
constexpr int kBlock = 128;
// Rows held for showing; the rest are read again when shown again.
constexpr size_t kKeepRows = 2048;
// A position whose row was deleted by another program before the list read it.
constexpr PartyKey kPhantom = -1;
constexpr int kSegment = 1024;

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// Case folding with the common scripts done inline: QString::toCaseFolded() costs ten
// times as much, and a large book's search text passes through here once.
void appendFolded(QByteArray &out, QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            out.append(char(c >= u'A' && c <= u'Z' ? c + 32 : c));
            continue;
        }
        if (c >= 0x0410 && c <= 0x042F) {
            c += 0x20; // А-Я
        } else if (c >= 0x0400 && c <= 0x040F) {
            c += 0x50; // Ѐ-Џ
        } else if (c < 0x0430 || c > 0x045F) {
            if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(char16_t(c), text[i + 1].unicode());
                ++i;
            }
            c = QChar::toCaseFolded(c);
        }
        appendUtf8(out, c);
    }
}

void appendSearchValues(QByteArray &out, PartyTable table, const QStringList &values)
{
    for (int c : partySearchColumns(table)) {
        appendFolded(out, values.value(c));
        out.append('\0'); // no match runs from one value into the next
    }
}

} // namespace

QByteArray foldForSearch(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    appendFolded(out, text);
    return out;
}

StoreResult<SearchSource> readSearchSource(PartyStore &store, PartyTable table, PartyKey upTo)
{
    SearchSource source;
    source.upTo = upTo;
    const StoreError error = store.readRows(
        table, RowRange{0, upTo, 0, -1}, partySearchColumns(table), [&](PartyRow &&row) {
            source.keys.push_back(row.key);
            source.starts.push_back(quint32(source.text.size()));
            appendSearchValues(source.text, table, row.values);
            return true;
        });
    if (error)
        return error;
    source.starts.push_back(quint32(source.text.size()));
    return source;
}

std::future<StoreResult<SearchSource>> readSearchSourceAsync(const PartyStore &store,
                                                             PartyTable table, PartyKey upTo)
{
    return std::async(std::launch::async,
                      [open = store.opener(), table, upTo]() -> StoreResult<SearchSource> {
                          StoreResult<std::unique_ptr<PartyStore>> own = open();
                          if (!own.ok())
                              return own.error();
                          return readSearchSource(*own.value(), table, upTo);
                      });
}

StoreResult<std::unique_ptr<PartyList>> PartyList::open(PartyStore &store, PartyTable table)
{
    StoreResult<BookSummary> summary = store.summary(table);
    if (!summary.ok())
        return summary.error();
    BookSummary s = summary.value();
    s.count = std::min<qint64>(s.count, INT_MAX / 2);
    return std::unique_ptr<PartyList>(new PartyList(store, table, s));
}

PartyList::PartyList(PartyStore &store, PartyTable table, const BookSummary &summary)
    : m_store(store)
    , m_table(table)
    , m_upTo(summary.lastKey)
    , m_snapshotEnd(int(summary.count))
{
    // Room for a thousand rows of our own before the positions move to a larger array.
    m_keys.reserve(size_t(summary.count) + 1024);
    m_keys.resize(size_t(summary.count));
    m_read.resize(size_t(summary.count) / kSegment + 1);
}

void PartyList::setKey(int position, PartyKey key)
{
    PartyKey &slot = m_keys[size_t(position)];
    if (slot == 0 && key != 0) {
        const size_t segment = size_t(position / kSegment);
        if (segment >= m_read.size())
            m_read.resize(segment + 1);
        ++m_read[segment];
    }
    slot = key;
}

// The nearest key read before a position, and how many positions between are not read.
std::pair<PartyKey, qint64> PartyList::anchorBefore(int position) const
{
    qint64 unread = 0;
    for (int p = position - 1; p >= 0;) {
        if (p % kSegment == kSegment - 1 && m_read[size_t(p / kSegment)] == 0) {
            unread += kSegment;
            p -= kSegment;
            continue;
        }
        const PartyKey k = m_keys[size_t(p)];
        if (k > 0)
            return {k, unread};
        if (k == 0)
            ++unread;
        --p;
    }
    return {0, unread};
}

// The nearest key read at or after a position within the snapshot (one past the
// snapshot's newest key when none), and how many positions before it are not read.
std::pair<PartyKey, qint64> PartyList::anchorFrom(int position) const
{
    qint64 unread = 0;
    for (int p = position; p < m_snapshotEnd;) {
        if (p % kSegment == 0 && p + kSegment <= m_snapshotEnd &&
            m_read[size_t(p / kSegment)] == 0) {
            unread += kSegment;
            p += kSegment;
            continue;
        }
        const PartyKey k = m_keys[size_t(p)];
        if (k > 0)
            return {k, unread};
        if (k == 0)
            ++unread;
        ++p;
    }
    return {m_upTo + 1, unread};
}

PartyList::~PartyList() = default;

bool PartyList::ensure(int position)
{
    if (position < 0 || position >= count())
        return false;
    const PartyKey key = m_keys[size_t(position)];
    if (key == kPhantom || (key > 0 && (m_rows.contains(key) || m_gone.contains(key))))
        return true;
    const int from = position / kBlock * kBlock;
    const int to = std::min(from + kBlock, count());
    if (StoreError e = fillKeys(from, to)) {
        m_lastError = e;
        return false;
    }
    if (StoreError e = fetchRows(from, to)) {
        m_lastError = e;
        return false;
    }
    return true;
}

// Reads the rows of positions not yet read, by runs: each run continues from the nearer
// of the rows read on either side of it, and stops short of the other, so that no row
// shows twice and none moves even when other programs delete rows meanwhile; positions
// left over at the far end of a run are rows deleted before they were read.
StoreError PartyList::fillKeys(int from, int to)
{
    const int end = std::min(to, m_snapshotEnd);
    for (int i = from; i < end;) {
        if (m_keys[size_t(i)] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < end && m_keys[size_t(j)] == 0)
            ++j;
        const auto [left, skipLeft] = anchorBefore(i);
        const auto [right, skipRight] = anchorFrom(j);
        // The end of a long list, where a window opens, is read from the end.
        const bool backward = skipRight < skipLeft;
        const int n = j - i;
        int got = 0;
        const StoreError e = m_store.readRows(
            m_table, RowRange{left, right - 1, backward ? skipRight : skipLeft, n, backward}, {},
            [&](PartyRow &&row) {
                const int at = backward ? j - 1 - got : i + got;
                setKey(at, row.key);
                keep(std::move(row));
                return ++got < n;
            });
        if (e)
            return e;
        for (int k = got; k < n; ++k)
            setKey(backward ? j - 1 - k : i + k, kPhantom);
        i = j;
    }
    return {};
}

StoreError PartyList::fetchRows(int from, int to)
{
    std::vector<PartyKey> wanted;
    for (int p = from; p < to; ++p) {
        const PartyKey k = m_keys[size_t(p)];
        if (k > 0 && !m_rows.contains(k) && !m_gone.contains(k))
            wanted.push_back(k);
    }
    return readKeys(wanted);
}

// Reads the rows of these keys and keeps them; a key the store no longer has is gone.
StoreError PartyList::readKeys(const std::vector<PartyKey> &wanted)
{
    if (wanted.empty())
        return {};
    StoreResult<std::vector<PartyRow>> rows = m_store.rowsWithKeys(m_table, wanted);
    if (!rows.ok())
        return rows.error();
    std::unordered_set<PartyKey> found;
    for (PartyRow &row : rows.value()) {
        found.insert(row.key);
        keep(std::move(row));
    }
    for (PartyKey k : wanted) {
        if (!found.contains(k))
            m_gone.insert(k);
    }
    return {};
}

void PartyList::keep(PartyRow &&row)
{
    while (m_rows.size() >= kKeepRows && !m_rowOrder.empty()) {
        m_rows.erase(m_rowOrder.front());
        m_rowOrder.pop_front();
    }
    const PartyKey key = row.key;
    if (m_rows.insert_or_assign(key, std::move(row)).second)
        m_rowOrder.push_back(key);
}

const PartyRow *PartyList::rowAt(int position)
{
    if (!ensure(position))
        return nullptr;
    const auto it = m_rows.find(m_keys[size_t(position)]);
    return it == m_rows.end() ? nullptr : &it->second;
}

bool PartyList::isHeld(int position) const
{
    if (position < 0 || position >= count())
        return true;
    const PartyKey key = m_keys[size_t(position)];
    return key == kPhantom || (key > 0 && (m_rows.contains(key) || m_gone.contains(key)));
}

StoreError PartyList::readPositions(std::span<const int> positions)
{
    std::vector<PartyKey> wanted;
    for (int p : positions) {
        if (isHeld(p))
            continue;
        if (m_keys[size_t(p)] == 0) {
            // Its key is not known yet: its block is read as for showing it.
            if (!ensure(p))
                return m_lastError;
            continue;
        }
        wanted.push_back(m_keys[size_t(p)]);
    }
    return readKeys(wanted);
}

PartyKey PartyList::keyAt(int position)
{
    if (position < 0 || position >= count())
        return 0;
    if (m_keys[size_t(position)] == 0 && !ensure(position))
        return 0;
    return std::max<PartyKey>(m_keys[size_t(position)], 0);
}

QString PartyList::nameAt(int position)
{
    const PartyRow *row = rowAt(position);
    return row ? row->values.value(partyNameColumn(m_table)) : QString();
}

bool PartyList::isGone(int position)
{
    if (!ensure(position))
        return false;
    const PartyKey key = m_keys[size_t(position)];
    return key == kPhantom || m_gone.contains(key);
}

int PartyList::positionOf(PartyKey key) const
{
    if (key <= 0)
        return -1;
    const auto it = std::find(m_keys.begin(), m_keys.end(), key);
    return it == m_keys.end() ? -1 : int(it - m_keys.begin());
}

StoreResult<PartyRow> PartyList::load(int position)
{
    if (position < 0 || position >= count())
        return storetext::gone();
    const PartyKey key = keyAt(position);
    if (key <= 0) {
        if (!m_lastError.ok() && m_keys[size_t(position)] == 0)
            return m_lastError;
        return storetext::gone();
    }
    StoreResult<PartyRow> row = m_store.row(m_table, key);
    if (!row.ok()) {
        // With the book out of reach, a row already read is what the user last saw of it.
        if (row.error().kind() == StoreError::Kind::Unavailable) {
            if (const auto held = m_rows.find(key); held != m_rows.end())
                return PartyRow(held->second);
        }
        if (row.error().kind() == StoreError::Kind::Gone && !m_gone.contains(key)) {
            m_gone.insert(key);
            m_rows.erase(key);
            Q_EMIT rowsChanged(position, position);
        }
        return row;
    }
    keep(PartyRow(row.value()));
    return row;
}

StoreResult<int> PartyList::append(const QStringList &values)
{
    return appendMany(std::span(&values, 1));
}

StoreResult<int> PartyList::appendMany(std::span<const QStringList> rows)
{
    StoreResult<std::vector<PartyKey>> keys = m_store.add(m_table, rows);
    if (!keys.ok())
        return keys.error();
    const int first = count();
    for (size_t i = 0; i < rows.size(); ++i) {
        PartyRow row{keys.value()[i], rows[i]};
        for (QString &v : row.values) {
            if (v.isNull())
                v = u""_s;
        }
        if (m_searchReady) {
            appendSearchValues(m_searchText, m_table, row.values);
            m_searchStarts.push_back(quint32(m_searchText.size()));
        }
        m_keys.push_back(0);
        setKey(count() - 1, row.key);
        keep(std::move(row));
    }
    if (count() > first)
        Q_EMIT rowsInserted(first, count() - 1);
    return first;
}

StoreError PartyList::removeAt(int position)
{
    if (position < 0 || position >= count())
        return storetext::gone();
    const PartyKey key = keyAt(position);
    StoreError result;
    if (key <= 0) {
        if (m_keys[size_t(position)] == 0) // not read: the reading failed
            return m_lastError;
        result = storetext::gone();
    } else {
        result = m_store.remove(m_table, key);
        if (result && result.kind() != StoreError::Kind::Gone)
            return result; // nothing changed
    }
    m_keys.erase(m_keys.begin() + position);
    // The first position of each later segment moved into the one before it.
    --m_read[size_t(position / kSegment)];
    for (size_t s = size_t(position / kSegment); (s + 1) * kSegment <= m_keys.size(); ++s) {
        if (m_keys[(s + 1) * kSegment - 1] != 0) {
            ++m_read[s];
            --m_read[s + 1];
        }
    }
    if (position < m_snapshotEnd)
        --m_snapshotEnd;
    m_rows.erase(key);
    m_gone.erase(key);
    if (m_searchReady) {
        const quint32 from = m_searchStarts[size_t(position)];
        const quint32 length = m_searchStarts[size_t(position) + 1] - from;
        m_searchText.remove(from, length);
        m_searchStarts.erase(m_searchStarts.begin() + position);
        for (size_t i = size_t(position); i < m_searchStarts.size(); ++i)
            m_searchStarts[i] -= length;
    }
    Q_EMIT rowRemoved(position);
    return result;
}

StoreError PartyList::prepareSearch()
{
    if (m_searchReady)
        return {};
    StoreResult<SearchSource> source = readSearchSource(m_store, m_table, m_upTo);
    if (!source.ok())
        return source.error();
    useSearchSource(source.take());
    return {};
}

void PartyList::useSearchSource(SearchSource &&source)
{
    const size_t n = source.keys.size();
    const size_t snapshot = size_t(m_snapshotEnd);
    auto sourceText = [&](size_t i) {
        return QByteArrayView(source.text.constData() + source.starts[i],
                              source.starts[i + 1] - source.starts[i]);
    };
    bool phantoms = false;

    // Usually the source and the list agree on every position read so far: take it whole.
    bool agree = n == snapshot;
    for (size_t p = 0; agree && p < snapshot; ++p)
        agree = m_keys[p] == 0 || m_keys[p] == source.keys[p];
    if (agree) {
        std::copy(source.keys.begin(), source.keys.end(), m_keys.begin());
        m_searchText = std::move(source.text);
        m_searchStarts = std::move(source.starts);
    } else {
        // Otherwise every position keeps the row it shows, and the rows not read yet fill
        // the runs between them as fillKeys() would have.
        QByteArray text;
        text.reserve(source.text.size());
        std::vector<quint32> starts;
        starts.reserve(m_keys.size() + 1);
        size_t d = 0;
        for (size_t p = 0; p < snapshot;) {
            const PartyKey k = m_keys[p];
            if (k != 0) {
                starts.push_back(quint32(text.size()));
                if (k > 0) {
                    while (d < n && source.keys[d] < k)
                        ++d;
                    if (d < n && source.keys[d] == k) {
                        text.append(sourceText(d));
                        ++d;
                    } else if (const auto it = m_rows.find(k); it != m_rows.end()) {
                        appendSearchValues(text, m_table, it->second.values);
                    }
                }
                ++p;
                continue;
            }
            size_t j = p;
            while (j < snapshot && m_keys[j] == 0)
                ++j;
            PartyKey right = m_upTo + 1;
            for (size_t q = j; q < snapshot; ++q) {
                if (m_keys[q] > 0) {
                    right = m_keys[q];
                    break;
                }
            }
            for (; p < j; ++p) {
                starts.push_back(quint32(text.size()));
                if (d < n && source.keys[d] < right) {
                    m_keys[p] = source.keys[d];
                    text.append(sourceText(d));
                    ++d;
                } else {
                    m_keys[p] = kPhantom;
                    phantoms = true;
                }
            }
        }
        starts.push_back(quint32(text.size()));
        m_searchText = std::move(text);
        m_searchStarts = std::move(starts);
    }

    // Our own rows, added after the snapshot.
    std::vector<PartyKey> missing;
    for (size_t p = snapshot; p < m_keys.size(); ++p) {
        if (!m_rows.contains(m_keys[p]))
            missing.push_back(m_keys[p]);
    }
    std::unordered_map<PartyKey, QStringList> fetched;
    if (!missing.empty()) {
        StoreResult<std::vector<PartyRow>> rows = m_store.rowsWithKeys(m_table, missing);
        if (rows.ok()) {
            for (PartyRow &row : rows.value())
                fetched.emplace(row.key, std::move(row.values));
        }
    }
    for (size_t p = snapshot; p < m_keys.size(); ++p) {
        const PartyKey k = m_keys[p];
        if (const auto it = m_rows.find(k); it != m_rows.end())
            appendSearchValues(m_searchText, m_table, it->second.values);
        else if (const auto f = fetched.find(k); f != fetched.end())
            appendSearchValues(m_searchText, m_table, f->second);
        m_searchStarts.push_back(quint32(m_searchText.size()));
    }
    m_read.assign(m_keys.size() / kSegment + 1, 0);
    for (size_t p = 0; p < m_keys.size(); ++p)
        m_read[p / kSegment] += m_keys[p] != 0 ? 1 : 0;
    m_searchReady = true;
    if (phantoms && count() > 0)
        Q_EMIT rowsChanged(0, count() - 1);
}

void PartyList::replaceWith(SearchSource &&fresh)
{
    const size_t n = fresh.keys.size();
    m_keys.assign(fresh.keys.begin(), fresh.keys.end());
    m_snapshotEnd = int(n);
    m_upTo = std::max(m_upTo, fresh.keys.empty() ? PartyKey(0) : fresh.keys.back());
    m_read.assign(n / kSegment + 1, 0);
    for (size_t p = 0; p < n; ++p)
        ++m_read[p / kSegment];
    // Every row now listed is in the book; the rows held are still what they were.
    m_gone.clear();
    m_lastError = {};
    m_searchText = std::move(fresh.text);
    m_searchStarts = std::move(fresh.starts);
    m_searchReady = true;
    Q_EMIT listReplaced();
}

StoreResult<std::vector<int>> PartyList::search(QStringView text)
{
    if (StoreError e = prepareSearch())
        return e;
    std::vector<int> positions;
    const QByteArray needle = foldForSearch(text.trimmed());
    if (needle.isEmpty()) {
        positions.resize(size_t(count()));
        std::iota(positions.begin(), positions.end(), 0);
        return positions;
    }
    qsizetype from = 0;
    while ((from = m_searchText.indexOf(needle, from)) >= 0) {
        const auto it =
            std::upper_bound(m_searchStarts.begin(), m_searchStarts.end(), quint32(from));
        const int position = int(it - m_searchStarts.begin()) - 1;
        positions.push_back(position);
        from = qsizetype(m_searchStarts[size_t(position) + 1]);
    }
    return positions;
}

} // namespace formelan
