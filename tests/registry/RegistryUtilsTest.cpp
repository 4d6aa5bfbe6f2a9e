// What the module reads from and writes to the registry: the Office version, UpAndRunning, the contact
// resolution switch and the repair of the Messenger interfaces' TypeLib entries. Every key touched is
// saved before and restored after each test; the module's log lines reach the fake host.
#include "ExtensionProvider/HostClassObject.h"
#include "support/FakeHostEnvironment.h"
#include "support/OfficeInterfaceIds.h"
#include "support/RawRegistry.h"
#include "support/SavedRegistryKey.h"
#include "utils/RegistryUtils.h"

#include "extensionsutils/ImProviderNames.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

using namespace registrytest;
using ::testing::ElementsAre;
using Bytes = std::vector<BYTE>;

namespace {

// Below HKEY_CLASSES_ROOT: Outlook's version, and an Office component whose folder names the version.
const std::wstring outlookKey = L"Outlook.Application";
const std::wstring componentKey = L"CLSID\\{E18FEC31-2EA1-49A2-A7A6-902DC0D1FF05}";
const wchar_t* const hostProviderKey = extensionsutils::improvider::ProviderKey;
const wchar_t* const office2007ProviderKey = extensionsutils::improvider::Office2007ProviderKey;
const wchar_t* const settingsKey = L"Software\\Norvane Works\\Unified Communications\\Mivra";

Bytes dword(DWORD value) { return Bytes{BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)}; }

std::optional<Bytes> stored(HKEY hive, const std::wstring& key, const wchar_t* name, REGSAM view = 0)
{
    RawValue value;
    if (!readRawValue(hive, key, name, value, view)) return std::nullopt;
    return value.data;
}

class RegistryUtilsTest : public ::testing::Test {
protected:
    RegistryUtilsTest()
    {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            for (const std::wstring& key : {outlookKey, componentKey}) save(HKEY_CLASSES_ROOT, key, view);
        save(HKEY_CURRENT_USER, L"Software\\IM Providers");
        save(HKEY_CURRENT_USER, L"Software\\Norvane Works");
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

    void save(HKEY hive, const std::wstring& path, REGSAM view = 0)
    {
        saved_.push_back(std::make_unique<SavedRegistryKey>(hive, path, view));
    }
    bool setCurVer(const std::wstring& progId)
    {
        return writeStringValue(HKEY_CLASSES_ROOT, outlookKey + L"\\CurVer", nullptr, progId);
    }
    // Registers <scratch>\<folder>\OUTLCTL.DLL as the component's in-process server, making the file
    // unless told otherwise.
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
    std::vector<std::wstring> log() const { return environment_.host().logMessages(); }
    void clearLog() { environment_.host().clearLog(); }

    std::vector<std::unique_ptr<SavedRegistryKey>> saved_;
    const std::wstring scratch_ =
        (std::filesystem::temp_directory_path() / (L"TavoMessengerTests-Office-" + std::to_wstring(GetCurrentProcessId())))
            .wstring() + L"\\";
    fakehost::FakeHostEnvironment environment_;
};

} // namespace

TEST_F(RegistryUtilsTest, CurVerAnswersAKnownMajorVersionAfterTheLastFullStopAndZeroForAnythingElse)
{
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "no Office";
    const std::wstring curVer = outlookKey + L"\\CurVer";
    ASSERT_TRUE(createKey(HKEY_CLASSES_ROOT, curVer));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "no value";
    ASSERT_TRUE(writeDwordValue(HKEY_CLASSES_ROOT, curVer, nullptr, 12));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "a number";
    ASSERT_TRUE(writeRawValue(HKEY_CLASSES_ROOT, curVer, nullptr, REG_SZ, bytesOf(L"Outlook.Application.12", false)));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "no terminator";
    const struct {
        std::wstring progId;
        unsigned version;
    } rows[] = {
        {L"Outlook.Application.11", 11}, {L"Outlook.Application.12", 12}, {L"Outlook.Application.14", 14},
        {L"Outlook.Application.15", 15}, {L"Outlook.Application.16", 16}, {L"Outlook.Application.13", 0},
        {L"Outlook.Application.016", 0}, {L"Outlook.Application.16 ", 0}, {L"Outlook.Application", 0},
        {L"16", 0}, {L"x.12.3", 0}, {L"", 0},
        {std::wstring(600, L'x') + L".12", 0}, // longer than the 512 characters read
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.progId));
        ASSERT_TRUE(setCurVer(row.progId));
        EXPECT_EQ(row.version, RegistryUtils::officeVersionFromCurVer());
    }
}

TEST_F(RegistryUtilsTest, ComponentFolderNamedWhollyLikeOffice12Is2007AndLaterOfficesAnswer14)
{
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer()) << "no Office";
    const struct {
        const wchar_t* folder;
        unsigned version;
    } rows[] = {
        {L"Office12", 12}, {L"OFFICE12", 12}, {L"office12", 12}, {L"Office14", 14}, {L"OFFICE15", 14},
        {L"OFFICE16", 14}, {L"office16", 14}, {L"Office11", 0},  {L"Office", 0},   {L"Office1", 0},
        {L"Office120", 0}, {L"root", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.folder)));
        registerComponent(row.folder);
        EXPECT_EQ(row.version, RegistryUtils::officeVersionFromInprocServer());
    }
    registerComponent(L"gone\\Office12", 0, false);
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer()) << "registered without its file";
    uninstallOffice();
    registerComponent(L"Office12", KEY_WOW64_64KEY);
    EXPECT_EQ(12u, RegistryUtils::officeVersionFromInprocServer()) << "registered only in the 64-bit view";
}

TEST_F(RegistryUtilsTest, UpAndRunningGoesUnderTheHostClientsKeyAndUnderTheCommunicatorKeyOnlyForAnOffice2007DetectedOnEachCall)
{
    const auto upAndRunning = [](const wchar_t* key) { return stored(HKEY_CURRENT_USER, key, L"UpAndRunning"); };
    RegistryUtils::SetUpAndRunning(1);
    EXPECT_EQ(dword(1), upAndRunning(hostProviderKey));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, office2007ProviderKey));
    EXPECT_THAT(log(), ElementsAre(L"Setting up and running to: 1", L"Setting key for Office 2010, 2013 or 2016"));

    ASSERT_TRUE(setCurVer(L"Outlook.Application.12"));
    clearLog();
    RegistryUtils::SetUpAndRunning(2);
    EXPECT_EQ(dword(2), upAndRunning(hostProviderKey));
    EXPECT_EQ(dword(2), upAndRunning(office2007ProviderKey));
    EXPECT_THAT(log(), ElementsAre(L"Setting up and running to: 2", L"Setting key for Office 2010, 2013 or 2016",
                                   L"Setting key for Office 2007"));

    ASSERT_TRUE(setCurVer(L"Outlook.Application.14")); // a later Office leaves the Communicator key alone
    registerComponent(L"OFFICE16");
    RegistryUtils::SetUpAndRunning(0);
    EXPECT_EQ(dword(0), upAndRunning(hostProviderKey));
    EXPECT_EQ(dword(2), upAndRunning(office2007ProviderKey));

    uninstallOffice(); // Office 2007 from the component folder alone, detected afresh on every call
    registerComponent(L"Office12");
    RegistryUtils::SetUpAndRunning(1);
    EXPECT_EQ(dword(1), upAndRunning(office2007ProviderKey));
    uninstallOffice();
    RegistryUtils::SetUpAndRunning(0);
    EXPECT_EQ(dword(0), upAndRunning(hostProviderKey));
    EXPECT_EQ(dword(1), upAndRunning(office2007ProviderKey));
}

TEST_F(RegistryUtilsTest, OnlyAStoredNumberOneDisablesContactResolution)
{
    EXPECT_TRUE(RegistryUtils::isResolveContactEnabled()) << "no key";
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, settingsKey));
    EXPECT_TRUE(RegistryUtils::isResolveContactEnabled()) << "no value";
    const struct {
        const char* what;
        DWORD type;
        Bytes bytes;
        bool enabled;
    } rows[] = {
        {"1", REG_DWORD, dword(1), false},         {"0", REG_DWORD, dword(0), true},
        {"2", REG_DWORD, dword(2), true},          {"0x101", REG_DWORD, dword(0x101), true},
        {"0xFFFFFFFF", REG_DWORD, dword(~0u), true}, {"the text 1", REG_SZ, bytesOf(L"1", true), true},
        {"a 64-bit 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, true}, {"four bytes 1", REG_BINARY, dword(1), false},
        {"one byte 1", REG_BINARY, {1}, false},    {"no bytes", REG_BINARY, {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(writeRawValue(HKEY_CURRENT_USER, settingsKey, L"DisableResolveContact", row.type, row.bytes));
        EXPECT_EQ(row.enabled, RegistryUtils::isResolveContactEnabled());
    }
}

namespace {

const std::wstring libId = L"{31F0215E-C543-4EE3-B6F0-03AC36815648}";
const std::wstring lowerCaseLibId = L"{31f0215e-c543-4ee3-b6f0-03ac36815648}";
const std::wstring otherLibId = L"{E02AD29E-80F5-46C6-B416-9B3EBDDF057E}";
using registrytest::officeMessengerInterfaces;
const wchar_t* const IMessenger = officeMessengerInterfaces[8];
const wchar_t* const IMessenger2 = officeMessengerInterfaces[9];
const wchar_t* const unrelated = L"{0BADF00D-0F89-48F8-B204-3604629DEE10}"; // not Office's: never looked at

struct Place {
    HKEY hive;
    const wchar_t* folder;
};
const Place hklm{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Interface\\"};
const Place hklmClassesWow{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Wow6432Node\\Interface\\"};
const Place hklmWowClasses{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Classes\\Interface\\"};
const Place hkcu{HKEY_CURRENT_USER, L"SOFTWARE\\Classes\\Interface\\"};
const Place hkcuClassesWow{HKEY_CURRENT_USER, L"SOFTWARE\\Classes\\Wow6432Node\\Interface\\"};
const Place hkcuWowClasses{HKEY_CURRENT_USER, L"SOFTWARE\\Wow6432Node\\Classes\\Interface\\"};
const REGSAM view64 = KEY_WOW64_64KEY; // the module opens these entries in the 64-bit view

std::wstring typeLibKey(const Place& place, const wchar_t* iid) { return place.folder + std::wstring(iid) + L"\\TypeLib"; }
std::string narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

class TypeLibRepairTest : public RegistryUtilsTest {
protected:
    TypeLibRepairTest()
    {
        for (const Place& place : {hklm, hklmClassesWow, hklmWowClasses, hkcu, hkcuClassesWow, hkcuWowClasses}) {
            for (const wchar_t* iid : officeMessengerInterfaces) save(place.hive, place.folder + std::wstring(iid), view64);
            save(place.hive, place.folder + std::wstring(unrelated), view64);
        }
    }
    void setDefault(const Place& place, const wchar_t* iid, const Bytes& bytes, DWORD type = REG_SZ)
    {
        ASSERT_TRUE(writeRawValue(place.hive, typeLibKey(place, iid), nullptr, type, bytes, view64));
    }
    std::optional<Bytes> defaultOf(const Place& place, const wchar_t* iid)
    {
        return stored(place.hive, typeLibKey(place, iid), nullptr, view64);
    }
    void repair(const wchar_t* iid)
    {
        RegistryUtils::QueryKeyAndReplaceIfNotTavoMessengerGUID(HKEY_CURRENT_USER, narrow(typeLibKey(hkcu, iid)));
    }
};

} // namespace

TEST_F(TypeLibRepairTest, AnyOtherDefaultValueIsReplacedByTheLibIdWithItsTerminatorAndTheRestStays)
{
    Bytes libIdAndOddByte = bytesOf(libId, false);
    libIdAndOddByte.push_back('x');
    const struct {
        const char* what;
        DWORD type;
        Bytes bytes;
    } rows[] = {
        {"the library in lower case", REG_SZ, bytesOf(lowerCaseLibId, true)},
        {"another library", REG_SZ, bytesOf(otherLibId, true)},
        {"a text longer than the first read", REG_SZ, bytesOf(std::wstring(300, L'a'), false)},
        {"a number", REG_DWORD, dword(1)},
        {"an empty text", REG_SZ, bytesOf(L"", true)},
        {"the library and more", REG_SZ, libIdAndOddByte},
    };
    ASSERT_TRUE(writeStringValue(HKEY_CURRENT_USER, typeLibKey(hkcu, IMessenger), L"Version", L"1.0", view64));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        setDefault(hkcu, IMessenger, row.bytes, row.type);
        clearLog();
        repair(IMessenger);
        EXPECT_EQ(bytesOf(libId, true), defaultOf(hkcu, IMessenger));
        EXPECT_THAT(log(), ElementsAre(L"Query key :" + typeLibKey(hkcu, IMessenger),
                                       L"Key found but Value is not equal to TavoMessenger GUID",
                                       L"Write TavoMessenger GUID " + libId,
                                       L"TavoMessenger GUID " + libId + L" written successfully"));
    }
    EXPECT_EQ(bytesOf(L"1.0", true), stored(HKEY_CURRENT_USER, typeLibKey(hkcu, IMessenger), L"Version", view64));
}

TEST_F(TypeLibRepairTest, LibIdWithoutTerminatorCountsAsCorrectAndAKeyWithoutDefaultOrNoKeyIsLeftAlone)
{
    setDefault(hkcu, IMessenger, bytesOf(libId, false));
    repair(IMessenger);
    EXPECT_EQ(bytesOf(libId, false), defaultOf(hkcu, IMessenger));
    ASSERT_TRUE(writeStringValue(HKEY_CURRENT_USER, typeLibKey(hkcu, IMessenger2), L"Version", L"1.0", view64));
    repair(IMessenger2);
    EXPECT_FALSE(defaultOf(hkcu, IMessenger2));
    repair(officeMessengerInterfaces[10]);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, hkcu.folder + std::wstring(officeMessengerInterfaces[10]), view64));
    EXPECT_THAT(log(), ElementsAre(L"Query key :" + typeLibKey(hkcu, IMessenger), L"Key found with TavoMessenger GUID",
                                   L"Query key :" + typeLibKey(hkcu, IMessenger2), L"Key not found",
                                   L"Query key :" + typeLibKey(hkcu, officeMessengerInterfaces[10]),
                                   L"Failed to open registry key", L"Key not found"));
}

TEST_F(TypeLibRepairTest, ReadingAnswersTheTextUpToTheFirstNulWhateverTheStoredBytes)
{
    Bytes libIdAndOddByte = bytesOf(libId, false);
    libIdAndOddByte.push_back('x');
    const std::wstring longText(300, L'a');
    const struct {
        const char* what;
        Bytes bytes;
        std::wstring expected;
    } rows[] = {
        {"terminated", bytesOf(L"abc", true), L"abc"},
        {"unterminated", bytesOf(L"abc", false), L"abc"},
        {"odd byte count", libIdAndOddByte, libId + L"x"},
        {"unterminated and longer than the first read", bytesOf(longText, false), longText},
        {"inner NUL", bytesOf(std::wstring(L"abc\0def", 7), true), L"abc"},
        {"no bytes", {}, L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        setDefault(hkcu, IMessenger, row.bytes);
        EXPECT_EQ(std::optional<std::wstring>(row.expected), RegistryUtils::ReadRegistryKeyStringValue(HKEY_CURRENT_USER, narrow(typeLibKey(hkcu, IMessenger))));
    }
    const std::string withoutDefault = narrow(typeLibKey(hkcu, IMessenger2));
    EXPECT_FALSE(RegistryUtils::ReadRegistryKeyStringValue(HKEY_CURRENT_USER, withoutDefault));
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, typeLibKey(hkcu, IMessenger2), view64));
    EXPECT_FALSE(RegistryUtils::ReadRegistryKeyStringValue(HKEY_CURRENT_USER, withoutDefault));
}

TEST_F(TypeLibRepairTest, WriterStoresTheTerminatorAndNeverCreatesTheKey)
{
    ASSERT_TRUE(createKey(HKEY_LOCAL_MACHINE, typeLibKey(hklm, IMessenger), view64));
    RegistryUtils::WriteTavoMessengerGUID(HKEY_LOCAL_MACHINE, narrow(typeLibKey(hklm, IMessenger)), libId);
    EXPECT_EQ(bytesOf(libId, true), defaultOf(hklm, IMessenger));
    clearLog();
    RegistryUtils::WriteTavoMessengerGUID(HKEY_CURRENT_USER, narrow(typeLibKey(hkcu, IMessenger)), libId);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, hkcu.folder + std::wstring(IMessenger), view64));
    const auto records = environment_.host().logRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(L"Failed to open registry key", records[0].message);
    EXPECT_EQ(3, records[0].hostLevel);
}

TEST_F(TypeLibRepairTest, StartupCheckRepairsEveryMessengerInterfaceInBothHivesAndBothViews)
{
    const std::pair<Place, const wchar_t*> repaired[] = {
        {hklm, IMessenger}, {hklmClassesWow, officeMessengerInterfaces[17]}, {hklmWowClasses, officeMessengerInterfaces[6]},
        {hkcu, officeMessengerInterfaces[0]}, {hkcuClassesWow, officeMessengerInterfaces[17]},
    };
    for (const auto& [place, iid] : repaired) setDefault(place, iid, bytesOf(otherLibId, true));
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, typeLibKey(hkcu, IMessenger2), view64));
    // Not looked at: the per-user tree has no Wow6432Node\Classes, and other interfaces are not Office's.
    setDefault(hkcuWowClasses, officeMessengerInterfaces[10], bytesOf(lowerCaseLibId, true));
    setDefault(hklm, unrelated, bytesOf(otherLibId, true));

    RegistryUtils::CheckMessengerInterfaceTypelibs();

    for (const auto& [place, iid] : repaired) EXPECT_EQ(bytesOf(libId, true), defaultOf(place, iid)) << narrow(iid);
    EXPECT_FALSE(defaultOf(hkcu, IMessenger2));
    EXPECT_EQ(bytesOf(lowerCaseLibId, true), defaultOf(hkcuWowClasses, officeMessengerInterfaces[10]));
    EXPECT_EQ(bytesOf(otherLibId, true), defaultOf(hklm, unrelated));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, typeLibKey(hkcuClassesWow, IMessenger), view64)) << "nothing created";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, typeLibKey(hklm, IMessenger2), view64));

    // Machine-wide first, three places per interface; then per user, two places each.
    const std::vector<std::wstring> messages = log();
    const auto userHeader = std::find(messages.begin(), messages.end(), L"Check values under HKEY_CURRENT_USER hive");
    ASSERT_NE(messages.end(), userHeader);
    const auto isQuery = [](const std::wstring& line) { return line.rfind(L"Query key :", 0) == 0; };
    EXPECT_EQ(54, std::count_if(messages.begin(), userHeader, isQuery));
    EXPECT_EQ(36, std::count_if(userHeader, messages.end(), isQuery));
    EXPECT_EQ(5, std::count(messages.begin(), messages.end(), L"TavoMessenger GUID " + libId + L" written successfully"));
}
