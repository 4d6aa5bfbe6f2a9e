#include "ClassFactoryContainer.h"

void ClassFactoryContainer::setRegistration(const extensionsutils::MICComPtr<ClassFactory>& factory, DWORD messengerCookie,
                                            DWORD officeIntegrationCookie)
{
    extensionsutils::MICComPtr<ClassFactory> previous;
    vorn::MutexGuard guard(mutex);
    previous = classFactory_; // released after the mutex, never inside it
    classFactory_ = factory;
    messengerCookie_ = messengerCookie;
    officeIntegrationCookie_ = officeIntegrationCookie;
}

extensionsutils::MICComPtr<ClassFactory> ClassFactoryContainer::classFactory() const
{
    vorn::MutexGuard guard(mutex);
    return classFactory_;
}

DWORD ClassFactoryContainer::messengerCookie() const
{
    vorn::MutexGuard guard(mutex);
    return messengerCookie_;
}

DWORD ClassFactoryContainer::officeIntegrationCookie() const
{
    vorn::MutexGuard guard(mutex);
    return officeIntegrationCookie_;
}
