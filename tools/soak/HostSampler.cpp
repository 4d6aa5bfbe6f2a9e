#include "soak/HostSampler.h"

#include "soak/SoakHost.h"

#include <algorithm>

namespace soak {

namespace {

const DWORD sampleIntervalMs = 500;

} // namespace

HostSampler::HostSampler(fakehost::FakeHost& host) : host_(host)
{
    thread_ = std::thread([this] { run(); });
}

HostSampler::~HostSampler()
{
    stopping_ = true;
    thread_.join();
}

HostSample HostSampler::now() const
{
    HostSample sample;
    sample.liveObjects = host_.liveObjectCount();
    sample.listeners = static_cast<long>(host_.listenerCount());
    sample.contactConnections = static_cast<long>(host_.contactSinkCount());
    sample.privateBytes = privateBytes();
    return sample;
}

void HostSampler::run()
{
    while (!stopping_) {
        host_.forgetRecords();
        const HostSample sample = now();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            highest_.liveObjects = std::max(highest_.liveObjects, sample.liveObjects);
            highest_.listeners = std::max(highest_.listeners, sample.listeners);
            highest_.contactConnections = std::max(highest_.contactConnections, sample.contactConnections);
            highest_.privateBytes = std::max(highest_.privateBytes, sample.privateBytes);
        }
        Sleep(sampleIntervalMs);
    }
}

void HostSampler::markWarm()
{
    const unsigned long long bytes = privateBytes();
    std::lock_guard<std::mutex> lock(mutex_);
    warmBytes_ = bytes;
    highest_.privateBytes = bytes; // from now on the highest is the growth's measure
}

HostSample HostSampler::highest() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return highest_;
}

unsigned long long HostSampler::warmBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return warmBytes_;
}

} // namespace soak
