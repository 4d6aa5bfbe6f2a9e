#pragma once

// For programs that link the module's code: a host listener that hands the host's resolution answers to a
// ContactResolver, as the module's own host listener does, and ignores presence changes, so that lookups
// run against the fake host end to end.

#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostClassObject.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/InterfaceTable.h"
#include "extensionsutils/MICComPtr.h"

#include "HostExtensionApi.h"

#include <memory>

class ResolutionForwarder : public extensionsutils::ComObjectRoot, public _IIMAndPresenceEvents
{
public:
    using Interfaces = extensionsutils::InterfaceTable<_IIMAndPresenceEvents>;

    // A new forwarder registered with the host's event manager; empty if that failed.
    static extensionsutils::MICComPtr<ResolutionForwarder> registerWithHost(std::weak_ptr<ContactResolver> resolver)
    {
        auto forwarder = extensionsutils::ComObject<ResolutionForwarder>::create();
        if (!forwarder) return forwarder;
        forwarder->resolver_ = std::move(resolver);
        extensionsutils::ComPtr<IEventManager> events = hostaccess::GetEventManager();
        if (!events || FAILED(events->AddIMAndPresenceEventListener(forwarder.get()))) return nullptr;
        return forwarder;
    }

    void unregisterFromHost()
    {
        if (const extensionsutils::ComPtr<IEventManager> events = hostaccess::GetEventManager())
            events->RemoveIMAndPresenceEventListener(this);
    }

    HRESULT STDMETHODCALLTYPE OnContactPresenceChanged(IDispatch*, IDispatch*) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE OnContactResolved(BSTR email, BSTR imAddress) override
    {
        if (const std::shared_ptr<ContactResolver> resolver = resolver_.lock()) resolver->onContactResolved(email, imAddress);
        return S_OK;
    }

private:
    std::weak_ptr<ContactResolver> resolver_; // set once, before the host can call
};
