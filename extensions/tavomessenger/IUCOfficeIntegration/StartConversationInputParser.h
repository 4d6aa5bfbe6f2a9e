#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// Checks and unpacks the arguments of IUCCAutomation::StartConversation: the participants (BSTRs), and the
// context as two arrays of equal length, the context types (32-bit) and their data (VARIANTs). Of the
// context only the subject and the remote endpoint URI are kept; entries of the same type are joined in
// array order. Every array must be one-dimensional; any lower bound is walked from there. std::bad_alloc
// when memory runs out while the arrays are read. Built on the stack of one call; it keeps nothing of the
// arrays it was given.
class StartConversationInputParser
{
public:
    StartConversationInputParser(SAFEARRAY* participantUris, SAFEARRAY* contextTypes, SAFEARRAY* contextDatas);

    bool isValid() const { return valid; }
    LONG participantCount() const { return participantCount_; }
    const std::wstring& subject() const { return subject_; }
    const std::wstring& endpointUri() const { return endpointUri_; }

private:
    static bool checkArrayType(SAFEARRAY* array, VARTYPE expectedType);
    bool parseContext(SAFEARRAY* contextTypes, SAFEARRAY* contextDatas);

    LONG participantCount_ = 0;
    std::wstring endpointUri_;
    std::wstring subject_;
    bool valid = false;
    bool hasEndpointUri = false;
    bool hasSubject = false;
};
