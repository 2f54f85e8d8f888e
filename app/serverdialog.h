#pragma once

#include "core/engine.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Подключиться к серверу": where the server database is and who connects. The main window opens the
// database; the window stays on screen until that has succeeded.
class TServerDialog : public QDialog
{
    Q_OBJECT
public:
    // Connecting to a database, naming the new database a file database is copied into, or naming a
    // new database made empty or from a template.
    enum class Mode { Connect, NewDatabase, Create };

    explicit TServerDialog(QWidget *parent = nullptr);

    void setMode(Mode mode);
    Mode mode() const { return m_mode; }

    // Fills the boxes with a remembered connection; the password box is always left empty.
    void ShowConnection(const ServerConnection &server);
    // The database name box takes the typing (the name is what the user must give).
    void FocusDatabaseName();
    ServerConnection connection() const;
    bool createNew() const;

Q_SIGNALS:
    // The user asked to connect with what the boxes hold.
    void connectRequested();

public Q_SLOTS:
    void ConnectBtnClick();

private:
    QLineEdit *HostEdit;
    QSpinBox *PortEdit;
    QLineEdit *DatabaseEdit;
    QLineEdit *UserEdit;
    QLineEdit *PasswordEdit;
    QCheckBox *CreateBox;
    QPushButton *ConnectBtn;
    QPushButton *CancelBtn;

    Mode m_mode = Mode::Connect;
    class QLabel *m_databaseLabel;
};
