#pragma once

// Finding the IM provider as Office does: HKEY_CURRENT_USER "Software\IM Providers" names the default
// provider in DefaultIMApp; that provider's key holds UpAndRunning, polled until it reads 2 (running); then
// the Messenger object is created by its class id for local-server activation, in the provider's process.
// Right after UpAndRunning turns 2, COM may still answer "class not registered" for a moment; that answer
// is retried for a few seconds.

#include "extensionsutils/ComPtr.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace officesim {

struct ProviderState {
    std::optional<std::wstring> name;      // DefaultIMApp; nothing when it is not set
    std::optional<DWORD> upAndRunning;     // the provider's UpAndRunning, last read
    DWORD waitedMs = 0;                    // how long UpAndRunning was polled
};

// Reads DefaultIMApp, then polls the provider's UpAndRunning until it reads 2 or the time is up.
ProviderState waitForProvider(DWORD timeoutMs);

struct Activation {
    HRESULT hr = E_UNEXPECTED;
    extensionsutils::ComPtr<IUnknown> messenger;
    int attempts = 0;
    DWORD elapsedMs = 0;
};

// CoCreateInstance(CLSID_Messenger, CLSCTX_LOCAL_SERVER), retrying REGDB_E_CLASSNOTREG for up to
// `classNotRegisteredRetryMs`. `create` is the activation itself (replaceable for tests).
using CreateFunction = std::function<HRESULT(IUnknown** object)>;
Activation createMessenger(DWORD classNotRegisteredRetryMs, const CreateFunction& create);
Activation createMessenger(DWORD classNotRegisteredRetryMs);

} // namespace officesim
