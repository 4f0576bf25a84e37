#pragma once
// Compound index files (CDX) in the FoxPro compact format.
//
// File layout, all pages 512 bytes:
//   - the file header (1024 bytes at offset 0) heads the tag directory, itself a compact
//     index of tag names (key length 10) whose record numbers are the offsets of the tag
//     headers; offset 4 holds the list of free pages, offset 8 a change counter;
//   - a tag header (1024 bytes) per tag: root page, key length, options (unique, FOR),
//     descending flag, key and FOR expressions;
//   - interior pages: (key, record number, child page) entries, each the greatest entry
//     of its child; leaf pages: keys compressed by leading duplicate and trailing pad
//     counts, bit-packed with the record numbers.
// Entries are ordered by key (byte order, reversed for a descending tag), then by record
// number ascending.
//
// Sharing between processes: every flush() that wrote something increments the change
// counter in the file header. refresh_if_changed() re-reads it and drops every cached
// page when it moved. The caller holds the locks; the index only reads and writes pages
// (pread/pwrite). Writes are in place; flush() must be called before another process may
// read (before unlocking). A rebuild writes a new file (create + bulk_build + flush) that
// the caller renames into place.
//
// Damaged files (truncated, wrong header, garbage, cyclic page links) give StoreError
// naming the file; reads never loop forever.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "store/field.h"
#include "store/key_expression.h"

namespace store {

class CdxFile;
class CdxTag;

// Where a cursor stands in a tag. !valid(): before the first or past the last entry.
class CdxCursor {
 public:
  bool valid() const { return valid_; }
  const std::string& key() const { return key_; }  // full key bytes (key_length())
  std::uint32_t recno() const { return recno_; }

 private:
  friend class CdxTag;
  std::vector<std::pair<std::uint32_t, int>> path_;  // (page offset, entry) root..leaf
  std::string key_;
  std::uint32_t recno_ = 0;
  std::uint64_t stamp_ = 0;
  std::uint64_t hops_ = 0;  // leaf pages passed: bounds a walk over damaged links
  bool valid_ = false;
};

// Definition of a new tag.
struct CdxTagSpec {
  std::string name;            // up to 10 characters, stored upper case
  std::string key_expression;  // as written, e.g. "CPF+str(I7_0,4)"
  std::string for_expression;  // empty: every record
  KeyType key_type = KeyType::kCharacter;
  int key_length = 0;  // C: 1..240; N and D: 8
  bool descending = false;
  bool unique = false;  // only the first record of each key is indexed
};

class CdxTag {
 public:
  const std::string& name() const { return name_; }
  const std::string& key_expression() const { return key_expr_; }
  const std::string& for_expression() const { return for_expr_; }
  KeyType key_type() const { return key_type_; }
  int key_length() const { return key_length_; }
  bool descending() const { return descending_; }
  bool unique() const { return unique_; }

  // Compiled expressions, present when the file was opened with the table's fields.
  // key_for() evaluates the key of a record; includes() its FOR condition.
  bool has_expressions() const { return key_compiled_ != nullptr; }
  std::string key_for(const RecordRef& record) const;
  bool includes(const RecordRef& record) const;
  const KeyExpression* compiled_key() const { return key_compiled_.get(); }

  // Adds an entry. Keys shorter than key_length() are padded (blanks for character keys),
  // longer ones cut. A unique tag refuses a key it already has: false.
  bool insert(std::string_view key, std::uint32_t recno);
  // Removes the entry (key, recno); false when it is not there.
  bool erase(std::string_view key, std::uint32_t recno);

  // Positions on the first entry (in the tag's order) whose key begins with, or comes
  // after, `key`; `key` may be shorter than key_length() (a prefix). Invalid when every
  // key comes before it. Whether it was found: matches(cursor, key).
  CdxCursor seek(std::string_view key);
  bool matches(const CdxCursor& cursor, std::string_view key) const;
  // Positions on the entry (key, recno), or on the first entry after it when absent.
  CdxCursor seek_entry(std::string_view key, std::uint32_t recno);
  CdxCursor first();
  CdxCursor last();
  // Moves one entry; false (and the cursor invalid) past either end. Cursors stay usable
  // across changes to the tag: they re-find their entry by key and record number.
  bool next(CdxCursor& cursor);
  bool prev(CdxCursor& cursor);

  // Replaces the whole content by these entries (any order; sorted here). Used for
  // building and rebuilding. A unique tag keeps the lowest record of each key.
  void bulk_build(std::vector<std::pair<std::string, std::uint32_t>> entries);
  // Same, from keys laid end to end (key_length() bytes each) for records 1, 2, 3, ...;
  // a record whose `included` byte is 0 is left out (empty vector: all included).
  void bulk_build_sequential(const std::string& keys, const std::vector<char>& included = {});

  // Number of entries (walks the leaves).
  std::uint64_t count();
  // Walks the whole tag checking order and structure; throws StoreError when damaged.
  void verify();

  CdxTag(const CdxTag&) = delete;
  CdxTag& operator=(const CdxTag&) = delete;
  ~CdxTag();

  // Internal to the index code (declared here, defined in cdx_internal.h).
  struct Node;
  struct Impl;

 private:
  friend class CdxFile;
  CdxTag(CdxFile* file, std::string name, std::uint32_t header_offset);

  CdxFile* file_;
  std::string name_;
  std::uint32_t header_offset_;
  std::uint32_t root_ = 0;
  std::string key_expr_, for_expr_;
  KeyType key_type_ = KeyType::kCharacter;
  int key_length_ = 0;
  bool descending_ = false;
  bool unique_ = false;
  bool gone_ = false;  // removed from the file by another process
  bool header_dirty_ = false;
  std::uint64_t stamp_ = 1;
  std::unique_ptr<KeyExpression> key_compiled_;
  std::unique_ptr<Expression> for_compiled_;
};

struct CdxOpenOptions {
  // The table's fields: used to learn each tag's key type and to compile its
  // expressions. Without them every tag is taken as a character tag.
  const std::vector<FieldDesc>* fields = nullptr;
  bool read_only = false;
  // An open descriptor of the file to use (not closed here); -1: open `path` here.
  int fd = -1;
  // Decoded pages kept in memory (clean pages beyond this are dropped).
  std::size_t cache_pages = 65536;
};

class CdxFile {
 public:
  // A new empty index file (replacing any file of that name).
  static std::unique_ptr<CdxFile> create(const std::string& path, const CdxOpenOptions& options = {});
  // An existing file; throws StoreError when missing, truncated or damaged.
  static std::unique_ptr<CdxFile> open(const std::string& path, const CdxOpenOptions& options = {});
  ~CdxFile();  // flushes (errors ignored) and closes an owned descriptor
  CdxFile(const CdxFile&) = delete;
  CdxFile& operator=(const CdxFile&) = delete;

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }

  // Tag names in directory order (alphabetical).
  std::vector<std::string> tag_names() const;
  // nullptr when there is no such tag (name compared ignoring case).
  CdxTag* tag(std::string_view name);
  // Adds an empty tag. With fields known, the desc's key type and length may be left
  // 0/character: they are taken from the key expression. Throws when the name exists.
  CdxTag& add_tag(const CdxTagSpec& desc);
  // Removes a tag and frees its pages; false when there is no such tag.
  bool delete_tag(std::string_view name);

  // Writes every changed page and the header (change counter + 1).
  void flush();
  // Forces written pages to disk (fsync).
  void sync();
  // Re-reads the change counter; when another process changed the file, drops every
  // cached page and re-reads the tag directory. True when it had changed.
  bool refresh_if_changed();
  std::uint32_t change_counter() const { return counter_; }

 private:
  friend class CdxTag;
  CdxFile(std::string path, const CdxOpenOptions& options);
  struct PageCache;

  void read_header();
  void load_directory();
  void load_tag_header(CdxTag& tag);
  void write_tag_header(const CdxTag& tag);
  void read_raw(std::uint32_t offset, unsigned char* buf, std::size_t n) const;
  void write_raw(std::uint32_t offset, const unsigned char* buf, std::size_t n);
  std::uint32_t allocate_page();
  std::uint32_t allocate_block(std::uint32_t bytes);  // at the end of the file
  void free_page(std::uint32_t offset);
  void check_page_offset(std::uint32_t offset) const;
  void mark_changed();
  void evict_if_needed();
  [[noreturn]] void damaged(const std::string& what) const;

  std::string path_;
  int fd_ = -1;
  bool own_fd_ = false;
  bool read_only_ = false;
  const std::vector<FieldDesc>* fields_ = nullptr;
  std::size_t cache_limit_ = 65536;
  std::uint64_t file_end_ = 0;  // bytes in use, including pages allocated and not written
  std::uint32_t counter_ = 0;
  std::uint32_t free_head_ = 0xFFFFFFFFu;
  bool header_dirty_ = false;
  bool changed_ = false;  // something written since the last flush
  std::unique_ptr<CdxTag> directory_;
  std::map<std::string, std::unique_ptr<CdxTag>> tags_;  // by upper-case name
  std::unique_ptr<PageCache> cache_;
};

}  // namespace store
