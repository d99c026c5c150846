// The command table: the drop-down menus of the text toolbar and the picture buttons,
// each bound to the frame's method that carries it out.
#include "app/mainframe.h"

#include "app/references.h"
#include "base/dialogs.h"
#include "form/documentwindow.h"
#include "form/kinds.h"

#include <QKeySequence>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

void MainFrame::buildCommands()
{
    auto *toolBar1 = new QToolBar(u"Меню"_s, this);
    toolBar1->setObjectName(u"ToolBar1"_s);
    toolBar1->setMovable(false);
    toolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, toolBar1);
    // Both bands in one row: the height is the child windows' room.
    auto *toolBar2 = new QToolBar(u"Команди"_s, this);
    toolBar2->setObjectName(u"ToolBar2"_s);
    toolBar2->setMovable(false);
    toolBar2->setIconSize(QSize(48, 48));
    toolBar2->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addToolBar(Qt::TopToolBarArea, toolBar2);

    // `mnemonic` is the caption with the letter that Alt opens the menu with marked.
    auto menu = [&](const QString &name, const QString &button, const QString &mnemonic) {
        auto *m = new QMenu(QString(mnemonic).remove(u'&'), this);
        m->setObjectName(name);
        auto *b = new QToolButton(toolBar1);
        b->setObjectName(button);
        b->setText(mnemonic);
        b->setMenu(m);
        b->setPopupMode(QToolButton::InstantPopup);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setFocusPolicy(Qt::NoFocus);
        toolBar1->addWidget(b);
        return m;
    };
    auto item = [&](QMenu *m, const QString &name, const QString &caption, auto &&run,
                    const QKeySequence &keys = {}) {
        QAction *a = m->addAction(caption);
        a->setObjectName(name);
        a->setShortcut(keys);
        connect(a, &QAction::triggered, this, [run, a] { guarded([&] { run(a); }); });
        return a;
    };
    auto plain = [](void (MainFrame::*handler)(), MainFrame *self) {
        return [handler, self](QAction *) { (self->*handler)(); };
    };

    QMenu *blanks = menu(u"blanks"_s, u"ToolButton1"_s, u"&Формуляри"_s);
    QMenu *data = menu(u"data"_s, u"ToolButton2"_s, u"&Данни"_s);
    QMenu *processing = menu(u"processing"_s, u"ToolButton4"_s, u"&Обработване"_s);
    QMenu *windows = menu(u"Windows"_s, u"ToolButton11"_s, u"&Прозорци"_s);
    QMenu *help = menu(u"help"_s, u"ToolButton3"_s, u"По&мощ"_s);

    // The kinds' captions name the kinds and carry no mnemonics; the key that opens
    // their menu stands beside the submenu's caption.
    const QKeySequence chooseKindKeys(u"Ctrl+Shift+N"_s);
    QMenu *kinds =
        blanks->addMenu(u"&Нов формуляр\t"_s + chooseKindKeys.toString(QKeySequence::NativeText));
    kinds->setObjectName(u"N10Menu"_s);
    kinds->menuAction()->setObjectName(u"N10"_s);
    auto *chooseKindKey = new QAction(this);
    chooseKindKey->setObjectName(u"ChooseKind"_s);
    chooseKindKey->setShortcut(chooseKindKeys);
    addAction(chooseKindKey);
    connect(chooseKindKey, &QAction::triggered, this, [this, kinds] {
        bringToFront(m_view);
        kinds->popup(m_view->mapToGlobal(QPoint(0, 0)));
    });
    for (const DocumentKind &kind : documentKinds()) {
        QAction *a = item(kinds, kind.item.toString(), kind.name.toString(),
                          [this](QAction *a) { chooseKind(a); });
        a->setCheckable(true);
    }
    item(blanks, u"N11"_s, u"&Отваряне"_s, plain(&MainFrame::openForm, this), QKeySequence::Open);
    item(blanks, u"N12"_s, u"&Записване"_s, plain(&MainFrame::saveForm, this), QKeySequence::Save);
    item(blanks, u"PrintDocument"_s, u"&Печат…"_s, plain(&MainFrame::printDocument, this),
         QKeySequence::Print);
    item(blanks, u"SavePdf"_s, u"Запис като P&DF…"_s, plain(&MainFrame::saveDocumentAsPdf, this),
         QKeySequence(u"Ctrl+Shift+P"_s));
    item(blanks, u"CheckDocument"_s, u"Про&верка на документа"_s,
         plain(&MainFrame::checkWholeDocument, this), QKeySequence(u"F7"_s));
    blanks->addSeparator();
    for (int i = 1; i <= RecentForms::kMax; ++i) {
        QAction *a = blanks->addAction(QString());
        a->setObjectName(u"Recent%1"_s.arg(i));
        a->setVisible(false);
        connect(a, &QAction::triggered, this,
                [this, a] { guarded([&] { openRecentForm(a->data().toString()); }); });
        m_recentItems.append(a);
    }
    blanks->addSeparator();
    item(blanks, u"N14"_s, u"Из&ход"_s, plain(&MainFrame::exitProgram, this),
         QKeySequence(u"Ctrl+Q"_s));

    // The data items' captions are what the command tells them apart by.
    item(
        data, u"N8"_s, kRecipientsItem.toString(), [this](QAction *a) { showAddressBook(a); },
        QKeySequence(u"Ctrl+2"_s))
        ->setCheckable(true);
    item(
        data, u"Dan1"_s, kPayersItem.toString(), [this](QAction *a) { showAddressBook(a); },
        QKeySequence(u"Ctrl+3"_s))
        ->setCheckable(true);
    data->addSeparator();
    item(data, u"ExportRecipients"_s, u"&Експорт на получателите в CSV…"_s,
         [this](QAction *) { exportParties(PartyTable::Recipients); });
    item(data, u"ExportPayers"_s, u"Експорт на &задължените лица в CSV…"_s,
         [this](QAction *) { exportParties(PartyTable::Payers); });
    item(data, u"ImportRecipients"_s, u"&Импорт на получатели от CSV…"_s,
         [this](QAction *) { importParties(PartyTable::Recipients); });
    item(data, u"ImportPayers"_s, u"Импорт на з&адължени лица от CSV…"_s,
         [this](QAction *) { importParties(PartyTable::Payers); });
    data->addSeparator();
    item(data, u"CopyBookToServer"_s, u"Копиране на адресната книга на &сървъра…"_s,
         plain(&MainFrame::copyBookToServer, this));

    // Cut, copy and paste show the keys that the fields themselves answer.
    item(processing, u"N16"_s, u"Из&рязване"_s, plain(&MainFrame::cutField, this),
         QKeySequence::Cut);
    item(processing, u"N17"_s, u"&Копиране"_s, plain(&MainFrame::copyField, this),
         QKeySequence::Copy);
    item(processing, u"N18"_s, u"&Поставяне"_s, plain(&MainFrame::pasteField, this),
         QKeySequence::Paste);
    item(processing, u"ClearFields"_s, u"&Изчистване на полетата"_s,
         plain(&MainFrame::clearFields, this), QKeySequence(u"Ctrl+Shift+Del"_s));
    // The menu item runs the same command as the toolbar button.
    item(processing, u"Word1"_s, u"Изпращане към &Word"_s,
         plain(&MainFrame::sendToWordProcessor, this), QKeySequence(u"Ctrl+Shift+W"_s));
    processing->addSeparator();
    // F2 fills the words from any field of the document, the words' own included.
    item(processing, u"FillWords"_s, u"Сума с &думи"_s,
         plain(&MainFrame::fillWordsOfDocument, this), QKeySequence(u"F2"_s));
    item(processing, u"ConvertToEuro"_s, u"Превръщане в &евро"_s,
         plain(&MainFrame::convertDocumentToEuro, this));
    processing->addSeparator();
    item(processing, u"Settings"_s, u"&Настройки…"_s, plain(&MainFrame::editSettings, this),
         QKeySequence(u"Ctrl+,"_s));

    item(windows, u"ShowDocument"_s, u"&Документ"_s, plain(&MainFrame::showDocument, this),
         QKeySequence(u"Ctrl+1"_s));
    windows->addSeparator();
    item(windows, u"N9"_s, u"&Каскадно"_s, plain(&MainFrame::cascadeWindows, this),
         QKeySequence(u"Shift+F5"_s));
    item(windows, u"N13"_s, u"&Вертикално"_s, plain(&MainFrame::tileSideBySide, this),
         QKeySequence(u"Shift+F4"_s));
    item(windows, u"N19"_s, u"&Хоризонтално"_s, plain(&MainFrame::tileOneAboveOther, this),
         QKeySequence(u"Ctrl+Shift+F4"_s));
    item(windows, u"N20"_s, u"&Минимизиране"_s, plain(&MainFrame::minimizeWindows, this));

    for (const ReferenceDoc &doc : referenceDocs()) {
        item(help, doc.item.toString(), doc.caption.toString(),
             [this, &doc](QAction *) { openReference(doc); });
    }
    help->addSeparator();
    item(help, u"N25"_s, u"&За продукта"_s, plain(&MainFrame::showAbout, this),
         QKeySequence::HelpContents);

    struct Button {
        QStringView name;
        QStringView hint;
        QStringView icon;
        void (MainFrame::*handler)();
    };
    // clang-format off
    const std::array<Button, 9> buttons{{
        {u"ToolButton5",         u"Отваряне на формуляр",                       u"open",  &MainFrame::openForm},
        {u"ToolButton6",         u"Записване на формуляр",                      u"save",  &MainFrame::saveForm},
        {u"ToolButton7",         u"Изрязване",                                  u"cut",   &MainFrame::cutField},
        {u"ToolButton8",         u"Копиране",                                   u"copy",  &MainFrame::copyField},
        {u"ToolButton9",         u"Поставяне",                                  u"paste", &MainFrame::pasteField},
        {u"ToolButton10",        u"Изчистване на полетата в активния прозорец", u"clear", &MainFrame::clearFields},
        {u"ToolButton12",        u"Изпращане към MS Word",                      u"word",  &MainFrame::sendToWordProcessor},
        {u"PrintDocumentButton", u"Печат",                                      u"print", &MainFrame::printDocument},
        {u"SavePdfButton",       u"Запис като PDF",                             u"pdf",   &MainFrame::saveDocumentAsPdf},
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

} // namespace formelan
