#include "TestCluster.h"

#include <unistd.h>

#include <pwd.h>
#include <sys/types.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

namespace {

const char *const BinaryDirectory = "/usr/lib/postgresql/15/bin";
const char *const Superuser = "tagwerk_super";

// Gives the directory tree to `user`, so that the cluster run as that user
// may write it.
bool giveTo(const QString &path, uid_t uid, gid_t gid)
{
    return ::chown(QFile::encodeName(path).constData(), uid, gid) == 0;
}

} // namespace

TestCluster::TestCluster() = default;

TestCluster::~TestCluster()
{
    stop();
}

QString TestCluster::binary(const QString &name)
{
    return QLatin1String(BinaryDirectory) + QLatin1Char('/') + name;
}

QString TestCluster::unavailableReason()
{
    for (const char *name : {"initdb", "pg_ctl", "psql"}) {
        const QString path = QLatin1String(name) == QLatin1String("psql") ? QStringLiteral("/usr/bin/psql")
                                                                            : binary(QLatin1String(name));
        if (!QFileInfo(path).isExecutable())
            return QStringLiteral("%1 is missing (install postgresql: scripts/install-deps.sh)").arg(path);
    }
    if (::geteuid() == 0 && !::getpwnam("postgres"))
        return QStringLiteral("running as root without a user \"postgres\" to run the cluster as");
    return {};
}

QString TestCluster::socketDirectory() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("socket")) : QString();
}

bool TestCluster::run(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("PGPASSWORD"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (m_asPostgres)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                             QStringLiteral("--"), program} + arguments);
    else
        process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        m_error = QStringLiteral("%1 did not finish").arg(program);
        return false;
    }
    const QString printed = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = printed;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2").arg(program, printed);
        return false;
    }
    return true;
}

bool TestCluster::start()
{
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    m_asPostgres = ::geteuid() == 0;
    const QString data = m_dir->filePath(QStringLiteral("data"));
    QDir().mkpath(socketDirectory());
    if (m_asPostgres) {
        const passwd *user = ::getpwnam("postgres");
        if (!user || !giveTo(m_dir->path(), user->pw_uid, user->pw_gid)
            || !giveTo(socketDirectory(), user->pw_uid, user->pw_gid)) {
            m_error = QStringLiteral("cannot give the cluster's directory to postgres");
            return false;
        }
    }
    // Only a socket in our own directory: the port just names it.
    m_port = 20000 + int(QRandomGenerator::global()->bounded(30000));
    if (!run(binary(QStringLiteral("initdb")),
             {QStringLiteral("-D"), data, QStringLiteral("-U"), QLatin1String(Superuser), QStringLiteral("-A"),
              QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale"),
              QStringLiteral("--no-sync")}))
        return false;
    // The password role logs in as a remote PC does: with its password.
    QFile hba(data + QStringLiteral("/pg_hba.conf"));
    if (!hba.open(QIODevice::ReadOnly)) {
        m_error = hba.errorString();
        return false;
    }
    const QByteArray rules = "local all " + QByteArray(PasswordRole) + " scram-sha-256\n" + hba.readAll();
    hba.close();
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) || hba.write(rules) != rules.size()) {
        m_error = hba.errorString();
        return false;
    }
    hba.close();
    if (!startServer())
        return false;
    // CREATE DATABASE runs outside a transaction: a statement of its own.
    const QString roles = QStringLiteral("CREATE ROLE %1 LOGIN; CREATE ROLE %2 LOGIN; CREATE ROLE %3 LOGIN PASSWORD '%4'; "
                                         "GRANT %2 TO %3;")
                              .arg(QLatin1String(OwnerRole), QLatin1String(WorkingRole), QLatin1String(PasswordRole),
                                   QLatin1String(Password));
    const QString database = QStringLiteral("CREATE DATABASE %1 OWNER %2;").arg(QLatin1String(Database), QLatin1String(OwnerRole));
    return psql(roles, nullptr, QString(), QStringLiteral("postgres"))
        && psql(database, nullptr, QString(), QStringLiteral("postgres"));
}

bool TestCluster::startServer()
{
    // A client that dies mid-statement is noticed within 200 ms.
    const QString options = QStringLiteral("-k %1 -p %2 -c listen_addresses='' -c fsync=off -c max_connections=40 "
                                           "-c client_connection_check_interval=200")
                                .arg(socketDirectory())
                                .arg(m_port);
    if (!run(binary(QStringLiteral("pg_ctl")),
             {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")), QStringLiteral("-o"), options,
              QStringLiteral("-l"), m_dir->filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
              QStringLiteral("start")}))
        return false;
    m_running = true;
    return true;
}

bool TestCluster::stopServer()
{
    if (!run(binary(QStringLiteral("pg_ctl")), {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")),
                                                QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"),
                                                QStringLiteral("stop")}))
        return false;
    m_running = false;
    return true;
}

void TestCluster::stop()
{
    if (!m_running)
        return;
    run(binary(QStringLiteral("pg_ctl")), {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")),
                                           QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")});
    m_running = false;
}

QString TestCluster::conninfo(const QString &role) const
{
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(socketDirectory())
        .arg(m_port)
        .arg(QLatin1String(Database), role);
}

bool TestCluster::psql(const QString &sql, QString *output, const QString &role, const QString &database)
{
    // psql runs as this process's user: the socket directory lets it in.
    const bool asPostgres = m_asPostgres;
    m_asPostgres = false;
    const bool done = run(QStringLiteral("/usr/bin/psql"),
                          {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-At"), QStringLiteral("-v"),
                           QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), socketDirectory(),
                           QStringLiteral("-p"), QString::number(m_port), QStringLiteral("-U"),
                           role.isEmpty() ? QLatin1String(Superuser) : role, QStringLiteral("-d"), database,
                           QStringLiteral("-c"), sql},
                          output);
    m_asPostgres = asPostgres;
    return done;
}
