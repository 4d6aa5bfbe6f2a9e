#include "host/HostCallCount.h"

#include <array>
#include <cstdio>

namespace bench {
namespace {

const char* const methodNames[] = {
    "CreateIMAndPresence", "CreateProviderManagement", "CreateEventManager", "CreatePhone", "CreateLogger",
    "ResolveContactByEmail", "GetContacts", "GetContact", "AddContact", "TagContact", "StartInstantMessage",
    "StartGroupChat", "GetPresenceForContact", "GetContactByUserId", "WatchContact", "GetLoggedInUser",
    "IsSignedIn", "AddIMAndPresenceEventListener", "RemoveIMAndPresenceEventListener", "MakeCall",
    "MakeConferenceCall", "WriteRecord", "IsLevelEnabled", "GetFriendlyName", "GetSigninName", "GetWorkNumber",
    "GetHomeNumber", "GetMobileNumber", "GetOtherNumber", "GetIsTagged", "RequestPresenceState", "StartWatching",
    "BeginReadTransaction", "FindConnectionPoint", "Advise", "Unadvise", "GetCount", "GetItem",
    "GetPresenceString", "GetPresenceState"};
constexpr std::size_t methodCount = static_cast<std::size_t>(fakehost::HostMethod::Count);
static_assert(sizeof methodNames / sizeof methodNames[0] == methodCount, "one name per host method");

std::array<unsigned, methodCount> counts(const fakehost::FakeHost& host)
{
    std::array<unsigned, methodCount> result{};
    for (std::size_t i = 0; i < methodCount; ++i) result[i] = host.callCount(static_cast<fakehost::HostMethod>(i));
    return result;
}

} // namespace

std::string hostCallsPerOperation(fakehost::FakeHost& host, int times, const std::function<void()>& operation)
{
    const auto before = counts(host);
    for (int i = 0; i < times; ++i) operation();
    const auto after = counts(host);
    std::string text;
    unsigned total = 0;
    for (std::size_t i = 0; i < methodCount; ++i) {
        const double perOperation = static_cast<double>(after[i] - before[i]) / times;
        if (perOperation == 0) continue;
        char item[64];
        std::snprintf(item, sizeof item, "%s%s %g", text.empty() ? "" : ", ", methodNames[i], perOperation);
        text += item;
        total += after[i] - before[i];
    }
    char sum[32];
    std::snprintf(sum, sizeof sum, "%g calls: ", static_cast<double>(total) / times);
    return sum + text;
}

} // namespace bench
