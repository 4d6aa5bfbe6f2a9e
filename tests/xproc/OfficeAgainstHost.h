#pragma once

// Each scenario: the registry that hostsim's installation and the module write, saved, then put back; one
// hostsim process, ready before the scenario starts and made to quit after it (never killed: Wine's rpcss
// would keep a killed server's class registration and send later activations to it).

#include "Programs.h"

#include "SavedHostInstallation.h"

#include <gtest/gtest.h>

namespace xproc {

// The demo directory's people the scenarios use.
extern const wchar_t* const Bo;    // available, in the contact list
extern const wchar_t* const Carla; // away, in the contact list
extern const wchar_t* const CarlaEmail;
extern const wchar_t* const HiroEmail;

class OfficeAgainstHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // `presence <sign-in> <presence>` run by the host; true once hostsim has run it.
    bool changePresence(const wchar_t* signinName, const char* presence);

    registrytest::SavedHostInstallation registry_{besideTestProgram(L"TavoMessenger.dll"),
                                                  registrytest::SavedModuleRegistration::Start::AsFound};
    HostSim host_;
};

// Lines of officesim's that report an event as it came ("officesim: event +...") and contain `text`.
std::size_t countEvents(const ChildProcess& office, const std::wstring& text);

// "--contact <name>" for each name.
std::wstring contactArguments(std::initializer_list<const wchar_t*> names);

} // namespace xproc
