#include "ServerConnection.h"

#include <atomic>

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>

#include "translation/UiText.h"

namespace {

std::atomic<int> s_connections{0};

// A CONNINFO in keyword form: key=value pairs separated by blanks; a value
// may be quoted with single quotes, inside which \' and \\ stand for ' and \.
std::optional<QMap<QString, QString>> parseKeywords(const QString &text)
{
    QMap<QString, QString> pairs;
    qsizetype pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && text.at(pos).isSpace())
            ++pos;
    };
    for (skipBlanks(); pos < text.size(); skipBlanks()) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), pos);
        if (equals < 0)
            return std::nullopt;
        const QString key = text.mid(pos, equals - pos).trimmed();
        if (key.isEmpty() || key.contains(QLatin1Char(' ')))
            return std::nullopt;
        pos = equals + 1;
        skipBlanks();
        QString value;
        if (pos < text.size() && text.at(pos) == QLatin1Char('\'')) {
            ++pos;
            bool closed = false;
            while (pos < text.size()) {
                const QChar c = text.at(pos++);
                if (c == QLatin1Char('\\') && pos < text.size()) {
                    value += text.at(pos++);
                } else if (c == QLatin1Char('\'')) {
                    closed = true;
                    break;
                } else {
                    value += c;
                }
            }
            if (!closed)
                return std::nullopt;
        } else {
            while (pos < text.size() && !text.at(pos).isSpace()) {
                if (text.at(pos) == QLatin1Char('\\') && pos + 1 < text.size())
                    ++pos;
                value += text.at(pos++);
            }
        }
        pairs.insert(key, value);
    }
    return pairs;
}

// postgresql://[user[:password]@][host][:port][/dbname][?param=value&…]
std::optional<QMap<QString, QString>> parseUri(const QString &text, bool *hasPassword)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    QMap<QString, QString> pairs;
    if (!url.host().isEmpty())
        pairs.insert(QStringLiteral("host"), url.host());
    if (url.port() > 0)
        pairs.insert(QStringLiteral("port"), QString::number(url.port()));
    if (!url.userName().isEmpty())
        pairs.insert(QStringLiteral("user"), url.userName());
    *hasPassword = !url.password().isEmpty();
    const QString path = url.path();
    if (path.size() > 1)
        pairs.insert(QStringLiteral("dbname"), path.mid(1));
    const QUrlQuery query(url);
    for (const auto &item : query.queryItems(QUrl::FullyDecoded))
        pairs.insert(item.first, item.second);
    return pairs;
}

// A value in libpq's keyword form, quoted when it needs to be.
QString quotedOption(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

} // namespace

std::optional<ServerConnection::Settings> ServerConnection::parse(const QString &conninfo, QString *error)
{
    const QString text = conninfo.trimmed();
    bool hasPassword = false;
    const bool isUri = text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://"));
    const std::optional<QMap<QString, QString>> pairs = isUri ? parseUri(text, &hasPassword) : parseKeywords(text);
    if (!pairs || text.isEmpty()) {
        if (error)
            *error = UiText(QStringLiteral("Die Verbindungsangabe \"%1\" ist nicht lesbar.")).arg(text);
        return std::nullopt;
    }
    QMap<QString, QString> options = *pairs;
    if (hasPassword || options.contains(QStringLiteral("password"))) {
        if (error)
            *error = UiText(QStringLiteral("Ein Passwort gehört nicht in die Verbindungsangabe, wo jeder Benutzer des "
                                           "Rechners es lesen kann: geben Sie es mit --server-password - auf der "
                                           "Standardeingabe ein oder legen Sie es in ~/.pgpass ab."));
        return std::nullopt;
    }
    Settings settings;
    settings.host = options.take(QStringLiteral("host"));
    settings.database = options.take(QStringLiteral("dbname"));
    settings.user = options.take(QStringLiteral("user"));
    const QString port = options.take(QStringLiteral("port"));
    if (!port.isEmpty()) {
        bool ok = false;
        settings.port = port.toInt(&ok);
        if (!ok || settings.port <= 0 || settings.port > 65535) {
            if (error)
                *error = UiText(QStringLiteral("Die Verbindungsangabe \"%1\" ist nicht lesbar.")).arg(text);
            return std::nullopt;
        }
    }
    if (!options.contains(QStringLiteral("connect_timeout")))
        options.insert(QStringLiteral("connect_timeout"), QString::number(DefaultConnectTimeoutSeconds));
    settings.options = options;
    return settings;
}

ServerConnection::ServerConnection(const Settings &settings)
    : m_settings(settings)
{
    const int number = ++s_connections;
    m_name = QStringLiteral("tagwerk-server-%1").arg(number);
    m_streamName = m_name + QStringLiteral("-stream");
}

ServerConnection::~ServerConnection()
{
    close();
}

QString ServerConnection::location() const
{
    const QString host = m_settings.host.isEmpty() ? QStringLiteral("localhost") : m_settings.host;
    const QString port = m_settings.port > 0 ? QLatin1Char(':') + QString::number(m_settings.port) : QString();
    return host + port + QLatin1Char('/') + m_settings.database;
}

bool ServerConnection::isPasswordRefusal(const QString &serverError)
{
    return serverError.contains(QLatin1String("password authentication failed"))
        || serverError.contains(QLatin1String("no password supplied"));
}

QString ServerConnection::connectFailure(const QString &serverError)
{
    m_passwordRefused = isPasswordRefusal(serverError);
    if (m_passwordRefused)
        return UiText(QStringLiteral("Der Server %1 hat das Passwort des Benutzers \"%2\" nicht angenommen: %3"))
            .arg(location(), m_settings.user, serverError);
    return UiText(QStringLiteral("Der Server %1 ist nicht erreichbar: %2")).arg(location(), serverError);
}

bool ServerConnection::openDatabase(QSqlDatabase &database, const QString &name)
{
    if (QSqlDatabase::contains(name)) {
        database = QSqlDatabase::database(name, false);
    } else {
        database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        if (!database.isValid()) {
            m_error = UiText(QStringLiteral("Der Treiber für PostgreSQL (QPSQL) fehlt; installieren Sie das Paket "
                                            "libqt6sql6-psql."));
            return false;
        }
        database.setHostName(m_settings.host);
        if (m_settings.port > 0)
            database.setPort(m_settings.port);
        database.setDatabaseName(m_settings.database);
        database.setUserName(m_settings.user);
        QStringList options;
        for (auto it = m_settings.options.cbegin(); it != m_settings.options.cend(); ++it)
            options.append(it.key() + QLatin1Char('=') + quotedOption(it.value()));
        database.setConnectOptions(options.join(QLatin1Char(';')));
    }
    database.setPassword(m_password);
    if (database.isOpen())
        return true;
    if (!database.open()) {
        m_error = connectFailure(database.lastError().databaseText().isEmpty() ? database.lastError().text()
                                                                               : database.lastError().databaseText());
        return false;
    }
    // Text literals are written for standard strings, whatever the server's
    // configuration says; the server's notices ("already exists") are for
    // nobody.
    QSqlQuery query(database);
    for (const char *setting : {"SET standard_conforming_strings = on", "SET client_min_messages = warning"}) {
        if (!query.exec(QLatin1String(setting))) {
            m_error = connectFailure(query.lastError().text());
            database.close();
            return false;
        }
    }
    return true;
}

bool ServerConnection::open()
{
    if (m_lost) {
        close();
        m_lost = false;
    }
    QSqlDatabase database;
    return openDatabase(database, m_name);
}

void ServerConnection::close()
{
    for (const QString &name : {m_streamName, m_name}) {
        if (!QSqlDatabase::contains(name))
            continue;
        {
            QSqlDatabase database = QSqlDatabase::database(name, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase ServerConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

QSqlDatabase ServerConnection::streamDatabase()
{
    QSqlDatabase database;
    if (!openDatabase(database, m_streamName))
        return QSqlDatabase();
    return database;
}

bool ServerConnection::exec(QSqlQuery &query, const QString &sql)
{
    ++m_statements;
    if (query.exec(sql))
        return true;
    const QSqlError error = query.lastError();
    m_errorCode = error.nativeErrorCode();
    m_error = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // A statement that failed for its own reasons leaves a connection that
    // answers; one that does not answer is connected anew next time.
    // (A connection the driver closed is not asked: Qt would only warn.)
    QSqlQuery probe(database());
    const bool answers = database().isOpen()
        && (probe.exec(QStringLiteral("SELECT 1"))
            || probe.lastError().nativeErrorCode() == QLatin1String("25P02")); // alive, in a failed transaction
    if (error.type() == QSqlError::ConnectionError || !answers) {
        m_lost = true;
        m_error = UiText(QStringLiteral("Die Verbindung zum Server %1 ist unterbrochen: %2")).arg(location(), m_error);
    }
    return false;
}

QString ServerConnection::literal(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString ServerConnection::literal(std::optional<bool> value)
{
    return !value ? QStringLiteral("NULL") : *value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

QString ServerConnection::literal(const QByteArray &bytes)
{
    return QStringLiteral("'\\x") + QString::fromLatin1(bytes.toHex()) + QStringLiteral("'::bytea");
}
