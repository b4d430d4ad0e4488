#pragma once

#include "Settings.h"
#include "SettingsTable.h"

#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kestrune::app {

// "User-Defined Service": the user's own lookups and the router presets, the page address and its login.
class UserLookupsTab : public QWidget {
    Q_OBJECT
public:
    explicit UserLookupsTab(QWidget* parent = nullptr);

    QRadioButton* userDefinedRadio() const { return m_userDefinedRadio; }
    QListWidget* userLookupList() const { return m_userLookupList; }
    QListWidget* presetList() const { return m_presetList; }
    // The name of the entry the fields were loaded from.
    QLabel* entryNameLabel() const { return m_entryNameLabel; }
    QPushButton* newButton() const { return m_newButton; }
    QPushButton* addButton() const { return m_addButton; }
    QPushButton* removeButton() const { return m_removeButton; }
    QPushButton* applyButton() const { return m_applyButton; }
    QLineEdit* urlEdit() const { return m_urlEdit; }
    // Offered for an "https://" page only.
    QCheckBox* anyCertificateCheck() const { return m_anyCertificateCheck; }
    QCheckBox* pageAuthCheck() const { return m_pageAuthCheck; }
    QLineEdit* pageUsernameEdit() const { return m_pageUsernameEdit; }
    QLineEdit* pagePasswordEdit() const { return m_pagePasswordEdit; }
    QPushButton* getAddressButton() const { return m_getAddressButton; }
    QPushButton* helpButton() const { return m_helpButton; }

    void loadSetting(core::Setting id, const core::Settings& settings);
    // Fields still showing what was loaded give back the loaded bytes.
    void storeSettings(core::Settings& settings, const core::Settings& loaded) const;

signals:
    void userDefinedChosen();
    // A row was chosen by a click, or by the arrow keys while the list has the focus.
    void userLookupChosen();
    void presetChosen();
    void newRequested();
    void addRequested();
    void applyRequested();
    void removeRequested();
    void getAddressRequested();
    void helpRequested();
    // The page address, its login, whether it needs one or whether any certificate is accepted changed.
    void fieldsEdited();

private:
    QFrame* m_lookupPanel = nullptr;
    QRadioButton* m_userDefinedRadio = nullptr;
    QListWidget* m_userLookupList = nullptr;
    QListWidget* m_presetList = nullptr;
    QLabel* m_entryNameLabel = nullptr;
    QPushButton* m_newButton = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QPushButton* m_applyButton = nullptr;
    QLineEdit* m_urlEdit = nullptr;
    QCheckBox* m_anyCertificateCheck = nullptr;
    QCheckBox* m_pageAuthCheck = nullptr;
    QLineEdit* m_pageUsernameEdit = nullptr;
    QLineEdit* m_pagePasswordEdit = nullptr;
    QPushButton* m_getAddressButton = nullptr;
    QPushButton* m_helpButton = nullptr;
};

} // namespace kestrune::app
