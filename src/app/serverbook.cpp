// Where the address book lives: the file on this computer or the office's server, as the
// settings say; opened at start and again when the settings change. A server's book that
// cannot be opened does not stop the program: the windows stay empty and refuse changes,
// and each command of the address book tries the server again. Also the data menu's copy
// of this computer's book to the server.
#include "app/mainframe.h"

#include "base/dialogs.h"
#include "base/paths.h"
#include "parties/addressbook.h"
#include "parties/bookcopy.h"
#include "parties/sqlitepartystore.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

// What the windows say while the book is out of reach: the server's, or the file here.
QString unreachedText(const StoreError &why, bool server)
{
    if (!server)
        return u"Адресната книга на този компютър не може да бъде отворена.\n\n%1\n\nДокато "
               "това не се оправи, списъците на получателите и задължените лица са празни, а "
               "добавяне и изтриване не са възможни; документите се попълват, записват и "
               "печатат както винаги. Всяко добавяне, изтриване или команда от менюто „Данни“ "
               "опитва отново. Адресна книга на сървър се избира в „Обработване → Настройки…“, "
               "група „Адресна книга“."_s.arg(why.message());
    return u"Адресната книга на сървъра не може да бъде отворена.\n\n%1\n\nДокато това не се "
           "оправи, списъците на получателите и задължените лица са празни, а добавяне и "
           "изтриване не са възможни; нищо не се записва във файла на този компютър. Всяко "
           "добавяне, изтриване или команда от менюто „Данни“ опитва отново. Адресната книга "
           "на този компютър се избира в „Обработване → Настройки…“."_s.arg(why.message());
}

// Stands in for a server's book that could not be opened: no rows, and add and delete
// refused with the reason, until the server is reached.
class UnreachedBook final : public PartyStore {
public:
    UnreachedBook(StoreError why, bool server)
        : m_why(std::move(why))
        , m_server(server)
    {}

    void setReason(StoreError why) { m_why = std::move(why); }

    QString location() const override
    {
        return m_server ? u"сървъра на адресната книга"_s : u"адресната книга"_s;
    }
    QString readOnlyReason() const override { return unreachedText(m_why, m_server); }
    StoreResult<BookSummary> summary(PartyTable) override { return BookSummary{}; }
    StoreError readRows(PartyTable, const RowRange &, std::span<const int>,
                        const std::function<bool(PartyRow &&)> &) override
    {
        return {};
    }
    StoreResult<std::vector<PartyRow>> rowsWithKeys(PartyTable, std::span<const PartyKey>) override
    {
        return std::vector<PartyRow>{};
    }
    StoreResult<std::vector<PartyKey>> add(PartyTable, std::span<const QStringList>) override
    {
        return refusal();
    }
    StoreError remove(PartyTable, PartyKey) override { return refusal(); }
    std::function<StoreResult<std::unique_ptr<PartyStore>>()> opener() const override
    {
        return [why = m_why, server = m_server]() -> StoreResult<std::unique_ptr<PartyStore>> {
            return std::unique_ptr<PartyStore>(std::make_unique<UnreachedBook>(why, server));
        };
    }

private:
    StoreError refusal() const
    {
        return StoreError(StoreError::Kind::Unavailable, unreachedText(m_why, m_server),
                          m_why.detail());
    }

    StoreError m_why;
    bool m_server;
};

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// Opening a book reads little: a lock held on a table or a damaged file shows when the
// tables are first read, which the windows do right after.
StoreError readable(PartyStore &store)
{
    for (const PartyTable table : kPartyTables) {
        if (StoreResult<BookSummary> s = store.summary(table); !s.ok())
            return s.error();
    }
    return {};
}

bool noServerGiven(const ServerBookSettings &s)
{
    return s.service.isEmpty() && s.host.isEmpty() && s.database.isEmpty() && s.user.isEmpty() &&
           s.port == 0;
}

} // namespace

void MainFrame::openStartBook()
{
    m_bookPlace = loadBookPlace();
    WaitCursor wait;
    StoreResult<std::unique_ptr<PartyStore>> store = openBook(m_bookPlace, addressBookPath());
    if (store.ok()) {
        m_bookProblem = readable(*store.value());
        if (m_bookProblem.ok()) {
            m_store = store.take();
            return;
        }
    } else {
        m_bookProblem = store.error();
    }
    // A book that cannot be opened or read does not stop the start: the settings that
    // would mend it are in the program, and the documents need no book.
    m_store =
        std::make_unique<UnreachedBook>(m_bookProblem, m_bookPlace.place == BookPlace::Server);
}

void MainFrame::tellBookProblem()
{
    if (!m_bookProblem.ok())
        showMessage(this, unreachedText(m_bookProblem, m_bookPlace.place == BookPlace::Server));
}

void MainFrame::watchBookChanges()
{
    // Other copies' adds and deletes show in the lists without a command.
    m_store->watchChanges([this](PartyTable table) {
        (table == PartyTable::Recipients ? m_recipients : m_payers)->refreshList();
    });
}

void MainFrame::watchBookCommands()
{
    for (AddressBook *book : {m_recipients, m_payers})
        book->setCommandGate([this] { return reachAddressBook(); });
    watchBookChanges();
    if (!m_bookProblem.ok())
        // Told once the windows show.
        QTimer::singleShot(0, this, [this] { tellBookProblem(); });
}

StoreError MainFrame::useStore(std::unique_ptr<PartyStore> store)
{
    if (StoreError e = m_recipients->setStore(*store))
        return e;
    if (StoreError e = m_payers->setStore(*store)) {
        // Both windows show one book, or neither changes.
        (void)m_recipients->setStore(*m_store);
        return e;
    }
    m_store = std::move(store);
    watchBookChanges();
    return {};
}

bool MainFrame::reachAddressBook()
{
    if (m_bookProblem.ok())
        return true;
    StoreResult<std::unique_ptr<PartyStore>> store = [&] {
        WaitCursor wait;
        return openBook(m_bookPlace, addressBookPath());
    }();
    StoreError problem = store.ok() ? readable(*store.value()) : store.error();
    if (problem.ok())
        problem = useStore(store.take());
    if (problem.ok()) {
        m_bookProblem = {};
        return true;
    }
    m_bookProblem = problem;
    if (auto *unreached = dynamic_cast<UnreachedBook *>(m_store.get()))
        unreached->setReason(problem);
    tellBookProblem();
    return false;
}

void MainFrame::useBookPlace(const BookPlaceSettings &place)
{
    const bool sameBook = place.place == m_bookPlace.place &&
                          (place.place == BookPlace::Local || place.server == m_bookPlace.server);
    if (sameBook && m_bookProblem.ok()) {
        // Server fields kept for switching back, or nothing at all, changed.
        saveBookPlace(place);
        m_bookPlace = place;
        return;
    }
    StoreResult<std::unique_ptr<PartyStore>> store = [&] {
        WaitCursor wait;
        return openBook(place, addressBookPath());
    }();
    if (store.ok()) {
        if (const StoreError e = useStore(store.take())) {
            showErrorBox(e.message());
            return;
        }
        m_bookProblem = {};
        saveBookPlace(place);
        m_bookPlace = place;
        return;
    }
    if (place.place == BookPlace::Local) {
        // The file was not opened: the windows stay on the book they show.
        showErrorBox(store.error().message());
        return;
    }
    // The user chose the server: its book it is, empty until it is reached, rather than a
    // file the user no longer means to write to.
    saveBookPlace(place);
    m_bookPlace = place;
    m_bookProblem = store.error();
    if (const StoreError e = useStore(std::make_unique<UnreachedBook>(m_bookProblem, true))) {
        showErrorBox(e.message());
        return;
    }
    tellBookProblem();
}

void MainFrame::copyBookToServer()
{
    QWidget *parent = this;
    const QString localPath = addressBookPath();
    std::unique_ptr<PartyStore> ownLocal, ownServer;
    PartyStore *from = nullptr;
    PartyStore *to = nullptr;

    if (m_bookPlace.place == BookPlace::Local) {
        if (noServerGiven(m_bookPlace.server)) {
            showMessage(parent, u"Не е посочен сървър. Въведете го в „Настройки…“, група "
                                u"„Адресна книга“ („на сървър“), и опитайте отново."_s);
            return;
        }
        from = m_store.get();
        StoreResult<std::unique_ptr<PartyStore>> server = [&] {
            WaitCursor wait;
            return openServerBook(m_bookPlace.server);
        }();
        if (!server.ok()) {
            showErrorBox(server.error().message());
            return;
        }
        ownServer = server.take();
        to = ownServer.get();
    } else {
        if (!QFileInfo::exists(localPath)) {
            showMessage(parent, u"На този компютър няма адресна книга („%1“): няма какво да "
                                u"бъде копирано."_s.arg(displayPath(localPath)));
            return;
        }
        if (!reachAddressBook())
            return;
        StoreResult<std::unique_ptr<PartyStore>> local = openSqliteBook(localPath);
        if (!local.ok()) {
            showErrorBox(local.error().message());
            return;
        }
        ownLocal = local.take();
        from = ownLocal.get();
        to = m_store.get();
    }

    const StoreResult<BookCopyPreview> preview = previewBookCopy(*from, *to);
    if (!preview.ok()) {
        showErrorBox(preview.error().message());
        return;
    }
    const BookCopyPreview &counts = preview.value();
    if (counts.fromRecipients + counts.fromPayers == 0) {
        showMessage(parent, u"Адресната книга на този компютър („%1“) е празна: няма какво да "
                            u"бъде копирано."_s.arg(from->location()));
        return;
    }
    if (to->isReadOnly()) {
        showMessage(parent, to->readOnlyReason());
        return;
    }
    QStringList text{
        u"Копиране на адресната книга от този компютър („%1“) в %2."_s.arg(from->location(),
                                                                           to->location()),
        QString(),
        u"Ще бъдат копирани: получатели – %1, задължени лица – %2."_s.arg(counts.fromRecipients)
            .arg(counts.fromPayers),
        u"На сървъра вече има: получатели – %1, задължени лица – %2."_s.arg(counts.toRecipients)
            .arg(counts.toPayers),
        QString()};
    if (counts.targetEmpty())
        text.append(u"Записите се копират в реда, в който са в книгата. Да бъдат ли копирани?"_s);
    else
        text.append(u"Книгата на сървъра не е празна: копираните записи ще бъдат добавени след "
                    u"нейните, а страните, които са и в двете книги, ще се повторят. Да бъдат ли "
                    u"добавени след тях?"_s);
    if (dialogs().message(parent, QMessageBox::Question, programTitle(), text.join(u'\n'),
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    const BookCopyReport report = [&] {
        WaitCursor wait;
        return copyBook(*from, *to,
                        counts.targetEmpty() ? BookCopyMode::IntoEmpty : BookCopyMode::Append);
    }();
    if (report.error) {
        showErrorBox(report.error.message());
        return;
    }
    QString done = u"Копирани са получатели: %1 и задължени лица: %2 в %3."_s.arg(report.recipients)
                       .arg(report.payers)
                       .arg(to->location());
    if (m_bookPlace.place == BookPlace::Server) {
        // The windows list the server's book as it is now, the copied rows included.
        if (const StoreError e = m_recipients->setStore(*m_store); !e.ok())
            done += u"\n\n"_s + e.message();
        else if (const StoreError e2 = m_payers->setStore(*m_store); !e2.ok())
            done += u"\n\n"_s + e2.message();
    } else {
        done += u"\n\nЗа да работите с тази книга, изберете „на сървър“ в „Настройки…“, група "
                u"„Адресна книга“."_s;
    }
    showMessage(parent, done);
}

} // namespace formelan
