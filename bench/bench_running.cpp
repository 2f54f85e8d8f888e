// Moving through the objects of a running catalog (bench/runningcatalogbench.h); bench_performance
// reports the same figures with the others.
//
//   build/bench/bench_running [objects] [passes of 10 000 slideshow moves for the memory]
#include "app/databasehooks.h"
#include "runningcatalogbench.h"

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    QTemporaryDir dir;
    RunningCatalogBench::Measure(dir.path(), argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000,
                                 argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : RunningCatalogBench::DayPasses);
    return 0;
}
