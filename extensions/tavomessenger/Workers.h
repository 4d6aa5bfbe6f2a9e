#pragma once

#include "ClassFactoryContainer.h"
#include "OfficeIntegrationImpl.h"
#include "Configuration.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/MICComPtr.h"

#include <memory>
#include <optional>

// The lifecycle work items of the local server. Each runs on the worker thread, inside a
// Tr1FunctionWorker, in the thread's multithreaded apartment.
namespace TavoMessengerStateWorkers {

// Creates the class factory and registers it under the Messenger and OfficeIntegrationImpl class ids
// for local-server activation; when a registration fails, nothing stays registered. Answers the
// UpAndRunning value that the outcome calls for: 2 once both are registered, 0 when a registration failed,
// none when no factory could be made (the value stays 1). The caller writes it, if the value is still its
// server's to write.
std::optional<DWORD> publishMessenger(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration,
                                      std::shared_ptr<ClassFactoryContainer> container);

// Refuses new connections, tells Office that the provider shuts down, uninitialises the factory and revokes
// both registrations (whatever happened to the shutdown events).
void revokeMessenger(std::shared_ptr<ClassFactoryContainer> container);

// Refuses new sinks, then fires the shutdown events of both Office APIs on the implementation that Office
// holds, each after the apartments that answer have the one before, within the stall limit in all.
void applicationShutdown(extensionsutils::MICComPtr<OfficeIntegrationImpl> implementation);

// How publishMessenger registers a class object (CoRegisterClassObject's form). Tests substitute one that
// fails; null restores CoRegisterClassObject.
using ClassObjectRegistrar = HRESULT(STDAPICALLTYPE*)(REFCLSID, IUnknown*, DWORD, DWORD, LPDWORD);
void setClassObjectRegistrar(ClassObjectRegistrar registrar);

} // namespace TavoMessengerStateWorkers
