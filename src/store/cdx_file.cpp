// CDX file level: header, tag directory, page I/O, allocation, flush and sharing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "store/cdx_internal.h"

namespace store {

using namespace cdx;

namespace {

std::string upper_name(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return r;
}

std::string trim_name(std::string_view key) {
  std::size_t e = key.size();
  while (e > 0 && (key[e - 1] == ' ' || key[e - 1] == '\0')) --e;
  return std::string(key.substr(0, e));
}

std::string sys_error(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

CdxFile::CdxFile(std::string path, const CdxOpenOptions& options)
    : path_(std::move(path)),
      read_only_(options.read_only),
      fields_(options.fields),
      cache_limit_(std::max<std::size_t>(options.cache_pages, 64)),
      cache_(std::make_unique<PageCache>()) {}

CdxFile::~CdxFile() {
  try {
    if (!read_only_) flush();
  } catch (...) {
  }
  if (own_fd_ && fd_ >= 0) ::close(fd_);
}

void CdxFile::damaged(const std::string& what) const { throw StoreError(path_, "damaged index: " + what); }

void CdxFile::read_raw(std::uint32_t offset, unsigned char* buf, std::size_t n) const {
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, buf + done, n - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw StoreError(path_, sys_error("read failed"));
    }
    if (r == 0) damaged("file is truncated");
    done += static_cast<std::size_t>(r);
  }
}

void CdxFile::write_raw(std::uint32_t offset, const unsigned char* buf, std::size_t n) {
  if (read_only_) throw StoreError(path_, "index opened read-only");
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::pwrite(fd_, buf + done, n - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw StoreError(path_, sys_error("write failed"));
    }
    done += static_cast<std::size_t>(r);
  }
}

void CdxFile::check_page_offset(std::uint32_t offset) const {
  if (offset % kPage != 0 || offset < kPage || static_cast<std::uint64_t>(offset) + kPage > file_end_) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "page pointer 0x%X outside the file", offset);
    damaged(buf);
  }
}

std::unique_ptr<CdxFile> CdxFile::create(const std::string& path, const CdxOpenOptions& options) {
  std::unique_ptr<CdxFile> f(new CdxFile(path, options));
  f->read_only_ = false;
  if (options.fd >= 0) {
    f->fd_ = options.fd;
    if (::ftruncate(f->fd_, 0) != 0) throw StoreError(path, sys_error("cannot empty the index"));
  } else {
    f->fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (f->fd_ < 0) throw StoreError(path, sys_error("cannot create the index"));
    f->own_fd_ = true;
  }
  f->file_end_ = 2 * kPage;
  f->counter_ = 0;
  f->free_head_ = kNone;
  f->directory_.reset(new CdxTag(f.get(), "", 0));
  CdxTag& d = *f->directory_;
  d.key_length_ = 10;
  d.key_type_ = KeyType::kCharacter;
  std::uint32_t root = f->allocate_page();
  auto node = std::make_unique<CdxTag::Node>();
  node->offset = root;
  node->key_length = 10;
  node->pad = ' ';
  node->leaf = true;
  node->root = true;
  node->dirty = true;
  f->cache_->nodes[root] = std::move(node);
  f->cache_->dirty.push_back(root);
  d.root_ = root;
  d.header_dirty_ = true;
  f->header_dirty_ = true;
  f->changed_ = true;
  f->flush();
  return f;
}

std::unique_ptr<CdxFile> CdxFile::open(const std::string& path, const CdxOpenOptions& options) {
  std::unique_ptr<CdxFile> f(new CdxFile(path, options));
  if (options.fd >= 0) {
    f->fd_ = options.fd;
  } else {
    f->fd_ = ::open(path.c_str(), (options.read_only ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (f->fd_ < 0) throw StoreError(path, sys_error("cannot open the index"));
    f->own_fd_ = true;
  }
  f->read_header();
  f->load_directory();
  return f;
}

void CdxFile::read_header() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) throw StoreError(path_, sys_error("cannot read the index size"));
  if (st.st_size < static_cast<off_t>(3 * kPage)) damaged("file is truncated (no header)");
  if (st.st_size > static_cast<off_t>(0xFFFFF000u)) damaged("file is too large");
  file_end_ = static_cast<std::uint64_t>(st.st_size) / kPage * kPage;
  unsigned char h[2 * kPage];
  read_raw(0, h, sizeof h);
  int key_length = get16(h + 12);
  unsigned char options = h[14];
  if ((options & kOptCompact) == 0 || key_length < 1 || key_length > kMaxCharKeyLength) {
    damaged("not a compound index header");
  }
  if (!directory_) directory_.reset(new CdxTag(this, "", 0));
  CdxTag& d = *directory_;
  d.key_length_ = key_length;
  d.key_type_ = KeyType::kCharacter;
  d.descending_ = false;
  d.root_ = get32(h);
  check_page_offset(d.root_);
  free_head_ = get32(h + 4);
  if (free_head_ != kNone && (free_head_ % kPage != 0 || free_head_ < 2 * kPage || free_head_ >= file_end_)) {
    free_head_ = kNone;  // unusable list: new pages go to the end of the file
  }
  counter_ = get32be(h + 8);
  std::memcpy(cache_->headers[0].data(), h, sizeof h);
}

void CdxFile::load_tag_header(CdxTag& tag) {
  std::uint32_t off = tag.header_offset_;
  if (off % kPage != 0 || off < 2 * kPage || static_cast<std::uint64_t>(off) + 2 * kPage > file_end_) {
    damaged("tag " + tag.name_ + ": header outside the file");
  }
  auto& h = cache_->headers[off];
  read_raw(off, h.data(), h.size());
  int key_length = get16(h.data() + 12);
  unsigned char options = h[14];
  if ((options & kOptCompact) == 0 || key_length < 1 || key_length > kMaxCharKeyLength) {
    damaged("tag " + tag.name_ + ": bad header");
  }
  tag.root_ = get32(h.data());
  check_page_offset(tag.root_);
  tag.key_length_ = key_length;
  tag.unique_ = (options & kOptUnique) != 0;
  tag.descending_ = get16(h.data() + 502) != 0;
  const char* pool = reinterpret_cast<const char*>(h.data() + kPage);
  std::size_t key_end = 0;
  while (key_end < kPage && pool[key_end] != '\0') ++key_end;
  if (key_end == 0 || key_end >= kPage) damaged("tag " + tag.name_ + ": bad key expression");
  std::size_t for_end = key_end + 1;
  while (for_end < kPage && pool[for_end] != '\0') ++for_end;
  tag.key_expr_.assign(pool, key_end);
  tag.for_expr_ = (options & kOptFor) ? std::string(pool + key_end + 1, for_end - key_end - 1) : std::string();
  while (!tag.for_expr_.empty() && tag.for_expr_.back() == ' ') tag.for_expr_.pop_back();
  tag.key_type_ = KeyType::kCharacter;
  tag.key_compiled_.reset();
  tag.for_compiled_.reset();
  if (fields_ != nullptr) {
    KeyExpression k = KeyExpression::parse(tag.key_expr_, *fields_, path_);
    tag.key_type_ = k.type();
    if (k.type() != KeyType::kCharacter && key_length != 8) {
      damaged("tag " + tag.name_ + ": key length does not fit its expression");
    }
    tag.key_compiled_ = std::make_unique<KeyExpression>(std::move(k));
    if (!tag.for_expr_.empty()) {
      tag.for_compiled_ = std::make_unique<Expression>(Expression::parse_condition(tag.for_expr_, *fields_, path_));
    }
  }
  tag.header_dirty_ = false;
}

void CdxFile::write_tag_header(const CdxTag& tag) {
  std::uint32_t off = tag.header_offset_;
  auto it = cache_->headers.find(off);
  if (it == cache_->headers.end()) {
    it = cache_->headers.emplace(off, std::array<unsigned char, 2 * kPage>{}).first;
    it->second.fill(0);
  }
  unsigned char* h = it->second.data();
  put32(h, tag.root_);
  put16(h + 12, static_cast<unsigned>(tag.key_length_));
  h[15] = 1;
  if (&tag == directory_.get()) {
    put32(h + 4, free_head_);
    put32be(h + 8, counter_);
    h[14] = kOptCompact | kOptCompound | kOptStructure;
    if (get16(h + 510) == 0) {  // an expression pool of two empty texts
      put16(h + 504, 1);
      put16(h + 506, 1);
      put16(h + 510, 1);
    }
  } else {
    put32(h + 4, kNone);
    h[14] = static_cast<unsigned char>(kOptCompact | kOptCompound | (tag.unique_ ? kOptUnique : 0) |
                                       (tag.for_expr_.empty() ? 0 : kOptFor));
    put16(h + 502, tag.descending_ ? 1 : 0);
    std::size_t kl = tag.key_expr_.size() + 1, fl = tag.for_expr_.size() + 1;
    put16(h + 504, static_cast<unsigned>(kl));  // where the FOR expression starts
    put16(h + 506, static_cast<unsigned>(fl));
    put16(h + 508, 0);                          // where the key expression starts
    put16(h + 510, static_cast<unsigned>(kl));
    std::memset(h + kPage, 0, kPage);
    std::memcpy(h + kPage, tag.key_expr_.data(), tag.key_expr_.size());
    std::memcpy(h + kPage + kl, tag.for_expr_.data(), tag.for_expr_.size());
  }
  write_raw(off, h, 2 * kPage);
}

void CdxFile::load_directory() {
  std::vector<std::pair<std::string, std::uint32_t>> entries;
  CdxTag& d = *directory_;
  for (CdxCursor c = d.first(); c.valid(); d.next(c)) {
    entries.emplace_back(upper_name(trim_name(c.key())), c.recno());
    if (entries.size() > 4096) damaged("too many tags");
  }
  std::map<std::string, std::unique_ptr<CdxTag>> old;
  old.swap(tags_);
  for (auto& [name, off] : entries) {
    if (name.empty()) damaged("tag without a name");
    if (tags_.count(name)) damaged("tag " + name + " listed twice");
    std::unique_ptr<CdxTag> t;
    auto it = old.find(name);
    if (it != old.end()) {
      t = std::move(it->second);
      old.erase(it);
      t->header_offset_ = off;
      t->gone_ = false;
      ++t->stamp_;
    } else {
      t.reset(new CdxTag(this, name, off));
    }
    load_tag_header(*t);
    tags_[name] = std::move(t);
  }
  // Tags removed by another process stay as objects that refuse every use.
  for (auto& [name, t] : old) {
    t->gone_ = true;
    ++t->stamp_;
    tags_[name + std::string(1, '\0') + std::to_string(reinterpret_cast<std::uintptr_t>(t.get()))] = std::move(t);
  }
}

std::vector<std::string> CdxFile::tag_names() const {
  std::vector<std::string> names;
  for (const auto& [name, t] : tags_) {
    if (!t->gone_) names.push_back(t->name_);
  }
  return names;
}

CdxTag* CdxFile::tag(std::string_view name) {
  auto it = tags_.find(upper_name(name));
  if (it == tags_.end() || it->second->gone_) return nullptr;
  return it->second.get();
}

CdxTag& CdxFile::add_tag(const CdxTagSpec& desc) {
  if (read_only_) throw StoreError(path_, "index opened read-only");
  evict_if_needed();
  std::string name = upper_name(desc.name);
  if (name.empty() || name.size() > 10 || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != std::string::npos ||
      (name[0] >= '0' && name[0] <= '9')) {
    throw StoreError(path_, "bad tag name \"" + desc.name + "\"");
  }
  if (tag(name) != nullptr) throw StoreError(path_, "tag " + name + " already exists");
  std::string key_text = desc.key_expression, for_text = desc.for_expression;
  while (!for_text.empty() && for_text.back() == ' ') for_text.pop_back();
  if (key_text.empty()) throw StoreError(path_, "tag " + name + ": empty key expression");
  if (key_text.size() + for_text.size() + 2 > kPage) throw StoreError(path_, "tag " + name + ": expressions too long");
  std::unique_ptr<CdxTag> t(new CdxTag(this, name, 0));
  t->key_expr_ = key_text;
  t->for_expr_ = for_text;
  t->descending_ = desc.descending;
  t->unique_ = desc.unique;
  t->key_type_ = desc.key_type;
  t->key_length_ = desc.key_length;
  if (fields_ != nullptr) {
    KeyExpression k = KeyExpression::parse(key_text, *fields_, path_);
    t->key_type_ = k.type();
    t->key_length_ = k.length();
    t->key_compiled_ = std::make_unique<KeyExpression>(std::move(k));
    if (!for_text.empty()) {
      t->for_compiled_ = std::make_unique<Expression>(Expression::parse_condition(for_text, *fields_, path_));
    }
  }
  if (t->key_type_ != KeyType::kCharacter) t->key_length_ = 8;
  if (t->key_length_ < 1 || t->key_length_ > kMaxCharKeyLength) {
    throw StoreError(path_, "tag " + name + ": key length out of range");
  }
  t->header_offset_ = allocate_block(2 * kPage);
  std::uint32_t root = allocate_page();
  auto node = std::make_unique<CdxTag::Node>();
  node->offset = root;
  node->key_length = t->key_length_;
  node->pad = pad_byte(t->key_type_);
  node->leaf = true;
  node->root = true;
  node->dirty = true;
  cache_->nodes[root] = std::move(node);
  cache_->dirty.push_back(root);
  t->root_ = root;
  t->header_dirty_ = true;
  changed_ = true;
  CdxTag& ref = *t;
  tags_[name] = std::move(t);
  std::string dir_key = name;
  dir_key.resize(static_cast<std::size_t>(directory_->key_length_), ' ');
  directory_->insert(dir_key, ref.header_offset_);
  return ref;
}

bool CdxFile::delete_tag(std::string_view name) {
  if (read_only_) throw StoreError(path_, "index opened read-only");
  evict_if_needed();
  CdxTag* t = tag(name);
  if (t == nullptr) return false;
  std::string dir_key = t->name_;
  dir_key.resize(static_cast<std::size_t>(directory_->key_length_), ' ');
  if (!directory_->erase(dir_key, t->header_offset_)) damaged("tag " + t->name_ + " missing from the directory");
  for (std::uint32_t page : CdxTag::Impl::all_pages(*t)) free_page(page);
  free_page(t->header_offset_);
  free_page(t->header_offset_ + kPage);
  cache_->headers.erase(t->header_offset_);
  tags_.erase(t->name_);
  changed_ = true;
  return true;
}

std::uint32_t CdxFile::allocate_block(std::uint32_t bytes) {
  if (file_end_ + bytes > 0xFFFFF000u) throw StoreError(path_, "index file too large");
  std::uint32_t off = static_cast<std::uint32_t>(file_end_);
  file_end_ += bytes;
  return off;
}

std::uint32_t CdxFile::allocate_page() {
  while (free_head_ != kNone) {
    std::uint32_t off = free_head_;
    std::uint32_t next;
    auto it = cache_->freed.find(off);
    if (it != cache_->freed.end()) {
      next = get32(it->second.data());
      cache_->freed.erase(it);
    } else if (static_cast<std::uint64_t>(off) + kPage <= file_end_ && off % kPage == 0 && off >= 2 * kPage) {
      unsigned char b[4];
      read_raw(off, b, 4);
      next = get32(b);
    } else {
      free_head_ = kNone;  // a broken list is dropped, not followed
      header_dirty_ = true;
      break;
    }
    if (next != kNone && (next % kPage != 0 || next < 2 * kPage || next >= file_end_ || next == off)) next = kNone;
    free_head_ = next;
    header_dirty_ = true;
    cache_->nodes.erase(off);
    return off;
  }
  return allocate_block(kPage);
}

void CdxFile::free_page(std::uint32_t offset) {
  cache_->nodes.erase(offset);
  std::array<unsigned char, kPage> page{};
  put32(page.data(), free_head_);
  cache_->freed[offset] = page;
  free_head_ = offset;
  header_dirty_ = true;
  changed_ = true;
}

void CdxFile::mark_changed() { changed_ = true; }

void CdxFile::evict_if_needed() {
  if (cache_->nodes.size() <= cache_limit_) return;
  for (auto it = cache_->nodes.begin(); it != cache_->nodes.end();) {
    if (it->second->dirty) {
      ++it;
    } else {
      it = cache_->nodes.erase(it);
    }
  }
}

void CdxFile::flush() {
  if (!directory_) return;  // never opened
  bool headers = header_dirty_ || directory_->header_dirty_;
  for (const auto& [name, t] : tags_) headers = headers || t->header_dirty_;
  if (!changed_ && !headers && cache_->dirty.empty() && cache_->freed.empty()) return;
  if (read_only_) throw StoreError(path_, "index opened read-only");
  unsigned char page[kPage];
  for (const auto& [off, raw] : cache_->freed) write_raw(off, raw.data(), kPage);
  cache_->freed.clear();
  std::vector<std::uint32_t> dirty;
  dirty.swap(cache_->dirty);
  std::sort(dirty.begin(), dirty.end());
  dirty.erase(std::unique(dirty.begin(), dirty.end()), dirty.end());
  for (std::uint32_t off : dirty) {
    auto it = cache_->nodes.find(off);
    if (it == cache_->nodes.end() || !it->second->dirty) continue;
    CdxTag::Node& n = *it->second;
    encode_page(n, n.pad, page);
    write_raw(off, page, kPage);
    n.dirty = false;
  }
  for (auto& [name, t] : tags_) {
    if (t->header_dirty_ && !t->gone_) {
      write_tag_header(*t);
      t->header_dirty_ = false;
    }
  }
  ++counter_;
  write_tag_header(*directory_);
  directory_->header_dirty_ = false;
  header_dirty_ = false;
  changed_ = false;
}

void CdxFile::sync() {
  flush();
  if (::fsync(fd_) != 0) throw StoreError(path_, sys_error("fsync failed"));
}

bool CdxFile::refresh_if_changed() {
  if (!read_only_) flush();
  unsigned char b[4];
  read_raw(8, b, 4);
  std::uint32_t c = get32be(b);
  if (c == counter_) return false;
  cache_->nodes.clear();
  cache_->dirty.clear();
  cache_->freed.clear();
  cache_->headers.clear();
  read_header();
  ++directory_->stamp_;
  load_directory();
  return true;
}

}  // namespace store
