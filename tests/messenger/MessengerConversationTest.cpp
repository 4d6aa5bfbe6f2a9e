// Chats and calls that Office 2007/2010 start through the Messenger object: the conversation table
// (type, participants, subject, number, phone mode) as rows, the Outlook-version rule for a number without
// a named participant, host failures, and InstantMessage.

#include "MessengerFixture.h"

#include "RawRegistry.h"
#include "SavedRegistryKey.h"

using fakehost::ConversationStart;

namespace {

// A participant list as Office passes it: VT_ARRAY | VT_VARIANT from `lowerBound`.
Variant participants(const std::vector<Variant>& elements, LONG lowerBound = 0)
{
    return arrayArgument(arrayFrom(VT_VARIANT, elements, lowerBound));
}
Variant people(const Strings& names, LONG lowerBound = 0)
{
    std::vector<Variant> elements;
    for (const std::wstring& name : names) elements.push_back(text(name.c_str()));
    return participants(elements, lowerBound);
}
// A VT_ARRAY | VT_VARIANT value over an array (or none) that is not what the label says.
Variant mislabelled(SAFEARRAY* array)
{
    Variant value = Variant::fromSafeArray(array);
    value.get()->vt = VT_ARRAY | VT_VARIANT;
    value.get()->parray = array;
    return value;
}

class MessengerConversationTest : public MessengerTest {
protected:
    void SetUp() override
    {
        MessengerTest::SetUp();
        addContact(L"dave");
    }
    // StartConversation through the virtual table: late-bound, Invoke turns S_FALSE into S_OK.
    HRESULT start(long type, const Variant& list, const Variant& data = Variant(), IMessengerAdvanced* api = nullptr,
                  const Variant& subject = Variant())
    {
        const Variant none;
        Variant window;
        const CONVERSATION_TYPE kind = static_cast<CONVERSATION_TYPE>(type);
        return (api ? api : messengerApi().get())
            ->StartConversation(kind, *list.get(), *none.get(), *subject.get(), *none.get(), *data.get(), window.out());
    }
    // What the host was asked to start from its `from`th conversation on, as "kind: names [subject]; ...".
    std::wstring started(size_t from = 0) const
    {
        const wchar_t* const kinds[] = {L"chat", L"group chat", L"call", L"conference"};
        const std::vector<ConversationStart> all = host().conversations();
        std::wstring text;
        for (size_t i = from; i < all.size(); ++i) {
            text += std::wstring(text.empty() ? L"" : L"; ") + kinds[static_cast<int>(all[i].kind)] + L":";
            for (const std::wstring& name : all[i].participants) text += L" " + name;
            if (all[i].hasSubject) text += L" [" + all[i].subject + L"]";
            if (all[i].lowerBound != 0) text += L" from " + std::to_wstring(all[i].lowerBound); // the host gets arrays from 0
        }
        return text;
    }
    void installOutlook(const wchar_t* progId)
    {
        for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY)})
            ASSERT_TRUE(registrytest::writeStringValue(HKEY_CLASSES_ROOT, L"Outlook.Application\\CurVer", nullptr, progId, view));
    }

    registrytest::SavedRegistryKey outlook32_{HKEY_CLASSES_ROOT, L"Outlook.Application", KEY_WOW64_32KEY};
    registrytest::SavedRegistryKey outlook64_{HKEY_CLASSES_ROOT, L"Outlook.Application", KEY_WOW64_64KEY};
};

TEST_F(MessengerConversationTest, EachRowOfTheConversationTableStartsWhatItSays)
{
    const Variant dialled = text(L"+1 555 0199"), none;
    SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
    const Strings bobCarolDave = {L"bob", L"carol", L"dave"};
    const struct { const char* what; long type; Variant participants; const wchar_t* started = L"";
                   HRESULT expected = S_OK; Variant data = Variant(); std::uint32_t flags = 0;
                   Variant subject = Variant(); } rows[] = {
        {"chat", CONVERSATION_TYPE_IM, people({L"bob"}), L"chat: bob"},
        {"group chat", CONVERSATION_TYPE_IM, people({L"bob", L"carol"}), L"group chat: bob carol"},
        {"call", CONVERSATION_TYPE_PHONE, people({L"bob"}), L"call: bob"},
        {"video is a call", CONVERSATION_TYPE_VIDEO, people({L"carol"}), L"call: carol"},
        {"conference", CONVERSATION_TYPE_AUDIO, people(bobCarolDave), L"conference: bob carol dave"},
        {"two and a number", CONVERSATION_TYPE_AUDIO, people({L"bob", L"carol"}), L"call: +1 555 0199", S_OK, dialled},
        {"PSTN number", CONVERSATION_TYPE_PSTN, people({L"bob"}), L"call: +1 555 0199", S_OK, dialled},
        {"three and a number", CONVERSATION_TYPE_AUDIO, people(bobCarolDave), L"conference: bob carol dave", S_OK, dialled},
        {"phone mode chat", CONVERSATION_TYPE_IM, people({L"bob"}), L"", S_OK, none, Configuration::PhoneModeFlag},
        {"phone mode and flag 1 chat", CONVERSATION_TYPE_IM, people({L"bob"}), L"", S_OK, none, 3},
        {"phone mode call", CONVERSATION_TYPE_AUDIO, people({L"bob"}), L"call: bob", S_OK, none, Configuration::PhoneModeFlag},
        {"flag 1 chat", CONVERSATION_TYPE_IM, people({L"carol"}), L"chat: carol", S_OK, none, 1},
        {"repeats and the user", CONVERSATION_TYPE_AUDIO, people({L"bob", L"me", L"bob", L"Bob", L"carol"}), L"conference: bob Bob carol"},
        {"chat of the user and one", CONVERSATION_TYPE_IM, people({L"carol", L"me", L"carol"}), L"group chat: carol [s]",
         S_OK, none, 0, text(L"s")},
        {"a number as subject", CONVERSATION_TYPE_IM, people({L"bob", L"carol"}), L"group chat: bob carol", S_OK, none, 0, number(5)},
        {"no subject", CONVERSATION_TYPE_IM, people({L"bob", L"carol"}), L"group chat: bob carol", S_OK, none, 0, missingArgument()},
        {"only the user", CONVERSATION_TYPE_AUDIO, people({L"me", L"me", L"me"})},
        {"chat of no array", CONVERSATION_TYPE_IM, text(L"bob")},
        {"call of no array", CONVERSATION_TYPE_AUDIO, text(L"bob"), L"", S_FALSE},
        {"chat of nobody", CONVERSATION_TYPE_IM, people({})},
        {"call of nobody", CONVERSATION_TYPE_AUDIO, people({}), L"", S_FALSE}, // chat and call share the array checks below
        {"call of a null array", CONVERSATION_TYPE_AUDIO, mislabelled(nullptr), L"", S_FALSE},
        {"call of two dimensions", CONVERSATION_TYPE_AUDIO, mislabelled(SafeArrayCreate(VT_VARIANT, 2, square)), L"", S_FALSE},
        // Strings labelled as VARIANTs: reading them as VARIANTs would run past every element.
        {"call of strings", CONVERSATION_TYPE_AUDIO, mislabelled(SafeArray::ofStrings({L"bob", L"c"}).detach()), L"", S_FALSE},
        {"conference from bound 1", CONVERSATION_TYPE_AUDIO, people(bobCarolDave, 1), L"conference: bob carol dave"},
        {"number from bound -3", CONVERSATION_TYPE_PHONE, people({L"bob"}, -3), L"call: 555", S_OK, text(L"555")},
        {"group chat from bound 7", CONVERSATION_TYPE_IM, people({L"bob", L"carol"}, 7), L"group chat: bob carol"},
        {"names among other values", CONVERSATION_TYPE_IM,
         participants({text(L"bob"), number(7), text(L"carol"), Variant::fromDispatch(nullptr)}, 3), L"group chat: bob carol"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ComPtr<IMessengerAdvanced> target = row.flags ? createMessenger(row.flags).as<IMessengerAdvanced>() : messengerApi();
        const size_t before = host().conversations().size();
        EXPECT_EQ(row.expected, start(row.type, row.participants, row.data, target.get(), row.subject));
        EXPECT_EQ(row.started, started(before));
    }
    EXPECT_EQ(2u, host().loggedCount(L"Array member variant is not BSTR"));
    EXPECT_TRUE(host().logged(L"Completed StartConversation"));
}

TEST_F(MessengerConversationTest, LiveMeetingsCombinedAndUnknownTypesAreRefused)
{
    for (long type : {4L, 3L, 0L, 9L, 64L, 0x3FL, -1L}) EXPECT_EQ(E_INVALIDARG, start(type, people({L"bob"}))) << type;
    EXPECT_EQ(L"", started());
}

TEST_F(MessengerConversationTest, AFailedStartAnswersByItsKind)
{
    for (HostMethod method : {HostMethod::StartInstantMessage, HostMethod::StartGroupChat, HostMethod::MakeCall}) host().failMethod(method);
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, people({L"bob"})));
    EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_IM, people({L"bob", L"carol"})));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, people({L"bob"})));
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, people({L"bob"}), text(L"123")));
    EXPECT_TRUE(logged(L"StartVoiceConversation failed", 4, L"TavoMessengerAdvanced::StartConversation"));
    host().clearFailures();
    host().failMethod(HostMethod::CreatePhone);
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_AUDIO, people({L"bob"})));
}

TEST_F(MessengerConversationTest, ANumberWithoutANamedParticipantIsDialledOnlyForOutlook2013AndLater)
{
    const Variant dialled = text(L"+1 555 0142");
    const Variant onlyANumber = participants(std::vector<Variant>{Variant()});
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, dialled)) << "no Outlook installed";
    installOutlook(L"Outlook.Application.14");
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, dialled));
    EXPECT_EQ(2u, host().loggedCount(L"contacts array is empty cannot start a call!"));
    for (const wchar_t* progId : {L"Outlook.Application.15", L"Outlook.Application.16"}) {
        installOutlook(progId);
        EXPECT_EQ(S_OK, start(CONVERSATION_TYPE_PHONE, onlyANumber, dialled)) << narrow(progId);
    }
    EXPECT_EQ(L"call: +1 555 0142; call: +1 555 0142", started()) << "none before Outlook 2013";
    // Outlook 2016 without a number to dial.
    EXPECT_EQ(S_FALSE, start(CONVERSATION_TYPE_PHONE, onlyANumber, number(5)));
    expectLogged(L"failed to start conversation", 1);
}

TEST_F(MessengerConversationTest, InstantMessageTakesOnlyASigninNameOrAMessengerContact)
{
    answer(lateBound().get(), L"InstantMessage", kCall, {text(L"bob")});
    EXPECT_TRUE(host().uriLookups().empty()) << "a sign-in name needs no contact";
    const ComPtr<IMessengerContactAdvanced> carol = contactOf(L"carol");
    EXPECT_EQ(S_OK, api->InstantMessage(*Variant::fromDispatch(carol.get()).get(), nullptr));
    EXPECT_EQ(S_OK, api->InstantMessage(*Variant::fromUnknown(carol.get()).get(), nullptr));
    Bstr dave(L"dave"); // a script passes its variable by reference
    BSTR variable = dave.get();
    EXPECT_EQ(S_OK, api->InstantMessage(referenceTo(&variable), nullptr));
    EXPECT_EQ(L"chat: bob; chat: carol; chat: carol; chat: dave", started());
    host().resetCallCounts();
    for (const Variant& neither : {number(7), Variant(), Variant::fromDispatch(nullptr), people({L"bob"})})
        EXPECT_EQ(E_INVALIDARG, api->InstantMessage(*neither.get(), nullptr));
    EXPECT_EQ(0u, host().callCount(HostMethod::CreateIMAndPresence)) << "the host was asked";
    EXPECT_EQ(E_FAIL, api->InstantMessage(*Variant::fromDispatch(host().makeWrongObject().get()).get(), nullptr));
    for (HostMethod method : {HostMethod::StartInstantMessage, HostMethod::CreateIMAndPresence}) {
        host().failMethod(method, E_FAIL, 1);
        EXPECT_EQ(E_FAIL, api->InstantMessage(*text(L"bob").get(), nullptr)) << static_cast<int>(method);
    }
    EXPECT_EQ(4u, host().conversations().size());
}

} // namespace
