// The hooks whose work lies in the exchange, report and photo units, as far as they exist.
#pragma once

#include <cstdint>

int32_t VE1CustomImportHook(int32_t Command, int32_t LParam, int32_t WParam);
int32_t VE1CustomExportHook(int32_t Command, int32_t LParam, int32_t WParam);
int32_t MakeTransActionReportHook();
int32_t AfterLoadProjectHook();
int32_t BeforeCloseProjectHook();
int32_t ProcessFotoHook();
// Stores the main-photo value the host is setting into its buffer of MaxLen characters.
void CorrectHauptfotoHook(const char* Value, char* NewValue, int32_t MaxLen);
