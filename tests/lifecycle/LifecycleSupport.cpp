#include "LifecycleSupport.h"

#include "support/FakeOfficeSink.h"
#include "support/OfficeInterfaceIds.h"

#include <algorithm>

SavedProviderRegistry::SavedProviderRegistry()
{
    keys_.push_back(std::make_unique<registrytest::SavedRegistryKey>(HKEY_CURRENT_USER, L"Software\\IM Providers"));
    keys_.back()->clear();
    const std::pair<HKEY, const wchar_t*> interfaceKeys[] = {
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Interface\\"}, {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Wow6432Node\\Interface\\"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Classes\\Interface\\"}, {HKEY_CURRENT_USER, L"SOFTWARE\\Classes\\Interface\\"},
        {HKEY_CURRENT_USER, L"SOFTWARE\\Classes\\Wow6432Node\\Interface\\"}};
    for (const std::wstring iid : registrytest::officeMessengerInterfaces)
        for (const auto& [hive, interfaces] : interfaceKeys)
            keys_.push_back(std::make_unique<registrytest::SavedRegistryKey>(hive, interfaces + iid + L"\\TypeLib", KEY_WOW64_64KEY));
}

void RecordingStoppedCallback::onStopped()
{
    revocationLoggedBefore = host_ && host_->logged(L"Revoking Messenger Class Factory complete");
    thread = GetCurrentThreadId();
    apartment = fakeoffice::currentApartment();
    ++calls;
    SetEvent(called_.get());
    if (then_) then_();
}

LogWatch::LogWatch(fakehost::FakeHost& host)
{
    host.addLogHook([state = state_](const fakehost::LogRecord& record) {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (record.threadId == state->testThread || !state->threads.insert(record.threadId).second) return;
        // Opened while the thread surely runs: it is the one writing this record.
        if (HANDLE handle = OpenThread(SYNCHRONIZE, FALSE, record.threadId)) state->threadHandles.push_back(handle);
    });
}

LogWatch::State::~State() { for (HANDLE handle : threadHandles) CloseHandle(handle); }

bool LogWatch::waitUntilOtherThreadsEnded(DWORD timeoutMs) const
{
    const std::vector<HANDLE> handles = [this] {
        std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->threadHandles;
    }();
    const auto ended = [](HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; };
    return waitUntil([&handles, &ended] { return std::all_of(handles.begin(), handles.end(), ended); }, timeoutMs);
}

extensionsutils::ComPtr<IClassFactory> registeredFactory(REFCLSID clsid)
{
    extensionsutils::ComPtr<IClassFactory> factory;
    CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory, reinterpret_cast<void**>(factory.out()));
    return factory;
}

std::shared_ptr<Gate> holdAt(fakehost::FakeHost& host, const std::wstring& message)
{
    auto gate = std::make_shared<Gate>();
    host.addLogHook([message, gate, first = std::make_shared<std::atomic<bool>>(true)](const fakehost::LogRecord& record) {
        if (record.message == message && first->exchange(false)) gate->arriveAndWait();
    });
    return gate;
}

std::vector<std::wstring> messagesOf(const fakehost::FakeHost& host, const std::wstring& function)
{
    std::vector<std::wstring> messages;
    for (const fakehost::LogRecord& record : host.logRecords())
        if (record.function == function) messages.push_back(record.message);
    return messages;
}
