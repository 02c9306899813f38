#include "exchange/ExportRows.h"

bool WirdExportiert(int32_t SCHREIBEND, const std::string& CHANGED) {
    return (SCHREIBEND == 1 || SCHREIBEND == 2) && (CHANGED == "UPDATE" || CHANGED == "NEW");
}

std::vector<AktionsZeile> AktionenDerZeile(const std::string& strKennung, const std::string& strOrgKennung,
                                           std::string strAction) {
    if (strAction.empty())
        strAction = "IGNORED";
    const std::string first = strAction.substr(0, 1);
    if (strKennung == strOrgKennung || strOrgKennung.empty())
        return {{strKennung, first}};
    if (strAction == "DELETE")
        return {{strOrgKennung, "D"}};
    if (strAction == "UPDATE")
        return {{strOrgKennung, "D"}, {strKennung, "N"}};
    return {{strKennung, first}};
}
