// The address book's CSV commands of the data menu: a table written to a file, and a file
// read into a table after a preview of what it would add.
#include "app/mainframe.h"

#include "base/dialogs.h"
#include "base/files.h"
#include "base/paths.h"
#include "parties/addressbook.h"
#include "parties/partycsv.h"
#include "parties/partylist.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace formelan {

using namespace Qt::StringLiterals;

namespace {

const QString kCsvFilter = u"Таблици CSV (*.csv);;Всички файлове (*)"_s;
// Flagged rows named one by one in the preview; the rest are counted.
constexpr int kRowsNamed = 10;

QString defaultFileName(PartyTable table)
{
    return table == PartyTable::Recipients ? u"Получатели.csv"_s : u"Задължени лица.csv"_s;
}

QString whose(PartyTable table)
{
    return table == PartyTable::Recipients ? u"получателите"_s : u"задължените лица"_s;
}

QString quotedList(const QStringList &names)
{
    QStringList out;
    for (const QString &n : names)
        out.append(u"„"_s + n + u"“"_s);
    return out.join(u", "_s);
}

// The rows of one flag, the first few by line and name.
QStringList flaggedLines(const ImportPreview &preview, ImportRow::Flag flag)
{
    QStringList lines;
    int count = 0;
    for (const ImportRow &row : preview.rows) {
        if (row.flag != flag)
            continue;
        if (++count <= kRowsNamed) {
            const QString name = row.values.value(partyNameColumn(preview.table));
            lines.append(u"   "_s + row.note +
                         (flag == ImportRow::Flag::BadIban && !name.isEmpty()
                              ? u" (%1)"_s.arg(name.left(40))
                              : QString()));
        }
    }
    if (count > kRowsNamed)
        lines.append(u"   … и още %1"_s.arg(count - kRowsNamed));
    return lines;
}

} // namespace

void MainFrame::exportParties(PartyTable table)
{
    if (!reachAddressBook())
        return;
    const QString offered =
        m_csvName.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                            : QFileInfo(m_csvName).absolutePath();
    QString name =
        dialogs().saveFileName(this, kCsvFilter, offered + u'/' + defaultFileName(table));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += u".csv"_s;
    m_csvName = name;
    if (!mayReplace(name))
        return;
    if (const StoreError error = exportPartiesCsvFile(*m_store, table, name)) {
        showErrorBox(error.message());
        return;
    }
    showMessage(this, u"Адресната книга на %1 е записана във файла „%2“."_s.arg(whose(table),
                                                                                displayPath(name)));
}

void MainFrame::importParties(PartyTable table)
{
    if (!reachAddressBook())
        return;
    AddressBook *book = table == PartyTable::Recipients ? m_recipients : m_payers;
    if (m_store->isReadOnly()) {
        showMessage(book, m_store->readOnlyReason());
        return;
    }
    const QString offered =
        m_csvName.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                            : QFileInfo(m_csvName).absolutePath();
    const QString name = dialogs().openFileName(this, kCsvFilter, offered);
    if (name.isEmpty())
        return;
    m_csvName = name;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        showErrorBox(u"Файлът „%1“ не може да бъде прочетен: %2."_s.arg(displayPath(name),
                                                                        readFailureReason(name)));
        return;
    }
    const ImportPreview preview = previewPartiesCsv(table, file.readAll());
    file.close();
    if (!preview.ok()) {
        showErrorBox(u"Файлът „%1“ не може да бъде внесен в адресната книга на %2: %3"_s.arg(
            displayPath(name), whose(table), preview.error));
        return;
    }
    const int malformed = preview.count(ImportRow::Flag::Malformed);
    const int badIban = preview.count(ImportRow::Flag::BadIban);
    const int toAdd = int(preview.rows.size()) - malformed;
    if (toAdd == 0) {
        showMessage(book, u"Във файла „%1“ няма записи за добавяне."_s.arg(displayPath(name)));
        return;
    }

    // The preview: what would be added, what is wrong with it, what is left out.
    QStringList text{
        u"Внасяне в адресната книга на %1 от файла „%2“."_s.arg(whose(table), displayPath(name)),
        QString(), u"Записи за добавяне в края на книгата: %1"_s.arg(toAdd)};
    if (badIban > 0) {
        text.append(u"От тях с невалиден IBAN: %1"_s.arg(badIban));
        text += flaggedLines(preview, ImportRow::Flag::BadIban);
    }
    if (malformed > 0) {
        text.append(u"Редове, които няма да бъдат добавени: %1"_s.arg(malformed));
        text += flaggedLines(preview, ImportRow::Flag::Malformed);
    }
    if (!preview.ignored.isEmpty())
        text.append(u"Колони, които програмата не ползва и пропуска: %1"_s.arg(
            quotedList(preview.ignored)));
    text.append(QString());
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (badIban > 0) {
        // A wrong IBAN is told of and kept, as when a party is typed in: the user may
        // leave those rows out here.
        text.append(u"Да бъдат ли добавени всички записи, и тези с невалиден IBAN?\n"
                    "„Да“ – всички; „Не“ – без записите с невалиден IBAN; „Отказ“ – нито "
                    "един."_s);
        buttons |= QMessageBox::Cancel;
    } else {
        text.append(u"Да бъдат ли добавени?"_s);
    }
    const auto answer =
        dialogs().message(book, QMessageBox::Question, programTitle(), text.join(u'\n'), buttons);
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::No && badIban == 0) ||
        (answer != QMessageBox::Yes && answer != QMessageBox::No))
        return;
    ImportOptions options;
    options.skipBadIban = answer == QMessageBox::No;

    bringToFront(book);
    const ImportReport report = formelan::importParties(book->list(), preview, options);
    if (report.error) {
        showErrorBox(report.error.message());
        return;
    }
    showMessage(book,
                u"Добавени записа: %1. Пропуснати: %2."_s.arg(report.added).arg(report.skipped));
}

} // namespace formelan
