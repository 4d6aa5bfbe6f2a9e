// Chats and calls that Office 2007/2010 start through the Messenger object: StartConversation with each
// conversation type, phone mode, the Outlook-version rule for a number without a named participant,
// InstantMessage, and the participant lists Office passes.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "RawRegistry.h"
#include "SavedRegistryKey.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"

#include <gmock/gmock.h>

#include <optional>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;
using fakehost::ConversationKind;
using fakehost::ConversationStart;
using fakehost::HostMethod;
using ::testing::ElementsAre;

namespace {

// A participant list as Office passes it: VT_ARRAY | VT_VARIANT of sign-in names, nullopt an empty element.
Variant participants(const std::vector<std::optional<std::wstring>>& names)
{
    std::vector<Variant> elements;
    for (const auto& name : names) elements.push_back(name ? Variant::fromString(*name) : Variant());
    return Variant::fromSafeArray(SafeArray::ofVariants(elements).detach());
}

// A VT_ARRAY | VT_VARIANT value over an array built by hand.
Variant wrapped(SAFEARRAY* array)
{
    Variant value;
    value.get()->vt = VT_ARRAY | VT_VARIANT;
    value.get()->parray = array;
    return value;
}

SAFEARRAY* variantsFrom(LONG lowerBound, const std::vector<std::wstring>& names)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(names.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
    for (ULONG i = 0; i < names.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        SafeArrayPutElement(array, &index, Variant::fromString(names[i]).get());
    }
    return array;
}

std::vector<std::wstring> stringsOf(const SafeArray& array, LONG* lowerBound = nullptr)
{
    std::vector<std::wstring> values;
    EXPECT_EQ(S_OK, extensionsutils::readStrings(array.get(), values));
    if (lowerBound) SafeArrayGetLBound(array.get(), 1, lowerBound);
    return values;
}

class MessengerConversationTest : public MessengerTest {
protected:
    void SetUp() override
    {
        MessengerTest::SetUp();
        addContact(L"dave");
        outlook32_.clear();
        outlook64_.clear();
    }

    HRESULT start(CONVERSATION_TYPE type, const Variant& people, const Variant& subject = Variant(),
                  const Variant& data = Variant(), IMessengerAdvanced* api = nullptr)
    {
        ComPtr<IMessengerAdvanced> own = messengerApi();
        VARIANT window;
        VariantInit(&window);
        window.vt = VT_I2;
        const HRESULT hr = (api ? api : own.get())
                               ->StartConversation(type, *people.get(), *Variant().get(), *subject.get(),
                                                   *Variant().get(), *data.get(), &window);
        EXPECT_EQ(VT_I2, window.vt) << "the window handle was written";
        return hr;
    }

    void installOutlook(const wchar_t* progId)
    {
        for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY)})
            ASSERT_TRUE(registrytest::writeStringValue(HKEY_CLASSES_ROOT, L"Outlook.Application\\CurVer", nullptr,
                                                       progId, view));
    }

    std::vector<ConversationStart> started() const { return host().conversations(); }

private:
    registrytest::SavedRegistryKey outlook32_{HKEY_CLASSES_ROOT, L"Outlook.Application", KEY_WOW64_32KEY};
    registrytest::SavedRegistryKey outlook64_{HKEY_CLASSES_ROOT, L"Outlook.Application", KEY_WOW64_64KEY};
};

TEST_F(MessengerConversationTest, AnImConversationIsAChatWithOneOrAGroupChatWithSeveral)
{
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"bob"})));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"bob", L"carol"}), Variant::fromString(L"Plans")));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"bob", L"carol"}), Variant::fromInt32(5)));

    const std::vector<ConversationStart> chats = started();
    ASSERT_EQ(3u, chats.size());
    EXPECT_EQ(ConversationKind::InstantMessage, chats[0].kind);
    EXPECT_THAT(chats[0].participants, ElementsAre(L"bob"));
    EXPECT_EQ(ConversationKind::GroupChat, chats[1].kind);
    EXPECT_THAT(chats[1].participants, ElementsAre(L"bob", L"carol"));
    EXPECT_EQ(0, chats[1].lowerBound);
    EXPECT_TRUE(chats[1].hasSubject);
    EXPECT_EQ(L"Plans", chats[1].subject);
    EXPECT_FALSE(chats[2].hasSubject) << "a subject that is not a string is no subject";
    EXPECT_TRUE(host().logged(L"Completed StartConversation"));
}

TEST_F(MessengerConversationTest, VoiceTypesCallTheParticipantsOrDialTheGivenNumber)
{
    const Variant number = Variant::fromString(L"+1 555 0199");
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_PHONE, participants({L"bob"})));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_VIDEO, participants({L"carol"}))); // video starts as a voice call
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_AUDIO, participants({L"bob", L"carol", L"dave"})));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_AUDIO, participants({L"bob", L"carol"}), Variant(), number));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_PSTN, participants({L"bob"}), Variant(), number));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_AUDIO, participants({L"bob", L"carol", L"dave"}), Variant(), number));

    const std::vector<ConversationStart> calls = started();
    ASSERT_EQ(6u, calls.size());
    EXPECT_EQ(ConversationKind::Call, calls[0].kind);
    EXPECT_THAT(calls[0].participants, ElementsAre(L"bob"));
    EXPECT_THAT(calls[1].participants, ElementsAre(L"carol"));
    EXPECT_EQ(ConversationKind::ConferenceCall, calls[2].kind);
    EXPECT_THAT(calls[2].participants, ElementsAre(L"bob", L"carol", L"dave"));
    EXPECT_EQ(ConversationKind::Call, calls[3].kind);
    EXPECT_THAT(calls[3].participants, ElementsAre(L"+1 555 0199"));
    EXPECT_THAT(calls[4].participants, ElementsAre(L"+1 555 0199"));
    EXPECT_EQ(ConversationKind::ConferenceCall, calls[5].kind) << "with three named the number is not dialled";
    EXPECT_EQ(6u, host().loggedCount(L"starting voice conversation"));
}

TEST_F(MessengerConversationTest, LiveMeetingsAndCombinedTypesAreRefused)
{
    for (long type : {4L, 3L, 0L, 9L, 64L, 0x3FL, -1L}) {
        SCOPED_TRACE(testing::Message() << "type " << type);
        EXPECT_EQ(E_INVALIDARG, start(static_cast<CONVERSATION_TYPE>(type), participants({L"bob"})));
    }
    EXPECT_TRUE(started().empty());
    EXPECT_EQ(7u, host().loggedCount(L"cannot start a Live Meeting session"));
}

TEST_F(MessengerConversationTest, PhoneModeStartsNoChatButStillCalls)
{
    ComPtr<IMessengerAdvanced> phoneMode = createMessenger(Configuration::PhoneModeFlag).as<IMessengerAdvanced>();
    ComPtr<IMessengerAdvanced> both = createMessenger(3).as<IMessengerAdvanced>();
    ComPtr<IMessengerAdvanced> authenticationFlagOnly = createMessenger(1).as<IMessengerAdvanced>();
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"bob"}), Variant(), Variant(), phoneMode.get()));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"bob"}), Variant(), Variant(), both.get()));
    EXPECT_TRUE(started().empty());

    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_AUDIO, participants({L"bob"}), Variant(), Variant(), phoneMode.get()));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"carol"}), Variant(), Variant(),
                          authenticationFlagOnly.get()));
    EXPECT_EQ(S_OK, phoneMode->InstantMessage(*Variant::fromString(L"dave").get(), nullptr));
    const std::vector<ConversationStart> conversations = started();
    ASSERT_EQ(3u, conversations.size());
    EXPECT_EQ(ConversationKind::Call, conversations[0].kind);
    EXPECT_EQ(ConversationKind::InstantMessage, conversations[1].kind);
    EXPECT_THAT(conversations[1].participants, ElementsAre(L"carol"));
    EXPECT_THAT(conversations[2].participants, ElementsAre(L"dave"));
}

TEST_F(MessengerConversationTest, AFailedChatIsHiddenAndAFailedCallIsSFalse)
{
    host().failMethod(HostMethod::StartInstantMessage);
    host().failMethod(HostMethod::StartGroupChat);
    host().failMethod(HostMethod::MakeCall);
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"bob"})));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"bob", L"carol"})));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, participants({L"bob"})));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, participants({L"bob"}), Variant(), Variant::fromString(L"123")));

    const std::vector<fakehost::LogRecord> voiceFailures = host().recordsOf(L"StartVoiceConversation failed");
    ASSERT_EQ(2u, voiceFailures.size());
    EXPECT_EQ(1, voiceFailures[0].hostLevel); // module level 4
    EXPECT_EQ(L"TavoMessengerAdvanced::StartConversation", voiceFailures[0].function);
    EXPECT_EQ(2u, host().loggedCount(L"StartInstantMessageConversation failed"));
    EXPECT_FALSE(host().logged(L"Completed StartConversation"));

    // The host's phone missing is a failed call as well.
    host().clearFailures();
    host().failMethod(HostMethod::CreatePhone);
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, participants({L"bob"})));
    EXPECT_TRUE(host().logged(L"phone is NULL"));
}

TEST_F(MessengerConversationTest, ParticipantsAreCalledWithoutRepeatsAndWithoutTheUser)
{
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_AUDIO, participants({L"bob", L"me", L"bob", L"Bob", L"carol"})));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, participants({L"carol", L"me", L"carol"}), Variant::fromString(L"s")));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_AUDIO, participants({L"me", L"me", L"me"})));

    const std::vector<ConversationStart> conversations = started();
    ASSERT_EQ(2u, conversations.size()) << "a call with only the user must start nothing";
    EXPECT_EQ(ConversationKind::ConferenceCall, conversations[0].kind);
    EXPECT_THAT(conversations[0].participants, ElementsAre(L"bob", L"Bob", L"carol"));
    EXPECT_EQ(ConversationKind::GroupChat, conversations[1].kind);
    EXPECT_THAT(conversations[1].participants, ElementsAre(L"carol"));
}

TEST_F(MessengerConversationTest, ANumberWithoutANamedParticipantIsDialledOnlyForOutlook2013AndLater)
{
    const Variant number = Variant::fromString(L"+1 555 0142");
    const Variant onlyANumber = participants({std::nullopt});

    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, Variant(), number)) << "no Outlook installed";
    installOutlook(L"Outlook.Application.14");
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, Variant(), number));
    EXPECT_EQ(2u, host().loggedCount(L"contacts array is empty cannot start a call!"));
    EXPECT_TRUE(started().empty());

    for (const wchar_t* progId : {L"Outlook.Application.15", L"Outlook.Application.16"}) {
        installOutlook(progId);
        EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_PHONE, onlyANumber, Variant(), number));
    }
    const std::vector<ConversationStart> calls = started();
    ASSERT_EQ(2u, calls.size());
    for (const ConversationStart& call : calls) {
        EXPECT_EQ(ConversationKind::Call, call.kind);
        EXPECT_THAT(call.participants, ElementsAre(L"+1 555 0142"));
    }

    // Outlook 2016 without a number to dial.
    host().clearLog();
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, Variant(), Variant::fromInt32(5)));
    EXPECT_EQ(4, onlyRecordOf(L"failed to start conversation").moduleLevel);
    EXPECT_EQ(2u, started().size());
}

TEST_F(MessengerConversationTest, ParticipantsThatAreNotAnArrayOfVariantsStartNothing)
{
    const Variant notAnArray = Variant::fromString(L"bob");
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, notAnArray));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, notAnArray));
    EXPECT_EQ(2u, host().loggedCount(L"vParticipant is NOT and array of type VT_ARRAY"));

    const Variant empty = participants({});
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, empty));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, empty));
    EXPECT_TRUE(host().logged(L"Participants array is empty"));
    EXPECT_TRUE(host().logged(L"ParticipantsArray is empty"));

    Variant noArray;
    noArray.get()->vt = VT_ARRAY | VT_VARIANT; // and a null array
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, noArray));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, noArray));
    EXPECT_TRUE(host().logged(L"No participants, unable to start call"));
    EXPECT_TRUE(started().empty());
}

TEST_F(MessengerConversationTest, MalformedArraysAreRefusedWithInvalidArgument)
{
    TavoMessengerAdvanced& messengerApiSide = *messenger;

    // Two dimensions.
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    const Variant square = wrapped(SafeArrayCreate(VT_VARIANT, 2, bounds));
    // Strings labelled as VARIANTs: reading them as VARIANTs would run past every element.
    const Variant strings = wrapped(SafeArray::ofStrings({L"bob", L"carol"}).detach());
    for (const Variant* malformed : {&square, &strings}) {
        EXPECT_EQ(E_INVALIDARG, messengerApiSide.StartVoiceConversation(*malformed, Variant()));
        EXPECT_EQ(E_INVALIDARG, messengerApiSide.StartInstantMessageConversation(*malformed, Variant()));
        EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, *malformed));
        EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, *malformed));
    }
    EXPECT_TRUE(started().empty());
}

TEST_F(MessengerConversationTest, AnArrayThatDoesNotStartAtZeroIsReadFromItsLowerBound)
{
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_AUDIO, wrapped(variantsFrom(1, {L"bob", L"carol", L"dave"}))));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_PHONE, wrapped(variantsFrom(-3, {L"bob"})), Variant(),
                          Variant::fromString(L"555")));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, wrapped(variantsFrom(7, {L"bob", L"carol"}))));

    const std::vector<ConversationStart> conversations = started();
    ASSERT_EQ(3u, conversations.size());
    EXPECT_THAT(conversations[0].participants, ElementsAre(L"bob", L"carol", L"dave"));
    EXPECT_EQ(0, conversations[0].lowerBound);
    EXPECT_THAT(conversations[1].participants, ElementsAre(L"555"));
    EXPECT_THAT(conversations[2].participants, ElementsAre(L"bob", L"carol"));
    EXPECT_EQ(0, conversations[2].lowerBound);
}

TEST_F(MessengerConversationTest, RemoveVariantWrappingKeepsTheStringsInOrderFromZero)
{
    SAFEARRAYBOUND bound = {4, 3};
    SafeArray mixed(SafeArrayCreate(VT_VARIANT, 1, &bound));
    const Variant elements[] = {Variant::fromString(L"bob"), Variant::fromInt32(7), Variant::fromString(L"carol"),
                                Variant::fromDispatch(nullptr)};
    for (LONG i = 0; i < 4; ++i) {
        LONG index = 3 + i;
        ASSERT_EQ(S_OK, SafeArrayPutElement(mixed.get(), &index, const_cast<VARIANT*>(elements[i].get())));
    }
    LONG lowerBound = -1;
    const SafeArray strings = TavoMessengerAdvanced::removeVariantWrapping(mixed.get());
    ASSERT_TRUE(strings);
    EXPECT_THAT(stringsOf(strings, &lowerBound), ElementsAre(L"bob", L"carol"));
    EXPECT_EQ(0, lowerBound);
    EXPECT_EQ(2u, host().loggedCount(L"Array member variant is not BSTR"));
    EXPECT_EQ(L"TavoMessengerAdvanced::removeVariantWrapping", host().recordsOf(L"Array member variant is not BSTR")[0].function);

    EXPECT_TRUE(stringsOf(TavoMessengerAdvanced::removeVariantWrapping(SafeArray::ofVariants({}).get())).empty());
    EXPECT_FALSE(TavoMessengerAdvanced::removeVariantWrapping(nullptr));
    EXPECT_FALSE(TavoMessengerAdvanced::removeVariantWrapping(SafeArray::ofStrings({L"bob"}).get()));
}

TEST_F(MessengerConversationTest, InstantMessageTakesASigninNameOrAMessengerContact)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    IDispatch* window = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(S_OK, api->InstantMessage(*Variant::fromString(L"bob").get(), &window));
    EXPECT_EQ(reinterpret_cast<IDispatch*>(1), window);
    EXPECT_TRUE(host().uriLookups().empty()) << "a sign-in name needs no contact";

    ComPtr<IDispatch> carol;
    ASSERT_EQ(S_OK, api->GetContact(Bstr(L"carol").get(), nullptr, carol.out()));
    EXPECT_EQ(S_OK, api->InstantMessage(*Variant::fromDispatch(carol.get()).get(), nullptr));
    EXPECT_EQ(S_OK, api->InstantMessage(*Variant::fromUnknown(carol.get()).get(), nullptr));

    // A script passes its variable by reference.
    Bstr dave(L"dave");
    BSTR variable = dave.get();
    VARIANT byReference;
    VariantInit(&byReference);
    byReference.vt = VT_BSTR | VT_BYREF;
    byReference.pbstrVal = &variable;
    EXPECT_EQ(S_OK, api->InstantMessage(byReference, nullptr));
    EXPECT_EQ(S_OK,
              callByName(lateBound().get(), L"InstantMessage", DISPATCH_METHOD, {Variant::fromString(L"bob")}).member);

    std::vector<std::wstring> messaged;
    for (const ConversationStart& start : started()) {
        EXPECT_EQ(ConversationKind::InstantMessage, start.kind);
        messaged.push_back(start.participants.at(0));
    }
    EXPECT_THAT(messaged, ElementsAre(L"bob", L"carol", L"carol", L"dave", L"bob"));
}

TEST_F(MessengerConversationTest, InstantMessageRefusesWhatIsNeitherANameNorAContact)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    host().resetCallCounts();
    EXPECT_EQ(E_INVALIDARG, api->InstantMessage(*Variant::fromInt32(7).get(), nullptr));
    EXPECT_EQ(E_INVALIDARG, api->InstantMessage(*Variant().get(), nullptr));
    EXPECT_EQ(E_INVALIDARG, api->InstantMessage(*Variant::fromDispatch(nullptr).get(), nullptr));
    EXPECT_EQ(E_INVALIDARG, api->InstantMessage(*participants({L"bob"}).get(), nullptr));
    EXPECT_EQ(0u, host().callCount(HostMethod::CreateIMAndPresence)) << "the host was asked";

    ComPtr<IDispatch> notAContact = host().makeWrongObject();
    EXPECT_EQ(E_FAIL, api->InstantMessage(*Variant::fromDispatch(notAContact.get()).get(), nullptr));
    EXPECT_EQ(4, onlyRecordOf(L"Unable to QueryInterface IDispatch for IMessengerContact").moduleLevel);
    notAContact.reset();

    host().failMethod(HostMethod::StartInstantMessage);
    EXPECT_EQ(E_FAIL, api->InstantMessage(*Variant::fromString(L"bob").get(), nullptr));
    EXPECT_EQ(L"TavoMessengerAdvanced::InstantMessage", onlyRecordOf(L"StartInstantMessage failed").function);
    host().clearFailures();
    host().failMethod(HostMethod::CreateIMAndPresence);
    EXPECT_EQ(E_FAIL, api->InstantMessage(*Variant::fromString(L"bob").get(), nullptr));
    EXPECT_TRUE(host().logged(L"CoCreateInstance CLSID_IMAndPresence failed"));
    EXPECT_TRUE(started().empty());
}

TEST_F(MessengerConversationTest, LateBoundCallersStartConversationsWithTheSameResults)
{
    ComPtr<IDispatch> dispatch = lateBound();
    EXPECT_EQ(S_OK, callByName(dispatch.get(), L"StartConversation", DISPATCH_METHOD,
                               {Variant::fromInt32(CONVERSATION_TYPE_IM), participants({L"bob", L"carol"}), Variant(),
                                Variant::fromString(L"Plans")})
                        .member);
    EXPECT_EQ(S_OK, callByName(dispatch.get(), L"StartConversation", DISPATCH_METHOD,
                               {Variant::fromInt32(CONVERSATION_TYPE_AUDIO), participants({L"bob", L"carol"}), Variant(),
                                Variant(), Variant(), Variant::fromString(L"+1 555 0199")})
                        .member);
    EXPECT_EQ(E_INVALIDARG, callByName(dispatch.get(), L"StartConversation", DISPATCH_METHOD,
                                       {Variant::fromInt32(CONVERSATION_TYPE_LIVEMEETING), participants({L"bob"})})
                                .member);
    const std::vector<ConversationStart> conversations = started();
    ASSERT_EQ(2u, conversations.size());
    EXPECT_EQ(ConversationKind::GroupChat, conversations[0].kind);
    EXPECT_EQ(L"Plans", conversations[0].subject);
    EXPECT_EQ(ConversationKind::Call, conversations[1].kind);
    EXPECT_THAT(conversations[1].participants, ElementsAre(L"+1 555 0199"));
}

} // namespace
