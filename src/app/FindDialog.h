#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The page view's find dialog: one search text and "Find Next", searching downwards. It stays open beside
// the window (not modal); each Find Next is reported by the Find signal.
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent);

    QString FindText() const;
    void SetFindText(const QString& text);
    QLineEdit* FindEdit() const { return findEdit_; }
    QPushButton* FindNextButton() const { return findNext_; }

signals:
    void Find();

private:
    QLineEdit* findEdit_;
    QPushButton* findNext_;
};
