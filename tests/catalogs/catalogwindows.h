#pragma once

// What the designer and running-catalog window tests share.

#include "support/testsupport.h"

#include "app/forms.h"
#include "catalogs/catalogforms.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "objects/objectgridmodel.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

// A picture of one colour as JPEG bytes.
inline QByteArray Jpeg(QColor colour, QSize size = QSize(80, 60))
{
    return PictureBytes(colour, size, "JPG");
}

// Rejects every file dialog that opens while it lives and counts them: a test must not hang on a dialog
// that should not have opened.
class FileDialogCounter
{
public:
    FileDialogCounter()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                ++m_seen;
                dialog->reject();
            }
        });
        m_timer.start(10);
    }
    int seen() const { return m_seen; }

private:
    QTimer m_timer;
    int m_seen = 0;
};

// The designer entered as a user enters it: from the view/fill window by its button.
inline void EnterDesigner()
{
    Form2->LoadGeneral();
    Form2->show();
    Control<QPushButton>(Form2, "GoToCatalogBtn")->click();
    ASSERT_TRUE(Form11->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form11));
}

// The object names of the shown windows among those a catalog's design and run pass through.
inline QStringList ShownWindows()
{
    QStringList shown;
    for (QWidget *window : QList<QWidget *>{Form2, Form11, Form12, Form22, Form23})
        if (window->isVisible())
            shown << window->objectName();
    return shown;
}
