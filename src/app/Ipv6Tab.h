#pragma once

#include "Settings.h"
#include "SettingsTable.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace kestrune::app {

// "IPv6": whether the IPv6 address is looked up and published, where it comes from (the interfaces or an
// IPv6-only echo service), the suffix for a server behind this machine's prefix and its own IP file.
class Ipv6Tab : public QWidget {
    Q_OBJECT
public:
    explicit Ipv6Tab(QWidget* parent = nullptr);

    QCheckBox* enabledCheck() const { return m_enabledCheck; }
    QRadioButton* interfaceRadio() const { return m_interfaceRadio; }
    QRadioButton* serviceRadio() const { return m_serviceRadio; }
    QLineEdit* interfaceEdit() const { return m_interfaceEdit; }
    QComboBox* serviceCombo() const { return m_serviceCombo; }
    QCheckBox* fallbackCheck() const { return m_fallbackCheck; }
    QLineEdit* suffixEdit() const { return m_suffixEdit; }
    QLineEdit* fileEdit() const { return m_fileEdit; }

    void loadSetting(core::Setting id, const core::Settings& settings);
    // Fields still showing what was loaded give back the loaded bytes.
    void storeSettings(core::Settings& settings, const core::Settings& loaded) const;

private:
    void showSourceFields();

    QCheckBox* m_enabledCheck = nullptr;
    QRadioButton* m_interfaceRadio = nullptr;
    QRadioButton* m_serviceRadio = nullptr;
    QLineEdit* m_interfaceEdit = nullptr;
    QComboBox* m_serviceCombo = nullptr;
    QCheckBox* m_fallbackCheck = nullptr;
    QLineEdit* m_suffixEdit = nullptr;
    QLineEdit* m_fileEdit = nullptr;
};

} // namespace kestrune::app
