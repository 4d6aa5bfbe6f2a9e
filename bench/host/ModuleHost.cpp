#include "host/ModuleHost.h"

#include "measure/BenchNames.h"
#include "common/ImProviderRegistry.h"
#include "hostsim/ProviderInstallation.h"

namespace bench {

std::wstring moduleBesideProgram()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + L"TavoMessenger.dll";
}

ModuleHost::ModuleHost(const std::wstring& modulePath) : module_(modulePath), host_(fakehost::FakeHost::create())
{
    fakehost::ContactRecord user;
    user.signinName = BenchUser;
    user.friendlyName = L"Bench User";
    user.presence = 1;
    host_->setClientUser(user);
    fakehost::ContactRecord contact;
    contact.signinName = BenchContact;
    contact.friendlyName = L"Ada Bench";
    contact.workNumber = L"+46 8 555 0100";
    contact.presence = 2;
    host_->addContact(contact);
    contact.signinName = BareEventContact;
    contact.friendlyName = L"Bob Bench";
    host_->addContact(contact);
    host_->setContactList({BenchContact});
    host_->setEnabledHostLevels({0, 1, 2});
    if (!module_.hasEntryPoints()) problem_ = "TavoMessenger.dll: cannot load it or its exports";
    else if (FAILED(host_->registerClassObject())) problem_ = "cannot register the host's class object";
}

ModuleHost::~ModuleHost()
{
    if (running_) stopModule();
    bare_.stop();
    host_->revokeClassObject();
    host_->shutdown();
}

bool ModuleHost::install()
{
    for (const hostsim::InstallStep& step : hostsim::installProvider(module_))
        if (FAILED(step.result)) return false;
    return true;
}

bool ModuleHost::startModule(DWORD timeoutMs)
{
    module_.start(0);
    running_ = true;
    const ULONGLONG begin = GetTickCount64();
    while (tools::readUpAndRunning() != std::optional<DWORD>(2)) {
        if (GetTickCount64() - begin > timeoutMs) return false;
        SwitchToThread();
    }
    return true;
}

bool ModuleHost::stopModule(DWORD timeoutMs)
{
    auto callback = std::make_shared<hostsim::StoppedCallback>();
    callStopTavoMessenger(module_.stop, callback); // as a host built with Microsoft's compiler calls it
    running_ = false;
    return callback->waitForCall(timeoutMs);
}

} // namespace bench
