// The fake host client itself, as later tests rely on it: events from its own thread, resolution answers,
// contact connection points, failure injection and the release of everything it was handed.

#include "support/FakeHostEnvironment.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using fakehost::FakeHost;
using fakehost::HostMethod;

namespace {

// A module-side listener that notes what reaches it and on which thread.
class RecordingListener : public _IIMAndPresenceEvents {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID__IIMAndPresenceEvents) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    HRESULT STDMETHODCALLTYPE OnContactPresenceChanged(IDispatch* contact, IDispatch* presenceState) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        threads.push_back(std::this_thread::get_id());
        ComPtr<IContact> asContact;
        ComPtr<IPresenceState> asPresence;
        if (contact) contact->QueryInterface(IID_IContact, reinterpret_cast<void**>(asContact.out()));
        if (presenceState) presenceState->QueryInterface(IID_IPresenceState, reinterpret_cast<void**>(asPresence.out()));
        Bstr name;
        LONG presence = 0;
        if (asContact) asContact->get_SigninName(name.out());
        if (asPresence) asPresence->get_PresenceState(&presence);
        presenceChanges.emplace_back(name.str(), presence);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnContactResolved(BSTR email, BSTR imAddress) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        threads.push_back(std::this_thread::get_id());
        resolutions.push_back({Bstr(email).str(), imAddress ? Bstr(imAddress).str() : std::wstring()});
        return E_FAIL; // the fake reports listener results as they are
    }

    std::atomic<ULONG> references{1};
    std::mutex mutex;
    std::vector<std::thread::id> threads;
    std::vector<std::pair<std::wstring, LONG>> presenceChanges;
    std::vector<fakehost::ResolutionAnswer> resolutions;
};

// A module-side _IContactEvents sink that keeps the change codes it receives.
class RecordingSink : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID__IContactEvents) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        dispids.push_back(dispid);
        if (parameters->cArgs == 1 && parameters->rgvarg[0].vt == (VT_ARRAY | VT_I4))
            extensionsutils::readInt32s(parameters->rgvarg[0].parray, codes);
        return S_OK;
    }

    std::atomic<ULONG> references{1};
    std::vector<DISPID> dispids;
    std::vector<LONG> codes;
};

class FakeHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakehost::ContactRecord bob;
        bob.signinName = L"bob";
        bob.presence = 3;
        host().addContact(bob);
    }

    FakeHost& host() { return environment.host(); }

    template <class T>
    ComPtr<T> create(REFIID iid)
    {
        ComPtr<T> object;
        environment.host().classObject()->CreateInstance(nullptr, iid, reinterpret_cast<void**>(object.out()));
        return object;
    }

    ComPtr<IContact> contactBob()
    {
        ComPtr<IDispatch> found;
        const Bstr bob(L"bob");
        create<IIMAndPresence>(IID_IIMAndPresence)->GetContact(bob.get(), found.out());
        return found.as<IContact>();
    }

    fakehost::FakeHostEnvironment environment;
};

TEST_F(FakeHostTest, PresenceChangesReachListenersOnTheHostThread)
{
    RecordingListener listener;
    ASSERT_EQ(create<IEventManager>(IID_IEventManager)->AddIMAndPresenceEventListener(&listener), S_OK);

    host().setPresence(L"bob", 5, L"Away");
    EXPECT_EQ(host().firePresenceChanged(L"bob"), std::vector<HRESULT>{S_OK});
    host().postPresenceChanged(L"bob");
    host().waitForHostThread();

    ASSERT_EQ(listener.presenceChanges.size(), 2u);
    EXPECT_EQ(listener.presenceChanges[0], (std::pair<std::wstring, LONG>(L"bob", 5)));
    EXPECT_NE(listener.threads[0], std::this_thread::get_id());
    EXPECT_EQ(host().liveObjectCount(), 0);

    ASSERT_EQ(create<IEventManager>(IID_IEventManager)->RemoveIMAndPresenceEventListener(&listener), S_OK);
    EXPECT_EQ(listener.references, 1u);
    EXPECT_EQ(host().removedListeners(), std::vector<const void*>{&listener});
}

TEST_F(FakeHostTest, ResolutionsAreAnsweredLaterOrOnRequest)
{
    RecordingListener listener;
    create<IEventManager>(IID_IEventManager)->AddIMAndPresenceEventListener(&listener);
    ComPtr<IIMAndPresence> imAndPresence = create<IIMAndPresence>(IID_IIMAndPresence);
    const Bstr ann(L"ann@example.com");

    ASSERT_EQ(imAndPresence->ResolveContactByEmail(ann.get()), S_OK);
    EXPECT_EQ(host().pendingResolutions(), std::vector<std::wstring>{L"ann@example.com"});
    EXPECT_EQ(host().answerResolution(L"ann@example.com", L"sip:ann"), std::vector<HRESULT>{E_FAIL});
    EXPECT_TRUE(host().pendingResolutions().empty());

    host().setResolutionMode(FakeHost::ResolutionMode::Automatic);
    host().setResolutionAnswer(L"ann@example.com", L"sip:ann2");
    imAndPresence->ResolveContactByEmail(ann.get());
    imAndPresence->ResolveContactByEmail(Bstr(L"nobody@example.com").get());
    host().waitForHostThread();

    ASSERT_EQ(listener.resolutions.size(), 3u);
    EXPECT_EQ(listener.resolutions[0].imAddress, L"sip:ann");
    EXPECT_EQ(listener.resolutions[1].imAddress, L"sip:ann2");
    EXPECT_EQ(listener.resolutions[2].email, L"nobody@example.com");
    EXPECT_EQ(listener.resolutions[2].imAddress, L"");
    EXPECT_EQ(host().resolveRequests().size(), 3u);
    create<IEventManager>(IID_IEventManager)->RemoveIMAndPresenceEventListener(&listener);
}

TEST_F(FakeHostTest, ContactSinksReceiveChangeCodesUntilUnadvised)
{
    ComPtr<IConnectionPointContainer> container = contactBob().as<IConnectionPointContainer>();
    ASSERT_TRUE(container);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__IContactEvents, point.out()), S_OK);
    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(host().contactSinkCount(L"bob"), 1u);

    EXPECT_EQ(host().fireContactChanged(L"bob", {4, 1}), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(sink.dispids, std::vector<DISPID>{1});
    EXPECT_EQ(sink.codes, (std::vector<LONG>{4, 1}));

    ASSERT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    EXPECT_TRUE(host().fireContactChanged(L"bob", {1}).empty());
    EXPECT_EQ(sink.references, 1u);
}

TEST_F(FakeHostTest, InjectedFailuresLastAsLongAsAsked)
{
    ComPtr<IContact> bob = contactBob();
    host().failMethod(HostMethod::GetSigninName, E_ACCESSDENIED, 1);
    Bstr name;
    EXPECT_EQ(bob->get_SigninName(name.out()), E_ACCESSDENIED);
    EXPECT_EQ(bob->get_SigninName(name.out()), S_OK);
    EXPECT_EQ(name.str(), L"bob");
    EXPECT_EQ(host().callCount(HostMethod::GetSigninName), 2u);

    host().answerEmpty(HostMethod::RequestPresenceState);
    ComPtr<IDispatch> presence;
    EXPECT_EQ(bob->RequestPresenceState(presence.out()), S_OK);
    EXPECT_FALSE(presence);
    host().clearFailures();
    EXPECT_EQ(bob->RequestPresenceState(presence.out()), S_OK);
    EXPECT_TRUE(presence.as<IPresenceState>());
}

TEST_F(FakeHostTest, ReadTransactionsAreOpenWhileReferenced)
{
    ComPtr<IUnknown> transaction;
    ASSERT_EQ(contactBob()->BeginReadTransaction(transaction.out()), S_OK);
    EXPECT_EQ(host().openReadTransactions(), 1u);
    transaction.reset();
    EXPECT_EQ(host().openReadTransactions(), 0u);
}

TEST_F(FakeHostTest, ShutdownReleasesWhatTheModuleHandedIn)
{
    RecordingListener listener;
    create<IEventManager>(IID_IEventManager)->AddIMAndPresenceEventListener(&listener);
    RecordingSink sink;
    ComPtr<IConnectionPoint> point;
    contactBob().as<IConnectionPointContainer>()->FindConnectionPoint(DIID__IContactEvents, point.out());
    DWORD cookie = 0;
    point->Advise(&sink, &cookie);
    point.reset();

    host().shutdown();
    EXPECT_EQ(listener.references, 1u);
    EXPECT_EQ(sink.references, 1u);
    EXPECT_EQ(host().liveObjectCount(), 0);
}

} // namespace
