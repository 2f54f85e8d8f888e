#pragma once

#include <QDialog>

class QTextBrowser;
class QUrl;

// The help page in a window of the program: its links lead within the page and to the pages beside it,
// addresses on the web open in the user's browser; Esc closes the window.
class THelpWindow : public QDialog
{
    Q_OBJECT
public:
    explicit THelpWindow(QWidget *parent = nullptr);

    // Shows the page at `path` from its top, the window raised over the program's windows.
    void ShowPage(const QString &path);

private:
    QTextBrowser *HelpBrowser;

    void showTitle();
    bool m_placed = false;
};
