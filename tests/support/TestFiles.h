#pragma once

#include <QByteArray>
#include <QString>

// Small helpers for tests that look at files byte for byte.
namespace TestFiles {

QByteArray readAll(const QString &path);
bool writeAll(const QString &path, const QByteArray &bytes);
QString dataPath(const QString &relative); // below tests/data
QByteArray le16(quint16 value);
QByteArray le32(quint32 value);

} // namespace TestFiles
