#pragma once

#include "parties/pgpartystore.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A throw-away PostgreSQL cluster for the tests of one executable: initdb into a temporary
// folder, postgres on a free port of 127.0.0.1 with its socket in that folder, run as a
// user other than root (postgres refuses root), stopped when the test ends, or by the
// kernel when the test dies. Members of the role "needs_password" log in with a password
// (scram-sha-256); every other role is trusted.
class PgCluster {
public:
    // The cluster of this process, made at its first use.
    static PgCluster &shared();
    ~PgCluster();

    // Starts the cluster when it is not running; false when it cannot, and skipReason()
    // says why (no PostgreSQL on this machine, initdb failed...).
    bool ensureRunning();
    const QString &skipReason() const { return m_skipReason; }

    // Stops the server as an administrator would (fast shutdown: connections are ended),
    // and starts it again on the same port and data.
    bool stop();
    bool start();
    bool isRunning() const;

    int port() const { return m_port; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    // A port on which nothing listens.
    static int freePort();

    // A new, empty database owned by the superuser; its name.
    QString newDatabase();
    // Runs statements as the superuser, one after another; false at the first that fails,
    // with the error as a warning.
    bool exec(const QString &database, const QStringList &sql);
    QStringList column(const QString &database, const QString &sql);
    QString one(const QString &database, const QString &sql)
    {
        return column(database, sql).value(0);
    }

    // Settings that reach `database` as `user` over TCP.
    formelan::ServerBookSettings settings(const QString &database,
                                          const QString &user = QStringLiteral("postgres")) const;
    // The folder of the server's binaries (initdb, postgres, psql).
    const QString &binaries() const { return m_bin; }
    QString folder() const { return m_dir ? m_dir->path() : QString(); }

private:
    PgCluster() = default;
    bool init();
    QStringList asServerUser(const QStringList &command) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_server;
    QString m_bin;
    QString m_skipReason;
    int m_port = 0;
    bool m_initialised = false;
    bool m_tried = false;
    int m_databases = 0;
};
