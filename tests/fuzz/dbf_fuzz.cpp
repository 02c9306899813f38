// Fuzz target of the dBase engine: a sound table with index and memo file, damaged by the
// input, is opened, walked, checked and edited. Anything but an EngineError, a crash, a leak
// or undefined behaviour is a finding.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"

namespace {

const char* const kDir = "/fuzz/";
const char* const kFiles[] = {"/fuzz/T.DBF", "/fuzz/T.MDX", "/fuzz/T.DBT"};

// The sound files every input starts from: 400 rows in runs of equal TIDs, two indexes of
// two and three levels, a memo for every third row.
const std::map<std::string, std::vector<uint8_t>>& soundFiles() {
    static const auto files = [] {
        auto fs = std::make_shared<dbf::io::MemoryFileSystem>();
        dbf::Table t(kDir, "T.DBF");
        t.setFileSystem(fs);
        t.addFieldDef("TID", dbf::FieldType::Integer);
        t.addFieldDef("KENNUNG", dbf::FieldType::Character, 20);
        t.addFieldDef("DATUM", dbf::FieldType::Date);
        t.addFieldDef("NOTE", dbf::FieldType::Memo);
        t.createTable();
        t.open();
        for (int i = 0; i < 400; ++i) {
            t.append();
            t.fieldByName("TID").setInteger(1000 + i / 100);
            t.fieldByName("KENNUNG").setString(std::string("K").append(std::to_string(7919 * i % 400)));
            t.fieldByName("DATUM").setDate(dbf::Date{2020, 1 + i % 12, 1 + i % 28});
            if (i % 3 == 0) t.fieldByName("NOTE").setString(std::string("Notiz ").append(std::to_string(i)));
            t.post();
        }
        t.close();
        t.addIndex("idxKennung", "KENNUNG");
        t.addIndex("idxTID", "TID");
        return fs->snapshot();
    }();
    return files;
}

// The input as damage: records of five bytes, each a file (low two bits of the first byte; 3
// cuts the file named by the next two bits), an offset of 16 bits and a value to put there.
void damage(dbf::io::MemoryFileSystem& fs, const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 5 <= size; i += 5) {
        const uint8_t what = data[i];
        const size_t offset = size_t(data[i + 1]) | size_t(data[i + 2]) << 8;
        const size_t scaled = offset * (1 + (what >> 5));  // reaches the whole index file
        if ((what & 3) == 3) {
            auto& file = fs.data(kFiles[(what >> 2) % 3]);
            if (scaled < file.size()) file.resize(scaled);
            continue;
        }
        auto& file = fs.data(kFiles[what & 3]);
        if (scaled < file.size()) file[scaled] = data[i + 3];
        if (scaled + 1 < file.size() && (what & 4)) file[scaled + 1] = data[i + 4];
    }
}

void walk(dbf::Table& t) {
    std::vector<dbf::Field*> fields;
    for (const auto& f : t.fieldDefs()) fields.push_back(&t.fieldByName(f.name));
    int steps = 0;
    for (t.first(); !t.eof() && steps < 2000; t.next(), ++steps)
        for (dbf::Field* field : fields) {
            field->asString();
            field->isNull();
        }
}

template <typename F>
void attempt(F f) {
    try {
        f();
    } catch (const dbf::EngineError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    auto fs = std::make_shared<dbf::io::MemoryFileSystem>();
    fs->restore(soundFiles());
    damage(*fs, data + 1, size - 1);
    dbf::Table t(kDir, "T.DBF");
    t.setFileSystem(fs);
    attempt([&] {
        t.open();
        walk(t);
        for (const auto& name : t.indexNames()) {
            attempt([&] {
                t.setIndexName(name);
                walk(t);
            });
        }
        attempt([&] { t.checkIndexes(); });
    });
    if (data[0] & 1) {
        // Edits on the damaged files: through the index by identifier, and by TID ranges.
        attempt([&] {
            t.setIndexName("idxKennung");
            if (t.findKey(std::string("K17"))) t.deleteRecord();
            if (t.findKey(std::string("K42"))) {
                t.edit();
                t.fieldByName("KENNUNG").setString("K9999");
                t.fieldByName("NOTE").setString("geändert");
                t.post();
            }
            for (int i = 0; i < 3; ++i) {
                t.append();
                t.fieldByName("TID").setInteger(1000 + data[0] % 7);
                t.fieldByName("KENNUNG").setString(std::string("N").append(std::to_string(i)));
                t.post();
            }
            t.setIndexName("idxTID");
            t.setRange(int32_t(1001), int32_t(1001));
            for (int n = 0; !t.eof() && n < 120; ++n) t.deleteRecord();
            t.cancelRange();
            t.checkIndexes();
        });
    }
    return 0;
}
