#pragma once

#include "parties/pgpartystore.h"

namespace formelan {

// Where the user keeps the address book: the file on this computer (the default), or a
// database on the office's PostgreSQL server.
enum class BookPlace { Local, Server };

struct BookPlaceSettings {
    BookPlace place = BookPlace::Local;
    ServerBookSettings server; // kept when the local book is chosen, for switching back

    bool operator==(const BookPlaceSettings &) const = default;
};

// The user's choice, from the group "addressBook" of the user's settings; no password is
// ever written there.
BookPlaceSettings loadBookPlace();
void saveBookPlace(const BookPlaceSettings &settings);

// Opens the book the settings name: the file at `localPath`, or the server's.
StoreResult<std::unique_ptr<PartyStore>> openBook(const BookPlaceSettings &settings,
                                                  const QString &localPath);

} // namespace formelan
