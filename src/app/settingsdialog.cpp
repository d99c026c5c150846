#include "app/settingsdialog.h"

#include "parties/bookplacewidget.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace formelan {

using namespace Qt::StringLiterals;

SettingsDialog::SettingsDialog(const Settings &current, const BookPlaceSettings &place,
                               QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"SettingsDialog"_s);
    setWindowTitle(u"Настройки"_s);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    m_groups = new QVBoxLayout;
    m_groups->setSpacing(12);
    layout->addLayout(m_groups);
    layout->addStretch(1);

    static constexpr std::array<Option, 2> kCurrencies{{
        {kDefaultCurrencies[0], u"BGN – български лев"},
        {kDefaultCurrencies[1], u"EUR – евро"},
    }};
    m_currency =
        addChoice(u"currency"_s, u"Валута на новите документи"_s,
                  u"С нея започва документът при всяко стартиране на програмата. Отвореният "
                  u"документ не се променя."_s,
                  kCurrencies,
                  // A stored value the program does not know shows the program's default.
                  std::find(kDefaultCurrencies.begin(), kDefaultCurrencies.end(),
                            current.defaultCurrency) != kDefaultCurrencies.end()
                      ? current.defaultCurrency
                      : Settings().defaultCurrency);

    // The group's own first line names it: "Адресна книга: на този компютър / на сървър".
    auto *book = new QGroupBox(this);
    book->setObjectName(u"addressBookGroup"_s);
    auto *bookLayout = new QVBoxLayout(book);
    bookLayout->setContentsMargins(4, 4, 4, 4);
    m_place = new BookPlaceWidget(book);
    m_place->setObjectName(u"bookPlace"_s);
    m_place->setSettings(place);
    bookLayout->addWidget(m_place);
    m_groups->addWidget(book);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(u"buttons"_s);
    buttons->button(QDialogButtonBox::Ok)->setText(u"OK"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Отказ"_s);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Wide enough for the server's fields and a check's answer of a few lines.
    setMinimumWidth(480);
}

QButtonGroup *SettingsDialog::addChoice(const QString &name, const QString &title,
                                        const QString &hint, std::span<const Option> options,
                                        QStringView current)
{
    auto *box = new QGroupBox(title, this);
    box->setObjectName(name + u"Group"_s);
    auto *column = new QVBoxLayout(box);
    auto *group = new QButtonGroup(box);
    for (const Option &option : options) {
        auto *button = new QRadioButton(option.caption.toString(), box);
        button->setObjectName(name + option.value);
        button->setProperty("value", option.value.toString());
        button->setChecked(option.value == current);
        group->addButton(button);
        column->addWidget(button);
    }
    if (!group->checkedButton())
        group->buttons().constFirst()->setChecked(true);
    if (!hint.isEmpty()) {
        auto *note = new QLabel(hint, box);
        note->setWordWrap(true);
        note->setEnabled(false); // greyed: an explanation, not a choice
        column->addWidget(note);
    }
    m_groups->addWidget(box);
    return group;
}

QString SettingsDialog::chosen(const QButtonGroup *group)
{
    return group->checkedButton()->property("value").toString();
}

BookPlaceSettings SettingsDialog::bookPlace() const
{
    return m_place->settings();
}

Settings SettingsDialog::settings() const
{
    Settings s;
    s.defaultCurrency = chosen(m_currency);
    return s;
}

} // namespace formelan
