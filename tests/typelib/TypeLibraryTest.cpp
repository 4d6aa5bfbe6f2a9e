// The type library embedded in TavoMessenger.dll: the whole library against the checked-in text of it,
// and what the build's fix-up step writes into it beyond what the IDL compiler can.
#include "ModuleTypeLibraryTest.h"
#include "TypeLibraryDump.h"

#include "TavoMessengerLib.h"

#include <fstream>
#include <functional>
#include <sstream>

namespace typelib_test {
namespace {

const GUID kAutomationStandardLibrary = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::wstring besideProgram(const wchar_t* file)
{
    std::wstring path = moduleTypeLibraryPath();
    return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
}

std::vector<std::string> readLines(const std::wstring& path)
{
    std::ifstream in(narrow(path.c_str()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The differing stretch between the common head and the common tail, as "-expected" / "+actual" lines.
std::string differences(const std::vector<std::string>& expected, const std::vector<std::string>& actual)
{
    size_t head = 0;
    while (head < expected.size() && head < actual.size() && expected[head] == actual[head]) ++head;
    size_t tail = 0;
    while (tail < expected.size() - head && tail < actual.size() - head &&
           expected[expected.size() - 1 - tail] == actual[actual.size() - 1 - tail])
        ++tail;
    std::ostringstream out;
    out << "from line " << head + 1 << ":\n";
    const size_t shown = 40;
    for (size_t at = head; at < expected.size() - tail && at < head + shown; ++at) out << "-" << expected[at] << "\n";
    for (size_t at = head; at < actual.size() - tail && at < head + shown; ++at) out << "+" << actual[at] << "\n";
    return out.str();
}

class TypeLibraryTest : public ModuleTypeLibraryTest {
protected:
    // Every type of the library, with the virtual-table side of each dual interface as a type of its own.
    void forEachType(const std::function<void(ITypeInfo*)>& visit)
    {
        for (UINT index = 0; index < library()->GetTypeInfoCount(); ++index) {
            ITypeInfo* type = nullptr;
            ASSERT_EQ(library()->GetTypeInfo(index, &type), S_OK);
            ComRef<ITypeInfo> held(type);
            visit(type);
            if (TypeAttributes(type)->wTypeFlags & TYPEFLAG_FDUAL) visit(interfaceSide(type).get());
        }
    }

    // A named type resolves to this library's own types or to the automation standard library's; a
    // missing one breaks the typelib marshaler.
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

// Names, identities, bases, slots, dispatch identifiers, parameter types and flags of every type, against
// expected-typelib.txt. After an intended change, copy the written actual file over the expected one.
TEST_F(TypeLibraryTest, MatchesTheExpectedDeclarations)
{
    std::vector<std::string> expected = readLines(besideProgram(L"expected-typelib.txt"));
    EXPECT_FALSE(expected.empty()) << "expected-typelib.txt is missing beside the test program";
    std::vector<std::string> actual = dumpTypeLibrary(library());
    if (actual == expected) return;
    const std::wstring written = besideProgram(L"actual-typelib.txt");
    std::ofstream out(narrow(written.c_str()), std::ios::binary);
    for (const std::string& line : actual) out << line << "\n";
    ADD_FAILURE() << "the type library differs from expected-typelib.txt (actual written to "
                  << narrow(written.c_str()) << ") " << differences(expected, actual);
}

TEST_F(TypeLibraryTest, CarriesItsIdentityForThisArchitecture)
{
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library()->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64);
    library()->ReleaseTLibAttr(attributes);
}

// A description that cannot be read (a default value that is no VARIANT type) breaks IDispatch for the
// whole interface; a named type that is missing breaks the typelib marshaler.
TEST_F(TypeLibraryTest, EveryDescriptionIsReadableAndNamesOnlyDeclaredTypes)
{
    forEachType([&](ITypeInfo* type) {
        ASSERT_TRUE(type);
        TypeAttributes attributes(type);
        std::string name = typeName(type);
        if (attributes->typekind == TKIND_ALIAS) expectResolvable(type, attributes->tdescAlias, name);
        for (UINT index = 0; index < attributes->cFuncs; ++index) {
            FunctionDescription function(type, index);
            std::string where = name + " function " + std::to_string(index);
            ASSERT_TRUE(function.valid()) << where;
            expectResolvable(type, function->elemdescFunc.tdesc, where);
            for (SHORT parameter = 0; parameter < function->cParams; ++parameter)
                expectResolvable(type, function->lprgelemdescParam[parameter].tdesc, where);
        }
    });
}

// What the build's fix-up step writes beyond what the IDL compiler can, as the dump shows it.
TEST_F(TypeLibraryTest, HoldsWhatTheFixUpStepWrites)
{
    std::string text;
    for (const std::string& line : dumpTypeLibrary(library())) text += line + "\n";
    const char* const fixedUp[] = {
        // Messenger is predeclared: TYPEFLAG_FAPPOBJECT | TYPEFLAG_FCANCREATE | TYPEFLAG_FPREDECLID.
        "coclass Messenger {8885370D-B33E-44B7-875D-28E403CF9270} flags=0xb\n",
        // The constants moved from their enumeration into the module.
        "enum UCConstantValues\nmodule UCConstants\n  ucMinAudioVolume = 0\n  ucMaxAudioVolume = 65535\n"
        "  uiaConversationModeAll = 31\n  ucDefaultMaxSearchResults = 30\n",
        // A null interface-pointer default where the compiler wrote an inline VT_PTR.
        "IUCCAsynchronousOperation** _asyncOperation out retval optional default=null)",
        // The library's own IClassFactory, not the system declaration.
        "interface IClassFactory {00000001-0000-0000-C000-000000000046} slots=5\n  implements IUnknown\n"
        "  3 0x60010000 method CreateInstance(IUnknown* pUnkOuter in, GUID* riid in, void** ppvObject out)\n",
    };
    for (const char* expected : fixedUp) EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

}  // namespace
}  // namespace typelib_test
