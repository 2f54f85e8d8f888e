#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/serverdialog.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "fields/fieldspage.h"
#include "objects/form2.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "objects/searchindex.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QDate>
#include <QTabWidget>
#include <QTableView>

namespace {
class ServerConnectTest : public AppTest
{
protected:
    void SetUp() override
    {
        if (!TestServerStarted())
            GTEST_SKIP() << "no test database server started (VIRANDEL_TEST_PG_PORT unset): server case skipped";
        AppTest::SetUp();
    }
    void TearDown() override
    {
        // The next test starts from a file; the server database goes once nothing uses it.
        if (DModule && DModule->engine() == EngineKind::Server)
            DModule->CloseConnection();
        AppTest::TearDown();
        for (const ServerConnection &made : madeHere)
            DropServerDatabase(made);
    }
    TServerDialog *dialog() const { return Form1->findChild<TServerDialog *>("ServerDialog"); }
    // The boxes filled as the dialog fills them from the remembered connection; the password typed.
    void fill(const ServerConnection &server, bool create = false)
    {
        dialog()->ShowConnection(server);
        TypeKeys(Control<QLineEdit>(dialog(), "PasswordEdit"), server.password);
        Control<QCheckBox>(dialog(), "CreateBox")->setChecked(create);
    }
    QString programFile(const QString &name) const { return DModule->ProgramFolder + "/System/" + name; }
    QList<ServerConnection> madeHere;
};
}

TEST_F(ServerConnectTest, TheFileMenuConnectsToANewServerDatabaseAndOffersItNextTimeWithoutThePassword)
{
    QAction *item = Control<QAction>(Form1, "ConnectServerItem");
    EXPECT_TRUE(Form1->N1->actions().contains(item));
    const QByteArray optionsBefore = FileBytes(programFile("Options.txt"));
    QFile::remove(programFile("Server.txt"));

    item->trigger();
    ASSERT_TRUE(dialog()->isVisible());
    EXPECT_EQ(dialog()->findChild<QLineEdit *>("HostEdit")->text(), "localhost");
    EXPECT_EQ(dialog()->findChild<QSpinBox *>("PortEdit")->value(), 5432);

    ServerConnection made = TestServer(QStringLiteral("vt_window_%1").arg(QCoreApplication::applicationPid()));
    made.password = QStringLiteral("не сохраняется");
    madeHere << made;
    fill(made, true);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(dialog(), "ConnectBtn")), QStringList{});
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_EQ(DModule->engine(), EngineKind::Server);
    EXPECT_TRUE(Control<QTabWidget>(Form1, "TabbedNotebook")->isVisibleTo(Form1));
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Вирандел: Режим редактирования — %1 на сервере %2:%3")
                                        .arg(made.database, made.host).arg(made.port));

    const QStringList remembered = ReadTextLines(programFile("Server.txt"));
    EXPECT_EQ(remembered, (QStringList{made.host, QString::number(made.port), made.database, made.user}));
    EXPECT_FALSE(FileBytes(programFile("Server.txt")).contains(made.password.toUtf8()));
    EXPECT_EQ(FileBytes(programFile("Options.txt")), optionsBefore);

    // Next time the boxes hold the last connection and an empty password.
    item->trigger();
    EXPECT_EQ(dialog()->connection().describe(), made.describe());
    EXPECT_EQ(dialog()->connection().password, "");
    EXPECT_FALSE(dialog()->createNew());
    dialog()->findChild<QPushButton *>("CancelBtn")->click();
}

TEST_F(ServerConnectTest, AFileIsUploadedThroughEitherFileMenuListedThereLikeAFileAndSavedBackAsAFile)
{
    // Every kind of value the grid shows, a lookup list's texts among them.
    addField(*DModule, "Вид", StringType, true);
    addField(*DModule, "Масса", RealType);
    addField(*DModule, "Найден", DateType);
    addField(*DModule, "Цел", BooleanType);
    addField(*DModule, "Фото", ImageType);
    const QList<DescriptionField> fields = ReadDescriptionFields(*DModule);
    const QList<QList<QVariant>> objects{{"ёж", "1.5", QDate(2020, 5, 17), true, QByteArray("jpeg bytes")},
                                         {"Еж", "-2", QDate(), false, QByteArray()},
                                         {"жук", "0", QDate(1999, 1, 2), true, QByteArray()}};
    for (const QList<QVariant> &values : objects) {
        QList<FieldInput> inputs;
        for (int i = 0; i < fields.size(); ++i)
            inputs << FieldInput{fields[i], values[i], i == 4 && !values[i].toByteArray().isEmpty()};
        InsertObject(*DModule, ReserveObjectId(*DModule), inputs);
    }
    Form1->OpenDataBase(dbPath);
    QAction *item = Control<QAction>(Form1, "UploadToServerItem");
    EXPECT_TRUE(Form1->N1->actions().contains(item));
    ASSERT_TRUE(item->isEnabled());

    // The view/fill window's file menu holds both items too: the upload is started there.
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    ASSERT_TRUE(Form2->isVisible());
    QAction *connectItem = Control<QAction>(Form2, "ConnectServerItem");
    QAction *uploadItem = Control<QAction>(Form2, "UploadToServerItem");
    EXPECT_TRUE(Form2->N1->actions().contains(connectItem) && Form2->N1->actions().contains(uploadItem));
    QMetaObject::invokeMethod(Form2->N1, "aboutToShow");
    ASSERT_TRUE(uploadItem->isEnabled());
    uploadItem->trigger();
    ASSERT_TRUE(dialog()->isVisible());
    EXPECT_EQ(dialog()->windowTitle(), "Выгрузка на сервер");
    EXPECT_FALSE(dialog()->findChild<QCheckBox *>("CreateBox")->isVisibleTo(dialog()));
    QPushButton *upload = dialog()->findChild<QPushButton *>("ConnectBtn");
    EXPECT_EQ(upload->text(), "Выгрузить");

    // A name taken by a database in use is refused; the window stays for another name.
    const ServerConnection taken = NewServerDatabase();
    madeHere << taken;
    fill(taken);
    const QStringList refused = ClickAnswering(upload);
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.first().contains("не пуста")) << refused.first().toStdString();
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_EQ(DModule->engine(), EngineKind::File);

    const ServerConnection made = TestServer(QStringLiteral("vt_upload_%1").arg(QCoreApplication::applicationPid()));
    madeHere << made;
    fill(made);
    const QStringList uploaded = ClickAnswering(upload, QMessageBox::Yes);
    ASSERT_EQ(uploaded.size(), 1);
    EXPECT_TRUE(uploaded.first().contains("выгружена")) << uploaded.first().toStdString();
    EXPECT_FALSE(dialog()->isVisible());
    ASSERT_EQ(DModule->engine(), EngineKind::Server);
    EXPECT_FALSE(item->isEnabled());
    // A server database is not uploaded again.
    QMetaObject::invokeMethod(Form2->N1, "aboutToShow");
    EXPECT_FALSE(uploadItem->isEnabled());
    EXPECT_TRUE(SearchIndexExists(*DModule)) << "opening makes the quick search's index";

    // The view/fill window lists the server database as it listed the file; yes/no is searched as the
    // grid shows it (the rest of the quick search: SearchTest).
    QAbstractItemModel *model = Control<QTableView>(Form2, "DBGrid")->model();
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        TypeKeys(Control<QLineEdit>(Form2, "SearchEdit"), "нет");
        EXPECT_TRUE(WaitFor([&] { return model->rowCount() == 1; }));
        EXPECT_EQ(model->data(model->index(0, 0)).toString(), "Еж");
        Form2->ClearSearch();
        EXPECT_EQ(answer.seen(), 0) << answer.texts().join(" / ").toStdString();
    }
    QStringList captions;
    for (int i = 0; i < Form2->gridColumns().count(); ++i)
        captions << Form2->gridColumns().caption(i);
    EXPECT_EQ(captions, (QStringList{"Вид", "Масса", "Найден", "Цел"}));
    ASSERT_EQ(AllRows(model), 3);
    QStringList shown;
    for (int row = 0; row < 3; ++row) {
        QStringList cells;
        for (int column = 0; column < 4; ++column)
            cells << model->data(model->index(row, column)).toString();
        shown << cells.join('|');
    }
    const QString may17 = QLocale().toString(QDate(2020, 5, 17), QLocale::ShortFormat);
    EXPECT_TRUE(shown.contains("ёж|1.5|" + may17 + "|Да")) << shown.join(" / ").toStdString();
    EXPECT_TRUE(shown.contains("Еж|-2||Нет")) << shown.join(" / ").toStdString();
    // The connect window offers the uploaded database next time.
    connectItem->trigger();
    EXPECT_EQ(dialog()->connection().database, made.database);
    EXPECT_EQ(dialog()->findChild<QPushButton *>("ConnectBtn")->text(), "Подключиться");
    dialog()->reject();
    Form2->close();

    // "Сохранить как..." writes the server database into a file; the server database stays open when asked to.
    const QMap<QString, QStringList> held = TableContents(*DModule);
    const QString copyPath = folder->path() + "/back.mdb";
    ChooseFileInNextDialog(copyPath);
    {
        MessageBoxAnswerer answer(QMessageBox::No);
        Form1->N13->trigger();
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_TRUE(answer.texts().first().contains("сохранена в файл")) << answer.texts().first().toStdString();
    }
    EXPECT_EQ(DModule->engine(), EngineKind::Server);
    TDModule back;
    back.OpenConnection(copyPath);
    EXPECT_EQ(TableContents(back), held);
}

TEST_F(ServerConnectTest, AFailedConnectionIsExplainedAndLeavesTheFileOpenAndTheWindowOnScreen)
{
    const ServerConnection program = NewServerDatabase();
    madeHere << program;
    ServerConnection withPassword = program;
    withPassword.user = qEnvironmentVariable("VIRANDEL_TEST_PG_PASSWORD_USER");
    withPassword.password = QStringLiteral("не тот");
    ServerConnection unreachable = TestServer(QStringLiteral("whatever"));
    unreachable.port = 1;
    const QList<std::pair<ServerConnection, QString>> cases{
        {withPassword, "не принял имя пользователя \"virandel_pw\" или пароль"},
        {unreachable, "недоступен"},
        {TestServer(QStringLiteral("no_such_database")), "нет базы данных \"no_such_database\""},
        {TestServer(QStringLiteral("postgres")), "не является базой данных программы"}};
    Form1->ConnectServerItem->trigger();
    for (const auto &[connection, expected] : cases) {
        fill(connection);
        const QStringList told = ClickAnswering(Control<QPushButton>(dialog(), "ConnectBtn"));
        ASSERT_EQ(told.size(), 1) << told.join(" / ").toStdString();
        EXPECT_TRUE(told.first().contains(expected)) << told.first().toStdString();
        EXPECT_TRUE(dialog()->isVisible());
        EXPECT_EQ(DModule->engine(), EngineKind::File);
        EXPECT_EQ(Form1->CurrentDbPath, dbPath);
        EXPECT_TRUE(Control<QTabWidget>(Form1, "TabbedNotebook")->isVisibleTo(Form1));
        EXPECT_EQ(module->QRWork->readAll("SELECT COUNT(*) FROM TYPES").value(0).value(0).toInt(), 8);
    }

    // The right password opens the server database in place of the file.
    withPassword.password = qEnvironmentVariable("VIRANDEL_TEST_PG_PASSWORD");
    fill(withPassword);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(dialog(), "ConnectBtn")), QStringList{});
    EXPECT_EQ(DModule->engine(), EngineKind::Server);
}
