#pragma once

#include "Settings.h"
#include "SettingsTable.h"
#include "MailSender.h"
#include "LazyTab.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace kestrune::app {

// "  E-mail   ": the notification mail's recipient, server, sender, subject and login.
class MailTab : public LazyTab {
    Q_OBJECT
public:
    explicit MailTab(QWidget* parent = nullptr);

    QCheckBox* sendMailCheck() const { return ready(m_sendMailCheck); }
    QLineEdit* toEdit() const { return ready(m_toEdit); }
    QLineEdit* serverEdit() const { return ready(m_serverEdit); }
    QLineEdit* portEdit() const { return ready(m_portEdit); }
    // The connection's security, in this order.
    enum Security { SecurityNone, SecurityStartTls, SecuritySslTls };
    QComboBox* securityCombo() const { return ready(m_securityCombo); }
    QCheckBox* anyCertificateCheck() const { return ready(m_anyCertificateCheck); }
    QPushButton* defaultPortButton() const { return ready(m_defaultPortButton); }
    QLineEdit* fromEdit() const { return ready(m_fromEdit); }
    QLineEdit* subjectEdit() const { return ready(m_subjectEdit); }
    QCheckBox* loginCheck() const { return ready(m_loginCheck); }
    QLineEdit* userEdit() const { return ready(m_userEdit); }
    QLineEdit* passwordEdit() const { return ready(m_passwordEdit); }
    QPushButton* testMailButton() const { return ready(m_testMailButton); }

    void loadSetting(core::Setting id, const core::Settings& settings);
    // Fields still showing what was loaded give back the loaded bytes.
    void storeSettings(core::Settings& settings, const core::Settings& loaded) const;
    // This tab's settings as storeSettings gives them back once loaded: what the window keeps while the tab
    // is not built.
    static void settleAsShown(core::Settings& settings);
    actions::MailSenderSettings mailSettings() const;
    // Test is offered while mail is on.
    void updateTestButton();
    // What keeps enabled mail from working, as the tab check reports it; empty when nothing does.
    QString missingEntryMessage() const;

protected:
    void build() override;

private:
    static Security securityOf(const core::Settings& settings);
    bool sslChosen() const;
    bool startTlsChosen() const;

signals:
    void testMailRequested();

private:
    QCheckBox* m_sendMailCheck = nullptr;
    QLineEdit* m_toEdit = nullptr;
    QLineEdit* m_serverEdit = nullptr;
    QLineEdit* m_portEdit = nullptr;
    QComboBox* m_securityCombo = nullptr;
    QCheckBox* m_anyCertificateCheck = nullptr;
    QPushButton* m_defaultPortButton = nullptr;
    QLineEdit* m_fromEdit = nullptr;
    QLineEdit* m_subjectEdit = nullptr;
    QFrame* m_loginPanel = nullptr;
    QCheckBox* m_loginCheck = nullptr;
    QLineEdit* m_userEdit = nullptr;
    QLineEdit* m_passwordEdit = nullptr;
    QPushButton* m_testMailButton = nullptr;
};

} // namespace kestrune::app
