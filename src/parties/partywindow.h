#pragma once

#include "form/fieldwidgets.h"

#include <memory>
#include <span>

class QGridLayout;
class QPushButton;
class QTableView;

namespace formelan {

class PartyDatabase;
class PartyGridModel;
class ResultSet;

// A field of an address-book window and the table column it is stored in.
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

// An address-book window: party fields over one table, a grid of its rows, "add"
// and "delete", and every field change passed on to the document window.
class PartyWindow : public FieldWindow {
    Q_OBJECT
public:
    struct Setup {
        QString name;
        QString caption;
        QString table;
        QStringView nameField;
        std::span<const PartyFieldDef> fields;
        std::span<const PartyCheck> checks;
        QSize size;
    };
    PartyWindow(const Setup &setup, const PartyDatabase &db, QWidget *parent = nullptr);
    ~PartyWindow() override;

    std::span<const PartyFieldDef> fieldDefs() const { return m_setup.fields; }
    ResultSet &resultSet() const { return *m_set; }
    PickList *namePick() const;
    QTableView *grid() const { return m_grid; }

    // Loads the current row into the fields.
    void LoadFields();
    // Adds the party of the fields as a new row.
    void Button1Click();
    // Deletes the selected row after confirmation.
    void Button2Click();
    // The grid was clicked: load the current row and name it in the document.
    void DBGrid1MouseUp();
    // The name list's item `index` was chosen.
    void nameSelect(int index);
    // Rebuilds the name list from the result set; the last row becomes current.
    void updateNameList();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void FormCreate();
    // Passes a changed field on to the document window.
    void passOn(QWidget *field);
    void checkOnLeave(QWidget *field);

private:
    void buildFields(QGridLayout *grid);
    void showCurrentRow();
    void nameInDocument();

    Setup m_setup;
    std::unique_ptr<ResultSet> m_set;
    PartyGridModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_delete = nullptr;
};

} // namespace formelan
