// Office killed while its sinks are advised: the module's next events go to a dead process. They must fail
// by themselves, and events to the next Office must still arrive, promptly.
#include "Programs.h"

namespace xproc {
namespace {

const DWORD promptMs = 10000; // far below the hang limit; the events themselves take milliseconds

TEST_F(OfficeAgainstHost, AKilledOfficeDoesNotStopEventsToTheNextOne)
{
    OfficeSim killed(contactArguments({Bo, Carla}) + L" --no-conversations --binding vtable --wait 120000");
    ASSERT_TRUE(killed.waiting()) << killed.process().output();
    killed.process().kill();

    // The module fires to the dead sinks; the host's own event call returns at once all the same.
    const ULONGLONG fired = GetTickCount64();
    ASSERT_TRUE(changePresence(Bo, "away")) << host_.process().output();
    EXPECT_LT(GetTickCount64() - fired, promptMs) << host_.process().output();

    OfficeSim next(contactArguments({Carla}) + L" --no-conversations --binding vtable --events 1 --wait 30000");
    ASSERT_TRUE(next.waiting()) << next.process().output();
    const std::size_t before = next.process().lineCount();
    const ULONGLONG changed = GetTickCount64();
    ASSERT_TRUE(changePresence(Carla, "dnd")) << host_.process().output();
    const std::optional<std::size_t> event = next.process().waitForLine(
        L"DMessengerEvents.OnContactStatusChange carla.moreno@quillon.example: Do not disturb (114)", promptMs, before);
    ASSERT_TRUE(event.has_value()) << next.process().output();
    EXPECT_LT(next.process().lines()[*event].tick - changed, promptMs);
    EXPECT_EQ(std::optional<DWORD>(0), next.finish()) << next.process().output();
}

} // namespace
} // namespace xproc
