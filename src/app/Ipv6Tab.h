#pragma once

#include "Settings.h"
#include "SettingsTable.h"
#include "LazyTab.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace kestrune::app {

// "IPv6": whether the IPv6 address is looked up and published, where it comes from (the interfaces or an
// IPv6-only echo service), the suffix for a server behind this machine's prefix and its own IP file.
class Ipv6Tab : public LazyTab {
    Q_OBJECT
public:
    explicit Ipv6Tab(QWidget* parent = nullptr);

    QCheckBox* enabledCheck() const { return ready(m_enabledCheck); }
    QRadioButton* interfaceRadio() const { return ready(m_interfaceRadio); }
    QRadioButton* serviceRadio() const { return ready(m_serviceRadio); }
    QLineEdit* interfaceEdit() const { return ready(m_interfaceEdit); }
    QComboBox* serviceCombo() const { return ready(m_serviceCombo); }
    QCheckBox* fallbackCheck() const { return ready(m_fallbackCheck); }
    QLineEdit* suffixEdit() const { return ready(m_suffixEdit); }
    QLineEdit* fileEdit() const { return ready(m_fileEdit); }

    void loadSetting(core::Setting id, const core::Settings& settings);
    // Fields still showing what was loaded give back the loaded bytes.
    void storeSettings(core::Settings& settings, const core::Settings& loaded) const;
    // This tab's settings as storeSettings gives them back once loaded: what the window keeps while the tab
    // is not built.
    static void settleAsShown(core::Settings& settings);

protected:
    void build() override;

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
