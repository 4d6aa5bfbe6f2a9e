#pragma once

// One run of officesim: find the provider and create the Messenger object as Office does, advise Office's
// event sinks, run the chosen sessions through each chosen binding, wait for change events and for the
// shutdown as asked, check that the objects Office still holds fail cleanly after the shutdown, and report.
//
// Construct, run and destroy it on the thread that initialised COM (an STA, as Office's UI thread, or the
// MTA); destroy it before CoUninitialize.

#include "officesim/CallWatch.h"
#include "officesim/Checker.h"
#include "officesim/EventMonitor.h"
#include "officesim/LateBoundMessengerApi.h"
#include "officesim/LateBoundUcApi.h"
#include "officesim/MessengerSession.h"
#include "officesim/OfficeSimOptions.h"
#include "common/ConsoleOutput.h"
#include "officesim/Report.h"
#include "officesim/UcSession.h"
#include "officesim/VtableMessengerApi.h"
#include "officesim/VtableUcApi.h"

namespace officesim {

enum ExitCode : int {
    ExitOk = 0,
    ExitViolations = 1,
    ExitCannotRun = 2,
    ExitHang = 3,
};

class OfficeSimulator {
public:
    // `onHang` runs on the hang watch's thread when a call has not returned in time (the program's ends it).
    OfficeSimulator(const OfficeSimOptions& options, tools::ConsoleOutput& output, CallWatch::HangHandler onHang);
    ~OfficeSimulator();
    OfficeSimulator(const OfficeSimulator&) = delete;
    OfficeSimulator& operator=(const OfficeSimulator&) = delete;

    int run();

    Report& report() { return report_; }

private:
    int checkNotRunning();
    bool connect();
    void runSessions();
    void waitForEvents();
    bool shutdownSeen() const;
    void checkShutdownEvents();
    void checkObjectsAfterShutdown();
    void waitForHostExit();
    int finish();

    const OfficeSimOptions& options_;
    Report report_;
    CallWatch watch_;
    Checker check_;
    VtableMessengerApi vtableMessenger_;
    LateBoundMessengerApi lateBoundMessenger_;
    VtableUcApi vtableUc_;
    LateBoundUcApi lateBoundUc_;
    const ULONGLONG startTick_;
    EventMonitor events_;
    extensionsutils::ComPtr<IUnknown> messenger_;
    MessengerSessionResult messengerResult_;
    UcSessionResult ucResult_;
    std::vector<std::wstring> ucPeople_; // whom the last UC session looked at
    std::size_t changeEventsBeforeWait_ = 0;
};

} // namespace officesim
