#include "app/wiring.h"

#include "form/documentwindow.h"
#include "form/fieldset.h"
#include "parties/addressbook.h"
#include "parties/bankchooser.h"

#include <QPointer>

#include <memory>

namespace formelan {

namespace {

// The field that last opened the bank code chooser, and the chooser whose choices go
// there.
struct ChooserTarget {
    QPointer<FieldWindow> window;
    QString field;
    QPointer<BankCodeChooser> listened;
};

} // namespace

void connectWindows(DocumentWindow &document, AddressBook &recipients, AddressBook &payers,
                    const std::function<BankCodeChooser *()> &chooser, QObject *context)
{
    DocumentWindow *doc = &document;
    AddressBook *books[] = {&payers, &recipients}; // the payers' book is asked first

    QObject::connect(doc, &FieldWindow::fieldEdited, context,
                     [books](const QString &name, const QString &text) {
                         const FieldDef *def = findDocumentField(name);
                         if (!def || !def->mirrored)
                             return;
                         for (AddressBook *book : books) {
                             if (book->setFieldText(name, text))
                                 return;
                         }
                     });
    for (AddressBook *book : books) {
        QObject::connect(
            book, &FieldWindow::fieldEdited, context,
            [doc](const QString &name, const QString &text) { doc->setFieldText(name, text); });
        QObject::connect(book, &AddressBook::partyShown, context,
                         [doc](const QString &nameField, const QString &name) {
                             doc->setFieldText(nameField, name);
                         });
    }

    const auto bookOf = [&recipients, &payers](const QString &nameField) {
        return nameField == recipients.description().nameField ? &recipients : &payers;
    };
    QObject::connect(doc, &DocumentWindow::partyListOpening, context,
                     [doc, bookOf](const QString &field) {
                         doc->setPartyNames(field, bookOf(field)->lookupNames());
                     });
    QObject::connect(doc, &DocumentWindow::partyChosen, context,
                     [doc, bookOf](const QString &field, int index) {
                         if (!bookOf(field)->loadRow(index))
                             doc->revertPartyChoice(field);
                     });

    // The chooser is asked for at the first request, and its choices are heard from then on.
    auto target = std::make_shared<ChooserTarget>();
    const auto openChooser = [target, chooser, context](FieldWindow *window, const QString &field) {
        target->window = window;
        target->field = field;
        BankCodeChooser *list = chooser();
        if (target->listened != list) {
            target->listened = list;
            QObject::connect(list, &BankCodeChooser::codeChosen, context,
                             [target](const QString &code) {
                                 if (target->window)
                                     target->window->setFieldText(target->field, code);
                             });
        }
        list->open();
    };
    for (FieldWindow *window :
         {static_cast<FieldWindow *>(doc), static_cast<FieldWindow *>(&recipients),
          static_cast<FieldWindow *>(&payers)}) {
        QObject::connect(
            window, &FieldWindow::bankCodeRequested, context,
            [openChooser, window](const QString &field) { openChooser(window, field); });
    }
}

} // namespace formelan
