// Files of the real file system, one implementation per platform.
#pragma once

#include <memory>
#include <string>

#include "platform/dbf/DbfTable.h"
#include "platform/dbf/FileIO.h"

namespace dbf::io {

[[noreturn]] inline void fail(const std::string& path, const std::string& what) {
    throw EngineError(what + ": " + path);
}

// Opens a file as OpenMode says; throws EngineError naming the file when it cannot.
std::unique_ptr<File> openNativeFile(const std::string& path, OpenMode mode);

}  // namespace dbf::io
