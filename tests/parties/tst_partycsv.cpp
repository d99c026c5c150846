// CSV of the address book: the text format on its own, then export and import on a real
// book.
#include "parties/csv.h"
#include "parties/partycsv.h"
#include "parties/partylist.h"
#include "parties/sqlitepartystore.h"
#include "testbooks.h"

#include <QFile>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace formelan;

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

std::unique_ptr<PartyStore> book(const QTemporaryDir &dir, const QString &name)
{
    StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(dir.path() + u'/' + name);
    return store.ok() ? store.take() : nullptr;
}

QStringList recipient(const QString &name, const QString &iban = QString())
{
    QStringList v(partyColumns(PartyTable::Recipients).size(), u""_s);
    v[0] = name;
    v[3] = u"да"_s;
    v[6] = iban;
    return v;
}

QList<QStringList> fieldsOf(const CsvParse &parse)
{
    QList<QStringList> out;
    for (const CsvRecord &r : parse.records)
        out.append(r.fields);
    return out;
}

} // namespace

class TestPartyCsv : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fieldsRoundTrip_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("written"); // the record as written, after the BOM
        QTest::newRow("plain") << QStringList{u"a"_s, u"b"_s} << QByteArray("a,b\r\n");
        QTest::newRow("comma") << QStringList{u"Иванов, Петров"_s, u"x"_s}
                               << u"\"Иванов, Петров\",x\r\n"_s.toUtf8();
        QTest::newRow("quotes")
            << QStringList{u"ЕТ \"Бор\""_s, u"\""_s}
            << QByteArray("\"\xd0\x95\xd0\xa2 \"\"\xd0\x91\xd0\xbe\xd1\x80\"\"\",\"\"\"\"\r\n");
        QTest::newRow("CR LF inside")
            << QStringList{u"ред 1\r\nред 2"_s, u""_s} << u"\"ред 1\r\nред 2\",\r\n"_s.toUtf8();
        QTest::newRow("LF inside")
            << QStringList{u"ред 1\nред 2"_s} << u"\"ред 1\nред 2\"\r\n"_s.toUtf8();
        QTest::newRow("CR inside") << QStringList{u"a\rb"_s} << QByteArray("\"a\rb\"\r\n");
        QTest::newRow("spaces kept") << QStringList{u" a "_s, u"  "_s} << QByteArray(" a ,  \r\n");
        QTest::newRow("empty fields") << QStringList{u""_s, u""_s, u""_s} << QByteArray(",,\r\n");
        QTest::newRow("one empty field") << QStringList{u""_s} << QByteArray("\"\"\r\n");
        QTest::newRow("apostrophe and semicolon")
            << QStringList{u"O'Brien; Ltd"_s} << QByteArray("O'Brien; Ltd\r\n");
    }
    void fieldsRoundTrip()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, written);
        CsvWriter w;
        w.writeRecord(fields);
        w.writeRecord({u"next"_s});
        QCOMPARE(w.data(), kBom + written + "next\r\n");
        const CsvParse back = parseCsv(w.data());
        QVERIFY(back.error.isEmpty());
        QCOMPARE(fieldsOf(back), (QList<QStringList>{fields, {u"next"_s}}));
    }

    void parsing_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<QStringList>>("records");
        QTest::addColumn<QList<int>>("lines");
        QTest::newRow("LF records, no BOM, no last line end")
            << QByteArray("a,b\nc,d") << QList<QStringList>{{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}
            << QList<int>{1, 2};
        QTest::newRow("CR records")
            << QByteArray("a\rb\r") << QList<QStringList>{{u"a"_s}, {u"b"_s}} << QList<int>{1, 2};
        QTest::newRow("blank lines skipped")
            << QByteArray("a\r\n\r\n\nb\r\n") << QList<QStringList>{{u"a"_s}, {u"b"_s}}
            << QList<int>{1, 4};
        QTest::newRow("line numbers after breaks in values")
            << QByteArray("\"x\r\ny\nz\",1\r\nnext\r\n")
            << QList<QStringList>{{u"x\r\ny\nz"_s, u"1"_s}, {u"next"_s}} << QList<int>{1, 4};
        QTest::newRow("quote inside an unquoted field is kept")
            << QByteArray("5\" disk,a\"b\r\n") << QList<QStringList>{{u"5\" disk"_s, u"a\"b"_s}}
            << QList<int>{1};
        QTest::newRow("Windows-1251")
            << QByteArray(QStringEncoder("windows-1251").encode(u"Име,Град\r\nПетров,София\r\n"_s))
            << QList<QStringList>{{u"Име"_s, u"Град"_s}, {u"Петров"_s, u"София"_s}}
            << QList<int>{1, 2};
        // "И“" happens to be a valid UTF-8 pair; the rest of the text is not.
        QTest::newRow("Windows-1251 with capitals in quotes")
            << QByteArray(
                   QStringEncoder("windows-1251").encode(u"Име,Град\r\n„ДЗИ“ ЕАД,София\r\n"_s))
            << QList<QStringList>{{u"Име"_s, u"Град"_s}, {u"„ДЗИ“ ЕАД"_s, u"София"_s}}
            << QList<int>{1, 2};
        // As many such pairs ("Я“") as other bytes ("„"): not mostly UTF-8.
        QTest::newRow("Windows-1251, half of it like UTF-8")
            << "name\r\n" + QByteArray(QStringEncoder("windows-1251").encode(u"„Я“\r\n"_s))
            << QList<QStringList>{{u"name"_s}, {u"„Я“"_s}} << QList<int>{1, 2};
    }
    void parsing()
    {
        QFETCH(QByteArray, data);
        QFETCH(QList<QStringList>, records);
        QFETCH(QList<int>, lines);
        const CsvParse parse = parseCsv(data);
        QVERIFY2(parse.error.isEmpty(), qPrintable(parse.error));
        QCOMPARE(fieldsOf(parse), records);
        QList<int> got;
        for (const CsvRecord &r : parse.records)
            got.append(r.line);
        QCOMPARE(got, lines);
    }

    void unclosedQuote()
    {
        const CsvParse parse = parseCsv("a,b\r\nc,\"d\r\ne\r\n");
        QCOMPARE(parse.errorLine, 2);
        QVERIFY(parse.error.contains(u"ред 2"_s));
    }

    // Export, import into an empty book, export again: the same bytes, with quotes,
    // commas, line breaks and Cyrillic in the values; on a file and on a server.
    void bookRoundTrip_data()
    {
        addBackendColumn();
        QTest::addColumn<int>("table");
        for (Backend b : {Backend::Sqlite, Backend::Postgres}) {
            QTest::newRow(rowName(b, "recipients").constData()) << b << int(PartyTable::Recipients);
            QTest::newRow(rowName(b, "payers").constData()) << b << int(PartyTable::Payers);
        }
    }
    void bookRoundTrip()
    {
        QFETCH(Backend, backend);
        QFETCH(int, table);
        if (const QString why = TestBook::unavailable(backend); !why.isEmpty())
            QSKIP(qPrintable(why));
        const auto t = PartyTable(table);
        auto firstBook = TestBook::make(backend), secondBook = TestBook::make(backend);
        QVERIFY(firstBook && secondBook);
        auto first = firstBook->open();
        auto second = secondBook->open();
        QVERIFY(first && second);
        const QStringList hard{u"ЕТ \"Иван Петров\", София"_s,
                               u"ред 1\r\nред 2"_s,
                               u"ред 1\nред 2"_s,
                               u""_s,
                               u" с интервали "_s,
                               u"=SUM(A1)"_s,
                               u"Ёлха; ъгъл ‘’ „“ €"_s};
        std::vector<QStringList> rows;
        for (int r = 0; r < 4; ++r) {
            QStringList v;
            for (qsizetype c = 0; c < partyColumns(t).size(); ++c)
                v.append(hard.at((r + c) % hard.size()));
            rows.push_back(v);
        }
        rows.push_back(QStringList(partyColumns(t).size(), u""_s)); // every value empty
        QVERIFY(first->add(t, rows).ok());

        const QByteArray exported = exportPartiesCsv(*first, t).value();
        QVERIFY(exported.startsWith(kBom));
        QVERIFY(
            exported.mid(3).startsWith(QByteArray(bookColumns(t).join(u',').toUtf8() + "\r\n")));
        const ImportPreview preview = previewPartiesCsv(t, exported);
        QVERIFY2(preview.ok(), qPrintable(preview.error));
        QCOMPARE(int(preview.rows.size()), int(rows.size()));
        const ImportReport report = importParties(*second, preview);
        QVERIFY(report.error.ok());
        QCOMPARE(report.added, int(rows.size()));
        QCOMPARE(report.skipped, 0);
        QCOMPARE(exportPartiesCsv(*second, t).value(), exported);

        StoreResult<std::vector<PartyRow>> back = second->rows(t, RowRange{});
        QCOMPARE(int(back->size()), int(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i)
            QCOMPARE(back.value()[i].values, rows[i]);
    }

    // The preview shows what would be added and flags what is wrong; the header's
    // columns are found by name in any order.
    void previewFlagsBadIbanAndMalformedRows()
    {
        const PartyTable t = PartyTable::Recipients;
        QStringList header = partyColumns(t);
        std::reverse(header.begin(), header.end());
        header.insert(2, u"Бележка"_s);
        auto line = [&](const QString &name, const QString &iban) {
            QStringList f;
            for (const QString &h : std::as_const(header))
                f.append(h == u"IBAN"_s               ? iban
                         : h == partyColumns(t).at(0) ? name
                         : h == u"Бележка"_s          ? u"пропусната"_s
                                                      : u""_s);
            return f;
        };
        CsvWriter w;
        w.writeRecord(header);
        w.writeRecord(line(u"Добър"_s, u"BG80BNBG96611020345678"_s));
        w.writeRecord(line(u"Лош IBAN"_s, u"BG80BNBG96611020345679"_s));
        w.writeRecord({u"къс ред"_s, u"само две полета"_s});
        w.writeRecord(line(u"Без IBAN"_s, u""_s));
        w.writeRecord(line(u"С\u001bESC"_s, u""_s));

        const ImportPreview preview = previewPartiesCsv(t, w.data());
        QVERIFY(preview.ok());
        QCOMPARE(preview.ignored, QStringList{u"Бележка"_s});
        QCOMPARE(int(preview.rows.size()), 5);
        QCOMPARE(preview.rows[0].flag, ImportRow::Flag::None);
        QStringList good(partyColumns(t).size(), u""_s);
        good[0] = u"Добър"_s;
        good[6] = u"BG80BNBG96611020345678"_s;
        QCOMPARE(preview.rows[0].values, good);
        QCOMPARE(preview.rows[1].flag, ImportRow::Flag::BadIban);
        QCOMPARE(preview.rows[1].line, 3);
        QVERIFY(preview.rows[1].note.contains(u"BG80BNBG96611020345679"_s));
        QCOMPARE(preview.rows[2].flag, ImportRow::Flag::Malformed);
        QCOMPARE(preview.rows[3].flag, ImportRow::Flag::None);
        QCOMPARE(preview.rows[4].flag, ImportRow::Flag::Malformed);
        QVERIFY2(preview.rows[4].note.startsWith(u"Ред 6: полето „Име на получателя“ съдържа "
                                                 "управляващ знак (код 001b)"_s),
                 qPrintable(preview.rows[4].note));
        QCOMPARE(preview.count(ImportRow::Flag::BadIban), 1);

        QTemporaryDir dir;
        auto store = book(dir, u"base.mdb"_s);
        QVERIFY(store);
        const ImportReport all = importParties(*store, preview);
        QCOMPARE(all.added, 3);
        QCOMPARE(all.skipped, 2);
        const ImportReport careful = importParties(*store, preview, ImportOptions{true});
        QCOMPARE(careful.added, 2);
        QCOMPARE(careful.skipped, 3);
        QCOMPARE(store->summary(t).value().count, 5);
    }

    void refusedImports_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("error");
        QStringList noIban = partyColumns(PartyTable::Recipients);
        noIban.removeAll(u"IBAN"_s);
        CsvWriter w;
        w.writeRecord(noIban);
        w.writeRecord(recipient(u"x"_s).mid(0, noIban.size()));
        QTest::newRow("missing column") << w.data() << u"липсва колоната „IBAN“"_s;
        QTest::newRow("empty file") << kBom << u"празен"_s;
        QTest::newRow("not text") << QByteArray("\xff\xfe\x00\x01\x98", 5) << u"не е текст"_s;
        CsvWriter stray;
        stray.writeRecord(partyColumns(PartyTable::Recipients));
        stray.writeRecord(recipient(u"Петров"_s));
        stray.writeRecord(recipient(u"Иванов"_s));
        QByteArray oneByte = stray.data();
        oneByte.replace("Иванов", "Ив\xe0нов"); // a Windows-1251 "а" pasted in
        QTest::newRow("one stray byte, no BOM")
            << oneByte.mid(3) << u"не е в кодировка UTF-8: ред 3 съдържа байт 0xe0"_s;
        // The first of two, just after the BOM: a Windows-1251 no-break space.
        const QByteArray firstByte = kBom + '\xa0' + oneByte.mid(3);
        QTest::newRow("two stray bytes, one first after the BOM")
            << firstByte << u"не е в кодировка UTF-8: ред 1 съдържа байт 0xa0"_s;
    }
    // A file that cannot be imported adds nothing.
    void refusedImports()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, error);
        const ImportPreview preview = previewPartiesCsv(PartyTable::Recipients, data);
        QVERIFY2(preview.error.contains(error), qPrintable(preview.error));
        QTemporaryDir dir;
        auto store = book(dir, u"base.mdb"_s);
        QVERIFY(store);
        const ImportReport report = importParties(*store, preview);
        QVERIFY(!report.error.ok());
        QCOMPARE(report.added, 0);
        QCOMPARE(store->summary(PartyTable::Recipients).value().count, 0);
    }

    // An import the book refuses adds none of its rows, and the message says so and why.
    void failedImportSaysNoneWasAdded()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/base.mdb"_s;
        SqliteBookOptions options;
        options.busyTimeoutMs = 100;
        StoreResult<std::unique_ptr<PartyStore>> store = openSqliteBook(path, options);
        QVERIFY(store.ok());
        CsvWriter w;
        w.writeRecord(partyColumns(PartyTable::Recipients));
        for (int i = 0; i < 3000; ++i)
            w.writeRecord(recipient(u"Получател %1"_s.arg(i)));
        OtherConnection other(Backend::Sqlite, path);
        QVERIFY(other.exec(u"BEGIN EXCLUSIVE"_s));
        const ImportReport report =
            importParties(*store.value(), previewPartiesCsv(PartyTable::Recipients, w.data()));
        QCOMPARE(report.added, 0);
        const QString message = report.error.message();
        QCOMPARE(report.error.kind(), StoreError::Kind::Busy);
        for (const QString &said : {u"Файлът не е внесен"_s, u"нито един от 3000 не е добавен"_s,
                                    u"заета от друга програма"_s})
            QVERIFY2(message.contains(said), qPrintable(message));
        QVERIFY2(!message.contains(u"Записът не е добавен"_s), qPrintable(message));
        QVERIFY(other.exec(u"ROLLBACK"_s));
        QCOMPARE(store.value()->summary(PartyTable::Recipients).value().count, 0);
    }

    // Imported through a window's list, the rows show at once at its end, after the
    // rows it had.
    void importThroughAList()
    {
        QTemporaryDir dir;
        auto store = book(dir, u"base.mdb"_s);
        QVERIFY(store);
        const PartyTable t = PartyTable::Recipients;
        QVERIFY(store->add(t, recipient(u"Стар"_s)).ok());
        auto list = PartyList::open(*store, t).take();
        CsvWriter w;
        w.writeRecord(partyColumns(t));
        w.writeRecord(recipient(u"Нов 1"_s));
        w.writeRecord(recipient(u"Нов 2"_s));
        QSignalSpy inserted(list.get(), &PartyList::rowsInserted);
        const ImportReport report = importParties(*list, previewPartiesCsv(t, w.data()));
        QCOMPARE(report.added, 2);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first(), (QVariantList{1, 2}));
        QCOMPARE(list->nameAt(0), u"Стар"_s);
        QCOMPARE(list->nameAt(2), u"Нов 2"_s);
        QCOMPARE(list->search(u"нов"_s).value(), (std::vector<int>{1, 2}));
    }

    // A value that a spreadsheet would run as a formula is written with an apostrophe in
    // front, which import takes off again; nothing else is touched, so that every value
    // comes back exactly.
    void spreadsheetFormulas_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("equals") << u"=1+1"_s << u"'=1+1"_s;
        QTest::newRow("plus") << u"+359 888"_s << u"'+359 888"_s;
        QTest::newRow("minus") << u"-5"_s << u"'-5"_s;
        QTest::newRow("at") << u"@SUM(A1)"_s << u"'@SUM(A1)"_s;
        QTest::newRow("tab") << u"\t=1"_s << u"'\t=1"_s;
        QTest::newRow("apostrophe before equals") << u"'=1"_s << u"''=1"_s;
        QTest::newRow("plain apostrophe") << u"'quoted'"_s << u"'quoted'"_s;
        QTest::newRow("equals inside") << u"a=b"_s << u"a=b"_s;
        QTest::newRow("only apostrophes") << u"''"_s << u"''"_s;
        QTest::newRow("empty") << u""_s << u""_s;
        QTest::newRow("pasted NUL") << u"a\u0000b"_s << u"a\u0000b"_s;
    }
    void spreadsheetFormulas()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(guardedForSpreadsheet(value), written);
        QCOMPARE(unguardedFromSpreadsheet(written), value);
        QTemporaryDir dir;
        auto store = book(dir, u"base.mdb"_s);
        QVERIFY(store);
        QStringList v = recipient(value);
        v[5] = value;
        if (value.contains(u'\0')) {
            // The book refuses a control character: the guard is for files made elsewhere.
            const StoreResult<PartyKey> refused = store->add(PartyTable::Recipients, v);
            // The party is named with the character shown as a space.
            QVERIFY2(refused.error().message().contains(u"на „a b“ съдържа управляващ знак"_s),
                     qPrintable(refused.error().message()));
            QCOMPARE(store->summary(PartyTable::Recipients).value().count, 0);
            return;
        }
        QVERIFY(store->add(PartyTable::Recipients, v).ok());
        const QByteArray csv = exportPartiesCsv(*store, PartyTable::Recipients).value();
        QCOMPARE(parseCsv(csv).records.value(1).fields.value(0), written);
        const ImportPreview preview = previewPartiesCsv(PartyTable::Recipients, csv);
        QVERIFY(preview.ok());
        QCOMPARE(preview.rows.at(0).values, v);
    }

    // A spreadsheet set to Bulgarian saves its "CSV" with semicolons: such a file is read
    // as well, quotes and all.
    void semicolonsFromASpreadsheet()
    {
        QStringList header = partyColumns(PartyTable::Recipients);
        QString text = header.join(u';') + u"\r\n"_s;
        QStringList row = recipient(u"Петров; Иванов, ООД"_s, u"BG80BNBG96611020345678"_s);
        for (QString &f : row) {
            if (f.contains(u';') || f.contains(u','))
                f = u'"' + f + u'"';
        }
        text += row.join(u';') + u"\r\n"_s;
        const QByteArray data = QStringEncoder("windows-1251").encode(text);
        const ImportPreview preview = previewPartiesCsv(PartyTable::Recipients, data);
        QVERIFY2(preview.ok(), qPrintable(preview.error));
        QCOMPARE(int(preview.rows.size()), 1);
        QCOMPARE(preview.rows.at(0).values,
                 recipient(u"Петров; Иванов, ООД"_s, u"BG80BNBG96611020345678"_s));
        QVERIFY(preview.ignored.isEmpty());
    }

    void exportToAFile()
    {
        QTemporaryDir dir;
        auto store = book(dir, u"base.mdb"_s);
        QVERIFY(store);
        QVERIFY(store->add(PartyTable::Payers, QStringList(13, u"ж"_s)).ok());
        const QString path = dir.path() + u"/наредители.csv"_s;
        QVERIFY(!exportPartiesCsvFile(*store, PartyTable::Payers, path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), exportPartiesCsv(*store, PartyTable::Payers).value());
        const StoreError e =
            exportPartiesCsvFile(*store, PartyTable::Payers, dir.path() + u"/няма/такава/x.csv"_s);
        QVERIFY2(e.message().contains(u"не е записан: папката"_s), qPrintable(e.message()));
    }
};

QTEST_GUILESS_MAIN(TestPartyCsv)
#include "tst_partycsv.moc"
