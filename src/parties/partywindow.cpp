#include "parties/partywindow.h"

#include "app/windows.h"
#include "form/mainview.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace formelan {

using namespace Qt::StringLiterals;

PartyWindow::PartyWindow(const QString &name, const QString &caption,
                         std::span<const PartyFieldDef> defs, QWidget *parent)
    : FieldWindow(parent)
    , m_defs(defs) {
    setObjectName(name);
    setWindowTitle(caption);
    auto *outer = new QVBoxLayout(this);
    m_grid = new QGridLayout;
    m_grid->setHorizontalSpacing(10);
    m_grid->setVerticalSpacing(4);
    outer->addLayout(m_grid);
    outer->addStretch(1);

    QWidget *previous = nullptr;
    for (const PartyFieldDef &def : defs) {
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
        m_grid->addLayout(cell, def.gridRow, def.gridCol);
        addField(w);
        if (previous)
            setTabOrder(previous, w);
        previous = w;
        onChange(w, [this](QWidget *field) { passOn(field); });
    }
}

void PartyWindow::passOn(QWidget *field) {
    if (!MainView)
        return;
    if (QWidget *target = MainView->control(field->objectName()))
        copyFieldValue(field, target);
}

} // namespace formelan
