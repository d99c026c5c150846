#include "parties/addressbook.h"

#include "base/dialogs.h"
#include "form/bankfill.h"
#include "form/fieldset.h"
#include "parties/partydb.h"

#include <QAbstractTableModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace formelan {

using namespace Qt::StringLiterals;

// The grid's view of a result set: rows are read when they are shown.
class PartyGridModel : public QAbstractTableModel {
public:
    explicit PartyGridModel(ResultSet &set, QObject *parent)
        : QAbstractTableModel(parent)
        , m_set(set)
    {
        m_set.inserted = [this](int row) {
            beginInsertRows({}, row, row);
            endInsertRows();
        };
        m_set.removed = [this](int row) {
            beginRemoveRows({}, row, row);
            endRemoveRows();
        };
    }

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : m_set.rowCount();
    }
    int columnCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_set.columnNames().size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return m_set.valueAt(index.row(), index.column() + 1);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Horizontal)
            return m_set.columnNames().value(section);
        return QVariant();
    }

private:
    ResultSet &m_set;
};

AddressBook::AddressBook(const AddressBookDescription &description, const PartyDatabase &db,
                         QWidget *parent)
    : FieldWindow(parent)
    , m_description(description)
    , m_set(std::make_unique<ResultSet>(db, description.table.toString()))
{
    setObjectName(description.objectName.toString());
    setWindowTitle(description.caption.toString());
    resize(description.size);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(u"Splitter1"_s);
    outer->addWidget(splitter);

    auto *top = new QWidget(splitter);
    auto *topLayout = new QHBoxLayout(top);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    topLayout->addLayout(grid, 1);
    auto *buttons = new QVBoxLayout;
    m_add = new QPushButton(u"Добавяне"_s, top);
    m_add->setObjectName(u"Button1"_s);
    m_delete = new QPushButton(u"Изтриване"_s, top);
    m_delete->setObjectName(u"Button2"_s);
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    topLayout->addLayout(buttons);
    buildFields(grid);

    m_grid = new QTableView(splitter);
    m_grid->setObjectName(u"DBGrid1"_s);
    m_model = new PartyGridModel(*m_set, this);
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setDefaultSectionSize(140);
    splitter->setStretchFactor(1, 1);
    for (QWidget *w : {m_grid->viewport(), m_grid->horizontalHeader()->viewport(),
                       m_grid->verticalHeader()->viewport()})
        w->installEventFilter(this);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &now) {
                if (now.isValid() && now.row() != m_set->current())
                    m_set->moveTo(now.row());
            });

    connect(m_add, &QPushButton::clicked, this, [this] { guarded([this] { addParty(); }); });
    connect(m_delete, &QPushButton::clicked, this, [this] { guarded([this] { deleteParty(); }); });
    connect(namePick(), &QComboBox::activated, this,
            [this](int index) { guarded([&] { chooseParty(index); }); });
    rebuildNameList();
    if (m_set->rowCount() == 0)
        m_delete->setEnabled(false);
}

AddressBook::~AddressBook() = default;

void AddressBook::buildFields(QGridLayout *grid)
{
    QWidget *previous = nullptr;
    for (const PartyFieldDef &def : m_description.fields) {
        QWidget *w = createField(def.kind, def.max, {}, this);
        w->setObjectName(def.name.toString());
        auto *cell = new QVBoxLayout;
        cell->setSpacing(1);
        if (def.kind == FieldKind::Check) {
            auto *box = static_cast<QCheckBox *>(w);
            box->setText(def.label.toString());
            box->setChecked(true);
        } else {
            auto *label = new QLabel(def.label.toString(), this);
            label->setObjectName(u"Label_"_s + def.name);
            label->setBuddy(w);
            cell->addWidget(label);
        }
        cell->addWidget(w);
        grid->addLayout(cell, def.gridRow, def.gridCol);
        addField(w);
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    addBankCodeField(control(m_description.bankCodeField));
    for (const PartyCheck &check : m_description.checks)
        onLeave(control(check.field), [this](QWidget *f) { checkField(f); });
}

PickList *AddressBook::namePick() const
{
    return static_cast<PickList *>(control(m_description.nameField));
}

QStringList AddressBook::names() const
{
    return namePick()->items();
}

void AddressBook::rebuildNameList()
{
    // Item i names the row at position i; reading them leaves the last row current.
    namePick()->setItems(m_set->names());
    m_set->moveTo(m_set->rowCount());
    showCurrentRow();
}

void AddressBook::showCurrentRow()
{
    const int row = m_set->current();
    if (row < 0) {
        m_grid->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
}

void AddressBook::loadCurrentRow()
{
    std::vector<const PartyFieldDef *> order;
    for (const PartyFieldDef &def : m_description.fields)
        order.push_back(&def);
    std::sort(order.begin(), order.end(),
              [](const auto *a, const auto *b) { return a->load < b->load; });
    for (const PartyFieldDef *def : order) {
        QWidget *w = control(def->name);
        const QString value = m_set->value(def->column);
        if (def->kind == FieldKind::Check)
            setFieldChecked(w, value == kYes);
        else
            formelan::setFieldText(w, value);
    }
    showCurrentRow();
}

void AddressBook::loadRow(int position)
{
    m_set->moveTo(position);
    loadCurrentRow();
}

void AddressBook::addParty()
{
    QStringList values(qsizetype(m_description.fields.size()));
    for (const PartyFieldDef &def : m_description.fields)
        values[def.column - 1] = fieldText(def.name);
    m_set->insertRow(values);
    m_delete->setEnabled(true);
    rebuildNameList();
}

void AddressBook::deleteParty()
{
    if (m_set->rowCount() > 0) {
        const auto answer = dialogs().message(this, QMessageBox::NoIcon, u"Внимание!"_s,
                                              u"Желаете ли избрания запис да бъде изтрит?"_s,
                                              QMessageBox::Ok | QMessageBox::Cancel);
        if (answer == QMessageBox::Ok) {
            m_set->deleteCurrent();
            rebuildNameList();
        }
    }
    if (m_set->rowCount() == 0)
        m_delete->setEnabled(false);
}

void AddressBook::showGridRow()
{
    loadCurrentRow();
    Q_EMIT partyShown(m_description.nameField.toString(), formelan::fieldText(namePick()));
}

void AddressBook::chooseParty(int index)
{
    loadRow(index);
    Q_EMIT partyShown(m_description.nameField.toString(), formelan::fieldText(namePick()));
}

bool AddressBook::eventFilter(QObject *watched, QEvent *event)
{
    // Any button released anywhere over the grid: rows, titles, the empty area.
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == m_grid->viewport() || watched == m_grid->horizontalHeader()->viewport() ||
         watched == m_grid->verticalHeader()->viewport()))
        guarded([this] { showGridRow(); });
    return FieldWindow::eventFilter(watched, event);
}

void AddressBook::checkField(QWidget *field)
{
    for (const PartyCheck &check : m_description.checks) {
        if (field->objectName() == check.field && !check.check(formelan::fieldText(field)))
            showMessage(field, check.message.toString());
    }
    fillBankFromIban(*this, field->objectName());
}

} // namespace formelan
