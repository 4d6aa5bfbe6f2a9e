#include "HostLogCapture.h"
#include "support/RawRegistry.h"
#include "support/SavedRegistryKey.h"

#include "utils/RegistryUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace registrytest;
using ::testing::ElementsAre;

namespace {

const std::wstring libId = L"{31F0215E-C543-4EE3-B6F0-03AC36815648}";
const std::wstring lowerCaseLibId = L"{31f0215e-c543-4ee3-b6f0-03ac36815648}";
const std::wstring otherLibId = L"{E02AD29E-80F5-46C6-B416-9B3EBDDF057E}";

const wchar_t* const messengerInterfaces[] = {
    L"{086F69C0-2FBD-46B3-BE50-EC401AB86099}", L"{2E50547B-A8AA-4F60-B57E-1F414711007B}",
    L"{2E50547C-A8AA-4F60-B57E-1F414711007B}", L"{53A5023D-6872-454A-9A4F-827F18CFBE02}",
    L"{7C613A61-0633-4C69-AFF0-5BA9F1D28887}", L"{7C95459B-C8E7-4605-B641-45EB06866659}",
    L"{C9A6A6B6-9BC1-43A5-B06B-E58874EEBC96}", L"{D21454F8-43E3-4D64-B1E3-84911BAF207D}",
    L"{D50C3186-0F89-48F8-B204-3604629DEE10}", L"{D50C3286-0F89-48F8-B204-3604629DEE10}",
    L"{D50C3386-0F89-48F8-B204-3604629DEE10}", L"{D6B0E4C8-FAD6-4885-B271-0DC5A584ADF8}",
    L"{D6B0E4C9-FAD6-4885-B271-0DC5A584ADF8}", L"{DA0635E8-09AF-480C-88B2-AA9FA1D9DB27}",
    L"{E1AF1028-B884-44CB-A535-1C3C11A3D1DB}", L"{E1AF1038-B884-44CB-A535-1C3C11A3D1DB}",
    L"{E7479A0D-BB19-44A5-968F-6F41D93EE0BC}", L"{E7479A0F-BB19-44A5-968F-6F41D93EE0BC}",
};
const wchar_t* const IMessengerContactAdvanced = messengerInterfaces[0];
const wchar_t* const DMessengerEvents = messengerInterfaces[6];
const wchar_t* const IMessenger = messengerInterfaces[8];
const wchar_t* const IMessenger2 = messengerInterfaces[9];
const wchar_t* const IMessenger3 = messengerInterfaces[10];
const wchar_t* const IMessengerContact = messengerInterfaces[17];
const wchar_t* const unrelatedInterface = L"{0BADF00D-0F89-48F8-B204-3604629DEE10}";

struct Place {
    HKEY hive;
    const wchar_t* interfaceFolder;
};
const Place hklmClasses{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Interface\\"};
const Place hklmClassesWow{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Wow6432Node\\Interface\\"};
const Place hklmWowClasses{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Classes\\Interface\\"};
const Place hkcuClasses{HKEY_CURRENT_USER, L"SOFTWARE\\Classes\\Interface\\"};
const Place hkcuClassesWow{HKEY_CURRENT_USER, L"SOFTWARE\\Classes\\Wow6432Node\\Interface\\"};
const Place hkcuWowClasses{HKEY_CURRENT_USER, L"SOFTWARE\\Wow6432Node\\Classes\\Interface\\"};
const Place allPlaces[] = {hklmClasses, hklmClassesWow, hklmWowClasses, hkcuClasses, hkcuClassesWow, hkcuWowClasses};

// The module opens these entries in the 64-bit view; so do the tests.
const REGSAM view64 = KEY_WOW64_64KEY;

std::wstring typeLibKey(const Place& place, const wchar_t* iid) { return std::wstring(place.interfaceFolder) + iid + L"\\TypeLib"; }
std::wstring queryLine(const Place& place, const wchar_t* iid) { return L"Query key :" + typeLibKey(place, iid); }
std::string narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

std::vector<BYTE> defaultValueBytes(const Place& place, const wchar_t* iid)
{
    RawValue value;
    if (!readRawValue(place.hive, typeLibKey(place, iid), nullptr, value, view64)) return {};
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type);
    return value.data;
}

class TypeLibRepairTest : public ::testing::Test
{
protected:
    TypeLibRepairTest()
    {
        for (const Place& place : allPlaces) {
            for (const wchar_t* iid : messengerInterfaces) save(place, iid);
            save(place, unrelatedInterface);
        }
    }

    void SetUp() override
    {
        for (const auto& saved : saved_) saved->clear();
    }

    void setDefault(const Place& place, const wchar_t* iid, const std::wstring& text)
    {
        const std::vector<BYTE> bytes = bytesOf(text, true);
        setRawDefault(place, iid, REG_SZ, bytes);
    }
    void setRawDefault(const Place& place, const wchar_t* iid, DWORD type, const std::vector<BYTE>& bytes)
    {
        ASSERT_TRUE(writeRawValue(place.hive, typeLibKey(place, iid), nullptr, type, bytes.data(),
                                  static_cast<DWORD>(bytes.size()), view64));
    }

    void repair(const Place& place, const wchar_t* iid)
    {
        RegistryUtils::QueryKeyAndReplaceIfNotTavoMessengerGUID(place.hive, narrow(typeLibKey(place, iid)));
    }

private:
    void save(const Place& place, const wchar_t* iid)
    {
        saved_.push_back(std::make_unique<SavedRegistryKey>(place.hive, std::wstring(place.interfaceFolder) + iid, view64));
    }

    std::vector<std::unique_ptr<SavedRegistryKey>> saved_;

protected:
    HostLogCapture log_;
};

} // namespace

TEST_F(TypeLibRepairTest, AnyOtherDefaultValueIsReplacedByTheLibIdWithItsTerminatorAndTheRestStays)
{
    std::vector<BYTE> libIdAndOddByte = bytesOf(libId, false);
    libIdAndOddByte.push_back('x');
    const struct {
        const char* what;
        DWORD type;
        std::vector<BYTE> bytes;
    } rows[] = {
        {"the library in lower case", REG_SZ, bytesOf(lowerCaseLibId, true)},
        {"another library", REG_SZ, bytesOf(otherLibId, true)},
        {"a text longer than the first read", REG_SZ, bytesOf(std::wstring(300, L'a'), false)},
        {"a number", REG_DWORD, {1, 0, 0, 0}},
        {"an empty text", REG_SZ, bytesOf(L"", true)},
        {"the library and more", REG_SZ, libIdAndOddByte},
    };
    ASSERT_TRUE(writeStringValue(HKEY_CURRENT_USER, typeLibKey(hkcuClasses, IMessenger), L"Version", L"1.0", view64));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        setRawDefault(hkcuClasses, IMessenger, row.type, row.bytes);
        log_.host().clearLog();
        repair(hkcuClasses, IMessenger);
        EXPECT_EQ(bytesOf(libId, true), defaultValueBytes(hkcuClasses, IMessenger));
        EXPECT_THAT(log_.messages(),
                    ElementsAre(queryLine(hkcuClasses, IMessenger), L"Key found but Value is not equal to TavoMessenger GUID",
                                L"Write TavoMessenger GUID " + libId, L"TavoMessenger GUID " + libId + L" written successfully"));
    }
    RawValue version;
    ASSERT_TRUE(readRawValue(HKEY_CURRENT_USER, typeLibKey(hkcuClasses, IMessenger), L"Version", version, view64));
    EXPECT_EQ(bytesOf(L"1.0", true), version.data);
}

TEST_F(TypeLibRepairTest, LibIdWithoutTerminatorCountsAsCorrectAndAKeyWithoutDefaultOrNoKeyIsLeftAlone)
{
    setRawDefault(hkcuClasses, IMessenger, REG_SZ, bytesOf(libId, false));
    repair(hkcuClasses, IMessenger);
    EXPECT_EQ(bytesOf(libId, false), defaultValueBytes(hkcuClasses, IMessenger));

    ASSERT_TRUE(writeStringValue(HKEY_CURRENT_USER, typeLibKey(hkcuClasses, IMessenger2), L"Version", L"1.0", view64));
    repair(hkcuClasses, IMessenger2);
    RawValue value;
    EXPECT_FALSE(readRawValue(HKEY_CURRENT_USER, typeLibKey(hkcuClasses, IMessenger2), nullptr, value, view64));
    repair(hkcuClasses, IMessenger3);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, std::wstring(hkcuClasses.interfaceFolder) + IMessenger3, view64));

    EXPECT_THAT(log_.messages(),
                ElementsAre(queryLine(hkcuClasses, IMessenger), L"Key found with TavoMessenger GUID",
                            queryLine(hkcuClasses, IMessenger2), L"Key not found", queryLine(hkcuClasses, IMessenger3),
                            L"Failed to open registry key", L"Key not found"));
}

TEST_F(TypeLibRepairTest, ReadingAnswersTheTextUpToTheFirstNulWhateverTheStoredBytes)
{
    std::vector<BYTE> libIdAndOddByte = bytesOf(libId, false);
    libIdAndOddByte.push_back('x');
    const std::wstring longText(300, L'a');
    const struct {
        const char* what;
        std::vector<BYTE> bytes;
        std::wstring expected;
    } rows[] = {
        {"terminated", bytesOf(L"abc", true), L"abc"},
        {"unterminated", bytesOf(L"abc", false), L"abc"},
        {"odd byte count", libIdAndOddByte, libId + L"x"},
        {"unterminated and longer than the first read", bytesOf(longText, false), longText},
        {"inner NUL", bytesOf(std::wstring(L"abc\0def", 7), true), L"abc"},
        {"no bytes", {}, L""},
    };
    const std::string key = narrow(typeLibKey(hkcuClasses, IMessenger));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        setRawDefault(hkcuClasses, IMessenger, REG_SZ, row.bytes);
        EXPECT_EQ(row.expected, RegistryUtils::ReadRegistryKeyStringValue(HKEY_CURRENT_USER, key));
    }
    const std::string withoutDefault = narrow(typeLibKey(hkcuClasses, IMessenger2));
    EXPECT_FALSE(RegistryUtils::ReadRegistryKeyStringValue(HKEY_CURRENT_USER, withoutDefault));
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, typeLibKey(hkcuClasses, IMessenger2), view64));
    EXPECT_FALSE(RegistryUtils::ReadRegistryKeyStringValue(HKEY_CURRENT_USER, withoutDefault));
}

TEST_F(TypeLibRepairTest, WriterStoresTheTerminatorAndNeverCreatesTheKey)
{
    const std::wstring key = typeLibKey(hklmClasses, IMessenger);
    ASSERT_TRUE(createKey(HKEY_LOCAL_MACHINE, key, view64));
    RegistryUtils::WriteTavoMessengerGUID(HKEY_LOCAL_MACHINE, narrow(key), libId);
    EXPECT_EQ(bytesOf(libId, true), defaultValueBytes(hklmClasses, IMessenger));
    log_.host().clearLog();

    RegistryUtils::WriteTavoMessengerGUID(HKEY_CURRENT_USER, narrow(typeLibKey(hkcuClasses, IMessenger)), libId);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, std::wstring(hkcuClasses.interfaceFolder) + IMessenger, view64));
    const auto records = log_.host().logRecords();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(L"Failed to open registry key", records[0].message);
    EXPECT_EQ(3, records[0].hostLevel);
}

TEST_F(TypeLibRepairTest, StartupCheckRepairsEveryMessengerInterfaceInBothHivesAndBothViews)
{
    struct Entry {
        Place place;
        const wchar_t* iid;
    };
    const Entry repaired[] = {
        {hklmClasses, IMessenger},  {hklmClassesWow, IMessengerContact},        {hklmWowClasses, DMessengerEvents},
        {hkcuClasses, IMessengerContactAdvanced}, {hkcuClassesWow, IMessengerContact},
    };
    for (const Entry& entry : repaired) setDefault(entry.place, entry.iid, otherLibId);
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, typeLibKey(hkcuClasses, IMessenger2), view64));
    // Not looked at: the per-user tree has no Wow6432Node\Classes, and other interfaces are not Office's.
    setDefault(hkcuWowClasses, IMessenger3, lowerCaseLibId);
    setDefault(hklmClasses, unrelatedInterface, otherLibId);

    RegistryUtils::CheckMessengerInterfaceTypelibs();

    for (const Entry& entry : repaired) {
        SCOPED_TRACE(narrow(typeLibKey(entry.place, entry.iid)));
        EXPECT_EQ(bytesOf(libId, true), defaultValueBytes(entry.place, entry.iid));
    }
    RawValue value;
    EXPECT_FALSE(readRawValue(HKEY_CURRENT_USER, typeLibKey(hkcuClasses, IMessenger2), nullptr, value, view64));
    EXPECT_EQ(bytesOf(lowerCaseLibId, true), defaultValueBytes(hkcuWowClasses, IMessenger3));
    EXPECT_EQ(bytesOf(otherLibId, true), defaultValueBytes(hklmClasses, unrelatedInterface));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, typeLibKey(hkcuClassesWow, IMessenger), view64)) << "nothing created";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, typeLibKey(hklmClasses, IMessenger2), view64));

    // Machine-wide first, three places per interface; then per user, two places each.
    const std::vector<std::wstring> messages = log_.messages();
    const auto userHeader = std::find(messages.begin(), messages.end(), L"Check values under HKEY_CURRENT_USER hive");
    ASSERT_NE(messages.end(), userHeader);
    const auto isQuery = [](const std::wstring& line) { return line.rfind(L"Query key :", 0) == 0; };
    EXPECT_EQ(54, std::count_if(messages.begin(), userHeader, isQuery));
    EXPECT_EQ(36, std::count_if(userHeader, messages.end(), isQuery));
    EXPECT_EQ(5, std::count(messages.begin(), messages.end(), L"TavoMessenger GUID " + libId + L" written successfully"));
}
