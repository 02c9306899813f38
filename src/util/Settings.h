// Every persistent setting of the plug-in: registry keys, sections and values, applicat.ini.
#pragma once

#include <cstdint>

namespace settings {

// Registry of the current user: the plug-in's own key and its section.
inline constexpr char kPluginKey[] = "Software\\kalvero\\feldix\\3.2\\VESTRA2";
inline constexpr char kPluginSection[] = "VE2Transaktionen";

inline constexpr char kImportDir[] = "ImportDir";            // string, empty
inline constexpr char kExportPath[] = "ExportPath";          // string, empty
inline constexpr char kFileNamePrefix[] = "FileNamePrefix";  // string, empty
inline constexpr char kGKStreifen[] = "GK-Streifen";         // integer
inline constexpr int32_t kGKStreifenDefault = 2;
inline constexpr char kOriginalFotos[] = "OriginalFotos";    // string, empty

// Registry of the current user: the check-in settings, directly under the hive.
inline constexpr char kCheckInKey[] = "Vestra";
inline constexpr char kCheckInSection[] = "AutoCheckIn";

inline constexpr char kStoreLoginParams[] = "StoreLoginParams";  // boolean
inline constexpr bool kStoreLoginParamsDefault = false;
inline constexpr char kUserName[] = "UserName";                  // string, empty
inline constexpr char kPassword[] = "Password";                  // string, empty, plain text
inline constexpr char kDBServer[] = "DBServer";                  // string, empty
inline constexpr char kDatenbank[] = "Datenbank";                // string, empty
inline constexpr char kProgramPath[] = "ProgramPath";            // string, empty
inline constexpr char kEditorPath[] = "EditorPath";              // string, empty

// The host's applicat.ini in its procedure directory, read only.
inline constexpr char kApplicatIni[] = "applicat.ini";
inline constexpr char kApplicatSection[] = "VESTRA";
inline constexpr char kApplicatAutoCheckIn[] = "AutoCheckIn";  // integer; > 0 opens the check-in
inline constexpr int32_t kApplicatAutoCheckInDefault = 0;

}  // namespace settings
