#include "app/mainframe.h"

#include "app/printing.h"
#include "app/recovery.h"
#include "app/references.h"
#include "app/startup.h"
#include "app/wiring.h"
#include "base/dialogs.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/version.h"
#include "documents/formfile.h"
#include "documents/output.h"
#include "form/banks.h"
#include "form/documentwindow.h"
#include "form/fieldwidgets.h"
#include "form/kinds.h"
#include "parties/addressbook.h"
#include "parties/bankchooser.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMdiArea>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>

// The icons live in a static library: register them explicitly.
static void initResources()
{
    Q_INIT_RESOURCE(formelan);
}

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
const QString kFormFilter = u"Formelan Формуляри (*.frm)"_s;

QString heldOpenMessage(const OutputResult &result)
{
    return u"„%1“ е отворен в текстообработваща програма и не е заменен. Новият документ е "
           u"„%2“."_s.arg(displayPath(result.heldOpen), displayPath(result.path));
}
} // namespace

void ChildWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    showMinimized();
}

MainFrame::MainFrame(QWidget *parent)
    : QMainWindow(parent)
{
    openStartBook();
    initResources();
    setObjectName(u"MainForm"_s);
    setWindowTitle(u"Formelan " FORMELAN_VERSION ""_s);
    setGeometry(40, 94, 900, 700);
    keepOnScreen();

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(u"MdiArea"_s);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    buildCommands();

    // The payers' book, the document and the recipients' book, in this order.
    addChild([this](QWidget *parent) {
        return m_payers = new AddressBook(payersDescription(), *m_store, parent);
    });
    addChild([this](QWidget *parent) { return m_view = new DocumentWindow(parent); });
    addChild([this](QWidget *parent) {
        return m_recipients = new AddressBook(recipientsDescription(), *m_store, parent);
    });
    connectWindows(
        *m_view, *m_recipients, *m_payers, [this] { return bankChooser(); }, this);
    watchBookCommands();
    m_recovery = new RecoveryKeeper(*m_view, this);
    updateRecentMenu();
    // The folder of the form file used last, at an earlier run too.
    if (const QStringList recent = m_recent.files(); !recent.isEmpty())
        m_formFolder = QFileInfo(recent.first()).absolutePath();
}

MainFrame::~MainFrame()
{
    m_recovery->writeNow();
    // The windows' lists go before the book they read through.
    delete m_mdi;
    m_mdi = nullptr;
}

ChildWindow *MainFrame::addChild(const std::function<QWidget *(QWidget *parent)> &make)
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
    child->installEventFilter(this);
    child->show();
    return child;
}

BankCodeChooser *MainFrame::bankChooser()
{
    if (!m_chooser)
        m_chooser = new BankCodeChooser(this);
    return m_chooser;
}

ChildWindow *MainFrame::childOf(const QWidget *window) const
{
    return window ? qobject_cast<ChildWindow *>(window->parentWidget()) : nullptr;
}

QWidget *MainFrame::activeChild() const
{
    QMdiSubWindow *sub = m_mdi->activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

void MainFrame::showEvent(QShowEvent *event)
{
    // Shown again by the program, not brought back from the taskbar.
    if (!event->spontaneous() && !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        keepOnScreen();
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        prepareFirstShowing();
    }
}

// Without a window manager nothing keeps the frame on the screen: a geometry from a
// larger screen, or from one no longer there, would run off it. It goes inside the free
// area of the screen its middle is on, else of the primary one, smaller only where it
// does not fit.
void MainFrame::keepOnScreen()
{
    const QRect wanted = geometry();
    QScreen *screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect outer = frameGeometry();
    const QMargins decoration(wanted.left() - outer.left(), wanted.top() - outer.top(),
                              outer.right() - wanted.right(), outer.bottom() - wanted.bottom());
    const QRect room = screen->availableGeometry() - decoration;
    const QSize size = wanted.size().boundedTo(room.size());
    const QPoint at(std::clamp(wanted.x(), room.left(), room.left() + room.width() - size.width()),
                    std::clamp(wanted.y(), room.top(), room.top() + room.height() - size.height()));
    if (QRect(at, size) != wanted)
        setGeometry(QRect(at, size));
}

void MainFrame::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The document window follows its fields, as far as the frame has room.
    if (m_autoSize)
        fitDocumentWindow();
}

void MainFrame::closeEvent(QCloseEvent *event)
{
    if (!m_ending && !mayLeaveDocument(Leaving::ForExit)) {
        event->ignore();
        return;
    }
    m_recovery->writeNow();
    QMainWindow::closeEvent(event);
}

bool MainFrame::mayLeaveDocument(Leaving why)
{
    if (m_ending)
        return false;
    if (!m_recovery->holdsChanges())
        return true;
    const QString what = m_currentFile.isEmpty()
                             ? u"Промените в документа не са записани."_s
                             : u"Промените във формуляра „%1“ не са записани."_s.arg(
                                   QFileInfo(m_currentFile).fileName());
    const QString before = why == Leaving::ForOtherForm ? u"да бъде отворен друг формуляр"_s
                           : why == Leaving::ForExit ? u"програмата да бъде затворена"_s
                                                     : u"излизането от системата"_s;
    bringToFront(m_view);
    const auto answer =
        dialogs().message(m_view, QMessageBox::Warning, programTitle(),
                          u"%1 Да бъдат ли записани, преди %2?"_s.arg(what, before),
                          QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    switch (answer) {
    case QMessageBox::Save:
        return saveDocument();
    case QMessageBox::Discard:
        // The recovery file goes now only when the document goes with it; a form opened
        // over it removes it once it has been read.
        if (why != Leaving::ForOtherForm)
            m_recovery->markSaved();
        return true;
    default:
        return false;
    }
}

bool MainFrame::endSession(bool mayAsk)
{
    // Kept first: the session may end the program before the clerk answers.
    m_recovery->writeNow();
    if (mayAsk && !mayLeaveDocument(Leaving::ForSessionEnd))
        return false;
    // The windows' closing that follows asks nothing again.
    m_ending = true;
    return true;
}

void MainFrame::keepDocumentForNextStart()
{
    m_ending = true;
    m_recovery->writeNow();
}

bool MainFrame::mayReplace(const QString &path)
{
    const QFileInfo info(path);
    // A folder of that name is no file to replace: writing says why it cannot be done.
    if (!info.exists() || info.isDir())
        return true;
    return dialogs().message(
               this, QMessageBox::Question, programTitle(),
               u"Файлът „%1“ вече съществува. Да бъде ли заменен?"_s.arg(displayPath(path)),
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString MainFrame::formFolder() const
{
    // The first that exists: a file dialog offering a missing folder fails only when
    // the user saves.
    for (const QString &candidate :
         {m_formFolder, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)}) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isDir())
            return candidate;
    }
    return QDir::homePath();
}

void MainFrame::prepareFirstShowing()
{
    // A new document's dates stay not given until the clerk gives them.
    // The new document starts in the currency the user chose, else in leva.
    m_view->setFieldText(u"vid", loadSettings().defaultCurrency);
    bringToFront(m_recipients);
    bringToFront(m_payers);
    m_autoSize = true;
    m_view->setWindowTitle(defaultKind().name.toString());
    m_currentKindItem = findChild<QAction *>(defaultKind().item.toString());
    m_currentKindItem->setChecked(true);
    arrangeDocumentWindow();
    bringToFront(m_view);
    cascadeWindows();
    // A new document holds nothing worth keeping.
    m_recovery->markSaved();
}

void MainFrame::bringToFront(QWidget *window)
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

void MainFrame::chooseKind(QAction *item)
{
    // A document of another kind is another document: its save is offered a name of its
    // own and asks before it replaces the file of the kind it was.
    if (m_view->windowTitle() != item->text())
        m_currentFile.clear();
    m_view->setWindowTitle(item->text());
    if (m_currentKindItem)
        m_currentKindItem->setChecked(false);
    item->setChecked(true);
    m_currentKindItem = item;
    bringToFront(m_view);
    arrangeDocumentWindow();
}

void MainFrame::showAddressBook(QAction *item)
{
    if (m_currentDataItem)
        m_currentDataItem->setChecked(false);
    item->setChecked(true);
    m_currentDataItem = item;
    if (item->text() == kPayersItem)
        bringToFront(m_payers);
    else if (item->text() == kRecipientsItem)
        bringToFront(m_recipients);
    (void)reachAddressBook();
}

void MainFrame::showDocument()
{
    bringToFront(m_view);
}

void MainFrame::exitProgram()
{
    close();
}

void MainFrame::showAbout()
{
    showMessage(this, u"Редактор на платежни документи „Formelan“ " FORMELAN_VERSION "\n"
                      u"Връзка с нас: чрез страницата на проекта Formelan\n"
                      u"Автор: екипът на Formelan"_s);
}

void MainFrame::openReference(const ReferenceDoc &doc)
{
    const QString caption = doc.caption.toString();
    const QString where = doc.where.isEmpty() ? QString() : u'\n' + doc.where.toString();
    QString path;
    switch (doc.source) {
    case ReferenceDoc::Source::Elsewhere:
        showMessage(this, u"Документът „%1“ не е включен в програмата."_s.arg(caption) + where);
        return;
    case ReferenceDoc::Source::Shipped:
        path = dataDir() + u"/help/"_s + doc.file.toString();
        if (!QFileInfo(path).isFile()) {
            showMessage(this, u"Документът „%1“ липсва: програмата го търси в \"%2\"."_s.arg(
                                  caption, displayPath(path)) +
                                  where);
            return;
        }
        break;
    case ReferenceDoc::Source::BankListPage:
        path = writeBankListPage(caption);
        if (path.isEmpty())
            return;
        break;
    }
    if (!openWithDesktop(path))
        showMessage(this, u"Документът „%1“ е в \"%2\", но няма програма, която да го отвори. "
                          u"Отворете го с уеб браузър."_s.arg(caption, displayPath(path)));
}

QString MainFrame::writeBankListPage(const QString &caption)
{
    const QString shipped = dataDir() + u"/help/banks.csv"_s;
    const BankList &list = shippedBankList();
    if (list.banks().isEmpty()) {
        showMessage(this, u"Документът „%1“ липсва: списъкът на банките \"%2\" не може да "
                          u"бъде прочетен."_s.arg(caption, displayPath(shipped)));
        return {};
    }
    QStringList madeFrom;
    for (const QString &file : {shipped, officeBankListPath()}) {
        if (QFileInfo::exists(file))
            madeFrom.append(displayPath(file));
    }
    // Made afresh each time, so that it shows what the chooser and the IBAN fill use now;
    // the cache keeps it for the browser after the program has moved on.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString path = dir + u"/banks.html"_s;
    QSaveFile file(path);
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) ||
        file.write(bankListHtml(list, madeFrom, QDateTime::currentDateTime()).toUtf8()) < 0 ||
        !file.commit()) {
        showErrorBox(u"Списъкът на банките не може да бъде записан в \"%1\": %2"_s.arg(
            displayPath(path), file.errorString()));
        return {};
    }
    return path;
}

void MainFrame::openForm()
{
    if (!mayLeaveDocument(Leaving::ForOtherForm))
        return;
    const QString offered = m_openName.isEmpty() || !QFileInfo(m_openName).absoluteDir().exists()
                                ? formFolder()
                                : m_openName;
    const QString name = dialogs().openFileName(this, kFormFilter, offered);
    if (name.isEmpty())
        return;
    m_openName = name;
    // A name typed into the dialog may be no file at all: the reader tells the clerk why.
    openFormFile(name);
}

bool MainFrame::openFormFile(const QString &path)
{
    LoadedForm loaded = loadFormFile(path);
    if (!loaded.content) {
        showErrorBox(loaded.error);
        return false;
    }
    // A file cut short has no kind line: the window keeps its kind.
    if (loaded.kindMissing)
        loaded.content->kind = m_view->kind();
    m_view->setContent(*loaded.content);
    arrangeDocumentWindow();
    m_recent.add(path);
    updateRecentMenu();
    m_recovery->markSaved();
    m_currentFile = QFileInfo(path).absoluteFilePath();
    m_formFolder = QFileInfo(path).absolutePath();
    if (loaded.missingFields > 0 || loaded.kindMissing) {
        QString text = u"Формулярът „%1“ е непълен: "_s.arg(displayPath(path));
        if (loaded.missingFields > 0)
            text += u"липсват %1 от %2 полета; те са с началните си стойности"_s.arg(
                QString::number(loaded.missingFields), QString::number(m_view->fields().size()));
        if (loaded.kindMissing)
            text += (loaded.missingFields > 0 ? u", а "_s : QString()) +
                    u"видът на документа липсва и е оставен „%1“"_s.arg(m_view->kind());
        showMessage(m_view, text + u". Проверете документа, преди да го използвате."_s);
    }
    return true;
}

void MainFrame::openFiles(const QStringList &files)
{
    if (files.isEmpty())
        return;
    for (const QString &other : files.mid(1))
        startProgramCopy({other});
    const QString &first = files.first();
    if (!QFileInfo(first).isFile()) {
        showMessage(m_view, u"Няма формуляр „%1“."_s.arg(displayPath(first)));
        return;
    }
    openFormFile(first);
}

void MainFrame::openRecentForm(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        m_recent.remove(path);
        updateRecentMenu();
        showMessage(m_view, u"Формулярът „%1“ вече не съществува и е махнат от списъка на "
                            u"последните формуляри."_s.arg(displayPath(path)));
        return;
    }
    if (mayLeaveDocument(Leaving::ForOtherForm))
        openFormFile(path);
}

bool MainFrame::offerRecovery()
{
    const std::optional<RecoveryKeeper::Orphan> orphan = m_recovery->findOrphan();
    if (!orphan)
        return false;
    const auto answer =
        dialogs().message(m_view, QMessageBox::Question, programTitle(),
                          RecoveryKeeper::question(*orphan), QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        m_recovery->discardOrphan(*orphan);
        return false;
    }
    QString error;
    const std::optional<FormContent> content = m_recovery->takeOrphan(*orphan, &error);
    if (!content) {
        showErrorBox(error);
        return false;
    }
    m_view->setContent(*content);
    arrangeDocumentWindow();
    m_recovery->markUnsaved();
    m_currentFile.clear(); // brought back, it is in no file
    return true;
}

void MainFrame::updateRecentMenu()
{
    const QStringList files = m_recent.files();
    for (qsizetype i = 0; i < m_recentItems.size(); ++i) {
        QAction *item = m_recentItems.at(i);
        item->setVisible(i < files.size());
        if (i >= files.size())
            continue;
        const QString &path = files.at(i);
        item->setText(u"&%1 %2"_s.arg(QString::number(i + 1),
                                      QFileInfo(path).fileName().replace(u'&', u"&&"_s)));
        item->setData(path);
        item->setToolTip(displayPath(path));
        item->setStatusTip(displayPath(path));
    }
}

void MainFrame::saveForm()
{
    (void)saveDocument();
}

bool MainFrame::saveDocument()
{
    // The document's own file, else a name of its own in the folder used last.
    const QString offered =
        !m_currentFile.isEmpty() && QFileInfo(m_currentFile).absoluteDir().exists()
            ? m_currentFile
            : unusedFileName(formFolder(), documentFileName(m_view->content(), u"frm"_s));
    QString name = dialogs().saveFileName(this, kFormFilter, offered);
    if (name.isEmpty())
        return false;
    // Ends in "frm" in any case, with or without a dot: used as it is.
    if (name.right(3).toUpper() != u"FRM"_s)
        name += u".frm"_s;
    // The document's own file is written over as Save does; any other is asked about.
    const bool own = QFileInfo(name).absoluteFilePath() == m_currentFile;
    if (!own && !mayReplace(name))
        return false;
    if (const auto error = saveFormFile(name, m_view->content(), QLocale().decimalPoint().at(0))) {
        showErrorBox(*error);
        return false;
    }
    m_recent.add(name);
    updateRecentMenu();
    m_recovery->markSaved();
    m_currentFile = QFileInfo(name).absoluteFilePath();
    m_formFolder = QFileInfo(name).absolutePath();
    // Open starts where the clerk saved last, not in an older folder opened from.
    if (QFileInfo(m_openName).absolutePath() != m_formFolder)
        m_openName.clear();
    return true;
}

void MainFrame::sendToWordProcessor()
{
    if (!documentPasses(u"Изпращане въпреки това"_s))
        return;
    const OutputResult result =
        formelan::sendToWordProcessor(m_view->content(), dataDir() + u"/forms"_s, projectsDir());
    for (const auto &[field, text] : result.completedFields)
        m_view->setFieldText(field, text);
    switch (result.status) {
    case OutputResult::Done:
        if (!result.heldOpen.isEmpty())
            showMessage(m_view, heldOpenMessage(result));
        break;
    case OutputResult::TemplateMissing:
        showMessage(m_view, missingTemplateMessage(m_view->kind()));
        break;
    case OutputResult::Failed:
        showErrorBox(result.message);
        break;
    case OutputResult::NoOpener:
        showMessage(m_view,
                    (result.heldOpen.isEmpty() ? QString() : heldOpenMessage(result) + u' ') +
                        u"Документът е записан в \"%1\", но няма програма, която да го "
                        u"отвори. Отворете го с текстообработваща програма."_s.arg(
                            displayPath(result.path)));
        break;
    }
}

} // namespace formelan
