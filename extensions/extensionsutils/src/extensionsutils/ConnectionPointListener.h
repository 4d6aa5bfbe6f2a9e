#pragma once

#include "extensionsutils/DispatchEventListenerImpl.h"

#include "extensionsutils/ComPtr.h"

#include <windows.h>
#include <ocidl.h>

#include <new>
#include <utility>

namespace extensionsutils {

// Watches one event of a source object's `Events` connection point for as long as it lives: the
// constructor advises a DispatchEventListenerImpl that calls the handler, the destructor unadvises it.
// A source that cannot be connected leaves the listener unconnected; nothing is logged here, the owner
// decides what that means.
//
// Threads: made and destroyed on any one thread at a time (its owner's); the handler runs on the source's
// threads and is never called once the destructor has begun, except by a call already under way.
template <class Source, class Events>
class ConnectionPointListener
{
public:
    ConnectionPointListener(Source* source, DISPID dispid, DispatchEventHandler handler)
    {
        sink_ = new (std::nothrow) DispatchEventListenerImpl<Events>(dispid, std::move(handler));
        if (sink_ && source) connect(source);
    }

    ConnectionPointListener(const ConnectionPointListener&) = delete;
    ConnectionPointListener& operator=(const ConnectionPointListener&) = delete;

    // The sink is disabled before the source lets it go, so an event arriving during Unadvise is dropped.
    ~ConnectionPointListener()
    {
        if (sink_) sink_->disable();
        if (connectionPoint_) {
            if (connected_) connectionPoint_->Unadvise(cookie_);
            connectionPoint_.reset();
            cookie_ = 0;
        }
        sink_.reset();
    }

    bool isConnected() const { return connected_; }

private:
    // Any failing step ends the sequence and leaves the listener unconnected.
    void connect(Source* source)
    {
        ComPtr<Events> events;
        if (FAILED(sink_.queryInterface(__uuidof(Events), events.out())) || !events) return;
        ComPtr<IUnknown> sinkIdentity;
        if (FAILED(events.queryInterface(IID_IUnknown, sinkIdentity.out())) || !sinkIdentity) return;
        ComPtr<IConnectionPointContainer> container;
        if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.out()))) ||
            !container)
            return;
        if (FAILED(container->FindConnectionPoint(__uuidof(Events), connectionPoint_.out())) || !connectionPoint_) return;
        DWORD cookie = 0;
        if (FAILED(connectionPoint_->Advise(sinkIdentity.get(), &cookie))) return;
        cookie_ = cookie;
        connected_ = true;
    }

    ComPtr<DispatchEventListenerImpl<Events>> sink_;
    bool connected_ = false;
    ComPtr<IConnectionPoint> connectionPoint_;
    DWORD cookie_ = 0;
};

} // namespace extensionsutils
