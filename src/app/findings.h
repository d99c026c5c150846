#pragma once

#include "form/documentcheck.h"

#include <QDialog>

#include <vector>

class QListWidget;

namespace formelan {

// The findings of the whole-document check, each as "label: what is wrong". Choosing
// one (Enter, a double click, "Към полето") closes the list with that field chosen;
// before a print, a PDF or a send a second button goes on all the same.
class FindingsDialog : public QDialog {
    Q_OBJECT
public:
    // The result when the clerk goes on all the same.
    static constexpr int GoOn = 2;

    // `goOn`: the caption of the button that goes on; none when empty.
    FindingsDialog(const std::vector<Finding> &findings, const QString &goOn, QWidget *parent);

    // The field chosen, when the dialog was accepted.
    QString chosenField() const { return m_chosen; }

private:
    void choose();

    std::vector<Finding> m_findings;
    QListWidget *m_list;
    QString m_chosen;
};

} // namespace formelan
