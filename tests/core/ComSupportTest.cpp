// The COM support layer: objects and their identity, weak references, values (UTF-8, BSTR),
// type libraries registered for any locale, and connection points.
#include "ExtensionsUtilsTestLib.h"
#include "common/ProgramFolder.h"
#include "extensionsutils/Bstr.h"
#include "extensionsutils/CComWeakPtr.h"
#include "extensionsutils/CComWeakPtrEnabled.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/TypeInfoHolder.h"
#include "extensionsutils/Utf8.h"
#include "extensionsutils/Variant.h"
#include "extensionsutils/WeakPtrCComObject.h"
#include "support/FakeOfficeSink.h"
#include "support/LateBoundAnswers.h"
#include "support/ThreadTestHelpers.h"
#include "common/ContractIds.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <servprov.h>
#include <set>
#include <string>
#include <vector>

using namespace extensionsutils;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;

namespace {

std::atomic<int> destroyed{0};

// An object reachable weakly, as a UC contact is from queued work.
struct Watched : ComObjectRoot, IServiceProvider, CComWeakPtrEnabled<Watched> {
    using Interfaces = InterfaceTable<IServiceProvider>;
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID, void**) override { return E_NOTIMPL; }
    ~Watched() override
    {
        alive = false;
        ++destroyed;
    }
    std::atomic<bool> alive{true};
};

} // namespace

// That a weak reference holds no reference itself is run by the UC contacts' queued change work.
TEST(CComWeakPtr, LockingRacingTheLastReleaseNeverReachesADeadObject)
{
    const int destroyedBefore = destroyed, rounds = 60;
    for (int round = 0; round < rounds; ++round) {
        MICComPtr<Watched> owner = WeakPtrCComObject<Watched>::create();
        const CComWeakPtr<Watched> weak = owner->getWeakPtr();
        std::atomic<bool> sawDeadObject{false};
        std::atomic<int> started{0};
        Threads workers(3, [&] {
            ++started;
            for (int i = 0; i < 2000; ++i) {
                MICComPtr<Watched> locked = weak.lock();
                if (!locked) break;
                if (!locked->alive) sawDeadObject = true;
                MICComPtr<Watched> second = locked; // owners on several threads letting go at once
            }
        });
        while (started < 3) std::this_thread::yield();
        owner.reset();
        workers.join();
        ASSERT_FALSE(sawDeadObject || weak.lock());
    }
    EXPECT_EQ(destroyedBefore + rounds, destroyed) << "each object destroyed exactly once";
}

// The late-bound tables carry plain text through these; what they do not: NULs, text that is no text, null.
TEST(Utf8, ConvertsLosslesslyOrWithReplacementCharacters)
{
    EXPECT_EQ(std::string("caf\xC3\xA9 \xF0\x9F\x98\x80"), toUtf8(std::wstring(L"caf\u00e9 \xD83D\xDE00")));
    EXPECT_EQ(std::wstring(L"a\0b", 3), toUtf16(std::string("a\0b", 3)));
    EXPECT_EQ(std::string(), toUtf8(static_cast<const wchar_t*>(nullptr)) + toUtf8(nullptr, 5));
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ("a" + replacement + "b" + replacement, toUtf8(std::wstring(L"a\xD800" L"b\xDC00")));
    const std::wstring decoded = toUtf16(std::string("x\xFF\xC3y"));
    EXPECT_TRUE(decoded.front() == L'x' && decoded.back() == L'y' && decoded.find(L'\xFFFD') != std::wstring::npos);
}

// Callers may not expect a null BSTR: a null one copies out as a real empty string.
TEST(Bstr, CopiesAreStringsOfTheirOwnEvenOfNull)
{
    Bstr original = Bstr::fromUtf8(std::string("caf\xC3\xA9\0!", 7));
    Bstr copy = original;
    EXPECT_NE(original.get(), copy.get());
    EXPECT_EQ(std::wstring(L"caf\u00e9\0!", 6), copy.str());
    Bstr empty;
    ASSERT_EQ(S_OK, Bstr().copyTo(empty.out()));
    EXPECT_NE(nullptr, empty.get());
}

namespace {

// The build copies the test library beside the test program.
const std::wstring testLibrary = tools::besideThisProgram(L"ExtensionsUtilsTestLib.tlb");

} // namespace

// Office asks in its user's locale; a library is registered for one locale only.
TEST(RegisteredTypeLibrary, IsFoundForAnyLocale)
{
    ComPtr<ITypeLib> library; // registered for this process's user, as an installation registers the module's
    ASSERT_EQ(S_OK, LoadTypeLibEx(testLibrary.c_str(), REGKIND_REGISTER, library.out()));
    for (LCID locale : {0x0u, 0x400u, 0x407u, 0x409u})
        EXPECT_EQ(S_OK, loadRegisteredTypeLib(LIBID_ExtensionsUtilsTestLib, 1, 0, locale, library.out())) << locale;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, loadRegisteredTypeLib(IID_ITestCalculator, 1, 0, 0, library.out()));
}

// A failed load is not kept; one load serves every caller, however many ask at once.
TEST(TypeInfoHolder, KeepsTheFirstSuccessfulLoadForEveryCaller)
{
    std::atomic<int> loads{0};
    std::atomic<bool> failNext{true};
    TypeInfoHolder holder(IID_ITestCalculator, [&](LCID, ITypeLib** library) {
        ++loads;
        Sleep(30);
        return failNext.exchange(false) ? E_ACCESSDENIED : LoadTypeLibEx(testLibrary.c_str(), REGKIND_NONE, library);
    });
    ComPtr<ITypeInfo> info;
    EXPECT_TRUE(holder.typeInfo(0, info) == E_ACCESSDENIED && !info);
    std::vector<ComPtr<ITypeInfo>> seen(6);
    std::atomic<int> next{0};
    Threads(6, [&] { holder.typeInfo(0, seen[next++]); });
    EXPECT_EQ(2, loads) << "one failed load, then one load for all concurrent callers";
    for (const ComPtr<ITypeInfo>& each : seen) EXPECT_TRUE(each && each.get() == seen[0].get());
}

namespace {

std::atomic<int> destroyedSources{0};

// An event source as the module's objects are: a COM object whose container holds two points.
struct EventSource : ComObjectRoot, ConnectionPointContainer {
    using Interfaces = InterfaceTable<IConnectionPointContainer>;
    EventSource() : ConnectionPointContainer({DIID__ITestEvents, contractid::IPropertyNotifySink}) {}
    ~EventSource() { ++destroyedSources; }
};

// A careless callee that clears the arguments it was given.
struct ScribblingSink final : tools::DispatchSink {
    ScribblingSink() : DispatchSink(DIID__ITestEvents) {}
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) override
    {
        for (UINT i = 0; i < parameters->cArgs; ++i) VariantClear(&parameters->rgvarg[i]);
        return S_OK;
    }
};

struct ConnectionPointTest : ::testing::Test {
    ComPtr<FakeOfficeSink> sink(const IID& iid = DIID__ITestEvents) { return FakeOfficeSink::create(iid, journal); }
    DWORD advise(IUnknown* sink)
    {
        DWORD cookie = 0;
        EXPECT_EQ(S_OK, point().Advise(sink, &cookie));
        return cookie;
    }
    // Fires and waits until the sinks, called on the delivery threads, have it.
    HRESULT fireOnValue(LONG value, const wchar_t* text)
    {
        DispatchParameters parameters;
        parameters.add(number(value));
        parameters.add(::text(text));
        const HRESULT queued = point().fire(1, parameters);
        EventDelivery::waitUntilSettled(5000);
        return queued;
    }
    ConnectionPoint& point() { return *source->connectionPoint(DIID__ITestEvents); }

    std::shared_ptr<OfficeEventJournal> journal = std::make_shared<OfficeEventJournal>();
    MICComPtr<EventSource> source = ComObject<EventSource>::create();
};

} // namespace

// Each sink is called through the pointer its Advise stored, IDispatch or the event interface.
TEST_F(ConnectionPointTest, EverySinkGetsItsOwnCopyWhicheverInterfaceItAnswers)
{
    ComPtr<ScribblingSink> scribbler;
    *scribbler.out() = new ScribblingSink;
    ComPtr<FakeOfficeSink> eventsOnly = sink(), dispatchOnly = sink(contractid::IDispatch);
    eventsOnly->refuseIDispatch();
    for (IUnknown* each : std::initializer_list<IUnknown*>{scribbler.get(), eventsOnly.get(), dispatchOnly.get()}) advise(each);
    EXPECT_EQ(S_OK, fireOnValue(5, L"five"));

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(2u, events.size());
    // Sinks are called in parallel, each on its own queue: the order across sinks is open.
    EXPECT_TRUE(IsEqualIID(DIID__ITestEvents, events[0].eventInterface) || IsEqualIID(DIID__ITestEvents, events[1].eventInterface));
    for (const OfficeEvent& event : events)
        EXPECT_EQ(std::make_pair(std::wstring(L"0x1(5, five)"), WORD(DISPATCH_METHOD)), std::make_pair(describe(event), event.flags));
}

// A cookie is never issued twice, not even after its sink went.
TEST_F(ConnectionPointTest, EachAdviseGetsANewNonZeroCookie)
{
    ComPtr<FakeOfficeSink> listener = sink();
    std::set<DWORD> cookies;
    for (int round = 0; round < 4; ++round) {
        const DWORD cookie = advise(listener.get());
        EXPECT_TRUE(cookie != 0 && cookies.insert(cookie).second) << cookie;
        if (round % 2) {
            EXPECT_EQ(S_OK, point().Unadvise(cookie));
        }
    }
}

TEST_F(ConnectionPointTest, UnadviseReleasesOnlyTheSinkOfAKnownCookie)
{
    ComPtr<FakeOfficeSink> kept = sink(), removed = sink();
    const ULONG heldBefore = removed->references();
    advise(kept.get());
    const DWORD cookie = advise(removed.get());
    EXPECT_EQ(S_OK, point().Unadvise(cookie));
    for (DWORD unknown : {cookie, 0ul}) EXPECT_EQ(CONNECT_E_NOCONNECTION, point().Unadvise(unknown));
    EXPECT_EQ(heldBefore, removed->references());
    EXPECT_EQ(1u, point().connectionCount());
}

TEST_F(ConnectionPointTest, AdviseRefusesWhatIsNoSink)
{
    MICComPtr<EventSource> notASink = ComObject<EventSource>::create();
    DWORD cookie = 99;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point().Advise(notASink.identity(), &cookie));
    EXPECT_EQ(0u, cookie);
    EXPECT_EQ(E_POINTER, point().Advise(nullptr, &cookie));
    EXPECT_EQ(E_POINTER, point().Advise(notASink.identity(), nullptr));
    EXPECT_EQ(0u, point().connectionCount());
}

TEST_F(ConnectionPointTest, HoldsNoLockWhileASinkRuns)
{
    ComPtr<FakeOfficeSink> running = FakeOfficeSink::create(DIID__ITestEvents, std::make_shared<OfficeEventJournal>());
    ComPtr<FakeOfficeSink> newcomer = sink();
    const DWORD cookie = advise(running.get());
    bool changedDuringEvent = false;
    running->setHook([&](const OfficeEvent&) {
        // A lock held here would deadlock the change, and the watchdog would end the program.
        std::future<void> finished = std::async(std::launch::async, [&] {
            DWORD added = 0;
            point().Advise(newcomer.get(), &added);
            point().Unadvise(cookie);
        });
        changedDuringEvent = finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    });
    fireOnValue(5, L"five");
    EXPECT_TRUE(changedDuringEvent);
    EXPECT_EQ(0u, journal->count()) << "the newcomer came after the event";
    EXPECT_EQ(1u, point().connectionCount());
}

TEST_F(ConnectionPointTest, TheContainerFindsOnlyItsOwnPoints)
{
    ComPtr<IConnectionPointContainer> container = source.as<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> found;
    EXPECT_TRUE(container->FindConnectionPoint(contractid::IDispatch, found.out()) == CONNECT_E_NOCONNECTION && !found);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.out()));
    IConnectionPoint* fetched[3] = {};
    ULONG count = 0;
    EXPECT_EQ(S_FALSE, points->Next(3, fetched, &count));
    ASSERT_EQ(2u, count);
    for (ULONG i = 0; i < count; ++i) fetched[i]->Release();
    ASSERT_EQ(S_OK, container->FindConnectionPoint(contractid::IPropertyNotifySink, found.out()));
    IID iid = {};
    ASSERT_EQ(S_OK, found->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(contractid::IPropertyNotifySink, iid));
}

TEST_F(ConnectionPointTest, APointAClientHoldsKeepsItsSourceAlive)
{
    ComPtr<IConnectionPoint> found;
    ASSERT_EQ(S_OK, source.as<IConnectionPointContainer>()->FindConnectionPoint(contractid::IPropertyNotifySink, found.out()));
    const int destroyedBefore = destroyedSources;
    source.reset();
    EXPECT_EQ(destroyedBefore, destroyedSources);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, found->GetConnectionPointContainer(container.out()));
    container.reset();
    found.reset();
    EXPECT_EQ(destroyedBefore + 1, destroyedSources);
}
