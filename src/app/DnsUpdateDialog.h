#pragma once

#include "Settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace kestrune::app {

// One dynamic-DNS entry's fields. It shows an entry and gives back what the user made of it; the window
// decides what is kept.
class DnsUpdateDialog : public QDialog {
    Q_OBJECT
public:
    explicit DnsUpdateDialog(QWidget* parent = nullptr);

    QCheckBox* enabledCheck() const { return m_enabledCheck; }
    // One row per provider; choosing a preset fills in its server.
    QComboBox* providerCombo() const { return m_providerCombo; }
    QLineEdit* serverEdit() const { return m_serverEdit; }
    QLineEdit* hostsEdit() const { return m_hostsEdit; }
    QLineEdit* userEdit() const { return m_userEdit; }
    QLineEdit* passwordEdit() const { return m_passwordEdit; }
    // Offered for the custom URL only.
    QLineEdit* urlEdit() const { return m_urlEdit; }

    void setEntry(const core::DnsUpdateEntry& entry);
    // The fields; the last address and hold come back as setEntry gave them.
    core::DnsUpdateEntry entry() const;
    // What keeps the fields from making an entry, or empty.
    QString problem() const;

private:
    void providerChosen();
    std::string providerKey() const;

    QCheckBox* m_enabledCheck = nullptr;
    QComboBox* m_providerCombo = nullptr;
    QLineEdit* m_serverEdit = nullptr;
    QLineEdit* m_hostsEdit = nullptr;
    QLineEdit* m_userEdit = nullptr;
    QLineEdit* m_passwordEdit = nullptr;
    QLineEdit* m_urlEdit = nullptr;
    core::DnsUpdateEntry m_loaded;
    bool m_loading = false;
};

} // namespace kestrune::app
