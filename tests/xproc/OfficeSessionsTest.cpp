// Office's sessions against the module running in hostsim, each side in a process of its own: both APIs,
// through the virtual tables and late-bound, with the host changing presence while Office listens; and an
// Office of the other bitness against the same module.
#include "Programs.h"
#include "RawRegistry.h"

namespace xproc {
namespace {

const std::wstring session = L"--resolve " + std::wstring(CarlaEmail) + L" --lookup " + HiroEmail + contactArguments({Bo, Carla});

TEST_F(OfficeAgainstHost, BothOfficeApisAnswerEitherWayAcrossProcesses)
{
    // One change, two events: the Messenger API's status change and the UC API's information change.
    OfficeSim office(session + L" --events 2 --wait 30000");
    ASSERT_TRUE(office.waiting()) << office.output();
    ASSERT_TRUE(changePresence(Bo, "away \"Back in ten minutes\"")) << host_.output();

    ASSERT_EQ(std::optional<DWORD>(0), office.finish()) << office.output();
    expectLines(office, {{2, L"== Office 2010 session (Messenger API)"}, {2, L"== Office 2013/2016 session (UC API)"},
                         {2, L"ResolveContact(carla.moreno@corp.example): OnContactResolved -> carla.moreno@quillon.example"},
                         {2, L"OnLookup -> sip:hiro.tanaka@quillon.example, succeeded"},
                         {1, L"DMessengerEvents.OnContactStatusChange bo.lindqvist@quillon.example: Away (34)", true},
                         {1, L"OnContactInformationChanged sip:bo.lindqvist@quillon.example: ", true},
                         {1, L"availability now 15500", true}, {1, L"0 contract violations"}});
    // Each binding of each API started a chat and a call with the first person.
    ASSERT_TRUE(host_.run("activity")) << host_.output();
    expectLines(host_, {{1, L"hostsim: 8 conversation(s) asked for"}, {4, L"  a chat with bo.lindqvist@quillon.example"},
                        {4, L"  a call to bo.lindqvist@quillon.example"}});
}

#ifdef TAVO_PEER_OFFICESIM
// The other platform's registration of the library, as an installer of a 64-bit provider writes it for
// 32-bit Office: win32, with the library built for that platform. (A 64-bit client reads a win32
// registration by itself.)
HRESULT registerLibraryForThirtyTwoBitClients()
{
    const std::wstring key = L"Software\\Classes\\TypeLib\\{31F0215E-C543-4EE3-B6F0-03AC36815648}\\1.0\\0\\win32";
    return registrytest::writeStringValue(HKEY_LOCAL_MACHINE, key, nullptr, besideThisProgram(L"TavoMessengerLib-i686.tlb"))
               ? S_OK : E_FAIL;
}

TEST_F(OfficeAgainstHost, AnOfficeOfTheOtherBitnessWorksWithTheModule)
{
    const std::wstring peer = TAVO_PEER_OFFICESIM;
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(besideThisProgram(peer.c_str()).c_str()))
        << "the other architecture's officesim was not built";
    if (sizeof(void*) == 8) {
        ASSERT_EQ(S_OK, registerLibraryForThirtyTwoBitClients());
    }
    OfficeSim office(session + L" --no-conversations --events 2 --wait 30000", peer);
    ASSERT_TRUE(office.waiting()) << office.output();
    ASSERT_TRUE(changePresence(Carla, "dnd")) << host_.output();

    ASSERT_EQ(std::optional<DWORD>(0), office.finish()) << office.output();
    expectLines(office, {{1, sizeof(void*) == 4 ? L"STA, 64-bit" : L"STA, 32-bit"},
                         {2, L"OnContactResolved -> carla.moreno@quillon.example"},
                         {2, L"OnLookup -> sip:hiro.tanaka@quillon.example, succeeded"},
                         {1, L"DMessengerEvents.OnContactStatusChange carla.moreno@quillon.example: Do not disturb (114)", true},
                         {1, L"OnContactInformationChanged sip:carla.moreno@quillon.example: ", true}, {1, L"0 contract violations"}});
}
#endif

} // namespace
} // namespace xproc
