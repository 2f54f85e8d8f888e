#pragma once

#include "catalogs/elementdialogs.h"
#include "catalogs/form11.h"
#include "catalogs/form12.h"
#include "catalogs/form17.h"
#include "catalogs/storeforms.h"

#include <QDialog>
#include <QMainWindow>

// The running catalog and its password window.

class TForm22 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm22(QWidget *parent = nullptr);
};

class TForm23 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm23(QWidget *parent = nullptr);
};
