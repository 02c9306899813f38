#include "vestra/Store.h"

namespace vestra {

namespace {

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS objekte(
  nummer INTEGER PRIMARY KEY,
  kennung TEXT NOT NULL UNIQUE,
  klasse TEXT NOT NULL,
  x REAL NOT NULL,
  y REAL NOT NULL,
  vgnr INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS attribute(
  kennung TEXT NOT NULL REFERENCES objekte(kennung) ON DELETE CASCADE,
  name TEXT NOT NULL,
  wert TEXT NOT NULL,
  PRIMARY KEY(kennung, name));
CREATE TABLE IF NOT EXISTS fotos(
  photo_id INTEGER PRIMARY KEY,
  kurzname TEXT NOT NULL, datei TEXT NOT NULL,
  rw INTEGER NOT NULL, hw INTEGER NOT NULL, richtung INTEGER NOT NULL,
  datum TEXT NOT NULL, quelle TEXT NOT NULL, beschr TEXT NOT NULL,
  bild BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS fotolinks(
  kennung TEXT NOT NULL REFERENCES objekte(kennung) ON DELETE CASCADE,
  photo_id INTEGER NOT NULL REFERENCES fotos(photo_id),
  PRIMARY KEY(kennung, photo_id));
CREATE TABLE IF NOT EXISTS transaktionen(
  tid INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  owner TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS ausgecheckt(
  tid INTEGER NOT NULL REFERENCES transaktionen(tid),
  kennung TEXT NOT NULL REFERENCES objekte(kennung) ON DELETE CASCADE,
  schreibend INTEGER NOT NULL CHECK(schreibend IN (0, 1)),
  PRIMARY KEY(tid, kennung));
CREATE TABLE IF NOT EXISTS reserviert(
  kennung TEXT PRIMARY KEY,
  tid INTEGER NOT NULL REFERENCES transaktionen(tid));
)";

void CheckKennung(const std::string& kennung)
{
    if (kennung.empty() || kennung.size() > kKennungWidth)
        throw StoreError("unzulässige Kennung \"" + kennung + "\"");
}

}  // namespace

Store::Store(const std::string& path, bool create) : db_(path, create)
{
    if (create)
        db_.Exec(kSchema);
    // A file that is no store fails here rather than at the first use.
    Statement probe(db_, "SELECT count(*) FROM objekte, transaktionen, reserviert WHERE 0");
    probe.Step();
}

void Store::PutObject(const StoredObject& o)
{
    CheckKennung(o.Kennung);
    WriteTransaction tx(db_);
    Statement put(db_,
                  "INSERT INTO objekte(kennung, klasse, x, y, vgnr) VALUES(?1, ?2, ?3, ?4, ?5) "
                  "ON CONFLICT(kennung) DO UPDATE SET klasse = ?2, x = ?3, y = ?4, vgnr = ?5");
    put.Bind(1, o.Kennung).Bind(2, o.Klasse).Bind(3, o.X).Bind(4, o.Y).Bind(5, int64_t(o.Vgnr)).Run();
    Statement clearAttr(db_, "DELETE FROM attribute WHERE kennung = ?1");
    clearAttr.Bind(1, o.Kennung).Run();
    Statement attr(db_, "INSERT INTO attribute(kennung, name, wert) VALUES(?1, ?2, ?3)");
    for (const auto& [name, value] : o.Attribute)
        attr.Bind(1, o.Kennung).Bind(2, name).Bind(3, value).Run();
    Statement clearLinks(db_, "DELETE FROM fotolinks WHERE kennung = ?1");
    clearLinks.Bind(1, o.Kennung).Run();
    Statement link(db_, "INSERT OR IGNORE INTO fotolinks(kennung, photo_id) VALUES(?1, ?2)");
    for (int32_t id : o.Fotos)
        link.Bind(1, o.Kennung).Bind(2, int64_t(id)).Run();
    tx.Commit();
}

void Store::RemoveObject(const std::string& kennung)
{
    Statement del(db_, "DELETE FROM objekte WHERE kennung = ?1");
    del.Bind(1, kennung).Run();
}

std::optional<StoredObject> Store::FindObject(const std::string& kennung)
{
    Statement q(db_, "SELECT nummer, klasse, x, y, vgnr FROM objekte WHERE kennung = ?1");
    q.Bind(1, kennung);
    if (!q.Step())
        return std::nullopt;
    StoredObject o;
    o.Kennung = kennung;
    o.Nummer = int32_t(q.Int(0));
    o.Klasse = q.Text(1);
    o.X = q.Real(2);
    o.Y = q.Real(3);
    o.Vgnr = int32_t(q.Int(4));
    Statement attr(db_, "SELECT name, wert FROM attribute WHERE kennung = ?1 ORDER BY name");
    attr.Bind(1, kennung);
    while (attr.Step())
        o.Attribute.emplace_back(attr.Text(0), attr.Text(1));
    Statement links(db_, "SELECT photo_id FROM fotolinks WHERE kennung = ?1 ORDER BY photo_id");
    links.Bind(1, kennung);
    while (links.Step())
        o.Fotos.push_back(int32_t(links.Int(0)));
    return o;
}

int Store::ObjectCount()
{
    Statement q(db_, "SELECT count(*) FROM objekte");
    q.Step();
    return int(q.Int(0));
}

void Store::PutPhoto(const Photo& p)
{
    Statement put(db_,
                  "INSERT OR REPLACE INTO fotos(photo_id, kurzname, datei, rw, hw, richtung, datum, quelle, "
                  "beschr, bild) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
    put.Bind(1, int64_t(p.PhotoID)).Bind(2, p.Kurzname).Bind(3, p.Datei).Bind(4, int64_t(p.RW));
    put.Bind(5, int64_t(p.HW)).Bind(6, int64_t(p.Richtung)).Bind(7, p.Datum).Bind(8, p.Quelle);
    put.Bind(9, p.Beschr).BindBlob(10, p.Bild).Run();
}

std::optional<Photo> Store::FindPhoto(int32_t photoId)
{
    Statement q(db_,
                "SELECT kurzname, datei, rw, hw, richtung, datum, quelle, beschr, bild FROM fotos "
                "WHERE photo_id = ?1");
    q.Bind(1, int64_t(photoId));
    if (!q.Step())
        return std::nullopt;
    return Photo{photoId,          q.Text(0), q.Text(1), int32_t(q.Int(2)), int32_t(q.Int(3)),
                 int32_t(q.Int(4)), q.Text(5), q.Text(6), q.Text(7),         q.Blob(8)};
}

void Store::AddTransaction(const Transaction& t)
{
    Statement put(db_, "INSERT INTO transaktionen(tid, name, owner) VALUES(?1, ?2, ?3)");
    put.Bind(1, int64_t(t.TID)).Bind(2, t.Name).Bind(3, t.Owner).Run();
}

std::optional<Transaction> Store::FindTransaction(int32_t tid)
{
    Statement q(db_, "SELECT name, owner FROM transaktionen WHERE tid = ?1");
    q.Bind(1, int64_t(tid));
    if (!q.Step())
        return std::nullopt;
    return Transaction{tid, q.Text(0), q.Text(1)};
}

void Store::CheckOut(int32_t tid, const std::string& kennung, Lock lock)
{
    Statement put(db_, "INSERT OR REPLACE INTO ausgecheckt(tid, kennung, schreibend) VALUES(?1, ?2, ?3)");
    put.Bind(1, int64_t(tid)).Bind(2, kennung).Bind(3, int64_t(lock)).Run();
}

void Store::Release(int32_t tid, const std::string& kennung)
{
    Statement del(db_, "DELETE FROM ausgecheckt WHERE tid = ?1 AND kennung = ?2");
    del.Bind(1, int64_t(tid)).Bind(2, kennung).Run();
}

std::optional<Lock> Store::LockOf(int32_t tid, const std::string& kennung)
{
    Statement q(db_, "SELECT schreibend FROM ausgecheckt WHERE tid = ?1 AND kennung = ?2");
    q.Bind(1, int64_t(tid)).Bind(2, kennung);
    if (!q.Step())
        return std::nullopt;
    return q.Int(0) == WriteLocked ? WriteLocked : ReadLocked;
}

std::vector<CheckedOut> Store::CheckedOutObjects(int32_t tid)
{
    Statement q(db_, "SELECT kennung, schreibend FROM ausgecheckt WHERE tid = ?1 ORDER BY kennung");
    q.Bind(1, int64_t(tid));
    std::vector<CheckedOut> out;
    while (q.Step())
        out.push_back({q.Text(0), q.Int(1) == WriteLocked ? WriteLocked : ReadLocked});
    return out;
}

void Store::Reserve(int32_t tid, const std::string& kennung)
{
    CheckKennung(kennung);
    Statement put(db_, "INSERT INTO reserviert(kennung, tid) VALUES(?1, ?2)");
    put.Bind(1, kennung).Bind(2, int64_t(tid)).Run();
}

void Store::Unreserve(const std::string& kennung)
{
    Statement del(db_, "DELETE FROM reserviert WHERE kennung = ?1");
    del.Bind(1, kennung).Run();
}

std::vector<std::string> Store::Reserved(int32_t tid)
{
    Statement q(db_, "SELECT kennung FROM reserviert WHERE tid = ?1 ORDER BY kennung");
    q.Bind(1, int64_t(tid));
    std::vector<std::string> out;
    while (q.Step())
        out.push_back(q.Text(0));
    return out;
}

}  // namespace vestra
