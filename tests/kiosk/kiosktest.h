#pragma once

// What the kiosk tests share: a database with catalogs to run, the exit password, a finger on the screen.

#include "catalogs/catalogwindows.h"

#include "catalogs/catalogstore.h"
#include "objects/windowsteps.h"
#include "settings/form6.h"

#include <QPointingDevice>
#include <QProcess>

// Objects 1, 2, … named `names` in a text field "Название", and the catalogs `catalogs` showing the name
// in a label, over `layout` when given. The field's id.
inline qint64 AddNamedObjectsAndCatalogs(TDModule &module, const QStringList &names, const QStringList &catalogs,
                                         Layout::Catalog layout = {})
{
    const qint64 field = addField(module, "Название", StringType);
    closeQueries(module);
    for (int i = 0; i < names.size(); ++i)
        module.exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1) VALUES(?, ?)").arg(field), {i + 1, names[i]});
    layout.fieldLabels << Layout::Label{"Название", Layout::Colors::WindowText, 10, "Arial", 10, 10};
    for (const QString &catalog : catalogs)
        CatalogStore::Save(module, catalog, layout, {});
    closeQueries(module);
    return field;
}

// The column of `grid` titled `caption` (-1 for none), and the texts it lists, every row fetched.
inline int GridColumn(QTableView *grid, const QString &caption)
{
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        if (grid->model()->headerData(column, Qt::Horizontal).toString() == caption)
            return column;
    return -1;
}
inline QStringList GridTexts(QTableView *grid, const QString &caption)
{
    QStringList texts;
    for (int row = 0, column = GridColumn(grid, caption); row < AllRows(grid->model()); ++row)
        texts << grid->model()->index(row, column).data().toString();
    return texts;
}

// The exit password as the settings window holds it; none when empty.
inline void UseExitPassword(const QString &password)
{
    Control<QCheckBox>(Form6, "CheckBox5")->setChecked(!password.isEmpty());
    Control<QLineEdit>(Form6, "Edit1")->setText(password);
}

// The running catalog's window tests: whatever a test leaves running is closed without asking.
class RunningCatalogTest : public AppTest
{
protected:
    void TearDown() override
    {
        UseExitPassword({});
        Form23->close();
        Form22->close();
        AppTest::TearDown();
    }
    static void runCatalog(const QString &name)
    {
        ASSERT_TRUE(Form22->RunCatalog(name));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form22));
    }
    static QTableView *grid() { return Control<QTableView>(Form22, "DBGrid"); }
    static QLineEdit *searchBox() { return Control<QLineEdit>(Form22, "SearchEdit"); }
};

inline QPointingDevice *TouchScreen()
{
    static QPointingDevice *device = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    return device;
}

// One finger put down at `from` (in `widget`), moved to `to` in `steps` moves a frame apart (or held
// `holdMs` without moving), and lifted.
inline void Drag(QWidget *widget, QPoint from, QPoint to, int steps = 8, int holdMs = 0)
{
    QTest::touchEvent(widget, TouchScreen()).press(0, from, widget);
    for (int i = 1; i <= steps; ++i) {
        QTest::qWait(16);
        QTest::touchEvent(widget, TouchScreen()).move(0, from + (to - from) * i / steps, widget);
    }
    QTest::qWait(holdMs);
    QTest::touchEvent(widget, TouchScreen()).release(0, to, widget);
}

inline void Tap(QWidget *widget, QPoint at)
{
    Drag(widget, at, at, 0);
}

struct Finished
{
    int code = -1;
    QByteArray out, err;
};

// Runs `program` to its end (half a minute at most) with `environment` added to this program's.
inline Finished RunToEnd(const QString &program, const QStringList &arguments, const QMap<QString, QString> &environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}
