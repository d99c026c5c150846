#include "parties/choice.h"

#include "app/paths.h"
#include "rtf/rtfreader.h"

#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace formelan {

using namespace Qt::StringLiterals;

Tchoice *choice = nullptr;
QPointer<QLineEdit> ChooserTarget;

namespace {
const QString kCaption = u"Избор на банков код - кликнете два пъти върху избрания от вас код"_s;
}

void RichEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTextEdit::mouseDoubleClickEvent(event); // selects the word under the pointer
    if (event->button() == Qt::LeftButton)
        Q_EMIT wordChosen(textCursor().selectedText());
}

Tchoice::Tchoice(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_view(new RichEdit(this))
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
    connect(m_view, &RichEdit::wordChosen, this, &Tchoice::RichEdit1MouseDown);
    choice = this;
}

Tchoice::~Tchoice()
{
    if (choice == this)
        choice = nullptr;
}

void Tchoice::attachTo(QLineEdit *field)
{
    // The right button belongs to the chooser here, not to a context menu.
    field->setContextMenuPolicy(Qt::PreventContextMenu);
    field->installEventFilter(this);
}

bool Tchoice::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        if (auto *field = qobject_cast<QLineEdit *>(watched))
            openFor(field);
    }
    return QWidget::eventFilter(watched, event);
}

void Tchoice::openFor(QLineEdit *field)
{
    ChooserTarget = field;
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    show();
    raise();
    activateWindow();
}

void Tchoice::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Tchoice::FormShow()
{
    if (!ChooserTarget)
        return;
    const QString name = ChooserTarget->objectName();
    if (name != u"rec_bic1"_s && name != u"dep_bic1"_s)
        return;
    setWindowTitle(kCaption);
    QFile file(dataDir() + u"/help/bic.rtf"_s);
    // A missing list leaves the viewer as it was.
    if (!file.open(QIODevice::ReadOnly))
        return;
    rtf::read(file.readAll(), *m_view->document());
}

void Tchoice::RichEdit1MouseDown(const QString &selection)
{
    if (ChooserTarget)
        ChooserTarget->setText(selection); // whole, whatever the field's limit
    hide();
}

void Tchoice::closeEvent(QCloseEvent *event)
{
    event->accept(); // closing only hides
}

} // namespace formelan
