// Thumbnails made from photographs: per second on one thread and on every core, for camera pictures of
// 1920 x 1080 and of 4000 x 3000.
#include "benchphoto.h"
#include "objects/thumbnails.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThreadPool>
#include <cstdio>
#include <atomic>
#include <future>
#include <vector>

namespace {
constexpr int Made = 120;

QByteArray big(int seed)
{
    const QImage photo = QImage::fromData(Photo(seed)).scaled(4000, 3000);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(90);
    writer.write(photo);
    return data;
}

void measure(const char *what, const QList<QByteArray> &pictures)
{
    qint64 bytes = 0;
    for (const QByteArray &picture : pictures)
        bytes += picture.size();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Made; ++i) {
        if (Thumbnails::Make(pictures[i % pictures.size()]).isEmpty())
            std::printf("no thumbnail made\n");
    }
    const double single = Made * 1000.0 / double(timer.elapsed());
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    std::atomic<int> next{0};
    timer.restart();
    std::vector<std::future<void>> workers;
    for (int t = 0; t < threads; ++t)
        workers.push_back(std::async(std::launch::async, [&] {
            for (int i = next++; i < Made; i = next++)
                Thumbnails::Make(pictures[i % pictures.size()]);
        }));
    for (auto &worker : workers)
        worker.get();
    const double parallel = Made * 1000.0 / double(timer.elapsed());
    std::printf("| %s | %.1f | %.0f | %.0f | %d |\n", what, double(bytes) / pictures.size() / 1024.0 / 1024.0, single,
                parallel, threads);
}
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QList<QByteArray> hd, camera;
    for (int seed = 0; seed < 8; ++seed) {
        hd << Photo(seed);
        camera << big(seed);
    }
    std::printf("| Pictures | MiB each | Thumbnails per second, one thread | all threads | threads |\n|---|---|---|---|---|\n");
    measure("1920 x 1080 JPEG", hd);
    measure("4000 x 3000 JPEG", camera);
    return 0;
}
