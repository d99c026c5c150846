#pragma once

// The reference documents of the help menu: the ones the program ships or makes itself,
// and, for those it cannot honestly ship, where the clerk finds the official text.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

namespace formelan {

class BankList;

struct ReferenceDoc {
    enum class Source {
        Shipped,      // a file in the help folder
        BankListPage, // made from the bank list at the moment it is asked for
        Elsewhere,    // not in the program: the clerk is told where it is
    };
    QStringView item;
    QStringView caption;
    Source source;
    QStringView file;  // in the help folder, for a shipped document
    QStringView where; // told when the document is not there
};

// The help menu's documents, in the menu's order.
std::span<const ReferenceDoc> referenceDocs();

// The bank list as a printable HTML page: each group's banks with their BIC and the bank
// code their IBANs carry, and which files it was read from when.
QString bankListHtml(const BankList &list, const QStringList &madeFrom, const QDateTime &made);

} // namespace formelan
