// A second program on the address book, for tests that need another process: another copy
// of Formelan beside the test, or a user other than root. Prints what happened, one fact
// a line, and exits with 0 when the book opened. BOOK is a file's path, or a server's
// "pg:host=…;port=…;dbname=…;user=…".
//   partybook_helper open BOOK                      open, read both lists, try to write
//   partybook_helper add BOOK TABLE NAME [COUNT]    add COUNT rows named NAME (NAME i)
//   partybook_helper delete BOOK TABLE KEY          delete the row with KEY
#include "parties/partylist.h"
#include "testbooks.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

// One line each: a message's own line breaks become spaces.
QString oneLine(QString text)
{
    return text.replace(u'\n', u' ');
}

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString kindName(StoreError::Kind kind)
{
    switch (kind) {
    case StoreError::Kind::None:
        return u"ok"_s;
    case StoreError::Kind::Gone:
        return u"gone"_s;
    case StoreError::Kind::ReadOnly:
        return u"readonly"_s;
    case StoreError::Kind::Busy:
        return u"busy"_s;
    case StoreError::Kind::Refused:
        return u"refused"_s;
    case StoreError::Kind::Unavailable:
        return u"unavailable"_s;
    case StoreError::Kind::Failed:
        return u"failed"_s;
    }
    return {};
}

PartyTable tableNamed(const QString &name)
{
    return name == u"depositor"_s ? PartyTable::Payers : PartyTable::Recipients;
}

QStringList valuesNamed(PartyTable table, const QString &name)
{
    QStringList values(partyColumns(table).size(), QString());
    values[0] = name;
    return values;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QString command = args.at(1);
    StoreResult<std::unique_ptr<PartyStore>> opened = openBookAt(args.at(2));
    if (!opened.ok()) {
        say(u"open "_s + kindName(opened.error().kind()));
        say(u"message "_s + oneLine(opened.error().message()));
        return 1;
    }
    PartyStore &store = *opened.value();
    say(u"open ok"_s);
    say(u"readonly "_s + (store.isReadOnly() ? u"yes"_s : u"no"_s));
    if (store.isReadOnly())
        say(u"reason "_s + oneLine(store.readOnlyReason()));

    if (command == u"open"_s) {
        for (PartyTable table : kPartyTables) {
            StoreResult<std::unique_ptr<PartyList>> list = PartyList::open(store, table);
            if (!list.ok()) {
                say(u"list "_s + kindName(list.error().kind()));
                continue;
            }
            QStringList names;
            for (int i = 0; i < list.value()->count(); ++i)
                names.append(list.value()->nameAt(i));
            say(partyTableName(table) + u" "_s + names.join(u'|'));
            // The second row alone, skipping the first, as a list read from the middle.
            const int name = partyNameColumn(table);
            StoreResult<std::vector<PartyRow>> second =
                store.rows(table, RowRange{.skip = 1, .limit = 1}, std::span(&name, 1));
            say(u"second "_s + (!second.ok()      ? kindName(second.error().kind())
                                : second->empty() ? QString()
                                                  : second->front().values.at(name)));
            StoreResult<std::vector<int>> found = list.value()->search(u"а"_s);
            say(u"search "_s +
                (found.ok() ? QString::number(found->size()) : kindName(found.error().kind())));
            StoreResult<int> added = list.value()->append(valuesNamed(table, u"Нов"_s));
            say(u"add "_s + (added.ok() ? u"ok"_s : kindName(added.error().kind())));
            if (!added.ok())
                say(u"add message "_s + oneLine(added.error().message()));
            if (list.value()->count() > 0) {
                const StoreError removed = list.value()->removeAt(0);
                say(u"delete "_s + kindName(removed.kind()));
            }
        }
    } else if (command == u"add"_s && args.size() >= 5) {
        const PartyTable table = tableNamed(args.at(3));
        const int count = args.size() > 5 ? args.at(5).toInt() : 1;
        for (int i = 0; i < count; ++i) {
            const QString name = count > 1 ? args.at(4) + u' ' + QString::number(i) : args.at(4);
            StoreResult<PartyKey> key = store.add(table, valuesNamed(table, name));
            if (!key.ok()) {
                say(u"add "_s + kindName(key.error().kind()));
                say(u"message "_s + oneLine(key.error().message()));
                return 3;
            }
            // Read beside the other copy's writes, as a window does.
            if (!store.summary(table).ok()) {
                say(u"read failed"_s);
                return 3;
            }
            say(u"key "_s + QString::number(key.value()));
        }
    } else if (command == u"delete"_s && args.size() >= 5) {
        const StoreError e = store.remove(tableNamed(args.at(3)), args.at(4).toLongLong());
        say(u"delete "_s + kindName(e.kind()));
    } else {
        return 2;
    }
    return 0;
}
