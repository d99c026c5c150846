#include "form/documentwindow.h"

#include "form/euro.h"
#include "form/fieldset.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <map>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// The measures the windows are designed for: an 8-point sans font, in which this
// label is 187 pixels wide.
constexpr QStringView kSampleText = u"Платете на - име на получателя";
constexpr double kSampleWidth = 187.0;
constexpr int kMargin = 4;
constexpr int kRowGap = 0;
constexpr int kBlockGap = 8;
constexpr int kPanelGap = 4;

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
    m_scroll->setWidgetResizable(false);
    // The fields are the stops of the tab chain, not the area around them.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    outer->addWidget(m_scroll);
    // A field reached by Tab, a click or a finding comes wholly into sight, a memo
    // included, with its label; after the focus has settled, as the window may still
    // be laying out.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (!now || !m_content || !m_content->isAncestorOf(now))
            return;
        QTimer::singleShot(0, this, [this, field = QPointer<QWidget>(now)] {
            if (field && field->hasFocus())
                m_scroll->ensureWidgetVisible(field, kMargin,
                                              kMargin + field->fontMetrics().height());
        });
    });
    // What is wrong with the fields, under them where the eyes are, not in a box that
    // would take the keys typed next.
    warningLine()->setContentsMargins(kMargin, 2, kMargin, 2);
    outer->addWidget(warningLine());

    m_content = new QWidget;
    for (int i = 0; i <= 4; ++i) {
        auto *frame = new QFrame(m_content);
        frame->setObjectName(i == 0 ? u"MainColumn"_s : u"Panel"_s + QString::number(i));
        if (i > 0) {
            frame->setFrameShape(QFrame::StyledPanel);
            frame->hide();
        }
        m_panels.at(size_t(i)) = frame;
    }

    for (const FreeLabel &free : documentFreeLabels()) {
        auto *label =
            makeLabel(free.name.toString(), free.text, m_panels.at(size_t(free.place.panel)));
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        m_placed.push_back({label, &free.place, true, true});
    }

    // Create in control order, then chain in tab order.
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
        m_placed.push_back({w, &def.place, false});
        if (def.kind != FieldKind::Check && !def.label.isEmpty()) {
            QLabel *label = makeLabel(u"Label_"_s + def.name, def.label, parent);
            label->setBuddy(w);
            label->setWordWrap(def.place.labelLines > 1);
            label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
            m_placed.push_back({label, &def.place, true});
        }
        byTab.emplace_back(&def, w);
    }
    std::sort(byTab.begin(), byTab.end(),
              [](const auto &a, const auto &b) { return a.first->tab < b.first->tab; });
    QWidget *previous = nullptr;
    for (const auto &[def, w] : byTab) {
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    for (QStringView name : {u"rec_bic1", u"dep_bic1"})
        addBankCodeField(control(name));

    m_scroll->setWidget(m_content);
    attachChecks();
    relayout();
}

void DocumentWindow::changeEvent(QEvent *event)
{
    FieldWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        relayout();
}

void DocumentWindow::resizeEvent(QResizeEvent *event)
{
    FieldWindow::resizeEvent(event);
    relayout();
}

// Places every control from the field table. Rows are as tall as the font needs; the
// table's horizontal measures grow with the font's width. A wider or taller font makes
// the whole window larger (and scroll); nothing is cut.
void DocumentWindow::relayout()
{
    const QFontMetrics fm(font());
    const double sx = std::max(
        1.0, QFontMetricsF(font()).horizontalAdvance(kSampleText.toString()) / kSampleWidth);
    const auto scaled = [sx](int v) { return int(std::lround(v * sx)); };
    // Both edges scaled, not the width: fields that end together in the table still end
    // together at any font.
    const auto width = [&scaled](const FieldPlace &at) {
        return scaled(at.x + at.w) - scaled(at.x);
    };
    const int labelH = fm.height();
    // Every single-line control is as tall as a line edit needs: the lists and dates
    // draw well at that height. Only those two kinds are asked: a date's size hint
    // measures its longest date, and the window is laid out at every resize.
    int fieldH = 0;
    int checkH = 0;
    for (const Placed &p : m_placed) {
        if (p.label)
            continue;
        if (qobject_cast<QCheckBox *>(p.widget))
            checkH = std::max(checkH, p.widget->sizeHint().height());
        else if (qobject_cast<FieldEdit *>(p.widget))
            fieldH = std::max(fieldH, p.widget->sizeHint().height());
    }
    const auto memoHeight = [&](const QWidget *w, int lines) {
        const auto *memo = static_cast<const MemoField *>(w);
        return lines * fm.lineSpacing() + 2 * memo->frameWidth() +
               2 * int(memo->document()->documentMargin());
    };

    // Row heights and tops, area by area.
    std::array<std::map<int, int>, 5> rowHeight;
    std::array<std::map<int, int>, 5> rowLabelLines;
    for (const Placed &p : m_placed) {
        const FieldPlace &at = *p.place;
        int h = 0;
        if (p.freeStanding)
            continue;
        if (p.label)
            continue;
        if (qobject_cast<QCheckBox *>(p.widget))
            h = at.labelLines * labelH + checkH;
        else if (qobject_cast<MemoField *>(p.widget))
            h = at.labelLines * labelH + memoHeight(p.widget, at.textLines);
        else
            h = at.labelLines * labelH + fieldH;
        int &row = rowHeight.at(size_t(at.panel))[at.row];
        row = std::max(row, h);
        int &lines = rowLabelLines.at(size_t(at.panel))[at.row];
        lines = std::max(lines, at.labelLines);
    }
    std::array<std::map<int, int>, 5> rowTop;
    std::array<QSize, 5> areaSize;
    for (size_t panel = 0; panel < 5; ++panel) {
        int y = kMargin;
        for (const auto &[row, h] : rowHeight[panel]) {
            if (panel == 4 && row > 0 && row % 5 == 0)
                y += kBlockGap;
            rowTop[panel][row] = y;
            y += h + kRowGap;
        }
        areaSize[panel].setHeight(y - kRowGap + kMargin);
    }

    // Where a label may run to: the next labelled control of its row, or the area's edge.
    std::array<int, 5> right{};
    for (const Placed &p : m_placed)
        right.at(size_t(p.place->panel)) =
            std::max(right.at(size_t(p.place->panel)), scaled(p.place->x + p.place->w));
    for (size_t panel = 0; panel < 5; ++panel)
        areaSize[panel].setWidth(right[panel] + kMargin + 2);
    const auto labelEnd = [&](const FieldPlace &at) {
        int end = areaSize.at(size_t(at.panel)).width() - kMargin;
        for (const Placed &q : m_placed) {
            const FieldPlace &o = *q.place;
            if (q.label && o.panel == at.panel && o.row == at.row && o.x > at.x)
                end = std::min(end, scaled(o.x) - 2);
        }
        return end;
    };

    // The memo of the consent's conditions takes what height the window has to spare.
    int memoExtra = 0;
    if (m_panels[3]->isVisibleTo(this) && m_scroll->viewport()) {
        const int need = areaSize[0].height() + kPanelGap + areaSize[3].height();
        memoExtra = std::max(0, m_scroll->viewport()->height() - need);
        areaSize[3].rheight() += memoExtra;
    }

    for (const Placed &p : m_placed) {
        const FieldPlace &at = *p.place;
        const int top = rowTop.at(size_t(at.panel))[at.row];
        const int rowH = rowHeight.at(size_t(at.panel))[at.row];
        const int labelLines = rowLabelLines.at(size_t(at.panel))[at.row];
        if (p.freeStanding) {
            // Beside the fields of its row, over the height of a label and a field.
            p.widget->setGeometry(scaled(at.x), top, width(at), rowH);
        } else if (p.label) {
            const int lines = at.labelLines;
            const int y = top + (labelLines - lines) * labelH;
            p.widget->setGeometry(scaled(at.x), y, labelEnd(at) - scaled(at.x), lines * labelH);
        } else {
            const int y = top + (at.labelLines == 0 ? 0 : labelLines * labelH);
            int h = fieldH;
            if (qobject_cast<QCheckBox *>(p.widget))
                h = checkH;
            else if (qobject_cast<MemoField *>(p.widget))
                h = memoHeight(p.widget, at.textLines) + (at.panel == 3 ? memoExtra : 0);
            p.widget->setGeometry(scaled(at.x), y, width(at), h);
        }
    }

    // The main column at the top left, panels 1 and 3 under it, 2 and 4 to its right.
    m_panels[0]->setGeometry(QRect(QPoint(0, 0), areaSize[0]));
    const int below = areaSize[0].height() + kPanelGap;
    const int beside = areaSize[0].width() + kPanelGap;
    m_panels[1]->setGeometry(QRect(QPoint(0, below), areaSize[1]));
    m_panels[3]->setGeometry(QRect(QPoint(0, below), areaSize[3]));
    m_panels[2]->setGeometry(QRect(QPoint(beside, 0), areaSize[2]));
    m_panels[4]->setGeometry(QRect(QPoint(beside, 0), areaSize[4]));
    QRect extent;
    for (QFrame *panel : m_panels) {
        if (panel->isVisibleTo(this))
            extent |= panel->geometry();
    }
    m_content->resize(extent.size().expandedTo(QSize(1, 1)));
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
    relayout();
    return kind->size;
}

QSize DocumentWindow::contentSize() const
{
    return m_content->size();
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
    // The words are judged once the whole document is in, not field by field.
    {
        QScopedValueRollback loading(m_loading, true);
        const auto defs = documentFields();
        for (size_t k = 0; k < defs.size(); ++k) {
            const FieldDef &def = defs[k];
            const FormEntry &entry = content.entries.at(k);
            QWidget *w = control(def.name);
            switch (def.kind) {
            case FieldKind::Date:
                // Only the day is taken; the field keeps its time of day. A date the
                // content lacks is not given: an earlier document's would print.
                static_cast<QDateTimeEdit *>(w)->setDate(entry.present ? entry.dateTime.date()
                                                                       : noDate());
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
    const QString words = text(u"with_words");
    // Words that match the amount read as the program's: they follow it from now on.
    // No words stay none, as in a new document, until the user asks for them.
    if (!words.isEmpty() && holdsWordsOf(words, text(u"sum"), text(u"dr"), text(u"vid")))
        m_programWords = words;
    else
        m_programWords.reset();
    checkWords(true);
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
