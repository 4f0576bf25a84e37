#pragma once
// Memo files beside a table: FPT (FoxPro; big-endian header, block size from the header,
// each memo an 8-byte block header of type and length) and DBT (dBase III: 512-byte
// blocks, text ended by 0x1A 0x1A; dBase IV blocks with their length header are read).
#include <cstdint>
#include <string>
#include <string_view>

#include "store/dbf_header.h"
#include "store/os_file.h"

namespace store {

class MemoFile {
 public:
  MemoFile() = default;
  // Opens an existing memo file; throws StoreError naming it when missing or damaged.
  // `dbase4`: the table is a dBase IV one (its DBT blocks carry a length header).
  MemoFile(const std::string& path, MemoKind kind, bool writable, bool dbase4 = false);
  // Creates an empty memo file (FPT block size 64 as FoxPro does; DBT 512).
  static void create(const std::string& path, MemoKind kind, std::uint32_t block_size = 0);

  bool is_open() const { return file_.is_open(); }
  const std::string& path() const { return file_.path(); }
  MemoKind kind() const { return kind_; }
  std::uint32_t block_size() const { return block_size_; }
  void close() { file_.close(); }

  // The text stored at `block` (0 = empty memo).
  std::string read(std::uint32_t block) const;
  // Stores `text`, reusing the blocks of `old_block` when it fits there; returns the
  // block to record in the table (0 for empty text). `shared` takes the memo file's
  // allocation lock and re-reads the next free block from disk.
  std::uint32_t write(std::uint32_t old_block, std::string_view text, bool shared);
  void sync() { file_.sync(); }

 private:
  std::uint32_t read_next_free() const;
  void write_next_free(std::uint32_t next);
  std::uint64_t stored_span(std::uint32_t block) const;  // bytes the memo at block occupies

  OsFile file_;
  MemoKind kind_ = MemoKind::kNone;
  std::uint32_t block_size_ = 0;
  bool dbase4_ = false;
};

}  // namespace store
