#include "form/documentwindow.h"

#include "form/fieldset.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>

#include <algorithm>
#include <map>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// One cell of an area's grid: labelled groups of fields side by side.
struct Cell {
    QHBoxLayout *row = nullptr;
    QHBoxLayout *group = nullptr; // fields under the last label
};

QLabel *makeLabel(const QString &name, QStringView text, QWidget *parent)
{
    auto *label = new QLabel(text.toString(), parent);
    label->setObjectName(name);
    return label;
}

} // namespace

DocumentWindow::DocumentWindow(QWidget *parent)
    : FieldWindow(parent)
{
    setObjectName(u"MainView"_s);
    setWindowTitle(u"Главен изглед"_s);
    build();
}

DocumentWindow::~DocumentWindow() = default;

void DocumentWindow::build()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    outer->addWidget(m_scroll);

    m_content = new QWidget;
    auto *columns = new QHBoxLayout(m_content);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->setSpacing(10);
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    left->setSpacing(6);
    right->setSpacing(6);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    for (int i = 0; i <= 4; ++i) {
        auto *frame = new QFrame(m_content);
        frame->setObjectName(i == 0 ? u"MainColumn"_s : u"Panel"_s + QString::number(i));
        if (i > 0) {
            frame->setFrameShape(QFrame::StyledPanel);
            frame->hide();
        }
        auto *v = new QVBoxLayout(frame);
        v->setContentsMargins(i == 0 ? 0 : 6, i == 0 ? 0 : 6, i == 0 ? 0 : 6, i == 0 ? 0 : 6);
        v->setSpacing(10);
        m_panels.at(size_t(i)) = frame;
    }
    left->addWidget(m_panels[0]);
    left->addWidget(m_panels[1]);
    left->addWidget(m_panels[3]);
    left->addStretch(1);
    right->addWidget(m_panels[2]);
    right->addWidget(m_panels[4]);
    right->addStretch(1);

    // Panel 4 stacks four blocks of five rows; every other area is one grid.
    std::map<std::pair<int, int>, QGridLayout *> grids;
    auto gridFor = [&](const FieldPlace &p) {
        const int sub = p.panel == 4 ? p.row / 5 : 0;
        auto &grid = grids[{p.panel, sub}];
        if (!grid) {
            grid = new QGridLayout;
            grid->setHorizontalSpacing(8);
            grid->setVerticalSpacing(4);
            grid->setColumnStretch(0, 1);
            grid->setColumnStretch(1, 1);
            static_cast<QVBoxLayout *>(m_panels.at(size_t(p.panel))->layout())->addLayout(grid);
        }
        return grid;
    };
    std::map<std::tuple<int, int, int>, Cell> cells;
    auto cellFor = [&](const FieldPlace &p) -> Cell & {
        Cell &cell = cells[{p.panel, p.row, p.col}];
        if (!cell.row) {
            cell.row = new QHBoxLayout;
            cell.row->setSpacing(6);
            const int row = p.panel == 4 ? p.row % 5 : p.row;
            gridFor(p)->addLayout(cell.row, row, p.col, 1, p.span);
        }
        return cell;
    };
    auto startGroup = [&](Cell &cell, QLabel *label, int stretch) {
        auto *group = new QVBoxLayout;
        group->setSpacing(1);
        if (label)
            group->addWidget(label);
        cell.group = new QHBoxLayout;
        cell.group->setSpacing(4);
        group->addLayout(cell.group);
        cell.row->addLayout(group, stretch);
    };

    for (const FreeLabel &free : documentFreeLabels()) {
        Cell &cell = cellFor(free.place);
        QWidget *parent = m_panels.at(size_t(free.place.panel));
        auto *label = makeLabel(free.name.toString(), free.text, parent);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        // Two lines: at least half the text per line.
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) / 2 + 8);
        cell.row->addWidget(label, free.place.width);
    }

    // Create in control order, then lay out and chain in tab order.
    const auto defs = documentFields();
    std::vector<std::pair<const FieldDef *, QWidget *>> byTab;
    for (const FieldDef &def : defs) {
        QWidget *parent = m_panels.at(size_t(def.place.panel));
        QWidget *w = createField(def.kind, def.max, itemsOf(def.items), parent);
        w->setObjectName(def.name.toString());
        switch (def.kind) {
        case FieldKind::Check:
            static_cast<QCheckBox *>(w)->setText(def.label.toString());
            setFieldChecked(w, def.initial == kYes);
            break;
        case FieldKind::Date:
            break;
        default:
            formelan::setFieldText(w, def.initial.toString());
        }
        addField(w);
        byTab.emplace_back(&def, w);
    }
    std::sort(byTab.begin(), byTab.end(),
              [](const auto &a, const auto &b) { return a.first->tab < b.first->tab; });
    QWidget *previous = nullptr;
    for (const auto &[def, w] : byTab) {
        Cell &cell = cellFor(def->place);
        if (def->kind == FieldKind::Check) {
            startGroup(cell, nullptr, def->place.width);
        } else if (!def->label.isEmpty() || !cell.group) {
            QLabel *label = nullptr;
            if (!def->label.isEmpty()) {
                label = makeLabel(u"Label_"_s + def->name, def->label,
                                  m_panels.at(size_t(def->place.panel)));
                label->setBuddy(w);
                label->setWordWrap(def->label.size() > 40 && def->place.span == 1);
            }
            startGroup(cell, label, def->place.width);
        }
        cell.group->addWidget(w, def->place.width);
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    for (QStringView name : {u"rec_bic1", u"dep_bic1"})
        addBankCodeField(control(name));

    m_scroll->setWidget(m_content);
    attachChecks();
}

std::optional<QSize> DocumentWindow::arrangeForKind()
{
    for (int i = 1; i <= 4; ++i)
        m_panels.at(size_t(i))->hide();
    const DocumentKind *kind = findKind(windowTitle());
    if (!kind)
        return std::nullopt;
    if (kind->panel > 0)
        m_panels.at(size_t(kind->panel))->show();
    return kind->size;
}

QSize DocumentWindow::contentSize() const
{
    m_content->layout()->activate();
    return m_content->sizeHint();
}

FormContent DocumentWindow::content() const
{
    FormContent content;
    for (const FieldDef &def : documentFields()) {
        const QWidget *w = control(def.name);
        FormEntry entry;
        switch (def.kind) {
        case FieldKind::Date:
            entry.dateTime = static_cast<const QDateTimeEdit *>(w)->dateTime();
            break;
        case FieldKind::Check:
            entry.checked = fieldChecked(w);
            break;
        default:
            entry.text = formelan::fieldText(w);
        }
        content.entries.push_back(entry);
    }
    content.kind = kind();
    return content;
}

void DocumentWindow::setContent(const FormContent &content)
{
    const auto defs = documentFields();
    for (size_t k = 0; k < defs.size(); ++k) {
        const FieldDef &def = defs[k];
        const FormEntry &entry = content.entries.at(k);
        QWidget *w = control(def.name);
        switch (def.kind) {
        case FieldKind::Date:
            // Only the day is taken; the field keeps its time of day.
            if (entry.present)
                static_cast<QDateTimeEdit *>(w)->setDate(entry.dateTime.date());
            break;
        case FieldKind::Check:
            setFieldChecked(w, entry.present ? entry.checked : def.initial == kYes);
            break;
        default:
            formelan::setFieldText(w, entry.present ? entry.text : def.initial.toString());
        }
    }
    setWindowTitle(content.kind);
}

void DocumentWindow::setPartyNames(const QString &field, const QStringList &names)
{
    if (auto *list = qobject_cast<PickList *>(control(field)))
        list->setItems(names);
}

void DocumentWindow::setPartyNames(const QString &field, QAbstractItemModel *names)
{
    if (auto *list = qobject_cast<PickList *>(control(field)))
        list->setItemModel(names);
    else
        delete names;
}

void DocumentWindow::revertPartyChoice(const QString &field)
{
    if (auto *list = qobject_cast<PickList *>(control(field)))
        list->revertChoice();
}

} // namespace formelan
