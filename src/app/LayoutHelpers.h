#pragma once

#include <QFrame>
#include <QRadioButton>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Small builders for the window's layout code: each names the control as the program knows it.
namespace Layout {

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption, bool enabled = true);
QCheckBox* CheckBox(QWidget* parent, const QString& name, const QString& caption);
QLineEdit* Edit(QWidget* parent, const QString& name, const QString& text = QString());
// A caption label; unnamed labels describe the control beside them.
QLabel* Caption(QWidget* parent, const QString& text, const QString& name = QString());
// A sunken panel whose centred caption is a display.
QLabel* DisplayPanel(QWidget* parent, const QString& name);
// A raised panel that holds other controls.
QFrame* Panel(QWidget* parent, const QString& name);
QGroupBox* Group(QWidget* parent, const QString& title);

} // namespace Layout

// A radio button as the lookup source needs it: a click checks it but never unchecks it, and the program
// may uncheck it even when no other button of its panel is checked.
class TSourceRadioButton : public QRadioButton {
public:
    TSourceRadioButton(const QString& caption, QWidget* parent);

protected:
    void nextCheckState() override;
};
