#include "parties/partywindow.h"

#include "app/dialogs.h"
#include "app/errors.h"
#include "app/windows.h"
#include "form/mainview.h"
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

namespace {
const QString kYes = u"да"_s;
const QString kNo = u"не"_s;
} // namespace

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

PartyWindow::PartyWindow(const Setup &setup, const PartyDatabase &db, QWidget *parent)
    : FieldWindow(parent)
    , m_setup(setup)
    , m_set(std::make_unique<ResultSet>(db, setup.table))
{
    setObjectName(setup.name);
    setWindowTitle(setup.caption);
    resize(setup.size);

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

    connect(m_add, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(m_delete, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(namePick(), &QComboBox::activated, this,
            [this](int index) { guarded([&] { nameSelect(index); }); });
    FormCreate();
}

PartyWindow::~PartyWindow() = default;

void PartyWindow::buildFields(QGridLayout *grid)
{
    QWidget *previous = nullptr;
    for (const PartyFieldDef &def : m_setup.fields) {
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
        onChange(w, [this](QWidget *field) { passOn(field); });
    }
    for (const PartyCheck &check : m_setup.checks)
        onLeave(control(check.field), [this](QWidget *f) { checkOnLeave(f); });
}

PickList *PartyWindow::namePick() const
{
    return static_cast<PickList *>(control(m_setup.nameField));
}

void PartyWindow::FormCreate()
{
    updateNameList();
    if (m_set->rowCount() == 0)
        m_delete->setEnabled(false);
}

void PartyWindow::updateNameList()
{
    // Item i names the row at position i; reading them leaves the last row current.
    namePick()->setItems(m_set->names());
    m_set->moveTo(m_set->rowCount());
    showCurrentRow();
}

void PartyWindow::showCurrentRow()
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

void PartyWindow::LoadFields()
{
    std::vector<const PartyFieldDef *> order;
    for (const PartyFieldDef &def : m_setup.fields)
        order.push_back(&def);
    std::sort(order.begin(), order.end(),
              [](const auto *a, const auto *b) { return a->load < b->load; });
    for (const PartyFieldDef *def : order) {
        QWidget *w = control(def->name);
        const QString value = m_set->value(def->column);
        if (def->kind == FieldKind::Check)
            setFieldChecked(w, value == kYes);
        else
            setFieldText(w, value);
    }
    showCurrentRow();
}

void PartyWindow::Button1Click()
{
    QStringList values(qsizetype(m_setup.fields.size()));
    for (const PartyFieldDef &def : m_setup.fields) {
        QWidget *w = control(def.name);
        values[def.column - 1] =
            def.kind == FieldKind::Check ? (fieldChecked(w) ? kYes : kNo) : fieldText(w);
    }
    m_set->insertRow(values);
    m_set->flush();
    m_delete->setEnabled(true);
    updateNameList();
}

void PartyWindow::Button2Click()
{
    if (m_set->rowCount() > 0) {
        const auto answer = dialogs().message(this, QMessageBox::NoIcon, u"Внимание!"_s,
                                              u"Желаете ли избрания запис да бъде изтрит?"_s,
                                              QMessageBox::Ok | QMessageBox::Cancel);
        if (answer == QMessageBox::Ok) {
            m_set->deleteCurrent();
            m_set->flush();
            updateNameList();
        }
    }
    if (m_set->rowCount() == 0)
        m_delete->setEnabled(false);
}

void PartyWindow::nameInDocument()
{
    if (MainView)
        setFieldText(MainView->control(m_setup.nameField), fieldText(namePick()));
}

void PartyWindow::DBGrid1MouseUp()
{
    LoadFields();
    nameInDocument();
}

void PartyWindow::nameSelect(int index)
{
    m_set->moveTo(index);
    LoadFields();
    nameInDocument();
}

bool PartyWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Any button released anywhere over the grid: rows, titles, the empty area.
    if (event->type() == QEvent::MouseButtonRelease)
        guarded([this] { DBGrid1MouseUp(); });
    return FieldWindow::eventFilter(watched, event);
}

void PartyWindow::passOn(QWidget *field)
{
    if (!MainView)
        return;
    if (QWidget *target = MainView->control(field->objectName()))
        copyFieldValue(field, target);
}

void PartyWindow::checkOnLeave(QWidget *field)
{
    for (const PartyCheck &check : m_setup.checks) {
        if (field->objectName() == check.field && !check.check(fieldText(field)))
            showMessage(field, check.message.toString());
    }
}

} // namespace formelan
