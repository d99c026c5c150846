#pragma once

#include "parties/partystore.h"

namespace formelan {

// Where the office's address book lives on a PostgreSQL server, in libpq's own terms. No
// password is kept here: libpq takes it from ~/.pgpass (or PGPASSFILE), from PGPASSWORD
// or from the service's entry, as every PostgreSQL client does. An empty field is left to
// libpq: the service's value, then the PG* environment variables, then libpq's default.
struct ServerBookSettings {
    QString service; // a service of pg_service.conf (~/.pg_service.conf, PGSERVICEFILE)
    QString host;    // name, address, or the folder of a local socket
    int port = 0;    // 0: not given
    QString database;
    QString user;
    QString sslMode; // disable, allow, prefer, require, verify-ca, verify-full; empty: not given

    bool operator==(const ServerBookSettings &) const = default;
};

inline constexpr QStringView kSslModes[] = {u"disable", u"allow",     u"prefer",
                                            u"require", u"verify-ca", u"verify-full"};

struct ServerBookOptions {
    int connectTimeoutS = 5;        // a server that does not answer is given up after this
    int lockTimeoutMs = 5000;       // waiting for another program's lock: then "busy"
    int statementTimeoutMs = 30000; // a statement running longer is cancelled: "busy"
};

// What is wrong with the settings before any connection is tried, in Bulgarian; empty
// when nothing is.
QString serverSettingsProblem(const ServerBookSettings &settings);

// The connection options that go to QSqlDatabase::setConnectOptions() beside the host,
// port, database and user: service, sslmode and our timeouts, quoted for libpq.
QString serverConnectOptions(const ServerBookSettings &settings, const ServerBookOptions &options);

// Opens the address book in a PostgreSQL database.
// - The tables "recipient" and "depositor" are found through the role's search_path. When
//   they are missing and the role may create tables there, both are made in one
//   transaction (two programs doing so at once both succeed); when it may not, the book
//   is refused with a message saying so.
// - Columns are found by name; a missing column or a key column party_id that the server
//   does not fill refuses the book, and nothing on the server is changed.
// - A role that may only read opens the book read-only; add and delete then say why.
// - When the server goes away, each operation says so and changes nothing; the next one
//   connects again.
StoreResult<std::unique_ptr<PartyStore>> openServerBook(const ServerBookSettings &settings,
                                                        const ServerBookOptions &options = {});

// What "Проверка на връзката" found, for the settings as typed. Nothing on the server is
// changed: missing tables that the role may create are reported, not made.
struct ServerCheck {
    enum class Outcome {
        Ok,
        Unreachable,   // no server answers at that address, or the service is unknown
        BadPassword,   // the server refused the password
        NoPassword,    // the server wants a password and none was found
        NoRights,      // the role may not log in, connect or read the tables
        NoDatabase,    // the database does not exist
        TablesMissing, // the tables are missing and the role may not create them
        Refused,       // the tables are there but are not an address book
        Failed,        // anything else: settings, driver, server error
    };
    Outcome outcome = Outcome::Failed;
    QString message; // in Bulgarian, complete; with the server's text where there is one
    qint64 recipients = 0, payers = 0; // with Ok
    bool tablesToCreate = false;       // with Ok: made at the first use
    bool readOnly = false;             // with Ok: the role may only read
};
ServerCheck checkServerBook(const ServerBookSettings &settings,
                            const ServerBookOptions &options = {});

} // namespace formelan
