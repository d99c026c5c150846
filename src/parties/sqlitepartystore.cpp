#include "parties/sqlitepartystore.h"

#include "parties/sqlrow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <array>
#include <atomic>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADb = 26;

// Rows per statement when rows are asked for by key.
constexpr qsizetype kKeysPerStatement = 500;

std::atomic<int> g_connections = 0;

QString quoted(QStringView identifier)
{
    return u'"' + identifier.toString().replace(u'"', u"\"\""_s) + u'"';
}

// SQLite compares identifiers without regard to the case of ASCII letters only.
bool sameIdentifier(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'A' && x <= u'Z')
            x += 32;
        if (y >= u'A' && y <= u'Z')
            y += 32;
        if (x != y)
            return false;
    }
    return true;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString orderIndexName(const QString &table)
{
    return table + u"_party_order"_s;
}

// Each table's row count, kept by triggers so that it is read in one step however many
// rows there are, whoever adds or deletes them.
constexpr QStringView kCountsTable = u"party_counts";

QString countTriggerName(PartyTable t, bool add)
{
    return partyTableName(t) + (add ? u"_count_add"_s : u"_count_remove"_s);
}

// ---- messages --------------------------------------------------------------------

QString withDetail(const QString &message, const QString &detail)
{
    if (detail.isEmpty())
        return message;
    return message + u"\nСъобщение от базата данни: "_s + detail;
}

QString detailOf(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text;
}

int codeOf(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}

// `what` says what did not happen: "Записът не е добавен." and the like.
StoreError databaseError(const QString &path, const QSqlError &error, const QString &what)
{
    const QString file = native(path);
    const QString detail = detailOf(error);
    switch (codeOf(error)) {
    case kSqliteBusy:
    case kSqliteLocked:
        return {StoreError::Kind::Busy,
                withDetail(u"Адресната книга „%1“ е заета от друга програма или от друго копие "
                           "на Formelan. %2 Опитайте отново след малко; ако това не помогне, "
                           "затворете другите програми, които я ползват."_s.arg(file, what),
                           detail),
                detail};
    case kSqliteReadOnly:
        return {
            StoreError::Kind::ReadOnly,
            withDetail(u"Адресната книга „%1“ може само да се чете. %2 За да записвате в "
                       "нея, поискайте право за запис във файла и в папката му."_s.arg(file, what),
                       detail),
            detail};
    case kSqliteFull:
        return {StoreError::Kind::Failed,
                withDetail(u"Няма място на диска за адресната книга „%1“. %2 Освободете място "
                           "и опитайте отново."_s.arg(file, what),
                           detail),
                detail};
    case kSqliteIoErr:
    case kSqliteCantOpen:
        return {StoreError::Kind::Unavailable,
                withDetail(u"Адресната книга „%1“ не може да бъде отворена или прочетена. %2 "
                           "Проверете дали файлът и папката му са на мястото си и са "
                           "достъпни (мрежово устройство, флашка)."_s.arg(file, what),
                           detail),
                detail};
    case kSqliteCorrupt:
    case kSqliteNotADb:
        return {StoreError::Kind::Refused,
                withDetail(u"Адресната книга „%1“ е повредена или непълна. %2 Възстановете я от "
                           "резервно копие или я преместете настрана: програмата ще започне нова, "
                           "празна книга. Книга на сървър се избира в „Обработване → "
                           "Настройки…“."_s.arg(file, what),
                           detail),
                detail};
    default:
        return {StoreError::Kind::Failed,
                withDetail(u"Базата данни на адресната книга „%1“ отказа. %2 Опитайте отново; "
                           "ако грешката остане, съобщете текста по-долу на поддръжката."_s.arg(
                               file, what),
                           detail),
                detail};
    }
}

const QString kNotRead = u"Адресната книга не е прочетена."_s;
const QString kNotAdded = u"Записът не е добавен."_s;
// Several rows are added together or not at all: an import of thousands among them.
QString notAddedAll(size_t count)
{
    return u"Нито един от %1 записа не е добавен."_s.arg(count);
}
const QString kNotDeleted = u"Записът не е изтрит."_s;
const QString kNotPrepared =
    u"Таблиците не са създадени или обновени до вида, който тази версия ползва; файлът е "
    "оставен какъвто беше."_s;

StoreError refused(const QString &path, const QString &what)
{
    return {StoreError::Kind::Refused,
            u"Файлът „%1“ не е адресна книга, която програмата може да ползва: %2 Програмата не "
            "го е променила. Ако това е адресната книга, възстановете я от резервно копие; "
            "иначе преместете файла или го преименувайте и програмата ще започне нова, "
            "празна книга. Книга на сървър се избира в „Обработване → Настройки…“."_s.arg(
                native(path), what)};
}

QString readOnlyText(const QString &path, const QString &why)
{
    return u"Адресната книга „%1“ е отворена само за четене: %2 Добавяне и изтриване не са "
           "възможни. За да записвате, поискайте от администратора на компютъра право за запис "
           "във файла и в папката му."_s.arg(native(path), why);
}

// ---- one connection ----------------------------------------------------------------

enum class Access { ReadWrite, ReadOnly, Immutable };

// A named Qt SQL connection that removes itself.
class Connection {
public:
    Connection() = default;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection() { close(); }

    QSqlError open(const QString &path, Access access, int busyMs)
    {
        close();
        m_name = u"formelan-book-%1"_s.arg(++g_connections);
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
        // Through a URI, so that read-only and immutable are the file's own parameters.
        QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
        QString options = u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(busyMs);
        switch (access) {
        case Access::ReadWrite:
            uri += u"?mode=rwc"_s;
            break;
        case Access::ReadOnly:
            uri += u"?mode=ro"_s;
            options += u";QSQLITE_OPEN_READONLY"_s;
            break;
        case Access::Immutable:
            uri += u"?mode=ro&immutable=1"_s;
            options += u";QSQLITE_OPEN_READONLY"_s;
            break;
        }
        m_db.setDatabaseName(uri);
        m_db.setConnectOptions(options);
        if (!m_db.open()) {
            const QSqlError error = m_db.lastError();
            close();
            return error;
        }
        return {};
    }

    void close()
    {
        if (m_name.isEmpty())
            return;
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        m_name.clear();
    }

    bool isOpen() const { return !m_name.isEmpty(); }
    const QSqlDatabase &db() const { return m_db; }

    // Runs one statement and drops its result: a statement left open would hold the
    // file's read lock and keep other programs from writing.
    QSqlError run(const QString &sql) const
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            return q.lastError();
        return {};
    }

private:
    QString m_name;
    QSqlDatabase m_db;
};

// ---- what the file holds -------------------------------------------------------------

struct ColumnInfo {
    QString name;
    QString type;
    bool notNull = false;
    QVariant defaultValue;
    int pk = 0;
};

struct TableInfo {
    QString name; // as the book spells it
    QString sql;
    QList<ColumnInfo> columns;
    QStringList dependents; // its indexes and triggers, to make again after an upgrade
    bool orderIndex = false;
    int countTriggers = 0;
};

struct BookInfo {
    int objects = 0;
    bool countsTable = false;
    std::array<std::optional<TableInfo>, 2> tables;
};

int slot(PartyTable table)
{
    return table == PartyTable::Recipients ? 0 : 1;
}

StoreResult<BookInfo> inspect(const Connection &c, const QString &path)
{
    BookInfo info;
    {
        QSqlQuery q(c.db());
        q.setForwardOnly(true);
        if (!q.exec(u"SELECT type, name, tbl_name, sql FROM sqlite_master"_s))
            return databaseError(path, q.lastError(), kNotRead);
        std::array<QList<std::pair<QString, QString>>, 2> others; // (name, sql) by table
        while (q.next()) {
            ++info.objects;
            const QString type = q.value(0).toString();
            const QString name = q.value(1).toString();
            const QString owner = q.value(2).toString();
            if (type == u"table"_s && sameIdentifier(name, kCountsTable))
                info.countsTable = true;
            for (PartyTable t : kPartyTables) {
                const int i = slot(t);
                if (type == u"table"_s && sameIdentifier(name, partyTableName(t)))
                    info.tables[i] = TableInfo{name, q.value(3).toString(), {}, {}, false, 0};
                else if (type != u"table"_s && sameIdentifier(owner, partyTableName(t)))
                    others[i].append({name, q.value(3).toString()});
            }
        }
        for (PartyTable t : kPartyTables) {
            const int i = slot(t);
            if (!info.tables[i])
                continue;
            for (const auto &[name, sql] : others[i]) {
                if (sameIdentifier(name, orderIndexName(info.tables[i]->name)))
                    info.tables[i]->orderIndex = true;
                else if (sameIdentifier(name, countTriggerName(t, true)) ||
                         sameIdentifier(name, countTriggerName(t, false)))
                    ++info.tables[i]->countTriggers;
                else if (!sql.isEmpty())
                    info.tables[i]->dependents.append(sql);
            }
        }
    }
    for (auto &table : info.tables) {
        if (!table)
            continue;
        QSqlQuery q(c.db());
        q.setForwardOnly(true);
        if (!q.exec(u"PRAGMA table_info("_s + quoted(table->name) + u')'))
            return databaseError(path, q.lastError(), kNotRead);
        while (q.next())
            table->columns.append({q.value(1).toString(), q.value(2).toString(),
                                   q.value(3).toInt() != 0, q.value(4), q.value(5).toInt()});
    }
    return info;
}

// What tells that a table was written: its row count and the last key it gave.
struct TableMark {
    qint64 count = 0;
    PartyKey lastGiven = 0;
    bool operator==(const TableMark &) const = default;
};

// How the store reaches one table of the file.
struct Layout {
    QString table;        // quoted
    QString key;          // quoted key column, or rowid in a read-only earlier file
    QStringList columns;  // quoted, in partyColumns() order
    QString orderIndex;   // quoted narrow index on the key, or empty
    bool counted = false; // its row count is kept in party_counts
    bool keyed = false;   // has its own key column
    bool upgrade = false; // needs its key column
    // Another program's columns that an insert must fill (NOT NULL, no default), and the
    // empty value of each one's type, as SQL.
    QStringList filled;
    QStringList fillValues;
};

struct Plan {
    bool newBook = false;
    std::array<Layout, 2> layouts;
    bool needsWrite() const
    {
        if (newBook)
            return true;
        for (const Layout &l : layouts) {
            if (l.upgrade || (l.keyed && (l.orderIndex.isEmpty() || !l.counted)))
                return true;
        }
        return false;
    }
};

const ColumnInfo *findColumn(const TableInfo &table, QStringView name)
{
    for (const ColumnInfo &c : table.columns) {
        if (c.name == name)
            return &c;
    }
    for (const ColumnInfo &c : table.columns) {
        if (sameIdentifier(c.name, name))
            return &c;
    }
    return nullptr;
}

bool isOwnKey(const TableInfo &table, const ColumnInfo &column)
{
    int keys = 0;
    for (const ColumnInfo &c : table.columns)
        keys += c.pk > 0 ? 1 : 0;
    return keys == 1 && column.pk == 1 &&
           column.type.compare(u"INTEGER"_s, Qt::CaseInsensitive) == 0 &&
           table.sql.contains(u"AUTOINCREMENT"_s, Qt::CaseInsensitive);
}

// The empty value of a declared type, by SQLite's rules of affinity: 0 for a number, ''
// for text and for anything else.
QString emptyValueOf(const QString &type)
{
    const QString t = type.toUpper();
    if (t.contains(u"INT"_s))
        return u"0"_s;
    if (t.contains(u"CHAR"_s) || t.contains(u"CLOB"_s) || t.contains(u"TEXT"_s) ||
        t.contains(u"BLOB"_s) || t.isEmpty())
        return u"''"_s;
    return u"0"_s; // REAL, NUMERIC and every other name
}

// Decides from what the file holds whether it can be used and what must be written
// first; nothing is written here.
StoreResult<Plan> assess(const BookInfo &info, const QString &path)
{
    Plan plan;
    if (info.objects == 0) {
        // No tables at all: a file just made by another copy, or emptied. A new book.
        plan.newBook = true;
        return plan;
    }
    if (!info.tables[0] && !info.tables[1])
        return refused(path,
                       u"това е база от данни на друга програма: липсват таблиците „%1“ "
                       "и „%2“ на адресната книга."_s.arg(partyTableName(PartyTable::Recipients),
                                                          partyTableName(PartyTable::Payers)));
    for (PartyTable t : kPartyTables) {
        const std::optional<TableInfo> &table = info.tables[size_t(slot(t))];
        if (!table)
            return refused(path, u"в нея липсва таблицата „%1“."_s.arg(partyTableName(t)));
        Layout &layout = plan.layouts[size_t(slot(t))];
        layout.table = quoted(table->name);
        QStringList missing;
        for (const QString &name : partyColumns(t)) {
            if (const ColumnInfo *c = findColumn(*table, name))
                layout.columns.append(quoted(c->name));
            else
                missing.append(u"„"_s + name + u"“"_s);
        }
        if (!missing.isEmpty()) {
            return refused(path, (missing.size() == 1 ? u"в таблицата „%1“ липсва колоната %2."_s
                                                      : u"в таблицата „%1“ липсват колоните %2."_s)
                                     .arg(partyTableName(t), missing.join(u", "_s)));
        }
        if (const ColumnInfo *key = findColumn(*table, kPartyKeyColumn)) {
            if (!isOwnKey(*table, *key))
                return refused(
                    path, u"колоната „%1“ на таблицата „%2“ не е ключът на редовете, "
                          "какъвто програмата поставя."_s.arg(kPartyKeyColumn, partyTableName(t)));
            layout.key = quoted(key->name);
            layout.keyed = true;
            if (table->orderIndex)
                layout.orderIndex = quoted(orderIndexName(table->name));
            layout.counted = info.countsTable && table->countTriggers == 2;
        } else {
            layout.key = u"rowid"_s;
            layout.upgrade = true;
        }
        // Another program's column that must be filled and has no default gets its type's
        // empty value: every row the clerk adds is kept whole and that column is as empty
        // as it can be. Opening the book read-only instead would lose every add.
        for (const ColumnInfo &c : table->columns) {
            if (!c.notNull || !c.defaultValue.isNull() || c.pk > 0 ||
                sameIdentifier(c.name, kPartyKeyColumn) ||
                std::any_of(partyColumns(t).begin(), partyColumns(t).end(),
                            [&](const QString &own) { return sameIdentifier(own, c.name); }))
                continue;
            layout.filled.append(quoted(c.name));
            layout.fillValues.append(emptyValueOf(c.type));
        }
    }
    return plan;
}

QString createTableSql(PartyTable t)
{
    QStringList defs;
    for (const QString &c : partyColumns(t))
        defs.append(quoted(c) + u" TEXT NOT NULL DEFAULT ''"_s);
    // The key stands last, so that earlier versions, which fill the first columns by
    // their names and read by position, can still work beside this one.
    defs.append(quoted(kPartyKeyColumn) + u" INTEGER PRIMARY KEY AUTOINCREMENT"_s);
    return u"CREATE TABLE "_s + quoted(partyTableName(t)) + u" ("_s + defs.join(u", "_s) + u')';
}

QString createOrderIndexSql(const QString &table)
{
    // The key is the row's own number already; this narrow copy of it lets SQLite count
    // rows and skip to a position without reading the rows themselves.
    return u"CREATE INDEX IF NOT EXISTS "_s + quoted(orderIndexName(table)) + u" ON "_s +
           quoted(table) + u" ("_s + quoted(kPartyKeyColumn) + u')';
}

QStringList countingSql(PartyTable t, const QString &table)
{
    const QString name = u'\'' + partyTableName(t) + u'\'';
    const QString update = u" ON "_s + quoted(table) + u" BEGIN UPDATE "_s + quoted(kCountsTable) +
                           u" SET row_count = row_count %1 1 WHERE table_name = "_s + name +
                           u"; END"_s;
    return {u"CREATE TABLE IF NOT EXISTS "_s + quoted(kCountsTable) +
                u" (table_name TEXT PRIMARY KEY, row_count INTEGER NOT NULL)"_s,
            u"DROP TRIGGER IF EXISTS "_s + quoted(countTriggerName(t, true)),
            u"DROP TRIGGER IF EXISTS "_s + quoted(countTriggerName(t, false)),
            u"INSERT OR REPLACE INTO "_s + quoted(kCountsTable) + u" VALUES ("_s + name +
                u", (SELECT count(*) FROM "_s + quoted(table) + u"))"_s,
            u"CREATE TRIGGER "_s + quoted(countTriggerName(t, true)) + u" AFTER INSERT"_s +
                update.arg(u"+"_s),
            u"CREATE TRIGGER "_s + quoted(countTriggerName(t, false)) + u" AFTER DELETE"_s +
                update.arg(u"-"_s)};
}

// Rebuilds an earlier table with a key column after its own columns, keeping every
// column's definition, every row and the row order (its key is its row number).
QStringList upgradeSql(const TableInfo &table)
{
    const QString fresh = quoted(QString(table.name + u"_formelan_upgrade"_s));
    QStringList defs, names;
    for (const ColumnInfo &c : table.columns) {
        QString def = quoted(c.name);
        if (!c.type.isEmpty())
            def += u' ' + c.type;
        if (c.notNull)
            def += u" NOT NULL"_s;
        if (!c.defaultValue.isNull())
            def += u" DEFAULT "_s + c.defaultValue.toString();
        defs.append(def);
        names.append(quoted(c.name));
    }
    defs.append(quoted(kPartyKeyColumn) + u" INTEGER PRIMARY KEY AUTOINCREMENT"_s);
    const QString columns = names.join(u", "_s);
    QStringList sql{u"CREATE TABLE "_s + fresh + u" ("_s + defs.join(u", "_s) + u')',
                    u"INSERT INTO "_s + fresh + u" ("_s + columns + u", "_s +
                        quoted(kPartyKeyColumn) + u") SELECT "_s + columns + u", rowid FROM "_s +
                        quoted(table.name) + u" ORDER BY rowid"_s,
                    u"DROP TABLE "_s + quoted(table.name),
                    u"ALTER TABLE "_s + fresh + u" RENAME TO "_s + quoted(table.name),
                    createOrderIndexSql(table.name)};
    sql.append(table.dependents);
    return sql;
}

// The rows as the check for control characters sees them: line breaks and tabs are kept,
// as books of every version hold them (an address on two lines) and CSV quotes them.
std::vector<QStringList> withoutLineBreaks(std::span<const QStringList> rows)
{
    std::vector<QStringList> out(rows.begin(), rows.end());
    for (QStringList &values : out) {
        for (QString &v : values) {
            if (v.contains(u'\n') || v.contains(u'\r') || v.contains(u'\t'))
                v.replace(u'\n', u' ').replace(u'\r', u' ').replace(u'\t', u' ');
        }
    }
    return out;
}

// ---- the store -----------------------------------------------------------------------

class SqlitePartyStore final : public PartyStore {
public:
    SqlitePartyStore(QString path, SqliteBookOptions options)
        : m_path(std::move(path))
        , m_options(options)
    {}

    StoreError open();

    QString location() const override { return native(m_path); }
    QString readOnlyReason() const override { return m_readOnly; }
    StoreResult<BookSummary> summary(PartyTable table) override;
    StoreError readRows(PartyTable table, const RowRange &range, std::span<const int> columns,
                        const std::function<bool(PartyRow &&)> &sink) override;
    StoreResult<std::vector<PartyRow>> rowsWithKeys(PartyTable table,
                                                    std::span<const PartyKey> keys) override;
    StoreResult<std::vector<PartyKey>> add(PartyTable table,
                                           std::span<const QStringList> rows) override;
    StoreError remove(PartyTable table, PartyKey key) override;
    std::function<StoreResult<std::unique_ptr<PartyStore>>()> opener() const override;
    void watchChanges(std::function<void(PartyTable)> changed) override;

    // Another copy held the book while it opened: the store opens all the same, and
    // each operation looks again until it can.
    void openWhenFree() { m_pending = true; }
    // Runs `f` with every wait for another copy's lock cut to `ms` at most.
    template <typename F> StoreError waitingAtMost(int ms, F f)
    {
        const int wait = m_options.busyTimeoutMs;
        m_options.busyTimeoutMs = std::min(ms, wait);
        StoreError e = f();
        m_options.busyTimeoutMs = wait;
        if (m_connection.isOpen())
            m_connection.run(u"PRAGMA busy_timeout=%1"_s.arg(wait));
        return e;
    }

private:
    StoreError ready();
    void poll();
    void rememberSummaries();
    std::optional<TableMark> markOf(PartyTable t);
    std::optional<qint64> dataVersion();
    template <typename F> auto withoutWaiting(F f);
    StoreError openWritable(const Plan &known);
    StoreError openReadOnly(const QString &why, const Plan &plan, Access access);
    StoreError prepareForWriting();
    void afterWrite();
    StoreError refuseWrite() const { return {StoreError::Kind::ReadOnly, m_readOnly}; }
    const Layout &layout(PartyTable t) const { return m_plan.layouts[size_t(slot(t))]; }
    QString selectList(PartyTable t, std::span<const int> columns) const;

    QString m_path;
    SqliteBookOptions m_options;
    Connection m_connection;
    Plan m_plan;
    QString m_readOnly;
    bool m_checkpoint = false;
    bool m_pending = false;
    StoreError m_failed; // what the look after a busy open found, when not a book

    // Watching: what was last seen of the file and of each table.
    std::function<void(PartyTable)> m_changed;
    std::unique_ptr<QTimer> m_timer;
    qint64 m_dataVersion = -1;
    std::optional<std::pair<quint64, quint64>> m_fileId; // device and inode
    std::array<std::optional<TableMark>, 2> m_seen;
};

// Whether this process may change the file: write it, and make its journal beside it.
struct Rights {
    bool exists = false;
    qint64 size = 0;
    bool readable = false;
    bool fileWritable = false;
    bool folderWritable = false;
};

Rights rightsFor(const QString &path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    Rights r;
    r.exists = file.exists();
    r.size = r.exists ? file.size() : 0;
    r.readable = file.isReadable();
    r.fileWritable = !r.exists || file.isWritable();
    r.folderWritable = folder.exists() ? folder.isWritable() : true;
    return r;
}

// Byte 18 of the header is 2 in a write-ahead-log book.
bool inWalMode(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = f.read(20);
    return header.size() == 20 && header.startsWith("SQLite format 3") && header[18] == 2;
}

// What the first bytes say before SQLite reads them: a file that is no database, and one
// cut short (a copy broken off), are told apart from a damaged book.
enum class Shape { Database, NotDatabase, Damaged };

quint32 bigEndian(const QByteArray &bytes, int at, int size)
{
    quint32 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | quint8(bytes[at + i]);
    return v;
}

Shape shapeOf(const QString &path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Shape::Database; // SQLite says why
    const QByteArray header = f.read(100);
    if (header.size() < 16 || !header.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return Shape::NotDatabase;
    if (header.size() < 100)
        return Shape::Damaged;
    quint32 pageSize = bigEndian(header, 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return Shape::Damaged;
    // A journal or log beside it may hold what the file lacks; SQLite reads them first.
    if (QFileInfo::exists(path + u"-journal"_s) || QFileInfo::exists(path + u"-wal"_s))
        return Shape::Database;
    // The page count in the header holds when it was written with the change counter.
    const quint64 pages = bigEndian(header, 28, 4);
    if (bigEndian(header, 24, 4) == bigEndian(header, 92, 4) && pages > 0 &&
        quint64(size) < pages * pageSize)
        return Shape::Damaged;
    return size % pageSize == 0 ? Shape::Database : Shape::Damaged;
}

const QString kDamaged =
    u"базата от данни в него е повредена или непълна (например прекъснато копиране)."_s;

StoreError SqlitePartyStore::open()
{
    if (QFileInfo(m_path).isDir())
        return {StoreError::Kind::Refused,
                u"„%1“ е папка, а не файл: адресната книга е един файл в папка. Програмата не е "
                "променила нищо в нея. Ако папката не е нужна там, преместете я или я "
                "преименувайте: програмата ще започне нова, празна книга."_s.arg(native(m_path))};
    const Rights rights = rightsFor(m_path);
    const QString folder = QFileInfo(m_path).absolutePath();
    QString cannotWrite;
    if (!rights.folderWritable)
        cannotWrite = u"в папката „%1“ не може да се пише, а базата данни има нужда там от "
                      "временен файл при всеки запис."_s.arg(native(folder));
    else if (!rights.fileWritable)
        cannotWrite = u"файлът е само за четене."_s;

    if (!rights.exists || rights.size == 0) {
        if (!cannotWrite.isEmpty()) {
            // Nothing to read and nowhere to write: an empty book that says why.
            m_readOnly = readOnlyText(m_path, cannotWrite);
            return {};
        }
        if (!QDir().mkpath(folder)) {
            m_readOnly = readOnlyText(
                m_path, u"папката „%1“ не може да бъде създадена."_s.arg(native(folder)));
            return {};
        }
        return openWritable(Plan{true, {}});
    }
    if (!rights.readable)
        return {StoreError::Kind::Unavailable,
                u"Файлът „%1“ не може да бъде прочетен: няма право за четене. Поискайте право "
                "за четене и запис във файла от администратора на компютъра. Книга на сървър се "
                "избира в „Обработване → Настройки…“."_s.arg(native(m_path))};
    switch (shapeOf(m_path, rights.size)) {
    case Shape::NotDatabase:
        return refused(m_path, u"не е база от данни (а например текст или документ)."_s);
    case Shape::Damaged:
        return refused(m_path, kDamaged);
    case Shape::Database:
        break;
    }

    // Look first, through a connection that cannot write. A write-ahead-log book whose log
    // is not beside it is read as it lies, so that not even the log's files are made.
    const bool wal = inWalMode(m_path);
    const bool logBeside = QFileInfo::exists(m_path + u"-wal"_s);
    const Access look = wal && !logBeside ? Access::Immutable : Access::ReadOnly;
    StoreResult<BookInfo> info = [&]() -> StoreResult<BookInfo> {
        Connection c;
        if (const QSqlError e = c.open(m_path, look, m_options.busyTimeoutMs); e.isValid())
            return databaseError(m_path, e, kNotRead);
        StoreResult<BookInfo> seen = inspect(c, m_path);
        // A journal left by a crash must be rolled back before the file can be read;
        // only a connection that may write does that.
        if (!seen.ok() && seen.error().kind() == StoreError::Kind::ReadOnly &&
            cannotWrite.isEmpty()) {
            if (const QSqlError e = c.open(m_path, Access::ReadWrite, m_options.busyTimeoutMs);
                e.isValid())
                return databaseError(m_path, e, kNotRead);
            seen = inspect(c, m_path);
        }
        return seen;
    }();
    if (!info.ok()) {
        if (info.error().kind() == StoreError::Kind::Refused)
            return {StoreError::Kind::Refused,
                    withDetail(refused(m_path, kDamaged).message(), info.error().detail()),
                    info.error().detail()};
        return info.error();
    }
    StoreResult<Plan> plan = assess(info.value(), m_path);
    if (!plan.ok())
        return plan.error();
    if (!cannotWrite.isEmpty())
        return openReadOnly(cannotWrite, plan.value(), look);
    return openWritable(plan.value());
}

StoreError SqlitePartyStore::openReadOnly(const QString &why, const Plan &plan, Access access)
{
    m_readOnly = readOnlyText(m_path, why);
    m_plan = plan;
    if (plan.newBook)
        return {}; // no tables yet: both lists are empty
    if (const QSqlError e = m_connection.open(m_path, access, m_options.busyTimeoutMs); e.isValid())
        return databaseError(m_path, e, kNotRead);
    return {};
}

StoreError SqlitePartyStore::openWritable(const Plan &known)
{
    if (const QSqlError e = m_connection.open(m_path, Access::ReadWrite, m_options.busyTimeoutMs);
        e.isValid())
        return databaseError(m_path, e, kNotRead);
    m_plan = known;
    if (known.needsWrite()) {
        if (StoreError e = prepareForWriting())
            return e;
    }
    // Every write is on the disk before it returns.
    m_connection.run(u"PRAGMA synchronous=FULL"_s);

    QString mode;
    {
        QSqlQuery q(m_connection.db());
        if (q.exec(u"PRAGMA journal_mode"_s) && q.next())
            mode = q.value(0).toString().toLower();
    }
    const bool wantWal = m_options.journal == SqliteBookOptions::Journal::WalWithCheckpoint;
    const QString wanted = wantWal ? u"wal"_s : u"delete"_s;
    if (mode != wanted) {
        // Leaving the write-ahead log needs the file to ourselves; when another copy has it
        // open we do not wait, and fold the log back after each write instead.
        m_connection.run(u"PRAGMA busy_timeout=0"_s);
        QSqlQuery q(m_connection.db());
        if (q.exec(u"PRAGMA journal_mode="_s + wanted) && q.next())
            mode = q.value(0).toString().toLower();
        q.finish();
        m_connection.run(u"PRAGMA busy_timeout=%1"_s.arg(m_options.busyTimeoutMs));
    }
    m_checkpoint = mode == u"wal"_s;
    return {};
}

// Makes the tables of a new book, or upgrades an earlier one, in one transaction taken
// before looking again: another copy may have done it meanwhile.
StoreError SqlitePartyStore::prepareForWriting()
{
    if (const QSqlError e = m_connection.run(u"BEGIN IMMEDIATE"_s); e.isValid())
        return databaseError(m_path, e, kNotPrepared);
    auto rollback = [this](StoreError error) {
        m_connection.run(u"ROLLBACK"_s);
        m_connection.run(u"PRAGMA legacy_alter_table=OFF"_s);
        return error;
    };
    StoreResult<BookInfo> info = inspect(m_connection, m_path);
    if (!info.ok())
        return rollback(info.error());
    StoreResult<Plan> plan = assess(info.value(), m_path);
    if (!plan.ok())
        return rollback(plan.error());
    QStringList sql;
    if (plan->newBook) {
        for (PartyTable t : kPartyTables) {
            sql.append(createTableSql(t));
            sql.append(createOrderIndexSql(partyTableName(t)));
            sql.append(countingSql(t, partyTableName(t)));
        }
    } else {
        for (PartyTable t : kPartyTables) {
            const Layout &l = plan->layouts[size_t(slot(t))];
            const TableInfo &table = *info->tables[size_t(slot(t))];
            if (l.upgrade)
                sql.append(upgradeSql(table));
            else if (l.orderIndex.isEmpty())
                sql.append(createOrderIndexSql(table.name));
            if (l.upgrade || !l.counted)
                sql.append(countingSql(t, table.name));
        }
    }
    // The rename must not check views that name the table while it is away.
    m_connection.run(u"PRAGMA legacy_alter_table=ON"_s);
    for (const QString &statement : std::as_const(sql)) {
        if (const QSqlError e = m_connection.run(statement); e.isValid())
            return rollback(databaseError(m_path, e, kNotPrepared));
    }
    if (const QSqlError e = m_connection.run(u"COMMIT"_s); e.isValid())
        return rollback(databaseError(m_path, e, kNotPrepared));
    m_connection.run(u"PRAGMA legacy_alter_table=OFF"_s);

    // What was written is now what the store works with.
    StoreResult<BookInfo> now = inspect(m_connection, m_path);
    if (!now.ok())
        return now.error();
    StoreResult<Plan> done = assess(now.value(), m_path);
    if (!done.ok())
        return done.error();
    m_plan = done.take();
    return {};
}

void SqlitePartyStore::afterWrite()
{
    // The log is folded back into base.mdb, so that the file alone holds the write.
    if (m_checkpoint)
        m_connection.run(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
}

QString SqlitePartyStore::selectList(PartyTable t, std::span<const int> columns) const
{
    const Layout &l = layout(t);
    QStringList list{l.key};
    if (columns.empty())
        list.append(l.columns);
    else
        for (int c : columns)
            list.append(l.columns.at(c));
    return list.join(u", "_s);
}

StoreError SqlitePartyStore::ready()
{
    if (m_failed || !m_pending)
        return m_failed;
    StoreError e = open();
    if (e.kind() == StoreError::Kind::Busy)
        return e;
    m_pending = false;
    m_failed = e;
    if (!e && m_changed) {
        m_dataVersion = dataVersion().value_or(-1);
        rememberSummaries();
    }
    return e;
}

StoreResult<BookSummary> SqlitePartyStore::summary(PartyTable t)
{
    if (StoreError e = ready())
        return e;
    if (!m_connection.isOpen())
        return BookSummary{};
    const Layout &l = layout(t);
    // One statement: the count and the newest key are read at the same moment. Counting
    // reads every row's page; the kept count is one page.
    const QString counted = u"SELECT row_count FROM "_s + quoted(kCountsTable) +
                            u" WHERE table_name = '"_s + partyTableName(t) + u'\'';
    const QString count = u"SELECT count(*) FROM "_s + l.table;
    QSqlQuery q(m_connection.db());
    q.setForwardOnly(true);
    if (!q.exec(u"SELECT ("_s + (l.counted ? counted : count) + u"), (SELECT max("_s + l.key +
                u") FROM "_s + l.table + u')') ||
        !q.next())
        return databaseError(m_path, q.lastError(), kNotRead);
    if (q.value(0).isNull()) { // the kept count's row was removed
        q.finish();
        if (!q.exec(u"SELECT ("_s + count + u"), (SELECT max("_s + l.key + u") FROM "_s + l.table +
                    u')') ||
            !q.next())
            return databaseError(m_path, q.lastError(), kNotRead);
    }
    return BookSummary{q.value(0).toLongLong(), q.value(1).toLongLong()};
}

StoreError SqlitePartyStore::readRows(PartyTable t, const RowRange &range,
                                      std::span<const int> columns,
                                      const std::function<bool(PartyRow &&)> &sink)
{
    if (StoreError e = ready())
        return e;
    if (!m_connection.isOpen() || range.limit == 0)
        return {};
    const Layout &l = layout(t);
    PartyKey after = range.after, upTo = range.upTo;
    qint64 skip = range.skip;
    const QString order = u" ORDER BY "_s + l.key + (range.newestFirst ? u" DESC"_s : u""_s);
    if (skip > 0 && !l.orderIndex.isEmpty()) {
        // Skipping through the narrow index reads a few pages instead of every row.
        QSqlQuery q(m_connection.db());
        q.setForwardOnly(true);
        q.prepare(u"SELECT "_s + l.key + u" FROM "_s + l.table + u" INDEXED BY "_s + l.orderIndex +
                  u" WHERE "_s + l.key + u" > ? AND "_s + l.key + u" <= ?"_s + order +
                  u" LIMIT 1 OFFSET ?"_s);
        q.addBindValue(after);
        q.addBindValue(upTo);
        q.addBindValue(skip);
        if (!q.exec())
            return databaseError(m_path, q.lastError(), kNotRead);
        if (!q.next())
            return {};
        if (range.newestFirst)
            upTo = q.value(0).toLongLong();
        else
            after = q.value(0).toLongLong() - 1;
        skip = 0;
    }
    QSqlQuery q(m_connection.db());
    q.setForwardOnly(true);
    q.prepare(u"SELECT "_s + selectList(t, columns) + u" FROM "_s + l.table + u" WHERE "_s + l.key +
              u" > ? AND "_s + l.key + u" <= ?"_s + order + u" LIMIT ? OFFSET ?"_s);
    q.addBindValue(after);
    q.addBindValue(upTo);
    q.addBindValue(range.limit < 0 ? qint64(-1) : range.limit);
    q.addBindValue(skip);
    if (!q.exec())
        return databaseError(m_path, q.lastError(), kNotRead);
    while (q.next()) {
        if (!sink(partyRowFromQuery(q, t, columns)))
            break;
    }
    if (q.lastError().isValid())
        return databaseError(m_path, q.lastError(), kNotRead);
    return {};
}

StoreResult<std::vector<PartyRow>> SqlitePartyStore::rowsWithKeys(PartyTable t,
                                                                  std::span<const PartyKey> keys)
{
    if (StoreError e = ready())
        return e;
    std::vector<PartyRow> out;
    if (!m_connection.isOpen())
        return out;
    const Layout &l = layout(t);
    for (size_t from = 0; from < keys.size(); from += kKeysPerStatement) {
        const size_t n = std::min(keys.size() - from, size_t(kKeysPerStatement));
        QStringList marks(qsizetype(n), u"?"_s);
        QSqlQuery q(m_connection.db());
        q.setForwardOnly(true);
        q.prepare(u"SELECT "_s + selectList(t, {}) + u" FROM "_s + l.table + u" WHERE "_s + l.key +
                  u" IN ("_s + marks.join(u',') + u") ORDER BY "_s + l.key);
        for (size_t i = 0; i < n; ++i)
            q.addBindValue(keys[from + i]);
        if (!q.exec())
            return databaseError(m_path, q.lastError(), kNotRead);
        while (q.next())
            out.push_back(partyRowFromQuery(q, t, {}));
    }
    std::sort(out.begin(), out.end(),
              [](const PartyRow &a, const PartyRow &b) { return a.key < b.key; });
    return out;
}

StoreResult<std::vector<PartyKey>> SqlitePartyStore::add(PartyTable t,
                                                         std::span<const QStringList> rows)
{
    // A row of the wrong length is refused as such, before its values are looked at.
    for (const QStringList &values : rows) {
        if (values.size() != partyColumns(t).size())
            return storetext::wrongValueCount(t, values.size());
    }
    // A pasted NUL, once stored, broke the CSV file it was exported to.
    if (StoreError e = storetext::controlCharacters(t, withoutLineBreaks(rows)))
        return e;
    if (StoreError e = ready())
        return e;
    if (isReadOnly())
        return refuseWrite();
    std::vector<PartyKey> keys;
    if (rows.empty())
        return keys;
    const Layout &l = layout(t);
    const bool several = rows.size() > 1;
    const QString notAdded = several ? notAddedAll(rows.size()) : kNotAdded;
    if (several) {
        if (const QSqlError e = m_connection.run(u"BEGIN IMMEDIATE"_s); e.isValid())
            return databaseError(m_path, e, notAdded);
    }
    StoreError failure;
    {
        QSqlQuery q(m_connection.db());
        q.prepare(u"INSERT INTO "_s + l.table + u" ("_s + (l.columns + l.filled).join(u", "_s) +
                  u") VALUES ("_s +
                  (QStringList(l.columns.size(), u"?"_s) + l.fillValues).join(u", "_s) + u')');
        for (const QStringList &values : rows) {
            for (const QString &v : values)
                q.addBindValue(v.isNull() ? QString(u""_s) : v); // empty text, never NULL
            if (!q.exec()) {
                failure = databaseError(m_path, q.lastError(), notAdded);
                break;
            }
            keys.push_back(q.lastInsertId().toLongLong());
        }
    }
    if (several) {
        if (!failure) {
            if (const QSqlError e = m_connection.run(u"COMMIT"_s); e.isValid())
                failure = databaseError(m_path, e, notAdded);
        }
        if (failure)
            m_connection.run(u"ROLLBACK"_s);
    }
    if (failure)
        return failure;
    afterWrite();
    if (m_changed) // our own rows are not another copy's change
        m_seen[size_t(slot(t))] = markOf(t);
    return keys;
}

StoreError SqlitePartyStore::remove(PartyTable t, PartyKey key)
{
    if (StoreError e = ready())
        return e;
    if (isReadOnly())
        return refuseWrite();
    const Layout &l = layout(t);
    int changed = 0;
    {
        QSqlQuery q(m_connection.db());
        q.prepare(u"DELETE FROM "_s + l.table + u" WHERE "_s + l.key + u" = ?"_s);
        q.addBindValue(key);
        if (!q.exec())
            return databaseError(m_path, q.lastError(), kNotDeleted);
        changed = q.numRowsAffected();
    }
    if (changed == 0)
        return storetext::gone();
    afterWrite();
    if (m_changed)
        m_seen[size_t(slot(t))] = markOf(t);
    return {};
}

// ---- watching --------------------------------------------------------------------

// Often enough that another copy's add shows within a second; each look is one pragma on
// the open connection and one stat of the file.
constexpr int kWatchIntervalMs = 500;
// How long a look from the timer waits for a book another copy holds.
constexpr int kPollWaitMs = 50;

// The file's identity: another file put in its place, or none, is a different book.
std::optional<std::pair<quint64, quint64>> fileIdOf(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return std::pair{quint64(st.st_dev), quint64(st.st_ino)};
#else
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    return std::pair{quint64(0), quint64(info.birthTime().toMSecsSinceEpoch())};
#endif
}

// A look from the timer must not wait for another copy's write: the next look sees it.
template <typename F> auto SqlitePartyStore::withoutWaiting(F f)
{
    m_connection.run(u"PRAGMA busy_timeout=0"_s);
    auto result = f();
    m_connection.run(u"PRAGMA busy_timeout=%1"_s.arg(m_options.busyTimeoutMs));
    return result;
}

std::optional<qint64> SqlitePartyStore::dataVersion()
{
    if (!m_connection.isOpen())
        return std::nullopt;
    // Changes only when another connection commits, never for this one's own writes.
    return withoutWaiting([this]() -> std::optional<qint64> {
        QSqlQuery q(m_connection.db());
        q.setForwardOnly(true);
        if (!q.exec(u"PRAGMA data_version"_s) || !q.next())
            return std::nullopt;
        return q.value(0).toLongLong();
    });
}

std::optional<TableMark> SqlitePartyStore::markOf(PartyTable t)
{
    return withoutWaiting([&]() -> std::optional<TableMark> {
        StoreResult<BookSummary> s = summary(t);
        if (!s.ok())
            return std::nullopt;
        TableMark mark{s->count, s->lastKey};
        if (layout(t).keyed) {
            // The newest key falls back when the newest row is deleted; this never does.
            QSqlQuery q(m_connection.db());
            q.setForwardOnly(true);
            q.prepare(u"SELECT seq FROM sqlite_sequence WHERE name = ? COLLATE NOCASE"_s);
            q.addBindValue(partyTableName(t));
            if (!q.exec())
                return std::nullopt;
            if (q.next())
                mark.lastGiven = q.value(0).toLongLong();
        }
        return mark;
    });
}

void SqlitePartyStore::rememberSummaries()
{
    for (PartyTable t : kPartyTables)
        m_seen[size_t(slot(t))] = markOf(t);
}

void SqlitePartyStore::watchChanges(std::function<void(PartyTable)> changed)
{
    m_changed = std::move(changed);
    if (!m_changed) {
        m_timer.reset();
        return;
    }
    m_fileId = fileIdOf(m_path);
    if (!m_pending) {
        m_dataVersion = dataVersion().value_or(-1);
        rememberSummaries();
    }
    if (!m_timer) {
        m_timer = std::make_unique<QTimer>();
        m_timer->setInterval(kWatchIntervalMs);
        QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { poll(); });
        m_timer->start();
    }
}

void SqlitePartyStore::poll()
{
    // The function may stop the watch or drop the store: nothing of it is used after.
    const auto tellBoth = [changed = m_changed] {
        for (PartyTable t : kPartyTables)
            changed(t);
    };
    const auto id = fileIdOf(m_path);
    if (id != m_fileId) {
        m_fileId = id;
        if (id) {
            // Another file in its place: that one is the book now, looked at as on opening.
            m_failed = {};
            m_pending = true;
            waitingAtMost(kPollWaitMs, [this] { return ready(); });
        } else {
            // Gone: writing on into the deleted file would lose every write.
            m_connection.close();
            m_failed = {
                StoreError::Kind::Unavailable,
                u"Файлът на адресната книга „%1“ е изтрит или преместен от друга "
                "програма. Нищо не е записано. Върнете файла на мястото му. Ако "
                "е изгубен, програмата започва нова, празна книга при следващото си пускане."_s.arg(
                    native(m_path))};
        }
        tellBoth();
        return;
    }
    if (m_failed)
        return;
    if (m_pending) {
        // The book opened while another copy wrote: look again, waiting only briefly, as
        // the event loop must not stop for it; once looked at, the lists read it anew.
        waitingAtMost(kPollWaitMs, [this] { return ready(); });
        if (!m_pending)
            tellBoth();
        return;
    }
    std::array<bool, 2> moved{};
    const std::optional<qint64> version = dataVersion();
    if (version && *version != m_dataVersion) {
        // Only a table whose count or last key given moved was written: keys are never
        // given again, so an add always moves the last key given and a delete the count.
        for (PartyTable t : kPartyTables) {
            const size_t i = size_t(slot(t));
            const std::optional<TableMark> now = markOf(t);
            moved[i] = !now || !m_seen[i] || *now != *m_seen[i];
        }
        // Written, but neither moved: a change in place by another program.
        if (!moved[0] && !moved[1])
            moved = {true, true};
    } else {
        return;
    }
    m_dataVersion = *version;
    rememberSummaries();
    const std::function<void(PartyTable)> changed = m_changed;
    for (PartyTable t : kPartyTables) {
        if (moved[size_t(slot(t))])
            changed(t);
    }
}

std::function<StoreResult<std::unique_ptr<PartyStore>>()> SqlitePartyStore::opener() const
{
    return [path = m_path, options = m_options] { return openSqliteBook(path, options); };
}

} // namespace

StoreResult<std::unique_ptr<PartyStore>> openSqliteBook(const QString &path,
                                                        const SqliteBookOptions &options)
{
    auto store = std::make_unique<SqlitePartyStore>(QFileInfo(path).absoluteFilePath(), options);
    // Opening waits only briefly for another copy's write: the store opens anyway.
    constexpr int kOpenWaitMs = 1000;
    if (StoreError e = store->waitingAtMost(kOpenWaitMs, [&] { return store->open(); })) {
        // Another copy writing must not keep this one from starting.
        if (e.kind() != StoreError::Kind::Busy)
            return e;
        store->openWhenFree();
    }
    return std::unique_ptr<PartyStore>(std::move(store));
}

} // namespace formelan
