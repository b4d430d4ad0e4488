#pragma once

#include "Settings.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace kestrune::app {

// One notice entry's fields. It shows an entry and gives back what the user made of it; the window decides
// what is kept.
class NoticeDialog : public QDialog {
    Q_OBJECT
public:
    explicit NoticeDialog(QWidget* parent = nullptr);

    QCheckBox* enabledCheck() const { return m_enabledCheck; }
    // One row per kind; choosing one fills in its example address and body where they are empty or still
    // the previous kind's.
    QComboBox* kindCombo() const { return m_kindCombo; }
    QLineEdit* urlEdit() const { return m_urlEdit; }
    QLineEdit* tokenEdit() const { return m_tokenEdit; }
    QLineEdit* titleEdit() const { return m_titleEdit; }
    QLineEdit* bodyEdit() const { return m_bodyEdit; }
    // One box per event an entry may choose, in the order of actions::noticeEventChoices().
    const std::vector<QCheckBox*>& eventChecks() const { return m_eventChecks; }

    void setEntry(const core::NoticeEntry& entry);
    core::NoticeEntry entry() const;
    // What keeps the fields from making a notice (a JSON body that is no JSON once filled in, with the
    // parser's reason), or empty.
    QString problem() const;

private:
    void kindChosen();
    std::string kindKey() const;

    QCheckBox* m_enabledCheck = nullptr;
    QComboBox* m_kindCombo = nullptr;
    QLineEdit* m_urlEdit = nullptr;
    QLineEdit* m_tokenEdit = nullptr;
    QLineEdit* m_titleEdit = nullptr;
    QLineEdit* m_bodyEdit = nullptr;
    std::vector<QCheckBox*> m_eventChecks;
    std::string m_previousKind;
    bool m_loading = false;
};

} // namespace kestrune::app
