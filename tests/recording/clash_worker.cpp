// The other instance of the shared-table test: opens the work-time table
// with its own clash index and carries out the commands of ClashScript read
// from standard input, one per line, answering each on standard output.
//   clash_worker TABLE
#include <cstdio>
#include <iostream>
#include <string>

#include <QCoreApplication>

#include "ClashScript.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    SystemClock clock;
    DbfTable table(clock);
    if (!table.open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s\n", qPrintable(table.errorString()));
        return 1;
    }
    ClashIndex index(table);
    for (std::string line; std::getline(std::cin, line);) {
        const QString reply = ClashScript::run(table, index, clock, QString::fromStdString(line));
        std::cout << reply.toStdString() << std::endl;
    }
    return 0;
}
