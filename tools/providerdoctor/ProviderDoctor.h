#pragma once

// The whole diagnosis for "Office shows no presence", in the order Office meets things: which provider it
// asks, whether that provider runs, whether COM can marshal its interfaces, and what the module decides
// from the registry. Reads only; changes nothing.

#include "providerdoctor/Finding.h"

#include <string>
#include <vector>

namespace doctor {

std::vector<Finding> diagnose(bool underWine);

// The report as lines: "ok       subject: detail", "PROBLEM  subject: detail" with "         fix: ..." below,
// "note     subject: detail", and a last line with the number of problems.
std::vector<std::wstring> formatReport(const std::vector<Finding>& findings);

std::size_t countProblems(const std::vector<Finding>& findings);

} // namespace doctor
