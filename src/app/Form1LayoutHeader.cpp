#include "Form1.h"
#include "LayoutHelpers.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>

void TForm1::BuildHeader(QWidget* parent)
{
    Panel1 = Layout::DisplayPanel(parent, QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Window, QColor(0xA6, 0xD7, 0xF0));
    palette.setColor(QPalette::WindowText, Qt::black);
    Panel1->setPalette(palette);
    QFont font = Panel1->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.8);
    Panel1->setFont(font);
    Panel1->setMinimumHeight(QFontMetrics(font).height() * 2);

    Label11 = Layout::Caption(Panel1, QStringLiteral("Kestrune"), QStringLiteral("Label11"));
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(12, 0, 12, 0);
    row->addWidget(Label11);
    row->addStretch();
}
