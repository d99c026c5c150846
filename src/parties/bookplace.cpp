#include "parties/bookplace.h"

#include "base/settings.h"
#include "parties/sqlitepartystore.h"

namespace formelan {

using namespace Qt::StringLiterals;

namespace {
const QString kGroup = u"addressBook"_s;
}

BookPlaceSettings loadBookPlace()
{
    std::unique_ptr<QSettings> settings = userSettings();
    settings->beginGroup(kGroup);
    BookPlaceSettings s;
    s.place = settings->value(u"place"_s).toString() == u"server"_s ? BookPlace::Server
                                                                    : BookPlace::Local;
    s.server.service = settings->value(u"service"_s).toString();
    s.server.host = settings->value(u"host"_s).toString();
    s.server.port = settings->value(u"port"_s, 0).toInt();
    s.server.database = settings->value(u"database"_s).toString();
    s.server.user = settings->value(u"user"_s).toString();
    s.server.sslMode = settings->value(u"sslmode"_s).toString();
    return s;
}

void saveBookPlace(const BookPlaceSettings &s)
{
    std::unique_ptr<QSettings> settings = userSettings();
    settings->beginGroup(kGroup);
    settings->setValue(u"place"_s, s.place == BookPlace::Server ? u"server"_s : u"local"_s);
    auto put = [&](const QString &key, const QString &value) {
        if (value.isEmpty())
            settings->remove(key);
        else
            settings->setValue(key, value);
    };
    put(u"service"_s, s.server.service);
    put(u"host"_s, s.server.host);
    put(u"port"_s, s.server.port > 0 ? QString::number(s.server.port) : QString());
    put(u"database"_s, s.server.database);
    put(u"user"_s, s.server.user);
    put(u"sslmode"_s, s.server.sslMode);
    settings->endGroup();
    settings->sync();
}

StoreResult<std::unique_ptr<PartyStore>> openBook(const BookPlaceSettings &settings,
                                                  const QString &localPath)
{
    if (settings.place == BookPlace::Server)
        return openServerBook(settings.server);
    return openSqliteBook(localPath);
}

} // namespace formelan
