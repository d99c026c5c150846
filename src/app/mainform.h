#pragma once

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSize>

#include <functional>
#include <memory>

class QMdiArea;

namespace formelan {
class DocumentEngine;
class PartyDatabase;
} // namespace formelan
class QToolBar;
class QMenu;

namespace formelan {

// A child window of the frame: closing it only minimises it, so the frame always
// has an active child window.
class ChildWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    using QMdiSubWindow::QMdiSubWindow;

protected:
    void closeEvent(QCloseEvent *event) override;
};

// The main frame: toolbars, menus and the three child windows.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    QMdiArea *mdiArea() const { return m_mdi; }
    // The address book's database connection, shared by both address books.
    const PartyDatabase &database() const { return *m_database; }
    // Builds a window by `make` inside a new child window of the frame and shows it.
    ChildWindow *addChild(const std::function<QWidget *(QWidget *parent)> &make);
    ChildWindow *childOf(const QWidget *window) const;
    // The window inside the active child window.
    QWidget *activeChild() const;

    QAction *currentKindItem() const { return m_currentKindItem; }
    QAction *currentDataItem() const { return m_currentDataItem; }
    // The size that the last arrangement of the document window asked for.
    QSize requestedViewSize() const { return m_requestedViewSize; }
    DocumentEngine *wordApp() const { return m_wordApp.get(); }

    // Arranges the document window for the kind its caption names.
    void Views();

    // Commands.
    void WQ1Click(QAction *item);
    void N8Click(QAction *item);
    void N9Click();
    void N13Click();
    void N19Click();
    void N20Click();
    void N14Click();
    void N25Click();
    void openReference(const QString &fileName);
    void ToolButton5Click();
    void ToolButton6Click();
    void ToolButton7Click();
    void ToolButton8Click();
    void ToolButton9Click();
    void ToolButton10Click();
    void ToolButton12Click();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormShow();
    void buildCommands();
    void tile(Qt::Orientation orientation);
    void fitDocumentWindow();
    void bringToFront(QWidget *window);

    std::unique_ptr<PartyDatabase> m_database;
    // The document engine of the last send (the word processor's handle).
    std::unique_ptr<DocumentEngine> m_wordApp;
    QMdiArea *m_mdi = nullptr;
    QPointer<QAction> m_currentKindItem;
    QPointer<QAction> m_currentDataItem;
    QSize m_requestedViewSize;
    QString m_openName; // what the open and the save dialog offer next
    QString m_saveName;
    bool m_autoSize = false;
    bool m_shown = false;
};

} // namespace formelan
