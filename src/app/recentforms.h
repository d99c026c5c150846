#pragma once

#include <QStringList>

namespace formelan {

// The form files opened or saved last, newest first, kept in the user's settings.
class RecentForms {
public:
    static constexpr int kMax = 8;

    QStringList files() const;
    // Puts the file first; the list keeps at most kMax files.
    void add(const QString &path);
    void remove(const QString &path);
};

} // namespace formelan
