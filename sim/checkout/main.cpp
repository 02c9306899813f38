// The checkout stand-in: writes one transaction's exchange file set from the central store,
// or generates a synthetic store.
//   checkout --store FILE --tid N --dir DIR --prefix PREFIX
//   checkout --store FILE --generate OBJECTS [--seed S] [--tid N]
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/os/Files.h"
#include "vestra/Checkout.h"
#include "vestra/Synthetic.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: checkout --store FILE --tid N --dir DIR --prefix PREFIX\n"
                 "       checkout --store FILE --generate OBJECTS [--seed S] [--tid N]\n");
    return 2;
}

bool ToInt(const std::string& text, long long& out)
{
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

}  // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> opt;
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (key.rfind("--", 0) != 0 || i + 1 >= argc || opt.count(key))
            return Usage();
        opt[key] = argv[++i];
    }
    long long tid = 1, objects = 0, seed = 1;
    if (!opt.count("--store") || (opt.count("--tid") && !ToInt(opt["--tid"], tid)))
        return Usage();
    try {
        const std::string store = os::NativePath(opt["--store"]);
        if (opt.count("--generate")) {
            if (!ToInt(opt["--generate"], objects) || objects < 0 || objects > 100000000 ||
                (opt.count("--seed") && !ToInt(opt["--seed"], seed)) || opt.size() > 4)
                return Usage();
            vestra::GenerateStore(store, {int(objects), uint32_t(seed), int32_t(tid)});
            std::printf("%lld Objekte in %s\n", objects, store.c_str());
            return 0;
        }
        if (!opt.count("--tid") || !opt.count("--dir") || !opt.count("--prefix") || opt.size() != 4)
            return Usage();
        vestra::Store db(store);
        const auto s = vestra::WriteCheckout(db, int32_t(tid), os::NativePath(opt["--dir"]), opt["--prefix"]);
        std::printf("Transaktion %lld: %d Objekte, %d reservierte Kennungen, %d Fotos\n", tid, s.Objects,
                    s.Reserved, s.Photos);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "checkout: %s\n", e.what());
        return 1;
    }
}
