#include "Workers.h"

#include "ClassFactory.h"
#include "logging/Results.h"
#include "logging/ModuleLogSink.h"
#include "utils/TypeLibraryHold.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/EventDelivery.h"

#include "TavoMessengerLib.h"

#include <atomic>
#include <memory>
#include <new>

namespace TavoMessengerStateWorkers {

namespace {

std::atomic<ClassObjectRegistrar> classObjectRegistrar{nullptr};

void sendDeliveryLogToHost()
{
    try {
        extensionsutils::EventDelivery::setLogSink(std::make_shared<ModuleLogSink>());
    } catch (const std::bad_alloc&) {
        // the delivery then logs nothing
    }
}

// Each shutdown event reaches the apartments that answer before the next is fired, so an Office process
// with sinks in several apartments sees them in the shutdown order, and all of them before the class
// objects go. An apartment that stopped answering is not waited for: it counts as stalled once its call
// has run for the stall limit. The waits of one shutdown share one deadline, the stall limit, so the
// shutdown takes at most about that long however many apartments hang, and not at all for one that was
// known stalled before.
class ShutdownDelivery
{
public:
    ShutdownDelivery() : startedAt_(GetTickCount()), bound_(extensionsutils::EventDelivery::stallLimit()) {}

    void await()
    {
        const DWORD waited = GetTickCount() - startedAt_;
        const DWORD left = waited < bound_ ? bound_ - waited : 0;
        if (extensionsutils::EventDelivery::waitUntilSettled(left) || reported_) return;
        reported_ = true;
        TAVO_LOG(3, "Shutdown events still undelivered after " << bound_ << " ms; going on regardless");
    }

    // What the delivery needed while the module ran, for whoever reads the log after a hang.
    static void logFigures()
    {
        const extensionsutils::EventDelivery::Figures figures = extensionsutils::EventDelivery::figures();
        TAVO_LOG(2, "Event delivery used at most " << figures.mostThreads << " threads; at most " << figures.mostWaiting
                                                   << " events waited for one apartment; " << figures.dropped
                                                   << " one-off events were dropped");
    }

private:
    const DWORD startedAt_;
    const DWORD bound_;
    bool reported_ = false;
};

// The shutdown events cannot hold up the revocation: nothing on their way throws, and should memory run out
// where it still could, the class objects are revoked all the same.
void shutDownApplication(const extensionsutils::MICComPtr<OfficeIntegrationImpl>& implementation)
{
    try {
        applicationShutdown(implementation);
    } catch (const std::exception&) {
        TAVO_LOG(4, "Shutdown events could not all be fired (out of memory); revoking regardless");
    }
}

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

std::optional<DWORD> publishMessenger(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration,
                                      std::shared_ptr<ClassFactoryContainer> container)
{
    sendDeliveryLogToHost();
    // Before any object can be handed to Office: from here on COM's marshaling never frees the library.
    if (FAILED(TypeLibraryHold::holdRegisteredLibrary()))
        TAVO_LOG(4, "Unable to load the registered type library; Office may not reach the module's objects");
    auto factory = extensionsutils::ComObject<ClassFactory>::create();
    if (!factory) return TAVO_FAIL(4, "newClassFactory->QueryInterface<IUnknown> failed", std::nullopt);
    factory->Initialize(workerThread, configuration);

    extensionsutils::ComPtr<IUnknown> unknown = factory.as<IUnknown>();
    if (!unknown) return TAVO_FAIL(4, "newClassFactory->QueryInterface<IUnknown> failed", std::nullopt);

    DWORD messengerCookie = 0;
    if (FAILED(registerClassObject(CLSID_Messenger, unknown.get(), &messengerCookie)))
        return TAVO_FAIL(4, "Could not register the Messenger class factory, releasing the factory and setting upandrunning to 0", 0);

    DWORD officeIntegrationCookie = 0;
    if (FAILED(registerClassObject(CLSID_OfficeIntegrationImpl, unknown.get(), &officeIntegrationCookie))) {
        TAVO_LOG(4, "Could not register the OfficeIntegrationImpl factory, releasing the factory and setting upandrunning to 0");
        auto temporary = std::make_shared<ClassFactoryContainer>();
        temporary->setRegistration(factory, messengerCookie, 0);
        revokeMessenger(temporary);
        return 0;
    }

    container->setRegistration(factory, messengerCookie, officeIntegrationCookie);
    return 2;
}

void revokeMessenger(std::shared_ptr<ClassFactoryContainer> container)
{
    TAVO_LOG(2, "About to begin revoking Messenger Class Factory");
    extensionsutils::MICComPtr<ClassFactory> factory = container ? container->classFactory() : nullptr;
    if (factory) {
        // No Office connects from here on: one that did would miss the shutdown events.
        factory->beginStop();
        auto implementation = factory->getImplementation();
        if (implementation) shutDownApplication(implementation);

        TAVO_LOG(2, "calling classFactory->Uninitialize()");
        factory->Uninitialize();

        const DWORD messengerCookie = container->messengerCookie();
        if (messengerCookie != 0 && FAILED(CoRevokeClassObject(messengerCookie)))
            TAVO_LOG(4, "Could not revoke Messenger class factory");
        const DWORD officeIntegrationCookie = container->officeIntegrationCookie();
        if (officeIntegrationCookie != 0 && FAILED(CoRevokeClassObject(officeIntegrationCookie)))
            TAVO_LOG(4, "Could not revoke OfficeIntegrationImpl class factory");
    }
    TAVO_LOG(2, "Revoking Messenger Class Factory complete");
}

void applicationShutdown(extensionsutils::MICComPtr<OfficeIntegrationImpl> implementation)
{
    TAVO_LOG(2, "about to start firing shutdown");
    if (!implementation) return TAVO_LOG(4, "Advanced messenger is NULL");
    // No Office advises from here on: a sink advised after the events were fired would never hear of them.
    implementation->refuseNewSinks();
    TAVO_LOG(2, "firing status change");
    ShutdownDelivery delivery;
    implementation->Fire_OnMyStatusChange(S_OK, MISTATUS_OFFLINE);
    delivery.await();
    TAVO_LOG(2, "firing application shutdown");
    implementation->Fire_OnAppShutdown();
    delivery.await();
    implementation->setClientSignedOut();
    delivery.await();
    implementation->Fire_OnShuttingDown();
    delivery.await();
    ShutdownDelivery::logFigures();
}

} // namespace TavoMessengerStateWorkers
