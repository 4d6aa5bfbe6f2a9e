#include "host/ContactScale.h"

#include "host/HostCallCount.h"
#include "measure/Interleave.h"
#include "measure/ProviderObjects.h"
#include "measure/Stopwatch.h"

#include "extensionsutils/Bstr.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace bench {
namespace {

std::wstring scaleContactName(int index)
{
    return L"c" + std::to_wstring(index) + L"@scale.bench.example";
}

// The host's list becomes the first `size` scale contacts (added to its directory as needed).
void setListSize(fakehost::FakeHost& host, int size, int& added)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < size; ++i) {
        names.push_back(scaleContactName(i));
        if (i < added) continue;
        fakehost::ContactRecord contact;
        contact.signinName = names.back();
        contact.friendlyName = L"Scale " + std::to_wstring(i);
        contact.workNumber = L"+46 8 555 0100";
        contact.presence = 2;
        host.addContact(contact);
    }
    if (size > added) added = size;
    host.setContactList(names);
    host.forgetRecords(); // the watch requests of the last size would pile up
}

// get_MyContacts, a new enumerator, and Next(1) through the whole list; fails unless `expected` came out.
HRESULT enumerateContacts(IMessenger* messenger, long expected)
{
    extensionsutils::ComPtr<IDispatch> list;
    if (FAILED(messenger->get_MyContacts(list.out())) || !list) return E_FAIL;
    const auto contacts = list.as<IMessengerContacts>();
    extensionsutils::ComPtr<IUnknown> enumerator;
    if (!contacts || FAILED(contacts->get__NewEnum(enumerator.out())) || !enumerator) return E_FAIL;
    const auto items = enumerator.as<IEnumVARIANT>();
    if (!items) return E_NOINTERFACE;
    long count = 0;
    VARIANT item;
    VariantInit(&item);
    while (items->Next(1, &item, nullptr) == S_OK) {
        VariantClear(&item);
        ++count;
    }
    return count == expected ? S_OK : E_UNEXPECTED;
}

HRESULT getContact(IMessenger* messenger, BSTR name)
{
    extensionsutils::ComPtr<IDispatch> contact;
    return messenger->GetContact(name, nullptr, contact.out());
}

std::string thousands(int value)
{
    return value >= 1000 ? std::to_string(value / 1000) + " 000" : std::to_string(value);
}

// "×95.1 (n^0.99, linear)": how the median time grew from the first list size to the last, as size^k.
std::string growth(double first, double last, int firstSize, int lastSize)
{
    const double exponent = std::log(last / first) / std::log(static_cast<double>(lastSize) / firstSize);
    const char* shape = exponent < 0.2 ? "constant" : exponent < 0.8 ? "sublinear" : exponent < 1.25 ? "linear" : "superlinear";
    char text[96];
    std::snprintf(text, sizeof text, "×%.1f (n^%.2f, %s)", last / first, exponent, shape);
    return text;
}

// A table line: the module's growth over the baseline's, and each beside it.
std::string growthLine(const std::string& figure, const std::vector<RatioRow>& rows, const std::vector<int>& sizes)
{
    const RatioRow& first = rows.front();
    const RatioRow& last = rows.back();
    if (first.failed() || last.failed()) return "";
    const double module = last.moduleQuantile(0.5) / first.moduleQuantile(0.5);
    const double baseline = last.baselineQuantile(0.5) / first.baselineQuantile(0.5);
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.2f", module / baseline);
    return "| 5 | growth of the time per call of " + figure + " from " + thousands(sizes.front()) + " to " +
           thousands(sizes.back()) + " contacts | " + ratio + " | " +
           growth(first.moduleQuantile(0.5), last.moduleQuantile(0.5), sizes.front(), sizes.back()) + " | " +
           growth(first.baselineQuantile(0.5), last.baselineQuantile(0.5), sizes.front(), sizes.back()) +
           " | | - | - |";
}

} // namespace

std::vector<RatioRow> measureContactScale(ModuleHost& host, bool quick, std::vector<std::string>& growthLines)
{
    std::string why;
    const ProviderObjects module = connectModule(CLSCTX_LOCAL_SERVER, why);
    const ProviderObjects bare = why.empty() ? connectBare(CLSCTX_LOCAL_SERVER, why) : ProviderObjects{};
    if (!why.empty()) {
        RatioRow failed("5", "scale with the contact list", "ms");
        failed.fail(why);
        return {failed};
    }
    const std::vector<int> sizes{100, 1000, 10000};
    std::vector<RatioRow> lists, lookups;
    int added = 0;
    for (int size : sizes) {
        setListSize(host.host(), size, added);
        const std::string setting = thousands(size) + " contacts";
        if (size == sizes.front()) {
            for (const ProviderObjects* side : {&module, &bare}) {
                std::printf("host calls per get_MyContacts + enumeration, %s, %s: %s\n", side == &module ? "module" : "bare",
                            setting.c_str(), hostCallsPerOperation(host.host(), 2, [&] { enumerateContacts(side->messenger.get(), size); }).c_str());
            }
        }
        auto enumerate = [size](const ProviderObjects& side) {
            return [&side, size](int iterations, HRESULT& failure) {
                return nsPerCall(iterations, [&] { return enumerateContacts(side.messenger.get(), size); }, failure);
            };
        };
        lists.emplace_back("5", "get_MyContacts + enumeration, in-process, " + setting, "ms");
        interleave(lists.back(), RoundPlan{quick ? 5 : 11, 1, quick ? 30.0 : 60.0}, enumerate(module), enumerate(bare));
        char perContact[96];
        std::snprintf(perContact, sizeof perContact, "per contact: module %.1f us, baseline %.1f us",
                      lists.back().moduleQuantile(0.5) / size / 1e3, lists.back().baselineQuantile(0.5) / size / 1e3);
        lists.back().setNote(perContact);

        const extensionsutils::Bstr last(scaleContactName(size - 1));
        auto lookUp = [&last](const ProviderObjects& side) {
            return [&side, &last](int iterations, HRESULT& failure) {
                return nsPerCall(iterations, [&] { return getContact(side.messenger.get(), last.get()); }, failure);
            };
        };
        lookups.emplace_back("5", "GetContact by name + Release, in-process, " + setting, "us");
        interleave(lookups.back(), RoundPlan{quick ? 5 : 11, 100, quick ? 20.0 : 40.0}, lookUp(module), lookUp(bare));
        host.host().forgetRecords();
    }
    growthLines = {growthLine("get_MyContacts + enumeration", lists, sizes), growthLine("GetContact by name", lookups, sizes)};
    lists.insert(lists.end(), lookups.begin(), lookups.end());
    return lists;
}

} // namespace bench
