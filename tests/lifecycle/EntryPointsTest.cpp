#include "HostedModuleFixture.h"

#include "TavoMessengerLib.h"

#include <objbase.h>

namespace {

using EntryPointsTest = HostedModuleTest;

const CLSID unknownClass = {0x5e1a6f2c, 0x1d3b, 0x4c8e, {0x9a, 0x41, 0x27, 0x0b, 0x6c, 0x33, 0xd9, 0x10}};

// No class is served in-process, running or not: Office must come through the registered class objects.
void expectNoClassServed(LoadedModule& module)
{
    for (const CLSID* clsid : {&CLSID_Messenger, &CLSID_OfficeIntegrationImpl, &unknownClass}) {
        for (const IID* iid : {&IID_IClassFactory, &IID_IUnknown}) {
            void* object = reinterpret_cast<void*>(1);
            EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module.getClassObject(*clsid, *iid, &object));
            EXPECT_EQ(nullptr, object) << "the out-parameter was not cleared";
        }
    }
    EXPECT_EQ(E_POINTER, module.getClassObject(CLSID_Messenger, IID_IClassFactory, nullptr));
}

TEST_F(EntryPointsTest, DllGetClassObjectServesNoClassWhetherTheModuleRunsOrNot)
{
    expectNoClassServed(module());
    startAndWaitUntilPublished();
    expectNoClassServed(module());
    stopAndWait();
}

TEST_F(EntryPointsTest, AFreshlyLoadedModuleCanUnloadAndHasClearedUpAndRunning)
{
    EXPECT_EQ(S_OK, module().canUnloadNow());
    EXPECT_EQ(std::optional<DWORD>(0), readUpAndRunning());
}

} // namespace
