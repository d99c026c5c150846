#include "parties/bookplacewidget.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

QLineEdit *field(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

BookPlaceWidget::BookPlaceWidget(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *choice = new QHBoxLayout;
    choice->addWidget(new QLabel(u"Адресна книга:"_s, this));
    m_local = new QRadioButton(u"на този компютър"_s, this);
    m_local->setObjectName(u"bookOnThisComputer"_s);
    m_server = new QRadioButton(u"на сървър"_s, this);
    m_server->setObjectName(u"bookOnServer"_s);
    m_local->setChecked(true);
    choice->addWidget(m_local);
    choice->addWidget(m_server);
    choice->addStretch();
    layout->addLayout(choice);

    m_serverFields = new QWidget(this);
    m_serverFields->setObjectName(u"serverFields"_s);
    auto *fields = new QVBoxLayout(m_serverFields);
    fields->setContentsMargins(0, 0, 0, 0);
    auto *form = new QFormLayout;
    fields->addLayout(form);
    m_service = field(u"serverService"_s, m_serverFields);
    m_service->setPlaceholderText(u"име от pg_service.conf или празно"_s);
    m_host = field(u"serverHost"_s, m_serverFields);
    m_port = field(u"serverPort"_s, m_serverFields);
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_port->setPlaceholderText(u"5432"_s);
    m_database = field(u"serverDatabase"_s, m_serverFields);
    m_user = field(u"serverUser"_s, m_serverFields);
    m_sslMode = new QComboBox(m_serverFields);
    m_sslMode->setObjectName(u"serverSslMode"_s);
    m_sslMode->addItem(u"според услугата или libpq"_s, QString());
    for (QStringView mode : kSslModes)
        m_sslMode->addItem(mode.toString(), mode.toString());
    form->addRow(u"Услуга:"_s, m_service);
    form->addRow(u"Сървър:"_s, m_host);
    form->addRow(u"Порт:"_s, m_port);
    form->addRow(u"База данни:"_s, m_database);
    form->addRow(u"Потребител:"_s, m_user);
    form->addRow(u"Защита (sslmode):"_s, m_sslMode);
    auto *password = new QLabel(u"Паролата не се пази от програмата: тя се взема от файла "
                                "~/.pgpass или от PGPASSWORD."_s,
                                m_serverFields);
    password->setObjectName(u"passwordNote"_s);
    password->setWordWrap(true);
    // Below the form, not in a row of it: a form's rows do not grow for wrapped text.
    fields->addWidget(password);
    layout->addWidget(m_serverFields);

    m_check = new QPushButton(u"Проверка на връзката"_s, this);
    m_check->setObjectName(u"checkConnection"_s);
    auto *row = new QHBoxLayout;
    row->addWidget(m_check);
    row->addStretch();
    layout->addLayout(row);
    // The answer runs to several lines, the server's own text included: it gets room of
    // its own from the start, and scrolls when longer, so that the fields never shrink.
    auto *resultArea = new QScrollArea(this);
    resultArea->setObjectName(u"checkResultArea"_s);
    resultArea->setWidgetResizable(true);
    resultArea->setFrameShape(QFrame::NoFrame);
    resultArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_result = new QLabel;
    m_result->setObjectName(u"checkResult"_s);
    m_result->setWordWrap(true);
    m_result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resultArea->setWidget(m_result);
    resultArea->setMinimumHeight(fontMetrics().lineSpacing() * 8);
    layout->addWidget(resultArea, 1);

    connect(m_server, &QRadioButton::toggled, this, &BookPlaceWidget::updateEnabled);
    connect(m_check, &QPushButton::clicked, this, &BookPlaceWidget::startCheck);
    updateEnabled();
}

BookPlaceWidget::~BookPlaceWidget()
{
    // The check gives up on its own within the connection timeout.
    if (m_thread)
        m_thread->wait();
}

void BookPlaceWidget::setSettings(const BookPlaceSettings &s)
{
    (s.place == BookPlace::Server ? m_server : m_local)->setChecked(true);
    m_service->setText(s.server.service);
    m_host->setText(s.server.host);
    m_port->setText(s.server.port > 0 ? QString::number(s.server.port) : QString());
    m_database->setText(s.server.database);
    m_user->setText(s.server.user);
    const int mode = m_sslMode->findData(s.server.sslMode);
    m_sslMode->setCurrentIndex(mode < 0 ? 0 : mode);
    m_result->clear();
    updateEnabled();
}

BookPlaceSettings BookPlaceWidget::settings() const
{
    BookPlaceSettings s;
    s.place = m_server->isChecked() ? BookPlace::Server : BookPlace::Local;
    s.server.service = m_service->text().trimmed();
    s.server.host = m_host->text().trimmed();
    s.server.port = m_port->text().toInt();
    s.server.database = m_database->text().trimmed();
    s.server.user = m_user->text().trimmed();
    s.server.sslMode = m_sslMode->currentData().toString();
    return s;
}

void BookPlaceWidget::updateEnabled()
{
    const bool server = m_server->isChecked();
    m_serverFields->setEnabled(server);
    m_check->setEnabled(server && !m_thread);
}

void BookPlaceWidget::startCheck()
{
    if (m_thread)
        return;
    const ServerBookSettings server = settings().server;
    auto result = std::make_shared<ServerCheck>();
    // A server that does not answer must not freeze the dialog.
    m_thread = QThread::create(
        [server, options = m_checkOptions, result] { *result = checkServerBook(server, options); });
    m_thread->setParent(this);
    connect(m_thread, &QThread::finished, this, [this, result] {
        m_lastCheck = *result;
        m_result->setText(m_lastCheck.message);
        m_thread->deleteLater();
        m_thread = nullptr;
        updateEnabled();
        Q_EMIT checkFinished();
    });
    m_result->setText(u"Проверява се…"_s);
    updateEnabled();
    m_thread->start();
}

} // namespace formelan
