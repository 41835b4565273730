#pragma once

#include "LifecycleServices.h"
#include "X11Desktop.h"

#include <QObject>

#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

// Application switches on X11: PropertyNotify of _NET_ACTIVE_WINDOW on the root
// window, watched on a private connection (selecting events on Qt's own root window
// would disturb Qt). A switch to one of this process's own windows is not reported.
// Main thread only.
class X11ActivationObserver final : public QObject, public ApplicationActivationObserving
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(X11ActivationObserver)

public:
    explicit X11ActivationObserver(std::shared_ptr<X11Desktop> desktop, QObject* parent = nullptr);
    ~X11ActivationObserver() override;

    void observe(std::function<void()> handler) override;
    void stopObserving() override;

private:
    void drain();

    std::shared_ptr<X11Desktop> m_desktop;
    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_activeWindowAtom = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_handler;
};
