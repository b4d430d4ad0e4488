#pragma once

#include "FeedbackHost.h"
#include "FeedbackMail.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrune::feedback {

// "Database feedback": composes a mail with a router's lookup data for the maker and hands it to the
// user's own mail program, so nothing leaves the computer before the user has read it.
class FeedbackForm : public QDialog {
    Q_OBJECT
public:
    // Reads the page address, keyword and skip count from host and opens the mail through it; a dialog of
    // parent.
    FeedbackForm(QWidget* parent, FeedbackHost& host);

    QLabel* warningLabel() const { return m_warningLabel; }
    QLineEdit* urlEdit() const { return m_urlEdit; }
    QLineEdit* manufacturerEdit() const { return m_manufacturerEdit; }
    QLineEdit* modelEdit() const { return m_modelEdit; }
    QCheckBox* defaultLoginCheck() const { return m_defaultLoginCheck; }
    // "Default" and "Username", "Default" and "Password": the captions of the two default login fields.
    const std::array<QLabel*, 4>& loginCaptions() const { return m_loginCaptions; }
    QLineEdit* defaultUsernameEdit() const { return m_defaultUsernameEdit; }
    QLineEdit* defaultPasswordEdit() const { return m_defaultPasswordEdit; }
    QPushButton* submitButton() const { return m_submitButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    // Copies the composed mail to the clipboard; shown after the mail program could not be opened.
    QPushButton* copyButton() const { return m_copyButton; }

    void onShown();
    void onDefaultLoginToggled();
    void onSubmitClicked();
    void onCancelClicked();
    void onCopyClicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    FeedbackData composedData() const;

    FeedbackHost& m_host;
    QLabel* m_warningLabel = nullptr;
    QLineEdit* m_urlEdit = nullptr;
    QLineEdit* m_manufacturerEdit = nullptr;
    QLineEdit* m_modelEdit = nullptr;
    QCheckBox* m_defaultLoginCheck = nullptr;
    std::array<QLabel*, 4> m_loginCaptions{};
    QLineEdit* m_defaultUsernameEdit = nullptr;
    QLineEdit* m_defaultPasswordEdit = nullptr;
    QPushButton* m_submitButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_copyButton = nullptr;
};

} // namespace kestrune::feedback
