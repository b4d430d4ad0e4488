#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDialogs;
class TForm1;

// "Database feedback": composes a mail with a router's lookup data for the maker and hands it to the
// user's own mail program, so nothing leaves the computer before the user has read it.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // Reads the page address, keyword and skip count from mainWindow; opens the mail through dialogs.
    TForm2(TForm1& mainWindow, TDialogs& dialogs);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* Label11 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void FormShow();
    void CheckBox1Click();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();

    TForm1& mainWindow_;
    TDialogs& dialogs_;
};
