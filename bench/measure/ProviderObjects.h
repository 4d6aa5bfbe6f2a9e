#pragma once

// The objects whose calls are measured, for the module and for the bare provider alike: the Messenger
// object (activated by class id) and a UC contact for the bench contact (the module's through the UC entry,
// client and contact manager, as Office 2013/2016 reaches it; the bare one from the bare GetContact).

#include "TavoMessengerLib.h"

#include "extensionsutils/ComPtr.h"

#include <string>

namespace bench {

struct ProviderObjects {
    extensionsutils::ComPtr<IMessenger> messenger;
    extensionsutils::ComPtr<IUCCContact> ucContact;
    extensionsutils::ComPtr<IUCCContactManager> contactManager; // the module's only
};

// context: CLSCTX_LOCAL_SERVER from Office's process and from the host's own apartment alike. "Class not
// registered" is retried for up to 10 s (Wine lags right after registration). Empty `why` on success.
ProviderObjects connectModule(DWORD context, std::string& why);
ProviderObjects connectBare(DWORD context, std::string& why);

// The activation alone, retried as above.
HRESULT activate(const CLSID& clsid, DWORD context, IMessenger** messenger);

} // namespace bench
