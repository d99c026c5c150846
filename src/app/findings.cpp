// The whole-document check as the clerk meets it: on demand, and before every print,
// PDF and send, with the findings listed and each leading to its field.
#include "app/findings.h"

#include "app/mainframe.h"
#include "base/dialogs.h"
#include "documents/output.h"
#include "form/documentwindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace formelan {

using namespace Qt::StringLiterals;

FindingsDialog::FindingsDialog(const std::vector<Finding> &findings, const QString &goOn,
                               QWidget *parent)
    : QDialog(parent)
    , m_findings(findings)
    , m_list(new QListWidget(this))
{
    setObjectName(u"DocumentFindings"_s);
    setWindowTitle(u"Проверка на документа"_s);
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(
        findings.size() == 1
            ? u"В документа има нещо, което банката може да не приеме:"_s
            : u"В документа има %1 неща, които банката може да не приеме:"_s.arg(findings.size()),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    m_list->setObjectName(u"findingsList"_s);
    // Long findings wrap instead of running off the list's edge.
    m_list->setWordWrap(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const Finding &f : findings)
        m_list->addItem(f.caption + u": "_s + f.message);
    m_list->setCurrentRow(0);
    layout->addWidget(m_list);
    auto *hint = new QLabel(u"Изберете ред, за да отидете на полето."_s, this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(u"findingsButtons"_s);
    QPushButton *toField = buttons->addButton(u"Към &полето"_s, QDialogButtonBox::AcceptRole);
    toField->setObjectName(u"goToField"_s);
    toField->setDefault(true);
    if (!goOn.isEmpty()) {
        QPushButton *anyway = buttons->addButton(goOn, QDialogButtonBox::DestructiveRole);
        anyway->setObjectName(u"goOnAnyway"_s);
        connect(anyway, &QPushButton::clicked, this, [this] { done(GoOn); });
    }
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(u"&Затвори"_s);
    connect(toField, &QPushButton::clicked, this, &FindingsDialog::choose);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, &FindingsDialog::choose);
    layout->addWidget(buttons);
    resize(560, 320);
}

void FindingsDialog::choose()
{
    const int row = m_list->currentRow();
    if (row < 0 || size_t(row) >= m_findings.size())
        return;
    m_chosen = m_findings[size_t(row)].field;
    accept();
}

bool MainFrame::documentPasses(const QString &goOn)
{
    m_view->finishEditing();
    FormContent content = m_view->content();
    // Checked as the output will take it: cents completed as leaving their field does.
    for (const auto &[field, text] : centsCompletions(content))
        content.entry(field).text = text;
    const std::vector<Finding> findings = checkDocument(content, QDate::currentDate());
    if (findings.empty())
        return true;
    FindingsDialog dialog(findings, goOn, this);
    const int result = dialogs().runDialog(dialog);
    if (result == FindingsDialog::GoOn)
        return true;
    if (result == QDialog::Accepted)
        goToField(dialog.chosenField());
    return false;
}

void MainFrame::checkWholeDocument()
{
    if (documentPasses(QString()))
        showMessage(m_view, u"Документът е проверен: не е намерено нищо нередно."_s);
}

void MainFrame::goToField(const QString &name)
{
    QWidget *field = m_view->control(name);
    if (!field)
        return;
    bringToFront(m_view);
    // The frame takes the keys back from the closed list, without a window manager too.
    activateWindow();
    field->setFocus(Qt::OtherFocusReason);
}

} // namespace formelan
