#pragma once

#include <QList>
#include <QString>

// One row of the user list: who may log in, and under which employee name
// their bookings are stored. Names need not be unique.
struct UserRow
{
    QString employeeName; // "Name des Mitarbeiters"
    QString userName;     // "Benutzername"
    QString password;     // "Passwort", in clear while the program runs

    bool operator==(const UserRow &other) const
    {
        return employeeName == other.employeeName && userName == other.userName && password == other.password;
    }
};

// Everything "benutzer.dat" holds. The windows show and edit this object in
// place; the store writes it whole.
struct UserListData
{
    QList<UserRow> users;
    QString adminPassword;
    QString adminPasswordRepeat;
    bool employeesMayCorrect = false;
    bool placesFixed = false;     // false: generated from existing bookings
    QString placeTexts;           // lines joined by CR LF
    QString activityTexts;
    bool activitiesFixed = false;
    bool listBreakTime = false;   // "Pausenzeit in Auswertung aufführen"

    bool operator==(const UserListData &other) const = default;

    // Whether `typed` lets the administrator in: any text while no password
    // is set (the administrator login then asks for none), otherwise exactly
    // the password.
    bool acceptsAdminPassword(const QString &typed) const { return adminPassword.isEmpty() || typed == adminPassword; }
};
