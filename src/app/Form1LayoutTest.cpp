#include "Form1.h"
#include "LayoutHelpers.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

void TForm1::BuildTestTab()
{
    TsTest = new QWidget;
    TsTest->setObjectName(QStringLiteral("TsTest"));
    auto* page = new QHBoxLayout(TsTest);

    RichEdit1 = new QPlainTextEdit(TsTest);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The marked address must stay visible while the user works with the buttons beside the view.
    QPalette palette = RichEdit1->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    RichEdit1->setPalette(palette);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    page->addWidget(RichEdit1, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(Layout::Caption(TsTest, QStringLiteral("IP Address:")));
    edIPAddress = Layout::Edit(TsTest, QStringLiteral("edIPAddress"));
    side->addWidget(edIPAddress);
    Label6 = Layout::Caption(TsTest, QString(), QStringLiteral("Label6"));
    Label6->setMinimumHeight(12);
    side->addWidget(Label6);
    auto* testRow = new QHBoxLayout;
    btnTest = Layout::Button(TsTest, QStringLiteral("btnTest"), QStringLiteral("Test"));
    btnAuto = Layout::Button(TsTest, QStringLiteral("btnAuto"), QStringLiteral("Auto"));
    testRow->addWidget(btnTest);
    testRow->addWidget(btnAuto);
    side->addLayout(testRow);

    Panel3 = Layout::Panel(TsTest, QStringLiteral("Panel3"));
    auto* manual = new QVBoxLayout(Panel3);
    manual->addWidget(Layout::Caption(Panel3, QStringLiteral("Manual Search")), 0, Qt::AlignHCenter);
    btnGetPage = Layout::Button(Panel3, QStringLiteral("btnGetPage"), QStringLiteral("Get Page"));
    btnKeyWord = Layout::Button(Panel3, QStringLiteral("btnKeyWord"), QStringLiteral("Keyword"));
    btnFind = Layout::Button(Panel3, QStringLiteral("btnFind"), QStringLiteral("Find..."));
    btnMarkIP = Layout::Button(Panel3, QStringLiteral("btnMarkIP"), QStringLiteral("Mark IP"));
    for (QPushButton* button : {btnGetPage, btnKeyWord, btnFind, btnMarkIP})
        manual->addWidget(button);
    side->addWidget(Panel3);

    Panel4 = Layout::Panel(TsTest, QStringLiteral("Panel4"));
    auto* fields = new QFormLayout(Panel4);
    edChartoSkip = Layout::Edit(Panel4, QStringLiteral("edChartoSkip"));
    edKeyword = Layout::Edit(Panel4, QStringLiteral("edKeyword"), QStringLiteral("<html>"));
    fields->addRow(QStringLiteral("Skip:"), edChartoSkip);
    fields->addRow(QStringLiteral("Keyword:"), edKeyword);
    side->addWidget(Panel4);
    // Part of the debug view, hidden from the start.
    Panel4->hide();
    side->addStretch();
    page->addLayout(side);

    connect(RichEdit1, &QPlainTextEdit::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu2->popup(RichEdit1->viewport()->mapToGlobal(pos)); });
}
