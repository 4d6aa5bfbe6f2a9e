#include "MessengerFixture.h"

#include "ExtensionProvider/HostClassObject.h"

#include "support/TypeLibraryRegistration.h"

#include "extensionsutils/WeakPtrCComObject.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ModuleLock.h"

using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;

const wchar_t* const MessengerTest::SourceFile = L"extensions/tavomessenger/IMessenger/TavoMessengerAdvanced";

namespace {

HRESULT registerLibraryOnce()
{
    static const HRESULT registration = registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessenger.dll"));
    return registration;
}

} // namespace

void MessengerTest::SetUp()
{
    ASSERT_EQ(S_OK, environment.registration());
    ASSERT_EQ(S_OK, registerLibraryOnce());
    fakehost::ContactRecord me;
    me.signinName = L"me";
    me.userId = L"me-id";
    me.friendlyName = L"Me Myself";
    me.homeNumber = L"+1 555 0100";
    me.workNumber = L"+1 555 0101";
    me.otherNumber = L"+1 555 0103";
    host().setClientUser(me);
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
    EXPECT_EQ(0, extensionsutils::moduleLockCount()) << "a module object outlived every reference to it";
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

ComPtr<IMessengerAdvanced> MessengerTest::messengerApi() const
{
    return messenger.as<IMessengerAdvanced>();
}

ComPtr<IDispatch> MessengerTest::lateBound() const
{
    return messenger.as<IDispatch>();
}

void MessengerTest::addContact(const std::wstring& signinName, long presence)
{
    fakehost::ContactRecord contact;
    contact.signinName = signinName;
    contact.userId = signinName + L"-id";
    contact.friendlyName = L"Friendly " + signinName;
    contact.workNumber = L"work of " + signinName;
    contact.presence = presence;
    host().addContact(contact);
}

MessengerTest::Logged MessengerTest::onlyRecordOf(const std::wstring& message) const
{
    const std::vector<fakehost::LogRecord> records = host().recordsOf(message);
    EXPECT_EQ(1u, records.size()) << "records of: " << std::string(message.begin(), message.end());
    Logged logged;
    if (records.empty()) return logged;
    logged.moduleLevel = 5 - records.front().hostLevel;
    logged.function = records.front().function;
    logged.file = records.front().file;
    return logged;
}

const char* nameOf(CallPath path)
{
    return path == CallPath::VirtualTable ? "virtual table" : "IDispatch";
}

bool waitUntil(const std::function<bool()>& condition)
{
    for (int i = 0; i < 1000; ++i) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}
