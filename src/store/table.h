#pragma once
// A work area on one DBF table: its memo file, its index files and its locks.
//
// Positioning follows the xBase rules: go_top/go_bottom/go_to/skip/seek move in the
// controlling order (or in record order when there is none); past the last record the
// table is at end (`eof()`, record number count + 1, a blank record); skipping before
// the first record sets `bof()` and stays on the first record.
//
// Field values are changed in the record buffer (put_*) and written when the table
// moves, unlocks, commits or closes; indexes follow at that moment. In shared mode a
// record may be written only while it is locked (lock_record, lock_file, or the record
// just appended); a write without a lock throws StoreError.
//
// Shared mode: changes made by other processes are seen at the next move (go_*, skip,
// seek): the header is re-read for the record count, records are read from the file
// every time, and index pages are re-read when the index file's change counter moved.
// Locks are tried once; waiting and telling the user is the caller's business.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/dbf_header.h"
#include "store/field.h"
#include "store/memo_file.h"
#include "store/os_file.h"

namespace store {

class CdxCursor;

// Opening refused because another work area (here or in another process) holds the
// table in a way that excludes this open. Callers report it and do not retry here.
class TableBusy : public StoreError {
 public:
  using StoreError::StoreError;
};

enum class OpenMode { kShared, kExclusive, kReadOnly };

enum class TableFormat {
  kFoxPro,  // version 0x03, 0xF5 with an FPT memo (the program's own tables)
  kDBase3,  // version 0x03, 0x83 with a DBT memo
};

// The lock offsets of the FoxPro/Clipper scheme, shared with other xBase programs.
constexpr std::uint64_t kRecordLockBase = 0x7FFFFFFE;  // record n: base - n, one byte
constexpr std::uint64_t kFileLockOffset = 0x77FFFFFF;
constexpr std::uint64_t kFileLockLength = 0x07FFFFFF;
constexpr std::uint64_t kAppendLockOffset = 0x7FFFFFFE;
// Our own: a shared lock held by every open and an exclusive one by an exclusive open, so
// that exclusive opens exclude each other and shared opens across processes.
constexpr std::uint64_t kOpenLockOffset = 0x7FFFFFFF;

// A tag as the table knows it (its definition lives in the index file).
struct OrderInfo {
  std::string tag;          // upper case
  std::string index_path;   // the CDX file holding it
  std::string key_expression;
  std::string for_expression;
  bool descending = false;
  bool unique = false;
};

class Table {
 public:
  // Creates a new table (and its empty memo file when a field is M). Fails when the file
  // exists unless `overwrite`; the file is written under a temporary name and renamed.
  static void create(const std::string& path, const std::vector<FieldDesc>& fields,
                     TableFormat format = TableFormat::kFoxPro, bool overwrite = false);

  // Opens an existing table; `path` is matched ignoring letter case when the exact name
  // is missing. Throws StoreError (missing, damaged) or TableBusy (held elsewhere).
  Table(const std::string& path, OpenMode mode);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  void close();
  bool is_open() const { return dbf_.is_open(); }
  const std::string& path() const { return path_; }
  OpenMode mode() const { return mode_; }
  bool shared() const { return mode_ == OpenMode::kShared; }
  const DbfHeader& header() const { return hdr_; }
  const std::vector<FieldDesc>& fields() const { return hdr_.fields; }
  // Field number (0-based) by name ignoring case, or -1.
  int field_index(std::string_view name) const;
  std::uint32_t record_count();  // re-reads the header in shared mode
  std::string last_update() const;  // "YYYYMMDD" of the header date

  // ---- Indexes
  // Attaches every tag of an existing CDX file (throws when missing or damaged). The
  // first attached tag becomes the controlling order when there was none.
  void attach_index(const std::string& cdx_path);
  // Adds a tag to a CDX file (created when missing) and builds it from the table; the
  // file is written anew under a temporary name and renamed into place. Needs the table
  // opened exclusively. Makes it the controlling order and goes to the top.
  void create_index(const std::string& cdx_path, const std::string& tag, const std::string& key,
                    const std::string& for_expression = "", bool descending = false,
                    bool unique = false);
  // Rebuilds every attached index file from the table (new file, renamed into place).
  // Needs the table opened exclusively.
  void reindex();
  std::vector<OrderInfo> orders() const;
  // 0 = record order; 1.. = the attached tags in order of attachment.
  void set_order(int order);
  bool set_order(std::string_view tag);  // false when no such tag
  int order() const { return current_order_; }
  // Key of the current record in the controlling order (as stored in the index).
  std::string current_key();

  // ---- Position
  void go_top();
  void go_bottom();
  void go_to(std::uint32_t recno);
  void skip(long n = 1);
  // Seeks a key in the controlling order. Character keys may be shorter than the tag's
  // key (prefix match). `soft`: when not found, stops at the next greater key.
  bool seek(std::string_view key, bool soft = false);
  bool seek_number(double value, bool soft = false);
  bool seek_date(std::string_view dtos, bool soft = false);
  bool found() const { return found_; }
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  std::uint32_t recno() const { return recno_; }
  // SET DELETED ON: moves pass over deleted records.
  void set_hide_deleted(bool hide) { hide_deleted_ = hide; }
  bool hide_deleted() const { return hide_deleted_; }

  // ---- Record values (field by number or by name)
  RecordRef record() const { return RecordRef{&hdr_.fields, data(), rec_.size()}; }
  bool deleted() const { return !rec_.empty() && data()[0] == '*'; }
  std::string get_text(int field) const;   // blanks kept (fixed width)
  double get_number(int field) const;
  std::string get_decimal(int field) const;  // exact: "-1234.50" with the field's decimals
  std::int64_t get_units(int field) const;   // value times 10^decimals, exact
  std::string get_date(int field) const;     // "YYYYMMDD", or "" when blank
  bool get_logical(int field) const;
  std::string get_memo(int field) const;
  std::string get_text(std::string_view name) const { return get_text(need_field(name)); }
  double get_number(std::string_view name) const { return get_number(need_field(name)); }
  std::string get_decimal(std::string_view name) const { return get_decimal(need_field(name)); }
  std::int64_t get_units(std::string_view name) const { return get_units(need_field(name)); }
  std::string get_date(std::string_view name) const { return get_date(need_field(name)); }
  bool get_logical(std::string_view name) const { return get_logical(need_field(name)); }
  std::string get_memo(std::string_view name) const { return get_memo(need_field(name)); }

  void put_text(int field, std::string_view value);  // padded with blanks, cut to width
  void put_number(int field, double value);            // rounded half away from zero
  void put_decimal(int field, std::string_view value);  // exact decimal text
  void put_units(int field, std::int64_t units);       // value times 10^decimals
  void put_date(int field, std::string_view dtos);      // "YYYYMMDD" or "" for blank
  void put_logical(int field, bool value);
  void put_memo(int field, std::string_view value);
  void put_text(std::string_view name, std::string_view v) { put_text(need_field(name), v); }
  void put_number(std::string_view name, double v) { put_number(need_field(name), v); }
  void put_decimal(std::string_view name, std::string_view v) { put_decimal(need_field(name), v); }
  void put_units(std::string_view name, std::int64_t v) { put_units(need_field(name), v); }
  void put_date(std::string_view name, std::string_view v) { put_date(need_field(name), v); }
  void put_logical(std::string_view name, bool v) { put_logical(need_field(name), v); }
  void put_memo(std::string_view name, std::string_view v) { put_memo(need_field(name), v); }
  // Stores field bytes as they are (width must match).
  void put_raw(int field, std::string_view bytes);

  // ---- Changes
  // Appends a blank record and moves to it. Shared mode: takes the append lock once
  // (false when another process holds it), then locks the new record for the caller,
  // releasing this work area's other record locks as DBAPPEND does.
  bool append();
  void delete_record();
  void recall();
  // Writes the record buffer and everything pending, and forces it to disk.
  void commit();
  // Removes deleted records (exclusive only); indexes are rebuilt.
  void pack();
  // Removes every record (exclusive only).
  void zap();
  // Appends every record of `source` (deleted ones too unless `skip_deleted`), field by
  // field by name; fields missing on either side are left out. Returns the count copied.
  std::uint32_t append_from(Table& source, bool skip_deleted = false);
  // Writes a new table at `dest` with this table's fields (and memo file) holding its
  // records in record order; the files are written under temporary names and renamed
  // into place, so `dest` is either untouched or complete. Returns the count copied.
  std::uint32_t copy_to(const std::string& dest, bool skip_deleted = false,
                        TableFormat format = TableFormat::kFoxPro);

  // ---- Locks (tried once)
  bool lock_record(std::uint32_t recno);
  bool lock_record() { return lock_record(recno_); }
  void unlock_record(std::uint32_t recno);
  bool lock_file();
  void unlock_file();
  void unlock_all();  // record and file locks; writes the record buffer first
  bool record_locked(std::uint32_t recno) const;
  bool file_locked() const { return file_locked_; }

 private:
  struct Order;
  struct IndexFile;
  struct Cache;

  int need_field(std::string_view name) const;
  void ensure_loaded() const;
  const char* data() const {
    ensure_loaded();
    return rec_.data();
  }
  const FieldDesc& field_desc(int field) const;
  void refresh_count();
  void reconcile_count_at_open();
  void read_record(std::uint32_t recno, char* out);
  void write_record_bytes(std::uint32_t recno, const char* data);
  void load(std::uint32_t recno);
  void set_eof();
  void flush_record();
  void flush_appends();
  void write_header_prefix();
  void touch_date();
  void require_writable_record();
  void begin_change();
  bool visible() const { return !(hide_deleted_ && deleted()); }
  void skip_natural(long n);
  void skip_ordered(long n);
  void settle_forward();
  void settle_backward();
  bool seek_encoded(const std::string& key, bool soft, bool partial);
  std::uint32_t memo_block(int field) const;
  std::vector<std::string> order_keys(const char* record);
  void index_record_change(std::uint32_t recno, const char* old_rec, const char* new_rec,
                           bool was_in_index);
  std::vector<std::string> index_file_paths() const;
  IndexFile& index_file(const std::string& cdx_path, bool create);
  void close_indexes();
  // Writes each index file of `defs` anew (temporary file renamed into place) from the
  // table and attaches its tags; the controlling order is restored by number.
  void build_index_files(const std::vector<OrderInfo>& defs);
  void lock_indexes(bool write);
  void unlock_indexes();
  void refresh_indexes();
  Order* controlling() const;
  bool position_cursor();
  void load_checked(std::uint32_t recno);
  void ordered_settle(bool forward);
  bool writable_mode() const { return mode_ != OpenMode::kReadOnly; }
  void require_exclusive(const char* what) const;
  void release_memory_map();

  std::string path_;
  OpenMode mode_ = OpenMode::kShared;
  OsFile dbf_;
  DbfHeader hdr_;
  MemoFile memo_;
  std::uint32_t count_ = 0;
  std::uint32_t recno_ = 0;
  mutable std::vector<char> rec_;
  mutable bool loaded_ = true;
  std::vector<char> orig_;
  bool dirty_ = false;
  bool new_record_ = false;  // appended and not yet in the indexes
  bool eof_ = true, bof_ = true, found_ = false;
  bool hide_deleted_ = false;
  bool modified_ = false;  // header date to be stamped
  bool file_locked_ = false;
  std::vector<std::uint32_t> locked_records_;
  std::unique_ptr<Cache> cache_;
  std::vector<std::unique_ptr<IndexFile>> index_files_;
  std::vector<std::unique_ptr<Order>> orders_;
  int current_order_ = 0;
  std::unique_ptr<CdxCursor> cursor_;
  int index_lock_depth_ = 0;
};

}  // namespace store
