#include "pgcluster.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QVersionNumber>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr uid_t kNobody = 65534;

// The newest PostgreSQL whose server binaries are installed, or the folder that
// FORMELAN_TEST_PG_BINDIR names.
QString findBinaries()
{
    if (qEnvironmentVariableIsSet("FORMELAN_TEST_PG_BINDIR")) {
        const QString bin = qEnvironmentVariable("FORMELAN_TEST_PG_BINDIR");
        return QFile::exists(bin + u"/initdb"_s) ? bin : QString();
    }
    QString best;
    QVersionNumber bestVersion;
    const QDir root(u"/usr/lib/postgresql"_s);
    for (const QString &version : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString bin = root.filePath(version + u"/bin"_s);
        if (!QFile::exists(bin + u"/initdb"_s) || !QFile::exists(bin + u"/postgres"_s))
            continue;
        const QVersionNumber v = QVersionNumber::fromString(version);
        if (best.isEmpty() || v > bestVersion) {
            best = bin;
            bestVersion = v;
        }
    }
    return best;
}

struct Run {
    int exitCode = -1;
    QString output;
};

Run run(const QStringList &command, int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromLocal8Bit(p.readAll());
    return r;
}

int g_connection = 0;

// A superuser connection for one call, removed after it.
class Admin {
public:
    Admin(int port, const QString &database)
        : m_name(u"pgcluster-%1"_s.arg(++g_connection))
    {
        m_db = QSqlDatabase::addDatabase(u"QPSQL"_s, m_name);
        m_db.setHostName(u"127.0.0.1"_s);
        m_db.setPort(port);
        m_db.setDatabaseName(database);
        m_db.setUserName(u"postgres"_s);
        m_db.setConnectOptions(u"connect_timeout=5"_s);
        m_db.open();
    }
    ~Admin()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase &db() { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

} // namespace

PgCluster &PgCluster::shared()
{
    static PgCluster cluster;
    return cluster;
}

PgCluster::~PgCluster()
{
    stop();
}

int PgCluster::freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

QStringList PgCluster::asServerUser(const QStringList &command) const
{
    if (geteuid() != 0)
        return command;
    return QStringList{u"setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s} +
           command;
}

bool PgCluster::ensureRunning()
{
    if (isRunning())
        return true;
    if (!m_initialised) {
        if (m_tried)
            return false;
        m_tried = true;
        if (!init())
            return false;
    }
    return start();
}

bool PgCluster::init()
{
    m_bin = findBinaries();
    if (m_bin.isEmpty()) {
        m_skipReason = u"PostgreSQL's server is not installed (no initdb in "
                       "/usr/lib/postgresql/*/bin, or in FORMELAN_TEST_PG_BINDIR when set); "
                       "install the Debian package postgresql to run these tests"_s;
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s)) {
        m_skipReason = u"Qt's PostgreSQL driver is not installed (Debian: libqt6sql6-psql)"_s;
        return false;
    }
    if (geteuid() == 0 && QStandardPaths::findExecutable(u"setpriv"_s).isEmpty()) {
        m_skipReason = u"running as root, and setpriv (util-linux) is missing to start "
                       "postgres as another user"_s;
        return false;
    }
    // Short: the server's socket lives in it, and a socket's path has a small limit.
    m_dir = std::make_unique<QTemporaryDir>(u"/tmp/formelan-pg-XXXXXX"_s);
    if (!m_dir->isValid()) {
        m_skipReason = u"no temporary folder for the cluster"_s;
        return false;
    }
    if (geteuid() == 0 &&
        ::chown(QFile::encodeName(m_dir->path()).constData(), kNobody, kNobody) != 0) {
        m_skipReason = u"cannot hand the cluster's folder to user 65534"_s;
        return false;
    }
    const QString data = m_dir->path() + u"/data"_s;
    const Run init = run(asServerUser({m_bin + u"/initdb"_s, u"-D"_s, data, u"-U"_s, u"postgres"_s,
                                       u"-A"_s, u"trust"_s, u"-E"_s, u"UTF8"_s, u"--locale=C"_s,
                                       u"--no-sync"_s, u"--no-instructions"_s}));
    if (init.exitCode != 0) {
        m_skipReason = u"initdb failed: "_s + init.output.trimmed();
        return false;
    }
    // Members of needs_password must give one; everyone else is trusted.
    QFile hba(data + u"/pg_hba.conf"_s);
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_skipReason = u"cannot write pg_hba.conf"_s;
        return false;
    }
    hba.write("local all all trust\n"
              "host all +needs_password 127.0.0.1/32 scram-sha-256\n"
              "host all all 127.0.0.1/32 trust\n");
    hba.close();
    m_initialised = true;
    m_port = freePort();
    if (!start())
        return false;
    return exec(u"postgres"_s, {u"CREATE ROLE needs_password NOLOGIN"_s});
}

bool PgCluster::start()
{
    if (!m_initialised)
        return false;
    if (isRunning())
        return true;
    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::MergedChannels);
    m_server->setStandardOutputFile(m_dir->path() + u"/server.log"_s, QIODevice::Append);
    // The server ends with the test, even when the test is killed.
    QStringList server{u"setpriv"_s, u"--pdeathsig=SIGINT"_s};
    if (QStandardPaths::findExecutable(u"setpriv"_s).isEmpty())
        server.clear();
    const QStringList command = asServerUser(
        server + QStringList{m_bin + u"/postgres"_s, u"-D"_s, m_dir->path() + u"/data"_s, u"-p"_s,
                             QString::number(m_port), u"-k"_s, m_dir->path(), u"-c"_s,
                             u"listen_addresses=127.0.0.1"_s, u"-c"_s, u"fsync=off"_s, u"-c"_s,
                             u"full_page_writes=off"_s, u"-c"_s, u"synchronous_commit=off"_s,
                             u"-c"_s, u"max_connections=40"_s, u"-c"_s, u"shared_buffers=32MB"_s});
    m_server->start(command.first(), command.mid(1));
    if (!m_server->waitForStarted(10000)) {
        m_skipReason = u"postgres did not start: "_s + m_server->errorString();
        m_server.reset();
        return false;
    }
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if (m_server->state() != QProcess::Running)
            break;
        {
            Admin admin(m_port, u"postgres"_s);
            if (admin.db().isOpen())
                return true;
        }
        QThread::msleep(50);
    }
    QFile log(m_dir->path() + u"/server.log"_s);
    log.open(QIODevice::ReadOnly);
    m_skipReason = u"postgres did not accept connections: "_s +
                   QString::fromLocal8Bit(log.readAll()).trimmed().right(2000);
    m_server->kill();
    m_server->waitForFinished();
    m_server.reset();
    return false;
}

bool PgCluster::stop()
{
    if (!m_server)
        return true;
    if (m_server->state() == QProcess::Running) {
        ::kill(pid_t(m_server->processId()), SIGINT); // fast shutdown
        if (!m_server->waitForFinished(30000)) {
            m_server->kill();
            m_server->waitForFinished();
        }
    }
    m_server.reset();
    return true;
}

bool PgCluster::isRunning() const
{
    return m_server && m_server->state() == QProcess::Running;
}

QString PgCluster::newDatabase()
{
    const QString name = u"book_%1_%2"_s.arg(QCoreApplication::applicationPid()).arg(++m_databases);
    if (!exec(u"postgres"_s, {u"CREATE DATABASE "_s + name + u" TEMPLATE template0"_s}))
        return {};
    return name;
}

bool PgCluster::exec(const QString &database, const QStringList &sql)
{
    Admin admin(m_port, database);
    if (!admin.db().isOpen()) {
        qWarning("cannot connect to %s: %s", qPrintable(database),
                 qPrintable(admin.db().lastError().text()));
        return false;
    }
    for (const QString &s : sql) {
        QSqlQuery q(admin.db());
        if (!q.exec(s)) {
            qWarning("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
            return false;
        }
    }
    return true;
}

QStringList PgCluster::column(const QString &database, const QString &sql)
{
    QStringList out;
    Admin admin(m_port, database);
    QSqlQuery q(admin.db());
    if (!q.exec(sql))
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    while (q.next())
        out.append(q.value(0).isNull() ? u"<null>"_s : q.value(0).toString());
    return out;
}

formelan::ServerBookSettings PgCluster::settings(const QString &database, const QString &user) const
{
    formelan::ServerBookSettings s;
    s.host = host();
    s.port = m_port;
    s.database = database;
    s.user = user;
    s.sslMode = u"disable"_s;
    return s;
}
