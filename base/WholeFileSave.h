#pragma once

#include <chrono>
#include <functional>

#include <QByteArray>
#include <QString>

// Saving a small file whole (benutzer.dat, options.dat, abschluss.dat,
// translate.dat): written aside and moved over the old one, so that a crash
// or a full disk leaves the old file or the new one, never half of one.
//
// On Windows the move fails while another process holds the file open (a
// second Tagwerk reading it that moment, a virus scanner looking at the new
// file): a sharing violation that passes in a moment. The move is then tried
// again for a while before the failure is reported.
namespace WholeFileSave {

constexpr std::chrono::milliseconds DefaultPatience{2000};

struct Attempt
{
    bool saved = false;
    bool replaceFailed = false; // written, but not moved into place: worth another try
    QString error;
};
using Try = std::function<Attempt(const QString &path, const QByteArray &bytes)>;

// One attempt through QSaveFile.
Attempt saveOnce(const QString &path, const QByteArray &bytes);

// Saves `bytes` as `path`; false with the reason in `error` when it failed.
// `attempt` stands in for saveOnce() in tests.
bool save(const QString &path, const QByteArray &bytes, QString *error = nullptr,
          std::chrono::milliseconds patience = DefaultPatience, const Try &attempt = saveOnce);

} // namespace WholeFileSave
