// Names and fixed field widths of the members of a transaction's exchange file set.
#pragma once

#include <string>

namespace vestra {

// The member of the set named by prefix + suffix in directory.
inline std::string Member(const std::string& directory, const std::string& prefix, const std::string& suffix)
{
    if (directory.empty())
        return prefix + suffix;
    const char last = directory.back();
    return directory + (last == '/' || last == '\\' ? "" : "/") + prefix + suffix;
}

inline constexpr char kObjectList[] = "t.dbf";
inline constexpr char kKennungList[] = "kl.dbf";
inline constexpr char kTransactionFile[] = ".tid";
inline constexpr char kAttributeData[] = ".xml";
inline constexpr char kPhotoTable[] = "pc.dbf";
inline constexpr char kPhotoDir[] = "_Fotos";
inline constexpr char kActionList[] = "_aktion.dbf";
inline constexpr char kLog[] = ".log";
inline constexpr char kArgumentRecord[] = ".arg";  // the stand-in's own record of its arguments

inline constexpr char kTidSection[] = "Transaktionsdaten";

// Widths in the photo exchange table.
inline constexpr int kKurznameWidth = 50;
inline constexpr int kDateiWidth = 50;
inline constexpr int kQuelleWidth = 255;

}  // namespace vestra
