#pragma once

#include "base/settings.h"
#include "parties/bookplace.h"

#include <QDialog>

#include <span>

class QButtonGroup;
class QVBoxLayout;

namespace formelan {

class BookPlaceWidget;

// "Настройки": the user's choices, one group of options each. Shows the settings it is
// given and answers the ones chosen; keeping them is the caller's business.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(const Settings &current, const BookPlaceSettings &place = {},
                            QWidget *parent = nullptr);

    Settings settings() const;
    BookPlaceSettings bookPlace() const;

private:
    struct Option {
        QStringView value;
        QStringView caption;
    };
    // A titled group of options, one of them chosen; each option's button is named
    // `name` followed by its value.
    QButtonGroup *addChoice(const QString &name, const QString &title, const QString &hint,
                            std::span<const Option> options, QStringView current);
    static QString chosen(const QButtonGroup *group);

    QVBoxLayout *m_groups = nullptr;
    QButtonGroup *m_currency = nullptr;
    BookPlaceWidget *m_place = nullptr;
};

} // namespace formelan
