#include "parties/pgpartystore.h"

#include "parties/sqlitepartystore.h"

#include <QRegularExpression>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <libpq-fe.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <utility>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

std::atomic<int> g_connections = 0;

// Our advisory locks: "Form" in the high half, a table's oid (or 0 for making the
// tables) in the low half.
constexpr qint64 kLockSpace = qint64(0x466F726D) << 32;
// The channel on which copies tell each other of their changes; the payload is the table.
const QByteArray kChannel = QByteArrayLiteral("formelan_parties");
// A connection that the server ended is made again after this, then less often.
constexpr int kFirstRetryMs = 2000;
constexpr int kLastRetryMs = 60000;
// Rows per INSERT statement, and keys per SELECT, when many go at once.
constexpr qsizetype kRowsPerInsert = 5000;
constexpr qsizetype kKeysPerStatement = 1000;
// Rows per statement when a long range is read: bounded memory, and the reader may call
// the store again between pages.
constexpr qint64 kRowsPerPage = 5000;

QString quoted(QStringView identifier)
{
    return u'"' + identifier.toString().replace(u'"', u"\"\""_s) + u'"';
}

// A name as it is typed in SQL: quoted unless PostgreSQL would read it unquoted as it is.
QString sqlName(const QString &name)
{
    static const QRegularExpression plain(u"^[a-z_][a-z0-9_]*$"_s);
    return plain.match(name).hasMatch() ? name : quoted(name);
}

// A value in a libpq connection string.
QString libpqValue(QString value)
{
    value.replace(u'\\', u"\\\\"_s);
    value.replace(u'\'', u"\\'"_s);
    return u'\'' + value + u'\'';
}

// PostgreSQL folds unquoted names to lower case in ASCII only; a table made without
// quotes has "iban" where we look for "IBAN".
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

int slot(PartyTable table)
{
    return table == PartyTable::Recipients ? 0 : 1;
}

// ---- what went wrong -----------------------------------------------------------------

enum class Cause {
    None,
    ConnectionLost, // the connection broke, or the server ended it
    Unreachable,    // connecting: nothing answers there
    CannotConnect,  // connecting failed for a reason not recognised
    ServiceUnknown, // connecting: no such service in pg_service.conf
    BadPassword,
    NoPassword,
    NoLogin,    // the role may not log in or connect: pg_hba.conf, no such role, no CONNECT
    NoDatabase, // the database does not exist
    Tls,        // sslmode and the server disagree, or the certificate is refused
    TooManyConnections,
    NoPrivilege,     // 42501
    UndefinedObject, // 42P01, 42703: a table or column went away meanwhile
    Busy,            // 55P03 lock timeout, 57014 statement timeout
    Conflict,        // 40001, 40P01: tried once more
    ServerReadOnly,  // 25006: a standby, or default_transaction_read_only
    DiskFull,        // 53100
    TooLong,         // 22001: a varchar column shorter than the value
    NoDriver,
    Other,
};

// Connecting gives no SQLSTATE through Qt 6.4 (libpq keeps none for a refused start-up),
// so the cause is read from libpq's and the server's own text, which are English unless
// their locale has a translation (neither has a Bulgarian one); a code is used when
// there is one.
Cause causeOfConnect(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    if (code == u"28P01"_s)
        return Cause::BadPassword;
    if (code == u"28000"_s || code == u"42501"_s)
        return Cause::NoLogin;
    if (code == u"3D000"_s)
        return Cause::NoDatabase;
    if (code == u"53300"_s)
        return Cause::TooManyConnections;
    const QString text = error.databaseText() + u' ' + error.driverText();
    auto has = [&](QStringView s) { return text.contains(s, Qt::CaseInsensitive); };
    if (has(u"driver not loaded"))
        return Cause::NoDriver;
    if (has(u"password authentication failed"))
        return Cause::BadPassword;
    if (has(u"no password supplied") || has(u"password is required"))
        return Cause::NoPassword;
    if (has(u"definition of service") || has(u"service file"))
        return Cause::ServiceUnknown;
    if (has(u"database \"") && has(u"\" does not exist"))
        return Cause::NoDatabase;
    // Also a role's own CONNECTION LIMIT, whose text names the role.
    if (has(u"too many clients") || has(u"too many connections") ||
        has(u"connection slots are reserved"))
        return Cause::TooManyConnections;
    if (has(u"pg_hba.conf") || has(u"authentication failed") || has(u"role \"") ||
        has(u"not permitted to log in") || has(u"permission denied for database"))
        return Cause::NoLogin;
    if (has(u"SSL") || has(u"certificate") || has(u"GSS"))
        return Cause::Tls;
    if (code.startsWith(u"08"_s) || code.startsWith(u"57P0"_s) || has(u"could not connect") ||
        has(u"Connection refused") || has(u"timeout expired") || has(u"could not translate") ||
        has(u"unreachable") || has(u"No route to host") || has(u"No such file or directory") ||
        has(u"server closed the connection") || has(u"starting up") || has(u"shutting down"))
        return Cause::Unreachable;
    return Cause::CannotConnect;
}

Cause causeOf(const QSqlError &error, bool stillConnected)
{
    const QString code = error.nativeErrorCode();
    if (!stillConnected || code.startsWith(u"08"_s) || code == u"57P01"_s || code == u"57P02"_s ||
        code == u"57P03"_s)
        return Cause::ConnectionLost;
    if (code == u"42501"_s)
        return Cause::NoPrivilege;
    if (code == u"42P01"_s || code == u"42703"_s)
        return Cause::UndefinedObject;
    if (code == u"55P03"_s || code == u"57014"_s)
        return Cause::Busy;
    if (code == u"40001"_s || code == u"40P01"_s)
        return Cause::Conflict;
    if (code == u"25006"_s)
        return Cause::ServerReadOnly;
    if (code == u"53100"_s)
        return Cause::DiskFull;
    if (code == u"53300"_s)
        return Cause::TooManyConnections;
    if (code == u"22001"_s)
        return Cause::TooLong;
    if (code.isEmpty() && error.type() == QSqlError::ConnectionError)
        return Cause::ConnectionLost;
    return Cause::Other;
}

QString detailOf(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text;
}

QString withDetail(const QString &message, const QString &detail)
{
    if (detail.isEmpty())
        return message;
    return message + u"\nСъобщение от PostgreSQL: "_s + detail;
}

const QString kNotRead = u"Адресната книга не е прочетена."_s;
const QString kNotAdded = u"Записът не е добавен."_s;
const QString kNotDeleted = u"Записът не е изтрит."_s;
const QString kNotOpened = u"Адресната книга не е отворена."_s;

enum class Op { Read, Add, AddAll, Delete, Open, Check };

QString notDone(Op op)
{
    switch (op) {
    case Op::Read:
        return kNotRead;
    case Op::Add:
        return kNotAdded;
    case Op::AddAll:
        return u"Нито един от записите не е добавен: адресната книга е такава, каквато беше."_s;
    case Op::Delete:
        return kNotDeleted;
    case Op::Open:
        return kNotOpened;
    case Op::Check:
        return u"Връзката не е осъществена."_s;
    }
    return {};
}

// Who and where, for messages.
struct Whereabouts {
    QString where;  // "базата данни „…“ на сървъра „…“"
    QString server; // "сървъра „…“"
    QString user;
    QString database;
    QString service;
};

StoreError errorFor(Cause cause, const Whereabouts &w, Op op, const QString &detail)
{
    const QString what = notDone(op);
    using K = StoreError::Kind;
    auto make = [&](K kind, const QString &text) {
        return StoreError(kind, withDetail(text, detail), detail);
    };
    switch (cause) {
    case Cause::None:
        return {};
    case Cause::ConnectionLost:
    case Cause::Unreachable:
        if (op == Op::Open || op == Op::Check)
            return make(K::Unavailable,
                        u"Сървърът на адресната книга (%1) не отговаря. %2 Проверете името и "
                        "порта на сървъра в настройките, връзката с мрежата и дали сървърът "
                        "работи."_s.arg(w.where, what));
        return make(K::Unavailable,
                    u"Сървърът на адресната книга (%1) не отговаря. %2 Проверете връзката с "
                    "мрежата и дали сървърът работи; програмата ще се свърже отново при "
                    "следващото действие."_s.arg(w.where, what));
    case Cause::CannotConnect:
        return make(K::Unavailable,
                    u"Връзката със сървъра на адресната книга (%1) не може да бъде "
                    "осъществена. %2 Проверете настройките на връзката; причината е в "
                    "съобщението по-долу."_s.arg(w.where, what));
    case Cause::ServiceUnknown:
        return make(K::Unavailable,
                    u"Услугата „%1“ не е описана във файла pg_service.conf (~/.pg_service.conf "
                    "или файла, посочен в PGSERVICEFILE). %2 Проверете името на услугата в "
                    "настройките."_s.arg(w.service, what));
    case Cause::BadPassword:
        return make(K::Unavailable,
                    u"Сървърът (%1) не прие паролата на потребителя „%2“. %3 Проверете паролата "
                    "за този сървър във файла ~/.pgpass (или в PGPASSWORD) и опитайте "
                    "отново."_s.arg(w.where, w.user, what));
    case Cause::NoPassword:
        return make(K::Unavailable,
                    u"Сървърът (%1) иска парола за потребителя „%2“, а такава не е намерена. %3 "
                    "Запишете я във файла ~/.pgpass като ред "
                    "„сървър:порт:база:потребител:парола“ (файлът трябва да има права 0600) "
                    "или я задайте в PGPASSWORD."_s.arg(w.where, w.user, what));
    case Cause::NoLogin:
        return make(
            K::Unavailable,
            u"Сървърът (%1) не допуска потребителя „%2“ до базата данни. %3 Помолете "
            "администратора на сървъра да разреши достъпа му."_s.arg(w.where, w.user, what));
    case Cause::NoDatabase:
        return make(K::Unavailable,
                    u"На %1 няма база данни „%2“. %3 Проверете името ѝ в настройките или "
                    "помолете администратора да я създаде."_s.arg(w.server, w.database, what));
    case Cause::Tls:
        return make(K::Unavailable,
                    u"Връзката със сървъра (%1) не може да бъде защитена така, както искат "
                    "настройката sslmode или сървърът. %2 Проверете настройката sslmode и "
                    "сертификатите."_s.arg(w.where, what));
    case Cause::TooManyConnections:
        return make(K::Busy,
                    u"Сървърът на адресната книга (%1) не приема повече връзки. %2 Опитайте "
                    "отново след малко."_s.arg(w.where, what));
    case Cause::NoPrivilege:
        switch (op) {
        case Op::Add:
        case Op::AddAll:
            return make(K::ReadOnly,
                        u"Потребителят „%1“ няма право да добавя записи в адресната книга (%2). "
                        "%3 Помолете администратора на сървъра да му даде това право."_s.arg(
                            w.user, w.where, what));
        case Op::Delete:
            return make(K::ReadOnly,
                        u"Потребителят „%1“ няма право да изтрива записи от адресната книга "
                        "(%2). %3 Помолете администратора на сървъра да му даде това право."_s.arg(
                            w.user, w.where, what));
        case Op::Read:
        case Op::Open:
        case Op::Check:
            return make(
                K::Refused,
                u"Потребителят „%1“ няма право да чете адресната книга (%2). %3 Помолете "
                "администратора на сървъра да му даде това право."_s.arg(w.user, w.where, what));
        }
        break;
    case Cause::UndefinedObject:
        return make(K::Refused,
                    u"Таблица или колона на адресната книга вече липсва (%1): някой я е "
                    "изтрил или преименувал. %2 Помолете администратора на сървъра да я "
                    "възстанови."_s.arg(w.where, what));
    case Cause::Busy:
    case Cause::Conflict:
        return make(K::Busy,
                    u"Адресната книга (%1) е заета от друга програма или от друго копие на "
                    "Formelan. %2 Опитайте отново след малко; ако това не помогне, помолете "
                    "администратора на сървъра да провери кой я държи."_s.arg(w.where, what));
    case Cause::ServerReadOnly:
        return make(K::ReadOnly,
                    u"Сървърът (%1) приема само четене: това е резервен сървър или е "
                    "поставен в режим само за четене. %2 Свържете се с основния сървър."_s.arg(
                        w.where, what));
    case Cause::DiskFull:
        return make(K::Failed,
                    u"Няма място на диска на сървъра (%1). %2 Съобщете на администратора на "
                    "сървъра."_s.arg(w.where, what));
    case Cause::TooLong:
        return make(K::Failed, u"Стойност е по-дълга, отколкото колоната на адресната книга (%1) "
                               "позволява. %2 Съкратете я или помолете администратора да разшири "
                               "колоната."_s.arg(w.where, what));
    case Cause::NoDriver:
        return make(K::Unavailable,
                    u"Драйверът за PostgreSQL на Qt (пакетът libqt6sql6-psql) не е "
                    "инсталиран. %1 Инсталирайте го или изберете адресната книга на този "
                    "компютър."_s.arg(what));
    case Cause::Other:
        break;
    }
    return make(K::Failed,
                u"Сървърът на адресната книга (%1) отказа. %2 Опитайте отново; ако "
                "грешката остане, съобщете текста по-долу на администратора."_s.arg(w.where, what));
}

// The connection broke while a change was being committed: the server may have done it.
StoreError inDoubt(const Whereabouts &w, Op op, const QString &detail)
{
    const QString done = op == Op::Add      ? u"дали записът е добавен"_s
                         : op == Op::AddAll ? u"дали записите са добавени"_s
                                            : u"дали записът е изтрит"_s;
    return {StoreError::Kind::Unavailable,
            withDetail(u"Връзката със сървъра (%1) прекъсна в мига на записа и не е известно "
                       "%2. Когато сървърът отново отговаря, отворете адресната книга "
                       "отново, за да проверите."_s.arg(w.where, done),
                       detail),
            detail};
}

QString readOnlyText(const Whereabouts &w, const QString &why)
{
    return u"Адресната книга (%1) е отворена само за четене: %2 Добавяне и изтриване не са "
           "възможни. За да записвате, помолете администратора на сървъра да даде на "
           "потребителя „%3“ право да добавя и изтрива записи."_s.arg(w.where, why, w.user);
}

StoreError refused(const Whereabouts &w, const QString &what)
{
    return {StoreError::Kind::Refused,
            u"Таблиците на адресната книга (%1) не са във вида, който програмата ползва: %2 "
            "Програмата не ги е променила. Помолете администратора на сървъра да ги поправи "
            "или посочете друга база данни."_s.arg(w.where, what)};
}

StoreError notCreatable(const Whereabouts &w, const QStringList &missing)
{
    QStringList names;
    for (const QString &m : missing)
        names.append(u"„"_s + m + u"“"_s);
    const QString missingText = names.size() == 1
                                    ? u"липсва таблицата %1, а потребителят „%2“ няма право да я "
                                      "създаде"_s
                                    : u"липсват таблиците %1, а потребителят „%2“ няма право да ги "
                                      "създаде"_s;
    return {StoreError::Kind::Refused,
            u"В адресната книга (%1) %2. Помолете администратора на сървъра да изпълни скрипта "
            "postgresql-setup.sql от ръководството или да даде на потребителя право да създава "
            "таблици."_s.arg(w.where, missingText.arg(names.join(u", "_s), w.user))};
}

// ---- one connection ------------------------------------------------------------------

// A result of libpq's, freed with this.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(PGresult *result)
        : m_result(result)
    {}
    PgResult(PgResult &&other) noexcept
        : m_result(std::exchange(other.m_result, nullptr))
    {}
    PgResult &operator=(PgResult &&other) noexcept
    {
        std::swap(m_result, other.m_result);
        return *this;
    }
    ~PgResult()
    {
        if (m_result)
            PQclear(m_result);
    }

    PGresult *get() const { return m_result; }
    int rows() const { return m_result ? PQntuples(m_result) : 0; }
    qint64 number(int row, int column) const
    {
        return QByteArrayView(PQgetvalue(m_result, row, column)).toLongLong();
    }
    // A NULL reads as empty text, as from the local book.
    QString text(int row, int column) const
    {
        const int length = PQgetlength(m_result, row, column);
        if (length == 0)
            return u""_s;
        return QString::fromUtf8(PQgetvalue(m_result, row, column), length);
    }

private:
    PGresult *m_result = nullptr;
};

// Values as the text of an array parameter ("{"a","b"}"): each quoted, so that none is
// read as NULL or split at a comma or a brace.
QByteArray textArray(qsizetype count, const std::function<const QString &(qsizetype)> &value)
{
    QByteArray out;
    out.reserve(count * 24 + 2);
    out.append('{');
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            out.append(',');
        out.append('"');
        for (const char c : value(i).toUtf8()) {
            if (c == '"' || c == '\\')
                out.append('\\');
            out.append(c);
        }
        out.append('"');
    }
    out.append('}');
    return out;
}

QByteArray numberArray(std::span<const PartyKey> keys)
{
    QByteArray out("{");
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i > 0)
            out.append(',');
        out.append(QByteArray::number(keys[i]));
    }
    out.append('}');
    return out;
}

// A named Qt SQL connection that removes itself.
class Connection {
public:
    Connection() = default;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection() { close(); }

    QSqlError open(const ServerBookSettings &s, const ServerBookOptions &o)
    {
        close();
        if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s))
            return QSqlError(u"Driver not loaded"_s, u"Driver not loaded"_s,
                             QSqlError::ConnectionError);
        m_name = u"formelan-server-%1"_s.arg(++g_connections);
        m_db = QSqlDatabase::addDatabase(u"QPSQL"_s, m_name);
        if (!s.host.isEmpty())
            m_db.setHostName(s.host);
        if (s.port > 0)
            m_db.setPort(s.port);
        if (!s.database.isEmpty())
            m_db.setDatabaseName(s.database);
        if (!s.user.isEmpty())
            m_db.setUserName(s.user);
        m_db.setConnectOptions(serverConnectOptions(s, o));
        if (!m_db.open()) {
            const QSqlError error = m_db.lastError();
            close();
            return error;
        }
        // Waiting for another program's lock, or a statement that runs on, end in "busy"
        // rather than in a window that does not answer.
        QSqlQuery q(m_db);
        // The server's notices ("already exists, skipping") are not for the clerk.
        if (!q.exec(u"SELECT set_config('lock_timeout', '%1', false), "
                    "set_config('statement_timeout', '%2', false), "
                    "set_config('client_min_messages', 'warning', false)"_s.arg(o.lockTimeoutMs)
                        .arg(o.statementTimeoutMs))) {
            const QSqlError error = q.lastError();
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

    bool isOpen() const
    {
        if (m_name.isEmpty() || !m_db.isOpen())
            return false;
        PGconn *conn = pg();
        return !conn || PQstatus(conn) == CONNECTION_OK;
    }
    const QSqlDatabase &db() const { return m_db; }

    // libpq's connection under Qt's, for statements whose values travel beside their text.
    PGconn *pg() const
    {
        if (m_name.isEmpty() || !m_db.driver())
            return nullptr;
        const QVariant handle = m_db.driver()->handle();
        // Qt names it by the struct behind libpq's typedef.
        if (qstrcmp(handle.typeName(), "pg_conn*") != 0 &&
            qstrcmp(handle.typeName(), "PGconn*") != 0)
            return nullptr;
        return *static_cast<PGconn *const *>(handle.constData());
    }

    // Runs a statement whose values are bound as $1, $2…: they go to the server beside its
    // text, so a statement that fails is logged by the server without a party's name, ЕГН
    // or IBAN in it. Qt's own prepared statements would spell them out in an EXECUTE.
    QSqlError execParams(const QString &sql, const QList<QByteArray> &params,
                         PgResult *out = nullptr) const
    {
        PGconn *conn = isOpen() ? pg() : nullptr;
        if (!conn)
            return lost();
        std::vector<const char *> values;
        values.reserve(size_t(params.size()));
        for (const QByteArray &p : params) // a null one is SQL's NULL
            values.push_back(p.isNull() ? nullptr : p.constData());
        PgResult result(PQexecParams(conn, sql.toUtf8().constData(), int(values.size()), nullptr,
                                     values.data(), nullptr, nullptr, 0));
        const ExecStatusType status =
            result.get() ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            if (out)
                *out = std::move(result);
            return {};
        }
        const QString text = QString::fromUtf8(result.get() ? PQresultErrorMessage(result.get())
                                                            : PQerrorMessage(conn))
                                 .trimmed();
        QString code;
        if (result.get())
            code = QString::fromLatin1(PQresultErrorField(result.get(), PG_DIAG_SQLSTATE));
        if (PQstatus(conn) != CONNECTION_OK && !code.startsWith(u"57P0"_s))
            return QSqlError(text, text, QSqlError::ConnectionError, u"08006"_s);
        return QSqlError(u"QPSQL: Unable to execute statement"_s, text, QSqlError::StatementError,
                         code);
    }

    // Runs a statement; the whole result is fetched. A connection that is gone gives an
    // error of its own, since Qt then answers without one.
    QSqlError exec(QSqlQuery &q, const QString &sql) const
    {
        if (!isOpen())
            return lost();
        if (q.exec(sql))
            return {};
        QSqlError e = q.lastError();
        if (!e.isValid() || !isOpen()) {
            if (!e.isValid())
                return lost();
            if (!e.nativeErrorCode().startsWith(u"57P0"_s))
                return QSqlError(e.driverText(), e.databaseText(), QSqlError::ConnectionError,
                                 u"08006"_s);
        }
        return e;
    }
    QSqlError run(const QString &sql) const
    {
        QSqlQuery q(m_db);
        return exec(q, sql);
    }

private:
    static QSqlError lost()
    {
        return QSqlError(u"QPSQL: no connection"_s, u"no connection to the server"_s,
                         QSqlError::ConnectionError, u"08003"_s);
    }

    QString m_name;
    QSqlDatabase m_db;
};

// ---- what the database holds ---------------------------------------------------------

struct ColumnInfo {
    QString name;
    QString type;                // format_type()
    QString category;            // pg_type.typcategory
    QString identity;            // "a" always, "d" by default, "" none
    QString sequence;            // the sequence that fills it, or empty
    bool mayUseSequence = false; // the role may take values from it (USAGE or UPDATE)
};

struct TableInfo {
    bool exists = false;
    qint64 oid = 0;
    QString kind;      // pg_class.relkind
    QString qualified; // quoted schema.table
    bool mayRead = false, mayInsert = false, mayDelete = false;
    QList<ColumnInfo> columns;
};

struct ServerInfo {
    QString database, user, address;
    int port = 0;
    bool mayCreate = false;
    bool readOnlyServer = false;
    std::array<TableInfo, 2> tables;
};

StoreResult<ServerInfo> inspect(const Connection &c, const Whereabouts &w)
{
    ServerInfo info;
    {
        QSqlQuery q(c.db());
        if (QSqlError e = c.exec(q, u"SELECT current_database(), current_user, "
                                    "coalesce(has_schema_privilege(current_schema(), 'CREATE'), "
                                    "false), host(inet_server_addr()), inet_server_port(), "
                                    "pg_is_in_recovery() OR current_setting("
                                    "'default_transaction_read_only') = 'on'"_s);
            e.isValid() || !q.next())
            return errorFor(causeOf(e, c.isOpen()), w, Op::Open, detailOf(e));
        info.database = q.value(0).toString();
        info.user = q.value(1).toString();
        info.mayCreate = q.value(2).toBool();
        info.address = q.value(3).toString();
        info.port = q.value(4).toInt();
        info.readOnlyServer = q.value(5).toBool();
    }
    QStringList oids;
    {
        QSqlQuery q(c.db());
        if (QSqlError e = c.exec(
                q, u"SELECT c.oid::bigint, c.relkind::text, "
                   "quote_ident(n.nspname) || '.' || quote_ident(c.relname), "
                   "has_table_privilege(c.oid, 'SELECT'), has_table_privilege(c.oid, 'INSERT'), "
                   "has_table_privilege(c.oid, 'DELETE') "
                   "FROM (VALUES (0, 'recipient'), (1, 'depositor')) AS t(i, name) "
                   "LEFT JOIN pg_class c ON c.oid = to_regclass(quote_ident(t.name)) "
                   "LEFT JOIN pg_namespace n ON n.oid = c.relnamespace ORDER BY t.i"_s);
            e.isValid())
            return errorFor(causeOf(e, c.isOpen()), w, Op::Open, detailOf(e));
        for (TableInfo &t : info.tables) {
            if (!q.next())
                break;
            if (q.value(0).isNull())
                continue;
            t.exists = true;
            t.oid = q.value(0).toLongLong();
            t.kind = q.value(1).toString();
            t.qualified = q.value(2).toString();
            t.mayRead = q.value(3).toBool();
            t.mayInsert = q.value(4).toBool();
            t.mayDelete = q.value(5).toBool();
            oids.append(QString::number(t.oid));
        }
    }
    if (oids.isEmpty())
        return info;
    QSqlQuery q(c.db());
    if (QSqlError e = c.exec(
            q, u"SELECT a.attrelid::bigint, a.attname::text, format_type(a.atttypid, "
               "a.atttypmod), t.typcategory::text, a.attidentity::text, "
               "s.name, coalesce(has_sequence_privilege(s.name, 'USAGE, UPDATE'), false) "
               "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid, LATERAL (SELECT "
               "pg_get_serial_sequence(a.attrelid::regclass::text, a.attname) AS name) s "
               "WHERE a.attrelid IN ("_s +
                   oids.join(u',') +
                   u") AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attrelid, a.attnum"_s);
        e.isValid())
        return errorFor(causeOf(e, c.isOpen()), w, Op::Open, detailOf(e));
    while (q.next()) {
        const qint64 oid = q.value(0).toLongLong();
        for (TableInfo &t : info.tables) {
            if (t.exists && t.oid == oid)
                t.columns.append({q.value(1).toString(), q.value(2).toString(),
                                  q.value(3).toString(), q.value(4).toString(),
                                  q.value(5).toString(), q.value(6).toBool()});
        }
    }
    return info;
}

// How the store reaches one table.
struct Layout {
    QString table;          // quoted, with its schema
    QStringList columns;    // quoted, in partyColumns() order
    QString key;            // quoted key column
    QString sequence;       // the key's sequence, as an SQL literal's text
    bool keyAlways = false; // GENERATED ALWAYS: explicit keys need OVERRIDING SYSTEM VALUE
    bool mayUseSequence = false;
    qint64 lockKey = 0;
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

// Decides from what the database holds whether the book can be used; nothing is written.
StoreResult<std::array<Layout, 2>> assess(const ServerInfo &info, const Whereabouts &w,
                                          bool *mayNotRead = nullptr)
{
    std::array<Layout, 2> layouts;
    for (PartyTable t : kPartyTables) {
        const TableInfo &table = info.tables[size_t(slot(t))];
        const QString name = partyTableName(t);
        if (table.kind != u"r"_s && table.kind != u"p"_s)
            return refused(w, u"„%1“ не е таблица."_s.arg(name));
        if (!table.mayRead) {
            if (mayNotRead)
                *mayNotRead = true;
            return errorFor(Cause::NoPrivilege, w, Op::Open, {});
        }
        Layout &l = layouts[size_t(slot(t))];
        l.table = table.qualified;
        l.lockKey = kLockSpace | (table.oid & 0xffffffff);
        QStringList missing;
        for (const QString &column : partyColumns(t)) {
            const ColumnInfo *c = findColumn(table, column);
            if (!c) {
                missing.append(u"„"_s + column + u"“"_s);
                continue;
            }
            // Text of any length; a fixed-width column would pad what it is given.
            if (c->category != u"S"_s || c->type.startsWith(u"character("_s) ||
                c->type == u"character"_s)
                return refused(w, u"колоната „%1“ на таблицата „%2“ е от вида „%3“, а трябва да "
                                  "е текст (text)."_s.arg(c->name, name, c->type));
            l.columns.append(quoted(c->name));
        }
        if (!missing.isEmpty())
            return refused(w, (missing.size() == 1 ? u"в таблицата „%1“ липсва колоната %2."_s
                                                   : u"в таблицата „%1“ липсват колоните %2."_s)
                                  .arg(name, missing.join(u", "_s)));
        const ColumnInfo *key = findColumn(table, kPartyKeyColumn);
        if (!key)
            return refused(w, u"в таблицата „%1“ липсва ключовата колона „%2“."_s.arg(
                                  name, kPartyKeyColumn.toString()));
        if (key->category != u"N"_s || key->sequence.isEmpty() ||
            !(key->type == u"bigint"_s || key->type == u"integer"_s))
            return refused(w, u"колоната „%1“ на таблицата „%2“ не е ключ, който сървърът "
                              "попълва (цяло число с identity или serial)."_s.arg(key->name, name));
        l.key = quoted(key->name);
        l.sequence = key->sequence;
        l.mayUseSequence = key->mayUseSequence;
        l.keyAlways = key->identity == u"a"_s;
    }
    return layouts;
}

QString createTableSql(PartyTable t)
{
    QStringList defs;
    for (const QString &c : partyColumns(t))
        defs.append(quoted(c) + u" text NOT NULL DEFAULT ''"_s);
    defs.append(quoted(kPartyKeyColumn) + u" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY"_s);
    return u"CREATE TABLE IF NOT EXISTS "_s + quoted(partyTableName(t)) + u" (\n    "_s +
           defs.join(u",\n    "_s) + u"\n)"_s;
}

void setWhere(Whereabouts &w)
{
    w.where =
        w.database.isEmpty() ? w.server : u"базата данни „%1“ на %2"_s.arg(w.database, w.server);
}

// Before connecting: what the settings and libpq's environment say.
Whereabouts whereaboutsOf(const ServerBookSettings &s)
{
    Whereabouts w;
    w.service = s.service;
    w.database = s.database;
    w.user = s.user.isEmpty() ? qEnvironmentVariable("PGUSER") : s.user;
    if (w.user.isEmpty())
        w.user = qEnvironmentVariable("USER");
    if (w.database.isEmpty() && s.service.isEmpty())
        w.database = qEnvironmentVariable("PGDATABASE");
    QString host = s.host;
    if (host.isEmpty() && s.service.isEmpty())
        host = qEnvironmentVariable("PGHOST");
    if (!host.isEmpty() && s.port > 0)
        host += u':' + QString::number(s.port);
    if (!host.isEmpty())
        w.server = u"сървъра „%1“"_s.arg(host);
    else if (!s.service.isEmpty())
        w.server = u"сървъра от услугата „%1“"_s.arg(s.service);
    else
        w.server = u"сървъра по подразбиране"_s;
    setWhere(w);
    return w;
}

// Once connected: what the server says.
void learnFrom(Whereabouts &w, const ServerInfo &info, const ServerBookSettings &s)
{
    w.user = info.user;
    w.database = info.database;
    QString host = s.host.startsWith(u'/') ? QString() : s.host;
    if (host.isEmpty())
        host = info.address;
    if (host.isEmpty())
        host = u"този компютър"_s;
    else if (info.port > 0)
        host += u':' + QString::number(info.port);
    w.server = u"сървъра „%1“"_s.arg(host);
    setWhere(w);
}

// What the role may change. Adding takes keys from the key's sequence first (nextval), so
// INSERT without a right on the sequence adds nothing.
struct Rights {
    bool mayWrite = false;
    std::array<QString, 2> noAdd; // per table: why its rows cannot be added, or empty
    QStringList sequences;        // those the role lacks the right on, where it has INSERT
};

Rights rightsOf(const ServerInfo &info, const std::array<Layout, 2> &layouts, const Whereabouts &w)
{
    Rights r;
    for (PartyTable t : kPartyTables) {
        const TableInfo &table = info.tables[size_t(slot(t))];
        const Layout &l = layouts[size_t(slot(t))];
        const bool mayAdd = table.mayInsert && l.mayUseSequence;
        r.mayWrite = r.mayWrite || mayAdd || table.mayDelete;
        if (table.mayInsert && !l.mayUseSequence) {
            r.sequences.append(l.sequence);
            r.noAdd[size_t(slot(t))] =
                u"Потребителят „%1“ няма право да добавя записи в адресната книга (%2): има "
                "право INSERT върху таблицата „%3“, но не и USAGE върху последователността "
                "„%4“, от която сървърът дава ключовете на новите записи. %5 Помолете "
                "администратора на сървъра да изпълни „GRANT USAGE ON SEQUENCE %4 TO %6;“ "
                "(вижте postgresql.md)."_s.arg(w.user, w.where, partyTableName(t), l.sequence,
                                               u"%1"_s, sqlName(w.user));
        }
    }
    return r;
}

// ---- the store -----------------------------------------------------------------------

// Where a change stood when it failed: before it, in its middle (rolled back with the
// connection), or at its commit, when the server may have done it.
enum class Stage { Start, Middle, Commit };

struct Failure {
    QSqlError error;
    Stage stage = Stage::Start;
    bool failed() const { return error.isValid(); }
};

class PgPartyStore final : public PartyStore {
public:
    PgPartyStore(ServerBookSettings settings, ServerBookOptions options)
        : m_settings(std::move(settings))
        , m_options(options)
        , m_where(whereaboutsOf(m_settings))
    {}

    StoreError open();

    QString location() const override { return m_where.where; }
    QString readOnlyReason() const override { return m_readOnly; }
    StoreResult<BookSummary> summary(PartyTable table) override;
    StoreError readRows(PartyTable table, const RowRange &range, std::span<const int> columns,
                        const std::function<bool(PartyRow &&)> &sink) override;
    StoreResult<std::vector<PartyRow>> rowsWithKeys(PartyTable table,
                                                    std::span<const PartyKey> keys) override;
    StoreResult<std::vector<PartyKey>> add(PartyTable table,
                                           std::span<const QStringList> rows) override;
    BatchesAdded addBatches(const std::function<StoreError(PartyBatch &)> &next) override;
    StoreError remove(PartyTable table, PartyKey key) override;
    std::function<StoreResult<std::unique_ptr<PartyStore>>()> opener() const override;
    void watchChanges(std::function<void(PartyTable)> changed) override;

private:
    void dropConnection();
    bool listen();
    void stopListening();
    void readable();
    void takeNotifications();
    void tell(PartyTable t);
    void scheduleRetry();
    void retry();
    StoreError connect(bool mayCreate, Op op);
    StoreError createTables(const ServerInfo &info);
    StoreError takeLayouts(const ServerInfo &info);
    template <typename Attempt> StoreError perform(Op op, Attempt attempt);
    void rollback();
    const Layout &layout(PartyTable t) const { return m_layouts[size_t(slot(t))]; }
    QString selectList(PartyTable t, std::span<const int> columns) const;
    Failure readPage(PartyTable t, PartyKey after, PartyKey upTo, qint64 skip, qint64 limit,
                     bool newestFirst, std::span<const int> columns, std::vector<PartyRow> &out);
    Failure insertRows(PartyTable t, std::span<const QStringList> rows,
                       std::span<const PartyKey> keys);
    Failure notifyChange(PartyTable t);

    ServerBookSettings m_settings;
    ServerBookOptions m_options;
    Whereabouts m_where;
    Connection m_connection;
    std::array<Layout, 2> m_layouts;
    QString m_readOnly;
    std::array<QString, 2> m_noAdd; // why a table's rows cannot be added, %1 for what is not
    bool m_opened = false;
    std::function<void(PartyTable)> m_changed;
    std::unique_ptr<QObject> m_watch; // what listens: gone with the store
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_retry = nullptr;
    int m_retryMs = kFirstRetryMs;
};

StoreError PgPartyStore::open()
{
    return connect(true, Op::Open);
}

// Connects, looks at the tables, makes them when they are missing and `mayCreate`, and
// takes what was found for the operations that follow.
StoreError PgPartyStore::connect(bool mayCreate, Op op)
{
    const bool again = m_opened;
    stopListening();
    if (const QSqlError e = m_connection.open(m_settings, m_options); e.isValid())
        return errorFor(causeOfConnect(e), m_where, op, detailOf(e));
    StoreResult<ServerInfo> info = inspect(m_connection, m_where);
    if (!info.ok()) {
        dropConnection();
        return info.error();
    }
    learnFrom(m_where, info.value(), m_settings);
    QStringList missing;
    for (PartyTable t : kPartyTables) {
        if (!info->tables[size_t(slot(t))].exists)
            missing.append(partyTableName(t));
    }
    if (!missing.isEmpty()) {
        if (!mayCreate || !info->mayCreate || info->readOnlyServer) {
            dropConnection();
            return notCreatable(m_where, missing);
        }
        if (StoreError e = createTables(info.value())) {
            dropConnection();
            return e;
        }
        info = inspect(m_connection, m_where);
        if (!info.ok()) {
            dropConnection();
            return info.error();
        }
    }
    if (StoreError e = takeLayouts(info.value())) {
        dropConnection();
        return e;
    }
    m_opened = true;
    if (m_changed) {
        listen();
        // What changed while the connection was down was told to nobody.
        if (again)
            for (PartyTable t : kPartyTables)
                tell(t);
    }
    return {};
}

void PgPartyStore::dropConnection()
{
    stopListening();
    m_connection.close();
}

void PgPartyStore::watchChanges(std::function<void(PartyTable)> changed)
{
    stopListening();
    m_changed = std::move(changed);
    if (!m_changed) {
        // Else libpq would keep every notification that comes, for nobody.
        if (m_connection.isOpen())
            m_connection.execParams(u"UNLISTEN *"_s, {});
        takeNotifications();
        m_watch.reset();
        m_retry = nullptr;
        return;
    }
    if (!m_watch) {
        m_watch = std::make_unique<QObject>();
        m_retry = new QTimer(m_watch.get());
        m_retry->setSingleShot(true);
        QObject::connect(m_retry, &QTimer::timeout, m_watch.get(), [this] { retry(); });
    }
    if (!m_connection.isOpen() || !listen())
        scheduleRetry();
}

// LISTEN on the connection there is, and a notifier on its socket: notifications, and the
// end of the connection, make it readable; while nothing happens it costs nothing.
bool PgPartyStore::listen()
{
    stopListening();
    PGconn *conn = m_connection.pg();
    if (!conn ||
        m_connection.execParams(u"LISTEN "_s + QString::fromLatin1(kChannel), {}).isValid())
        return false;
    m_notifier = new QSocketNotifier(PQsocket(conn), QSocketNotifier::Read, m_watch.get());
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_watch.get(),
                     [this] { readable(); });
    m_retryMs = kFirstRetryMs;
    return true;
}

void PgPartyStore::stopListening()
{
    if (!m_notifier)
        return;
    // Not deleted here: this may run from its own signal.
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
    m_notifier = nullptr;
}

void PgPartyStore::readable()
{
    PGconn *conn = m_connection.pg();
    if (!conn || !PQconsumeInput(conn) || PQstatus(conn) != CONNECTION_OK) {
        // The server ended the connection (a restart, the administrator): connect again
        // soon, not at the next command, so that the windows hear of changes meanwhile.
        dropConnection();
        scheduleRetry();
        return;
    }
    takeNotifications();
}

// Notifications that libpq has read, during any statement or from the socket; our own are
// left out: the window that made the change knows of it.
void PgPartyStore::takeNotifications()
{
    PGconn *conn = m_connection.pg();
    if (!conn)
        return;
    while (PGnotify *n = PQnotifies(conn)) {
        const bool ours = n->be_pid == PQbackendPID(conn);
        const QByteArray table(n->extra);
        PQfreemem(n);
        if (ours || !m_changed)
            continue;
        for (PartyTable t : kPartyTables)
            if (table == partyTableName(t).toLatin1())
                tell(t);
    }
}

// From the event loop, so that whoever is told may use the store at once.
void PgPartyStore::tell(PartyTable t)
{
    QMetaObject::invokeMethod(
        m_watch.get(),
        [this, t] {
            if (m_changed)
                m_changed(t);
        },
        Qt::QueuedConnection);
}

void PgPartyStore::scheduleRetry()
{
    if (m_retry && !m_retry->isActive())
        m_retry->start(m_retryMs);
}

// A server that stays away is tried less and less often: each try that fails may keep the
// window waiting up to the connection timeout.
void PgPartyStore::retry()
{
    if (!m_changed)
        return;
    if (m_connection.isOpen()) {
        if (!m_notifier && !listen())
            scheduleRetry();
        return;
    }
    if (connect(false, Op::Read)) {
        m_retryMs = std::min(m_retryMs * 2, kLastRetryMs);
        scheduleRetry();
    }
}

StoreError PgPartyStore::takeLayouts(const ServerInfo &info)
{
    StoreResult<std::array<Layout, 2>> layouts = assess(info, m_where);
    if (!layouts.ok())
        return layouts.error();
    m_layouts = layouts.take();
    m_readOnly.clear();
    const Rights rights = rightsOf(info, m_layouts, m_where);
    m_noAdd = rights.noAdd;
    if (info.readOnlyServer)
        m_readOnly = readOnlyText(
            m_where, u"сървърът приема само четене (резервен сървър или режим само за четене)."_s);
    else if (!rights.mayWrite && !rights.sequences.isEmpty())
        m_readOnly = readOnlyText(
            m_where, u"потребителят „%1“ няма право USAGE върху %2, от които сървърът дава "
                     "ключовете на новите записи, а изтриване не му е разрешено; "
                     "администраторът дава правото с „GRANT USAGE ON SEQUENCE %3 TO %1;“."_s.arg(
                         m_where.user,
                         rights.sequences.size() == 1
                             ? u"последователността „%1“"_s.arg(rights.sequences.front())
                             : u"последователностите „%1“"_s.arg(rights.sequences.join(u"“, „"_s)),
                         rights.sequences.join(u", "_s)));
    else if (!rights.mayWrite)
        m_readOnly = readOnlyText(
            m_where, u"потребителят „%1“ може само да чете таблиците."_s.arg(m_where.user));
    return {};
}

// Both tables in one transaction, under a lock that another copy making them at the
// same moment waits for; IF NOT EXISTS then finds what that copy made.
StoreError PgPartyStore::createTables(const ServerInfo &info)
{
    QStringList missing;
    for (PartyTable t : kPartyTables) {
        if (!info.tables[size_t(slot(t))].exists)
            missing.append(partyTableName(t));
    }
    QStringList sql{u"BEGIN"_s, u"SELECT pg_advisory_xact_lock(%1)"_s.arg(kLockSpace)};
    // Only what is missing: a table found elsewhere on the search path stays the one used.
    for (PartyTable t : kPartyTables) {
        if (!info.tables[size_t(slot(t))].exists)
            sql.append(createTableSql(t));
    }
    sql.append(u"COMMIT"_s);
    for (const QString &statement : std::as_const(sql)) {
        if (const QSqlError e = m_connection.run(statement); e.isValid()) {
            rollback();
            const Cause cause = causeOf(e, m_connection.isOpen());
            if (cause == Cause::NoPrivilege)
                return notCreatable(m_where, missing);
            return errorFor(cause, m_where, Op::Open, detailOf(e));
        }
    }
    return {};
}

void PgPartyStore::rollback()
{
    if (m_connection.isOpen())
        m_connection.run(u"ROLLBACK"_s);
}

// Runs an operation, connecting first when the connection is gone. A connection found
// broken is made again and the operation tried once more, unless the break came while a
// change was being committed; so is a serialization failure or a deadlock.
template <typename Attempt> StoreError PgPartyStore::perform(Op op, Attempt attempt)
{
    for (int round = 0;; ++round) {
        const bool wasOpen = m_connection.isOpen();
        if (!wasOpen) {
            if (StoreError e = connect(false, op)) {
                // Reaching the server is what failed: say what was not done.
                QString message = e.message();
                message.replace(kNotOpened, notDone(op));
                return StoreError(e.kind(), message, e.detail());
            }
        }
        const Failure f = attempt();
        takeNotifications();
        if (!f.failed())
            return {};
        const Cause cause = causeOf(f.error, m_connection.isOpen());
        if (cause == Cause::ConnectionLost) {
            dropConnection();
            if (f.stage == Stage::Commit && op != Op::Read)
                return inDoubt(m_where, op, detailOf(f.error));
            if (round == 0 && wasOpen)
                continue;
        } else {
            rollback();
            if (cause == Cause::Conflict && round == 0)
                continue;
        }
        return errorFor(cause, m_where, op, detailOf(f.error));
    }
}

QString PgPartyStore::selectList(PartyTable t, std::span<const int> columns) const
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

StoreResult<BookSummary> PgPartyStore::summary(PartyTable t)
{
    BookSummary s;
    const StoreError e = perform(Op::Read, [&]() -> Failure {
        const Layout &l = layout(t);
        // One statement, one snapshot: the count and the newest key agree.
        QSqlQuery q(m_connection.db());
        if (QSqlError e = m_connection.exec(q, u"SELECT (SELECT count(*) FROM "_s + l.table +
                                                   u"), (SELECT coalesce(max("_s + l.key +
                                                   u"), 0) FROM "_s + l.table + u')');
            e.isValid())
            return {e};
        if (!q.next())
            return {QSqlError(u"no row"_s, u"no row"_s, QSqlError::StatementError)};
        s = BookSummary{q.value(0).toLongLong(), q.value(1).toLongLong()};
        return {};
    });
    if (e)
        return e;
    return s;
}

// A party's row from a result that has its key first and then either every column of
// the table (`columns` empty) or the listed ones.
PartyRow partyRowFrom(const PgResult &r, int row, PartyTable t, std::span<const int> columns)
{
    PartyRow out;
    out.key = r.number(row, 0);
    const qsizetype n = partyColumns(t).size();
    out.values.resize(n);
    if (columns.empty()) {
        for (qsizetype c = 0; c < n; ++c)
            out.values[c] = r.text(row, int(c) + 1);
    } else {
        for (size_t i = 0; i < columns.size(); ++i)
            out.values[columns[i]] = r.text(row, int(i) + 1);
    }
    return out;
}

// One statement's worth of a range: keys above `after` up to `upTo`, in key order or
// newest first, leaving out the first `skip`, at most `limit` (-1: all).
Failure PgPartyStore::readPage(PartyTable t, PartyKey after, PartyKey upTo, qint64 skip,
                               qint64 limit, bool newestFirst, std::span<const int> columns,
                               std::vector<PartyRow> &out)
{
    const Layout &l = layout(t);
    const QString sql = u"SELECT "_s + selectList(t, columns) + u" FROM "_s + l.table +
                        u" WHERE "_s + l.key + u" > $1::bigint AND "_s + l.key +
                        u" <= $2::bigint ORDER BY "_s + l.key + (newestFirst ? u" DESC"_s : u""_s) +
                        u" LIMIT $3::bigint OFFSET $4::bigint"_s;
    PgResult r;
    if (QSqlError e = m_connection.execParams(sql,
                                              {QByteArray::number(after), QByteArray::number(upTo),
                                               limit < 0 ? QByteArray() : QByteArray::number(limit),
                                               QByteArray::number(skip)},
                                              &r);
        e.isValid())
        return {e};
    for (int i = 0; i < r.rows(); ++i)
        out.push_back(partyRowFrom(r, i, t, columns));
    return {};
}

StoreError PgPartyStore::readRows(PartyTable t, const RowRange &range, std::span<const int> columns,
                                  const std::function<bool(PartyRow &&)> &sink)
{
    if (range.limit == 0)
        return {};
    PartyKey after = range.after, upTo = range.upTo;
    qint64 skip = range.skip, left = range.limit;
    const bool newest = range.newestFirst;
    if (skip > 0) {
        // The key where the range starts, through the key's index alone.
        bool empty = false;
        const StoreError e = perform(Op::Read, [&]() -> Failure {
            const Layout &l = layout(t);
            PgResult r;
            if (QSqlError e = m_connection.execParams(
                    u"SELECT "_s + l.key + u" FROM "_s + l.table + u" WHERE "_s + l.key +
                        u" > $1::bigint AND "_s + l.key + u" <= $2::bigint ORDER BY "_s + l.key +
                        (newest ? u" DESC"_s : u""_s) + u" LIMIT 1 OFFSET $3::bigint"_s,
                    {QByteArray::number(after), QByteArray::number(upTo), QByteArray::number(skip)},
                    &r);
                e.isValid())
                return {e};
            if (r.rows() == 0) {
                empty = true;
                return {};
            }
            if (newest)
                upTo = r.number(0, 0);
            else
                after = r.number(0, 0) - 1;
            return {};
        });
        if (e)
            return e;
        if (empty)
            return {};
        skip = 0;
    }
    // Page by page, each continuing after the last key of the one before.
    for (;;) {
        const qint64 n = left < 0 ? kRowsPerPage : std::min(left, kRowsPerPage);
        std::vector<PartyRow> page;
        const StoreError e = perform(Op::Read, [&]() -> Failure {
            page.clear();
            return readPage(t, after, upTo, 0, n, newest, columns, page);
        });
        if (e)
            return e;
        const bool last = qint64(page.size()) < n;
        if (!page.empty()) {
            if (newest)
                upTo = page.back().key - 1;
            else
                after = page.back().key;
        }
        if (left > 0)
            left -= qint64(page.size());
        for (PartyRow &row : page) {
            if (!sink(std::move(row)))
                return {};
        }
        if (last || left == 0)
            return {};
    }
}

StoreResult<std::vector<PartyRow>> PgPartyStore::rowsWithKeys(PartyTable t,
                                                              std::span<const PartyKey> keys)
{
    std::vector<PartyRow> out;
    for (size_t from = 0; from < keys.size(); from += kKeysPerStatement) {
        const size_t n = std::min(keys.size() - from, size_t(kKeysPerStatement));
        const QByteArray list = numberArray(keys.subspan(from, n));
        const qsizetype before = qsizetype(out.size());
        const StoreError e = perform(Op::Read, [&]() -> Failure {
            out.resize(size_t(before));
            const Layout &l = layout(t);
            PgResult r;
            if (QSqlError e = m_connection.execParams(u"SELECT "_s + selectList(t, {}) +
                                                          u" FROM "_s + l.table + u" WHERE "_s +
                                                          l.key + u" = ANY($1::bigint[])"_s,
                                                      {list}, &r);
                e.isValid())
                return {e};
            for (int i = 0; i < r.rows(); ++i)
                out.push_back(partyRowFrom(r, i, t, {}));
            return {};
        });
        if (e)
            return e;
    }
    std::sort(out.begin(), out.end(),
              [](const PartyRow &a, const PartyRow &b) { return a.key < b.key; });
    return out;
}

// Tells the other copies listening on the book that `t` changed; sent by the server when
// the transaction commits, and not at all when it does not.
Failure PgPartyStore::notifyChange(PartyTable t)
{
    if (QSqlError e = m_connection.execParams(u"SELECT pg_notify($1, $2)"_s,
                                              {kChannel, partyTableName(t).toUtf8()});
        e.isValid())
        return {e, Stage::Middle};
    return {};
}

// Inserts rows at the end of `t`, in their order, within the transaction that is open.
// With `keys`, each row gets its key; without, the server's default gives them, one
// after another in the rows' order.
Failure PgPartyStore::insertRows(PartyTable t, std::span<const QStringList> rows,
                                 std::span<const PartyKey> keys)
{
    const Layout &l = layout(t);
    const qsizetype columns = l.columns.size();
    QStringList arrays;
    QList<QByteArray> params;
    for (qsizetype c = 0; c < columns; ++c) {
        arrays.append(u"$%1::text[]"_s.arg(c + 1));
        params.append(textArray(qsizetype(rows.size()), [&](qsizetype i) -> const QString & {
            return rows[size_t(i)][c];
        }));
    }
    QStringList names = l.columns;
    QString sql = u"INSERT INTO "_s + l.table + u" ("_s;
    if (!keys.empty()) {
        arrays.append(u"$%1::bigint[]"_s.arg(columns + 1));
        params.append(numberArray(keys));
        sql += l.columns.join(u", "_s) + u", "_s + l.key + u')' +
               (l.keyAlways ? u" OVERRIDING SYSTEM VALUE"_s : QString()) +
               u" SELECT * FROM unnest("_s + arrays.join(u", "_s) + u')';
    } else {
        QStringList picked;
        for (qsizetype c = 0; c < columns; ++c)
            picked.append(u"v"_s + QString::number(c));
        sql += l.columns.join(u", "_s) + u") SELECT "_s + picked.join(u", "_s) +
               u" FROM unnest("_s + arrays.join(u", "_s) + u") WITH ORDINALITY AS u("_s +
               picked.join(u", "_s) + u", n) ORDER BY n"_s;
    }
    if (QSqlError e = m_connection.execParams(sql, params); e.isValid())
        return {e, Stage::Middle};
    return {};
}

StoreResult<std::vector<PartyKey>> PgPartyStore::add(PartyTable t,
                                                     std::span<const QStringList> rows)
{
    if (isReadOnly())
        return StoreError(StoreError::Kind::ReadOnly, m_readOnly);
    for (const QStringList &values : rows) {
        if (values.size() != partyColumns(t).size())
            return storetext::wrongValueCount(t, values.size());
    }
    if (StoreError e = storetext::controlCharacters(t, rows))
        return e;
    if (const QString &why = m_noAdd[size_t(slot(t))]; !why.isEmpty())
        return StoreError(StoreError::Kind::ReadOnly,
                          why.arg(rows.size() > 1 ? notDone(Op::AddAll) : kNotAdded));
    std::vector<PartyKey> keys;
    if (rows.empty())
        return keys;
    // An import's thousands of rows are not "the record".
    const StoreError e = perform(rows.size() > 1 ? Op::AddAll : Op::Add, [&]() -> Failure {
        keys.clear();
        const Layout &l = layout(t);
        if (QSqlError e = m_connection.run(u"BEGIN"_s); e.isValid())
            return {e, Stage::Start};
        // Adds take their keys one program after another, so that a key is never seen
        // before a smaller one: a list reads "everything up to the newest key".
        if (QSqlError e = m_connection.run(u"SELECT pg_advisory_xact_lock("_s +
                                           QString::number(l.lockKey) + u')');
            e.isValid())
            return {e, Stage::Middle};
        if (rows.size() == 1) {
            QStringList placeholders;
            QList<QByteArray> params;
            for (qsizetype c = 0; c < l.columns.size(); ++c) {
                placeholders.append(u"$%1"_s.arg(c + 1));
                params.append(rows.front()[c].isEmpty() ? QByteArray("")
                                                        : rows.front()[c].toUtf8());
            }
            PgResult r;
            if (QSqlError e = m_connection.execParams(
                    u"INSERT INTO "_s + l.table + u" ("_s + l.columns.join(u", "_s) +
                        u") VALUES ("_s + placeholders.join(u", "_s) + u") RETURNING "_s + l.key,
                    params, &r);
                e.isValid())
                return {e, Stage::Middle};
            if (r.rows() == 1)
                keys.push_back(r.number(0, 0));
        } else {
            // The keys first, in order, so that each row's key is known for certain.
            PgResult r;
            if (QSqlError e = m_connection.execParams(
                    u"SELECT nextval($1::regclass) FROM generate_series(1, $2::bigint)"_s,
                    {l.sequence.toUtf8(), QByteArray::number(qsizetype(rows.size()))}, &r);
                e.isValid())
                return {e, Stage::Middle};
            for (int i = 0; i < r.rows(); ++i)
                keys.push_back(r.number(i, 0));
            std::sort(keys.begin(), keys.end());
            if (keys.size() == rows.size()) {
                for (size_t from = 0; from < rows.size(); from += size_t(kRowsPerInsert)) {
                    const size_t n = std::min(rows.size() - from, size_t(kRowsPerInsert));
                    if (Failure f =
                            insertRows(t, rows.subspan(from, n), std::span(keys).subspan(from, n));
                        f.failed())
                        return f;
                }
            }
        }
        if (keys.size() != rows.size())
            return {QSqlError(u"keys"_s, u"the server gave no keys"_s, QSqlError::StatementError),
                    Stage::Middle};
        if (Failure f = notifyChange(t); f.failed())
            return f;
        if (QSqlError e = m_connection.run(u"COMMIT"_s); e.isValid())
            return {e, Stage::Commit};
        return {};
    });
    if (e)
        return e;
    return keys;
}

// One transaction for all the batches, under the lock of each table as it is reached, so
// that a failure anywhere (the server gone, a lock, a cancel) leaves the book as it was.
BatchesAdded PgPartyStore::addBatches(const std::function<StoreError(PartyBatch &)> &next)
{
    BatchesAdded report;
    if (isReadOnly()) {
        report.error = StoreError(StoreError::Kind::ReadOnly, m_readOnly);
        return report;
    }
    // Connecting again and starting once more when the connection had died meanwhile.
    if (StoreError e = perform(Op::AddAll, [&]() -> Failure {
            if (QSqlError e = m_connection.run(u"BEGIN"_s); e.isValid())
                return {e, Stage::Start};
            return {};
        })) {
        report.error = e;
        return report;
    }
    auto failed = [&](const Failure &f) {
        const Cause cause = causeOf(f.error, m_connection.isOpen());
        if (cause == Cause::ConnectionLost) {
            dropConnection();
            report.error = f.stage == Stage::Commit
                               ? inDoubt(m_where, Op::AddAll, detailOf(f.error))
                               : errorFor(cause, m_where, Op::AddAll, detailOf(f.error));
        } else {
            rollback();
            report.error = errorFor(cause, m_where, Op::AddAll, detailOf(f.error));
        }
        return report;
    };
    auto stop = [&](StoreError e) {
        rollback();
        report.error = std::move(e);
        return report;
    };
    std::array<qint64, 2> added{0, 0};
    std::array<bool, 2> locked{false, false};
    PartyBatch batch;
    for (;;) {
        batch.rows.clear();
        if (StoreError e = next(batch))
            return stop(e);
        if (batch.rows.empty())
            break;
        const PartyTable t = batch.table;
        for (const QStringList &values : batch.rows) {
            if (values.size() != partyColumns(t).size())
                return stop(storetext::wrongValueCount(t, values.size()));
        }
        if (StoreError e = storetext::controlCharacters(t, batch.rows))
            return stop(e);
        if (const QString &why = m_noAdd[size_t(slot(t))]; !why.isEmpty())
            return stop(StoreError(StoreError::Kind::ReadOnly, why.arg(notDone(Op::AddAll))));
        const size_t s = size_t(slot(t));
        if (!locked[s]) {
            if (QSqlError e = m_connection.run(u"SELECT pg_advisory_xact_lock("_s +
                                               QString::number(layout(t).lockKey) + u')');
                e.isValid())
                return failed({e, Stage::Middle});
            locked[s] = true;
        }
        for (size_t from = 0; from < batch.rows.size(); from += size_t(kRowsPerInsert)) {
            const size_t n = std::min(batch.rows.size() - from, size_t(kRowsPerInsert));
            if (Failure f = insertRows(t, std::span(batch.rows).subspan(from, n), {}); f.failed())
                return failed(f);
        }
        added[s] += qint64(batch.rows.size());
    }
    for (PartyTable t : kPartyTables) {
        if (added[size_t(slot(t))] == 0)
            continue;
        if (Failure f = notifyChange(t); f.failed())
            return failed(f);
    }
    if (QSqlError e = m_connection.run(u"COMMIT"_s); e.isValid())
        return failed({e, Stage::Commit});
    takeNotifications();
    report.recipients = added[0];
    report.payers = added[1];
    return report;
}

StoreError PgPartyStore::remove(PartyTable t, PartyKey key)
{
    if (isReadOnly())
        return {StoreError::Kind::ReadOnly, m_readOnly};
    int changed = 0;
    const StoreError e = perform(Op::Delete, [&]() -> Failure {
        const Layout &l = layout(t);
        if (QSqlError e = m_connection.run(u"BEGIN"_s); e.isValid())
            return {e, Stage::Start};
        PgResult r;
        if (QSqlError e = m_connection.execParams(u"DELETE FROM "_s + l.table + u" WHERE "_s +
                                                      l.key + u" = $1::bigint"_s,
                                                  {QByteArray::number(key)}, &r);
            e.isValid())
            return {e, Stage::Middle};
        changed = QByteArrayView(PQcmdTuples(r.get())).toInt();
        if (changed > 0) {
            if (Failure f = notifyChange(t); f.failed())
                return f;
        }
        if (QSqlError e = m_connection.run(u"COMMIT"_s); e.isValid())
            return {e, Stage::Commit};
        return {};
    });
    if (e)
        return e;
    if (changed == 0)
        return storetext::gone();
    return {};
}

std::function<StoreResult<std::unique_ptr<PartyStore>>()> PgPartyStore::opener() const
{
    return
        [settings = m_settings, options = m_options] { return openServerBook(settings, options); };
}

} // namespace

QString serverSettingsProblem(const ServerBookSettings &s)
{
    if (s.service.contains(u';'))
        return u"Името на услугата не може да съдържа „;“."_s;
    if (s.port < 0 || s.port > 65535)
        return u"Портът трябва да е число от 1 до 65535."_s;
    if (!s.sslMode.isEmpty() &&
        std::find(std::begin(kSslModes), std::end(kSslModes), s.sslMode) == std::end(kSslModes))
        return u"sslmode може да е disable, allow, prefer, require, verify-ca или verify-full."_s;
    return {};
}

QString serverConnectOptions(const ServerBookSettings &s, const ServerBookOptions &o)
{
    // Qt joins these to the host, port, database and user, turning each ';' into a space.
    QStringList options;
    if (!s.service.isEmpty())
        options.append(u"service="_s + libpqValue(s.service));
    if (!s.sslMode.isEmpty())
        options.append(u"sslmode="_s + libpqValue(s.sslMode));
    options.append(u"connect_timeout="_s + QString::number(std::max(1, o.connectTimeoutS)));
    // A server that vanished from the network is noticed in seconds, not in the quarter
    // of an hour that TCP would keep sending.
    options.append(u"tcp_user_timeout="_s + QString::number(std::max(1, o.connectTimeoutS) * 3000));
    options.append(u"keepalives_idle=60"_s);
    options.append(u"fallback_application_name=Formelan"_s);
    return options.join(u';');
}

StoreResult<std::unique_ptr<PartyStore>> openServerBook(const ServerBookSettings &settings,
                                                        const ServerBookOptions &options)
{
    if (const QString problem = serverSettingsProblem(settings); !problem.isEmpty())
        return StoreError(StoreError::Kind::Failed, problem);
    auto store = std::make_unique<PgPartyStore>(settings, options);
    if (StoreError e = store->open())
        return e;
    return std::unique_ptr<PartyStore>(std::move(store));
}

ServerCheck checkServerBook(const ServerBookSettings &settings, const ServerBookOptions &options)
{
    using O = ServerCheck::Outcome;
    ServerCheck check;
    if (const QString problem = serverSettingsProblem(settings); !problem.isEmpty()) {
        check.message = problem;
        return check;
    }
    Whereabouts w = whereaboutsOf(settings);
    Connection c;
    if (const QSqlError e = c.open(settings, options); e.isValid()) {
        const Cause cause = causeOfConnect(e);
        switch (cause) {
        case Cause::Unreachable:
        case Cause::ServiceUnknown:
            check.outcome = O::Unreachable;
            break;
        case Cause::BadPassword:
            check.outcome = O::BadPassword;
            break;
        case Cause::NoPassword:
            check.outcome = O::NoPassword;
            break;
        case Cause::NoLogin:
            check.outcome = O::NoRights;
            break;
        case Cause::NoDatabase:
            check.outcome = O::NoDatabase;
            break;
        default:
            check.outcome = O::Failed;
            break;
        }
        check.message = errorFor(cause, w, Op::Check, detailOf(e)).message();
        return check;
    }
    StoreResult<ServerInfo> info = inspect(c, w);
    if (!info.ok()) {
        check.message = info.error().message();
        return check;
    }
    learnFrom(w, info.value(), settings);
    QStringList missing;
    for (PartyTable t : kPartyTables) {
        if (!info->tables[size_t(slot(t))].exists)
            missing.append(partyTableName(t));
    }
    if (!missing.isEmpty()) {
        if (!info->mayCreate || info->readOnlyServer) {
            check.outcome = O::TablesMissing;
            check.message = notCreatable(w, missing).message();
            return check;
        }
        if (missing.size() < 2) {
            // The one that is there must be usable; the other will be made beside it.
            const TableInfo &there = info->tables[size_t(info->tables[0].exists ? 0 : 1)];
            if (!there.mayRead) {
                check.outcome = O::NoRights;
                check.message = errorFor(Cause::NoPrivilege, w, Op::Open, {}).message();
                return check;
            }
        }
        check.outcome = O::Ok;
        check.tablesToCreate = true;
        check.message =
            u"Връзката е наред (%1, потребител „%2“). Таблиците на адресната книга "
            "още ги няма; програмата ще ги създаде при първото отваряне."_s.arg(w.where, w.user);
        return check;
    }
    bool mayNotRead = false;
    StoreResult<std::array<Layout, 2>> layouts = assess(info.value(), w, &mayNotRead);
    if (!layouts.ok()) {
        check.outcome = mayNotRead ? O::NoRights : O::Refused;
        check.message = layouts.error().message();
        return check;
    }
    qint64 counts[2] = {0, 0};
    for (PartyTable t : kPartyTables) {
        const Layout &l = layouts.value()[size_t(slot(t))];
        QSqlQuery q(c.db());
        if (QSqlError e = c.exec(q, u"SELECT count(*) FROM "_s + l.table);
            e.isValid() || !q.next()) {
            const StoreError error = errorFor(causeOf(e, c.isOpen()), w, Op::Read, detailOf(e));
            check.outcome = error.kind() == StoreError::Kind::Refused ? O::NoRights : O::Failed;
            check.message = error.message();
            return check;
        }
        counts[slot(t)] = q.value(0).toLongLong();
    }
    check.recipients = counts[0];
    check.payers = counts[1];
    check.readOnly = !rightsOf(info.value(), layouts.value(), w).mayWrite || info->readOnlyServer;
    check.outcome = O::Ok;
    check.message = u"Връзката е наред (%1, потребител „%2“). В адресната книга има "
                    "получатели: %3, наредители: %4."_s.arg(w.where, w.user)
                        .arg(check.recipients)
                        .arg(check.payers);
    if (check.readOnly)
        check.message += u" Потребителят може само да чете: добавяне и изтриване няма да "
                         "са възможни."_s;
    return check;
}

} // namespace formelan
