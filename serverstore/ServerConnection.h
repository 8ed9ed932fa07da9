#pragma once

#include <optional>

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class QSqlQuery;

// The way to one PostgreSQL database, given as libpq takes it: keyword
// pairs ("host=… port=… dbname=… user=… sslmode=…") or a URI
// ("postgresql://user@host:port/db?sslmode=…"). Options this class does not
// use itself pass on to libpq unchanged. A password never comes from the
// CONNINFO (which stands on a command line): the caller gives it, or libpq
// finds it in ~/.pgpass or PGPASSFILE by itself.
//
// Two connections of Qt's QPSQL driver, each under a name of its own: one
// for the work (statements and transactions), and one for streams, since a
// forward-only query holds its connection until it is read to the end.
class ServerConnection
{
public:
    static constexpr int DefaultConnectTimeoutSeconds = 5;

    struct Settings
    {
        QString host;
        int port = 0;
        QString database;
        QString user;
        QMap<QString, QString> options; // everything else, for libpq
    };

    // Nothing, with `error` set, for a CONNINFO that cannot be read or that
    // holds a password.
    static std::optional<Settings> parse(const QString &conninfo, QString *error);

    explicit ServerConnection(const Settings &settings);
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    void setPassword(const QString &password) { m_password = password; }
    // "host:port/database", for messages.
    QString location() const;
    QString errorString() const { return m_error; }
    // Whether the last connect failed for want of the right password.
    bool passwordRefused() const { return m_passwordRefused; }
    const Settings &settings() const { return m_settings; }

    // Opens the working connection, or opens it anew after it was lost;
    // false with errorString() naming the server and its error.
    bool open();
    void close();
    // The working connection (open() first).
    QSqlDatabase database() const;
    // The connection for a stream, opened on first use; invalid with
    // errorString() when it cannot be opened.
    QSqlDatabase streamDatabase();

    // Runs `sql` (one statement: the driver reports the first result of
    // several only) on the working connection; false with errorString(), after
    // checking whether the connection was lost: then the next open()
    // connects anew.
    bool exec(QSqlQuery &query, const QString &sql);
    // The SQLSTATE of the last failed statement.
    QString lastErrorCode() const { return m_errorCode; }
    // Statements sent on the working connection so far: round trips, for
    // the benchmarks.
    quint64 statementCount() const { return m_statements; }
    // Marks the connection for a fresh connect at the next open().
    void markLost() { m_lost = true; }

    // A literal for SQL text: quoted text, a number, TRUE/FALSE, NULL for an
    // empty optional, '\x…'::bytea for bytes.
    static QString literal(const QString &text);
    static QString literal(std::optional<bool> value);
    static QString literal(const QByteArray &bytes);

private:
    bool openDatabase(QSqlDatabase &database, const QString &name);
    static bool isPasswordRefusal(const QString &serverError);
    QString connectFailure(const QString &serverError);

    Settings m_settings;
    QString m_password;
    QString m_name;
    QString m_streamName;
    QString m_error;
    QString m_errorCode;
    bool m_lost = false;
    quint64 m_statements = 0;
    bool m_passwordRefused = false;
};
