#include "soak/PresenceStorm.h"

#include "soak/SoakPeople.h"

#include <numeric>

namespace soak {

namespace {

const long PresenceChangeCode = 4;

} // namespace

PresenceStorm::PresenceStorm(fakehost::FakeHost& host, int watched, DWORD periodMs)
    : host_(host), watched_(watched), periodMs_(periodMs), fired_(static_cast<std::size_t>(watched), 0),
      firedAt_(static_cast<std::size_t>(watched))
{
}

PresenceStorm::~PresenceStorm()
{
    stop();
}

void PresenceStorm::start()
{
    if (watched_ == 0 || thread_.joinable()) return;
    stopping_ = false;
    thread_ = std::thread([this] {
        while (!stopping_) {
            fireNext();
            Sleep(periodMs_);
        }
    });
}

void PresenceStorm::stop()
{
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

void PresenceStorm::fire(int count, DWORD pauseMs)
{
    for (int i = 0; i < count && watched_ > 0; ++i) {
        if (i > 0 && pauseMs > 0) Sleep(pauseMs);
        fireNext();
    }
}

void PresenceStorm::fireNext()
{
    const int contact = next_;
    next_ = (next_ + 1) % watched_;
    const long step = ++fired_[static_cast<std::size_t>(contact)];
    firedAt_[static_cast<std::size_t>(contact)].push_back(GetTickCount64());
    const std::wstring name = contactSigninName(contact);
    host_.setPresence(name, PresenceCycle[step % CycleLength], L"Soak change " + std::to_wstring(step));
    host_.firePresenceChanged(name);
    host_.fireContactChanged(name, {PresenceChangeCode});
}

long PresenceStorm::firedTotal() const
{
    return std::accumulate(fired_.begin(), fired_.end(), 0L);
}

long PresenceStorm::lastStatus(int contact) const
{
    long status = StatusCycle[0];
    for (long i = 0; i < fired(contact); ++i) status = nextStatus(status);
    return status;
}

} // namespace soak
