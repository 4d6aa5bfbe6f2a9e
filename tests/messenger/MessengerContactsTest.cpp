// The user's contact list as MyContacts hands it to Office: the host's list in order, all watched, what
// cannot be converted left out, and the For Each side (a snapshot that is also an enumerator).

#include "MessengerFixture.h"

#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/TavoMessengerContacts.h"

#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;
using Names = std::vector<std::wstring>;

namespace {

std::wstring signinNameOf(IDispatch* item)
{
    const ComPtr<IMessengerContact> contact = ComPtr<IDispatch>(item).as<IMessengerContact>();
    Bstr name;
    if (!contact || FAILED(contact->get_SigninName(name.out()))) return L"<not a contact>";
    return name.str();
}

// The names an enumerator hands out with Next(count) until it is exhausted.
Names walk(IEnumVARIANT* enumerator, ULONG count)
{
    Names names;
    for (;;) {
        std::vector<VARIANT> items(count);
        ULONG fetched = 0;
        const HRESULT hr = enumerator->Next(count, items.data(), &fetched);
        for (ULONG i = 0; i < fetched; ++i) {
            EXPECT_EQ(items[i].vt, VT_DISPATCH);
            names.push_back(signinNameOf(items[i].pdispVal));
            VariantClear(&items[i]);
        }
        if (hr != S_OK) return names;
    }
}

class MessengerContactsTest : public MessengerTest {
protected:
    // MyContacts over this host list.
    ComPtr<IMessengerContacts> contactsOf(const Names& signinNames)
    {
        host().setContactList(signinNames);
        ComPtr<IDispatch> list;
        EXPECT_EQ(S_OK, messengerApi()->get_MyContacts(list.out()));
        return list.as<IMessengerContacts>();
    }

    // A collection made over whatever the host answered as its list.
    ComPtr<IMessengerContacts> contactsOver(IDispatch* hostContacts)
    {
        auto contacts = extensionsutils::ComObject<CTavoMessengerContacts>::create();
        contacts->initialise(hostContacts, std::make_shared<Configuration>(0));
        return contacts.as<IMessengerContacts>();
    }

    Names itemsOf(const ComPtr<IMessengerContacts>& contacts)
    {
        Names names;
        LONG count = -1;
        EXPECT_EQ(contacts->get_Count(&count), S_OK);
        for (LONG index = 0; index < count; ++index) {
            ComPtr<IDispatch> item;
            EXPECT_EQ(contacts->Item(index, item.out()), S_OK);
            names.push_back(signinNameOf(item.get()));
        }
        return names;
    }
};

TEST_F(MessengerContactsTest, HoldsTheHostListInOrderAndWatchesEveryContact)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"carol", L"bob", L"carol"});
    ASSERT_TRUE(contacts);
    EXPECT_EQ(itemsOf(contacts), (Names{L"carol", L"bob", L"carol"}));
    EXPECT_EQ(host().watchRequests(), (Names{L"carol", L"bob", L"carol"}));
    // Late-bound: Count, Item as the default member, _NewEnum.
    const ComPtr<IDispatch> dispatch = contacts.as<IDispatch>();
    EXPECT_EQ(3, int32Of(callByName(dispatch.get(), L"Count", DISPATCH_PROPERTYGET).value));
    const LateBoundResult second = callByName(dispatch.get(), L"Item", DISPATCH_METHOD, {Variant::fromInt32(1)});
    ASSERT_EQ(VT_DISPATCH, second.value.type());
    EXPECT_EQ(L"bob", signinNameOf(second.value.get()->pdispVal));
    EXPECT_EQ(DISPID_VALUE, dispatchIdOf(dispatch.get(), L"Item"));
    EXPECT_EQ(DISPID_NEWENUM, dispatchIdOf(dispatch.get(), L"_NewEnum"));
}

TEST_F(MessengerContactsTest, LeavesOutIndexesBeyondTheListAndRefusesNullPointers)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob", L"carol"});
    IDispatch* item = kUnwrittenDispatch;
    EXPECT_EQ(contacts->Item(-1, &item), S_OK);
    EXPECT_EQ(contacts->Item(2, &item), S_OK);
    EXPECT_EQ(contactsOf({})->Item(0, &item), S_OK);
    EXPECT_EQ(item, kUnwrittenDispatch);
    EXPECT_TRUE(logged(L"nothing to return", 1, L"CTavoMessengerContacts::Item"));
    EXPECT_TRUE(logged(L"Nothing to return - index greater than list length", 4, L"CTavoMessengerContacts::Item"));
    EXPECT_EQ(contacts->Item(0, nullptr), E_POINTER);
    EXPECT_EQ(contacts->get_Count(nullptr), E_POINTER);
}

TEST_F(MessengerContactsTest, LeavesOutHostContactsThatCannotBeConvertedAndWatchesTheRest)
{
    const std::pair<std::function<void()>, const wchar_t*> failures[] = {
        {[this] { host().failMethod(HostMethod::GetItem, E_FAIL, 1); },
         L"Unable to get contact from extensionProviderContact"},
        {[this] { host().answerWrongObject(HostMethod::GetItem, 1); },
         L"Unable to QueryInterface from IDispatch to IContact"},
        {[this] { host().failMethod(HostMethod::GetMobileNumber, E_FAIL, 1); }, nullptr},
    };
    for (const auto& [breakHost, message] : failures) {
        breakHost();
        EXPECT_EQ(itemsOf(contactsOf({L"bob", L"carol"})), Names{L"carol"});
        if (message) EXPECT_TRUE(logged(message, 4, L"CTavoMessengerContacts::ConvertContactsToMessengerContacts"));
    }
    host().failMethod(HostMethod::GetCount, E_FAIL, 1);
    EXPECT_TRUE(itemsOf(contactsOf({L"bob"})).empty());
    EXPECT_TRUE(itemsOf(contactsOver(host().makeWrongObject().get())).empty());
    EXPECT_TRUE(itemsOf(contactsOver(nullptr)).empty());
    EXPECT_EQ(host().loggedCount(L"Unable to QueryInterface for IContacts from IDispatch"), 2u);

    host().clearLog();
    host().failMethod(HostMethod::WatchContact, E_FAIL, 1);
    host().resetCallCounts();
    EXPECT_EQ(itemsOf(contactsOf({L"bob", L"carol"})).size(), 2u);
    EXPECT_EQ(host().callCount(HostMethod::WatchContact), 2u) << "a failed watch stopped the others";
    EXPECT_TRUE(logged(L"Start watching failed", 4, L"CTavoMessengerContacts::StartWatchingAllContacts"));
}

TEST_F(MessengerContactsTest, SignedOutItRefusesButRemoveAnswersAndChangesNothing)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob", L"carol"});
    ComPtr<IDispatch> first;
    ASSERT_EQ(contacts->Item(0, first.out()), S_OK);
    EXPECT_EQ(contacts->Remove(first.get()), S_OK);
    EXPECT_EQ(contacts->Remove(host().makeWrongObject().get()), S_OK);
    EXPECT_EQ(itemsOf(contacts), (Names{L"bob", L"carol"}));
    signOut();
    LONG count = -1;
    IDispatch* item = nullptr;
    IUnknown* snapshot = nullptr;
    EXPECT_EQ(contacts->get_Count(&count), NotLoggedOn);
    EXPECT_EQ(contacts->Item(0, &item), NotLoggedOn);
    EXPECT_EQ(contacts->get__NewEnum(&snapshot), NotLoggedOn);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(snapshot, nullptr);
    EXPECT_TRUE(logged(L"Not logged in returning", 1, L"CTavoMessengerContacts::Item"));
    EXPECT_EQ(contacts->Remove(nullptr), S_OK);
}

TEST_F(MessengerContactsTest, NewEnumHandsOutASnapshotThatIsAlsoAnEnumerator)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob", L"carol", L"me"});
    const LateBoundResult result = callByName(contacts.as<IDispatch>().get(), L"_NewEnum", DISPATCH_PROPERTYGET);
    ASSERT_EQ(VT_UNKNOWN, result.value.type());
    const ComPtr<IUnknown> snapshot(result.value.get()->punkVal);
    const ComPtr<IMessengerContacts> copy = snapshot.as<IMessengerContacts>();
    ASSERT_TRUE(copy);
    EXPECT_FALSE(extensionsutils::sameComObject(copy.get(), contacts.get()));
    EXPECT_EQ(itemsOf(copy), itemsOf(contacts));
    const ComPtr<IEnumVARIANT> enumerator = snapshot.as<IEnumVARIANT>();
    ASSERT_TRUE(enumerator);
    EXPECT_EQ(walk(enumerator.get(), 2), (Names{L"bob", L"carol", L"me"}));
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(1), S_OK);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(enumerator->Clone(clone.out()), S_OK);
    EXPECT_EQ(walk(clone.get(), 1), (Names{L"carol", L"me"}));
    EXPECT_EQ(walk(enumerator.get(), 5), (Names{L"carol", L"me"})) << "clones walk apart";
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(4), S_FALSE);
    VARIANT item;
    VariantInit(&item);
    ULONG fetched = 9;
    EXPECT_EQ(enumerator->Next(1, &item, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(enumerator->Next(2, &item, nullptr), E_POINTER);
    EXPECT_EQ(enumerator->Clone(nullptr), E_POINTER);
}

} // namespace
