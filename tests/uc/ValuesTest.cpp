// The value objects Office reads: both dictionaries, the event data, the subscription, and the
// asynchronous operation with the worker that reports its result to Office's callback.

#include "IUCOfficeIntegration/AsynchronousOperationWorker.h"
#include "IUCOfficeIntegration/UCCAsynchronousOperation.h"
#include "IUCOfficeIntegration/UCCContactInformationDictionary.h"
#include "IUCOfficeIntegration/UCCContactSettingChangedEventData.h"
#include "IUCOfficeIntegration/UCCContactSettingsDictionary.h"

#include "UcFixture.h"

#include "extensionsutils/CComWeakPtrEnabled.h"

#include <climits>

using extensionsutils::DispatchParameters;

namespace {

struct InformationKind {
    using Class = UCCContactInformationDictionary;
    using Interface = IUCCContactInformationDictionary;
    using Key = ContactInformationType;
};

struct SettingsKind {
    using Class = UCCContactSettingsDictionary;
    using Interface = IUCCContactSettingDictionary;
    using Key = ContactSetting;
};

// Both dictionaries answer alike; only their interfaces' slot orders differ (LateBoundTest reaches each).
template <class Kind>
class Dictionary : public UcFixture {
protected:
    using Key = typename Kind::Key;
    static Key key(long value) { return static_cast<Key>(value); }

    // A dictionary filled with (key, text) pairs in the order given.
    ComPtr<typename Kind::Interface> dictionaryOf(const std::vector<std::pair<long, std::wstring>>& entries)
    {
        MICComPtr<typename Kind::Class> dictionary = ComObject<typename Kind::Class>::create();
        for (const auto& entry : entries) EXPECT_EQ(dictionary->add(key(entry.first), *Variant::fromString(entry.second).get()), S_OK);
        return dictionary.template as<typename Kind::Interface>();
    }

    // Keys, then values by position, then each key's item: what Office can read of it.
    static std::vector<std::pair<LONG, std::wstring>> contentOf(typename Kind::Interface* dictionary)
    {
        SAFEARRAY* keys = nullptr;
        SAFEARRAY* values = nullptr;
        EXPECT_EQ(dictionary->get_Keys(&keys), S_OK);
        EXPECT_EQ(dictionary->get_Values(&values), S_OK);
        const Int32s keyList = takeElements<LONG>(keys, VT_I4);
        const std::vector<Variant> valueList = takeElements<Variant>(values, VT_VARIANT);
        LONG count = -1;
        EXPECT_EQ(dictionary->get_Count(&count), S_OK);
        EXPECT_EQ(count, static_cast<LONG>(keyList.size()));
        EXPECT_EQ(valueList.size(), keyList.size());
        std::vector<std::pair<LONG, std::wstring>> content;
        for (LONG i = 0; i < count; ++i) {
            Key keyAt = key(-1);
            Variant valueAt;
            Variant item;
            EXPECT_EQ(dictionary->GetKeyAt(i, &keyAt), S_OK);
            EXPECT_EQ(keyAt, keyList.at(i));
            EXPECT_EQ(dictionary->GetValueAt(i, valueAt.out()), S_OK);
            EXPECT_EQ(textOf(valueAt), textOf(valueList.at(i)));
            EXPECT_EQ(dictionary->get_Item(keyAt, item.out()), S_OK);
            content.emplace_back(keyAt, textOf(item));
        }
        return content;
    }
};

using DictionaryKinds = ::testing::Types<InformationKind, SettingsKind>;
TYPED_TEST_SUITE(Dictionary, DictionaryKinds);

// Keys answer in key order, values in the order of adding; a key added twice keeps its position and takes
// the later value, and no later key reads another key's value.
TYPED_TEST(Dictionary, KeysInKeyOrderValuesInAddingOrderEachItemItsOwn)
{
    using Content = std::vector<std::pair<LONG, std::wstring>>;
    auto dictionary = this->dictionaryOf({{10, L"ten"}, {0, L"zero"}});
    EXPECT_EQ(this->contentOf(dictionary.get()), (Content{{0, L"zero"}, {10, L"ten"}}));
    Variant first;
    EXPECT_EQ(dictionary->GetValueAt(0, first.out()), S_OK);
    EXPECT_EQ(textOf(first), L"ten") << "position 0 pairs the lowest key with the first value added";
    auto twice = this->dictionaryOf({{0, L"a"}, {10, L"b"}, {0, L"c"}, {7, L"d"}});
    Variant value;
    EXPECT_EQ(twice->get_Item(this->key(7), value.out()), S_OK);
    EXPECT_EQ(textOf(value), L"d");
    EXPECT_EQ(twice->get_Item(this->key(0), value.out()), S_OK);
    EXPECT_EQ(textOf(value), L"c");
    EXPECT_EQ(this->contentOf(twice.get()).size(), 3u);
    EXPECT_TRUE(this->contentOf(this->dictionaryOf({}).get()).empty());
}

TYPED_TEST(Dictionary, AbsentKeysAndPositionsFailWithNothingWrittenAndNullOutputsAreRefused)
{
    auto dictionary = this->dictionaryOf({{3, L"three"}, {10, L"ten"}});
    for (LONG index : {LONG(-1), LONG(2), LONG_MIN, LONG_MAX}) {
        typename TestFixture::Key key = this->key(77);
        EXPECT_EQ(dictionary->GetKeyAt(index, &key), E_FAIL) << index;
        EXPECT_EQ(key, 77);
        VARIANT value;
        value.vt = VT_I4; // stands for whatever an [out] VARIANT may hold on entry
        EXPECT_EQ(dictionary->GetValueAt(index, &value), E_FAIL) << index;
        EXPECT_EQ(value.vt, VT_EMPTY);
    }
    Variant value;
    EXPECT_EQ(dictionary->get_Item(this->key(4), value.out()), E_FAIL);
    VARIANT_BOOL found = VARIANT_TRUE;
    EXPECT_EQ(dictionary->TryGetValue(this->key(4), value.out(), &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(dictionary->ContainsKey(this->key(3), &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);

    EXPECT_EQ(dictionary->get_Values(nullptr), E_POINTER);
    EXPECT_EQ(dictionary->get_Keys(nullptr), E_POINTER);
    EXPECT_EQ(dictionary->get_Count(nullptr), E_POINTER);
    EXPECT_EQ(dictionary->get_Item(this->key(3), nullptr), E_POINTER);
    EXPECT_EQ(dictionary->TryGetValue(this->key(3), nullptr, &found), E_POINTER);
    EXPECT_EQ(dictionary->TryGetValue(this->key(3), value.out(), nullptr), E_POINTER);
    EXPECT_EQ(dictionary->GetKeyAt(0, nullptr), E_POINTER);
    EXPECT_EQ(dictionary->GetValueAt(0, nullptr), E_POINTER);
    EXPECT_EQ(dictionary->ContainsKey(this->key(3), nullptr), E_POINTER);
}

TYPED_TEST(Dictionary, EveryAnswerIsACopyThatTheCallerOwns)
{
    auto dictionary = this->dictionaryOf({{1, L"kept"}});
    Variant first;
    ASSERT_EQ(dictionary->get_Item(this->key(1), first.out()), S_OK);
    first.get()->bstrVal[0] = L'X'; // scribbling on a copy must not reach the dictionary
    SAFEARRAY* values = nullptr;
    ASSERT_EQ(dictionary->get_Values(&values), S_OK);
    SafeArray(values).reset();
    EXPECT_EQ(this->contentOf(dictionary.get()), (std::vector<std::pair<LONG, std::wstring>>{{1, L"kept"}}));
}

using Values = UcFixture;

TEST_F(Values, ASettingValueThatCannotBeCopiedIsRefusedAndTheHeldOneStays)
{
    MICComPtr<UCCContactSettingChangedEventData> data = ComObject<UCCContactSettingChangedEventData>::create();
    ASSERT_EQ(data->setValue(*Variant::fromBool(false).get()), S_OK);
    VARIANT broken;
    VariantInit(&broken);
    broken.vt = 0x7FFF; // no such type
    EXPECT_HRESULT_FAILED(data->setValue(broken));
    Variant value;
    EXPECT_EQ(data.as<IUCCContactSettingChangedEventData>()->get_Value(value.out()), S_OK);
    EXPECT_EQ(value.type(), VT_BOOL);
}

// Stands for the object that starts an asynchronous call (the contact manager): weakly referable, so that
// a late result can tell whether it still lives.
class CallOwner : public extensionsutils::ComObjectRoot,
                  public IUnknown,
                  public extensionsutils::CComWeakPtrEnabled<CallOwner> {
public:
    using Interfaces = extensionsutils::InterfaceTable<IUnknown>;
    explicit CallOwner(std::atomic<int>* destroyed) : destroyed_(destroyed) {}
    ~CallOwner() override { ++*destroyed_; }

private:
    std::atomic<int>* destroyed_;
};

class AsynchronousOperation : public UcFixture {
protected:
    void releaseTestObjects() override { callback.reset(); }

    std::shared_ptr<AsynchronousOperationWorker> newWorker(bool succeeded = true, IDispatch* target = nullptr)
    {
        auto made = std::make_shared<AsynchronousOperationWorker>(target ? target : callback.get(), kOnLookup);
        made->setResultFunction([succeeded](DispatchParameters& parameters) {
            parameters.add(Variant::fromDispatch(nullptr));
            parameters.add(Variant::fromDispatch(nullptr));
            return succeeded;
        });
        return made;
    }

    static bool flag(const std::shared_ptr<AsynchronousOperationWorker>& worker, bool completed)
    {
        ComPtr<IUCCAsynchronousOperation> operation = worker->operation().as<IUCCAsynchronousOperation>();
        VARIANT_BOOL value = 7;
        EXPECT_EQ(completed ? operation->get_IsCompleted(&value) : operation->get_IsSucceeded(&value), S_OK);
        return value == VARIANT_TRUE;
    }

    static constexpr DISPID kOnLookup = 251;
    ComPtr<FakeOfficeSink> callback = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
};

TEST_F(AsynchronousOperation, ReportsThroughTheDeliveryWithTheOperationLastAndAlreadyCompleted)
{
    auto reporting = newWorker(false);
    MICComPtr<UCCAsynchronousOperation> operation = reporting->operation();
    bool completedInCallback = false;
    callback->setHook([&](const OfficeEvent&) {
        completedInCallback = flag(reporting, true);
    });
    worker->AddWork(reporting);
    runOnWorker([] {});
    callback->setHook(nullptr);

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, kOnLookup);
    EXPECT_NE(events[0].threadId, workerThreadId) << "a delivery thread calls Office, not the worker";
    ASSERT_EQ(events[0].arguments.size(), 3u);
    EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[2].get()->pdispVal, operation.identity()));
    EXPECT_TRUE(completedInCallback);
    EXPECT_FALSE(flag(reporting, false)) << "a failed result is reported, completed but not succeeded";
}

TEST_F(AsynchronousOperation, CancelledBeforeOrWhileTheResultIsBuiltNothingIsReported)
{
    auto before = newWorker();
    ASSERT_EQ(before->operation().as<IUCCAsynchronousOperation>()->CancelOperation(), S_OK);
    before->DoWork();
    auto during = newWorker();
    ComPtr<IUCCAsynchronousOperation> operation = during->operation().as<IUCCAsynchronousOperation>();
    during->setResultFunction([operation](DispatchParameters&) { return operation->CancelOperation() == S_OK; });
    during->DoWork();
    auto without = std::make_shared<AsynchronousOperationWorker>(callback.get(), kOnLookup);
    without->DoWork();

    EXPECT_EQ(journal->count(), 0u);
    EXPECT_FALSE(flag(before, true) || flag(during, true) || flag(without, true));
    EXPECT_EQ(host().loggedCount(L"AsynchronousOperationWorker cancelled or no function set, no work carried out"), 2u);
    EXPECT_EQ(host().loggedCount(L"AsynchronousOperationWorker cancelled, result not reported"), 1u);

    MICComPtr<UCCAsynchronousOperation> completed = ComObject<UCCAsynchronousOperation>::create();
    completed->complete(true);
    EXPECT_EQ(completed.as<IUCCAsynchronousOperation>()->CancelOperation(), S_OK);
    VARIANT_BOOL succeeded = VARIANT_FALSE;
    EXPECT_EQ(completed.as<IUCCAsynchronousOperation>()->get_IsSucceeded(&succeeded), S_OK);
    EXPECT_EQ(succeeded, VARIANT_TRUE) << "cancelling after completion keeps the result";
}

TEST_F(AsynchronousOperation, AFailingOrMissingCallbackIsLoggedAndTheOperationStillCompletes)
{
    ComPtr<FakeOfficeSink> failing = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
    failing->setResult(DISP_E_MEMBERNOTFOUND);
    auto withFailing = newWorker(true, failing.get());
    withFailing->DoWork();
    auto withNone = std::make_shared<AsynchronousOperationWorker>(nullptr, kOnLookup);
    withNone->setResultFunction([](DispatchParameters&) { return true; });
    withNone->DoWork();
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    EXPECT_TRUE(flag(withFailing, true) && flag(withNone, true));
    EXPECT_TRUE(host().logged(L"Asynchronous Operation callback failed -2147352573"));
    EXPECT_TRUE(host().logged(L"Asynchronous Operation callback failed -2147467259"));
}

TEST_F(AsynchronousOperation, RunsOnceAndLetsGoOfWhatItsResultFunctionHeld)
{
    std::atomic<int> ownersDestroyed{0};
    MICComPtr<CallOwner> owner = extensionsutils::WeakPtrCComObject<CallOwner>::create(&ownersDestroyed);
    auto reporting = newWorker();
    reporting->setResultFunction([owner](DispatchParameters& parameters) {
        parameters.add(Variant::fromDispatch(nullptr));
        return owner.get() != nullptr;
    });
    owner.reset(); // only the result function holds it now
    reporting->DoWork();
    EXPECT_EQ(ownersDestroyed.load(), 1) << "a finished worker still holds the owner";
    reporting->DoWork();
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    EXPECT_EQ(journal->count(), 1u);
}

} // namespace
