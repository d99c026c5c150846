#include "parties/addressbook.h"

#include "base/dialogs.h"
#include "form/bankfill.h"
#include "form/fieldset.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>

namespace formelan {

using namespace Qt::StringLiterals;

QString goneRowText()
{
    return u"(изтрит от друга програма)"_s;
}

// The grid's view of a window's list: every row, or those a search found. Rows are read
// from the list when they are shown; only the program's own columns are shown, by name.
class PartyGridModel : public QAbstractTableModel {
public:
    PartyGridModel(PartyList &list, QObject *parent)
        : QAbstractTableModel(parent)
        , m_list(list)
        , m_count(list.count())
    {
        connect(&list, &PartyList::rowsInserted, this, &PartyGridModel::inserted);
        connect(&list, &PartyList::rowRemoved, this, &PartyGridModel::removed);
        connect(&list, &PartyList::rowsChanged, this, &PartyGridModel::changed);
        connect(&list, &PartyList::listReplaced, this, &PartyGridModel::replaced);
    }

    bool filtered() const { return m_shown.has_value(); }

    // Shows only these positions, ascending; nothing shows every row.
    void setFilter(std::optional<std::vector<int>> positions)
    {
        beginResetModel();
        m_shown = std::move(positions);
        m_count = m_list.count();
        endResetModel();
    }

    int positionAt(int row) const
    {
        if (row < 0 || row >= rowCount({}))
            return -1;
        return m_shown ? (*m_shown)[size_t(row)] : row;
    }

    // The grid row that shows a position; -1 when the filter hides it.
    int rowOf(int position) const
    {
        if (!m_shown)
            return position >= 0 && position < m_count ? position : -1;
        const auto it = std::lower_bound(m_shown->begin(), m_shown->end(), position);
        return it != m_shown->end() && *it == position ? int(it - m_shown->begin()) : -1;
    }

    int rowCount(const QModelIndex &parent) const override
    {
        if (parent.isValid())
            return 0;
        return m_shown ? int(m_shown->size()) : m_count;
    }

    int columnCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(partyColumns(m_list.table()).size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        const int position = positionAt(index.row());
        if (m_shown && !m_list.isHeld(position)) {
            // A search's rows lie apart: the screenful from here is read in one go.
            constexpr int kAhead = 64;
            const auto from = m_shown->begin() + index.row();
            const auto to = m_shown->begin() +
                            std::min<qsizetype>(index.row() + kAhead, qsizetype(m_shown->size()));
            (void)m_list.readPositions(std::span<const int>(from, to));
        }
        switch (role) {
        case Qt::DisplayRole:
            if (const PartyRow *row = m_list.rowAt(position))
                return row->values.value(index.column());
            if (index.column() == 0 && m_list.isGone(position))
                return goneRowText();
            return {};
        case Qt::ForegroundRole:
            if (m_list.isGone(position))
                return QPalette().brush(QPalette::Disabled, QPalette::Text);
            return {};
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return {};
        return partyColumns(m_list.table()).value(section);
    }

private:
    // The list tells of a change once it is made; the rows this model counts change
    // between the begin and the end of the change, as views expect.
    void inserted(int first, int last)
    {
        if (!m_shown) {
            beginInsertRows({}, first, last);
            m_count += last - first + 1;
            endInsertRows();
            return;
        }
        // The window's own new rows show even when they do not match the search.
        const int at = int(m_shown->size());
        beginInsertRows({}, at, at + last - first);
        for (int p = first; p <= last; ++p)
            m_shown->push_back(p);
        endInsertRows();
    }

    void removed(int position)
    {
        if (!m_shown) {
            beginRemoveRows({}, position, position);
            --m_count;
            endRemoveRows();
            return;
        }
        const int row = rowOf(position);
        if (row >= 0) {
            beginRemoveRows({}, row, row);
            m_shown->erase(m_shown->begin() + row);
        }
        for (auto it = std::upper_bound(m_shown->begin(), m_shown->end(), position);
             it != m_shown->end(); ++it)
            --*it;
        if (row >= 0)
            endRemoveRows();
    }

    // Every position moved: the window sets the search's rows again right after.
    void replaced()
    {
        beginResetModel();
        m_count = m_list.count();
        if (m_shown)
            m_shown->clear();
        endResetModel();
    }

    void changed(int first, int last)
    {
        int from = first, to = last;
        if (m_shown) {
            from =
                int(std::lower_bound(m_shown->begin(), m_shown->end(), first) - m_shown->begin());
            to = int(std::upper_bound(m_shown->begin(), m_shown->end(), last) - m_shown->begin()) -
                 1;
        }
        if (from <= to)
            Q_EMIT dataChanged(index(from, 0), index(to, columnCount({}) - 1));
    }

    PartyList &m_list;
    int m_count;                             // rows shown when no search is on
    std::optional<std::vector<int>> m_shown; // positions shown by a search
};

namespace {

// The grid, telling of the rows the user reaches with the keys (and of Enter on one); the
// rows that change under the highlight as the list changes are not the user's choice.
class PartyGrid : public QTableView {
public:
    using QTableView::QTableView;
    std::function<void(int row)> reached;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const QModelIndex before = currentIndex();
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (!enter)
            QTableView::keyPressEvent(event);
        const QModelIndex now = currentIndex();
        if (now.isValid() && (enter || now != before) && reached)
            reached(now.row());
    }
};

bool choosesFromClosedList(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

// A name list: item i is the name of the row at position i. Its length is fixed when it
// is made, as a copy of the list would be; names are read when they are shown, and an
// item past the end of the list as it is now stands for its last row.
class PartyNameModel : public QAbstractListModel {
public:
    explicit PartyNameModel(PartyList &list)
        : m_list(&list)
        , m_count(list.count())
    {
        // A list that is open shows the names as they now stand at its items: a reset would
        // take the text typed in the box with it.
        connect(&list, &PartyList::listReplaced, this, [this] {
            if (m_count > 0)
                Q_EMIT dataChanged(index(0), index(m_count - 1));
        });
    }

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : m_count;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) || !m_list ||
            m_list->isEmpty())
            return {};
        const int position = std::min(index.row(), m_list->count() - 1);
        if (m_list->isGone(position))
            return goneRowText();
        return m_list->nameAt(position);
    }

private:
    QPointer<PartyList> m_list;
    int m_count;
};

} // namespace

AddressBook::AddressBook(const AddressBookDescription &description, PartyStore &store,
                         QWidget *parent)
    : FieldWindow(parent)
    , m_description(description)
    , m_store(&store)
{
    StoreResult<std::unique_ptr<PartyList>> list = PartyList::open(store, description.table);
    if (!list.ok())
        throw AppError(list.error().message());
    m_list = list.take();

    setObjectName(description.objectName.toString());
    setWindowTitle(description.caption.toString());
    resize(description.size);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(u"Splitter1"_s);
    outer->addWidget(splitter);

    auto *top = new QWidget(splitter);
    auto *topColumn = new QVBoxLayout(top);
    auto *topLayout = new QHBoxLayout;
    topColumn->addLayout(topLayout);
    topColumn->addWidget(warningLine());
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
    buildSearchAndGrid(splitter);
    splitter->setStretchFactor(1, 1);

    connect(m_add, &QPushButton::clicked, this, [this] { guarded([this] { addParty(); }); });
    connect(m_delete, &QPushButton::clicked, this, [this] { guarded([this] { deleteParty(); }); });
    connect(namePick(), &QComboBox::activated, this,
            [this](int index) { guarded([&] { chooseParty(index); }); });
    // The name list is filled when it is first used, so that a long book opens at once.
    connect(namePick(), &PickList::aboutToShowPopup, this, [this] { fillNameList(); });
    namePick()->installEventFilter(this);

    // As after a rebuild of the name list: the last row is current.
    useList(std::move(m_list));
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
    followIbans(*this);
    for (const PartyCheck &check : m_description.checks)
        onLeave(control(check.field), [this](QWidget *f) { checkField(f); });
}

QWidget *AddressBook::buildSearchAndGrid(QWidget *parent)
{
    auto *pane = new QWidget(parent);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    m_search = new QLineEdit(pane);
    m_search->setObjectName(u"SearchBox"_s);
    m_search->setPlaceholderText(u"Търсене: име, IBAN, ЕГН, БУЛСТАТ"_s);
    m_search->setClearButtonEnabled(true);
    QStringList searched;
    for (int c : partySearchColumns(m_description.table))
        searched.append(u"„"_s + partyColumns(m_description.table).at(c) + u"“"_s);
    m_search->setToolTip(
        u"Показва само записите, в които написаното се среща в %1, без "
        "значение от малки и главни букви (Ctrl+F; Esc изчиства)."_s.arg(searched.join(u", "_s)));
    m_search->installEventFilter(this);
    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString &text) { guarded([&] { filterRows(text); }); });
    m_freshPoll = new QTimer(this);
    m_freshPoll->setInterval(20);
    connect(m_freshPoll, &QTimer::timeout, this, [this] { takeFreshList(); });
    m_sourcePoll = new QTimer(this);
    m_sourcePoll->setInterval(15);
    connect(m_sourcePoll, &QTimer::timeout, this, [this] {
        if (m_source.valid() &&
            m_source.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        m_sourcePoll->stop();
        guarded([this] { filterRows(m_search->text()); });
    });
    layout->addWidget(m_search);

    auto *find = new QAction(this);
    find->setObjectName(u"FindAction"_s);
    find->setShortcuts(QKeySequence::Find);
    find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QAction::triggered, this, &AddressBook::focusSearch);
    addAction(find);

    auto *grid = new PartyGrid(pane);
    // The keys moved the highlight to a row: it shows, when the fields may take it.
    grid->reached = [this](int row) { guarded([&] { showGridRow(m_model->positionAt(row)); }); };
    m_grid = grid;
    m_grid->setObjectName(u"DBGrid1"_s);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setWordWrap(false);
    // Sizes are set before the rows come: set afterwards, each of 100,000 rows would be
    // resized and told of one by one.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setDefaultSectionSize(140);
    layout->addWidget(m_grid, 1);
    m_grid->viewport()->installEventFilter(this);
    return pane;
}

// Shows `list` in the grid and the name list, its last row current.
void AddressBook::useList(std::unique_ptr<PartyList> list)
{
    PartyGridModel *old = m_model;
    m_model = new PartyGridModel(*list, this);
    m_grid->setModel(m_model);
    delete old;
    // The models hold the list they show: the old list goes after its model.
    m_list = std::move(list);
    connect(m_list.get(), &PartyList::rowsInserted, this, [this] { rowsAdded(); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { updateDeleteButton(); });
    // No party is shown: nothing is deletable until one is chosen.
    m_current = -1;
    m_shownValues.clear();
    rowsChanged();
}

StoreError AddressBook::setStore(PartyStore &store)
{
    StoreResult<std::unique_ptr<PartyList>> list = PartyList::open(store, m_description.table);
    if (!list.ok())
        return list.error();
    // A search text or a fresh list being read belongs to the old book.
    m_sourcePoll->stop();
    if (m_source.valid())
        m_source.wait();
    m_source = {};
    m_freshPoll->stop();
    if (m_fresh.valid())
        m_fresh.wait();
    m_fresh = {};
    m_refreshAgain = false;
    m_removals = m_removalsAtSource = 0;
    m_store = &store;
    {
        const QSignalBlocker quiet(m_search);
        m_search->clear();
    }
    useList(list.take());
    return {};
}

PickList *AddressBook::namePick() const
{
    return static_cast<PickList *>(control(m_description.nameField));
}

QAbstractItemModel *AddressBook::lookupNames()
{
    if (!m_lookup || m_lookupChanges != m_changes) {
        m_lookup = new PartyNameModel(*m_list);
        m_lookupChanges = m_changes;
    }
    return m_lookup;
}

void AddressBook::fillNameList()
{
    m_namesFilled = true;
    namePick()->setItemModel(new PartyNameModel(*m_list));
}

void AddressBook::refreshList()
{
    if (m_fresh.valid()) {
        m_refreshAgain = true;
        return;
    }
    m_refreshAgain = false;
    m_ownChangesAtFresh = m_ownChanges;
    // Read on a thread and a connection of its own, as the search text is: at 100,000
    // rows it takes a good part of a second, which the clerk's typing does not wait for.
    m_fresh =
        readSearchSourceAsync(*m_store, m_description.table, std::numeric_limits<PartyKey>::max());
    m_freshPoll->start();
}

void AddressBook::takeFreshList()
{
    if (!m_fresh.valid()) {
        m_freshPoll->stop();
        return;
    }
    if (m_fresh.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    m_freshPoll->stop();
    StoreResult<SearchSource> fresh = m_fresh.get();
    // Read while this window added or deleted, or told of another change meanwhile: it
    // may lack those, so it is read again.
    if (m_ownChanges != m_ownChangesAtFresh || m_refreshAgain) {
        refreshList();
        return;
    }
    // A book busy or out of reach keeps the list as it is and is read again, less often
    // the longer it lasts: the change it told of must not wait for the next one.
    if (!fresh.ok()) {
        const int delay = std::min(500 << std::min(m_refreshFailures++, 6), 30000);
        QTimer::singleShot(delay, this, [this] {
            if (!m_fresh.valid())
                refreshList();
        });
        return;
    }
    m_refreshFailures = 0;

    const PartyKey current = m_current >= 0 ? m_list->keyAt(m_current) : 0;
    const QModelIndex top = m_grid->indexAt(QPoint(1, 1));
    const PartyKey topKey = top.isValid() ? m_list->keyAt(m_model->positionAt(top.row())) : 0;
    m_list->replaceWith(fresh.take());
    m_current = current > 0 ? m_list->positionOf(current) : -1;
    // A party deleted by another copy stays in the fields, as a party the book lacks.
    if (m_current < 0)
        m_shownValues.clear();
    if (!m_search->text().trimmed().isEmpty()) {
        StoreResult<std::vector<int>> found = m_list->search(m_search->text());
        m_model->setFilter(found.ok() ? found.take() : std::vector<int>{});
    } else if (m_model->filtered()) {
        m_model->setFilter(std::nullopt);
    }
    if (const int row = m_model->rowOf(topKey > 0 ? m_list->positionOf(topKey) : -1); row >= 0)
        m_grid->scrollTo(m_model->index(row, 0), QAbstractItemView::PositionAtTop);
    ++m_changes;
    if (m_namesFilled)
        fillNameList();
    showCurrentRow();
    // A change committed while the list was read is read again at once when the count
    // says the list missed it, rather than waiting for the next change.
    if (const StoreResult<BookSummary> now = m_store->summary(m_description.table);
        now.ok() && now->count != m_list->count())
        refreshList();
}

void AddressBook::rowsAdded()
{
    // The window's own add: the new last row is current and shows in the fields.
    m_current = m_list->count() - 1;
    m_shownValues = partyValues();
    ++m_ownChanges;
    rowsChanged();
}

void AddressBook::rowsChanged()
{
    ++m_changes;
    if (m_namesFilled)
        fillNameList();
    showCurrentRow();
}

void AddressBook::showCurrentRow()
{
    const int row = m_model->rowOf(m_current);
    if (row < 0) {
        m_grid->selectionModel()->clear();
    } else {
        m_grid->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                                  QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
    }
    updateDeleteButton();
}

void AddressBook::updateDeleteButton()
{
    // Only the party the fields show, and only while its row shows: a search never hides
    // what delete would take.
    m_delete->setEnabled(m_current >= 0 && m_model->rowOf(m_current) >= 0 &&
                         !m_list->isGone(m_current));
}

void AddressBook::tell(const StoreError &error)
{
    switch (error.kind()) {
    case StoreError::Kind::Gone:
    case StoreError::Kind::ReadOnly:
        showMessage(this, error.message());
        break;
    default:
        showErrorBox(error.message());
    }
}

bool AddressBook::loadPosition(int position)
{
    QStringList values;
    if (m_list->isEmpty()) {
        // An empty table loads as a row of empty values.
        values = QStringList(partyColumns(m_description.table).size(), QString());
    } else {
        position = std::clamp(position, 0, m_list->count() - 1);
        StoreResult<PartyRow> row = m_list->load(position);
        if (!row.ok()) {
            tell(row.error());
            return false;
        }
        values = row->values;
        m_current = position;
    }
    std::vector<const PartyFieldDef *> order;
    for (const PartyFieldDef &def : m_description.fields)
        order.push_back(&def);
    std::sort(order.begin(), order.end(),
              [](const auto *a, const auto *b) { return a->load < b->load; });
    for (const PartyFieldDef *def : order) {
        QWidget *w = control(def->name);
        const QString value = values.value(def->column - 1);
        if (def->kind == FieldKind::Check)
            setFieldChecked(w, value == kYes);
        else
            formelan::setFieldText(w, value);
    }
    // What was stored wrong shows at once, not only when the field is next left.
    checkAllFields();
    // As the fields show it: an IBAN stored in small letters shows in capitals.
    m_shownValues = partyValues();
    showCurrentRow();
    return true;
}

bool AddressBook::loadRow(int position)
{
    return loadPosition(position);
}

void AddressBook::addParty()
{
    if (m_gate && !m_gate())
        return;
    // A party is kept for every later document: one with a wrong identifier or a bank
    // that is not its IBAN's is stored only when the clerk says so.
    checkAllFields();
    if (const QStringList wrong = warnings(); !wrong.isEmpty()) {
        const QString text =
            u"Записът съдържа грешки:\n• %1\n\nДа бъде ли добавен въпреки това?"_s.arg(
                wrong.join(u"\n• "_s));
        if (dialogs().message(this, QMessageBox::Question, u"Внимание!"_s, text,
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    StoreResult<int> added = m_list->append(partyValues());
    if (!added.ok())
        tell(added.error());
}

void AddressBook::deleteParty()
{
    if (m_current < 0 || m_model->rowOf(m_current) < 0)
        return;
    if (m_gate && !m_gate())
        return;
    if (m_current < 0 || m_model->rowOf(m_current) < 0)
        return;
    if (m_store->isReadOnly()) {
        showMessage(this, m_store->readOnlyReason());
        return;
    }
    // The party is named as the book holds it: what delete takes, whatever the fields
    // were changed to since.
    QString who = m_list->nameAt(m_current);
    if (const PartyRow *row = m_list->rowAt(m_current)) {
        const QString iban = row->values.value(partyIbanColumn(m_description.table));
        if (!iban.isEmpty())
            who += u", IBAN "_s + iban;
    }
    const auto answer =
        dialogs().message(this, QMessageBox::NoIcon, u"Внимание!"_s,
                          u"Желаете ли избрания запис да бъде изтрит?\n\n„%1“"_s.arg(who),
                          QMessageBox::Ok | QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;
    const int count = m_list->count();
    const StoreError error = m_list->removeAt(m_current);
    if (m_list->count() < count) {
        ++m_removals;
        ++m_ownChanges;
        // The fields keep what they showed, for an add to bring it back; no row is
        // shown, so a second delete cannot take a party the clerk has not seen.
        m_current = -1;
        m_shownValues.clear();
        rowsChanged();
    }
    // A row that another program deleted first has left the list all the same.
    if (error)
        tell(error);
}

QStringList AddressBook::partyValues() const
{
    QStringList values(qsizetype(m_description.fields.size()));
    for (const PartyFieldDef &def : m_description.fields)
        values[def.column - 1] = fieldText(def.name);
    return values;
}

bool AddressBook::mayReplaceFields(int position)
{
    const QStringList now = partyValues();
    if (now == m_shownValues)
        return true;
    bool empty = true;
    for (const PartyFieldDef &def : m_description.fields)
        empty = empty && (def.kind == FieldKind::Check || now[def.column - 1].isEmpty());
    if (empty)
        return true;
    // The fields are the document's party: what was typed there is not lost unseen.
    const QString typed = now[partyNameColumn(m_description.table)];
    const QString text =
        u"Данните в полетата%1 не са заредени от адресната книга или са променени след това. В "
        "документа те ще бъдат заменени с тези на „%2“.\n\nДа бъдат ли заменени?"_s.arg(
            typed.isEmpty() ? QString() : u" („%1“)"_s.arg(typed), m_list->nameAt(position));
    return dialogs().message(this, QMessageBox::Question, u"Внимание!"_s, text,
                             QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void AddressBook::showGridRow(int position)
{
    if (position < 0 || position >= m_list->count() || m_model->rowOf(position) < 0)
        return;
    if (position == m_current && partyValues() == m_shownValues)
        return;
    if (!mayReplaceFields(position) || !loadPosition(position)) {
        showCurrentRow(); // the highlight goes back to the party the fields show
        return;
    }
    Q_EMIT partyShown(m_description.nameField.toString(), formelan::fieldText(namePick()));
}

void AddressBook::chooseParty(int index)
{
    if (loadPosition(index))
        Q_EMIT partyShown(m_description.nameField.toString(), formelan::fieldText(namePick()));
    else
        namePick()->revertChoice();
}

void AddressBook::startSearchSource()
{
    if (m_list->searchPrepared() || m_source.valid())
        return;
    m_removalsAtSource = m_removals;
    m_source = readSearchSourceAsync(*m_store, m_description.table, m_list->snapshotKey());
}

void AddressBook::takeSearchSource()
{
    if (!m_source.valid())
        return;
    StoreResult<SearchSource> source = m_source.get();
    // Read while this window deleted rows, it may hold them; search reads afresh then.
    if (source.ok() && m_removals == m_removalsAtSource && !m_list->searchPrepared())
        m_list->useSearchSource(source.take());
}

bool AddressBook::searchPending() const
{
    return m_sourcePoll->isActive();
}

void AddressBook::filterRows(const QString &text)
{
    const bool searching = !text.trimmed().isEmpty();
    if (searching)
        startSearchSource();
    if (m_source.valid() &&
        m_source.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        // Typing goes on; the rows follow when the search text is read. An empty box needs
        // no search text.
        if (searching) {
            m_sourcePoll->start();
            return;
        }
        m_sourcePoll->stop();
        applyFilter(text);
        return;
    }
    m_sourcePoll->stop();
    takeSearchSource();
    applyFilter(text);
}

void AddressBook::applyFilter(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        if (m_model->filtered())
            m_model->setFilter(std::nullopt);
    } else {
        StoreResult<std::vector<int>> found = m_list->search(text);
        if (!found.ok()) {
            tell(found.error());
            return;
        }
        m_model->setFilter(found.take());
    }
    showCurrentRow();
    if (m_model->rowOf(m_current) < 0 && m_model->rowCount({}) > 0)
        m_grid->scrollToTop();
}

void AddressBook::focusSearch()
{
    m_search->setFocus(Qt::ShortcutFocusReason);
    m_search->selectAll();
}

bool AddressBook::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_search) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::Enter) {
            // About a third of a second at 100,000 rows, read while the user moves to the
            // box and starts typing.
            startSearchSource();
        } else if (event->type() == QEvent::KeyPress &&
                   static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
                   !m_search->text().isEmpty()) {
            m_search->clear();
            return true;
        }
    } else if (watched == namePick()) {
        // The arrow keys and the wheel choose from the closed list: it needs its items.
        // Other keys edit the text, which filling the list would disturb.
        if (!m_namesFilled && (event->type() == QEvent::Wheel ||
                               (event->type() == QEvent::KeyPress &&
                                choosesFromClosedList(*static_cast<QKeyEvent *>(event)))))
            fillNameList();
    } else if (event->type() == QEvent::MouseButtonRelease && watched == m_grid->viewport()) {
        // A row clicked: it shows, when the fields may take it. Beside the rows, nothing.
        const QModelIndex at =
            m_grid->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        if (at.isValid())
            guarded([&] { showGridRow(m_model->positionAt(at.row())); });
    }
    return FieldWindow::eventFilter(watched, event);
}

void AddressBook::checkField(QWidget *field)
{
    // Shown at the field, not in a box that would take the keys typed next; an empty
    // field is not wrong, only not filled.
    for (const PartyCheck &check : m_description.checks) {
        if (field->objectName() != check.field)
            continue;
        const QString value = formelan::fieldText(field);
        setWarning(field, kLeaveCheck,
                   value.isEmpty() || check.check(value) ? QString() : check.message.toString());
    }
    fillBankFromIban(*this, field->objectName());
}

void AddressBook::checkAllFields()
{
    for (const PartyCheck &check : m_description.checks)
        checkField(control(check.field));
}

QString AddressBook::fieldLabel(const QWidget *field) const
{
    for (const PartyFieldDef &def : m_description.fields) {
        if (def.name == field->objectName())
            return def.label.toString();
    }
    return FieldWindow::fieldLabel(field);
}

} // namespace formelan
