#include "BenchTables.h"

#include <QFile>
#include <QtEndian>

#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/ProgramTexts.h"

namespace BenchTables {

namespace {

const char *const Employees[] = {"Müller, Jürgen", "Schäfer, Käthe", "Özdemir, Zoë", "Weiß, Björn", "Krause, Anna"};
const char *const Places[] = {"Köln, Baustelle Schloßplatz 3", "Lübeck, Hauptstraße", "Gießen, Praxis Dr. Größer",
                              "Werkstatt"};
const char *const Activities[] = {"Störungsbeseitigung", "Übergabe", "Qualitätsprüfung", "Montage", "Wartung"};

} // namespace

void fillRecord(DbfRecord &record, quint32 i)
{
    record.setText(WorkTimeTables::Datum, QStringLiteral("%1.%2.2024").arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                                              .arg(i % 12 + 1, 2, 10, QLatin1Char('0')));
    record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(Employees[i % 5]));
    record.setText(WorkTimeTables::Ort, QString::fromUtf8(Places[i % 4]));
    record.setText(WorkTimeTables::Taetigkeit, QString::fromUtf8(Activities[i % 5]));
    record.setText(WorkTimeTables::ZeitVon, QStringLiteral("07:%1").arg(i % 60, 2, 10, QLatin1Char('0')));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("16:30"));
    record.setText(WorkTimeTables::Bemerkungen, i % 3 ? QString() : QStringLiteral("Material nachbestellt, Kunde informiert"));
    record.setLogical(WorkTimeTables::Auswaerts, i % 7 == 0);
    record.setText(WorkTimeTables::Pause, QStringLiteral("00:30"));
    record.setLogical(WorkTimeTables::Doppelt, false);
    record.setText(WorkTimeTables::DatumEintrag, QStringLiteral("02.01.2025"));
    record.setText(WorkTimeTables::ZeitEintrag, QStringLiteral("17:05"));
}

// Writes the records in bulk: the layout is the table layer's, the speed is
// the disk's.
bool writeWorkTimeTable(const QString &path, quint32 rows, const Clock &clock, Filler fill)
{
    DbfTable table(clock);
    if (!table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)) || !table.open(path))
        return false;
    DbfRecord record = table.newRecord();
    table.close();
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    file.seek(file.size() - 1); // over the end mark
    QByteArray chunk;
    for (quint32 i = 0; i < rows; ++i) {
        fill(record, i);
        chunk += record.bytes();
        if (chunk.size() > (1 << 20) || i + 1 == rows) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write("\x1A", 1);
    const quint32 count = qToLittleEndian(rows);
    file.seek(DbfFormat::RecordCountOffset);
    file.write(reinterpret_cast<const char *>(&count), 4);
    return true;
}


} // namespace BenchTables
