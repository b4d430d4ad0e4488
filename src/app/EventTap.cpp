#include "EventTap.h"

namespace kestrune::app {

EventTap* EventTap::install(QObject* watched, Handler handler) { return new EventTap(watched, std::move(handler)); }

EventTap::EventTap(QObject* watched, Handler handler) : QObject(watched), m_handler(std::move(handler))
{
    watched->installEventFilter(this);
}

bool EventTap::eventFilter(QObject* watched, QEvent* event) { return m_handler(watched, event); }

void EventTap::removeAll(QObject* root)
{
    // No Q_OBJECT here, so findChildren<EventTap*> would match any object; taps have no children, so
    // deleting one never touches another entry of the list.
    for (QObject* object : root->findChildren<QObject*>())
        if (auto* tap = dynamic_cast<EventTap*>(object))
            delete tap;
}

} // namespace kestrune::app
