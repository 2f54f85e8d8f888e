#pragma once

#include <QDialog>
#include <QMainWindow>

// Windows of the catalogs: designer, palette, its small windows, save and list windows, running
// catalog and its password window.

class TForm11 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm11(QWidget *parent = nullptr);
};

class TForm12 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm12(QWidget *parent = nullptr);
};

class TForm15 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm15(QWidget *parent = nullptr);
};

class TForm16 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm16(QWidget *parent = nullptr);
};

class TForm17 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm17(QWidget *parent = nullptr);
};

class TForm18 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm18(QWidget *parent = nullptr);
};

class TForm19 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm19(QWidget *parent = nullptr);
};

class TForm20 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm20(QWidget *parent = nullptr);
};

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
