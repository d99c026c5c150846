#include "parties/bankchooser.h"

#include "form/banks.h"
#include "rtf/rtfreader.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
const QString kCaption = u"Избор на банков код - кликнете два пъти върху избрания от вас код"_s;
}

BankCodeList::BankCodeList(QWidget *parent)
    : QTextEdit(parent)
{
    // A list to choose from, not to write in; the keys move the cursor through it.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void BankCodeList::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTextEdit::mouseDoubleClickEvent(event); // selects the word under the pointer
    if (event->button() == Qt::LeftButton)
        Q_EMIT wordChosen(textCursor().selectedText());
}

bool BankCodeList::selectCode(const QTextCursor &from, bool backward)
{
    // A bank's BIC: its code, "BG", the place, and maybe a branch.
    static const QRegularExpression code(u"\\b[A-Z]{4}BG[A-Z0-9]{2}([A-Z0-9]{3})?\\b"_s);
    const QTextCursor found = document()->find(
        code, from, backward ? QTextDocument::FindBackward : QTextDocument::FindFlags());
    if (found.isNull())
        return false;
    setTextCursor(found);
    ensureCursorVisible();
    return true;
}

void BankCodeList::selectFirstCode()
{
    selectCode(QTextCursor(document()), false);
}

void BankCodeList::keyPressEvent(QKeyEvent *event)
{
    const QTextCursor at = textCursor();
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Down: {
            QTextCursor after(document());
            after.setPosition(at.selectionEnd());
            selectCode(after, false);
            return;
        }
        case Qt::Key_Up: {
            QTextCursor before(document());
            before.setPosition(at.selectionStart());
            selectCode(before, true);
            return;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            QTextCursor word = at;
            if (!word.hasSelection())
                word.select(QTextCursor::WordUnderCursor);
            Q_EMIT wordChosen(word.selectedText());
            return;
        }
        default:
            break;
        }
    }
    QTextEdit::keyPressEvent(event);
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
    // Ready for the arrow keys and Enter at once.
    m_view->setFocus(Qt::OtherFocusReason);
}

void BankCodeChooser::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
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
    // The same list an IBAN fills the bank from, the office's rows included; without
    // one the viewer stays as it was.
    const BankList &list = shippedBankList();
    if (list.banks().isEmpty())
        return;
    rtf::read(bankListRtf(list), *m_view->document());
    m_view->selectFirstCode();
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
