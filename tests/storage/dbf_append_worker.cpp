// Appends records to a work-time table from its own process, for the test of
// several program instances appending to one table at the same moment.
//   dbf_append_worker TABLE TAG COUNT GOFILE
// waits until GOFILE exists, then appends COUNT records whose employee is TAG
// and whose remark is the record's index. Exit 0 when all were stored.
#include <cstdio>

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include "base/Clock.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5)
        return 2;
    const QString table = args.at(1);
    const QString tag = args.at(2);
    const int count = args.at(3).toInt();
    const QString goFile = args.at(4);

    SystemClock clock;
    DbfTable dbf(clock);
    if (!dbf.open(table)) {
        std::fprintf(stderr, "%s\n", qPrintable(dbf.errorString()));
        return 1;
    }
    for (int wait = 0; !QFileInfo::exists(goFile) && wait < 10000; ++wait)
        QThread::usleep(500);
    for (int i = 0; i < count; ++i) {
        DbfRecord record = dbf.newRecord();
        record.setText(WorkTimeTables::Datum, QStringLiteral("01.01.2024"));
        record.setText(WorkTimeTables::Arbeiter, tag);
        record.setText(WorkTimeTables::Bemerkungen, QString::number(i));
        if (!dbf.append(record)) {
            std::fprintf(stderr, "%s\n", qPrintable(dbf.errorString()));
            return 1;
        }
    }
    return 0;
}
