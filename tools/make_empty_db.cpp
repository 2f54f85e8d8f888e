// Build step: writes Samples/Empty.mdb from the program's own schema.
#include "core/dberror.h"
#include "core/schema.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_empty_db <path>\n");
        return 2;
    }
    try {
        CreateEmptyDatabase(QString::fromLocal8Bit(argv[1]));
    } catch (const DbError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
