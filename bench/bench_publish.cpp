// Publishing a catalog as a website: 1 000 and 10 000 objects, each with a picture of its own (a 1024 x 768
// photograph-like JPEG), a name and a description; the time and the size of the site, then a republish
// after changing one object (time, files written, pictures made).
#include "app/databasehooks.h"
#include "benchphoto.h"
#include "catalogs/catalogstore.h"
#include "catalogs/sitepublish.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {

double seconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}

// The base photograph with the object's number drawn on it: every object's picture differs.
QByteArray picture(const QImage &base, int number)
{
    QImage image = base;
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 48));
    painter.drawText(image.rect(), Qt::AlignCenter, QString::number(number));
    painter.end();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return data;
}

void measure(int objects)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/bench.mdb";
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);
    const qint64 name = FieldStore::AddField(module, "Название", 5, false);
    const qint64 about = FieldStore::AddField(module, "Описание", 6, false);
    const qint64 photo = FieldStore::AddField(module, "Фото", 7, false);
    const QImage base = QImage::fromData(Photo(7)).scaled(1024, 768);
    QElapsedTimer timer;
    timer.start();
    qint64 pictureBytes = 0;
    {
        Transaction tx(module);
        QSqlQuery insert(module.database());
        insert.prepare(QStringLiteral("INSERT INTO GENER (G_ID, %1, %2, %3) VALUES(?,?,?,?)")
                           .arg(SchemaName::FieldColumn(name), SchemaName::FieldColumn(about), SchemaName::FieldColumn(photo)));
        for (int i = 1; i <= objects; ++i) {
            const QByteArray bytes = picture(base, i);
            pictureBytes += bytes.size();
            insert.addBindValue(i);
            insert.addBindValue(QStringLiteral("Экспонат %1").arg(i));
            insert.addBindValue(QStringLiteral("Описание экспоната %1: материал, размеры, происхождение.").arg(i));
            insert.addBindValue(bytes);
            insert.exec();
        }
        tx.commit();
    }
    Layout::Catalog layout;
    layout.fieldLabels << Layout::Label{"Название", Layout::Colors::WindowText, 14, "Arial", 10, 10};
    layout.memos << Layout::FieldMemo{"Описание", Layout::Colors::Window, Layout::Colors::WindowText, 10, "Arial", 300, 80, 10, 50};
    layout.fieldImages << Layout::FieldImage{"Фото", 400, 300, 330, 50};
    CatalogStore::Save(module, "Зал", layout, {});
    std::printf("\n%d objects built in %.1f s (pictures %.0f MiB in the database)\n", objects, seconds(timer),
                pictureBytes / 1048576.0);

    QList<qint64> ids;
    for (int i = 1; i <= objects; ++i)
        ids << i;
    const QString site = dir.path() + "/site";
    timer.restart();
    const SitePublish::Result first = SitePublish::Publish(module, "Зал", ids, {}, site, {});
    const double firstTime = seconds(timer);
    if (!first.error.isEmpty()) {
        std::printf("publishing failed: %s\n", qPrintable(first.error));
        return;
    }
    module.exec(QStringLiteral("UPDATE GENER SET %1 = ?, %2 = ? WHERE G_ID = ?")
                    .arg(SchemaName::FieldColumn(name), SchemaName::FieldColumn(photo)),
                {QStringLiteral("Экспонат, переименованный"), picture(base, -1), objects / 2});
    timer.restart();
    const SitePublish::Result second = SitePublish::Publish(module, "Зал", ids, {}, site, {});
    const double secondTime = seconds(timer);
    if (!second.error.isEmpty()) {
        std::printf("republishing failed: %s\n", qPrintable(second.error));
        return;
    }
    std::printf("| Objects | Publishing, s | Site, MiB | Files | Pictures made | Republish after one change, s | "
                "Files written | Files kept | Pictures made |\n|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::printf("| %d | %.1f | %.1f | %d | %d | %.1f | %d | %d | %d |\n", objects, firstTime, first.bytes / 1048576.0,
                first.filesWritten, first.picturesMade, secondTime, second.filesWritten, second.filesKept,
                second.picturesMade);
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);   // each figure shows as soon as it is measured
    const QStringList arguments = app.arguments();
    QList<int> sizes{1000, 10000};
    if (arguments.size() > 1)
        sizes = {arguments[1].toInt()};
    for (int objects : sizes)
        measure(objects);
    return 0;
}
