#pragma once

#include <QString>

class AppContext;

// At start, before any window exists: points the run at the database server
// this PC is set to use (or the one `--server` names), asking for the
// password where libpq's password file has none or the one given was
// wrong. A server that cannot be reached is told, naming it; the program
// then starts on the server all the same, so that nothing is stored in a
// folder by mistake, and each action says so until the server answers.
namespace ServerStart {

void connect(AppContext &context, const QString &conninfo);

} // namespace ServerStart
