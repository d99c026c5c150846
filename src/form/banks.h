#pragma once

// The list of Bulgarian banks shipped as help/banks.csv, with the office's own banks.csv
// in the user's data folder over it: the bank code chooser shows it and an IBAN fills
// its bank from it.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace formelan {

struct Bank {
    QString group; // the heading the bank code chooser shows it under
    QString name;
    QString bic; // 8 or 11 characters; the first four are the bank code of its IBANs
};

class BankList {
public:
    // An empty list: it knows no bank.
    BankList() = default;

    // Reads a list: UTF-8 text, the header line "group,name,bic", then one bank a line,
    // cells separated by commas and quoted with '"' when they hold one. Blank lines are
    // passed over. A file that cannot be read, is not UTF-8 or lacks the header gives
    // nothing and the reason in `error`. A line that is not a bank with a Bulgarian BIC
    // is left out and told in `skipped` as "file:line: why": one bad line costs one bank.
    static std::optional<BankList> read(const QString &path, QString *error = nullptr,
                                        QStringList *skipped = nullptr);

    // Puts the banks of `office` over this list: a bank code this list has gets the
    // office's entries in place of its own, a new code is added at the end.
    void overrideWith(const BankList &office);

    const QList<Bank> &banks() const { return m_banks; }

    // The bank that a Bulgarian IBAN names by its characters 5 to 8, the first four
    // letters of the bank's BIC. Nothing for a text that is not a valid IBAN starting
    // with "BG", for a code not in the list, and for a code that two entries with
    // different BICs share, since the IBAN cannot tell which is meant; entries with the
    // same BIC answer the first of them.
    std::optional<Bank> bankForIban(QStringView iban) const;

private:
    void index();
    QList<Bank> m_banks;
    QHash<QString, qsizetype> m_byCode; // index into m_banks, -1 when ambiguous
};

// Whether `bic` names another bank than the Bulgarian IBAN `iban`: characters 5 to 8
// of such an IBAN are the first four of its bank's BIC. No for an empty BIC, and for a
// text that is not a valid Bulgarian IBAN, which names no bank to contradict. Needs
// no bank list, so that any window and any check of a whole document may ask.
bool bicContradictsIban(QStringView bic, QStringView iban);

// Whether `bic` has the form of a BIC: four letters of the bank, two of the country, two
// letters or digits of the place, and the branch's three or none, in capitals.
bool isBicForm(QStringView bic);

// The list shipped in the data folder (help/banks.csv) with the office's list
// (officeBankListPath()) over it, read the first time it is asked for and again when
// either file changes. A list that is missing or cannot be read knows no bank: filling
// a bank from an IBAN is a convenience, and the user can always type it.
const BankList &shippedBankList();

// The office's own list in the user's data folder, which a package upgrade leaves alone.
QString officeBankListPath();

// What reading the lists left out or could not read, in Bulgarian, each told once:
// the second call answers nothing until the lists are read again.
QStringList takeBankListProblems();

// The list as the bank code chooser shows it: RTF with a table of names and BICs under
// each group's heading.
QByteArray bankListRtf(const BankList &list);

} // namespace formelan
