// The editing commands: cut, copy and paste on the focused field of the active child
// window, and clearing its text fields.
#include "app/mainframe.h"

#include "form/fieldwidgets.h"
#include "form/fieldwindow.h"

namespace formelan {

namespace {

// The single-line field that has, or last had, the focus in the active child window;
// the edit box of a pick-list counts. Memos, dates and the rest do not.
FieldEdit *focusedEdit(QWidget *window)
{
    QWidget *w = window ? window->focusWidget() : nullptr;
    if (auto *list = qobject_cast<PickList *>(w))
        return list->edit();
    return qobject_cast<FieldEdit *>(w);
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
    if (auto *window = qobject_cast<FieldWindow *>(activeChild()))
        window->clearTextFields();
}

} // namespace formelan
