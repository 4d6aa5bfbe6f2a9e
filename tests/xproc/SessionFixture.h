#pragma once

// officesim's sessions and event handling against the fake provider APIs, in this process: the report's
// lines are kept for the test.

#include "FakeOfficeApis.h"

#include "officesim/CallWatch.h"
#include "officesim/Checker.h"
#include "officesim/EventMonitor.h"
#include "officesim/Output.h"
#include "officesim/Report.h"
#include "officesim/SessionSettings.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

namespace officesimtest {

class SessionFixture : public ::testing::Test {
protected:
    SessionFixture()
        : output_([this](const std::string& line) { lines_.push_back(line); }),
          report_(output_, false),
          watch_(20000, [](const std::wstring&, DWORD) {}),
          check_(report_, watch_),
          events_(check_, messenger_, uc_, GetTickCount64())
    {
        settings_.eventTimeoutMs = 300;
    }

    // The multithreaded apartment: an STA would make a window, and in Wine the first window of a session
    // starts explorer.exe, which keeps the test runner's pipes open. The sessions do not depend on it.
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }

    // Lines of the report that contain the text (UTF-8).
    std::size_t printed(const std::string& text) const
    {
        std::size_t count = 0;
        for (const std::string& line : lines_) count += line.find(text) != std::string::npos ? 1 : 0;
        return count;
    }
    std::string report() const
    {
        std::string text;
        for (const std::string& line : lines_) text += line + "\n";
        return text;
    }

    std::vector<std::string> lines_;
    officesim::Output output_;
    officesim::Report report_;
    officesim::CallWatch watch_;
    officesim::Checker check_;
    FakeMessengerApi messenger_;
    FakeUcApi uc_;
    officesim::EventMonitor events_;
    officesim::SessionSettings settings_;
};

} // namespace officesimtest
