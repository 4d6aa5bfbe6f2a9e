// The registry as the module uses it: the key owner and its factory, the Office version, UpAndRunning, the
// contact resolution switch and the repair of the Messenger interfaces' TypeLib entries. Every key touched is
// saved before and restored after each test; the module's log lines reach the fake host.
#include "ExtensionProvider/HostClassObject.h"
#include "support/FakeHostEnvironment.h"
#include "support/OfficeInterfaceIds.h"
#include "support/RawRegistry.h"
#include "support/SavedRegistryKey.h"
#include "utils/RegistryUtils.h"

#include "extensionsutils/LogSink.h"
#include "extensionsutils/RegKey.h"
#include "extensionsutils/RegKeyFactoryImpl.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <sstream>
#include <tuple>

using namespace extensionsutils;
using namespace registrytest;
using namespace testing;
using Bytes = std::vector<BYTE>;

namespace {

const wchar_t* const testKey = L"Software\\TavoMessengerTests\\RegKey";
// Below HKEY_LOCAL_MACHINE\SOFTWARE, which a 32-bit process sees through a view of its own.
const wchar_t* const machineTestKey = L"SOFTWARE\\TavoMessengerTests\\RegKey";
// Below HKEY_CLASSES_ROOT: Outlook's version, and an Office component whose folder names the version.
const std::wstring outlookKey = L"Outlook.Application";
const std::wstring componentKey = L"CLSID\\{E18FEC31-2EA1-49A2-A7A6-902DC0D1FF05}";
const wchar_t* const settingsKey = L"Software\\Norvane Works\\Unified Communications\\Mivra";

const std::wstring libId = L"{31F0215E-C543-4EE3-B6F0-03AC36815648}", lowerCaseLibId = L"{31f0215e-c543-4ee3-b6f0-03ac36815648}";
const std::wstring otherLibId = L"{E02AD29E-80F5-46C6-B416-9B3EBDDF057E}";
const wchar_t* const* const iids = officeMessengerInterfaces;
const wchar_t* const IMessenger = iids[8], * const IMessenger2 = iids[9];
const wchar_t* const unrelated = L"{0BADF00D-0F89-48F8-B204-3604629DEE10}"; // not Office's: never looked at

struct Place { HKEY hive; const wchar_t* folder; };
const wchar_t* const classes = L"SOFTWARE\\Classes\\Interface\\", * const classesWow = L"SOFTWARE\\Classes\\Wow6432Node\\Interface\\",
                     * const wowClasses = L"SOFTWARE\\Wow6432Node\\Classes\\Interface\\";
const Place hklm{HKEY_LOCAL_MACHINE, classes}, hklmClassesWow{HKEY_LOCAL_MACHINE, classesWow},
    hklmWowClasses{HKEY_LOCAL_MACHINE, wowClasses};
const Place hkcu{HKEY_CURRENT_USER, classes}, hkcuClassesWow{HKEY_CURRENT_USER, classesWow}, hkcuWowClasses{HKEY_CURRENT_USER, wowClasses};
const REGSAM view64 = KEY_WOW64_64KEY; // the module opens the TypeLib entries in the 64-bit view

Bytes dword(DWORD value) { return Bytes{BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)}; }
std::wstring typeLibKey(const Place& place, const wchar_t* iid) { return place.folder + std::wstring(iid) + L"\\TypeLib"; }
std::string narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

Bytes withOddByte(Bytes bytes)
{
    bytes.push_back('x');
    return bytes;
}

std::optional<Bytes> stored(HKEY hive, const std::wstring& key, const wchar_t* name, REGSAM view = 0)
{
    RawValue value;
    return readRawValue(hive, key, name, value, view) ? std::optional<Bytes>(value.data) : std::nullopt;
}

// A root key as the factory's log line shows it: its handle in hexadecimal.
std::string hiveText(HKEY hive) { return (std::ostringstream() << "0x" << std::hex << reinterpret_cast<std::uintptr_t>(hive)).str(); }
bool isOpen(HKEY key) { return RegQueryValueExW(key, L"", nullptr, nullptr, nullptr, nullptr) != ERROR_INVALID_HANDLE; }

struct RecordingLogSink : LogSink {
    void write(int level, const char*, int, const char* function, const std::string& text) override
    { lines.push_back(std::to_string(level) + " " + function + ": " + text); }
    std::vector<std::string> lines;
};

class RegistryTest : public Test {
protected:
    RegistryTest()
    {
        // Outlook and the Office component first: uninstallOffice() clears these four.
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            for (const std::wstring& key : {outlookKey, componentKey}) save(HKEY_CLASSES_ROOT, key, view);
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) save(HKEY_LOCAL_MACHINE, machineTestKey, view);
        for (const wchar_t* key : {testKey, L"Software\\IM Providers", L"Software\\Norvane Works"}) save(HKEY_CURRENT_USER, key);
        for (const Place& place : {hklm, hklmClassesWow, hklmWowClasses, hkcu, hkcuClassesWow, hkcuWowClasses}) {
            for (const wchar_t* iid : officeMessengerInterfaces) save(place.hive, place.folder + std::wstring(iid), view64);
            save(place.hive, place.folder + std::wstring(unrelated), view64);
        }
    }
    void SetUp() override
    {
        for (const auto& key : saved_) key->clear();
        std::filesystem::create_directories(scratch_);
        ASSERT_EQ(environment_.registration(), S_OK);
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    }
    void TearDown() override
    {
        hostaccess::releaseHostClassObject();
        std::filesystem::remove_all(scratch_);
    }

    void save(HKEY hive, const std::wstring& key, REGSAM view = 0) { saved_.emplace_back(new SavedRegistryKey(hive, key, view)); }
    // The factory's calls, in one place; a null sink logs nothing.
    RegKeyPtr create(HKEY hive, const std::wstring& path, RegistryView view = RegistryView::Default)
    { return factory_.CreateRegistryKey(sink_, hive, path, view); }
    RegKeyPtr open(HKEY hive, const std::wstring& path, RegistryView view, bool logged = true)
    { return factory_.OpenRegistryKey(logged ? sink_ : nullptr, hive, path, view, KEY_READ); }
    bool setCurVer(const std::wstring& progId) { return writeStringValue(HKEY_CLASSES_ROOT, outlookKey + L"\\CurVer", nullptr, progId); }
    // Registers <scratch>\<folder>\OUTLCTL.DLL as the component's in-process server, making the file unless told otherwise.
    void registerComponent(const std::wstring& folder, REGSAM view = 0, bool withFile = true)
    {
        const std::wstring path = scratch_ + folder + L"\\OUTLCTL.DLL";
        if (withFile) {
            std::filesystem::create_directories(scratch_ + folder);
            CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
        writeStringValue(HKEY_CLASSES_ROOT, componentKey + L"\\InprocServer32", nullptr, path, view);
    }
    void uninstallOffice()
    {
        for (int key = 0; key < 4; ++key) saved_[key]->clear();
    }
    void setDefault(const Place& at, const wchar_t* iid, const Bytes& bytes, DWORD type = REG_SZ)
    { ASSERT_TRUE(writeRawValue(at.hive, typeLibKey(at, iid), nullptr, type, bytes, view64)); }
    std::optional<Bytes> defaultOf(const Place& at, const wchar_t* iid) { return stored(at.hive, typeLibKey(at, iid), nullptr, view64); }
    std::string userEntry(const wchar_t* iid) { return narrow(typeLibKey(hkcu, iid)); } // as the module names it
    std::vector<std::wstring> log() const { return environment_.host().logMessages(); }
    void clearLog() { environment_.host().clearLog(); }

    std::vector<std::unique_ptr<SavedRegistryKey>> saved_;
    const std::wstring scratch_ = std::filesystem::temp_directory_path().wstring() + L"\\TavoMessengerTests-Office-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"\\";
    fakehost::FakeHostEnvironment environment_;
    RegKeyFactoryImpl factory_;
    std::shared_ptr<RecordingLogSink> sink_ = std::make_shared<RecordingLogSink>();
};

} // namespace

TEST_F(RegistryTest, AKeyIsClosedOnceByItsLastOwner)
{
    RegKey kept;
    {
        RegKey opened;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, opened.put()));
        RegKey moved(std::move(opened));
        kept = std::move(moved);
        EXPECT_FALSE(opened || moved);
    }
    ASSERT_TRUE(isOpen(kept.get())) << "an owner it was moved from closed it";
    const HKEY handle = kept.release();
    ASSERT_TRUE(!kept && isOpen(handle)) << "release() closed it";
    kept.reset(handle);
    kept.put();
    EXPECT_FALSE(isOpen(handle)) << "put() left the key it held open";
}

TEST_F(RegistryTest, StringsAreWrittenAndReadOnlyWithTheirTerminator)
{
    RegKeyPtr key = create(HKEY_CURRENT_USER, testKey);
    ASSERT_EQ(ERROR_SUCCESS, key->writeString(L"", libId));
    ASSERT_EQ(ERROR_SUCCESS, key->writeString(L"Empty", L""));
    EXPECT_EQ(bytesOf(libId, true), stored(HKEY_CURRENT_USER, testKey, nullptr));
    // Values without bytes here were written above, or never. 39 characters fill the buffer, terminator included.
    const struct { const wchar_t* name; DWORD type; std::optional<Bytes> bytes; LONG result; std::wstring text; } rows[] = {
        {nullptr, REG_SZ, {}, ERROR_SUCCESS, libId}, {L"Empty", REG_SZ, {}, ERROR_SUCCESS, L""},
        {L"Expandable", REG_EXPAND_SZ, bytesOf(L"%TEMP%", true), ERROR_SUCCESS, L"%TEMP%"},
        {L"Unterminated", REG_SZ, bytesOf(L"abc", false), ERROR_INVALID_DATA}, {L"NoBytes", REG_SZ, Bytes{}, ERROR_INVALID_DATA},
        {L"OddLength", REG_SZ, withOddByte(bytesOf(L"abc", true)), ERROR_INVALID_DATA},
        {L"Binary", REG_BINARY, bytesOf(L"abc", true), ERROR_INVALID_DATA}, {L"Number", REG_DWORD, dword(1), ERROR_INVALID_DATA},
        {L"TooLong", REG_SZ, bytesOf(std::wstring(39, L'x'), true), ERROR_MORE_DATA}, {L"Missing", REG_SZ, {}, ERROR_FILE_NOT_FOUND}};
    for (const auto& row : rows) {
        ASSERT_TRUE(!row.bytes || writeRawValue(HKEY_CURRENT_USER, testKey, row.name, row.type, *row.bytes));
        wchar_t buffer[39] = {L'?'};
        DWORD length = 99;
        const LONG result = key->readString(row.name, buffer, 39, length);
        EXPECT_EQ(std::make_tuple(row.result, row.text, row.result == ERROR_SUCCESS ? DWORD(row.text.size()) : 99ul),
                  std::make_tuple(result, std::wstring(buffer), length)) << narrow(row.name ? row.name : L"");
    }
    DWORD length = 0;
    wchar_t buffer[4];
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key->readString(L"TooLong", nullptr, 4, length));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key->readString(L"TooLong", buffer, 0, length));
}

TEST_F(RegistryTest, TheKeyFactoryOpensKeysAsAskedLoggingEachFailure)
{
    ASSERT_TRUE(create(HKEY_CURRENT_USER, testKey));
    const RegKeyPtr readOnly = open(HKEY_CURRENT_USER, testKey, RegistryView::Default);
    EXPECT_EQ(ERROR_ACCESS_DENIED, readOnly ? readOnly->writeDword(L"UpAndRunning", 0) : 0);
    ASSERT_TRUE(create(HKEY_LOCAL_MACHINE, machineTestKey, RegistryView::Wow64_64));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_64KEY) &&
                !keyExists(HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_32KEY));
    EXPECT_TRUE(open(HKEY_LOCAL_MACHINE, machineTestKey, RegistryView::Wow64_64) &&
                !open(HKEY_LOCAL_MACHINE, machineTestKey, RegistryView::Wow64_32, false));
    // The default is the process's own view: the 64-bit one only for a 64-bit process.
    EXPECT_EQ(sizeof(void*) == 8, bool(open(HKEY_LOCAL_MACHINE, machineTestKey, RegistryView::Default, false)));

    EXPECT_FALSE(open(HKEY_CURRENT_USER, std::wstring(testKey) + L"\\Missing", RegistryView::Wow64_64));
    EXPECT_FALSE(create(nullptr, testKey));
    EXPECT_FALSE(factory_.OpenUserHiveKey(sink_, true, L"NoSuchUser"));
    // Successes and calls without a sink log nothing.
    const std::string prefix = "1 extensionsutils::RegKeyFactoryImpl::";
    EXPECT_EQ(
        (std::vector<std::string>{
            prefix + "OpenRegistryKey: Failed to open Software\\TavoMessengerTests\\RegKey\\Missing in " + hiveText(HKEY_CURRENT_USER) +
                " use64BitRegistry: 1 Registry Error 2",
            prefix + "CreateRegistryKey: Failed to create Software\\TavoMessengerTests\\RegKey in 0x0 use64BitRegistry: 0 Registry Error 6",
            prefix + "OpenRegistryKey: Failed to open NoSuchUser in " + hiveText(HKEY_USERS) + " use64BitRegistry: 0 Registry Error 2"}),
        sink_->lines);

    const RegKeyPtr current = factory_.OpenUserHiveKey(sink_, false, L"ignored");
    EXPECT_EQ(HKEY_CURRENT_USER, current ? current->get() : nullptr);
    const RegKeyPtr defaultUser = factory_.OpenUserHiveKey(sink_, true, L".DEFAULT");
    EXPECT_EQ(ERROR_ACCESS_DENIED, defaultUser ? defaultUser->writeDword(L"TavoMessengerTests", 1) : 0);
}

TEST_F(RegistryTest, CurVerGivesTheKnownMajorVersionAfterItsLastFullStopOrZero)
{
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "no Office";
    const auto versionFrom = [&](DWORD type, const Bytes& bytes) {
        return writeRawValue(HKEY_CLASSES_ROOT, outlookKey + L"\\CurVer", nullptr, type, bytes)
                   ? RegistryUtils::officeVersionFromCurVer() : 99;
    };
    ASSERT_TRUE(createKey(HKEY_CLASSES_ROOT, outlookKey + L"\\CurVer"));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "no value";
    EXPECT_EQ(0u, versionFrom(REG_DWORD, dword(12)) + versionFrom(REG_SZ, bytesOf(L"Outlook.Application.12", false)))
        << "a number, no terminator";
    const std::pair<std::wstring, unsigned> rows[] = {
        {L"Outlook.Application.11", 11}, {L"Outlook.Application.12", 12}, {L"Outlook.Application.14", 14},
        {L"Outlook.Application.15", 15}, {L"Outlook.Application.16", 16}, {L"Outlook.Application.13", 0},
        {L"Outlook.Application.016", 0}, {L"Outlook.Application.16 ", 0}, {L"Outlook.Application", 0}, {L"16", 0},
        {L"x.12.3", 0}, {L"", 0}, {std::wstring(600, L'x') + L".12", 0}, // longer than the 512 characters read
    };
    for (const auto& [progId, version] : rows) {
        ASSERT_TRUE(setCurVer(progId));
        EXPECT_EQ(version, RegistryUtils::officeVersionFromCurVer()) << narrow(progId);
    }
}

TEST_F(RegistryTest, OfficeVersionComesFromTheWholeComponentFolderName)
{
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer()) << "no Office";
    const std::pair<const wchar_t*, unsigned> rows[] = {
        {L"Office12", 12}, {L"OFFICE12", 12}, {L"office12", 12}, {L"Office14", 14}, {L"OFFICE15", 14}, {L"OFFICE16", 14},
        {L"office16", 14}, {L"Office11", 0}, {L"Office", 0}, {L"Office1", 0}, {L"Office120", 0}, {L"root", 0}};
    for (const auto& [folder, version] : rows) {
        registerComponent(folder);
        EXPECT_EQ(version, RegistryUtils::officeVersionFromInprocServer()) << narrow(folder);
    }
    registerComponent(L"gone\\Office12", 0, false);
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer()) << "registered without its file";
    uninstallOffice();
    registerComponent(L"Office12", KEY_WOW64_64KEY);
    EXPECT_EQ(12u, RegistryUtils::officeVersionFromInprocServer()) << "registered only in the 64-bit view";
}

TEST_F(RegistryTest, UpAndRunningAlsoGoesUnderTheCommunicatorKeyForOffice2007)
{
    // Sets the value; answers what the host client's and the Communicator key then hold.
    const auto set = [](DWORD value) {
        RegistryUtils::SetUpAndRunning(value);
        return std::vector{stored(HKEY_CURRENT_USER, L"Software\\IM Providers\\Norvane Quillon", L"UpAndRunning"),
                           stored(HKEY_CURRENT_USER, L"Software\\IM Providers\\Communicator", L"UpAndRunning")};
    };
    const auto values = [](std::optional<Bytes> host, std::optional<Bytes> communicator) { return std::vector{host, communicator}; };
    EXPECT_EQ(values(dword(1), std::nullopt), set(1));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Software\\IM Providers\\Communicator"));
    ASSERT_TRUE(setCurVer(L"Outlook.Application.12"));
    clearLog();
    EXPECT_EQ(values(dword(2), dword(2)), set(2));
    EXPECT_THAT(log(), ElementsAre(L"Setting up and running to: 2", L"Setting key for Office 2010, 2013 or 2016",
                                   L"Setting key for Office 2007"));
    ASSERT_TRUE(setCurVer(L"Outlook.Application.14")); // a later Office leaves the Communicator key alone
    registerComponent(L"OFFICE16");
    EXPECT_EQ(values(dword(0), dword(2)), set(0));
    uninstallOffice(); // Office 2007 from the component folder alone, detected afresh on every call
    registerComponent(L"Office12");
    EXPECT_EQ(values(dword(1), dword(1)), set(1));
    uninstallOffice();
    EXPECT_EQ(values(dword(0), dword(1)), set(0));
}

TEST_F(RegistryTest, OnlyAStoredNumberOneDisablesContactResolution)
{
    EXPECT_TRUE(RegistryUtils::isResolveContactEnabled()) << "no key";
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, settingsKey));
    EXPECT_TRUE(RegistryUtils::isResolveContactEnabled()) << "no value";
    const struct { const char* what; DWORD type; Bytes bytes; bool enabled; } rows[] = {
        {"1", REG_DWORD, dword(1), false}, {"0", REG_DWORD, dword(0), true}, {"2", REG_DWORD, dword(2), true},
        {"0x101", REG_DWORD, dword(0x101), true}, {"0xFFFFFFFF", REG_DWORD, dword(~0u), true},
        {"the text 1", REG_SZ, bytesOf(L"1", true), true}, {"a 64-bit 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, true},
        {"four bytes 1", REG_BINARY, dword(1), false}, {"one byte 1", REG_BINARY, {1}, false}, {"no bytes", REG_BINARY, {}, true}};
    for (const auto& row : rows) {
        ASSERT_TRUE(writeRawValue(HKEY_CURRENT_USER, settingsKey, L"DisableResolveContact", row.type, row.bytes));
        EXPECT_EQ(row.enabled, RegistryUtils::isResolveContactEnabled()) << row.what;
    }
}

TEST_F(RegistryTest, AnyOtherTypeLibValueIsReplacedByTheTerminatedLibId)
{
    const struct { const char* what; DWORD type; Bytes bytes; } rows[] = {
        {"the library in lower case", REG_SZ, bytesOf(lowerCaseLibId, true)}, {"another library", REG_SZ, bytesOf(otherLibId, true)},
        {"a text longer than the first read", REG_SZ, bytesOf(std::wstring(300, L'a'), false)}, {"a number", REG_DWORD, dword(1)},
        {"an empty text", REG_SZ, bytesOf(L"", true)}, {"the library and more", REG_SZ, withOddByte(bytesOf(libId, false))}};
    ASSERT_TRUE(writeStringValue(HKEY_CURRENT_USER, typeLibKey(hkcu, IMessenger), L"Version", L"1.0", view64));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        setDefault(hkcu, IMessenger, row.bytes, row.type);
        clearLog();
        RegistryUtils::QueryKeyAndReplaceIfNotTavoMessengerGUID(HKEY_CURRENT_USER, userEntry(IMessenger));
        EXPECT_EQ(bytesOf(libId, true), defaultOf(hkcu, IMessenger));
        EXPECT_THAT(log(),
                    ElementsAre(L"Query key :" + typeLibKey(hkcu, IMessenger), L"Key found but Value is not equal to TavoMessenger GUID",
                                L"Write TavoMessenger GUID " + libId, L"TavoMessenger GUID " + libId + L" written successfully"));
    }
    EXPECT_EQ(bytesOf(L"1.0", true), stored(HKEY_CURRENT_USER, typeLibKey(hkcu, IMessenger), L"Version", view64));
}

TEST_F(RegistryTest, ARepairLeavesAloneTheLibIdUpToItsFirstNulOrNoValue)
{
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, typeLibKey(hkcu, IMessenger2), view64)); // no default value
    // Without its terminator, or with more after a NUL, still the library.
    for (const Bytes& library : {bytesOf(libId, false), bytesOf(libId + std::wstring(L"\0def", 4), true)}) {
        clearLog();
        setDefault(hkcu, IMessenger, library);
        for (const wchar_t* iid : {IMessenger, IMessenger2, iids[10]})
            RegistryUtils::QueryKeyAndReplaceIfNotTavoMessengerGUID(HKEY_CURRENT_USER, userEntry(iid));
        EXPECT_EQ(library, defaultOf(hkcu, IMessenger));
        EXPECT_FALSE(defaultOf(hkcu, IMessenger2));
        EXPECT_THAT(log(), ElementsAre(L"Query key :" + typeLibKey(hkcu, IMessenger), L"Key found with TavoMessenger GUID",
                                       L"Query key :" + typeLibKey(hkcu, IMessenger2), L"Key not found",
                                       L"Query key :" + typeLibKey(hkcu, iids[10]), L"Failed to open registry key", L"Key not found"));
    }
    // The writer alone opens an existing key too: a missing one is logged (module level 2) and not made.
    clearLog();
    RegistryUtils::WriteTavoMessengerGUID(HKEY_CURRENT_USER, userEntry(iids[10]), libId);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, hkcu.folder + std::wstring(iids[10]), view64));
    EXPECT_THAT(environment_.host().logRecords(), ElementsAre(AllOf(Field(&fakehost::LogRecord::message, L"Failed to open registry key"),
                                                                    Field(&fakehost::LogRecord::hostLevel, 3))));
}

TEST_F(RegistryTest, StartupCheckRepairsTheMessengerInterfacesInTableOrder)
{
    // A new user's registration in lower case, under each interface's per-user entry.
    for (const wchar_t* iid : officeMessengerInterfaces) setDefault(hkcu, iid, bytesOf(lowerCaseLibId, true));
    const std::pair<Place, const wchar_t*> repaired[] = {
        {hklm, IMessenger}, {hklmClassesWow, iids[17]}, {hklmWowClasses, iids[6]}, {hkcuClassesWow, iids[17]}};
    for (const auto& [place, iid] : repaired) setDefault(place, iid, bytesOf(otherLibId, true));
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, typeLibKey(hkcuClassesWow, IMessenger2), view64));
    // Not looked at: the per-user tree has no Wow6432Node\Classes, and other interfaces are not Office's.
    setDefault(hkcuWowClasses, iids[10], bytesOf(lowerCaseLibId, true));
    setDefault(hklm, unrelated, bytesOf(otherLibId, true));

    RegistryUtils::CheckMessengerInterfaceTypelibs();

    for (const wchar_t* iid : officeMessengerInterfaces) EXPECT_EQ(bytesOf(libId, true), defaultOf(hkcu, iid)) << narrow(iid);
    for (const auto& [place, iid] : repaired) EXPECT_EQ(bytesOf(libId, true), defaultOf(place, iid)) << narrow(iid);
    EXPECT_FALSE(defaultOf(hkcuClassesWow, IMessenger2));
    EXPECT_EQ(bytesOf(lowerCaseLibId, true), defaultOf(hkcuWowClasses, iids[10]));
    EXPECT_EQ(bytesOf(otherLibId, true), defaultOf(hklm, unrelated));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, typeLibKey(hklm, IMessenger2), view64)) << "nothing created";
    // Machine-wide first, three places per interface, then per user, two places each; the table's order.
    const auto queries = [](std::initializer_list<Place> places) {
        std::vector<std::wstring> lines;
        for (const wchar_t* iid : officeMessengerInterfaces)
            for (const Place& place : places) lines.push_back(L"Query key :" + typeLibKey(place, iid));
        return lines;
    };
    std::vector<std::wstring> expected = queries({hklm, hklmClassesWow, hklmWowClasses}), user = queries({hkcu, hkcuClassesWow});
    expected.insert(expected.end(), user.begin(), user.end());
    const std::vector<std::wstring> messages = log();
    std::vector<std::wstring> queried;
    std::copy_if(messages.begin(), messages.end(), std::back_inserter(queried),
                 [](const std::wstring& line) { return line.rfind(L"Query key :", 0) == 0; });
    EXPECT_EQ(expected, queried);
    EXPECT_EQ(22, std::count(messages.begin(), messages.end(), L"TavoMessenger GUID " + libId + L" written successfully"));
}
