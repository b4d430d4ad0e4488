#include "EventTap.h"

TEventTap* TEventTap::Install(QObject* watched, THandler handler) { return new TEventTap(watched, std::move(handler)); }

TEventTap::TEventTap(QObject* watched, THandler handler) : QObject(watched), handler_(std::move(handler))
{
    watched->installEventFilter(this);
}

bool TEventTap::eventFilter(QObject* watched, QEvent* event) { return handler_(watched, event); }
