// The checkout: the exchange file set of one transaction, written from the central store.
#pragma once

#include <cstdint>
#include <string>

#include "vestra/Store.h"

namespace vestra {

struct CheckoutSummary {
    int Objects = 0;
    int Reserved = 0;
    int Photos = 0;
};

// Writes prefix + "t.dbf", "kl.dbf", ".tid", the geodata at the base path prefix, ".xml",
// "pc.dbf" (with its memo file) and the pictures into prefix + "_Fotos", replacing members of
// an earlier checkout. Everything is checked before the first file is written; a failure
// throws StoreError.
CheckoutSummary WriteCheckout(Store& store, int32_t tid, const std::string& directory, const std::string& prefix);

}  // namespace vestra
