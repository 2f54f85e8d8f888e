#pragma once

#include <QStringList>
#include <QWidget>

class QCommandLinkButton;
class QLabel;
class QVBoxLayout;

// What the editing-mode window shows while no database is open: the ways to start and the databases
// opened last. It only asks; the main window does the work.
class StartPage : public QWidget
{
    Q_OBJECT
public:
    explicit StartPage(QWidget *parent = nullptr);

    // The databases opened last, most recent first; files that no longer exist are left out.
    void showRecent(const QStringList &paths);

Q_SIGNALS:
    void newDatabaseRequested();
    void openDatabaseRequested();
    void connectServerRequested();
    void openExampleRequested();
    void recentDatabaseChosen(const QString &path);

private:
    QCommandLinkButton *NewDatabaseBtn, *OpenDatabaseBtn, *ConnectServerBtn, *OpenExampleBtn;

    QLabel *m_recentTitle;
    QVBoxLayout *m_recentList;
    QList<QCommandLinkButton *> m_recentButtons;
};
