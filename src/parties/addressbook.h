#pragma once

#include "form/fieldwidgets.h"
#include "form/fieldwindow.h"
#include "parties/partylist.h"

#include <QPointer>

#include <functional>
#include <future>
#include <memory>
#include <span>

class QAbstractItemModel;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace formelan {

class PartyGridModel;

// A field of an address book and the table column it is stored in.
struct PartyFieldDef {
    QStringView name;
    FieldKind kind;
    QStringView label; // caption for the check box
    int max;           // -1: no limit
    int column;        // 1-based, in partyColumns() order
    int load;          // position in the order in which a row is loaded
    int gridCol;
    int gridRow;
};

// A check made when a field is left.
struct PartyCheck {
    QStringView field;
    bool (*check)(QStringView);
    QStringView message;
};

// What makes one address book differ from the other: its names, table, fields and
// checks.
struct AddressBookDescription {
    QStringView objectName;
    QStringView caption;
    PartyTable table;
    QStringView nameField;
    QStringView bankCodeField;
    std::span<const PartyFieldDef> fields;
    std::span<const PartyCheck> checks;
    QSize size;
};
const AddressBookDescription &recipientsDescription();
const AddressBookDescription &payersDescription();

// The text a list or the grid shows for a row that another program deleted.
QString goneRowText();

// An address book: party fields over one table, a search box, a grid of its rows,
// "add" and "delete". Every change of a field is told through fieldEdited.
//
// The window's rows are a PartyList: a snapshot of the table taken when the window is
// made, read in blocks as rows are shown, changed afterwards only by this window's own
// adds, deletes and imports. Positions in it are what the grid's rows and the name
// lists' items stand for.
//
// The current row is the row whose party the fields show, and the only one delete takes:
// the new row after an add, the row chosen from a name list, clicked in the grid or
// reached there by the keys. At start and after a delete no row is current. A click or a
// key in the grid that would replace a party the book does not hold asks first. The
// search box only hides rows: it never changes the current row. While a filter is on, a
// new row shows at the end even when it does not match, and a current row that the
// filter hides is not highlighted and cannot be deleted ("Изтриване" is disabled) until
// it shows again.
class AddressBook : public FieldWindow {
    Q_OBJECT
public:
    // Throws AppError when the table cannot be read.
    AddressBook(const AddressBookDescription &description, PartyStore &store,
                QWidget *parent = nullptr);
    ~AddressBook() override;

    const AddressBookDescription &description() const { return m_description; }
    PartyList &list() const { return *m_list; }
    PickList *namePick() const;
    QTableView *grid() const { return m_grid; }
    QLineEdit *searchBox() const { return m_search; }
    // The current row's position in the list; -1 when the list is empty.
    int currentPosition() const { return m_current; }

    // A copy of the name list for the document's lookup, for the caller to own: item i
    // stands for the row at position i, and past the end for the last row. The copy
    // handed out last comes again while it lives and this window has added and deleted
    // nothing since: a long list is laid out anew only when it changed.
    QAbstractItemModel *lookupNames();

    // Loads the row at `position` into the fields and makes it current; past the end,
    // the last row. A row that cannot be loaded (another program deleted it) is told of
    // and changes no field; answers whether the row was loaded.
    bool loadRow(int position);
    // Adds the party of the fields as a new row.
    void addParty();
    // Deletes the current row after confirmation.
    void deleteParty();
    // A row of the grid was clicked or reached by the keys: loads it and shows its name in
    // the document, asking first when the fields hold a party that is not in the book.
    // Declined, the highlight goes back to the row the fields show.
    void showGridRow(int position);
    // The name list's item `index` was chosen: load that row and show its name in the
    // document.
    void chooseParty(int index);
    // Shows only the rows whose name, IBAN, EGN, ЛНЧ or BULSTAT holds `text`, in any
    // letter case; all rows for an empty text. While the rows' search text is still being
    // read (a fraction of a second at 100,000 rows, started when the search box gets the
    // focus), the typing goes on and the rows follow once it is read.
    void filterRows(const QString &text);
    // Whether the shown rows are still waiting for the search text.
    bool searchPending() const;
    // Brings the list up to date with the book, other programs' adds and deletes included,
    // once it has been read in the background: the current row, the highlight, the top row
    // shown, the search and the fields stay as they are. Called when the book tells of a
    // change; a call while a reading is under way reads once more after it.
    void refreshList();
    // Puts the focus in the search box (Ctrl+F).
    void focusSearch();

    // Lists the rows of another book from now on, as when the window opened: the last row
    // current, the search box empty; the fields keep what they show. On an error the
    // window stays on the book it had.
    StoreError setStore(PartyStore &store);
    // Asked before add and delete; when it answers false, the command stops (the gate has
    // told the user why). The program reaches an address book that was away through it.
    void setCommandGate(std::function<bool()> gate) { m_gate = std::move(gate); }

Q_SIGNALS:
    // A row was loaded by a choice in this window; its name field holds `name`.
    void partyShown(const QString &nameField, const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    QString fieldLabel(const QWidget *field) const override;

private:
    void buildFields(QGridLayout *grid);
    QWidget *buildSearchAndGrid(QWidget *parent);
    void useList(std::unique_ptr<PartyList> list);
    bool loadPosition(int position);
    void rowsAdded();
    void rowsChanged();
    void fillNameList();
    void showCurrentRow();
    void updateDeleteButton();
    void startSearchSource();
    void takeSearchSource();
    void applyFilter(const QString &text);
    void tell(const StoreError &error);
    void checkField(QWidget *field);
    void checkAllFields();
    void takeFreshList();
    QStringList partyValues() const;
    bool mayReplaceFields(int position);

    const AddressBookDescription &m_description;
    PartyStore *m_store;
    std::unique_ptr<PartyList> m_list;
    std::function<bool()> m_gate;
    PartyGridModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QLineEdit *m_search = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_delete = nullptr;
    int m_current = -1;         // the row whose party the fields show; -1: none
    QStringList m_shownValues;  // that party's values as loaded or added
    bool m_namesFilled = false; // the name list was opened once
    int m_changes = 0;          // adds and deletes of this window, to tell a copy is stale
    QPointer<QAbstractItemModel> m_lookup;
    int m_lookupChanges = -1;
    std::future<StoreResult<SearchSource>> m_source; // read while the user starts typing
    QTimer *m_sourcePoll = nullptr;
    std::future<StoreResult<SearchSource>> m_fresh; // the list read afresh
    QTimer *m_freshPoll = nullptr;
    bool m_refreshAgain = false;
    int m_refreshFailures = 0; // readings in a row that failed
    int m_ownChanges = 0;      // adds and deletes of this window, to tell a stale fresh list
    int m_ownChangesAtFresh = 0;
    int m_removals = 0; // rows this window deleted, to tell a stale source
    int m_removalsAtSource = 0;
};

} // namespace formelan
