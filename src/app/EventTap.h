#pragma once

#include <QObject>
#include <functional>

namespace kestrune::app {

// Lets a handler see another object's events without subclassing it; the handler returns true to stop
// the event there. Owned by the object it watches.
class EventTap : public QObject {
public:
    using Handler = std::function<bool(QObject* watched, QEvent* event)>;

    static EventTap* install(QObject* watched, Handler handler);
    // Removes every tap on root and its descendants. A window whose taps call back into it does this in
    // its destructor: the base destructor still sends events to the children (hide, deactivation) after
    // the window's own members are gone.
    static void removeAll(QObject* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EventTap(QObject* watched, Handler handler);
    Handler m_handler;
};

} // namespace kestrune::app
