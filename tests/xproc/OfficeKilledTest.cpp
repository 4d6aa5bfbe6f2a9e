// Office killed while its sinks are advised: the module's next events go to a dead process. They must fail
// by themselves, and events to the next Office must still arrive, promptly.
#include "Programs.h"

namespace xproc {
namespace {

const DWORD promptMs = 10000; // far below the hang limit; the events themselves take milliseconds

TEST_F(OfficeAgainstHost, AKilledOfficeDoesNotStopEventsToTheNextOne)
{
    OfficeSim killed(contactArguments({Bo, Carla}) + L" --no-conversations --binding vtable --wait 120000");
    ASSERT_TRUE(killed.waiting()) << killed.output();
    killed.kill();

    // The module fires to the dead sinks; the host's own event call returns at once all the same.
    const ULONGLONG fired = GetTickCount64();
    ASSERT_TRUE(changePresence(Bo, "away")) << host_.output();
    EXPECT_LT(GetTickCount64() - fired, promptMs) << host_.output();

    OfficeSim next(contactArguments({Carla}) + L" --no-conversations --binding vtable --events 1 --wait 30000");
    ASSERT_TRUE(next.waiting()) << next.output();
    const std::size_t before = next.lineCount();
    const ULONGLONG changed = GetTickCount64();
    ASSERT_TRUE(changePresence(Carla, "dnd")) << host_.output();
    const auto event =
        next.waitForLine(L"DMessengerEvents.OnContactStatusChange carla.moreno@quillon.example: Do not disturb (114)", promptMs, before);
    ASSERT_TRUE(event.has_value()) << next.output();
    EXPECT_LT(next.lines()[*event].tick - changed, promptMs);
    EXPECT_EQ(std::optional<DWORD>(0), next.finish()) << next.output();
}

} // namespace
} // namespace xproc
