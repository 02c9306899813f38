// The preview of a report: laid out, written as PDF and shown in the system's viewer.
#pragma once

#include <string>

#include "platform/report/Report.h"

namespace report {

// Prepares the report and shows it as "title.pdf" (headless runs keep it in headlessDir).
void Preview(Report& report, const std::string& title, const std::string& headlessDir);

}  // namespace report
