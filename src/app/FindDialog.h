#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kestrune::app {

// The page view's find dialog: one search text and "Find Next", searching downwards. It stays open beside
// the window (not modal); each Find Next is reported by the Find signal.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent);

    QString findText() const;
    void setFindText(const QString& text);
    QLineEdit* findEdit() const { return m_findEdit; }
    QPushButton* findNextButton() const { return m_findNextButton; }

signals:
    void findNext();

private:
    QLineEdit* m_findEdit;
    QPushButton* m_findNextButton;
};

} // namespace kestrune::app
