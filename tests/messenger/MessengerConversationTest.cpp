// Chats and calls that Office 2007/2010 start through the Messenger object: the conversation table
// (type, participants, subject, number, phone mode) as rows, the Outlook-version rule for a number without
// a named participant, host failures, and InstantMessage.

#include "MessengerFixture.h"

#include "RawRegistry.h"
#include "SavedRegistryKey.h"

#include "extensionsutils/SafeArray.h"

using extensionsutils::SafeArray;
using fakehost::ConversationKind;
using fakehost::ConversationStart;

namespace {

constexpr ConversationKind kChat = ConversationKind::InstantMessage;
constexpr ConversationKind kGroupChat = ConversationKind::GroupChat;
constexpr ConversationKind kCall = ConversationKind::Call;
constexpr ConversationKind kConference = ConversationKind::ConferenceCall;
using Names = std::vector<std::wstring>;

// A participant list as Office passes it: VT_ARRAY | VT_VARIANT from `lowerBound`.
Variant participants(const std::vector<Variant>& elements, LONG lowerBound = 0)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(elements.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
    for (ULONG i = 0; i < elements.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        SafeArrayPutElement(array, &index, const_cast<VARIANT*>(elements[i].get()));
    }
    return Variant::fromSafeArray(array);
}

Variant people(const Names& names, LONG lowerBound = 0)
{
    std::vector<Variant> elements;
    for (const std::wstring& name : names) elements.push_back(text(name.c_str()));
    return participants(elements, lowerBound);
}

// A VT_ARRAY | VT_VARIANT value over an array that is not what the label says.
Variant mislabelled(SAFEARRAY* array)
{
    Variant value;
    value.get()->vt = VT_ARRAY | VT_VARIANT;
    value.get()->parray = array;
    return value;
}

struct Started {
    ConversationKind kind;
    Names participants;
};

struct Row {
    const char* what;
    std::uint32_t flags;
    long type;
    Variant participants;
    Variant subject;
    Variant data;
    HRESULT expected;
    std::vector<Started> started;
};

class MessengerConversationTest : public MessengerTest {
protected:
    void SetUp() override
    {
        MessengerTest::SetUp();
        addContact(L"dave");
        outlook32_.clear();
        outlook64_.clear();
    }

    // StartConversation through the virtual table: late-bound, Invoke turns S_FALSE into S_OK.
    HRESULT start(long type, const Variant& list, const Variant& data = Variant(), IMessengerAdvanced* api = nullptr,
                  const Variant& subject = Variant())
    {
        const Variant none;
        VARIANT window;
        VariantInit(&window);
        return (api ? api : messengerApi().get())
            ->StartConversation(static_cast<CONVERSATION_TYPE>(type), *list.get(), *none.get(), *subject.get(),
                                *none.get(), *data.get(), &window);
    }

    void installOutlook(const wchar_t* progId)
    {
        for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY)})
            ASSERT_TRUE(registrytest::writeStringValue(HKEY_CLASSES_ROOT, L"Outlook.Application\\CurVer", nullptr,
                                                       progId, view));
    }

private:
    registrytest::SavedRegistryKey outlook32_{HKEY_CLASSES_ROOT, L"Outlook.Application", KEY_WOW64_32KEY};
    registrytest::SavedRegistryKey outlook64_{HKEY_CLASSES_ROOT, L"Outlook.Application", KEY_WOW64_64KEY};
};

TEST_F(MessengerConversationTest, EachRowOfTheConversationTableStartsWhatItSays)
{
    const Variant dialled = text(L"+1 555 0199");
    const Variant none;
    SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
    Variant nullArray;
    nullArray.get()->vt = VT_ARRAY | VT_VARIANT;
    const Names bobCarolDave = {L"bob", L"carol", L"dave"};
    const Row rows[] = {
        {"chat", 0, CONVERSATION_TYPE_IM, people(Names{L"bob"}), none, none, S_OK, {{kChat, {L"bob"}}}},
        {"group chat", 0, CONVERSATION_TYPE_IM, people({L"bob", L"carol"}), none, none, S_OK,
         {{kGroupChat, {L"bob", L"carol"}}}},
        {"call", 0, CONVERSATION_TYPE_PHONE, people(Names{L"bob"}), none, none, S_OK, {{kCall, {L"bob"}}}},
        {"video is a call", 0, CONVERSATION_TYPE_VIDEO, people(Names{L"carol"}), none, none, S_OK,
         {{kCall, {L"carol"}}}},
        {"conference", 0, CONVERSATION_TYPE_AUDIO, people(bobCarolDave), none, none, S_OK,
         {{kConference, bobCarolDave}}},
        {"two and a number", 0, CONVERSATION_TYPE_AUDIO, people({L"bob", L"carol"}), none, dialled, S_OK,
         {{kCall, {L"+1 555 0199"}}}},
        {"PSTN number", 0, CONVERSATION_TYPE_PSTN, people(Names{L"bob"}), none, dialled, S_OK,
         {{kCall, {L"+1 555 0199"}}}},
        {"three and a number", 0, CONVERSATION_TYPE_AUDIO, people(bobCarolDave), none, dialled, S_OK,
         {{kConference, bobCarolDave}}},
        {"phone mode chat", Configuration::PhoneModeFlag, CONVERSATION_TYPE_IM, people(Names{L"bob"}), none,
         none, S_OK, {}},
        {"phone mode and flag 1 chat", 3, CONVERSATION_TYPE_IM, people(Names{L"bob"}), none, none, S_OK, {}},
        {"phone mode call", Configuration::PhoneModeFlag, CONVERSATION_TYPE_AUDIO, people(Names{L"bob"}), none,
         none, S_OK, {{kCall, {L"bob"}}}},
        {"flag 1 chat", 1, CONVERSATION_TYPE_IM, people(Names{L"carol"}), none, none, S_OK, {{kChat, {L"carol"}}}},
        {"repeats and the user", 0, CONVERSATION_TYPE_AUDIO, people({L"bob", L"me", L"bob", L"Bob", L"carol"}),
         none, none, S_OK, {{kConference, {L"bob", L"Bob", L"carol"}}}},
        {"chat of the user and one", 0, CONVERSATION_TYPE_IM, people({L"carol", L"me", L"carol"}),
         text(L"s"), none, S_OK, {{kGroupChat, {L"carol"}}}},
        {"only the user", 0, CONVERSATION_TYPE_AUDIO, people({L"me", L"me", L"me"}), none, none, S_OK, {}},
        {"chat of no array", 0, CONVERSATION_TYPE_IM, text(L"bob"), none, none, S_OK, {}},
        {"call of no array", 0, CONVERSATION_TYPE_AUDIO, text(L"bob"), none, none, S_FALSE, {}},
        {"chat of nobody", 0, CONVERSATION_TYPE_IM, people(Names{}), none, none, S_OK, {}},
        {"call of nobody", 0, CONVERSATION_TYPE_AUDIO, people(Names{}), none, none, S_FALSE, {}},
        {"chat of a null array", 0, CONVERSATION_TYPE_IM, nullArray, none, none, S_OK, {}},
        {"call of a null array", 0, CONVERSATION_TYPE_AUDIO, nullArray, none, none, S_FALSE, {}},
        {"chat of two dimensions", 0, CONVERSATION_TYPE_IM, mislabelled(SafeArrayCreate(VT_VARIANT, 2, square)),
         none, none, S_OK, {}},
        {"call of two dimensions", 0, CONVERSATION_TYPE_AUDIO, mislabelled(SafeArrayCreate(VT_VARIANT, 2, square)),
         none, none, S_FALSE, {}},
        // Strings labelled as VARIANTs: reading them as VARIANTs would run past every element.
        {"chat of strings", 0, CONVERSATION_TYPE_IM, mislabelled(SafeArray::ofStrings({L"bob", L"c"}).detach()),
         none, none, S_OK, {}},
        {"call of strings", 0, CONVERSATION_TYPE_AUDIO, mislabelled(SafeArray::ofStrings({L"bob", L"c"}).detach()),
         none, none, S_FALSE, {}},
        {"conference from bound 1", 0, CONVERSATION_TYPE_AUDIO, people(bobCarolDave, 1), none, none, S_OK,
         {{kConference, bobCarolDave}}},
        {"number from bound -3", 0, CONVERSATION_TYPE_PHONE, people(Names{L"bob"}, -3), none,
         text(L"555"), S_OK, {{kCall, {L"555"}}}},
        {"group chat from bound 7", 0, CONVERSATION_TYPE_IM, people({L"bob", L"carol"}, 7), none, none, S_OK,
         {{kGroupChat, {L"bob", L"carol"}}}},
        {"names among other values", 0, CONVERSATION_TYPE_IM,
         participants({text(L"bob"), number(7), text(L"carol"),
                       Variant::fromDispatch(nullptr)}, 3),
         none, none, S_OK, {{kGroupChat, {L"bob", L"carol"}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ComPtr<IMessengerAdvanced> target = row.flags ? createMessenger(row.flags).as<IMessengerAdvanced>() : messengerApi();
        const size_t before = host().conversations().size();
        EXPECT_EQ(row.expected, start(row.type, row.participants, row.data, target.get(), row.subject));
        const std::vector<ConversationStart> all = host().conversations();
        const std::vector<ConversationStart> started(all.begin() + before, all.end());
        ASSERT_EQ(row.started.size(), started.size());
        for (size_t i = 0; i < started.size(); ++i) {
            EXPECT_EQ(row.started[i].kind, started[i].kind);
            EXPECT_EQ(row.started[i].participants, started[i].participants);
            EXPECT_EQ(0, started[i].lowerBound) << "the host gets arrays from 0";
        }
    }
    EXPECT_EQ(2u, host().loggedCount(L"Array member variant is not BSTR"));
    EXPECT_TRUE(host().logged(L"Completed StartConversation"));
}

// Late-bound, as Office calls it.
TEST_F(MessengerConversationTest, ASubjectIsPassedOnlyWhenItIsAStringAndLiveMeetingsAndCombinedTypesAreRefused)
{
    for (const Variant& subject : {missingArgument(), text(L"Plans"), number(5)})
        answer(lateBound().get(), L"StartConversation", DISPATCH_METHOD,
               {number(CONVERSATION_TYPE_IM), people({L"bob", L"carol"}), Variant(), subject});
    const std::vector<ConversationStart> chats = host().conversations();
    ASSERT_EQ(3u, chats.size());
    EXPECT_FALSE(chats[0].hasSubject);
    EXPECT_EQ(L"Plans", chats[1].subject);
    EXPECT_TRUE(chats[1].hasSubject);
    EXPECT_FALSE(chats[2].hasSubject);
    for (long type : {4L, 3L, 0L, 9L, 64L, 0x3FL, -1L})
        EXPECT_EQ(E_INVALIDARG, start(type, people(Names{L"bob"}))) << type;
    EXPECT_EQ(3u, host().conversations().size());
}

TEST_F(MessengerConversationTest, AFailedChatIsHiddenAndAFailedCallIsSFalse)
{
    host().failMethod(HostMethod::StartInstantMessage);
    host().failMethod(HostMethod::StartGroupChat);
    host().failMethod(HostMethod::MakeCall);
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, people(Names{L"bob"})));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, people({L"bob", L"carol"})));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, people(Names{L"bob"})));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, people(Names{L"bob"}), text(L"123")));
    EXPECT_TRUE(logged(L"StartVoiceConversation failed", 4, L"TavoMessengerAdvanced::StartConversation"));
    host().clearFailures();
    host().failMethod(HostMethod::CreatePhone);
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, people(Names{L"bob"})));
}

TEST_F(MessengerConversationTest, ANumberWithoutANamedParticipantIsDialledOnlyForOutlook2013AndLater)
{
    const Variant dialled = text(L"+1 555 0142");
    const Variant onlyANumber = participants(std::vector<Variant>{Variant()});
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, dialled)) << "no Outlook installed";
    installOutlook(L"Outlook.Application.14");
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, dialled));
    EXPECT_EQ(2u, host().loggedCount(L"contacts array is empty cannot start a call!"));
    EXPECT_TRUE(host().conversations().empty());
    for (const wchar_t* progId : {L"Outlook.Application.15", L"Outlook.Application.16"}) {
        installOutlook(progId);
        EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_PHONE, onlyANumber, dialled));
    }
    const std::vector<ConversationStart> calls = host().conversations();
    ASSERT_EQ(2u, calls.size());
    for (const ConversationStart& call : calls) EXPECT_THAT(call.participants, ElementsAre(L"+1 555 0142"));
    // Outlook 2016 without a number to dial.
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, number(5)));
    EXPECT_EQ(4, onlyRecordOf(L"failed to start conversation").moduleLevel);
}

TEST_F(MessengerConversationTest, InstantMessageTakesASigninNameOrAMessengerContactAndRefusesAnythingElse)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    answer(lateBound().get(), L"InstantMessage", DISPATCH_METHOD, {text(L"bob")});
    EXPECT_TRUE(host().uriLookups().empty()) << "a sign-in name needs no contact";
    ComPtr<IDispatch> carol;
    ASSERT_EQ(S_OK, api->GetContact(Bstr(L"carol").get(), nullptr, carol.out()));
    EXPECT_EQ(S_OK, api->InstantMessage(*Variant::fromDispatch(carol.get()).get(), nullptr));
    EXPECT_EQ(S_OK, api->InstantMessage(*Variant::fromUnknown(carol.get()).get(), nullptr));
    Bstr dave(L"dave"); // a script passes its variable by reference
    BSTR variable = dave.get();
    EXPECT_EQ(S_OK, api->InstantMessage(referenceTo(&variable), nullptr));
    Names messaged;
    for (const ConversationStart& start : host().conversations()) {
        EXPECT_EQ(kChat, start.kind);
        messaged.push_back(start.participants.at(0));
    }
    EXPECT_THAT(messaged, ElementsAre(L"bob", L"carol", L"carol", L"dave"));

    host().forgetRecords();
    host().resetCallCounts();
    for (const Variant& neither : {number(7), Variant(), Variant::fromDispatch(nullptr), people(Names{L"bob"})})
        EXPECT_EQ(E_INVALIDARG, api->InstantMessage(*neither.get(), nullptr));
    EXPECT_EQ(0u, host().callCount(HostMethod::CreateIMAndPresence)) << "the host was asked";
    ComPtr<IDispatch> notAContact = host().makeWrongObject();
    EXPECT_EQ(E_FAIL, api->InstantMessage(*Variant::fromDispatch(notAContact.get()).get(), nullptr));
    notAContact.reset();
    for (HostMethod method : {HostMethod::StartInstantMessage, HostMethod::CreateIMAndPresence}) {
        host().failMethod(method, E_FAIL, 1);
        EXPECT_EQ(E_FAIL, api->InstantMessage(*text(L"bob").get(), nullptr));
    }
    EXPECT_TRUE(host().conversations().empty());
}

} // namespace
