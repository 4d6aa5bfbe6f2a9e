#include "ContactFixture.h"

#include "support/LateBoundCall.h"

#include "support/TypeLibraryRegistration.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

const WORD get = DISPATCH_PROPERTYGET;
const WORD method = DISPATCH_METHOD;

// Office reaches the contact manager and its contacts late-bound too: IDispatch answered from the
// registered type library, each member by name.
class ContactDispatchTest : public ContactFixture
{
protected:
    void SetUp() override
    {
        ContactFixture::SetUp();
        ASSERT_EQ(registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessengerLib.tlb")), S_OK);
    }

    ComPtr<IDispatch> managerDispatch() { return manager.as<IDispatch>(); }

    ComPtr<IDispatch> lateBoundContact(const wchar_t* uri)
    {
        LateBoundResult result = callByName(managerDispatch().get(), L"GetContactByUri", method, {Variant::fromString(uri)});
        EXPECT_EQ(result.invoke, S_OK);
        EXPECT_EQ(result.value.type(), VT_DISPATCH);
        return result.value.type() == VT_DISPATCH ? ComPtr<IDispatch>(result.value.get()->pdispVal) : nullptr;
    }

    static Variant none() { return Variant(); }
    static Variant nullObject() { return Variant::fromUnknown(nullptr); }
};

} // namespace

TEST_F(ContactDispatchTest, TheContactAnswersEveryMemberLateBound)
{
    ComPtr<IDispatch> bob = lateBoundContact(kBob);
    ASSERT_TRUE(bob);
    EXPECT_EQ(textOf(callByName(bob.get(), L"Uri", get).value), L"sip:bob@example.com");
    EXPECT_EQ(textOf(callByName(bob.get(), L"GetContactInformation", method, {Variant::fromInt32(ucPresenceDisplayName)})
                         .value),
              L"Bob Builder");
    EXPECT_EQ(callByName(bob.get(), L"GetContactInformation", method, {Variant::fromInt32(ucPresenceAvailability)})
                  .value.get()->lVal,
              9500);
    EXPECT_EQ(callByName(bob.get(), L"GetContactInformation", method, {Variant::fromInt32(ucPresenceTitle)}).member,
              E_NOTIMPL);

    LateBoundResult batch = callByName(bob.get(), L"BatchGetContactInformation", method,
                                       {Variant::fromSafeArray(int32Array({ucPresenceAvailability, ucPresenceTitle}).detach())});
    ASSERT_EQ(batch.invoke, S_OK);
    ASSERT_EQ(batch.value.type(), VT_DISPATCH);
    EXPECT_EQ(callByName(batch.value.get()->pdispVal, L"Count", get).value.get()->lVal, 2);

    LateBoundResult settings = callByName(bob.get(), L"Settings", get);
    ASSERT_EQ(settings.value.type(), VT_DISPATCH);
    EXPECT_EQ(callByName(settings.value.get()->pdispVal, L"Count", get).value.get()->lVal, 5);

    EXPECT_EQ(callByName(bob.get(), L"CanStart", method, {Variant::fromInt32(ucModalityInstantMessage)}).value.get()->boolVal,
              VARIANT_FALSE);
    EXPECT_EQ(callByName(bob.get(), L"CanChangeSetting", method, {Variant::fromInt32(ucContactTagged)}).value.get()->boolVal,
              VARIANT_TRUE);
    EXPECT_EQ(callByName(bob.get(), L"ChangeSetting", method, {Variant::fromInt32(ucContactTagged), Variant::fromBool(false)})
                  .invoke,
              S_OK)
        << "the callback, state and operation may be left out";
    EXPECT_EQ(callByName(bob.get(), L"ChangeSetting", method,
                         {Variant::fromInt32(ucContactTagged), Variant::fromBool(true), nullObject(), none()})
                  .invoke,
              S_OK);
    EXPECT_EQ(host().tagRequests(), (std::vector<std::pair<std::wstring, long>>{{kBob, 0}, {kBob, -1}}));
    EXPECT_EQ(callByName(bob.get(), L"ChangeSetting", method, {Variant::fromInt32(0), Variant::fromBool(true)}).member,
              E_NOTIMPL);

    LateBoundResult owner = callByName(bob.get(), L"ContactManager", get);
    ASSERT_EQ(owner.value.type(), VT_DISPATCH);
    EXPECT_TRUE(extensionsutils::sameComObject(owner.value.get()->pdispVal, manager.identity()));
    EXPECT_EQ(callByName(bob.get(), L"UnifiedCommunicationType", get).value.get()->lVal, ucUnifiedCommunicationEnabled);
    EXPECT_EQ(callByName(bob.get(), L"CanMoveToGroup", method, {nullObject(), nullObject()}).value.get()->boolVal,
              VARIANT_FALSE);
    EXPECT_EQ(callByName(bob.get(), L"CustomGroups", get).member, E_NOTIMPL);
    EXPECT_EQ(callByName(bob.get(), L"MoveToGroup", method, {nullObject(), nullObject()}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(bob.get(), L"CreateContactEndpoint", method, {Variant::fromString(L"tel:+1")}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(bob.get(), L"GetOrganizationInformation", method, {Variant::fromInt32(1)}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(bob.get(), L"GetMultipleContactInformation", method,
                         {Variant::fromSafeArray(int32Array({ucPresenceAvailability}).detach())})
                  .member,
              E_NOTIMPL);

    ComPtr<IUCCContact2> second = bob.as<IUCCContact2>();
    ASSERT_TRUE(second);
    EXPECT_EQ(callByName(second.get(), L"IsAnonymous", method).value.get()->boolVal, VARIANT_FALSE);
    EXPECT_EQ(callByName(second.get(), L"SetAdditionalUris", method,
                         {Variant::fromSafeArray(SafeArray::ofStrings({L"sip:b@example.com"}).detach())})
                  .member,
              E_NOTIMPL);
    EXPECT_EQ(callByName(second.get(), L"GetRawContactbyUri", method, {Variant::fromString(kBob)}).member, E_NOTIMPL);
}

TEST_F(ContactDispatchTest, TheManagerAnswersEveryMemberLateBound)
{
    ComPtr<IDispatch> dispatch = managerDispatch();
    ComPtr<IDispatch> number = lateBoundContact(L"5550100");
    EXPECT_EQ(textOf(callByName(number.get(), L"Uri", get).value), L"5550100");
    EXPECT_EQ(callByName(dispatch.get(), L"GetContactByUri", method, {Variant::fromString(L"")}).member, S_OK)
        << "an empty address is a number";
    EXPECT_EQ(callByName(dispatch.get(), L"GetContactByUri", method, {Variant::fromString(L"nobody@example.com")}).member,
              static_cast<HRESULT>(0x8100030A));

    LateBoundResult self = callByName(dispatch.get(), L"GetSelfContact", method);
    ASSERT_EQ(self.value.type(), VT_DISPATCH);
    EXPECT_EQ(textOf(callByName(self.value.get()->pdispVal, L"Uri", get).value), L"sip:alice@example.com");

    LateBoundResult subscription = callByName(dispatch.get(), L"CreateSubscription", method);
    ASSERT_EQ(subscription.value.type(), VT_DISPATCH);
    EXPECT_EQ(callByName(subscription.value.get()->pdispVal, L"AddContact", method,
                         {Variant::fromDispatch(lateBoundContact(kBob).get())})
                  .invoke,
              S_OK);

    auto callback = fakeoffice::FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
    host().setResolutionAnswer(L"bob.builder@mail.example.com", kBob);
    LateBoundResult lookup = callByName(dispatch.get(), L"Lookup", method,
                                        {Variant::fromString(L"bob.builder@mail.example.com"),
                                         Variant::fromUnknown(callback.get()), none()});
    ASSERT_EQ(lookup.invoke, S_OK);
    ASSERT_EQ(lookup.value.type(), VT_DISPATCH);
    host().answerPendingResolutions();
    settleWorker();
    EXPECT_EQ(callByName(lookup.value.get()->pdispVal, L"IsCompleted", get).value.get()->boolVal, VARIANT_TRUE);
    ASSERT_EQ(journal->count(), 1u);
    EXPECT_EQ(callByName(dispatch.get(), L"Lookup", method, {Variant::fromString(L"x@example.com")}).member, E_FAIL)
        << "no callback";

    for (const wchar_t* unsupported : {L"SuspendSubscriptions", L"ResumeSubscriptions", L"GetSearchFields"})
        EXPECT_EQ(callByName(dispatch.get(), unsupported, method).member, E_NOTIMPL) << extensionsutils::toUtf8(unsupported);
    EXPECT_EQ(callByName(dispatch.get(), L"Groups", get).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"Search", method, {Variant::fromString(L"bob")}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"GetContactByTel", method, {Variant::fromString(L"tel:1")}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"GetSearchProviderID", method, {Variant::fromInt32(0)}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"GetSearchProviderStatus", method, {Variant::fromInt32(0)}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"GetExpertSearchQueryString", method, {Variant::fromString(L"bob")}).member,
              E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"AddCustomGroup", method, {Variant::fromString(L"friends")}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"AddDistributionGroup", method, {nullObject()}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"RemoveGroup", method, {nullObject()}).member, E_NOTIMPL);
    EXPECT_EQ(callByName(dispatch.get(), L"RemoveContactFromAllGroups", method, {nullObject()}).member, E_NOTIMPL);
}

TEST_F(ContactDispatchTest, ChangeEventsReachALateBoundSinkWithReadableData)
{
    ComPtr<IDispatch> bob = lateBoundContact(kBob);
    adviseContactSink(bob.get());
    host().fireContactChanged(kBob, {3});
    runOnWorker([] {});
    const std::vector<fakeoffice::OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].arguments.size(), 2u);
    LateBoundResult changed = callByName(events[0].arguments[1].get()->pdispVal, L"ChangedContactInformation", get);
    ASSERT_EQ(changed.value.type(), VT_ARRAY | VT_I4);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(changed.value.get()->parray, &copy), S_OK);
    EXPECT_EQ(int32sOf(copy), std::vector<LONG>{ucPresenceContactEndpoints});
    EXPECT_EQ(textOf(callByName(events[0].arguments[0].get()->pdispVal, L"Uri", get).value), L"sip:bob@example.com");
}
