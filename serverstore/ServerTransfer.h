#pragma once

#include <functional>

#include <QString>

class Clock;
class ServerConnection;
class ServerTable;

// Moving a firm's records between a Database directory and the server, in
// both directions, so that a firm can try the server and go back: the
// records keep their numbers (deleted ones too), the history keeps its
// entries and chain, the small files their bytes.
namespace ServerTransfer {

// Writes a Database directory that the folder store and other dBase tools
// read: "arbeitszeit.dbf", "protokoll.dbf" and the small files, from one
// snapshot of the server. Refuses a directory that already holds a table
// or a history, so that nothing is written over.
// With Records::None the table has its layout alone.
enum class Records { All, None };
bool exportTo(ServerConnection &connection, ServerTable &table, const Clock &clock, const QString &directory,
              QString *error, Records records = Records::All);

// Brings a Database directory in, in one transaction: refused when the
// server already holds bookings or history, or the folder's table or
// history cannot be read whole. `beforeCommit`, when given, runs last in
// the transaction (the start of a history the folder lacks, so that a
// client killed after the commit leaves no records without one); false
// with `error` set undoes everything.
bool importFrom(ServerConnection &connection, const Clock &clock, const QString &directory, QString *error,
                const std::function<bool(QString *error)> &beforeCommit = {});

} // namespace ServerTransfer
