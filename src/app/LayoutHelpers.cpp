#include "LayoutHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune::app {

namespace layout {

namespace {

class PlusMaskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter)
            return QLatin1Char('+').unicode();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, bool enabled)
{
    auto* created = new QPushButton(caption, parent);
    created->setObjectName(name);
    created->setEnabled(enabled);
    created->setAutoDefault(false);
    return created;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QLineEdit* edit(QWidget* parent, const QString& name, const QString& text)
{
    auto* created = new QLineEdit(text, parent);
    created->setObjectName(name);
    return created;
}

QLabel* caption(QWidget* parent, const QString& text, const QString& name)
{
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    return label;
}

QLabel* displayPanel(QWidget* parent, const QString& name)
{
    auto* panel = new QLabel(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setMinimumHeight(panel->fontMetrics().height() + 8);
    return panel;
}

QFrame* panel(QWidget* parent, const QString& name)
{
    auto* created = new QFrame(parent);
    created->setObjectName(name);
    created->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    return created;
}

QGroupBox* group(QWidget* parent, const QString& title) { return new QGroupBox(title, parent); }

EntryList entryList(QWidget* tab, const QString& title, const QString& prefix, const QString& extraName,
                    const QString& extraCaption)
{
    auto* page = new QVBoxLayout(tab);
    QGroupBox* entries = group(tab, title);
    auto* column = new QVBoxLayout(entries);
    EntryList made{new QListWidget(entries),
                   button(entries, prefix + QStringLiteral("AddButton"), QStringLiteral("&Add...")),
                   button(entries, prefix + QStringLiteral("EditButton"), QStringLiteral("&Edit..."), false),
                   button(entries, prefix + QStringLiteral("RemoveButton"), QStringLiteral("Re&move"), false),
                   button(entries, extraName, extraCaption, false)};
    made.list->setObjectName(prefix + QStringLiteral("EntryList"));
    column->addWidget(made.list, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* each : {made.add, made.edit, made.remove, made.extra})
        buttons->addWidget(each);
    buttons->addStretch();
    column->addLayout(buttons);
    page->addWidget(entries, 1);
    return made;
}

void selectKeeping(QComboBox* combo, const QString& key)
{
    if (combo->findData(key) < 0)
        combo->addItem(key, key);
    combo->setCurrentIndex(combo->findData(key));
}

void maskWithPlus(QWidget* owner, std::initializer_list<QLineEdit*> edits)
{
    auto* style = new PlusMaskStyle;
    style->setParent(owner);
    for (QLineEdit* edit : edits) {
        edit->setStyle(style);
        edit->setEchoMode(QLineEdit::Password);
    }
}

} // namespace layout

SourceRadioButton::SourceRadioButton(const QString& caption, QWidget* parent) : QRadioButton(caption, parent)
{
    setAutoExclusive(false);
}

void SourceRadioButton::nextCheckState()
{
    if (!isChecked())
        setChecked(true);
}

} // namespace kestrune::app
