#pragma once

// The bare provider's class object: one BareMessenger, made at the first CreateInstance and handed to every
// later one, as the module's factory does. Any thread.

#include "host/BareMessenger.h"

#include "extensionsutils/ComObject.h"

#include <mutex>

#include <objbase.h>

namespace bench {

class BareClassFactory : public extensionsutils::ComObjectRoot, public IClassFactory
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IClassFactory>;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    // The object handed out so far, or empty.
    extensionsutils::MICComPtr<BareMessenger> messenger();

private:
    std::mutex mutex_;
    extensionsutils::MICComPtr<BareMessenger> messenger_; // guarded by mutex_
};

} // namespace bench
