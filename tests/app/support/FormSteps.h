#pragma once

#include "Form1.h"
#include "SpinEdit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QString>

// Steps the window tests share: the lookup pointed at a page, scheduler ticks, leaving the interval box.

// The user-defined lookup pointed at a page address ("127.0.0.1:<port>/..."), reading after the keyword.
inline void UseUserDefinedPage(TForm1& form, const QString& address)
{
    form.rbUserDefined->setChecked(true);
    form.edURL->setText(address);
    form.edKeyword->setText(QStringLiteral("WAN IP:"));
    form.edChartoSkip->setText(QStringLiteral("0"));
}

// Scheduler ticks, each caught at the window's edge as the timer's would be.
inline void Ticks(TForm1& form, int count)
{
    for (int i = 0; i < count; ++i)
        form.Guarded([&] { form.Timer1Timer(); });
}

inline void LeaveIntervalBox(TForm1& form)
{
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(form.SpinEdit1, &leave);
}

// The port of a page address ("127.0.0.1:<port>/status.htm").
inline QString PortOf(const QString& address) { return address.section(QLatin1Char(':'), 1).section('/', 0, 0); }
inline uint16_t PortNumberOf(const QString& address) { return static_cast<uint16_t>(PortOf(address).toInt()); }
