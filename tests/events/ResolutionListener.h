#pragma once

// A host listener that hands resolution answers to a ContactResolver, as the module's own listener does,
// and ignores presence changes: for testing the resolver against the fake host on its own.

#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostClassObject.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/InterfaceTable.h"
#include "extensionsutils/MICComPtr.h"

#include "HostExtensionApi.h"

#include <memory>
#include <mutex>

class ResolutionListener : public extensionsutils::ComObjectRoot, public _IIMAndPresenceEvents
{
public:
    using Interfaces = extensionsutils::InterfaceTable<_IIMAndPresenceEvents>;

    // A new listener registered with the host's event manager; empty if that failed.
    static extensionsutils::MICComPtr<ResolutionListener> registerWithHost(std::shared_ptr<ContactResolver> resolver)
    {
        extensionsutils::MICComPtr<ResolutionListener> listener = extensionsutils::ComObject<ResolutionListener>::create();
        listener->setResolver(std::move(resolver));
        extensionsutils::ComPtr<IEventManager> events = hostaccess::GetEventManager();
        if (!events || FAILED(events->AddIMAndPresenceEventListener(listener.get()))) return nullptr;
        return listener;
    }

    void unregisterFromHost()
    {
        extensionsutils::ComPtr<IEventManager> events = hostaccess::GetEventManager();
        if (events) events->RemoveIMAndPresenceEventListener(this);
    }

    void setResolver(std::shared_ptr<ContactResolver> resolver)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        resolver_ = std::move(resolver);
    }

    HRESULT STDMETHODCALLTYPE OnContactPresenceChanged(IDispatch*, IDispatch*) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE OnContactResolved(BSTR email, BSTR imAddress) override
    {
        std::shared_ptr<ContactResolver> resolver;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            resolver = resolver_;
        }
        if (resolver) resolver->onContactResolved(email, imAddress);
        return S_OK;
    }

private:
    std::mutex mutex_;
    std::shared_ptr<ContactResolver> resolver_;
};
