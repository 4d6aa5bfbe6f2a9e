// The classes whose objects the module creates: identity, flags and implemented interfaces in order, the
// default interface first and event interfaces as sources.
#include "ModuleTypeLibraryTest.h"

#include "TavoMessengerLib.h"

#include <string>
#include <vector>

namespace typelib_test {
namespace {

constexpr WORD kCreatable = TYPEFLAG_FCANCREATE;
constexpr WORD kNotCreatable = 0;
constexpr WORD kPredeclaredApplicationObject = TYPEFLAG_FAPPOBJECT | TYPEFLAG_FCANCREATE | TYPEFLAG_FPREDECLID;
constexpr int kDefault = IMPLTYPEFLAG_FDEFAULT;
// A class's one event interface is also its default source, as clients that connect to "the" events expect.
constexpr int kDefaultSource = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;

struct Implemented {
    const char* name;
    int flags;
};

struct ClassDeclaration {
    const char* name;
    const char* clsid;
    const CLSID* headerClsid;
    WORD flags;
    std::vector<Implemented> interfaces;
};

const std::vector<ClassDeclaration>& classes()
{
    static const std::vector<ClassDeclaration> declarations = {
        {"Messenger", "{8885370D-B33E-44B7-875D-28E403CF9270}", &CLSID_Messenger, kPredeclaredApplicationObject,
         {{"IMessenger", kDefault}, {"IMessenger2", 0}, {"IMessenger3", 0}, {"IMessengerAdvanced", 0},
          {"IMessengerContactResolution", 0}, {"DMessengerEvents", kDefaultSource}}},
        {"OfficeIntegrationImpl", "{83CE44B6-A512-4199-9766-38357A9108E8}", &CLSID_OfficeIntegrationImpl, kCreatable,
         {{"IMessenger", kDefault}, {"IMessenger2", 0}, {"IMessenger3", 0}, {"IMessengerAdvanced", 0},
          {"DMessengerEvents", 0}, {"IUCOfficeIntegration", 0}, {"_IUCOfficeIntegrationEvents", 0}}},
        {"TavoExtensionIMAndPresenceEvents", "{AF21D94B-5D8E-4522-8067-624AF1572411}",
         &CLSID_TavoExtensionIMAndPresenceEvents, kCreatable, {{"ITavoExtensionIMAndPresenceEvents", kDefault}}},
        {"TavoMessengerContact", "{5AE3BCDD-DD8A-416C-AAF3-AFE008E416E8}", &CLSID_TavoMessengerContact, kCreatable,
         {{"IMessengerContact", kDefault}, {"IMessengerContactAdvanced", 0}}},
        {"TavoMessengerContacts", "{22195258-C0D6-4C0C-B049-BCC6DACA6A6F}", &CLSID_TavoMessengerContacts,
         kCreatable, {{"IMessengerContacts", kDefault}}},
        {"TavoMessengerService", "{EBAE0BE8-5206-4EE2-B3C4-79F5F7870064}", &CLSID_TavoMessengerService, kCreatable,
         {{"IMessengerService", kDefault}}},
        {"TavoMessengerServices", "{67D4EF51-09AD-4474-B37E-0AE1D269E4ED}", &CLSID_TavoMessengerServices,
         kCreatable, {{"IMessengerServices", kDefault}}},
        {"UCCLyncClient", "{9F033882-CD8E-4C17-9FAB-ACB783F52F24}", &CLSID_UCCLyncClient, kCreatable,
         {{"IUCCLyncClient", kDefault}, {"IUCCClient2", 0}, {"_IUCCLyncClientEvents", kDefaultSource}}},
        {"UCCSelf", "{8FA22037-A4B7-40FA-BDC0-55D84DB7E64D}", &CLSID_UCCSelf, kNotCreatable,
         {{"IUCCSelf", kDefault}, {"IUCCSelf2", 0}, {"_IUCCSelfEvents", kDefaultSource}}},
        {"UCCContactManager", "{6E8B0FAD-083B-490E-8091-60B39EC4E5ED}", &CLSID_UCCContactManager, kNotCreatable,
         {{"IUCCContactManager", kDefault}, {"_IUCCContactManagerEvents", kDefaultSource}}},
        {"UCCContact", "{ADC515DA-6CC5-4A1C-A5AD-916C566A4ECA}", &CLSID_UCCContact, kNotCreatable,
         {{"IUCCContact", kDefault}, {"IUCCContact2", 0}, {"_IUCCContactEvents", kDefaultSource}}},
        {"UCCNumberNormalisationContact", "{B97ED28A-918C-438E-819E-734AAA18E383}",
         &CLSID_UCCNumberNormalisationContact, kNotCreatable, {{"IUCCContact", kDefault}}},
        {"UCCContactSubscription", "{9F114A3A-07EB-4ECC-ABF0-86AB64B1A562}", &CLSID_UCCContactSubscription,
         kNotCreatable, {{"IUCCContactSubscription", kDefault}}},
        {"UCCContactEndpoint", "{70CCB860-DD65-4D01-93CF-1F079C8D67F8}", &CLSID_UCCContactEndpoint, kNotCreatable,
         {{"IUCCContactEndpoint", kDefault}}},
        {"UCCLocaleString", "{3D48B68E-F1CD-451D-8554-39306785804D}", &CLSID_UCCLocaleString, kNotCreatable,
         {{"IUCCLocaleString", kDefault}}},
        {"UCCContactInformationDictionary", "{E2156039-21AE-40BE-886C-B201E532208D}",
         &CLSID_UCCContactInformationDictionary, kNotCreatable, {{"IUCCContactInformationDictionary", kDefault}}},
        {"UCCContactSettingsDictionary", "{921DE81C-1F26-4779-81FA-62B9AC0BC05C}",
         &CLSID_UCCContactSettingsDictionary, kNotCreatable, {{"IUCCContactSettingDictionary", kDefault}}},
        {"UCCContactInformationChangedEventData", "{5CDACFF2-405B-47A4-A905-C276C4E59274}",
         &CLSID_UCCContactInformationChangedEventData, kNotCreatable,
         {{"IUCCContactInformationChangedEventData", kDefault}}},
        {"UCCContactSettingChangedEventData", "{79649ACD-342A-4736-A35E-85ADE773DDDE}",
         &CLSID_UCCContactSettingChangedEventData, kNotCreatable, {{"IUCCContactSettingChangedEventData", kDefault}}},
        {"UCCClientStateChangedEventData", "{ABE3E1E8-7A66-4BFF-AC52-B850B3DCD84A}",
         &CLSID_UCCClientStateChangedEventData, kNotCreatable, {{"IUCCClientStateChangedEventData", kDefault}}},
        {"UCCAsynchronousOperation", "{234E83D9-DA03-42DF-A516-005651D09073}", &CLSID_UCCAsynchronousOperation,
         kNotCreatable, {{"IUCCAsynchronousOperation", kDefault}}},
        {"UCCAutomation", "{33B2CA53-578C-44CD-9048-986D808CD749}", &CLSID_UCCAutomation, kNotCreatable,
         {{"IUCCAutomation", kDefault}}},
    };
    return declarations;
}

void PrintTo(const ClassDeclaration& declaration, std::ostream* out)
{
    *out << declaration.name;
}

std::string className(const ::testing::TestParamInfo<ClassDeclaration>& info)
{
    return info.param.name;
}

class ClassTest : public ModuleTypeLibraryTest, public ::testing::WithParamInterface<ClassDeclaration> {};

TEST_P(ClassTest, DeclaresItsIdentityFlagsAndInterfacesInOrder)
{
    const ClassDeclaration& declaration = GetParam();
    ComRef<ITypeInfo> type = findType(library(), declaration.name);
    ASSERT_TRUE(type);
    TypeAttributes attributes(type.get());
    EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
    EXPECT_EQ(guidText(attributes->guid), declaration.clsid);
    EXPECT_EQ(attributes->guid, *declaration.headerClsid);
    EXPECT_EQ(attributes->wTypeFlags, declaration.flags);
    ASSERT_EQ(attributes->cImplTypes, declaration.interfaces.size());
    for (UINT index = 0; index < declaration.interfaces.size(); ++index) {
        const Implemented& expected = declaration.interfaces[index];
        SCOPED_TRACE(expected.name);
        ComRef<ITypeInfo> implemented = implementedType(type.get(), index);
        ASSERT_TRUE(implemented);
        EXPECT_EQ(typeName(implemented.get()), expected.name);
        INT flags = -1;
        EXPECT_EQ(type->GetImplTypeFlags(index, &flags), S_OK);
        EXPECT_EQ(flags, expected.flags);
    }
}

INSTANTIATE_TEST_SUITE_P(TypeLibrary, ClassTest, ::testing::ValuesIn(classes()), className);

}  // namespace
}  // namespace typelib_test
