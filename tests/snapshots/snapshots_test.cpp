#include "snapshots/snapshotcontents.h"

#include "core/snapshots.h"
#include "core/textfile.h"

#include <QFileInfo>

namespace {
class SnapshotTest : public DatabaseTest
{
protected:
    void fill(int objects)
    {
        name = addField(*module, "Название", StringType);
        kind = addField(*module, "Вид", StringType, true);
        const qint64 entry = addLookupEntry(*module, kind, "Ваза");
        Transaction tx(*module);
        for (int id = 1; id <= objects; ++id)
            module->exec(QStringLiteral("INSERT INTO GENER(G_ID, G%1, G%2) VALUES(?, ?, ?)").arg(name).arg(kind),
                         {id, QStringLiteral("Предмет %1 ").arg(id) + QString(120, QChar(0x0416)), entry});
        tx.commit();
    }

    qint64 name = 0, kind = 0;
};
}

TEST_F(SnapshotTest, ASnapshotTakenWhileAnotherProgramWritesHoldsOneCommittedState)
{
    fill(400);
    auto other = otherProgram();
    int steps = 0;
    const QString target = folder->path() + "/copy.mdb";
    const bool done = Snapshots::BackupInto(module->database(), target, [&](qint64 done, qint64 total) {
        // Half-way through, another program changes pages already copied and pages still to come.
        if (++steps == 3) {
            Transaction tx(*other);
            other->exec(QStringLiteral("UPDATE GENER SET G%1 = 'другое' WHERE G_ID IN (1, 400)").arg(name));
            other->exec(QStringLiteral("INSERT INTO GENER(G_ID, G%1) VALUES(401, 'новый')").arg(name));
            tx.commit();
        }
        EXPECT_LE(done, total);
        return true;
    }, 4);
    ASSERT_TRUE(done);
    ASSERT_GT(steps, 3) << "the copy was meant to take several steps";
    const QMap<QString, QStringList> copy = ContentsOf(target);
    EXPECT_EQ(copy, TableContents(*module));
    EXPECT_EQ(copy.value("GENER").size(), 401);
    EXPECT_FALSE(QFileInfo::exists(target + ".part"));
}

// Their contents are compared in ASnapshotTakenWhileAnotherProgramWritesHoldsOneCommittedState and through the
// windows (SnapshotWindowsTest), which also put one back.
TEST_F(SnapshotTest, SnapshotsLieBesideTheDatabaseOnlyTheLastNAreKeptAndACopyInsideATransactionIsRefused)
{
    fill(5);
    const auto filesInFolder = [&] { return QDir(Snapshots::FolderOf(dbPath)).entryList(QDir::Files, QDir::Name); };
    QStringList besideFirst;
    for (const char *cause : {"первая", "вторая", "третья", "четвертая"}) {
        const std::optional<Snapshots::Snapshot> made = Snapshots::Make(*module, QString::fromUtf8(cause), 2);
        ASSERT_TRUE(made);
        EXPECT_EQ(QFileInfo(made->path).absolutePath(), QFileInfo(dbPath).absolutePath() + "/test.snapshots");
        EXPECT_EQ(made->size, QFileInfo(made->path).size());
        EXPECT_EQ(Snapshots::List(dbPath).first().made.toString("dd.MM.yyyy HH:mm:ss.zzz"), made->made.toString("dd.MM.yyyy HH:mm:ss.zzz"));
        // What is written beside a snapshot under its name (its catalogs' folders) goes with it.
        const QString stem = made->path.left(made->path.size() - 4);
        if (besideFirst.isEmpty()) {
            besideFirst << stem + "_mdb_Витрина" << stem + "_mdb_";
            for (const QString &path : besideFirst)
                ASSERT_TRUE(QDir().mkpath(path + "/new"));
            WriteFile(besideFirst.first() + "/Background.jpg", "фон");
        }
    }
    for (const QString &path : besideFirst)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    QStringList causes;
    for (const Snapshots::Snapshot &snapshot : Snapshots::List(dbPath))
        causes << snapshot.cause;
    EXPECT_EQ(causes, (QStringList{"четвертая", "третья"}));
    EXPECT_EQ(filesInFolder().filter(".mdb").size(), 2);
    EXPECT_EQ(ReadTextLines(Snapshots::FolderOf(dbPath) + "/causes.txt").size(), 2);

    // A copy stopped part-way and a folder that cannot be made are tried through the windows (SnapshotWindowsTest).
    const QStringList files = filesInFolder();
    // Inside a transaction the copy would take in what is not committed: refused.
    {
        Transaction tx(*module);
        module->exec("DELETE FROM GENER");
        EXPECT_EQ(FailureOf([&] { Snapshots::Make(*module, "внутри", 5); }),
                  "Резервная копия не может быть сделана посреди изменения базы данных");
    }
    EXPECT_EQ(filesInFolder(), files);
}
