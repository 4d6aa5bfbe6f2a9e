#include "soak/OfficeThread.h"

#include "soak/CountingSink.h"
#include "soak/SoakPeople.h"

#include "officesim/Names.h"
#include "officesim/VtableUcApi.h"

#include "TavoMessengerLib.h"
#include "common/ContractIds.h"

#include <objbase.h>

#include <algorithm>

namespace soak {

namespace {

const DWORD activationRetryMs = 10000;
// A real Office connects again when connecting failed; on a loaded machine Wine's activation of the local
// server now and then fails once. Each failed attempt is reported; all failing is a failure.
const int setupAttempts = 3;
const DWORD setupRetryPauseMs = 2000;
const DWORD quietMs = 2000;       // no event for this long: delivery has ended
const DWORD maxDrainMs = 180000;  // delivery may lag the storm; never wait longer than this

} // namespace

OfficeThread::OfficeThread(ThreadSettings settings, HANDLE finish)
    : settings_(settings),
      finish_(finish),
      ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      callsDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      never_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      statusTally_(std::make_shared<EventTally>(settings.keepArrivals)),
      informationTally_(std::make_shared<EventTally>(settings.keepArrivals))
{
    thread_ = std::thread([this] { run(); });
}

OfficeThread::~OfficeThread()
{
    join();
    CloseHandle(ready_);
    CloseHandle(callsDone_);
    CloseHandle(never_);
}

const ThreadResult& OfficeThread::join()
{
    if (thread_.joinable()) thread_.join();
    return result_;
}

void OfficeThread::pumpFor(DWORD milliseconds)
{
    DWORD index = 0;
    CoWaitForMultipleHandles(0, milliseconds, 1, &never_, &index);
}

bool OfficeThread::setUp(OfficeLink& link)
{
    if (!link.connect(activationRetryMs, result_.setupProblem)) return false;
    const CountingSink::Kind standing =
        settings_.blockEvents ? CountingSink::Kind::Blocking : CountingSink::Kind::MessengerEvents;
    extensionsutils::ComPtr<CountingSink> messengerSink = CountingSink::create(standing, contractid::DMessengerEvents, statusTally_);
    HRESULT hr = messengerSink->advise(link.messenger.get());
    if (FAILED(hr)) {
        result_.setupProblem = L"DMessengerEvents Advise answered " + officesim::hresultText(hr);
        return false;
    }
    sinks_.push_back(messengerSink);
    officesim::VtableMessengerApi messenger;
    officesim::VtableUcApi uc;
    for (int i = 0; i < settings_.watched; ++i) {
        // Looked up once through the Messenger API too: that asks the host to watch the contact.
        messenger.getContact(link.messenger.get(), contactSigninName(i));
    }
    // Office shows a person in several places, each with a contact object of its own and its sink.
    const int contactSinks = std::max(settings_.contactSinks, settings_.watched);
    for (int i = 0; settings_.watched > 0 && i < contactSinks; ++i) {
        const std::wstring name = contactSigninName(i % settings_.watched);
        const officesim::Answer<officesim::Object> contact = uc.getContactByUri(link.contactManager.get(), name);
        if (!contact.succeeded() || !contact.value) {
            result_.setupProblem = L"IUCCContactManager.GetContactByUri answered " + officesim::hresultText(contact.hr);
            return false;
        }
        const CountingSink::Kind kind = settings_.blockEvents ? CountingSink::Kind::Blocking : CountingSink::Kind::ContactEvents;
        extensionsutils::ComPtr<CountingSink> sink = CountingSink::create(kind, contractid::IUCCContactEvents, informationTally_, name);
        hr = sink->advise(contact.value.get());
        if (FAILED(hr)) {
            result_.setupProblem = L"_IUCCContactEvents Advise answered " + officesim::hresultText(hr);
            return false;
        }
        sinks_.push_back(sink);
        watchedContacts_.push_back(contact.value);
    }
    holdOneOfEachInterface(link);
    return true;
}

// Wine's COM unregisters an interface's RPC server when the last stub of that interface in a process goes,
// and waits for that interface's calls in progress while holding the lock that marshaling another object
// of it needs: under churn the provider's process then deadlocks. Office holding one object of each
// interface it churns keeps every interface registered. (Windows has no such wait.)
void OfficeThread::holdOneOfEachInterface(const OfficeLink& link)
{
    officesim::VtableMessengerApi messenger;
    officesim::VtableUcApi uc;
    auto hold = [this](IUnknown* object, const IID& iid) {
        extensionsutils::ComPtr<IUnknown> typed;
        if (object && SUCCEEDED(object->QueryInterface(iid, reinterpret_cast<void**>(typed.out())))) held_.push_back(typed);
    };
    const officesim::Object contact = messenger.getContact(link.messenger.get(), contactSigninName(ContactCount - 1)).value;
    hold(contact.get(), contractid::IDispatch);
    hold(contact.get(), IID_IMessengerContact);
    hold(contact.get(), IID_IMessengerContactAdvanced);
    const officesim::Object contacts = messenger.myContacts(link.messenger.get()).value;
    hold(contacts.get(), IID_IMessengerContacts);
    const officesim::Object ucContact = uc.getContactByUri(link.contactManager.get(), contactSigninName(ContactCount - 1)).value;
    hold(ucContact.get(), IID_IUCCContact);
    hold(uc.batchContactInformation(ucContact.get(), {officesim::InformationAvailability}).value.get(),
         IID_IUCCContactInformationDictionary);
    hold(uc.createSubscription(link.contactManager.get()).value.get(), IID_IUCCContactSubscription);
    const officesim::Object self = uc.clientSelf(link.client.get()).value;
    hold(self.get(), IID_IUCCSelf);
}

bool OfficeThread::setUpWithRetries(OfficeLink& link)
{
    for (int attempt = 1;; ++attempt) {
        if (setUp(link)) return true;
        if (attempt == setupAttempts) return false;
        result_.setupRetries.push_back(result_.setupProblem);
        result_.setupProblem.clear();
        releaseAll(link);
        pumpFor(setupRetryPauseMs);
    }
}

void OfficeThread::releaseAll(OfficeLink& link)
{
    for (const extensionsutils::ComPtr<CountingSink>& sink : sinks_) sink->unadvise();
    sinks_.clear();
    watchedContacts_.clear();
    held_.clear();
    link.release();
}

void OfficeThread::waitUntilQuiet()
{
    const ULONGLONG begin = GetTickCount64();
    for (;;) {
        pumpFor(200);
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG last = std::max({statusTally_->lastArrival(), informationTally_->lastArrival(), begin});
        if (now - last >= quietMs || now - begin >= maxDrainMs) return;
    }
}

void OfficeThread::run()
{
    CoInitializeEx(nullptr, settings_.singleThreadedApartment ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
    {
        OfficeLink link;
        const bool connected = setUpWithRetries(link);
        SetEvent(ready_);
        if (connected) {
            CallMix mix(link, settings_.seed * 7919u + static_cast<unsigned>(settings_.index));
            for (long i = 0; i < settings_.calls; ++i) mix.next();
            result_.mix = mix.figures();
        }
        SetEvent(callsDone_);
        DWORD index = 0;
        CoWaitForMultipleHandles(0, INFINITE, 1, const_cast<HANDLE*>(&finish_), &index);
        if (connected) {
            waitUntilQuiet();
            if (settings_.checkAtFinish) result_.checkProblem = checkKnownAnswers(link);
        }
        releaseAll(link);
        result_.statusChanges = statusTally_->contacts();
        result_.informationChanges = informationTally_->contacts();
        result_.otherEvents = statusTally_->others() + informationTally_->others();
    }
    CoUninitialize();
}

} // namespace soak
