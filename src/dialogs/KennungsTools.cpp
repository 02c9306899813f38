#include "dialogs/KennungsTools.h"

bool KennungFitsOKL(const std::string& strOKLName, const std::string& strKennung) {
    if (strOKLName == "NSG")
        return true;
    const std::string prefix = (strOKLName == "FFH" || strOKLName == "VSG") ? std::string("DE-") : strOKLName;
    return strKennung.compare(0, prefix.size(), prefix) == 0 && strKennung.size() >= prefix.size();
}
