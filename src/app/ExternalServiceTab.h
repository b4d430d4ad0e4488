#pragma once

#include "AddressSources.h"
#include "Settings.h"
#include "SettingsTable.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kestrune::app {

// "External Service": the choice of a public address service, and (in the debug view) the stored records of
// the user-defined and preset lookups.
class ExternalServiceTab : public QWidget {
    Q_OBJECT
public:
    explicit ExternalServiceTab(QWidget* parent = nullptr);

    QRadioButton* externalRadio() const { return m_externalRadio; }
    QComboBox* serviceCombo() const { return m_serviceCombo; }
    QPushButton* lookupButton() const { return m_lookupButton; }
    QCheckBox* fallbackCheck() const { return m_fallbackCheck; }
    // Where the IPv4 address comes from ("[Lookup] Source"), the STUN servers, the confirmation and the router
    // check.
    QComboBox* addressSourceCombo() const { return m_addressSourceCombo; }
    QLineEdit* stunServersEdit() const { return m_stunServersEdit; }
    QCheckBox* confirmCheck() const { return m_confirmCheck; }
    QCheckBox* routerCheck() const { return m_routerCheck; }
    // One row per user-defined lookup, its stored record checked when it carries credentials.
    QListWidget* userRecordsList() const { return m_userRecordsList; }
    QListWidget* presetRecordsList() const { return m_presetRecordsList; }
    // The debug view's lines: which service answered, what a dynamic-DNS update or the command said.
    QPlainTextEdit* debugLog() const { return m_debugLog; }
    void addDebugLine(const QString& line);

    // Puts one setting of this tab into its control the way a user would; other settings are left alone.
    void loadSetting(core::Setting id, const core::Settings& settings);
    // Fields still showing what was loaded give back the loaded bytes.
    void storeSettings(core::Settings& settings, const core::Settings& loaded) const;
    void setDebugView(bool on);

signals:
    void lookupRequested();
    // The external source became the chosen one, by the user or by the settings.
    void externalChosen();

private:
    static QString sourceCaption(lookup::SourceKind kind);

    QFrame* m_sourcePanel = nullptr;
    QRadioButton* m_externalRadio = nullptr;
    QComboBox* m_serviceCombo = nullptr;
    QPushButton* m_lookupButton = nullptr;
    QCheckBox* m_fallbackCheck = nullptr;
    QComboBox* m_addressSourceCombo = nullptr;
    QLineEdit* m_stunServersEdit = nullptr;
    QCheckBox* m_confirmCheck = nullptr;
    QCheckBox* m_routerCheck = nullptr;
    QListWidget* m_userRecordsList = nullptr;
    QListWidget* m_presetRecordsList = nullptr;
    QPlainTextEdit* m_debugLog = nullptr;
};

} // namespace kestrune::app
