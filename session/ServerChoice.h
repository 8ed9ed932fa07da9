#pragma once

#include <QString>

class WindowSettingsStore;

// Whether this PC works on a database server instead of the Database
// directory, and which: kept per user of the computer beside the directory
// choice. No password is ever kept: libpq's password file serves it, or the
// program asks at start.
struct ServerChoice
{
    static constexpr int DefaultPort = 5432;

    bool useServer = false;
    QString host;
    int port = DefaultPort;
    QString database;
    QString user;

    static ServerChoice restore(const WindowSettingsStore &settings);
    void save(WindowSettingsStore &settings) const;

    // The connection in libpq's form "host=… port=… dbname=… user=…", each
    // value quoted where libpq needs it; empty values left out.
    QString conninfo() const;
};
