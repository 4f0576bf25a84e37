// Table: index files, ordered moves and seeks.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include "store/key_expression.h"
#include "store/table.h"
#include "store/table_order.h"

namespace store {

namespace {
constexpr std::uint64_t kIndexLockOffset = 0x80000000;

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}
}  // namespace

namespace {
struct IndexLock {
  IndexLock(std::function<void()> unlock) : unlock_(std::move(unlock)) {}
  ~IndexLock() {
    try {
      unlock_();
    } catch (...) {
      // A failed write was reported by the explicit flush before; only the unlock is left.
    }
  }
  std::function<void()> unlock_;
};
}  // namespace

// ---------------------------------------------------------------- index files

std::vector<std::string> Table::index_file_paths() const {
  std::vector<std::string> out;
  for (const auto& f : index_files_) out.push_back(f->path);
  return out;
}

Table::IndexFile& Table::index_file(const std::string& cdx_path_in, bool create) {
  std::string cdx_path = resolve_path_nocase(cdx_path_in);
  for (auto& f : index_files_)
    if (f->path == cdx_path) return *f;
  auto f = std::make_unique<IndexFile>();
  f->path = cdx_path;
  CdxOpenOptions opt;
  opt.fields = &hdr_.fields;
  opt.read_only = mode_ == OpenMode::kReadOnly;
  if (create && !file_exists(cdx_path)) {
    if (mode_ == OpenMode::kReadOnly) throw StoreError(cdx_path, "cannot create an index on a read-only table");
    // A new file is written complete under a temporary name and renamed into place.
    std::string tmp = cdx_path + ".new";
    CdxFile::create(tmp, opt)->flush();
    replace_file(tmp, cdx_path);
  }
  if (!file_exists(cdx_path)) throw StoreError(cdx_path_in, "index file not found");
  f->os = OsFile(cdx_path, mode_ == OpenMode::kReadOnly ? OsFile::Mode::kReadOnly : OsFile::Mode::kReadWrite);
  opt.fd = f->os.fd();
  // Read under the table's index lock: another process may be writing the file.
  bool lock = mode_ != OpenMode::kExclusive && index_lock_depth_ == 0;
  if (lock) dbf_.lock(kIndexLockOffset, 1, OsFile::LockKind::kShared, true);
  try {
    f->cdx = CdxFile::open(cdx_path, opt);
  } catch (...) {
    if (lock) dbf_.unlock(kIndexLockOffset, 1);
    throw;
  }
  if (lock) dbf_.unlock(kIndexLockOffset, 1);
  index_files_.push_back(std::move(f));
  return *index_files_.back();
}

void Table::close_indexes() {
  std::exception_ptr error;
  for (auto& f : index_files_) {
    try {
      f->flush();
    } catch (...) {
      if (!error) error = std::current_exception();
    }
    f->cdx.reset();
    f->os.close();
  }
  cursor_.reset();
  orders_.clear();
  index_files_.clear();
  current_order_ = 0;
  if (error) std::rethrow_exception(error);
}

void Table::attach_index(const std::string& cdx_path) {
  flush_record();
  for (auto& f : index_files_)
    if (f->path == resolve_path_nocase(cdx_path)) return;  // already attached
  IndexFile& f = index_file(cdx_path, false);
  for (const std::string& name : f.cdx->tag_names()) {
    CdxTag* t = f.cdx->tag(name);
    if (!t) continue;
    if (!t->has_expressions())
      throw StoreError(f.path, "tag " + name + ": key \"" + t->key_expression() + "\" does not fit this table");
    auto o = std::make_unique<Order>();
    o->file = &f;
    o->tag = t;
    o->info = OrderInfo{t->name(), f.path, t->key_expression(), t->for_expression(), t->descending(), t->unique()};
    orders_.push_back(std::move(o));
  }
  if (current_order_ == 0 && !orders_.empty()) current_order_ = 1;
}

std::vector<OrderInfo> Table::orders() const {
  std::vector<OrderInfo> out;
  for (const auto& o : orders_) out.push_back(o->info);
  return out;
}

Table::Order* Table::controlling() const {
  if (current_order_ <= 0 || current_order_ > static_cast<int>(orders_.size())) return nullptr;
  return orders_[current_order_ - 1].get();
}

void Table::set_order(int order) {
  flush_record();
  if (order < 0 || order > static_cast<int>(orders_.size()))
    throw StoreError(path_, "no order number " + std::to_string(order));
  current_order_ = order;
  cursor_.reset();
}

bool Table::set_order(std::string_view tag) {
  for (std::size_t i = 0; i < orders_.size(); ++i) {
    if (orders_[i]->info.tag == upper(tag)) {
      set_order(static_cast<int>(i) + 1);
      return true;
    }
  }
  return false;
}

std::string Table::current_key() {
  Order* o = controlling();
  if (!o) return {};
  return o->tag->key_for(record());
}

// ---------------------------------------------------------------- index locks

// One lock for every index of the table, on a byte of the table file past the xBase
// lock region: taken shared to read an index, exclusive to change any of them. After
// taking it, the index files that will be used re-read their change counters.
void Table::lock_indexes(bool write) {
  if (mode_ != OpenMode::kShared || index_files_.empty()) return;
  if (index_lock_depth_++ > 0) return;
  try {
    dbf_.lock(kIndexLockOffset, 1, write ? OsFile::LockKind::kExclusive : OsFile::LockKind::kShared, true);
    Order* o = controlling();
    for (auto& f : index_files_)
      if (write || !o || o->file == f.get()) f->cdx->refresh_if_changed();
  } catch (...) {
    index_lock_depth_ = 0;
    dbf_.unlock(kIndexLockOffset, 1);
    throw;
  }
}

void Table::unlock_indexes() {
  if (mode_ != OpenMode::kShared || index_files_.empty()) return;
  if (--index_lock_depth_ > 0) return;
  std::exception_ptr error;
  for (auto& f : index_files_) {
    try {
      f->flush();
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  dbf_.unlock(kIndexLockOffset, 1);
  if (error) std::rethrow_exception(error);
}


void Table::refresh_indexes() {
  if (mode_ != OpenMode::kShared) return;
  for (auto& f : index_files_) f->cdx->refresh_if_changed();
}

// ---------------------------------------------------------------- keeping indexes current

void Table::index_record_change(std::uint32_t recno, const char* old_rec, const char* new_rec,
                                bool was_in_index) {
  RecordRef oldr{&hdr_.fields, old_rec, hdr_.record_length};
  RecordRef newr{&hdr_.fields, new_rec, hdr_.record_length};
  struct Change {
    Order* order;
    bool had, has;
    std::string old_key, new_key;
  };
  std::vector<Change> changes;
  // Keys are computed first: a change that moves no key takes no index lock.
  for (auto& o : orders_) {
    CdxTag* t = o->tag;
    Change c{o.get(), was_in_index && t->includes(oldr), t->includes(newr), {}, {}};
    if (c.had) c.old_key = t->key_for(oldr);
    if (c.has) c.new_key = t->key_for(newr);
    if (c.had == c.has && c.old_key == c.new_key) continue;
    changes.push_back(std::move(c));
  }
  if (changes.empty()) return;
  lock_indexes(true);
  IndexLock guard([this] { unlock_indexes(); });
  for (Change& c : changes) {
    if (c.had) c.order->tag->erase(c.old_key, recno);
    if (c.has) c.order->tag->insert(c.new_key, recno);
    c.order->file->dirty = true;
  }
  if (mode_ == OpenMode::kShared) {
    for (auto& f : index_files_) f->flush();  // before others may read: errors surface here
  }
}

// ---------------------------------------------------------------- building

void Table::create_index(const std::string& cdx_path, const std::string& tag, const std::string& key,
                         const std::string& for_expression, bool descending, bool unique) {
  // Other work areas keep the index files they opened: a file written anew and renamed
  // would leave them on the old one. Building needs the table to itself.
  require_exclusive("building an index");
  flush_record();
  flush_appends();
  OrderInfo def{upper(tag), resolve_path_nocase(cdx_path), key, for_expression, descending, unique};
  // Check the expressions before touching any file.
  KeyExpression::parse(key, hdr_.fields, def.index_path);
  if (!for_expression.empty()) Expression::parse_condition(for_expression, hdr_.fields, def.index_path);

  bool attached = std::any_of(index_files_.begin(), index_files_.end(),
                              [&](const auto& f) { return f->path == def.index_path; });
  std::vector<OrderInfo> defs;
  if (attached || file_exists(def.index_path)) {
    if (!attached) attach_index(def.index_path);
    for (const auto& o : orders_)
      if (o->info.index_path == def.index_path && o->info.tag != def.tag) defs.push_back(o->info);
  }
  defs.push_back(def);
  std::sort(defs.begin(), defs.end(), [](const OrderInfo& a, const OrderInfo& b) { return a.tag < b.tag; });
  // The whole file is written anew with its old tags and the new one.
  std::vector<OrderInfo> all;
  for (const auto& o : orders_)
    if (o->info.index_path != def.index_path) all.push_back(o->info);
  std::vector<OrderInfo> keep_before = all;
  int position = -1;
  {
    std::vector<OrderInfo> rebuilt = all;
    for (const auto& d : defs) rebuilt.push_back(d);
    cursor_.reset();
    close_indexes();
    build_index_files(rebuilt);
  }
  for (std::size_t i = 0; i < orders_.size(); ++i)
    if (orders_[i]->info.index_path == def.index_path && orders_[i]->info.tag == def.tag) position = static_cast<int>(i) + 1;
  current_order_ = position;
  go_top();
}

void Table::reindex() {
  require_exclusive("reindexing");
  flush_record();
  flush_appends();
  std::vector<OrderInfo> defs = orders();
  int order_no = current_order_;
  std::uint32_t at = recno_;
  close_indexes();
  build_index_files(defs);
  current_order_ = order_no <= static_cast<int>(orders_.size()) ? order_no : 0;
  go_to(at);
}

void Table::build_index_files(const std::vector<OrderInfo>& defs) {
  // Files in order of first appearance. Each file is written under a temporary name (one
  // streaming pass over the table computing its tags' keys, then the bulk build); the
  // files are then renamed into place and attached in order.
  std::vector<std::string> files;
  for (const auto& d : defs)
    if (std::find(files.begin(), files.end(), d.index_path) == files.end()) files.push_back(d.index_path);
  struct Job {
    std::string path, tmp;
    std::unique_ptr<CdxFile> cdx;
    std::vector<CdxTag*> tags;
    std::exception_ptr error;
  };
  std::vector<Job> jobs(files.size());
  CdxOpenOptions opt;
  opt.fields = &hdr_.fields;
  for (std::size_t i = 0; i < files.size(); ++i) {
    Job& j = jobs[i];
    j.path = files[i];
    j.tmp = files[i] + ".new";
    j.cdx = CdxFile::create(j.tmp, opt);
    for (const auto& d : defs) {
      if (d.index_path != j.path) continue;
      CdxTagSpec desc;
      desc.name = d.tag;
      desc.key_expression = d.key_expression;
      desc.for_expression = d.for_expression;
      desc.descending = d.descending;
      desc.unique = d.unique;
      j.tags.push_back(&j.cdx->add_tag(desc));
    }
  }
  const std::uint32_t count = count_;
  auto build = [this, count](Job& j) {
    try {
      std::vector<std::string> keys(j.tags.size());
      std::vector<std::vector<char>> included(j.tags.size());
      for (std::size_t t = 0; t < j.tags.size(); ++t) {
        keys[t].reserve(std::size_t(count) * j.tags[t]->key_length());
        if (!j.tags[t]->for_expression().empty()) included[t].reserve(count);
      }
      const std::size_t len = hdr_.record_length;
      const std::size_t batch = std::max<std::size_t>(1, (1u << 20) / len);
      std::vector<char> buf(batch * len);
      std::string key;
      for (std::uint32_t first = 1; first <= count; first += static_cast<std::uint32_t>(batch)) {
        std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(batch, count - first + 1));
        dbf_.read_exact(hdr_.header_length + std::uint64_t(first - 1) * len, buf.data(), n * len);
        for (std::uint32_t i = 0; i < n; ++i) {
          RecordRef r{&hdr_.fields, buf.data() + i * len, len};
          for (std::size_t t = 0; t < j.tags.size(); ++t) {
            j.tags[t]->compiled_key()->key(r, key);
            keys[t].append(key);
            if (!j.tags[t]->for_expression().empty()) included[t].push_back(j.tags[t]->includes(r) ? 1 : 0);
          }
        }
      }
      for (std::size_t t = 0; t < j.tags.size(); ++t) {
        j.tags[t]->bulk_build_sequential(keys[t], included[t]);
        std::string().swap(keys[t]);
      }
      j.cdx->flush();
      j.cdx->sync();
      j.cdx.reset();
    } catch (...) {
      j.error = std::current_exception();
    }
  };
  // One after the other: the bulk build keeps its working memory per thread, and on two
  // cores building files side by side in fresh threads measured slower.
  for (Job& j : jobs) build(j);
  for (Job& j : jobs) {
    if (j.error) {
      for (Job& k : jobs) remove_file_if_exists(k.tmp);
      std::rethrow_exception(j.error);
    }
  }
  for (Job& j : jobs) {
    replace_file(j.tmp, j.path);
    IndexFile& f = index_file(j.path, false);
    for (const auto& d : defs) {
      if (d.index_path != j.path) continue;
      auto o = std::make_unique<Order>();
      o->file = &f;
      o->tag = f.cdx->tag(d.tag);
      if (!o->tag) throw StoreError(j.path, "tag " + d.tag + " missing after building");
      o->info = d;
      o->info.key_expression = o->tag->key_expression();
      orders_.push_back(std::move(o));
    }
  }
  cursor_.reset();
}

// ---------------------------------------------------------------- moving

void Table::load_checked(std::uint32_t recno) {
  if (recno == 0 || recno > count_) {
    refresh_count();
    if (recno == 0 || recno > count_)
      throw StoreError(index_files_.empty() ? path_ : controlling()->file->path,
                       "index points at record " + std::to_string(recno) + " of " +
                           std::to_string(count_) + ": rebuild the index");
  }
  load(recno);
}

// Moves the cursor past entries the table hides; at either end the table is at eof.
void Table::ordered_settle(bool forward) {
  Order* o = controlling();
  while (cursor_ && cursor_->valid()) {
    load_checked(cursor_->recno());
    if (visible()) return;
    if (forward) o->tag->next(*cursor_);
    else o->tag->prev(*cursor_);
  }
  set_eof();
}

bool Table::position_cursor() {
  Order* o = controlling();
  if (cursor_ && cursor_->valid() && cursor_->recno() == recno_) return true;
  std::string key = o->tag->key_for(record());
  cursor_ = std::make_unique<CdxCursor>(o->tag->seek_entry(key, recno_));
  return cursor_->valid() && cursor_->recno() == recno_;
}

void Table::go_top() {
  flush_record();
  refresh_count();
  bof_ = false;
  found_ = false;
  if (Order* o = controlling()) {
    lock_indexes(false);
    IndexLock guard([this] { unlock_indexes(); });
    cursor_ = std::make_unique<CdxCursor>(o->tag->first());
    ordered_settle(true);
  } else {
    if (count_ == 0) {
      set_eof();
    } else {
      load(1);
      settle_forward();
    }
  }
  if (eof_) bof_ = true;
}

void Table::go_bottom() {
  flush_record();
  refresh_count();
  bof_ = false;
  found_ = false;
  if (Order* o = controlling()) {
    lock_indexes(false);
    IndexLock guard([this] { unlock_indexes(); });
    cursor_ = std::make_unique<CdxCursor>(o->tag->last());
    ordered_settle(false);
  } else {
    if (count_ == 0) {
      set_eof();
    } else {
      load(count_);
      settle_backward();
    }
  }
  if (eof_) bof_ = true;
}

void Table::go_to(std::uint32_t recno) {
  flush_record();
  refresh_count();
  bof_ = false;
  found_ = false;
  cursor_.reset();
  if (recno == 0 || recno > count_) {
    set_eof();
  } else {
    load(recno);
  }
}

void Table::settle_forward() {
  while (!eof_ && !visible()) {
    if (recno_ >= count_) set_eof();
    else load(recno_ + 1);
  }
}

void Table::settle_backward() {
  while (!eof_ && !visible()) {
    if (recno_ <= 1) {
      set_eof();
      return;
    }
    load(recno_ - 1);
  }
}

void Table::skip_natural(long n) {
  if (n > 0) {
    for (long i = 0; i < n && !eof_; ++i) {
      do {
        if (recno_ >= count_) set_eof();
        else load(recno_ + 1);
      } while (!eof_ && !visible());
    }
  } else {
    for (long i = 0; i < -n; ++i) {
      std::uint32_t r = eof_ ? count_ + 1 : recno_;
      bool moved = false;
      while (r > 1) {
        --r;
        load(r);
        if (visible()) {
          moved = true;
          break;
        }
      }
      if (!moved) {
        // Before the first record: bof, standing on the first visible record.
        bool was_eof = eof_;
        go_top();
        bof_ = true;
        if (was_eof && eof_) bof_ = true;
        return;
      }
    }
  }
}

void Table::skip_ordered(long n) {
  Order* o = controlling();
  lock_indexes(false);
  IndexLock guard([this] { unlock_indexes(); });
  if (n > 0) {
    if (eof_) return;
    bool on_entry = position_cursor();
    for (long i = 0; i < n && !eof_; ++i) {
      if (on_entry || i > 0) o->tag->next(*cursor_);
      ordered_settle(true);
    }
  } else {
    if (eof_) {
      cursor_ = std::make_unique<CdxCursor>(o->tag->last());
      ordered_settle(false);
      if (eof_) {
        bof_ = true;
        return;
      }
      ++n;
    } else {
      position_cursor();
    }
    for (long i = 0; i < -n; ++i) {
      if (!o->tag->prev(*cursor_)) {
        cursor_ = std::make_unique<CdxCursor>(o->tag->first());
        ordered_settle(true);
        bof_ = true;
        return;
      }
      while (cursor_->valid()) {
        load_checked(cursor_->recno());
        if (visible()) break;
        o->tag->prev(*cursor_);
      }
      if (!cursor_->valid()) {
        cursor_ = std::make_unique<CdxCursor>(o->tag->first());
        ordered_settle(true);
        bof_ = true;
        return;
      }
    }
  }
}

void Table::skip(long n) {
  flush_record();
  refresh_count();
  bof_ = false;
  found_ = false;
  if (n == 0) {
    if (!eof_) load(recno_);
    return;
  }
  if (controlling()) skip_ordered(n);
  else skip_natural(n);
}

bool Table::seek_encoded(const std::string& key, bool soft, bool) {
  flush_record();
  refresh_count();
  bof_ = false;
  found_ = false;
  Order* o = controlling();
  if (!o) throw StoreError(path_, "seek needs a controlling order");
  lock_indexes(false);
  IndexLock guard([this] { unlock_indexes(); });
  cursor_ = std::make_unique<CdxCursor>(o->tag->seek(key));
  while (cursor_->valid()) {
    load_checked(cursor_->recno());
    if (visible()) break;
    o->tag->next(*cursor_);
  }
  if (cursor_->valid() && o->tag->matches(*cursor_, key)) {
    found_ = true;
    return true;
  }
  if (!(soft && cursor_->valid())) set_eof();
  return false;
}

bool Table::seek(std::string_view key, bool soft) {
  Order* o = controlling();
  if (o && o->tag->key_type() == KeyType::kNumeric) {
    double v = 0;
    try {
      v = std::stod(std::string(key));
    } catch (...) {
      throw StoreError(path_, "seek: \"" + std::string(key) + "\" is not a number for a numeric order");
    }
    return seek_encoded(encode_numeric_key(v), soft, false);
  }
  return seek_encoded(std::string(key), soft, true);
}

bool Table::seek_number(double value, bool soft) {
  Order* o = controlling();
  if (o && o->tag->key_type() != KeyType::kNumeric)
    throw StoreError(path_, "seek of a number on the character order " + o->info.tag);
  return seek_encoded(encode_numeric_key(value), soft, false);
}

bool Table::seek_date(std::string_view dtos, bool soft) {
  Order* o = controlling();
  if (o && o->tag->key_type() == KeyType::kDate) {
    std::int64_t jd = julian_from_dtos(dtos);
    if (jd < 0) throw StoreError(path_, "seek: \"" + std::string(dtos) + "\" is not a date");
    return seek_encoded(encode_date_key(jd), soft, false);
  }
  return seek_encoded(std::string(dtos), soft, true);
}

}  // namespace store
