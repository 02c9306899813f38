// The central store of the VESTRA stand-in: objects, photos, transactions, their checked-out
// objects with lock state, and the identifiers reserved per transaction, in one SQLite file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vestra/Sqlite.h"

namespace vestra {

// Identifiers are compared exactly (case-sensitive) and are at most this long, as VESTRA's
// exchange tables hold them.
inline constexpr size_t kKennungWidth = 41;

enum Lock : int32_t { ReadLocked = 0, WriteLocked = 1 };

struct StoredObject {
    std::string Kennung;  // Windows-1252, as every text here
    std::string Klasse;
    double X = 0;
    double Y = 0;
    int32_t Vgnr = 0;
    int32_t Nummer = 0;  // the store's own object number; set by the store
    std::vector<std::pair<std::string, std::string>> Attribute;  // name, value; ordered by name
    std::vector<int32_t> Fotos;                                  // linked photo ids, ascending
};

struct Photo {
    int32_t PhotoID = 0;
    std::string Kurzname;
    std::string Datei;  // file name of the picture
    int32_t RW = 0;
    int32_t HW = 0;
    int32_t Richtung = 0;
    std::string Datum;  // "yyyy-mm-dd", or empty when unknown
    std::string Quelle;
    std::string Beschr;
    std::string Bild;  // the picture's bytes
};

struct Transaction {
    int32_t TID = 0;
    std::string Name;
    std::string Owner;
};

struct CheckedOut {
    std::string Kennung;
    Lock Schreibend = ReadLocked;
};

class Store {
public:
    // Opens an existing store; with create, makes a new empty one when the file is missing.
    explicit Store(const std::string& path, bool create = false);

    // Inserts or replaces an object with its attributes and photo links.
    void PutObject(const StoredObject& object);
    void RemoveObject(const std::string& kennung);
    std::optional<StoredObject> FindObject(const std::string& kennung);
    int ObjectCount();

    void PutPhoto(const Photo& photo);
    std::optional<Photo> FindPhoto(int32_t photoId);

    void AddTransaction(const Transaction& transaction);
    std::optional<Transaction> FindTransaction(int32_t tid);

    void CheckOut(int32_t tid, const std::string& kennung, Lock lock);
    void Release(int32_t tid, const std::string& kennung);
    // The lock of the object in that transaction, if it is checked out there.
    std::optional<Lock> LockOf(int32_t tid, const std::string& kennung);
    std::vector<CheckedOut> CheckedOutObjects(int32_t tid);  // in identifier order

    // An identifier is reserved for at most one transaction.
    void Reserve(int32_t tid, const std::string& kennung);
    void Unreserve(const std::string& kennung);
    std::vector<std::string> Reserved(int32_t tid);  // in identifier order

    Database& Db() { return db_; }

private:
    Database db_;
};

}  // namespace vestra
