// The host client stopping and starting the module while Office holds its objects: Office is told of the
// shutdown, then every call on what it holds fails cleanly (or reports offline) and never hangs, also once
// the host process is gone; one host process can start, stop and start the module again; a host that
// unloads the module while Office holds its objects survives Office's later calls; and a host that ends
// without stopping the module ends at once.
#include "Programs.h"

namespace xproc {
namespace {

// An Office holding Bo's contact that expects the module to shut down under it.
const std::wstring shutdownSession = contactArguments({Bo}) + L" --no-conversations --expect-shutdown";

// The run ended well, and its shutdown events each came once, in this order.
void expectShutdownEvents(OfficeSim& run)
{
    ASSERT_EQ(std::optional<DWORD>(0), run.finish()) << run.output();
    const wchar_t* const events[] = {
        L"DMessengerEvents.OnMyStatusChange hr 0x00000000 (S_OK), status Offline (1)", L"DMessengerEvents.OnAppShutdown",
        L"_IUCCLyncClientEvents.OnStateChanged signed in (3) -> signed out (1)", L"_IUCOfficeIntegrationEvents.OnShuttingDown"};
    std::vector<int> seen;
    for (const OutputLine& line : run.lines())
        for (int i = 0; i < 4; ++i) if (isEvent(line.text, events[i])) seen.push_back(i);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), seen) << run.output();
}

// An Office finds no provider running.
void expectNotRunning()
{
    OfficeSim stopped(L"--expect-not-running --ready-timeout 1000");
    EXPECT_EQ(std::optional<DWORD>(0), stopped.finish()) << stopped.output();
    EXPECT_NE(std::wstring::npos, stopped.output().find(L"UpAndRunning 0")) << stopped.output();
}

TEST_F(OfficeAgainstHost, StoppingTheHostLeavesOfficesObjectsFailingCleanly)
{
    OfficeSim office(shutdownSession + L" --wait 30000");
    ASSERT_TRUE(office.waiting()) << office.output();
    ASSERT_TRUE(host_.run("stop")) << host_.output();
    expectShutdownEvents(office);
    // The host still runs, without the module: its class objects are gone, guarded calls fail (or say
    // offline while the module finishes stopping), lookups find nobody.
    expectLines(office, {{1, L"officesim:   CoCreateInstance(CLSID_Messenger): 0x8"}, {1, L"UpAndRunning 0"},
                         {1, L"officesim:   IMessenger.MyStatus: "}, {1, L"officesim:   IMessengerContact.Status: "},
                         {1, L"IMessenger.GetContact: 0x8100030A"}, {1, L"IUCCClient.State: 0x00000000 (S_OK), signed out"},
                         {1, L"IUCCContactManager.GetContactByUri: 0x8100030A"}});
}

TEST_F(OfficeAgainstHost, UnadvisingInAShutdownHandlerCostsTheNextOfficeNothing)
{
    // Both share the one Messenger object; the first advised first and leaves inside each shutdown event.
    OfficeSim first(shutdownSession + L" --unadvise-on-shutdown --wait 30000");
    ASSERT_TRUE(first.waiting()) << first.output();
    OfficeSim second(shutdownSession + L" --wait 30000");
    ASSERT_TRUE(second.waiting()) << second.output();
    ASSERT_TRUE(host_.run("stop")) << host_.output();
    expectShutdownEvents(first);
    expectShutdownEvents(second);
}

TEST_F(OfficeAgainstHost, WhenTheHostProcessEndsOfficeCallsFailWithoutHanging)
{
    OfficeSim office(shutdownSession + L" --wait 30000 --host-pid " + std::to_wstring(host_.processId()));
    ASSERT_TRUE(office.waiting()) << office.output();
    ASSERT_EQ(std::optional<DWORD>(0), host_.quit()) << host_.output();
    expectShutdownEvents(office);
    // Every call on a proxy of the ended process failed (no "as if the provider still ran"), none hung.
    expectLines(office,
                {{1, L"the host process has ended"}, {0, L"HANG"}, {1, L"IMessenger.MyStatus: 0x8"}, {1, L"IUCCClient.State: 0x8"}});
}

TEST_F(OfficeAgainstHost, OneHostProcessStartsStopsAndStartsTheModuleAgain)
{
    const std::wstring session = contactArguments({Bo}) + L" --no-conversations --binding vtable";
    OfficeSim first(session);
    EXPECT_EQ(std::optional<DWORD>(0), first.finish()) << first.output();
    ASSERT_TRUE(host_.run("stop")) << host_.output();
    expectNotRunning();
    const std::size_t restart = host_.lineCount();
    ASSERT_TRUE(host_.run("start") && host_.ready(30000, restart)) << host_.output();
    OfficeSim second(session);
    EXPECT_EQ(std::optional<DWORD>(0), second.finish()) << second.output();
    EXPECT_NE(std::wstring::npos, second.output().find(L"signed in as Anna Berg")) << second.output();
}

TEST_F(OfficeAgainstHost, TheHostSurvivesOfficeCallsAfterUnloadingTheModule)
{
    OfficeSim office(shutdownSession + L" --wait 30000");
    ASSERT_TRUE(office.waiting()) << office.output();
    ASSERT_TRUE(host_.run("unload")) << host_.output();
    expectLines(host_, {{1, L"hostsim: unloaded"}});
    expectShutdownEvents(office);
    expectLines(office, {{1, L"IUCCContactManager.GetContactByUri: 0x8100030A"}});
    EXPECT_TRUE(host_.running()) << "the host crashed after Office's calls:\n" << host_.output();
}

TEST_F(OfficeAgainstHost, AHostEndingWithoutAStopEndsAtOnceLeavingNoProvider)
{
    ASSERT_TRUE(host_.send("end-process"));
    EXPECT_EQ(std::optional<DWORD>(0), host_.waitForExit(5000)) << "the host did not end within 5 s:\n" << host_.output();
    expectNotRunning();
}

} // namespace
} // namespace xproc
