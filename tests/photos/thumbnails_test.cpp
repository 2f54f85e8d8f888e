// Thumbnails in the object lists: made with the picture, upright, renewed and dropped with it, made in
// the background for files of earlier versions, never carried into a template.
#include "objects/windowsteps.h"

#include "fields/fieldstore.h"
#include "objects/objectgridmodel.h"
#include "objects/objectstore.h"
#include "objects/thumbnails.h"
#include "templates/templatestore.h"
#include "taggedpictures.h"

#include <QFile>
#include <QPixmap>

namespace {
class ThumbnailsTest : public RussianAppTest
{
protected:
    void SetUp() override
    {
        RussianAppTest::SetUp();
        name = addField(*module, "Название", StringType);
        photo = addField(*module, "Фото", ImageType);
    }
    qint64 add(const QString &title, const QByteArray &picture)
    {
        const qint64 id = ReserveObjectId(*module);
        InsertObject(*module, id, {input(name, title), input(photo, picture, true)});
        return id;
    }
    // The thumbnail the grid shows in the picture column (the last one) of `row`.
    QImage shown(int row) const
    {
        QAbstractItemModel *model = ViewFill::Grid()->model();
        return model->data(model->index(row, model->columnCount() - 1), Qt::DecorationRole).value<QPixmap>().toImage();
    }
    qint64 name = 0, photo = 0;
};

// A camera's 4:3 landscape stored on its side with the tag saying so.
QByteArray CameraShot() { return JpegWithOrientation(StoredFor(Scene({400, 300}), 6), 6); }
}

TEST_F(ThumbnailsTest, TheListShowsTheThumbnailUprightAndItFollowsThePicture)
{
    const qint64 vase = add("Ваза", CameraShot());
    add("Чаша", {});
    ViewFill::Enter(2);
    QTableView *grid = ViewFill::Grid();
    ASSERT_EQ(grid->model()->columnCount(), 2);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "Фото");
    EXPECT_GE(grid->rowHeight(0), Thumbnails::Height) << "the rows grow to show the thumbnail";
    const QImage thumbnail = shown(0);
    EXPECT_EQ(thumbnail.height(), Thumbnails::Height);
    EXPECT_NEAR(thumbnail.width(), 85, 1);
    EXPECT_TRUE(IsUprightScene(thumbnail, thumbnail.size()));
    EXPECT_TRUE(shown(1).isNull()) << "an object with no picture shows none";
    // A picture has no order: a click on its title leaves the list as it is.
    ViewFill::ClickTitle(1);
    EXPECT_EQ(ViewFill::ColumnTexts(0), (QStringList{"Ваза", "Чаша"}));
    // Searching, printing and exporting see the text columns only.
    EXPECT_EQ(VisibleGridFields(*grid, *qobject_cast<ObjectGridModel *>(grid->model())).size(), 1);

    // Another picture chosen: the thumbnail is renewed with it; removed: none is left.
    QImage tall(30, 90, QImage::Format_RGB32);
    tall.fill(Qt::blue);
    UpdateObject(*module, vase, {input(photo, Encoded(tall, "png"), true)});
    Form2->LoadGeneral();
    ASSERT_TRUE(WaitFor([&] { return grid->model()->rowCount() == 2; }));
    EXPECT_EQ(shown(0).size(), QSize(21, 64));
    EXPECT_TRUE(IsNear(shown(0).pixelColor(10, 32), Qt::blue));
    UpdateObject(*module, vase, {input(photo, QByteArray(), true)});
    EXPECT_EQ(count("SELECT * FROM THUMBS"), 0);

    // Deleting drops the thumbnail in the same transaction.
    UpdateObject(*module, vase, {input(photo, CameraShot(), true)});
    EXPECT_EQ(count("SELECT * FROM THUMBS"), 1);
    DeleteObject(*module, vase);
    EXPECT_EQ(count("SELECT * FROM THUMBS"), 0);

    // A deleted picture field takes its thumbnails along: a new field under its number starts empty.
    const qint64 bowl = scalar("SELECT G_ID FROM GENER").toLongLong();
    UpdateObject(*module, bowl, {input(photo, CameraShot(), true)});
    EXPECT_EQ(count("SELECT * FROM THUMBS"), 1);
    closeQueries(*module);
    FieldStore::DeleteField(*module, photo);
    EXPECT_EQ(count("SELECT * FROM THUMBS"), 0);
}

TEST_F(ThumbnailsTest, AnOlderFileGetsThemInTheBackgroundAndATemplateNone)
{
    constexpr int Objects = 3 * Thumbnails::Maker::Batch;
    for (int i = 0; i < Objects; ++i)
        add(QString("Снимок %1").arg(i), CameraShot());
    add("Яшма без снимка", "не рисунок");
    // The file as an earlier version left it: no thumbnails, no table.
    module->exec("DROP TABLE THUMBS");
    module->CloseConnection();
    const QString older = folder->path() + "/older.mdb";
    ASSERT_TRUE(QFile::copy(dbPath, older));

    // Opened only to read (as the kiosk does), the file stays as it was and the list shows no thumbnails.
    module->OpenReadOnly(older);
    EXPECT_TRUE(Thumbnails::Read(*module, {1, 2}).isEmpty());
    module->CloseConnection();
    EXPECT_EQ(FileBytes(older), FileBytes(dbPath));

    // Opened to work in: the opening returns before any thumbnail is made, the rest comes in batches.
    module->OpenConnection(dbPath);
    EXPECT_EQ(count("SELECT * FROM THUMBS"), 0);
    ViewFill::Enter(Objects + 1);
    EXPECT_TRUE(shown(0).isNull());
    ASSERT_TRUE(WaitFor([&] { return count("SELECT * FROM THUMBS") == Objects + 1; }, 20000))
        << count("SELECT * FROM THUMBS");
    EXPECT_TRUE(WaitFor([&] { return !Thumbnails::Maker::Of(*module)->busy(); }));
    EXPECT_EQ(count("SELECT * FROM THUMBS WHERE TH_IMAGE IS NULL"), 1) << "what holds no picture is not tried again and again";
    // The grid shows what was made without being opened again.
    EXPECT_TRUE(WaitFor([&] { return !shown(0).isNull(); }));
    EXPECT_TRUE(IsUprightScene(shown(0), shown(0).size()));

    // A template keeps the objects but none of the thumbnails.
    TemplateStore::StripTemplateCopy(*module, TemplateStore::StripChoice{});
    EXPECT_EQ(count("SELECT * FROM THUMBS"), 0);
    EXPECT_EQ(count("SELECT * FROM GENER"), Objects + 1);
}
