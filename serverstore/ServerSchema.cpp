#include "ServerSchema.h"

#include <optional>

#include <QSqlQuery>
#include <QStringList>

#include "ServerConnection.h"
#include "translation/UiText.h"

namespace {

// The clash search of the folder, as SQL: dates DD.MM.YYYY (one- or
// two-digit day and month) and times H:MM[:SS] read exactly as the program
// reads them, anything else is no date or time and never clashes. A span is
// a set of points in units of 1/M second (M = 8·86400²): a booking whose end
// is after its start is the closed set between start + M/2 and end − M/2, so
// that two such spans meet exactly when their open intervals overlap; any
// other booking (end at or before start) is its two bounds, each shifted by
// a fraction k/M < 1/2 unique to its pair of times, so that it meets a span
// holding one of its bounds strictly inside, and another such booking only
// when both times are the same: the five conditions of the clash search.
const char *const Functions[] = {
    // Single expressions, so that the planner inlines them: called once
    // per row in an index, a function that runs a query of its own costs a
    // hundred times more.
    R"sql(CREATE OR REPLACE FUNCTION tagwerk_tag_aus(d integer, m integer, y integer) RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
SELECT CASE WHEN y = 0 OR m < 1 OR m > 12 OR d < 1
                 OR d > CASE WHEN m = 2 THEN CASE WHEN y % 4 = 0 AND (y % 100 <> 0 OR y % 400 = 0) THEN 29 ELSE 28 END
                             WHEN m IN (4, 6, 9, 11) THEN 30 ELSE 31 END
            THEN NULL ELSE y * 10000 + m * 100 + d END
$$)sql",
    R"sql(CREATE OR REPLACE FUNCTION tagwerk_tag(datum text) RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
SELECT CASE WHEN datum ~ '^[0-9]{1,2}\.[0-9]{1,2}\.[0-9]{4}$'
            THEN @.tagwerk_tag_aus(split_part(datum, '.', 1)::integer, split_part(datum, '.', 2)::integer,
                                 split_part(datum, '.', 3)::integer) END
$$)sql",
    R"sql(CREATE OR REPLACE FUNCTION tagwerk_sekunden_aus(h integer, mi integer, s integer) RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
SELECT CASE WHEN h > 23 OR mi > 59 OR s > 59 THEN NULL ELSE h * 3600 + mi * 60 + s END
$$)sql",
    R"sql(CREATE OR REPLACE FUNCTION tagwerk_sekunden(zeit text) RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
SELECT CASE WHEN zeit ~ '^[0-9]{1,2}:[0-9]{2}(:[0-9]{2})?$'
            THEN @.tagwerk_sekunden_aus(split_part(zeit, ':', 1)::integer, split_part(zeit, ':', 2)::integer,
                                      coalesce(nullif(split_part(zeit, ':', 3), '')::integer, 0)) END
$$)sql",
    R"sql(CREATE OR REPLACE FUNCTION tagwerk_spanne(von integer, bis integer) RETURNS int8multirange
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
SELECT CASE WHEN von IS NULL OR bis IS NULL THEN NULL
            WHEN von < bis THEN int8multirange(int8range(von * 59719680000 + 29859840000,
                                                          bis * 59719680000 - 29859840000, '[]'))
            ELSE int8multirange(int8range(von * 59719680000 + (von::bigint * 86400 + bis + 1),
                                          von * 59719680000 + (von::bigint * 86400 + bis + 1), '[]'),
                                int8range(bis * 59719680000 + (von::bigint * 86400 + bis + 1),
                                          bis * 59719680000 + (von::bigint * 86400 + bis + 1), '[]')) END
$$)sql",
    R"sql(CREATE OR REPLACE FUNCTION tagwerk_spanne(von text, bis text) RETURNS int8multirange
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
SELECT @.tagwerk_spanne(@.tagwerk_sekunden(von), @.tagwerk_sekunden(bis))
$$)sql",
    // A record or entry number is the one after the last: one INSERT with
    // a number far ahead would leave every PC unable to book (the next
    // number out of range) and an export of blank records up to it.
    R"sql(CREATE OR REPLACE FUNCTION tagwerk_lueckenlos() RETURNS trigger
LANGUAGE plpgsql AS $$
DECLARE
    luecke boolean;
BEGIN
    EXECUTE format('SELECT EXISTS (SELECT 1 FROM neu WHERE neu.%1$I > 1 AND NOT EXISTS '
                   '(SELECT 1 FROM %2$I AS t WHERE t.%1$I = neu.%1$I - 1))', TG_ARGV[0], TG_TABLE_NAME)
        INTO luecke;
    IF luecke THEN
        RAISE EXCEPTION 'Die Tabelle % nimmt nur die nächste Nummer an.', TG_TABLE_NAME USING ERRCODE = 'check_violation';
    END IF;
    RETURN NULL;
END
$$)sql",
    R"sql(CREATE OR REPLACE FUNCTION tagwerk_nur_anfuegen() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION 'Die Tabelle % nimmt nur neue Zeilen an; bestehende werden nicht geändert oder gelöscht.',
        TG_TABLE_NAME USING ERRCODE = 'insufficient_privilege';
END
$$)sql",
};

const char *const Tables[] = {
    "CREATE EXTENSION IF NOT EXISTS btree_gist",
    "CREATE TABLE IF NOT EXISTS tagwerk_schema (version integer NOT NULL)",
    "CREATE TABLE IF NOT EXISTS tabellenkopf (tabelle text PRIMARY KEY, kopf bytea NOT NULL)",
    R"sql(CREATE TABLE IF NOT EXISTS arbeitszeit (
    satz integer PRIMARY KEY CHECK (satz > 0),
    geloescht boolean NOT NULL DEFAULT false,
    datum varchar(10) NOT NULL DEFAULT '',
    arbeiter varchar(45) NOT NULL DEFAULT '',
    ort varchar(45) NOT NULL DEFAULT '',
    taetigkeit varchar(45) NOT NULL DEFAULT '',
    zeit_von varchar(5) NOT NULL DEFAULT '',
    zeit_bis varchar(5) NOT NULL DEFAULT '',
    bemerkungen varchar(100) NOT NULL DEFAULT '',
    auswaerts boolean,
    pause varchar(5) NOT NULL DEFAULT '',
    doppelt boolean,
    datum_eintrag varchar(10) NOT NULL DEFAULT '',
    zeit_eintrag varchar(5) NOT NULL DEFAULT '',
    geprueft boolean NOT NULL DEFAULT false,
    CONSTRAINT arbeitszeit_keine_ueberschneidung EXCLUDE USING gist (
        arbeiter WITH =, (tagwerk_tag(datum)) WITH =, (tagwerk_spanne(zeit_von, zeit_bis)) WITH &&)
        WHERE (geprueft AND NOT geloescht AND doppelt IS NOT TRUE))
)sql",
    "CREATE INDEX IF NOT EXISTS arbeitszeit_tag ON arbeitszeit (arbeiter, (tagwerk_tag(datum))) WHERE NOT geloescht",
    R"sql(CREATE TABLE IF NOT EXISTS protokoll (
    nr bigint PRIMARY KEY,
    zeit varchar(19) NOT NULL DEFAULT '',
    wer varchar(45) NOT NULL DEFAULT '',
    rechner varchar(64) NOT NULL DEFAULT '',
    aktion varchar(20) NOT NULL DEFAULT '',
    satz varchar(10) NOT NULL DEFAULT '',
    aenderung1 varchar(254) NOT NULL DEFAULT '',
    aenderung2 varchar(254) NOT NULL DEFAULT '',
    aenderung3 varchar(254) NOT NULL DEFAULT '',
    aenderung4 varchar(254) NOT NULL DEFAULT '',
    vorher varchar(64) NOT NULL DEFAULT '',
    nachher varchar(64) NOT NULL DEFAULT '',
    kette varchar(64) NOT NULL DEFAULT '')
)sql",
    // Every change reads the last closing entry (its date is the authority
    // over the closing row): found at once however many entries follow it.
    "CREATE INDEX IF NOT EXISTS protokoll_abschluss ON protokoll (nr) "
    "WHERE aktion IN ('Abschluss', 'Wiedereröffnung')",
    "CREATE TABLE IF NOT EXISTS benutzer (eine boolean PRIMARY KEY DEFAULT true CHECK (eine), inhalt bytea NOT NULL)",
    "CREATE TABLE IF NOT EXISTS optionen (eine boolean PRIMARY KEY DEFAULT true CHECK (eine), inhalt bytea NOT NULL)",
    "CREATE TABLE IF NOT EXISTS abschluss (eine boolean PRIMARY KEY DEFAULT true CHECK (eine), inhalt bytea NOT NULL)",
    "CREATE TABLE IF NOT EXISTS protokollbeginn (eine boolean PRIMARY KEY DEFAULT true CHECK (eine), inhalt bytea NOT NULL)",
    "CREATE TABLE IF NOT EXISTS sollzeit (satz integer PRIMARY KEY CHECK (satz > 0), inhalt bytea NOT NULL)",
    "CREATE TABLE IF NOT EXISTS abwesenheit (satz integer PRIMARY KEY CHECK (satz > 0), inhalt bytea NOT NULL)",
    "CREATE TABLE IF NOT EXISTS feiertag (satz integer PRIMARY KEY CHECK (satz > 0), inhalt bytea NOT NULL)",
    "CREATE TABLE IF NOT EXISTS bundesland (satz integer PRIMARY KEY CHECK (satz > 0), inhalt bytea NOT NULL)",
    "CREATE OR REPLACE TRIGGER protokoll_nur_anfuegen BEFORE UPDATE OR DELETE ON protokoll "
    "FOR EACH ROW EXECUTE FUNCTION tagwerk_nur_anfuegen()",
    "CREATE OR REPLACE TRIGGER protokoll_nicht_leeren BEFORE TRUNCATE ON protokoll "
    "FOR EACH STATEMENT EXECUTE FUNCTION tagwerk_nur_anfuegen()",
    "CREATE OR REPLACE TRIGGER protokollbeginn_nur_anfuegen BEFORE UPDATE OR DELETE ON protokollbeginn "
    "FOR EACH ROW EXECUTE FUNCTION tagwerk_nur_anfuegen()",
    "CREATE OR REPLACE TRIGGER protokollbeginn_nicht_leeren BEFORE TRUNCATE ON protokollbeginn "
    "FOR EACH STATEMENT EXECUTE FUNCTION tagwerk_nur_anfuegen()",
    "CREATE OR REPLACE TRIGGER arbeitszeit_lueckenlos AFTER INSERT ON arbeitszeit REFERENCING NEW TABLE AS neu "
    "FOR EACH STATEMENT EXECUTE FUNCTION tagwerk_lueckenlos('satz')",
    "CREATE OR REPLACE TRIGGER protokoll_lueckenlos AFTER INSERT ON protokoll REFERENCING NEW TABLE AS neu "
    "FOR EACH STATEMENT EXECUTE FUNCTION tagwerk_lueckenlos('nr')",
};

// What the PCs may do: read everything; add and change bookings and the
// account's records (a deletion is a change) and an account table's header
// when its first record is written; add history entries and the start list,
// never change them.
QStringList grants()
{
    return {
        QStringLiteral("GRANT SELECT ON tagwerk_schema, tabellenkopf TO %1"),
        // A record keeps its number: every column but satz.
        QStringLiteral("REVOKE UPDATE ON arbeitszeit FROM %1"),
        QStringLiteral("GRANT SELECT, INSERT ON arbeitszeit TO %1"),
        QStringLiteral("GRANT UPDATE (geloescht, datum, arbeiter, ort, taetigkeit, zeit_von, zeit_bis, bemerkungen, "
                       "auswaerts, pause, doppelt, datum_eintrag, zeit_eintrag, geprueft) ON arbeitszeit TO %1"),
        QStringLiteral("REVOKE DELETE, TRUNCATE ON arbeitszeit FROM %1"),
        QStringLiteral("GRANT SELECT, INSERT ON protokoll, protokollbeginn TO %1"),
        QStringLiteral("REVOKE UPDATE, DELETE, TRUNCATE ON protokoll, protokollbeginn FROM %1"),
        QStringLiteral("GRANT SELECT, INSERT, UPDATE ON benutzer, optionen, abschluss TO %1"),
        QStringLiteral("GRANT INSERT ON tabellenkopf TO %1"),
        QStringLiteral("GRANT SELECT, INSERT, UPDATE ON sollzeit, abwesenheit, feiertag, bundesland TO %1"),
        QStringLiteral("REVOKE DELETE, TRUNCATE ON sollzeit, abwesenheit, feiertag, bundesland FROM %1"),
    };
}

bool run(ServerConnection &connection, const QString &sql, QString *error)
{
    QSqlQuery query(connection.database());
    if (connection.exec(query, sql))
        return true;
    if (error)
        *error = connection.errorString();
    return false;
}

bool rollBack(ServerConnection &connection)
{
    QSqlQuery rollback(connection.database());
    rollback.exec(QStringLiteral("ROLLBACK"));
    return false;
}

// The roles that hold the PCs' rights already (they may add history
// entries), quoted as SQL names, so that an upgrade grants them its new
// tables too.
std::optional<QStringList> grantedRoles(ServerConnection &connection, QString *error)
{
    QSqlQuery query(connection.database());
    if (!connection.exec(query, QStringLiteral("SELECT DISTINCT a.grantee::regrole::text FROM pg_class AS c, "
                                               "aclexplode(c.relacl) AS a WHERE c.oid = 'protokoll'::regclass AND "
                                               "a.privilege_type = 'INSERT' AND a.grantee <> c.relowner AND "
                                               "a.grantee <> 0"))) {
        if (error)
            *error = connection.errorString();
        return std::nullopt;
    }
    QStringList roles;
    while (query.next())
        roles.append(query.value(0).toString());
    return roles;
}

std::optional<QString> currentSchema(ServerConnection &connection, QString *error)
{
    QSqlQuery query(connection.database());
    if (!connection.exec(query, QStringLiteral("SELECT quote_ident(current_schema())")) || !query.next()) {
        if (error)
            *error = connection.errorString();
        return std::nullopt;
    }
    return query.value(0).toString();
}

} // namespace

QString ServerSchema::upgradeNeeded(ServerConnection &connection)
{
    return UiText(QStringLiteral("Die Tabellen auf dem Server %1 sind von einer älteren Version von Tagwerk: der "
                                 "Eigentümer der Datenbank richtet sie mit \"tagwerk-cli --server … init\" neu ein."))
        .arg(connection.location());
}

int ServerSchema::version(ServerConnection &connection, QString *error)
{
    QSqlQuery query(connection.database());
    if (!connection.exec(query, QStringLiteral("SELECT to_regclass('tagwerk_schema') IS NOT NULL"))) {
        if (error)
            *error = connection.errorString();
        return -1;
    }
    if (!query.next() || !query.value(0).toBool())
        return 0;
    if (!connection.exec(query, QStringLiteral("SELECT coalesce(max(version), 0) FROM tagwerk_schema"))
        || !query.next()) {
        if (error)
            *error = connection.errorString();
        return -1;
    }
    return query.value(0).toInt();
}

bool ServerSchema::create(ServerConnection &connection, const QByteArray &tableHeader, const QString &workingRole,
                          QString *error)
{
    const int found = version(connection, error);
    if (found < 0)
        return false;
    if (found > Version) {
        if (error)
            *error = UiText(QStringLiteral("Die Datenbank auf dem Server %1 hat ein neueres Format (%2) als diese "
                                           "Version von Tagwerk (%3)."))
                         .arg(connection.location())
                         .arg(found)
                         .arg(Version);
        return false;
    }
    QStringList statements = {QStringLiteral("BEGIN"),
                              // Two runs at once: one after the other.
                              QStringLiteral("SELECT pg_advisory_xact_lock(1952540535)")};
    // A function calls the others by their schema: autovacuum and restores
    // evaluate the index expressions with a search path of their own.
    const std::optional<QString> schema = currentSchema(connection, error);
    if (!schema)
        return false;
    for (const char *sql : Functions)
        statements.append(QString::fromUtf8(sql).replace(QLatin1String("@."), *schema + QLatin1Char('.')));
    for (const char *sql : Tables)
        statements.append(QString::fromUtf8(sql));
    if (!tableHeader.isEmpty())
        statements.append(QStringLiteral("INSERT INTO tabellenkopf (tabelle, kopf) VALUES ('arbeitszeit', %1) "
                                         "ON CONFLICT (tabelle) DO NOTHING")
                              .arg(ServerConnection::literal(tableHeader)));
    statements.append(QStringLiteral("DELETE FROM tagwerk_schema"));
    statements.append(QStringLiteral("INSERT INTO tagwerk_schema (version) VALUES (%1)").arg(Version));
    for (const QString &sql : std::as_const(statements)) {
        if (!run(connection, sql, error))
            return rollBack(connection);
    }
    const std::optional<QStringList> granted = grantedRoles(connection, error);
    if (!granted)
        return rollBack(connection);
    QStringList roles = *granted;
    if (!workingRole.isEmpty())
        roles.append(QLatin1Char('"') + QString(workingRole).replace(QLatin1Char('"'), QLatin1String("\"\""))
                     + QLatin1Char('"'));
    for (const QString &role : std::as_const(roles)) {
        for (const QString &grant : grants()) {
            if (!run(connection, grant.arg(role), error))
                return rollBack(connection);
        }
    }
    return run(connection, QStringLiteral("COMMIT"), error);
}
