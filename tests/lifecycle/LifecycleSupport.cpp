#include "LifecycleSupport.h"

#include "support/FakeOfficeSink.h"
#include "support/RawRegistry.h"

#include "extensionsutils/ImProviderNames.h"

#include <cstring>

namespace {

const wchar_t* const hostProviderKey = extensionsutils::improvider::ProviderKey;

// The interfaces whose TypeLib entries a start checks and rewrites when they name another library.
const wchar_t* const messengerInterfaces[] = {
    L"{086F69C0-2FBD-46B3-BE50-EC401AB86099}", L"{2E50547B-A8AA-4F60-B57E-1F414711007B}",
    L"{2E50547C-A8AA-4F60-B57E-1F414711007B}", L"{53A5023D-6872-454A-9A4F-827F18CFBE02}",
    L"{7C613A61-0633-4C69-AFF0-5BA9F1D28887}", L"{7C95459B-C8E7-4605-B641-45EB06866659}",
    L"{C9A6A6B6-9BC1-43A5-B06B-E58874EEBC96}", L"{D21454F8-43E3-4D64-B1E3-84911BAF207D}",
    L"{D50C3186-0F89-48F8-B204-3604629DEE10}", L"{D50C3286-0F89-48F8-B204-3604629DEE10}",
    L"{D50C3386-0F89-48F8-B204-3604629DEE10}", L"{D6B0E4C8-FAD6-4885-B271-0DC5A584ADF8}",
    L"{D6B0E4C9-FAD6-4885-B271-0DC5A584ADF8}", L"{DA0635E8-09AF-480C-88B2-AA9FA1D9DB27}",
    L"{E1AF1028-B884-44CB-A535-1C3C11A3D1DB}", L"{E1AF1038-B884-44CB-A535-1C3C11A3D1DB}",
    L"{E7479A0D-BB19-44A5-968F-6F41D93EE0BC}", L"{E7479A0F-BB19-44A5-968F-6F41D93EE0BC}",
};

} // namespace

std::optional<DWORD> readUpAndRunning()
{
    registrytest::RawValue value;
    if (!registrytest::readRawValue(HKEY_CURRENT_USER, hostProviderKey, L"UpAndRunning", value)) return std::nullopt;
    if (value.type != REG_DWORD || value.data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value.data.data(), sizeof number);
    return number;
}

SavedProviderRegistry::SavedProviderRegistry()
{
    keys_.push_back(std::make_unique<registrytest::SavedRegistryKey>(HKEY_CURRENT_USER, extensionsutils::improvider::ImProvidersKey));
    keys_.back()->clear();
    for (const std::wstring iid : messengerInterfaces) {
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            std::vector<std::wstring> paths{L"SOFTWARE\\Classes\\Interface\\" + iid + L"\\TypeLib",
                                            L"SOFTWARE\\Classes\\Wow6432Node\\Interface\\" + iid + L"\\TypeLib"};
            if (hive == HKEY_LOCAL_MACHINE) paths.push_back(L"SOFTWARE\\Wow6432Node\\Classes\\Interface\\" + iid + L"\\TypeLib");
            for (const std::wstring& path : paths)
                keys_.push_back(std::make_unique<registrytest::SavedRegistryKey>(hive, path, KEY_WOW64_64KEY));
        }
    }
}

void RecordingStoppedCallback::onStopped()
{
    revocationLoggedBefore = host_ && host_->logged(L"Revoking Messenger Class Factory complete");
    thread = GetCurrentThreadId();
    apartment = fakeoffice::currentApartment();
    ++calls;
    SetEvent(called_);
}

LogWatch::LogWatch(fakehost::FakeHost& host)
{
    host.addLogHook([state = state_](const fakehost::LogRecord& record) {
        const Sighting sighting{record.threadId, fakeoffice::currentApartment()};
        std::lock_guard<std::mutex> lock(state->mutex);
        state->sightings.emplace(record.message, sighting);
        if (record.threadId == state->testThread || !state->threads.insert(record.threadId).second) return;
        // Opened while the thread surely runs: it is the one writing this record.
        if (HANDLE handle = OpenThread(SYNCHRONIZE, FALSE, record.threadId)) state->threadHandles.push_back(handle);
    });
}

LogWatch::State::~State()
{
    for (HANDLE handle : threadHandles) CloseHandle(handle);
}

std::optional<LogWatch::Sighting> LogWatch::firstSighting(const std::wstring& message) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    const auto found = state_->sightings.find(message);
    if (found == state_->sightings.end()) return std::nullopt;
    return found->second;
}

bool LogWatch::waitUntilOtherThreadsEnded(DWORD timeoutMs) const
{
    std::vector<HANDLE> handles;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        handles = state_->threadHandles;
    }
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (HANDLE handle : handles) {
        const ULONGLONG now = GetTickCount64();
        if (WaitForSingleObject(handle, now >= deadline ? 0 : static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0) return false;
    }
    return true;
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
