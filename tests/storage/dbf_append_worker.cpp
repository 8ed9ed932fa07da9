// Another program instance on a work-time table, for the tests of several
// instances (several PCs on one shared folder) at the same moment.
//   dbf_append_worker TABLE TAG COUNT GOFILE
// waits until GOFILE exists, then appends COUNT records whose employee is TAG
// and whose remark is the record's index. Exit 0 when all were stored.
//   dbf_append_worker TABLE hold header|RECORD
// takes the header's lock, or that record's, the way a write does, says
// "held" on standard output and keeps it until standard input closes.
#include <cstdio>
#include <iostream>
#include <string>

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include "base/Clock.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"

namespace {

int hold(DbfTable &dbf, const QString &what)
{
    const bool header = what == QLatin1String("header");
    if (!(header ? dbf.lockHeader() : dbf.lockRecord(what.toUInt()))) {
        std::fprintf(stderr, "%s\n", qPrintable(dbf.errorString()));
        return 1;
    }
    std::cout << "held" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    if (header)
        dbf.unlockHeader();
    else
        dbf.unlockRecord(what.toUInt());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5 && !(args.size() == 4 && args.at(2) == QLatin1String("hold")))
        return 2;
    const QString table = args.at(1);

    SystemClock clock;
    DbfTable dbf(clock);
    if (!dbf.open(table)) {
        std::fprintf(stderr, "%s\n", qPrintable(dbf.errorString()));
        return 1;
    }
    if (args.size() == 4)
        return hold(dbf, args.at(3));

    const QString tag = args.at(2);
    const int count = args.at(3).toInt();
    const QString goFile = args.at(4);
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
