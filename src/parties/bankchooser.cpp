#include "parties/bankchooser.h"

#include "base/paths.h"
#include "rtf/rtfreader.h"

#include <QCloseEvent>
#include <QFile>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
const QString kCaption = u"Избор на банков код - кликнете два пъти върху избрания от вас код"_s;
}

void BankCodeList::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTextEdit::mouseDoubleClickEvent(event); // selects the word under the pointer
    if (event->button() == Qt::LeftButton)
        Q_EMIT wordChosen(textCursor().selectedText());
}

BankCodeChooser::BankCodeChooser(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_view(new BankCodeList(this))
{
    setObjectName(u"choice"_s);
    setWindowTitle(kCaption);
    // Closing the frame ends the program even while the chooser is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view->setObjectName(u"RichEdit1"_s);
    m_view->setLineWrapMode(QTextEdit::NoWrap);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(m_view);
    resize(655, 586);
    connect(m_view, &BankCodeList::wordChosen, this, &BankCodeChooser::takeChosenCode);
}

void BankCodeChooser::open()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void BankCodeChooser::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        loadList();
}

void BankCodeChooser::loadList()
{
    setWindowTitle(kCaption);
    QFile file(dataDir() + u"/help/bic.rtf"_s);
    // A missing list leaves the viewer as it was.
    if (!file.open(QIODevice::ReadOnly))
        return;
    rtf::read(file.readAll(), *m_view->document());
}

void BankCodeChooser::takeChosenCode(const QString &selection)
{
    // Taken whole, whatever the limit of the field that gets it.
    Q_EMIT codeChosen(selection);
    hide();
}

void BankCodeChooser::closeEvent(QCloseEvent *event)
{
    event->accept(); // closing only hides
}

} // namespace formelan
