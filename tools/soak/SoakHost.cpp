#include "soak/SoakHost.h"

#include "soak/SoakPeople.h"

#include "common/ProgramFolder.h"
#include "common/ImProviderRegistry.h"
#include "hostsim/ProviderInstallation.h"
#include "hostsim/TextUtils.h"

#include <psapi.h>

namespace soak {

namespace {

const DWORD secondCallWindowMs = 200; // a second onStopped would come at once; this is ample

fakehost::ContactRecord person(const std::wstring& signinName, const std::wstring& name, int index)
{
    fakehost::ContactRecord record;
    record.signinName = signinName;
    record.friendlyName = name;
    record.userId = L"id" + std::to_wstring(index);
    record.workNumber = L"+46 8 555 " + std::to_wstring(1000 + index);
    if (index % 2) record.mobileNumber = L"+46 70 555 " + std::to_wstring(2000 + index);
    record.presence = PresenceCycle[0];
    record.presenceText = L"Available";
    return record;
}

} // namespace

SoakHost::SoakHost(tools::ConsoleOutput& output) : output_(output), host_(fakehost::FakeHost::create())
{
    module_ = std::make_unique<hostsim::TavoModule>(tools::besideThisProgram(L"TavoMessenger.dll"));
    problem_ = module_->problem();
    if (!problem_.empty()) return;
    for (const hostsim::InstallStep& step : hostsim::installProvider(*module_)) {
        if (FAILED(step.result)) {
            problem_ = L"install: " + step.description + L" failed with " + hostsim::hexCode(static_cast<unsigned long>(step.result));
            return;
        }
    }
    addPeople();
    const HRESULT registered = host_->registerClassObject();
    if (FAILED(registered)) problem_ = L"cannot register the host's class object: " + hostsim::hexCode(static_cast<unsigned long>(registered));
}

SoakHost::~SoakHost()
{
    if (running_) stop(30000);
    host_->revokeClassObject();
    host_->shutdown();
}

void SoakHost::addPeople()
{
    host_->setClientUser(person(UserSigninName, L"Soak User", 99));
    std::vector<std::wstring> contactList;
    for (int i = 0; i < ContactCount; ++i) {
        host_->addContact(person(contactSigninName(i), contactFriendlyName(i), i));
        host_->setResolutionAnswer(contactEmail(i), contactSigninName(i));
        contactList.push_back(contactSigninName(i));
    }
    host_->setContactList(contactList);
    host_->setResolutionMode(fakehost::FakeHost::ResolutionMode::Automatic);
    host_->setEnabledHostLevels({});
}

std::optional<DWORD> SoakHost::start()
{
    module_->start(0);
    running_ = true;
    return tools::readUpAndRunning();
}

bool SoakHost::waitUntilReady(DWORD timeoutMs)
{
    const ULONGLONG begin = GetTickCount64();
    while (tools::readUpAndRunning() != std::optional<DWORD>(2)) {
        if (GetTickCount64() - begin >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::shared_ptr<hostsim::StoppedCallback> SoakHost::beginStop()
{
    auto callback = std::make_shared<hostsim::StoppedCallback>();
    callStopTavoMessenger(module_->stop, callback); // as a host built with Microsoft's compiler calls it
    running_ = false;
    return callback;
}

StopOutcome SoakHost::stop(DWORD timeoutMs)
{
    StopOutcome outcome;
    const ULONGLONG begin = GetTickCount64();
    std::shared_ptr<hostsim::StoppedCallback> callback = beginStop();
    outcome.completed = callback->waitForCall(timeoutMs);
    outcome.milliseconds = static_cast<DWORD>(GetTickCount64() - begin);
    if (outcome.completed) Sleep(secondCallWindowMs);
    outcome.callbackCalls = callback->calls();
    return outcome;
}

HRESULT SoakHost::canUnloadNow() const
{
    using CanUnloadNow = HRESULT(WINAPI*)();
    const HMODULE module = GetModuleHandleW(L"TavoMessenger.dll");
    const auto function = reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    return function ? function() : E_NOTIMPL;
}

unsigned long long privateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)))
        return 0;
    // Wine leaves PrivateUsage 0; its commit charge is the same measure there.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

} // namespace soak
