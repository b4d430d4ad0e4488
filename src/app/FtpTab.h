#pragma once

#include "Settings.h"
#include "SettingsTable.h"
#include "LazyTab.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kestrune::app {

// "FTP": the server the filled-in template is uploaded to, and the template and remote file names.
class FtpTab : public LazyTab {
    Q_OBJECT
public:
    explicit FtpTab(QWidget* parent = nullptr);

    QLineEdit* hostEdit() const { return ready(m_hostEdit); }
    QLineEdit* usernameEdit() const { return ready(m_usernameEdit); }
    QLineEdit* passwordEdit() const { return ready(m_passwordEdit); }
    QCheckBox* rememberPasswordCheck() const { return ready(m_rememberPasswordCheck); }
    QCheckBox* enableCheck() const { return ready(m_enableCheck); }
    QPushButton* uploadButton() const { return ready(m_uploadButton); }
    QCheckBox* passiveCheck() const { return ready(m_passiveCheck); }
    QCheckBox* tlsCheck() const { return ready(m_tlsCheck); }
    QCheckBox* anyCertificateCheck() const { return ready(m_anyCertificateCheck); }
    QLineEdit* templateEdit() const { return ready(m_templateEdit); }
    QPushButton* browseTemplateButton() const { return ready(m_browseTemplateButton); }
    QLineEdit* remoteFileEdit() const { return ready(m_remoteFileEdit); }

    void loadSetting(core::Setting id, const core::Settings& settings);
    // Fields still showing what was loaded give back the loaded bytes.
    void storeSettings(core::Settings& settings, const core::Settings& loaded) const;
    // Upload is offered once every field is filled in.
    void updateUploadButton();
    // What keeps an enabled upload from working, as the tab check reports it; empty when nothing does.
    QString missingEntryMessage() const;

signals:
    void uploadRequested();
    void browseTemplateRequested();

protected:
    void build() override;

private:
    QLineEdit* m_hostEdit = nullptr;
    QLineEdit* m_usernameEdit = nullptr;
    QLineEdit* m_passwordEdit = nullptr;
    QCheckBox* m_rememberPasswordCheck = nullptr;
    QCheckBox* m_enableCheck = nullptr;
    QPushButton* m_uploadButton = nullptr;
    QCheckBox* m_passiveCheck = nullptr;
    QCheckBox* m_tlsCheck = nullptr;
    QCheckBox* m_anyCertificateCheck = nullptr;
    QLineEdit* m_templateEdit = nullptr;
    QPushButton* m_browseTemplateButton = nullptr;
    QLineEdit* m_remoteFileEdit = nullptr;
};

} // namespace kestrune::app
