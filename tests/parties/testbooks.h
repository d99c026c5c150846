#pragma once

// Address books of either kind for the tests that must hold for both: a SQLite file in a
// temporary folder, or a fresh database on the throw-away PostgreSQL cluster.
#include "parties/partystore.h"
#include "parties/pgpartystore.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

enum class Backend { Sqlite, Postgres };
Q_DECLARE_METATYPE(Backend)

QString backendName(Backend backend);

// The columns of a table, in their order, as books made by every earlier version name
// them: written out here, so that a name the program changes shows as a difference.
QStringList bookColumns(formelan::PartyTable table);
// The table's name in those books: "recipient" or "depositor".
QString bookTable(formelan::PartyTable table);

// In a _data function: the column "backend". Rows are named "<name> (sqlite)" and
// "<name> (postgresql)", or just the backend's name when `name` is empty.
void addBackendColumn();
QByteArray rowName(Backend backend, const char *name = nullptr);

// Opens a book from what partybook_helper and the tests pass around: a file's path, or
// "pg:host=…;port=…;dbname=…;user=…" for a server.
formelan::StoreResult<std::unique_ptr<formelan::PartyStore>> openBookAt(const QString &address);

// A connection of its own to a book, as another program would have: to the file, or to
// the server as its superuser. It stays open until destroyed.
class OtherConnection {
public:
    OtherConnection(Backend backend, const QString &pathOrDatabase);
    ~OtherConnection();
    OtherConnection(const OtherConnection &) = delete;
    OtherConnection &operator=(const OtherConnection &) = delete;

    bool isOpen() const;
    bool exec(const QString &sql);
    bool execAll(const QStringList &sql);
    QStringList column(const QString &sql);
    QString one(const QString &sql) { return column(sql).value(0); }

private:
    QString m_name;
};

class TestBook {
public:
    // Why books of this kind cannot be made here (PostgreSQL not installed...), or empty.
    // With FORMELAN_TEST_REQUIRE set (CI), a server that cannot start ends the test
    // program instead.
    static QString unavailable(Backend backend);
    // An empty book: no file yet, or an empty database. nullptr when unavailable().
    static std::unique_ptr<TestBook> make(Backend backend);

    Backend backend() const { return m_backend; }
    // For partybook_helper and openBookAt().
    QString address() const;
    // The book through the store; nullptr with a warning when it does not open.
    std::unique_ptr<formelan::PartyStore> open(const formelan::ServerBookOptions &options = {});
    formelan::StoreResult<std::unique_ptr<formelan::PartyStore>>
    tryOpen(const formelan::ServerBookOptions &options = {}) const;

    // Another program's SQL on the book: a connection of its own to the file, or the
    // server's superuser; connect() keeps one open.
    std::unique_ptr<OtherConnection> connect() const;
    bool exec(const QString &sql) { return execAll({sql}); }
    bool execAll(const QStringList &sql);
    QStringList column(const QString &sql);
    QString one(const QString &sql) { return column(sql).value(0); }

    // A table as another program would make it: the given columns (all, in order, when
    // empty) and an extra definition; on the server with the key column a table needs
    // there, in SQLite without (the store upgrades it).
    QString tableSql(formelan::PartyTable table, QStringList columns = {},
                     const QString &extra = {}) const;

    const QString &path() const { return m_path; }         // SQLite
    const QString &database() const { return m_database; } // PostgreSQL
    formelan::ServerBookSettings settings(const QString &user = QStringLiteral("postgres")) const;

private:
    explicit TestBook(Backend backend)
        : m_backend(backend)
    {}
    Backend m_backend;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QString m_database;
};
