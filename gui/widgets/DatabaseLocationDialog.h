#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class ServerAddress;

// "数据库位置": whether the window program keeps its address book in its
// own file or on a PostgreSQL server that several computers share. A server
// is only taken after a connection to it worked; the choice is saved in the
// program's settings (StoreSettings) when the user confirms. The caller
// reopens its lists on chosenLocation() afterwards.
class DatabaseLocationDialog : public QDialog
{
    Q_OBJECT
public:
    // filePath: the address book file used when no server is chosen.
    DatabaseLocationDialog(const QString& filePath, QWidget* parent = nullptr);

    // The file path, or the chosen server's URI without its password.
    QString chosenLocation() const;

public slots:
    void accept() override;
    // Connects to the server as filled in and says whether it worked.
    void testConnection();

private:
    ServerAddress address() const;
    // Opens the server once; false and the reason when it cannot be used.
    bool tryServer(QString* error);
    void updateEnabled();

    QString m_filePath;
    QString m_saved; // the server URI in the settings when the dialog opened
    QRadioButton* m_fileChoice = nullptr;
    QRadioButton* m_serverChoice = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLineEdit* m_host = nullptr;
    QSpinBox* m_port = nullptr;
    QLineEdit* m_database = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_test = nullptr;
    QList<QWidget*> m_serverFields;
};
