#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include <servprov.h>

using extensionsutils::ComPtr;

namespace {

using MessengerIdentityTest = MessengerTest;

ComPtr<IUnknown> ask(IUnknown* object, REFIID iid, HRESULT expected = S_OK)
{
    ComPtr<IUnknown> result;
    EXPECT_EQ(expected, object->QueryInterface(iid, reinterpret_cast<void**>(result.out())));
    return result;
}

TEST_F(MessengerIdentityTest, EveryInterfaceOfTheMapIsTheSameObjectAndTheMessengerApiOnePointer)
{
    IUnknown* identity = messenger.identity();
    const IID interfaces[] = {IID_IUCOfficeIntegration, IID_IMessengerAdvanced, IID_IMessenger, IID_IMessenger2,
                              IID_IMessenger3, IID_IDispatch, IID_IConnectionPointContainer,
                              IID_IMessengerContactResolution, IID_IServiceProvider, IID_IUnknown};
    for (const IID& iid : interfaces) {
        ComPtr<IUnknown> answer = ask(identity, iid);
        ASSERT_TRUE(answer);
        EXPECT_EQ(identity, ask(answer.get(), IID_IUnknown).get()) << "the identity differs through one interface";
    }
    // The Messenger API and late-bound callers share one interface pointer.
    ComPtr<IUnknown> advanced = ask(identity, IID_IMessengerAdvanced);
    for (const IID& iid : {IID_IMessenger, IID_IMessenger2, IID_IMessenger3, IID_IDispatch})
        EXPECT_EQ(advanced.get(), ask(identity, iid).get());
    // The identity is the UC entry, the first interface of the object.
    EXPECT_EQ(identity, ask(identity, IID_IUCOfficeIntegration).get());
}

TEST_F(MessengerIdentityTest, InterfacesOutsideTheMapAreRefused)
{
    const IID others[] = {IID_IMessengerGroups, IID_IMessengerContact, IID_IMessengerServices, IID_IStream,
                          IID_IUCCLyncClient};
    for (const IID& iid : others) {
        void* result = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, messenger.identity()->QueryInterface(iid, &result));
        EXPECT_EQ(nullptr, result);
    }
    EXPECT_EQ(E_POINTER, messenger.identity()->QueryInterface(IID_IMessenger, nullptr));
}

TEST_F(MessengerIdentityTest, LateBoundCallersReachTheMessengerApiThroughTheRegisteredLibrary)
{
    ComPtr<IDispatch> dispatch = lateBound();
    EXPECT_EQ(0x519, dispatchIdOf(dispatch.get(), L"MyStatus"));
    EXPECT_EQ(0x60050000, dispatchIdOf(dispatch.get(), L"StartConversation"));
    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, info.out()));
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, info.out()));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualIID(IID_IMessengerAdvanced, attributes->guid));
    info->ReleaseTypeAttr(attributes);

    // Resolution has IDispatch of its own, answered from its own description.
    ComPtr<IMessengerContactResolution> resolution = messenger.as<IMessengerContactResolution>();
    EXPECT_EQ(0x60020000, dispatchIdOf(resolution.get(), L"ResolveContact"));
}

TEST_F(MessengerIdentityTest, QueryServiceAnswersTheUcEntryForTheUcServiceWhateverInterfaceWasAsked)
{
    ComPtr<IServiceProvider> provider = messenger.as<IServiceProvider>();
    ASSERT_TRUE(provider);
    GUID ucService = {};
    ASSERT_EQ(S_OK, IIDFromString(L"{6B734CFB-92E4-42F3-9A5E-D4BDED5FC357}", &ucService));
    ComPtr<IUCOfficeIntegration> entry = messenger.as<IUCOfficeIntegration>();
    for (const IID& iid : {IID_IUCOfficeIntegration, IID_IUnknown, IID_IMessenger}) {
        void* result = nullptr;
        ASSERT_EQ(S_OK, provider->QueryService(ucService, iid, &result));
        EXPECT_EQ(static_cast<void*>(entry.get()), result);
        static_cast<IUnknown*>(result)->Release();
    }

    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOTIMPL, provider->QueryService(IID_IUCOfficeIntegration, IID_IUCOfficeIntegration, &result));
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(E_NOTIMPL, provider->QueryService(GUID_NULL, IID_IUnknown, &result));
    EXPECT_EQ(E_POINTER, provider->QueryService(ucService, IID_IUnknown, nullptr));
}

TEST_F(MessengerIdentityTest, BothApisEventInterfacesHaveAConnectionPointAndNothingElseHas)
{
    ComPtr<IConnectionPointContainer> container = messenger.as<IConnectionPointContainer>();
    for (const IID& events : {DIID_DMessengerEvents, DIID__IUCOfficeIntegrationEvents}) {
        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(S_OK, container->FindConnectionPoint(events, point.out()));
        IID reported = {};
        EXPECT_EQ(S_OK, point->GetConnectionInterface(&reported));
        EXPECT_TRUE(IsEqualIID(events, reported));
    }
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(DIID__IUCCLyncClientEvents, none.out()));

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.out()));
    IConnectionPoint* fetched[3] = {};
    ULONG count = 0;
    points->Next(3, fetched, &count);
    EXPECT_EQ(2u, count);
    for (ULONG i = 0; i < count; ++i) fetched[i]->Release();
}

TEST_F(MessengerIdentityTest, InitialiseRegistersTheHostListenerAndUninitialiseTakesItBack)
{
    EXPECT_EQ(1u, host().listenerCount());
    messenger->uninitialise();
    EXPECT_EQ(0u, host().listenerCount());
    ASSERT_EQ(1u, host().removedListeners().size());
    EXPECT_EQ(host().addedListeners(), host().removedListeners());
}

} // namespace
