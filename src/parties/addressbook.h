#pragma once

#include "form/fieldwidgets.h"
#include "form/fieldwindow.h"

#include <memory>
#include <span>

class QGridLayout;
class QPushButton;
class QTableView;

namespace formelan {

class PartyDatabase;
class PartyGridModel;
class ResultSet;

// A field of an address book and the table column it is stored in.
struct PartyFieldDef {
    QStringView name;
    FieldKind kind;
    QStringView label; // caption for the check box
    int max;           // -1: no limit
    int column;        // 1-based column of the party table
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
    QStringView table;
    QStringView nameField;
    QStringView bankCodeField;
    std::span<const PartyFieldDef> fields;
    std::span<const PartyCheck> checks;
    QSize size;
};
const AddressBookDescription &recipientsDescription();
const AddressBookDescription &payersDescription();

// An address book: party fields over one table, a grid of its rows, "add" and
// "delete". Every change of a field is told through fieldEdited.
class AddressBook : public FieldWindow {
    Q_OBJECT
public:
    AddressBook(const AddressBookDescription &description, const PartyDatabase &db,
                QWidget *parent = nullptr);
    ~AddressBook() override;

    const AddressBookDescription &description() const { return m_description; }
    ResultSet &resultSet() const { return *m_set; }
    PickList *namePick() const;
    QTableView *grid() const { return m_grid; }
    // The names of the rows, in row order, as the name list holds them.
    QStringList names() const;

    // Loads the current row into the fields.
    void loadCurrentRow();
    // Makes the row at `position` current and loads it (the document's lookup).
    void loadRow(int position);
    // Adds the party of the fields as a new row.
    void addParty();
    // Deletes the selected row after confirmation.
    void deleteParty();
    // The grid was clicked: load the current row and show its name in the document.
    void showGridRow();
    // The name list's item `index` was chosen: load that row and show its name in the
    // document.
    void chooseParty(int index);
    // Rebuilds the name list from the result set; the last row becomes current.
    void rebuildNameList();

Q_SIGNALS:
    // A row was loaded by a choice in this window; its name field holds `name`.
    void partyShown(const QString &nameField, const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFields(QGridLayout *grid);
    void showCurrentRow();
    void checkField(QWidget *field);

    const AddressBookDescription &m_description;
    std::unique_ptr<ResultSet> m_set;
    PartyGridModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_delete = nullptr;
};

} // namespace formelan
