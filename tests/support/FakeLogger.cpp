#include "support/FakeLogger.h"

#include "support/FakeAnswers.h"

namespace fakehost {

FakeLogger::FakeLogger(std::shared_ptr<FakeHost> host) : FakeDispatchObject<ILogger>(std::move(host)) {}

HRESULT FakeLogger::WriteRecord(LONG level, BSTR file, LONG line, BSTR function, BSTR message)
{
    return answerAction(host(), HostMethod::WriteRecord, [&] {
        LogRecord record;
        record.hostLevel = level;
        record.file = stringOf(file);
        record.line = line;
        record.function = stringOf(function);
        record.message = stringOf(message);
        record.threadId = GetCurrentThreadId();
        host().recordLog(record);
        return S_OK;
    });
}

HRESULT FakeLogger::IsLevelEnabled(LONG level, VARIANT_BOOL* enabled)
{
    return answerValue<VARIANT_BOOL>(host(), HostMethod::IsLevelEnabled, enabled, [&] {
        return std::optional<VARIANT_BOOL>(host().enabledHostLevels().count(level) ? VARIANT_TRUE : VARIANT_FALSE);
    });
}

} // namespace fakehost
