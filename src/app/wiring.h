#pragma once

#include <functional>

class QObject;

namespace formelan {

class AddressBook;
class BankCodeChooser;
class DocumentWindow;

// Connects the windows, none of which knows another:
// - a change of a mirrored document field goes to the like-named field of the payers'
//   book, else of the recipients' book; a change in a book goes to the document;
// - the document's party name lists offer the books' names, and a choice loads that
//   party in its book, whose fields then fill the document; a party that cannot be
//   loaded (deleted elsewhere) leaves the document's name as it was;
// - a right-button press on a bank-code field opens the chooser for that field, and
//   the code chosen goes into it; `chooser` gives the chooser, made when first asked for.
// Setting a field to the value it holds raises nothing, which ends each exchange after
// one step. The connections live as long as `context`.
void connectWindows(DocumentWindow &document, AddressBook &recipients, AddressBook &payers,
                    const std::function<BankCodeChooser *()> &chooser, QObject *context);

} // namespace formelan
