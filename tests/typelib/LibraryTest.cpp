// The library as a whole: its identity, the families of types it declares beside the implemented
// interfaces, and the soundness of every description in it (each one readable, each named type present).
#include "ModuleTypeLibraryTest.h"

#include "TavoMessengerLib.h"

#include <functional>
#include <string>
#include <vector>

namespace typelib_test {
namespace {

const GUID kAutomationStandardLibrary = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

enum class Family { kDual, kDispatchOnly, kCustom, kClass };

struct Declared {
    const char* name;
    Family family;
};

const std::vector<Declared>& declaredTypes()
{
    static const std::vector<Declared> types = {
        {"ITavoExtensionIMAndPresenceEvents", Family::kDual},
        {"TavoExtensionIMAndPresenceEvents", Family::kClass},
        {"IMessenger", Family::kDual},
        {"IMessenger2", Family::kDual},
        {"IMessenger3", Family::kDual},
        {"IMessengerAdvanced", Family::kDual},
        {"IMessengerContactResolution", Family::kDual},
        {"IMessengerContact", Family::kDual},
        {"IMessengerContactAdvanced", Family::kDual},
        {"IMessengerContacts", Family::kDual},
        {"IMessengerServices", Family::kDual},
        {"IMessengerService", Family::kDual},
        {"IMessengerGroups", Family::kDual},
        {"IMessengerGroup", Family::kDual},
        {"IMessengerWindow", Family::kDual},
        {"IMessengerConversationWnd", Family::kDual},
        {"IMessengerConversationWndAdvanced", Family::kDual},
        {"IMessengerPrivate", Family::kDual},
        {"IMsgrSessionManager", Family::kDual},
        {"IMsgrSession", Family::kDual},
        {"DMessengerEvents", Family::kDispatchOnly},
        {"DMessengerPrivateEvents", Family::kDispatchOnly},
        {"DMsgrSessionManagerEvents", Family::kDispatchOnly},
        {"DMsgrSessionEvents", Family::kDispatchOnly},
        {"Messenger", Family::kClass},
        {"TavoMessengerContact", Family::kClass},
        {"TavoMessengerContactResolution", Family::kClass},
        {"TavoMessengerContacts", Family::kClass},
        {"TavoMessengerGroup", Family::kClass},
        {"TavoMessengerGroups", Family::kClass},
        {"TavoMessengerPrivate", Family::kClass},
        {"TavoMessengerService", Family::kClass},
        {"TavoMessengerServices", Family::kClass},
        {"TavoMessengerWindow", Family::kClass},
        {"IUCOfficeIntegration", Family::kDual},
        {"_IUCOfficeIntegrationEvents", Family::kDispatchOnly},
        {"IUCOfficeIntegrationHelper", Family::kCustom},
        {"OfficeIntegrationImpl", Family::kClass},
        {"_IUCCSelfEvents", Family::kDispatchOnly},
        {"IClassFactory", Family::kCustom},
    };
    return types;
}

const char* const kMemberlessEventInterfaces[] = {
    "_ITavoMessengerAdvancedEvents", "_ITavoMessengerExtensionBrokerEvents", "_ITavoMessengerContactEvents",
    "_ITavoMessengerContactResolutionEvents", "_ITavoMessengerContactsEvents", "_ITavoMessengerGroupEvents",
    "_ITavoMessengerGroupsEvents", "_ITavoMessengerPrivateEvents", "_ITavoMessengerServiceEvents",
    "_ITavoMessengerServicesEvents", "_ITavoMessengerWindowEvents",
};

class TypeLibraryTest : public ModuleTypeLibraryTest {
protected:
    // Every type of the library, with the interface side of each dual interface as a type of its own.
    void forEachType(const std::function<void(ITypeInfo*)>& visit)
    {
        for (UINT index = 0; index < library()->GetTypeInfoCount(); ++index) {
            ITypeInfo* type = nullptr;
            ASSERT_EQ(library()->GetTypeInfo(index, &type), S_OK);
            ComRef<ITypeInfo> held(type);
            visit(type);
            if (TypeAttributes(type)->wTypeFlags & TYPEFLAG_FDUAL) {
                ComRef<ITypeInfo> vtable = interfaceSide(type);
                ASSERT_TRUE(vtable) << typeName(type);
                visit(vtable.get());
            }
        }
    }

    // Every referenced type resolves, to this library's own types or to the automation standard library's.
    void expectResolvable(ITypeInfo* context, const TYPEDESC& type, const std::string& where)
    {
        if (type.vt == VT_PTR || type.vt == VT_SAFEARRAY) return expectResolvable(context, *type.lptdesc, where);
        if (type.vt != VT_USERDEFINED) return;
        ComRef<ITypeInfo> referenced = referencedType(context, type.hreftype);
        ASSERT_TRUE(referenced) << where;
        ITypeLib* owner = nullptr;
        UINT index = 0;
        ASSERT_EQ(referenced->GetContainingTypeLib(&owner, &index), S_OK) << where;
        ComRef<ITypeLib> heldOwner(owner);
        TLIBATTR* attributes = nullptr;
        ASSERT_EQ(owner->GetLibAttr(&attributes), S_OK);
        EXPECT_TRUE(attributes->guid == LIBID_TavoMessengerLib || attributes->guid == kAutomationStandardLibrary)
            << where << " names " << typeName(referenced.get()) << " of " << guidText(attributes->guid);
        owner->ReleaseTLibAttr(attributes);
    }
};

TEST_F(TypeLibraryTest, CarriesItsIdentity)
{
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library()->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(guidText(attributes->guid), "{31F0215E-C543-4EE3-B6F0-03AC36815648}");
    EXPECT_EQ(attributes->guid, LIBID_TavoMessengerLib);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    EXPECT_EQ(attributes->lcid, 0x409u);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64);
    library()->ReleaseTLibAttr(attributes);

    BSTR name = nullptr;
    ASSERT_EQ(library()->GetDocumentation(-1, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(narrow(name), "TavoMessengerLib");
    SysFreeString(name);
}

TEST_F(TypeLibraryTest, TakesIDispatchFromTheAutomationStandardLibrary)
{
    ComRef<ITypeInfo> messenger = typeOfGuid(library(), IID_IMessenger);
    ASSERT_TRUE(messenger);
    ComRef<ITypeInfo> base = implementedType(interfaceSide(messenger.get()).get(), 0);
    ASSERT_TRUE(base);
    EXPECT_EQ(typeName(base.get()), "IDispatch");
    ITypeLib* owner = nullptr;
    UINT index = 0;
    ASSERT_EQ(base->GetContainingTypeLib(&owner, &index), S_OK);
    ComRef<ITypeLib> heldOwner(owner);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(owner->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, kAutomationStandardLibrary);
    owner->ReleaseTLibAttr(attributes);
}

// A description that cannot be read (for example a default value that is no VARIANT type) breaks
// IDispatch for the whole interface; a named type that is missing breaks the typelib marshaler.
TEST_F(TypeLibraryTest, EveryMemberDescriptionIsReadableAndNamesOnlyDeclaredTypes)
{
    forEachType([&](ITypeInfo* type) {
        TypeAttributes attributes(type);
        std::string name = typeName(type);
        if (attributes->typekind == TKIND_ALIAS) expectResolvable(type, attributes->tdescAlias, name);
        for (UINT index = 0; index < attributes->cFuncs; ++index) {
            FunctionDescription function(type, index);
            ASSERT_TRUE(function.valid()) << name << " function " << index;
            std::string where = name + " function " + std::to_string(index);
            expectResolvable(type, function->elemdescFunc.tdesc, where);
            for (SHORT parameter = 0; parameter < function->cParams; ++parameter)
                expectResolvable(type, function->lprgelemdescParam[parameter].tdesc, where);
        }
    });
}

// Callback parameters default to a null pointer, and so do the optional asynchronous-operation outputs.
TEST_F(TypeLibraryTest, InterfacePointerParametersDefaultToNull)
{
    int defaults = 0;
    forEachType([&](ITypeInfo* type) {
        TypeAttributes attributes(type);
        if (attributes->typekind != TKIND_INTERFACE) return;
        for (UINT index = 0; index < attributes->cFuncs; ++index) {
            FunctionDescription function(type, index);
            ASSERT_TRUE(function.valid());
            for (SHORT parameter = 0; parameter < function->cParams; ++parameter) {
                const ELEMDESC& element = function->lprgelemdescParam[parameter];
                std::string declared = describe(type, element.tdesc);
                bool pointer = declared == "IUnknown*" || declared.find("**") != std::string::npos;
                if (!pointer || !(element.paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT)) continue;
                SCOPED_TRACE(typeName(type) + " " + std::to_string(index) + " " + declared);
                ASSERT_NE(element.paramdesc.pparamdescex, nullptr);
                const VARIANT& value = element.paramdesc.pparamdescex->varDefaultValue;
                EXPECT_EQ(value.vt, VT_UNKNOWN);
                EXPECT_EQ(value.punkVal, nullptr);
                ++defaults;
            }
        }
    });
    EXPECT_GT(defaults, 0);
}

TEST_F(TypeLibraryTest, DeclaresEveryTypeOfItsFamilies)
{
    for (const Declared& declared : declaredTypes()) {
        SCOPED_TRACE(declared.name);
        ComRef<ITypeInfo> type = findType(library(), declared.name);
        ASSERT_TRUE(type);
        TypeAttributes attributes(type.get());
        switch (declared.family) {
        case Family::kDual:
            EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
            EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
            EXPECT_TRUE(interfaceSide(type.get()));
            break;
        case Family::kDispatchOnly:
            EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
            EXPECT_FALSE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
            break;
        case Family::kCustom:
            EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
            EXPECT_FALSE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
            ASSERT_EQ(attributes->cImplTypes, 1);
            EXPECT_EQ(typeName(implementedType(type.get(), 0).get()), "IUnknown");
            break;
        case Family::kClass:
            EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
            break;
        }
    }
}

TEST_F(TypeLibraryTest, DeclaresTheMessengerClassesEventInterfacesWithoutMembers)
{
    for (const char* name : kMemberlessEventInterfaces) {
        ComRef<ITypeInfo> type = findType(library(), name);
        ASSERT_TRUE(type) << name;
        TypeAttributes attributes(type.get());
        EXPECT_EQ(attributes->typekind, TKIND_DISPATCH) << name;
        EXPECT_EQ(attributes->cFuncs, 0) << name;
    }
}

TEST_F(TypeLibraryTest, DeclaresTheHostEventSinkAsADualInterfaceWithoutMembersOfItsOwn)
{
    ComRef<ITypeInfo> sink = typeOfGuid(library(), IID_ITavoExtensionIMAndPresenceEvents);
    ASSERT_TRUE(sink);
    EXPECT_EQ(guidText(IID_ITavoExtensionIMAndPresenceEvents), "{78FBE695-760D-4C02-A5F1-63185E6C91A8}");
    EXPECT_EQ(guidText(CLSID_TavoExtensionIMAndPresenceEvents), "{AF21D94B-5D8E-4522-8067-624AF1572411}");
    ComRef<ITypeInfo> vtable = interfaceSide(sink.get());
    ASSERT_TRUE(vtable);
    TypeAttributes attributes(vtable.get());
    EXPECT_EQ(attributes->cFuncs, 0);
    EXPECT_EQ(attributes->cbSizeVft, 7 * sizeof(void*));
}

TEST_F(TypeLibraryTest, DeclaresTheCallbackInterfacesThatOfficeImplements)
{
    const std::pair<const char*, const char*> callbacks[] = {
        {"_IUCCContactsAndGroupsCallback", "{ABF012A2-2068-4B4D-80D7-6D386BA7C8A2}"},
        {"_IUCCContactCallback", "{311DDE48-ED7D-46FA-9E0A-2E314B7FEF7C}"},
        {"_IUCCGroupCallback", "{C6605772-3D9D-44A7-B43A-4590E6B43EE3}"},
    };
    for (const auto& [name, iid] : callbacks) {
        ComRef<ITypeInfo> type = findType(library(), name);
        ASSERT_TRUE(type) << name;
        TypeAttributes attributes(type.get());
        EXPECT_EQ(guidText(attributes->guid), iid);
        EXPECT_EQ(attributes->typekind, TKIND_DISPATCH) << name;
        EXPECT_FALSE(attributes->wTypeFlags & TYPEFLAG_FDUAL) << name;
    }
}

void expectCustomMethods(ITypeInfo* type, const std::vector<std::string>& methods)
{
    TypeAttributes attributes(type);
    ASSERT_EQ(attributes->cFuncs, methods.size());
    for (UINT index = 0; index < methods.size(); ++index) {
        FunctionDescription function(type, index);
        ASSERT_TRUE(function.valid());
        std::vector<std::string> names = memberNames(type, function->memid);
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(names.front(), methods[index]);
        EXPECT_EQ(function->oVft, static_cast<SHORT>((3 + index) * sizeof(void*))) << methods[index];
        EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL);
    }
}

TEST_F(TypeLibraryTest, RedeclaresIClassFactoryWithItsOwnMembers)
{
    ComRef<ITypeInfo> factory = findType(library(), "IClassFactory");
    ASSERT_TRUE(factory);
    EXPECT_EQ(TypeAttributes(factory.get())->guid, IID_IClassFactory);
    expectCustomMethods(factory.get(), {"CreateInstance", "LockServer"});
    FunctionDescription createInstance(factory.get(), 0);
    ASSERT_TRUE(createInstance.valid());
    ASSERT_EQ(createInstance->cParams, 3);
    EXPECT_EQ(describe(factory.get(), createInstance->lprgelemdescParam[0].tdesc), "IUnknown*");
    EXPECT_EQ(describe(factory.get(), createInstance->lprgelemdescParam[1].tdesc), "GUID*");
    EXPECT_EQ(describe(factory.get(), createInstance->lprgelemdescParam[2].tdesc), "void**");
    EXPECT_EQ(memberNames(factory.get(), createInstance->memid),
              (std::vector<std::string>{"CreateInstance", "pUnkOuter", "riid", "ppvObject"}));
}

TEST_F(TypeLibraryTest, DeclaresTheOfficeIntegrationHelperAsACustomInterface)
{
    ComRef<ITypeInfo> helper = findType(library(), "IUCOfficeIntegrationHelper");
    ASSERT_TRUE(helper);
    expectCustomMethods(helper.get(), {"GetCommunicatorClient", "GetUIUCCAutomation", "GetInteropHelper",
                                       "GetAuthenticationInfo", "Cleanup", "Notify"});
}

}  // namespace
}  // namespace typelib_test
