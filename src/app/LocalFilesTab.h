#pragma once

#include "Settings.h"
#include "SettingsTable.h"
#include "LazyTab.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kestrune::app {

class SpinBox;

// "Local Files": the file that holds the current address, the log of changes and the command run on a change.
class LocalFilesTab : public LazyTab {
    Q_OBJECT
public:
    explicit LocalFilesTab(QWidget* parent = nullptr);

    QCheckBox* saveAddressCheck() const { return ready(m_saveAddressCheck); }
    QLineEdit* addressFileEdit() const { return ready(m_addressFileEdit); }
    QPushButton* browseAddressFileButton() const { return ready(m_browseAddressFileButton); }
    QPushButton* testAddressFileButton() const { return ready(m_testAddressFileButton); }
    QCheckBox* logCheck() const { return ready(m_logCheck); }
    QLineEdit* logFileEdit() const { return ready(m_logFileEdit); }
    QPushButton* browseLogButton() const { return ready(m_browseLogButton); }
    SpinBox* logLinesSpin() const { return ready(m_logLinesSpin); }
    QCheckBox* runCommandCheck() const { return ready(m_runCommandCheck); }
    QLineEdit* commandEdit() const { return ready(m_commandEdit); }
    QLineEdit* commandPasswordEdit() const { return ready(m_commandPasswordEdit); }

    void loadSetting(core::Setting id, const core::Settings& settings);
    // Fields still showing what was loaded give back the loaded bytes.
    void storeSettings(core::Settings& settings, const core::Settings& loaded) const;

signals:
    void testAddressFileRequested();
    void browseAddressFileRequested();
    void browseLogRequested();

protected:
    void build() override;

private:
    QCheckBox* m_saveAddressCheck = nullptr;
    QLineEdit* m_addressFileEdit = nullptr;
    QPushButton* m_browseAddressFileButton = nullptr;
    QPushButton* m_testAddressFileButton = nullptr;
    QCheckBox* m_logCheck = nullptr;
    QLineEdit* m_logFileEdit = nullptr;
    QPushButton* m_browseLogButton = nullptr;
    SpinBox* m_logLinesSpin = nullptr;
    QCheckBox* m_runCommandCheck = nullptr;
    QLineEdit* m_commandEdit = nullptr;
    QLineEdit* m_commandPasswordEdit = nullptr;
};

} // namespace kestrune::app
