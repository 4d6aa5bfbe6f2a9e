#pragma once

// The module's configuration: the flags word that the host client hands to the start export, exactly as
// given. Created once per server, shared by pointer and never changed, so any thread may read it.
// The one registry setting, DisableResolveContact, is read by RegistryUtils::isResolveContactEnabled.

#include <cstdint>

class Configuration
{
public:
    // Flag value 1: the UC authentication answer stays empty.
    static constexpr std::uint32_t EmptyAuthenticationInfoFlag = 1;
    // Flag value 2: phone mode.
    static constexpr std::uint32_t PhoneModeFlag = 2;

    explicit Configuration(std::uint32_t flags) noexcept : flags_(flags) {}

    std::uint32_t flags() const noexcept { return flags_; }
    bool emptiesAuthenticationInfo() const noexcept { return (flags_ & EmptyAuthenticationInfoFlag) != 0; }
    bool isPhoneMode() const noexcept { return (flags_ & PhoneModeFlag) != 0; }

private:
    const std::uint32_t flags_;
};
