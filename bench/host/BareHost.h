#pragma once

// The bare provider's road to the host: the host's class object fetched once, as the module fetches it,
// and every host object created afresh from it for each use, as the module does, but with no lock and no
// logger around it. Created and released on the bare server's thread; CreateInstance from any thread.

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"

#include <windows.h>

namespace bench {

class BareHost {
public:
    HRESULT fetch();
    void release() { factory_.reset(); }

    template <class I>
    extensionsutils::ComPtr<I> create() const
    {
        extensionsutils::ComPtr<I> result;
        if (factory_) factory_->CreateInstance(nullptr, __uuidof(I), reinterpret_cast<void**>(result.out()));
        return result;
    }

private:
    extensionsutils::ComPtr<IClassFactory> factory_;
};

// The one bare host of the process, shared by the bare objects.
BareHost& bareHost();

} // namespace bench

namespace bench {

// IsSignedIn through a fresh IProviderManagement, the sign-in check that opens nearly every module member.
bool bareSignedIn();

} // namespace bench
