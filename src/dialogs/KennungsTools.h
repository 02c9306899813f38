// Which pool identifiers an object class may receive.
#pragma once

#include <string>

// "NSG" takes every identifier, "FFH" and "VSG" those beginning with "DE-", any other class
// those beginning with its own name (case-sensitive; an empty name takes all).
bool KennungFitsOKL(const std::string& strOKLName, const std::string& strKennung);
