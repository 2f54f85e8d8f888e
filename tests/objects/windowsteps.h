#pragma once

// Steps a person takes in the view/fill window and its object editor, and the texts the common
// controls show: shared by the window tests of several folders.
#include "support/testsupport.h"

#include "app/forms.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "objects/form7.h"
#include "objects/objectlist.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

// The texts of the items of a list or of a drop-down list, from the top.
inline QStringList ItemTexts(const QListWidget *list) { return ListTexts(list); }

inline QStringList ItemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// The item of a tree that reads its levels as they are opened: `path` holds the text of each level's item
// from the top. Null when there is none.
inline QTreeWidgetItem *TreeItem(QTreeWidget *tree, const QStringList &path)
{
    const QList<QTreeWidgetItem *> tops = tree->findItems(path.first(), Qt::MatchExactly);
    QTreeWidgetItem *current = tops.isEmpty() ? nullptr : tops.first();
    for (int level = 1; current && level < path.size(); ++level) {
        current->setExpanded(true);
        QTreeWidgetItem *parent = std::exchange(current, nullptr);
        for (int i = 0; i < parent->childCount() && !current; ++i)
            if (parent->child(i)->text(0) == path[level])
                current = parent->child(i);
    }
    return current;
}

// Replaces what an input holds as a person does: everything chosen with the keys, deleted, the new text typed.
inline void Retype(QWidget *input, const QString &keys)
{
    QTest::keyClick(input, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(input, Qt::Key_Delete);
    TypeKeys(input, keys);
}

// Runs `answer` on the next modal dialog of type T, polling until it is open.
template <class T>
void AnswerNextDialog(const std::function<void(T *)> &answer)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start(20);
}

namespace ViewFill {
inline QTableView *Grid() { return Control<QTableView>(Form2, "DBGrid"); }

// Enters the view/fill mode and waits until its window is active and, unless `rows` is -1, until the grid
// shows that many rows (it reads them as it is painted).
inline void Enter(int rows = -1)
{
    Form2->LoadGeneral();
    Form2->show();
    Form2->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form2));
    if (rows >= 0)
        EXPECT_TRUE(WaitFor([rows] { return Grid()->model()->rowCount() == rows; })) << Grid()->model()->rowCount() << " rows";
}

// The texts the grid shows in `column`, from the top.
inline QStringList ColumnTexts(int column = 0) { return ModelColumn(Grid()->model(), column); }

inline QPoint RowCentre(int row) { return Grid()->visualRect(Grid()->model()->index(row, 0)).center(); }
inline void ClickRow(int row, Qt::KeyboardModifiers keys = {}) { QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, keys, RowCentre(row)); }

inline void ClickTitle(int column)
{
    QHeaderView *header = Grid()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
}

inline qint64 CurrentObject() { return DModule->QRGeneral->asInteger("G_ID"); }

// Presses Delete over the grid, answering the question with `answer`; the texts of the boxes shown.
inline QStringList PressDelete(int answer)
{
    MessageBoxAnswerer boxes(answer);
    QTest::keyClick(Grid(), Qt::Key_Delete);
    return boxes.texts();
}

// Ctrl+Z (or Ctrl+Shift+Z to redo) pressed over the grid, the window active as the window system gives it back
// after a message box; the texts of the boxes shown.
inline QStringList PressUndo(bool redo = false)
{
    Form2->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form2));
    MessageBoxAnswerer boxes(QMessageBox::Ok);
    Grid()->setFocus();
    QTest::keyClick(Grid(), Qt::Key_Z, redo ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
    return boxes.texts();
}

// Presses the editor's OK, answering each box with `answer`; the texts of the boxes shown.
inline QStringList Store(int answer = QMessageBox::Ok) { return ClickAnswering(Control<QPushButton>(Form7, "OkButton"), answer); }

// Waits until the editor has closed and the view/fill window is active again.
inline void BackFromEditor()
{
    EXPECT_TRUE(WaitFor([] { return !Form7->isVisible() && Form2->isEnabled(); }));
    Form2->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form2));
}
}
