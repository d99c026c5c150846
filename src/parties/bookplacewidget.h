#pragma once

#include "parties/bookplace.h"

#include <QPointer>
#include <QThread>
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace formelan {

// The settings dialog's group "Адресна книга: на този компютър / на сървър": the choice,
// the server's connection fields in libpq's terms (no password field: libpq finds it in
// ~/.pgpass or PGPASSWORD), and "Проверка на връзката", which tries the fields as typed on
// a thread of its own and shows what it found. It reads and gives plain settings; the
// dialog decides when to store them (saveBookPlace()).
class BookPlaceWidget : public QWidget {
    Q_OBJECT
public:
    explicit BookPlaceWidget(QWidget *parent = nullptr);
    ~BookPlaceWidget() override;

    void setSettings(const BookPlaceSettings &settings);
    BookPlaceSettings settings() const;

    // How long a check waits for the server (tests shorten it).
    void setCheckOptions(const ServerBookOptions &options) { m_checkOptions = options; }
    bool isChecking() const { return m_thread != nullptr; }
    // The last check's result; its outcome is Failed before the first check.
    const ServerCheck &lastCheck() const { return m_lastCheck; }

Q_SIGNALS:
    void checkFinished();

private:
    void updateEnabled();
    void startCheck();

    QRadioButton *m_local;
    QRadioButton *m_server;
    QWidget *m_serverFields;
    QLineEdit *m_service;
    QLineEdit *m_host;
    QLineEdit *m_port;
    QLineEdit *m_database;
    QLineEdit *m_user;
    QComboBox *m_sslMode;
    QPushButton *m_check;
    QLabel *m_result;
    ServerBookOptions m_checkOptions;
    ServerCheck m_lastCheck;
    QPointer<QThread> m_thread;
};

} // namespace formelan
