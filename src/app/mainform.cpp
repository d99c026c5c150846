#include "app/mainform.h"

#include "app/dialogs.h"
#include "app/errors.h"
#include "app/paths.h"
#include "app/windows.h"
#include "documents/formfile.h"
#include "documents/wordengine.h"
#include "documents/wordoutput.h"
#include "form/kinds.h"
#include "form/mainview.h"
#include "parties/ddata.h"
#include "parties/partydb.h"
#include "parties/rdata.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <array>

// The icons live in the core library, which is static: register them explicitly.
static void initResources()
{
    Q_INIT_RESOURCE(formelan);
}

namespace formelan {

using namespace Qt::StringLiterals;

TMainForm *MainForm = nullptr;

namespace {

struct ReferenceDoc {
    QStringView item;
    QStringView caption;
    QStringView file;
};

// clang-format off
constexpr std::array<ReferenceDoc, 7> kReferences{{
    {u"N21", u"Указания за попълване на платежни документи",         u"Ukazanie_03-2006.pdf"},
    {u"N15", u"Наредба 3 за паричните преводи и платежните системи", u"Naredba03.pdf"},
    {u"N22", u"Банкови кодове на търговските банки",                 u"allcodes.xls"},
    {u"N23", u"Банкови сметки на НАП",                               u"napbic.xls"},
    {u"N24", u"Кодове за вид плащане на НАП",                        u"napcodes.xls"},
    {u"Z1",  u"Банкови сметки на държавни ведомства и НОИ",          u"noicodes.xls"},
    {u"N26", u"Параграфи на НОИ",                                    u"noipar.xls"},
}};
// clang-format on

const QString kRecipientsItem = u"Данни за получатели"_s;
const QString kPayersItem = u"Данни за задължени лица"_s;

} // namespace

void ChildWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    showMinimized();
}

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent)
    , m_database(std::make_unique<PartyDatabase>(PartyDatabase::defaultPath()))
{
    // The address books' rows are read while the windows are built.
    m_database->prefetch();
    initResources();
    MainForm = this;
    setObjectName(u"MainForm"_s);
    setWindowTitle(u"Formelan 2.5"_s);
    setGeometry(40, 94, 900, 700);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(u"MdiArea"_s);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    buildCommands();
}

TMainForm::~TMainForm()
{
    // The windows' result sets go before the connection they read through.
    delete m_mdi;
    m_mdi = nullptr;
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::buildCommands()
{
    auto *toolBar1 = new QToolBar(u"Меню"_s, this);
    toolBar1->setObjectName(u"ToolBar1"_s);
    toolBar1->setMovable(false);
    toolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, toolBar1);
    addToolBarBreak(Qt::TopToolBarArea);
    auto *toolBar2 = new QToolBar(u"Команди"_s, this);
    toolBar2->setObjectName(u"ToolBar2"_s);
    toolBar2->setMovable(false);
    toolBar2->setIconSize(QSize(48, 48));
    toolBar2->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, toolBar2);

    auto menu = [&](const QString &name, const QString &button, const QString &caption) {
        auto *m = new QMenu(caption, this);
        m->setObjectName(name);
        auto *b = new QToolButton(toolBar1);
        b->setObjectName(button);
        b->setText(caption);
        b->setMenu(m);
        b->setPopupMode(QToolButton::InstantPopup);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setFocusPolicy(Qt::NoFocus);
        toolBar1->addWidget(b);
        return m;
    };
    auto item = [&](QMenu *m, const QString &name, const QString &caption, auto &&run) {
        QAction *a = m->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [run, a] { guarded([&] { run(a); }); });
        return a;
    };
    auto plain = [](void (TMainForm::*handler)(), TMainForm *self) {
        return [handler, self](QAction *) { (self->*handler)(); };
    };

    QMenu *blanks = menu(u"blanks"_s, u"ToolButton1"_s, u"Формуляри"_s);
    QMenu *data = menu(u"data"_s, u"ToolButton2"_s, u"Данни"_s);
    QMenu *processing = menu(u"processing"_s, u"ToolButton4"_s, u"Обработване"_s);
    QMenu *windows = menu(u"Windows"_s, u"ToolButton11"_s, u"Прозорци"_s);
    QMenu *help = menu(u"help"_s, u"ToolButton3"_s, u"Помощ"_s);

    QMenu *kinds = blanks->addMenu(u"Нов формуляр"_s);
    kinds->setObjectName(u"N10Menu"_s);
    kinds->menuAction()->setObjectName(u"N10"_s);
    for (const DocumentKind &kind : documentKinds()) {
        QAction *a = item(kinds, kind.item.toString(), kind.name.toString(),
                          [this](QAction *a) { WQ1Click(a); });
        a->setCheckable(true);
    }
    item(blanks, u"N11"_s, u"Отваряне"_s, plain(&TMainForm::ToolButton5Click, this));
    item(blanks, u"N12"_s, u"Записване"_s, plain(&TMainForm::ToolButton6Click, this));
    item(blanks, u"N14"_s, u"Изход"_s, plain(&TMainForm::N14Click, this));

    item(data, u"N8"_s, kRecipientsItem, [this](QAction *a) { N8Click(a); })->setCheckable(true);
    item(data, u"Dan1"_s, kPayersItem, [this](QAction *a) { N8Click(a); })->setCheckable(true);

    item(processing, u"N16"_s, u"Изрязване"_s, plain(&TMainForm::ToolButton7Click, this));
    item(processing, u"N17"_s, u"Копиране"_s, plain(&TMainForm::ToolButton8Click, this));
    item(processing, u"N18"_s, u"Поставяне"_s, plain(&TMainForm::ToolButton9Click, this));
    // The menu item runs the same command as the toolbar button.
    item(processing, u"Word1"_s, u"Изпращане към Word"_s,
         plain(&TMainForm::ToolButton12Click, this));

    item(windows, u"N9"_s, u"Каскадно"_s, plain(&TMainForm::N9Click, this));
    item(windows, u"N13"_s, u"Вертикално"_s, plain(&TMainForm::N13Click, this));
    item(windows, u"N19"_s, u"Хоризонтално"_s, plain(&TMainForm::N19Click, this));
    item(windows, u"N20"_s, u"Минимизиране"_s, plain(&TMainForm::N20Click, this));

    for (const ReferenceDoc &doc : kReferences) {
        const QString file = doc.file.toString();
        item(help, doc.item.toString(), doc.caption.toString(),
             [this, file](QAction *) { openReference(file); });
    }
    item(help, u"N25"_s, u"За продукта"_s, plain(&TMainForm::N25Click, this));

    struct Button {
        QStringView name;
        QStringView hint;
        QStringView icon;
        void (TMainForm::*handler)();
    };
    // clang-format off
    const std::array<Button, 7> buttons{{
        {u"ToolButton5",  u"Отваряне на формуляр",                        u"open",  &TMainForm::ToolButton5Click},
        {u"ToolButton6",  u"Записване на формуляр",                       u"save",  &TMainForm::ToolButton6Click},
        {u"ToolButton7",  u"Изрязване",                                   u"cut",   &TMainForm::ToolButton7Click},
        {u"ToolButton8",  u"Копиране",                                    u"copy",  &TMainForm::ToolButton8Click},
        {u"ToolButton9",  u"Поставяне",                                   u"paste", &TMainForm::ToolButton9Click},
        {u"ToolButton10", u"Изчистване на полетата в активния прозорец", u"clear", &TMainForm::ToolButton10Click},
        {u"ToolButton12", u"Изпращане към MS Word",                       u"word",  &TMainForm::ToolButton12Click},
    }};
    // clang-format on
    for (const Button &b : buttons) {
        QAction *a = toolBar2->addAction(QIcon(u":/icons/"_s + b.icon + u".png"_s), QString());
        a->setToolTip(b.hint.toString());
        a->setObjectName(b.name + u"Action"_s);
        QWidget *w = toolBar2->widgetForAction(a);
        w->setObjectName(b.name.toString());
        w->setMinimumSize(55, 54);
        w->setFocusPolicy(Qt::NoFocus);
        const auto handler = b.handler;
        connect(a, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    }
}

ChildWindow *TMainForm::addChild(const std::function<QWidget *(QWidget *parent)> &make)
{
    auto *child = new ChildWindow;
    child->setAttribute(Qt::WA_DeleteOnClose, false);
    child->setWindowIcon(windowIcon());
    // The child joins the area while empty and the window is built inside it: moving a
    // built window of many fields to a new parent costs more than building it.
    m_mdi->addSubWindow(child);
    QWidget *window = make(child);
    child->setWidget(window);
    child->resize(window->size().expandedTo(QSize(200, 120)));
    child->show();
    return child;
}

ChildWindow *TMainForm::childOf(const QWidget *window) const
{
    return window ? qobject_cast<ChildWindow *>(window->parentWidget()) : nullptr;
}

QWidget *TMainForm::activeChild() const
{
    QMdiSubWindow *sub = m_mdi->activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The document window follows its fields, as far as the frame has room.
    if (m_autoSize)
        fitDocumentWindow();
}

void TMainForm::FormShow()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (QWidget *field : MainView->fields()) {
        if (auto *date = qobject_cast<DateField *>(field))
            date->setDateTime(now);
    }
    bringToFront(RData);
    bringToFront(DData);
    m_autoSize = true;
    MainView->setWindowTitle(defaultKind().name.toString());
    m_currentKindItem = findChild<QAction *>(defaultKind().item.toString());
    m_currentKindItem->setChecked(true);
    Views();
    bringToFront(MainView);
    N9Click();
}

void TMainForm::bringToFront(QWidget *window)
{
    ChildWindow *child = childOf(window);
    if (!child)
        return;
    if (child->isMinimized())
        child->showNormal();
    else
        child->show();
    m_mdi->setActiveSubWindow(child);
    child->raise();
}

void TMainForm::Views()
{
    const std::optional<QSize> size = MainView->arrangeForKind();
    if (!size)
        return;
    m_requestedViewSize = *size;
    if (ChildWindow *child = childOf(MainView)) {
        if (!child->isMinimized() && !child->isMaximized())
            child->resize(*size);
    }
    if (m_autoSize)
        fitDocumentWindow();
}

void TMainForm::fitDocumentWindow()
{
    ChildWindow *child = childOf(MainView);
    if (!child || child->isMinimized() || child->isMaximized())
        return;
    // The frame around the document window: the child's size less its widget's.
    const QSize frame = child->size() - MainView->size();
    QSize wanted = MainView->contentSize() + frame;
    const QSize room = m_mdi->viewport()->size();
    if (room.isValid() && !room.isEmpty())
        wanted = wanted.boundedTo(room);
    child->resize(wanted);
}

void TMainForm::WQ1Click(QAction *item)
{
    MainView->setWindowTitle(item->text());
    if (m_currentKindItem)
        m_currentKindItem->setChecked(false);
    item->setChecked(true);
    m_currentKindItem = item;
    bringToFront(MainView);
    Views();
}

void TMainForm::N8Click(QAction *item)
{
    if (m_currentDataItem)
        m_currentDataItem->setChecked(false);
    item->setChecked(true);
    m_currentDataItem = item;
    if (item->text() == kPayersItem)
        bringToFront(DData);
    else if (item->text() == kRecipientsItem)
        bringToFront(RData);
}

// Cascades from the bottom of the stack to the top, keeping each window's size (the
// document window sizes itself to its fields).
void TMainForm::N9Click()
{
    const QSize room = m_mdi->viewport()->size();
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 4;
    int offset = 0;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (!sub->isVisible() || sub->isMinimized())
            continue;
        if (sub->isMaximized())
            sub->showNormal();
        QSize size = sub->size();
        if (room.width() > offset && room.height() > offset)
            size = size.boundedTo(room - QSize(offset, offset));
        sub->setGeometry(QRect(QPoint(offset, offset), size));
        offset += step;
    }
    if (m_autoSize)
        fitDocumentWindow();
}

void TMainForm::N13Click()
{
    tile(Qt::Horizontal);
}

void TMainForm::N19Click()
{
    tile(Qt::Vertical);
}

// Side by side (Qt::Horizontal) or one above the other (Qt::Vertical); minimised
// windows keep their place.
void TMainForm::tile(Qt::Orientation orientation)
{
    QList<QMdiSubWindow *> open;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (sub->isVisible() && !sub->isMinimized())
            open.append(sub);
    }
    if (open.isEmpty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int n = int(open.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = open.at(i);
        if (sub->isMaximized())
            sub->showNormal();
        if (orientation == Qt::Horizontal) {
            const int x0 = area.width() * i / n;
            const int x1 = area.width() * (i + 1) / n;
            sub->setGeometry(x0, 0, x1 - x0, area.height());
        } else {
            const int y0 = area.height() * i / n;
            const int y1 = area.height() * (i + 1) / n;
            sub->setGeometry(0, y0, area.width(), y1 - y0);
        }
    }
}

void TMainForm::N20Click()
{
    for (QMdiSubWindow *sub : m_mdi->subWindowList())
        sub->showMinimized();
}

void TMainForm::N14Click()
{
    close();
}

void TMainForm::N25Click()
{
    showMessage(this, u"Редактор на платежни документи „Formelan“ 2.5\n"
                      u"Връзка с нас: чрез страницата на проекта Formelan\n"
                      u"Автор: екипът на Formelan"_s);
}

void TMainForm::openReference(const QString &fileName)
{
    const QString path = dataDir() + u"/help/"_s + fileName;
    if (!QFileInfo(path).isFile())
        return;
    // Whatever the desktop makes of it is its own business: nothing is reported.
    openWithDesktop(path);
}

namespace {
const QString kFormFilter = u"Formelan Формуляри (*.frm)"_s;
}

void TMainForm::ToolButton5Click()
{
    const QString name = dialogs().openFileName(this, kFormFilter, m_openName);
    if (name.isEmpty())
        return;
    m_openName = name;
    if (!QFileInfo(name).isFile())
        return;
    loadform(*MainView, name);
    Views();
}

void TMainForm::ToolButton6Click()
{
    QString name = dialogs().saveFileName(this, kFormFilter, m_saveName);
    if (name.isEmpty())
        return;
    // Ends in "frm" in any case, with or without a dot: used as it is.
    if (name.right(3).toUpper() != u"FRM"_s)
        name += u".frm"_s;
    m_saveName = name;
    saveform(*MainView, name);
}

namespace {

// The single-line field that has, or last had, the focus in the active child window;
// the edit box of a pick-list counts. Memos, dates and the rest do not.
FieldEdit *focusedEdit(QWidget *window)
{
    QWidget *w = window ? window->focusWidget() : nullptr;
    if (auto *list = qobject_cast<PickList *>(w))
        return list->edit();
    return qobject_cast<FieldEdit *>(w);
}

} // namespace

void TMainForm::ToolButton7Click()
{
    if (FieldEdit *edit = focusedEdit(activeChild()))
        edit->cut();
}

void TMainForm::ToolButton8Click()
{
    if (FieldEdit *edit = focusedEdit(activeChild()))
        edit->copy();
}

void TMainForm::ToolButton9Click()
{
    if (FieldEdit *edit = focusedEdit(activeChild()))
        edit->pasteWithinLimit();
}

// Empties every text field of the active window; dates, check boxes and the stored
// records stay.
void TMainForm::ToolButton10Click()
{
    auto *window = qobject_cast<FieldWindow *>(activeChild());
    if (!window)
        return;
    for (QWidget *field : window->fields()) {
        const FieldKind kind = fieldKind(field);
        if (kind == FieldKind::Edit || kind == FieldKind::PickList || kind == FieldKind::Memo)
            setFieldText(field, QString());
    }
}

void TMainForm::ToolButton12Click()
{
    sendToWordProcessor(*MainView, m_wordApp);
}

} // namespace formelan
