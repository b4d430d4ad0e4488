#pragma once

#include <QFrame>
#include <QRadioButton>
#include <QString>
#include <initializer_list>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kestrune::app {

// Small builders for the layout code of the window and its tabs: each names the control by its role.
namespace layout {

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, bool enabled = true);
QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption);
QLineEdit* edit(QWidget* parent, const QString& name, const QString& text = QString());
// A caption label; unnamed labels describe the control beside them.
QLabel* caption(QWidget* parent, const QString& text, const QString& name = QString());
// A sunken panel whose centred caption is a display.
QLabel* displayPanel(QWidget* parent, const QString& name);
// A raised panel that holds other controls.
QFrame* panel(QWidget* parent, const QString& name);
QGroupBox* group(QWidget* parent, const QString& title);
// A tab's list of entries in a group filling the tab, with Add, Edit, Remove and one button of the tab's own
// below it; the controls are named prefix + "EntryList", prefix + "AddButton" and so on.
struct EntryList {
    QListWidget* list;
    QPushButton* add;
    QPushButton* edit;
    QPushButton* remove;
    QPushButton* extra;
};
EntryList entryList(QWidget* tab, const QString& title, const QString& prefix, const QString& extraName,
                    const QString& extraCaption);
// Selects the item whose data is key; a key this version does not know is added as it is and selected, so
// that it stays as the settings file names it.
void selectKeeping(QComboBox* combo, const QString& key);
// Password boxes of this program mask every character with "+". Call once the boxes exist: the style is
// owner's child and must outlive them.
void maskWithPlus(QWidget* owner, std::initializer_list<QLineEdit*> edits);

} // namespace layout

// A radio button as the lookup source needs it: a click checks it but never unchecks it, and the program
// may uncheck it even when no other button of its panel is checked.
class SourceRadioButton : public QRadioButton {
public:
    SourceRadioButton(const QString& caption, QWidget* parent);

protected:
    void nextCheckState() override;
};

} // namespace kestrune::app
