#pragma once

#include "Settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrune::app {

// One dynamic-DNS entry's fields. It shows only the fields the chosen provider uses, each with its hint, and
// checks them as they are typed (OK waits until they make an entry). It gives back what the user made of the
// entry; the window decides what is kept.
class DnsUpdateDialog : public QDialog {
    Q_OBJECT
public:
    explicit DnsUpdateDialog(QWidget* parent = nullptr);

    QCheckBox* enabledCheck() const { return m_enabledCheck; }
    // One row per provider of the table; choosing a preset fills in its server.
    QComboBox* providerCombo() const { return m_providerCombo; }
    // "IPv4", "IPv6", "both".
    QComboBox* familyCombo() const { return m_familyCombo; }
    QLineEdit* serverEdit() const { return m_serverEdit; }
    QLineEdit* zoneEdit() const { return m_zoneEdit; }
    QLineEdit* hostsEdit() const { return m_hostsEdit; }
    QLineEdit* userEdit() const { return m_userEdit; }
    QLineEdit* passwordEdit() const { return m_passwordEdit; }
    QLineEdit* urlEdit() const { return m_urlEdit; }
    QLineEdit* algorithmEdit() const { return m_algorithmEdit; }
    QLineEdit* ttlEdit() const { return m_ttlEdit; }
    QLineEdit* verifyEdit() const { return m_verifyEdit; }
    QLineEdit* refreshEdit() const { return m_refreshEdit; }
    // What keeps the fields from making an entry, shown under them.
    QLabel* problemLabel() const { return m_problemLabel; }
    QPushButton* okButton() const { return m_okButton; }
    // The field is shown for the chosen provider.
    bool fieldShown(QWidget* field) const;

    void setEntry(const core::DnsUpdateEntry& entry);
    // The fields; the entry's state (last addresses, hold, answers) comes back as setEntry gave it.
    core::DnsUpdateEntry entry() const;
    // What keeps the fields from making an entry, or empty.
    QString problem() const;

private:
    void providerChosen();
    void checkFields();
    std::string providerKey() const;

    QFormLayout* m_form = nullptr;
    QCheckBox* m_enabledCheck = nullptr;
    QComboBox* m_providerCombo = nullptr;
    QComboBox* m_familyCombo = nullptr;
    QLineEdit* m_serverEdit = nullptr;
    QLineEdit* m_zoneEdit = nullptr;
    QLineEdit* m_hostsEdit = nullptr;
    QLineEdit* m_userEdit = nullptr;
    QLineEdit* m_passwordEdit = nullptr;
    QLineEdit* m_urlEdit = nullptr;
    QLineEdit* m_algorithmEdit = nullptr;
    QLineEdit* m_ttlEdit = nullptr;
    QLineEdit* m_verifyEdit = nullptr;
    QLineEdit* m_refreshEdit = nullptr;
    QLabel* m_problemLabel = nullptr;
    QPushButton* m_okButton = nullptr;
    core::DnsUpdateEntry m_loaded;
    bool m_loading = false;
};

} // namespace kestrune::app
