// Adding a folder of 1 000 photographs of about 4 MB each as objects: reading the folder for the
// preview, then the import in one transaction, each with its time and peak memory.
#include "app/databasehooks.h"
#include "benchmemory.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "fields/fieldstore.h"
#include "fields/picturefiles.h"
#include "objects/objectlist.h"
#include "objects/photoimport.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtEndian>
#include <cstdio>
#include <future>

namespace {
int Photos = 1000;   // or the first argument
// Different pictures; each file is one of them with a moment of its own in its EXIF block.
constexpr int Scenes = 24;

// A camera's picture of 3 200 x 2 400: gradients and shapes under sensor noise, at quality 95, which
// makes a file of about 4 MB.
QByteArray scene(int seed)
{
    QImage image(3200, 2400, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, image.width(), image.height());
    gradient.setColorAt(0, QColor::fromHsv((seed * 37) % 360, 110, 220));
    gradient.setColorAt(1, QColor::fromHsv((seed * 37 + 140) % 360, 190, 80));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 200; ++i) {
        painter.setBrush(QColor::fromHsv((seed * 13 + i * 7) % 360, 170, 60 + (i * 31) % 190));
        painter.drawEllipse((i * 97 + seed * 41) % 3200, (i * 61 + seed * 17) % 2400, 30 + i % 200, 20 + (i * 3) % 160);
    }
    painter.end();
    quint32 noise = 2463534242u + quint32(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int shift = int(noise % 33) - 16;
            const QRgb pixel = line[x];
            line[x] = qRgb(qBound(0, qRed(pixel) + shift, 255), qBound(0, qGreen(pixel) + shift, 255),
                           qBound(0, qBlue(pixel) + shift, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    writer.write(image);
    return bytes;
}

// The picture with an EXIF block naming when it was taken, as a camera writes it after the start marker.
QByteArray takenAt(const QByteArray &jpeg, const QDateTime &moment)
{
    const QByteArray text = moment.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1() + '\0';   // 20 bytes
    QByteArray tiff("MM\0\x2A\0\0\0\x08", 8);
    tiff += QByteArray("\0\x01", 2);                                   // IFD0: one entry
    tiff += QByteArray("\x87\x69\0\x04\0\0\0\x01\0\0\0\x1A", 12);      // the EXIF directory, at 26
    tiff += QByteArray(4, '\0');
    tiff += QByteArray("\0\x01", 2);                                   // EXIF IFD: one entry
    tiff += QByteArray("\x90\x03\0\x02\0\0\0\x14\0\0\0\x2C", 12);      // DateTimeOriginal, 20 chars at 44
    tiff += QByteArray(4, '\0');
    tiff += text;
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const quint16 length = qToBigEndian(quint16(payload.size() + 2));
    return jpeg.left(2) + QByteArray("\xFF\xE1", 2) + QByteArray(reinterpret_cast<const char *>(&length), 2) + payload
           + jpeg.mid(2);
}

double seconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterDatabaseHooks();
    if (argc > 1)
        Photos = QByteArray(argv[1]).toInt();
    QTemporaryDir dir;
    const QString folder = dir.filePath("Фото");
    QDir().mkpath(folder);

    std::vector<std::future<QByteArray>> made;
    for (int i = 0; i < Scenes; ++i)
        made.push_back(std::async(std::launch::async, scene, i));
    QList<QByteArray> scenes;
    for (auto &future : made)
        scenes << future.get();
    qint64 folderBytes = 0;
    const QDateTime first(QDate(2024, 5, 1), QTime(9, 0));
    for (int i = 0; i < Photos; ++i) {
        const QByteArray bytes = takenAt(scenes[i % Scenes], first.addSecs(qint64(i) * 25000));
        QFile file(QStringLiteral("%1/IMG_%2.jpg").arg(folder).arg(i + 1, 4, 10, QChar('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        folderBytes += bytes.size();
    }
    // Kept for the shrinking below: a few.
    scenes = scenes.mid(0, 4);

    const QString path = dir.filePath("bench.mdb");
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);
    FieldStore::AddField(module, "Название", 5, false);
    FieldStore::AddField(module, "Снимок", 7, false);
    FieldStore::AddField(module, "Дата съемки", 3, false);
    FieldStore::AddField(module, "Зал", 5, true);
    const QList<DescriptionField> fields = ReadDescriptionFields(module);
    const PhotoImportFields chosen{fields[1], fields[0], fields[2]};
    const double before = statusMiB("VmRSS");

    // Every file read whole for the preview: from the system's file cache, as right after a copy.
    resetPeak();
    double ownPeak = 0;
    QElapsedTimer timer;
    timer.start();
    const FolderScan scan = ScanPictureFolder(folder, [&](int, int) {
        ownPeak = qMax(ownPeak, statusMiB("RssAnon"));
        return true;
    });
    const double scanSeconds = seconds(timer);
    const double scanPeak = statusMiB("VmHWM"), scanOwn = ownPeak;
    if (scan.pictures.size() != Photos)
        qFatal("the folder's pictures were not all found: %d", int(scan.pictures.size()));

    resetPeak();
    ownPeak = 0;
    timer.restart();
    const int added = AddPhotoObjects(module, PlanPhotoImport(scan, chosen), chosen, {}, [&](int, int) {
        ownPeak = qMax(ownPeak, statusMiB("RssAnon"));
        return true;
    });
    const double importSeconds = seconds(timer);
    const double importPeak = statusMiB("VmHWM"), importOwn = ownPeak;
    if (added != Photos)
        qFatal("added %d of %d", added, Photos);
    const QString dated = module.QRWork->readAll(QStringLiteral("SELECT MAX(G3) FROM GENER")).first().first().toString();
    module.CloseConnection();

    // Shrinking on import, when the settings ask for it: decoded at reduced size and written again.
    Options::PictureStoring shrink;
    shrink.shrink = true;
    shrink.longSide = 1600;
    const int shrunkCount = 12;
    timer.restart();
    qint64 shrunkBytes = 0;
    for (int i = 0; i < shrunkCount; ++i)
        shrunkBytes += PictureAsStored(scenes[i % scenes.size()], shrink).size();
    const double shrinkSeconds = seconds(timer);

    std::printf("Folder of %d photographs, 3200 x 2400 JPEG, %.1f MiB each on average (%.0f MiB in all); "
                "database after %.0f MiB; resident memory before %.0f MiB; %d threads beside the interface thread\n\n",
                Photos, folderBytes / 1048576.0 / Photos, folderBytes / 1048576.0, QFileInfo(path).size() / 1048576.0, before,
                QThreadPool::globalInstance()->maxThreadCount());
    std::printf("| Pass | Time, s | Per photograph, ms | Peak resident, MiB | Peak own (anonymous), MiB |\n|---|---:|---:|---:|---:|\n");
    std::printf("| reading the folder for the preview (every file read and checked whole) | %.1f | %.1f | %.0f | %.0f |\n", scanSeconds,
                scanSeconds * 1000 / Photos, scanPeak, scanOwn);
    std::printf("| adding %d objects in one transaction (pictures byte for byte, their thumbnails, EXIF day, search index) | %.1f | %.1f | %.0f | %.0f |\n",
                added, importSeconds, importSeconds * 1000 / Photos, importPeak, importOwn);
    std::printf("| both | %.1f | %.1f | | |\n\n", scanSeconds + importSeconds, (scanSeconds + importSeconds) * 1000 / Photos);
    std::printf("Latest day taken stored: %s. Shrinking a picture to 1600 px on the long side (quality 90), when the "
                "settings ask for it: %.0f ms a picture on one thread (%.0f KiB each after).\n",
                qPrintable(dated), shrinkSeconds * 1000 / shrunkCount, shrunkBytes / 1024.0 / shrunkCount);
    return 0;
}
