#include "officesim/ProviderConnection.h"

#include "common/ContractIds.h"
#include "common/ImProviderRegistry.h"
#include "common/ModuleTypeLibrary.h"
#include "common/RegistryValue.h"

namespace officesim {

namespace {

const DWORD pollIntervalMs = 100;
const DWORD retryIntervalMs = 200;

} // namespace

ProviderState waitForProvider(DWORD timeoutMs)
{
    ProviderState state;
    state.name = tools::readRegistryValue(HKEY_CURRENT_USER, tools::ImProvidersKey, tools::DefaultImAppValue).asString();
    if (!state.name || state.name->empty()) return state;
    const std::wstring key = std::wstring(tools::ImProvidersKey) + L"\\" + *state.name;
    const ULONGLONG begin = GetTickCount64();
    for (;;) {
        state.upAndRunning = tools::readRegistryValue(HKEY_CURRENT_USER, key, tools::UpAndRunningValue).asDword();
        state.waitedMs = static_cast<DWORD>(GetTickCount64() - begin);
        if (state.upAndRunning == std::optional<DWORD>(2) || state.waitedMs >= timeoutMs) return state;
        Sleep(pollIntervalMs);
    }
}

Activation createMessenger(DWORD classNotRegisteredRetryMs, const CreateFunction& create)
{
    Activation activation;
    const ULONGLONG begin = GetTickCount64();
    for (;;) {
        ++activation.attempts;
        activation.hr = create(activation.messenger.out());
        activation.elapsedMs = static_cast<DWORD>(GetTickCount64() - begin);
        if (activation.hr != REGDB_E_CLASSNOTREG || activation.elapsedMs >= classNotRegisteredRetryMs) break;
        Sleep(retryIntervalMs);
    }
    if (FAILED(activation.hr)) {
        activation.messenger.reset();
        return activation;
    }
    // Before any event arrives; a library that cannot be held shows in the calls that need it.
    tools::holdModuleTypeLibrary();
    return activation;
}

Activation createMessenger(DWORD classNotRegisteredRetryMs)
{
    return createMessenger(classNotRegisteredRetryMs, [](IUnknown** object) {
        return CoCreateInstance(contractid::Messenger, nullptr, CLSCTX_LOCAL_SERVER, contractid::IUnknown,
                                reinterpret_cast<void**>(object));
    });
}

} // namespace officesim
