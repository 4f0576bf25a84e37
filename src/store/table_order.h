#pragma once
// Internal to Table: the index files attached to a work area and their tags.
#include <memory>
#include <string>

#include "store/cdx.h"
#include "store/os_file.h"
#include "store/table.h"

namespace store {

// One CDX file: its own descriptor (its byte-range locks belong to this work area) and
// the parsed index on top of it.
struct Table::IndexFile {
  std::string path;
  OsFile os;
  std::unique_ptr<CdxFile> cdx;
  bool dirty = false;  // changed since the last flush

  void flush() {
    if (dirty && cdx) cdx->flush();
    dirty = false;
  }
  void flush_and_sync() {
    flush();
    if (cdx) cdx->sync();
  }
};

struct Table::Order {
  IndexFile* file = nullptr;
  CdxTag* tag = nullptr;
  OrderInfo info;
};

}  // namespace store
