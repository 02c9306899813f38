// The fixed places of the .MDX file layout, shared by the units of the production index.
//
// Page numbers count 512-byte pages; a node is one block (two pages by default). A node holds
// its key count, four unused bytes, then entries of a 4-byte pointer and the key. Leaves point
// at records; an inner node with n keys has n+1 child pointers, key i being the last key of
// child i. A node whose pointer after its last key is zero is a leaf.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbf::mdx::layout {

constexpr uint32_t kPage = 512;
constexpr size_t kHeaderBytes = 2048;  // file header and tag table: pages 0..3
constexpr size_t kTagTable = 544;
constexpr int kMaxTags = 47;

// Today's date as the file keeps it: years since 1900, month, day.
void putDate(uint8_t* p);

}  // namespace dbf::mdx::layout
