#include "EventTap.h"

TEventTap* TEventTap::Install(QObject* watched, THandler handler) { return new TEventTap(watched, std::move(handler)); }

TEventTap::TEventTap(QObject* watched, THandler handler) : QObject(watched), handler_(std::move(handler))
{
    watched->installEventFilter(this);
}

bool TEventTap::eventFilter(QObject* watched, QEvent* event) { return handler_(watched, event); }

void TEventTap::RemoveAll(QObject* root)
{
    // No Q_OBJECT here, so findChildren<TEventTap*> would match any object; taps have no children, so
    // deleting one never touches another entry of the list.
    for (QObject* object : root->findChildren<QObject*>())
        if (auto* tap = dynamic_cast<TEventTap*>(object))
            delete tap;
}
