#include "IUCOfficeIntegration/UCCContactEndpoint.h"
#include "IUCOfficeIntegration/UCCContactInformationDictionary.h"
#include "IUCOfficeIntegration/UCCContactSettingsDictionary.h"

#include "ValuesFixture.h"

#include "extensionsutils/Bstr.h"

#include <climits>

using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

struct InformationDictionaryKind {
    using Class = UCCContactInformationDictionary;
    using Interface = IUCCContactInformationDictionary;
    using Key = ContactInformationType;
};

struct SettingsDictionaryKind {
    using Class = UCCContactSettingsDictionary;
    using Interface = IUCCContactSettingDictionary;
    using Key = ContactSetting;
};

// Both dictionaries answer alike; only their interfaces' slot orders differ.
template <class Kind>
class DictionaryTest : public ValuesFixture {
protected:
    using Key = typename Kind::Key;

    static Key key(long value) { return static_cast<Key>(value); }

    // A dictionary filled with (key, text) pairs in the order given, as Office receives it.
    ComPtr<typename Kind::Interface> dictionaryOf(const std::vector<std::pair<long, std::wstring>>& entries)
    {
        MICComPtr<typename Kind::Class> dictionary = ComObject<typename Kind::Class>::create();
        EXPECT_TRUE(dictionary);
        for (const auto& entry : entries) {
            EXPECT_EQ(dictionary->add(key(entry.first), *Variant::fromString(entry.second).get()), S_OK);
        }
        return dictionary.template as<typename Kind::Interface>();
    }

    static std::wstring itemText(typename Kind::Interface* dictionary, long wanted)
    {
        Variant value;
        EXPECT_EQ(dictionary->get_Item(key(wanted), value.out()), S_OK);
        return textOf(value);
    }

    static std::vector<std::wstring> valueTexts(typename Kind::Interface* dictionary)
    {
        SAFEARRAY* values = nullptr;
        EXPECT_EQ(dictionary->get_Values(&values), S_OK);
        std::vector<std::wstring> texts;
        for (const Variant& value : takeVariants(values)) texts.push_back(textOf(value));
        return texts;
    }

    static std::vector<LONG> keysOf(typename Kind::Interface* dictionary)
    {
        SAFEARRAY* keys = nullptr;
        EXPECT_EQ(dictionary->get_Keys(&keys), S_OK);
        return takeInt32s(keys);
    }
};

using DictionaryKinds = ::testing::Types<InformationDictionaryKind, SettingsDictionaryKind>;
TYPED_TEST_SUITE(DictionaryTest, DictionaryKinds);

} // namespace

TYPED_TEST(DictionaryTest, KeysAnswerInKeyOrderAndValuesInTheOrderOfAdding)
{
    auto dictionary = this->dictionaryOf({{10, L"Display name"}, {0, L"Availability"}});

    EXPECT_EQ(this->keysOf(dictionary.get()), (std::vector<LONG>{0, 10}));
    EXPECT_EQ(this->valueTexts(dictionary.get()), (std::vector<std::wstring>{L"Display name", L"Availability"}));
    EXPECT_EQ(this->itemText(dictionary.get(), 0), L"Availability");
    EXPECT_EQ(this->itemText(dictionary.get(), 10), L"Display name");
    LONG count = -1;
    EXPECT_EQ(dictionary->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);
    typename TestFixture::Key key = this->key(-1);
    EXPECT_EQ(dictionary->GetKeyAt(0, &key), S_OK);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(dictionary->GetKeyAt(1, &key), S_OK);
    EXPECT_EQ(key, 10);
    Variant value;
    EXPECT_EQ(dictionary->GetValueAt(0, value.out()), S_OK);
    EXPECT_EQ(textOf(value), L"Display name");
    EXPECT_EQ(dictionary->GetValueAt(1, value.out()), S_OK);
    EXPECT_EQ(textOf(value), L"Availability");
}

TYPED_TEST(DictionaryTest, PositionsOutsideTheDictionaryFailWithAnEmptyValue)
{
    auto dictionary = this->dictionaryOf({{10, L"ten"}, {0, L"zero"}});

    for (LONG index : {LONG(-1), LONG(2), LONG(3), LONG_MIN, LONG_MAX}) {
        typename TestFixture::Key key = this->key(77);
        EXPECT_EQ(dictionary->GetKeyAt(index, &key), E_FAIL) << index;
        EXPECT_EQ(key, 77) << "the key output was written for a bad index";
        VARIANT value;
        value.vt = VT_I4; // stands for whatever an [out] VARIANT may hold on entry
        value.lVal = 5;
        EXPECT_EQ(dictionary->GetValueAt(index, &value), E_FAIL) << index;
        EXPECT_EQ(value.vt, VT_EMPTY);
    }
}

TYPED_TEST(DictionaryTest, AnAbsentKeyFailsItemButIsAnAnswerForTryGetValueAndContainsKey)
{
    auto dictionary = this->dictionaryOf({{3, L"three"}});

    Variant value;
    EXPECT_EQ(dictionary->get_Item(this->key(4), value.out()), E_FAIL);
    EXPECT_TRUE(value.isEmpty());
    VARIANT_BOOL found = VARIANT_TRUE;
    EXPECT_EQ(dictionary->TryGetValue(this->key(4), value.out(), &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(dictionary->ContainsKey(this->key(4), &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);

    EXPECT_EQ(dictionary->TryGetValue(this->key(3), value.out(), &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
    EXPECT_EQ(textOf(value), L"three");
    EXPECT_EQ(dictionary->ContainsKey(this->key(3), &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
}

TYPED_TEST(DictionaryTest, AnEmptyDictionaryAnswersEmptyArraysAndNoPositions)
{
    auto dictionary = this->dictionaryOf({});

    LONG count = -1;
    EXPECT_EQ(dictionary->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(this->keysOf(dictionary.get()).empty());
    EXPECT_TRUE(this->valueTexts(dictionary.get()).empty());
    typename TestFixture::Key key = this->key(0);
    EXPECT_EQ(dictionary->GetKeyAt(0, &key), E_FAIL);
    Variant value;
    EXPECT_EQ(dictionary->GetValueAt(0, value.out()), E_FAIL);
}

TYPED_TEST(DictionaryTest, EveryAnswerIsACopyThatTheCallerOwns)
{
    Variant original = Variant::fromString(L"kept");
    MICComPtr<typename TypeParam::Class> filling = ComObject<typename TypeParam::Class>::create();
    ASSERT_EQ(filling->add(this->key(1), *original.get()), S_OK);
    original.reset(); // the caller's value goes; the dictionary's copy stays
    auto dictionary = filling.template as<typename TypeParam::Interface>();

    Variant first;
    ASSERT_EQ(dictionary->get_Item(this->key(1), first.out()), S_OK);
    ASSERT_EQ(first.type(), VT_BSTR);
    first.get()->bstrVal[0] = L'X'; // scribbling on a copy must not reach the dictionary
    SAFEARRAY* values = nullptr;
    ASSERT_EQ(dictionary->get_Values(&values), S_OK);
    SafeArray(values).reset();

    EXPECT_EQ(this->itemText(dictionary.get(), 1), L"kept");
    EXPECT_EQ(this->valueTexts(dictionary.get()), std::vector<std::wstring>{L"kept"});
}

TYPED_TEST(DictionaryTest, AKeyAddedTwiceKeepsItsPositionAndTakesTheLaterValue)
{
    auto dictionary = this->dictionaryOf({{0, L"a"}, {10, L"b"}, {0, L"c"}, {7, L"d"}});

    LONG count = -1;
    EXPECT_EQ(dictionary->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(this->keysOf(dictionary.get()), (std::vector<LONG>{0, 7, 10}));
    EXPECT_EQ(this->valueTexts(dictionary.get()), (std::vector<std::wstring>{L"c", L"b", L"d"}));
    EXPECT_EQ(this->itemText(dictionary.get(), 0), L"c");
    EXPECT_EQ(this->itemText(dictionary.get(), 7), L"d") << "a later key must not read another key's value";
    EXPECT_EQ(this->itemText(dictionary.get(), 10), L"b");
    Variant beyond;
    EXPECT_EQ(dictionary->GetValueAt(3, beyond.out()), E_FAIL);
}

TYPED_TEST(DictionaryTest, NullOutputsAreRefused)
{
    auto dictionary = this->dictionaryOf({{1, L"one"}});
    VARIANT_BOOL found = VARIANT_FALSE;
    Variant value;

    EXPECT_EQ(dictionary->get_Values(nullptr), E_POINTER);
    EXPECT_EQ(dictionary->get_Keys(nullptr), E_POINTER);
    EXPECT_EQ(dictionary->get_Count(nullptr), E_POINTER);
    EXPECT_EQ(dictionary->get_Item(this->key(1), nullptr), E_POINTER);
    EXPECT_EQ(dictionary->TryGetValue(this->key(1), nullptr, &found), E_POINTER);
    EXPECT_EQ(dictionary->TryGetValue(this->key(1), value.out(), nullptr), E_POINTER);
    EXPECT_EQ(dictionary->GetKeyAt(0, nullptr), E_POINTER);
    EXPECT_EQ(dictionary->GetValueAt(0, nullptr), E_POINTER);
    EXPECT_EQ(dictionary->ContainsKey(this->key(1), nullptr), E_POINTER);
}

using SettingsDictionary = ValuesFixture;

// The contact fills its settings with the tag first and the telephone endpoints after it.
TEST_F(SettingsDictionary, FilledTagFirstAnswerKeyZeroFirstButTheTagValueFirst)
{
    MICComPtr<UCCContactSettingsDictionary> settings = ComObject<UCCContactSettingsDictionary>::create();
    ASSERT_EQ(settings->add(ucContactTagged, *Variant::fromBool(true).get()), S_OK);
    MICComPtr<UCCContactEndpoint> work = ComObject<UCCContactEndpoint>::create(L"+1 555 0100", ucContactEndpointTypeWorkPhone);
    ASSERT_EQ(settings->add(ucContactWorkPhoneEndpoint, *Variant::fromDispatch(work.as<IDispatch>().get()).get()), S_OK);
    ASSERT_EQ(settings->add(ucContactMobilePhoneEndpoint, *Variant::fromDispatch(nullptr).get()), S_OK);
    work.reset(); // the dictionary's value keeps the endpoint
    ComPtr<IUCCContactSettingDictionary> dictionary = settings.as<IUCCContactSettingDictionary>();
    settings.reset();

    ContactSetting key = ucContactAccessLevel;
    EXPECT_EQ(dictionary->GetKeyAt(0, &key), S_OK);
    EXPECT_EQ(key, ucContactWorkPhoneEndpoint);
    EXPECT_EQ(dictionary->GetKeyAt(2, &key), S_OK);
    EXPECT_EQ(key, ucContactTagged);
    Variant first;
    EXPECT_EQ(dictionary->GetValueAt(0, first.out()), S_OK);
    EXPECT_EQ(first.type(), VT_BOOL);
    EXPECT_EQ(first.get()->boolVal, VARIANT_TRUE);

    Variant endpointValue;
    ASSERT_EQ(dictionary->get_Item(ucContactWorkPhoneEndpoint, endpointValue.out()), S_OK);
    ASSERT_EQ(endpointValue.type(), VT_DISPATCH);
    ComPtr<IUCCContactEndpoint> endpoint = ComPtr<IDispatch>(endpointValue.get()->pdispVal).as<IUCCContactEndpoint>();
    ASSERT_TRUE(endpoint);
    extensionsutils::Bstr number;
    EXPECT_EQ(endpoint->get_Uri(number.out()), S_OK);
    EXPECT_EQ(number.str(), L"+1 555 0100");
    Variant empty;
    ASSERT_EQ(dictionary->get_Item(ucContactMobilePhoneEndpoint, empty.out()), S_OK);
    EXPECT_EQ(empty.type(), VT_DISPATCH);
    EXPECT_EQ(empty.get()->pdispVal, nullptr);
}
