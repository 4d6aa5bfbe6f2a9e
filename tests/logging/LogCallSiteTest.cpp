#include "utils/LogCallSite.h"

#include <gtest/gtest.h>

#include <string>

using logging::detail::functionNameFromSignature;
using logging::detail::projectRootFromKnownFile;
using logging::detail::sourcePathFromCompilerFile;

namespace {

TEST(LogCallSite, SourcePathsAreRelativeToTheProjectAndLoseTheirExtension)
{
    EXPECT_EQ(sourcePathFromCompilerFile("/src/proj/extensions/tavomessenger/LocalServer.cpp", "/src/proj/"),
              "extensions/tavomessenger/LocalServer");
    EXPECT_EQ(sourcePathFromCompilerFile("extensions/tavomessenger/LocalServer.cpp", ""),
              "extensions/tavomessenger/LocalServer");
    EXPECT_EQ(sourcePathFromCompilerFile("C:\\Src\\extensions\\tavomessenger\\IMessenger\\DMessengerEvents_CP.h",
                                         "c:\\src\\"),
              "extensions/tavomessenger/IMessenger/DMessengerEvents_CP");
    EXPECT_EQ(sourcePathFromCompilerFile("/elsewhere/v1.2/Thing", "/src/proj/"), "/elsewhere/v1.2/Thing");
}

TEST(LogCallSite, TheProjectRootComesFromAFileOfKnownPlace)
{
    EXPECT_EQ(projectRootFromKnownFile("/src/proj/extensions/x/Logging.cpp", "extensions/x/Logging.cpp"), "/src/proj/");
    EXPECT_EQ(projectRootFromKnownFile("extensions/x/Logging.cpp", "extensions/x/Logging.cpp"), "");
    EXPECT_EQ(projectRootFromKnownFile("D:\\p\\extensions\\x\\Logging.cpp", "extensions/x/Logging.cpp"), "D:/p/");
    EXPECT_EQ(projectRootFromKnownFile("/moved/Logging.cpp", "extensions/x/Logging.cpp"), "");
}

TEST(LogCallSite, FunctionNamesAreClassAndMethod)
{
    EXPECT_EQ(functionNameFromSignature("void LocalServer::start()"), "LocalServer::start");
    EXPECT_EQ(functionNameFromSignature("virtual HRESULT UCCContact::get_Uri(BSTR*)"), "UCCContact::get_Uri");
    EXPECT_EQ(functionNameFromSignature("virtual long int UCCContact::get_Uri(wchar_t**)"), "UCCContact::get_Uri");
    EXPECT_EQ(functionNameFromSignature("LocalServer::LocalServer(unsigned int)"), "LocalServer::LocalServer");
    EXPECT_EQ(functionNameFromSignature("virtual TavoExtensionEventManager::~TavoExtensionEventManager()"),
              "TavoExtensionEventManager::~TavoExtensionEventManager");
    EXPECT_EQ(functionNameFromSignature("static void TavoMessengerStateWorkers::revokeMessenger(std::shared_ptr<A>)"),
              "TavoMessengerStateWorkers::revokeMessenger");
    EXPECT_EQ(functionNameFromSignature("int Thing::value() const"), "Thing::value");
    EXPECT_EQ(functionNameFromSignature("std::pair<int, int> Thing::range(std::map<int, int>&)"), "Thing::range");
    EXPECT_EQ(functionNameFromSignature("HRESULT ExtensionProviderClient::getContact(BSTR, ComPtr<IContact>&)"),
              "ExtensionProviderClient::getContact");
}

TEST(LogCallSite, AnonymousNamespacesAndLambdasNameTheirFunction)
{
    EXPECT_EQ(functionNameFromSignature("void {anonymous}::doNothing(BSTR&, BSTR&)"), "doNothing");
    EXPECT_EQ(functionNameFromSignature("void (anonymous namespace)::doNothing(BSTR&, BSTR&)"), "doNothing");
    EXPECT_EQ(functionNameFromSignature("LocalServer::start()::<lambda()>"), "LocalServer::start");
    EXPECT_EQ(functionNameFromSignature("void Worker::operator()()"), "Worker::operator()");
}

TEST(LogCallSite, ClassTemplateArgumentsAreSpelledAsTheyAreDeclared)
{
    EXPECT_EQ(functionNameFromSignature(
                  "HRESULT CProxyDMessengerEvents<T>::Fire_OnAppShutdown() [with T = OfficeIntegrationImpl]"),
              "CProxyDMessengerEvents<class OfficeIntegrationImpl>::Fire_OnAppShutdown");
    EXPECT_EQ(functionNameFromSignature(
                  "void Pair<A, B>::run(B) [with A = Alpha; B = int; HRESULT = long int]"),
              "Pair<class Alpha, int>::run");
    EXPECT_EQ(functionNameFromSignature("void Listener<I>::fire() [with I = ns::Events<int, long int>]"),
              "Listener<class ns::Events<int, long int>>::fire");
    EXPECT_EQ(functionNameFromSignature("void Thing::apply(T) [with T = Alpha]"), "Thing::apply")
        << "a member template's own parameters are not part of the name";
}

TEST(LogCallSite, PlainNamesPassUnchanged)
{
    EXPECT_EQ(functionNameFromSignature("CProxyDMessengerEvents<class OfficeIntegrationImpl>::Fire_OnAppShutdown"),
              "CProxyDMessengerEvents<class OfficeIntegrationImpl>::Fire_OnAppShutdown");
    EXPECT_EQ(functionNameFromSignature("doNothing"), "doNothing");
    EXPECT_EQ(functionNameFromSignature(""), "");
}

} // namespace
