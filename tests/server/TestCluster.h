#pragma once

#include <memory>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A throw-away PostgreSQL cluster for the tests: initdb and pg_ctl on a
// private directory, listening only on a socket in that directory, with an
// owner role (for the schema), a working role (for the PCs) and a database.
// initdb refuses to run as root, and CI runs as root: there the cluster runs
// as the system user "postgres", which then owns the directory. Stopped and
// removed when the object goes.
class TestCluster
{
public:
    static constexpr const char *Database = "tagwerk";
    static constexpr const char *OwnerRole = "tagwerk_owner";
    static constexpr const char *WorkingRole = "tagwerk_pc";
    // A role that logs in with a password (the others need none).
    static constexpr const char *PasswordRole = "tagwerk_remote";
    static constexpr const char *Password = "geheim";

    TestCluster();
    ~TestCluster();
    TestCluster(const TestCluster &) = delete;
    TestCluster &operator=(const TestCluster &) = delete;

    // Why the cluster cannot be had here (no server binaries); empty when
    // start() may be tried.
    static QString unavailableReason();

    bool start();
    void stop();
    // Stops the server and starts it again on the same data, as an
    // administrator's restart does; false with errorString().
    bool stopServer();
    bool startServer();
    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }

    // CONNINFO for `role` (default: the working role) on the test database.
    QString conninfo(const QString &role = QLatin1String(WorkingRole)) const;
    // Runs SQL through psql as `role` (default: the superuser); false with
    // errorString() when psql fails. `output` gets what psql printed.
    bool psql(const QString &sql, QString *output = nullptr, const QString &role = QString(),
              const QString &database = QLatin1String(Database));
    QString socketDirectory() const;
    int port() const { return m_port; }

private:
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr);
    static QString binary(const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
    int m_port = 0;
    bool m_running = false;
    bool m_asPostgres = false;
    QString m_error;
};
