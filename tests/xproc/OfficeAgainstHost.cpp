#include "OfficeAgainstHost.h"

namespace xproc {

const wchar_t* const Bo = L"bo.lindqvist@quillon.example";
const wchar_t* const Carla = L"carla.moreno@quillon.example";
const wchar_t* const CarlaEmail = L"carla.moreno@corp.example";
const wchar_t* const HiroEmail = L"hiro.tanaka@corp.example";

void OfficeAgainstHost::SetUp()
{
    ASSERT_TRUE(host_.process().started()) << "hostsim.exe did not start";
    ASSERT_TRUE(host_.ready()) << host_.process().output();
}

void OfficeAgainstHost::TearDown()
{
    if (!host_.running()) return;
    const std::optional<DWORD> exitCode = host_.quit();
    EXPECT_EQ(std::optional<DWORD>(0), exitCode) << "hostsim did not quit cleanly:\n" << host_.process().output();
}

bool OfficeAgainstHost::changePresence(const wchar_t* signinName, const char* presence)
{
    const std::wstring name(signinName);
    return host_.run("presence " + std::string(name.begin(), name.end()) + " " + presence);
}

std::size_t countEvents(const ChildProcess& office, const std::wstring& text)
{
    std::size_t count = 0;
    for (const OutputLine& line : office.lines()) {
        if (line.text.rfind(L"officesim: event +", 0) == 0 && line.text.find(text) != std::wstring::npos) ++count;
    }
    return count;
}

std::wstring contactArguments(std::initializer_list<const wchar_t*> names)
{
    std::wstring arguments;
    for (const wchar_t* name : names) arguments += L" --contact " + std::wstring(name);
    return arguments;
}

} // namespace xproc
