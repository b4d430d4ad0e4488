#pragma once

#include "WindowFixture.h"
#include "SpinBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QString>

// Steps the window tests share: the lookup pointed at a page, scheduler ticks, leaving the interval box.

// The user-defined lookup pointed at a page address ("127.0.0.1:<port>/..."), reading after the keyword.
inline void useUserDefinedPage(kestrune::app::MainWindow& form, const QString& address)
{
    form.userLookupsTab()->userDefinedRadio()->setChecked(true);
    form.userLookupsTab()->urlEdit()->setText(address);
    form.pageInspectorTab()->keywordEdit()->setText(QStringLiteral("WAN IP:"));
    form.pageInspectorTab()->skipEdit()->setText(QStringLiteral("0"));
}

// Scheduler ticks, each caught at the window's edge as the timer's would be.
inline void ticks(kestrune::app::MainWindow& form, int count)
{
    for (int i = 0; i < count; ++i)
        form.guarded([&] { form.onCheckTimer(); });
}

inline void leaveIntervalBox(kestrune::app::MainWindow& form)
{
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(form.systemTab()->intervalSpin(), &leave);
}

// The port of a page address ("127.0.0.1:<port>/status.htm").
inline QString portOf(const QString& address) { return address.section(QLatin1Char(':'), 1).section('/', 0, 0); }
inline uint16_t portNumberOf(const QString& address) { return static_cast<uint16_t>(portOf(address).toInt()); }
