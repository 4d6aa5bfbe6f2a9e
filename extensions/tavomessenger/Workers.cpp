#include "Workers.h"

#include "ClassFactory.h"
#include "utils/Logging.h"
#include "utils/RegistryUtils.h"

#include "extensionsutils/ComObject.h"

#include "TavoMessengerLib.h"

#include <atomic>

namespace TavoMessengerStateWorkers {

namespace {

std::atomic<ClassObjectRegistrar> classObjectRegistrar{nullptr};

HRESULT registerClassObject(REFCLSID clsid, IUnknown* object, DWORD* cookie)
{
    ClassObjectRegistrar registrar = classObjectRegistrar.load();
    if (!registrar) registrar = CoRegisterClassObject;
    return registrar(clsid, object, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, cookie);
}

} // namespace

void setClassObjectRegistrar(ClassObjectRegistrar registrar)
{
    classObjectRegistrar.store(registrar);
}

void publishMessenger(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration,
                      std::shared_ptr<ClassFactoryContainer> container)
{
    auto factory = extensionsutils::ComObject<ClassFactory>::create();
    if (!factory) {
        TAVO_LOG(4, "newClassFactory->QueryInterface<IUnknown> failed");
        return;
    }
    factory->Initialize(workerThread, configuration);

    extensionsutils::ComPtr<IUnknown> unknown = factory.as<IUnknown>();
    if (!unknown) {
        TAVO_LOG(4, "newClassFactory->QueryInterface<IUnknown> failed");
        return;
    }

    DWORD messengerCookie = 0;
    if (FAILED(registerClassObject(CLSID_Messenger, unknown.get(), &messengerCookie))) {
        TAVO_LOG(4, "Could not register the Messenger class factory, releasing the factory and setting upandrunning to 0");
        RegistryUtils::SetUpAndRunning(0);
        return;
    }

    DWORD officeIntegrationCookie = 0;
    if (FAILED(registerClassObject(CLSID_OfficeIntegrationImpl, unknown.get(), &officeIntegrationCookie))) {
        TAVO_LOG(4, "Could not register the OfficeIntegrationImpl factory, releasing the factory and setting upandrunning to 0");
        auto temporary = std::make_shared<ClassFactoryContainer>();
        temporary->setRegistration(factory, messengerCookie, 0);
        revokeMessenger(temporary);
        RegistryUtils::SetUpAndRunning(0);
        return;
    }

    container->setRegistration(factory, messengerCookie, officeIntegrationCookie);
    RegistryUtils::SetUpAndRunning(2);
}

void revokeMessenger(std::shared_ptr<ClassFactoryContainer> container)
{
    TAVO_LOG(2, "About to begin revoking Messenger Class Factory");
    extensionsutils::MICComPtr<ClassFactory> factory = container ? container->classFactory() : nullptr;
    if (factory) {
        auto implementation = factory->getImplementation();
        if (implementation) applicationShutdown(implementation);

        TAVO_LOG(2, "calling classFactory->Uninitialize()");
        factory->Uninitialize();

        const DWORD messengerCookie = container->messengerCookie();
        if (messengerCookie != 0 && FAILED(CoRevokeClassObject(messengerCookie))) {
            TAVO_LOG(4, "Could not revoke Messenger class factory");
        }
        const DWORD officeIntegrationCookie = container->officeIntegrationCookie();
        if (officeIntegrationCookie != 0 && FAILED(CoRevokeClassObject(officeIntegrationCookie))) {
            TAVO_LOG(4, "Could not revoke OfficeIntegrationImpl class factory");
        }
    }
    TAVO_LOG(2, "Revoking Messenger Class Factory complete");
}

void applicationShutdown(extensionsutils::MICComPtr<OfficeIntegrationImpl> implementation)
{
    TAVO_LOG(2, "about to start firing shutdown");
    if (!implementation) {
        TAVO_LOG(4, "Advanced messenger is NULL");
        return;
    }
    TAVO_LOG(2, "firing status change");
    implementation->Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE);
    TAVO_LOG(2, "firing application shutdown");
    implementation->Fire_OnAppShutdown();
    implementation->setClientSignedOut();
    implementation->Fire_OnShuttingDown();
}

} // namespace TavoMessengerStateWorkers
