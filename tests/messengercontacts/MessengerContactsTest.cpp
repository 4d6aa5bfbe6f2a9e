#include "IMessenger/TavoMessengerContacts.h"

#include "MessengerFixture.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/MICComPtr.h"

#include <gtest/gtest.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

class MessengerContacts : public MessengerFixture {
protected:
    // A collection initialised from the host's contact list.
    ComPtr<IMessengerContacts> contactsOf(const std::vector<std::wstring>& signinNames)
    {
        host().setContactList(signinNames);
        const ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
        ComPtr<IDispatch> hostContacts;
        EXPECT_EQ(imAndPresence->GetContacts(hostContacts.out()), S_OK);
        return initialised(hostContacts.get());
    }

    ComPtr<IMessengerContacts> initialised(IDispatch* hostContacts)
    {
        const MICComPtr<CTavoMessengerContacts> contacts = extensionsutils::ComObject<CTavoMessengerContacts>::create();
        contacts->initialise(hostContacts, flags(0));
        return contacts.as<IMessengerContacts>();
    }

    LONG countOf(const ComPtr<IMessengerContacts>& contacts)
    {
        LONG count = -1;
        EXPECT_EQ(contacts->get_Count(&count), S_OK);
        return count;
    }

    static std::wstring signinNameOf(IDispatch* item)
    {
        const ComPtr<IMessengerContact> contact = ComPtr<IDispatch>(item).as<IMessengerContact>();
        if (!contact) return L"<not a contact>";
        Bstr name;
        contact->get_SigninName(name.out());
        return name.str();
    }

    std::vector<std::wstring> itemsOf(const ComPtr<IMessengerContacts>& contacts)
    {
        std::vector<std::wstring> names;
        for (LONG index = 0; index < countOf(contacts); ++index) {
            ComPtr<IDispatch> item;
            EXPECT_EQ(contacts->Item(index, item.out()), S_OK);
            names.push_back(signinNameOf(item.get()));
        }
        return names;
    }

    // The names an enumerator hands out with Next(count) until it is exhausted.
    static std::vector<std::wstring> walk(IEnumVARIANT* enumerator, ULONG count)
    {
        std::vector<std::wstring> names;
        for (;;) {
            std::vector<VARIANT> items(count);
            ULONG fetched = 0;
            const HRESULT hr = enumerator->Next(count, items.data(), &fetched);
            for (ULONG i = 0; i < fetched; ++i) {
                EXPECT_EQ(items[i].vt, VT_DISPATCH);
                names.push_back(signinNameOf(items[i].pdispVal));
                VariantClear(&items[i]);
            }
            if (hr != S_OK) break;
        }
        return names;
    }

    static ComPtr<IEnumVARIANT> enumeratorOf(const ComPtr<IMessengerContacts>& contacts)
    {
        ComPtr<IUnknown> snapshot;
        EXPECT_EQ(contacts->get__NewEnum(snapshot.out()), S_OK);
        return snapshot.as<IEnumVARIANT>();
    }

    bool logged(const std::wstring& message, int level, const std::wstring& operation)
    {
        return MessengerFixture::logged(message, level, L"CTavoMessengerContacts::" + operation, L"TavoMessengerContacts");
    }
};

TEST_F(MessengerContacts, HoldsTheHostListInOrderAndWatchesEveryContact)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"carol", L"bob", L"carol"});
    ASSERT_TRUE(contacts);
    EXPECT_EQ(countOf(contacts), 3);
    EXPECT_EQ(itemsOf(contacts), (std::vector<std::wstring>{L"carol", L"bob", L"carol"}));
    EXPECT_EQ(host().watchRequests(), (std::vector<std::wstring>{L"carol", L"bob", L"carol"}));
}

TEST_F(MessengerContacts, LeavesOutIndexesBeyondTheList)
{
    const ComPtr<IMessengerContacts> empty = contactsOf({});
    IDispatch* const sentinel = reinterpret_cast<IDispatch*>(0x1234);
    IDispatch* item = sentinel;
    EXPECT_EQ(empty->Item(0, &item), S_OK);
    EXPECT_EQ(item, sentinel);

    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob", L"carol"});
    EXPECT_EQ(contacts->Item(-1, &item), S_OK);
    EXPECT_EQ(contacts->Item(2, &item), S_OK);
    EXPECT_EQ(item, sentinel);
    EXPECT_TRUE(logged(L"nothing to return", 1, L"Item"));
    EXPECT_TRUE(logged(L"Nothing to return - index greater than list length", 4, L"Item"));
    EXPECT_EQ(contacts->Item(0, nullptr), E_POINTER);
    EXPECT_EQ(contacts->get_Count(nullptr), E_POINTER);
}

TEST_F(MessengerContacts, SkipsHostContactsThatCannotBeConverted)
{
    host().failMethod(HostMethod::GetItem, E_FAIL, 1);
    EXPECT_EQ(itemsOf(contactsOf({L"bob", L"carol"})), std::vector<std::wstring>{L"carol"});
    EXPECT_TRUE(logged(L"Unable to get contact from extensionProviderContact", 4, L"ConvertContactsToMessengerContacts"));

    host().answerWrongObject(HostMethod::GetItem, 1);
    EXPECT_EQ(itemsOf(contactsOf({L"bob", L"carol"})), std::vector<std::wstring>{L"carol"});
    EXPECT_TRUE(logged(L"Unable to QueryInterface from IDispatch to IContact", 4, L"ConvertContactsToMessengerContacts"));

    host().failMethod(HostMethod::GetMobileNumber, E_FAIL, 1);
    EXPECT_EQ(itemsOf(contactsOf({L"bob", L"carol"})), std::vector<std::wstring>{L"carol"});

    host().failMethod(HostMethod::GetCount, E_FAIL, 1);
    EXPECT_EQ(countOf(contactsOf({L"bob"})), 0);
    EXPECT_TRUE(logged(L"Unable to get count from extensionProviderContacts", 4, L"ConvertContactsToMessengerContacts"));

    EXPECT_EQ(countOf(initialised(host().makeWrongObject().get())), 0);
    EXPECT_EQ(countOf(initialised(nullptr)), 0);
    EXPECT_EQ(host().loggedCount(L"Unable to QueryInterface for IContacts from IDispatch"), 2u);
}

TEST_F(MessengerContacts, AFailedWatchDoesNotStopTheOthers)
{
    host().failMethod(HostMethod::WatchContact, E_FAIL, 1);
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob", L"carol"});
    EXPECT_EQ(countOf(contacts), 2);
    EXPECT_EQ(host().callCount(HostMethod::WatchContact), 2u);
    EXPECT_TRUE(logged(L"Start watching failed", 4, L"StartWatchingAllContacts"));
}

TEST_F(MessengerContacts, RefusesWhileSignedOutButRemoveAnswersAlways)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob"});
    host().setSignedInValue(1);
    LONG count = -1;
    IDispatch* item = nullptr;
    IUnknown* snapshot = nullptr;
    EXPECT_EQ(contacts->get_Count(&count), NotLoggedOn);
    EXPECT_EQ(contacts->Item(0, &item), NotLoggedOn);
    EXPECT_EQ(contacts->get__NewEnum(&snapshot), NotLoggedOn);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(snapshot, nullptr);
    EXPECT_TRUE(logged(L"Not logged in returning", 1, L"Item"));
    EXPECT_TRUE(logged(L"not logged in returning", 1, L"get_Count"));
    EXPECT_EQ(contacts->Remove(nullptr), S_OK);

    // A collection made while signed out stays empty and asks the host nothing about contacts.
    host().resetCallCounts();
    const ComPtr<IMessengerContacts> refused = contactsOf({L"bob"});
    EXPECT_EQ(host().callCount(HostMethod::GetCount), 0u);
    host().setSignedInValue(0);
    EXPECT_EQ(countOf(refused), 0);
}

TEST_F(MessengerContacts, RemoveChangesNothingWhateverItIsGiven)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob", L"carol"});
    ComPtr<IDispatch> first;
    ASSERT_EQ(contacts->Item(0, first.out()), S_OK);
    EXPECT_EQ(contacts->Remove(first.get()), S_OK);
    EXPECT_EQ(contacts->Remove(host().makeWrongObject().get()), S_OK);
    EXPECT_EQ(itemsOf(contacts), (std::vector<std::wstring>{L"bob", L"carol"}));
}

TEST_F(MessengerContacts, NewEnumHandsOutASnapshotThatIsAlsoAnEnumerator)
{
    const ComPtr<IMessengerContacts> contacts = contactsOf({L"bob", L"carol", L"me"});
    ComPtr<IUnknown> snapshot;
    ASSERT_EQ(contacts->get__NewEnum(snapshot.out()), S_OK);
    const ComPtr<IMessengerContacts> copy = snapshot.as<IMessengerContacts>();
    ASSERT_TRUE(copy);
    EXPECT_FALSE(extensionsutils::sameComObject(copy.get(), contacts.get()));
    EXPECT_EQ(itemsOf(copy), itemsOf(contacts));

    const ComPtr<IEnumVARIANT> enumerator = snapshot.as<IEnumVARIANT>();
    ASSERT_TRUE(enumerator);
    EXPECT_EQ(walk(enumerator.get(), 1), (std::vector<std::wstring>{L"bob", L"carol", L"me"}));
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(walk(enumerator.get(), 2), (std::vector<std::wstring>{L"bob", L"carol", L"me"}));
}

TEST_F(MessengerContacts, EnumeratorsSkipAndCloneFromWhereTheyStand)
{
    const ComPtr<IEnumVARIANT> enumerator = enumeratorOf(contactsOf({L"bob", L"carol", L"me"}));
    ASSERT_TRUE(enumerator);
    EXPECT_EQ(enumerator->Skip(1), S_OK);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(enumerator->Clone(clone.out()), S_OK);
    EXPECT_EQ(walk(clone.get(), 1), (std::vector<std::wstring>{L"carol", L"me"}));
    EXPECT_EQ(walk(enumerator.get(), 5), (std::vector<std::wstring>{L"carol", L"me"})) << "clones walk apart";

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
