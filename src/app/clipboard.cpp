// The editing commands: cut, copy and paste on the focused field of the active child
// window, and clearing its text fields.
#include "app/mainframe.h"

#include "app/recovery.h"
#include "base/dialogs.h"
#include "base/settings.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "form/fieldwindow.h"
#include "form/formcontent.h"

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// The single-line field that has, or last had, the focus in the active child window;
// the edit box of a pick-list counts. Memos, dates and the rest do not.
FieldEdit *focusedEdit(QWidget *window)
{
    return window && window->focusWidget() ? editOf(window->focusWidget()) : nullptr;
}

} // namespace

void MainFrame::cutField()
{
    if (FieldEdit *edit = focusedEdit(activeChild()))
        edit->cut();
}

void MainFrame::copyField()
{
    if (FieldEdit *edit = focusedEdit(activeChild()))
        edit->copy();
}

void MainFrame::pasteField()
{
    if (FieldEdit *edit = focusedEdit(activeChild()))
        edit->pasteWithinLimit();
}

// Empties every text field of the active window; dates, check boxes and the stored
// records stay.
void MainFrame::clearFields()
{
    auto *window = qobject_cast<FieldWindow *>(activeChild());
    if (!window)
        return;
    if (window != m_view) {
        window->clearTextFields();
        return;
    }
    // The document starts over as a new one: asked first, since nothing brings it back.
    const auto answer = dialogs().message(
        m_view, QMessageBox::Question, programTitle(),
        u"Да бъдат ли изчистени всички полета на документа? Изчистеното не може да бъде "
        u"възстановено."_s,
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    // Entries marked missing take each field's initial value; dates become not given.
    FormContent fresh = m_view->content();
    for (FormEntry &entry : fresh.entries)
        entry.present = false;
    m_view->setContent(fresh);
    m_view->setFieldText(u"vid", loadSettings().defaultCurrency);
    // A new document: the old one's recovery file goes, as the clerk said, and the
    // next save asks for a name of its own.
    m_recovery->markSaved();
    m_currentFile.clear();
}

} // namespace formelan
