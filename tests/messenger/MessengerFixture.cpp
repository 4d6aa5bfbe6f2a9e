#include "MessengerFixture.h"

#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"

#include "support/TypeLibraryRegistration.h"

#include "extensionsutils/ModuleLock.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/WeakPtrCComObject.h"

namespace {

HRESULT registerLibraryOnce()
{
    static const HRESULT registration = registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessenger.dll"));
    return registration;
}

} // namespace

void MessengerTest::SetUp()
{
    lockCountAtStart_ = extensionsutils::moduleLockCount();
    ASSERT_EQ(S_OK, environment.registration());
    ASSERT_EQ(S_OK, registerLibraryOnce());
    // sign-in name, user id, name, work, home, mobile, other
    host().setClientUser({L"me", L"me-id", L"Me Myself", L"+1 555 0101", L"+1 555 0100", L"", L"+1 555 0103"});
    addContact(L"bob");
    addContact(L"carol");
    ASSERT_EQ(S_OK, hostaccess::fetchHostClassObject());
    worker = std::make_shared<WorkerThreadImpl>();
    messenger = createMessenger(0);
    ASSERT_TRUE(messenger);
}

void MessengerTest::TearDown()
{
    // As at module stop: the factory uninitialises the object, then every reference goes.
    for (MICComPtr<OfficeIntegrationImpl>& object : created) object->uninitialise();
    created.clear();
    messenger.reset();
    worker->stop([] {}, true);
    worker.reset();
    hostaccess::releaseHostClassObject();
    host().shutdown(); // lets go of sinks the host still held
    EXPECT_EQ(lockCountAtStart_, extensionsutils::moduleLockCount()) << "a module object outlived every reference to it";
    EXPECT_EQ(0, host().liveObjectCount()) << "a host object was not released";
}

MICComPtr<OfficeIntegrationImpl> MessengerTest::createMessenger(std::uint32_t flags)
{
    MICComPtr<OfficeIntegrationImpl> object = extensionsutils::WeakPtrCComObject<OfficeIntegrationImpl>::create();
    if (!object) return object;
    object->initialise(worker, std::make_shared<Configuration>(flags));
    created.push_back(object);
    return object;
}

void MessengerTest::addContact(const std::wstring& signinName, long presence)
{
    fakehost::ContactRecord contact{signinName, signinName + L"-id", L"Friendly " + signinName, L"work of " + signinName};
    contact.presence = presence;
    host().addContact(contact);
}

ComPtr<IMessengerContactAdvanced> MessengerTest::contactOf(const std::wstring& signinName, std::uint32_t flags)
{
    return TavoMessengerExtensionBroker::CreateMessengerContact(host().makeContactObject(signinName).get(),
                                                                std::make_shared<Configuration>(flags))
        .as<IMessengerContactAdvanced>();
}

MessengerTest::Logged MessengerTest::onlyRecordOf(const std::wstring& message) const
{
    const std::vector<fakehost::LogRecord> records = host().recordsOf(message);
    EXPECT_EQ(1u, records.size()) << "records of: " << std::string(message.begin(), message.end());
    if (records.empty()) return {};
    return {5 - records.front().hostLevel, records.front().function, records.front().file};
}

bool MessengerTest::logged(const std::wstring& message, int moduleLevel, const std::wstring& function) const
{
    for (const fakehost::LogRecord& record : host().recordsOf(message))
        if (record.hostLevel == 5 - moduleLevel && record.function == function) return true;
    return false;
}

bool waitUntil(const std::function<bool()>& condition)
{
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

std::vector<Variant> presenceElements(const VARIANT& value)
{
    std::vector<Variant> elements;
    EXPECT_EQ(value.vt, VT_ARRAY | VT_VARIANT);
    if (value.vt != (VT_ARRAY | VT_VARIANT)) return elements;
    LONG lower = -1;
    EXPECT_EQ(SafeArrayGetLBound(value.parray, 1, &lower), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(extensionsutils::readVariants(value.parray, elements), S_OK);
    EXPECT_EQ(elements.size(), 12u);
    return elements;
}

LONG int32Of(const Variant& value)
{
    EXPECT_EQ(value.type(), VT_I4);
    return value.type() == VT_I4 ? value.get()->lVal : -1;
}

bool sameValue(const Variant& actual, const Variant& expected)
{
    return actual.type() == expected.type() &&
           VarCmp(const_cast<VARIANT*>(actual.get()), const_cast<VARIANT*>(expected.get()), 0, 0) == VARCMP_EQ;
}

std::wstring stringOf(const Variant& value)
{
    EXPECT_EQ(value.type(), VT_BSTR);
    if (value.type() != VT_BSTR) return L"<not a string>";
    return std::wstring(value.get()->bstrVal, SysStringLen(value.get()->bstrVal));
}

Variant answer(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<Variant>& arguments, HRESULT result)
{
    LateBoundResult called = callByName(object, name, flags, arguments);
    EXPECT_EQ(result, called.member) << std::string(name, name + wcslen(name));
    return std::move(called.value);
}

VARIANT referenceToNothing()
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR | VT_BYREF;
    return value;
}

VARIANT referenceTo(BSTR* variable)
{
    VARIANT value = referenceToNothing();
    value.pbstrVal = variable;
    return value;
}
