#include "IUCOfficeIntegration/UCOfficeIntegrationImpl.h"

#include "IUCOfficeIntegration/Answer.h"
#include "logging/Results.h"

#include "extensionsutils/Utf8.h"

#include <string>

namespace {

// Office versions that are told to authenticate; the answer is the opening tag alone, as Office expects it.
const char* const authenticatedVersions[] = {"14.0.0.0", "15.0.0.0", "16.0.0.0"};
const wchar_t* const authenticationAnswer = L"<authenticationinfo>";

bool isAuthenticatedVersion(const std::string& version)
{
    for (const char* known : authenticatedVersions) {
        if (version == known) return true;
    }
    return false;
}

} // namespace

UCOfficeIntegrationImpl::UCOfficeIntegrationImpl()
    : lyncClient_(UCCLyncClient::create()),
      automation(extensionsutils::ComObject<UCCAutomation>::create())
{
}

// Members go in reverse order: the configuration, then the automation object, then the client object.
UCOfficeIntegrationImpl::~UCOfficeIntegrationImpl() = default;

HRESULT UCOfficeIntegrationImpl::GetSupportedFeatures(BSTR, OIFeature* features)
{
    if (!features) return E_POINTER;
    vorn::SharedGuard guard(lock);
    TAVO_LOG(1, "Supported features requested");
    *features = static_cast<OIFeature>(SupportedFeatures);
    return S_OK;
}

HRESULT UCOfficeIntegrationImpl::GetAuthenticationInfo(BSTR version, BSTR* info)
try {
    if (!info) return E_POINTER;
    vorn::SharedGuard guard(lock);
    const std::string narrowVersion = extensionsutils::toUtf8(version, SysStringLen(version));
    const bool flagged = configuration && configuration->emptiesAuthenticationInfo();
    const bool authenticated = !flagged && isAuthenticatedVersion(narrowVersion);
    const HRESULT hr = answerString(authenticated ? authenticationAnswer : L"", info);
    TAVO_LOG(2, "Office version " << narrowVersion << " authenticated against ZERadivuvarided");
    return hr;
}
TAVO_CATCH_RETURN

HRESULT UCOfficeIntegrationImpl::GetInterface(BSTR, OIInterface requested, IDispatch** value)
{
    vorn::SharedGuard guard(lock);
    switch (requested) {
    case oiInterfaceIUCCLyncClient:
        return getLyncClientDispatch(value);
    case oiInterfaceIUCCAutomation:
        return getAutomationDispatch(value);
    default:
        return E_NOTIMPL;
    }
}

HRESULT UCOfficeIntegrationImpl::getLyncClientDispatch(IDispatch** value)
{
    TAVO_LOG(1, "ILyncClient instance requested");
    if (!lyncClient_) return E_NOTIMPL;
    return lyncClient_.copyTo<IDispatch>(value);
}

HRESULT UCOfficeIntegrationImpl::getAutomationDispatch(IDispatch** value)
{
    TAVO_LOG(1, "IAutomation instance requested");
    if (!automation) return E_NOTIMPL;
    return automation.copyTo<IDispatch>(value);
}

void UCOfficeIntegrationImpl::initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> config,
                                         std::shared_ptr<ContactResolver> contactResolver,
                                         std::shared_ptr<HostObjectHolds> holds)
{
    vorn::ExclusiveGuard guard(lock);
    configuration = std::move(config);
    if (lyncClient_) lyncClient_->initialise(std::move(workerThread), std::move(contactResolver), std::move(holds));
}

void UCOfficeIntegrationImpl::uninitialise()
{
    vorn::ExclusiveGuard guard(lock);
    // The client gives the resolver back too: an unanswered resolution must not keep this object alive.
    if (lyncClient_) lyncClient_->disconnect();
}

extensionsutils::MICComPtr<UCCLyncClient> UCOfficeIntegrationImpl::lyncClient()
{
    vorn::SharedGuard guard(lock);
    return lyncClient_;
}
