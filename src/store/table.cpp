#include "store/table.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "store/field_value.h"
#include "store/table_order.h"

namespace store {

// Exclusive-mode buffers: a read-only mapping of the table for reads, and appended
// records waiting to be written in one piece. Shared mode uses neither.
struct Table::Cache {
  const char* map = nullptr;
  std::size_t map_len = 0;
  std::vector<char> pending;
  std::uint32_t pending_first = 0;  // record number of pending[0]
};

namespace {

constexpr std::size_t kAppendBufferBytes = 1u << 20;
constexpr char kEndMark = 0x1A;

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

void today(int& y, int& m, int& d) {
  std::time_t t = std::time(nullptr);
  std::tm tm {};
  localtime_r(&t, &tm);
  y = tm.tm_year + 1900;
  m = tm.tm_mon + 1;
  d = tm.tm_mday;
}

std::string memo_path_for(const std::string& dbf_path, MemoKind kind) {
  std::string ext = kind == MemoKind::kDbt ? "dbt" : "fpt";
  auto slash = dbf_path.find_last_of('/');
  auto dot = dbf_path.find_last_of('.');
  std::string base = (dot == std::string::npos || (slash != std::string::npos && dot < slash))
                         ? dbf_path : dbf_path.substr(0, dot);
  bool upper_ext = dot != std::string::npos && dot + 1 < dbf_path.size() &&
                   std::isupper(static_cast<unsigned char>(dbf_path[dot + 1]));
  if (upper_ext) ext = upper(ext);
  return base + "." + ext;
}

}  // namespace

// ---------------------------------------------------------------- creation and opening

void Table::create(const std::string& path, const std::vector<FieldDesc>& fields,
                   TableFormat format, bool overwrite) {
  if (!overwrite && file_exists(resolve_path_nocase(path)))
    throw StoreError(path, "table already exists");
  DbfHeader hd;
  hd.fields = fields;
  bool has_memo = std::any_of(fields.begin(), fields.end(), [](const FieldDesc& f) {
    return f.type == 'M' || f.type == 'm';
  });
  for (FieldDesc& f : hd.fields) f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(f.type)));
  hd.version = !has_memo ? 0x03 : (format == TableFormat::kFoxPro ? 0xF5 : 0x83);
  hd.code_page = kCodePage850;
  layout_new_table(hd, path);
  today(hd.year, hd.month, hd.day);
  std::vector<char> bytes = encode_dbf_header(hd);
  bytes.push_back(kEndMark);
  std::string tmp = path + ".new";
  {
    OsFile f(tmp, OsFile::Mode::kCreate);
    f.write_at(0, bytes.data(), bytes.size());
    f.sync();
  }
  if (has_memo) {
    MemoKind kind = format == TableFormat::kFoxPro ? MemoKind::kFpt : MemoKind::kDbt;
    std::string mtmp = memo_path_for(path, kind) + ".new";
    MemoFile::create(mtmp, kind);
    replace_file(mtmp, memo_path_for(path, kind));
  }
  replace_file(tmp, path);
}

Table::Table(const std::string& path_in, OpenMode mode) : mode_(mode) {
  path_ = resolve_path_nocase(path_in);
  if (!file_exists(path_)) throw StoreError(path_in, "file not found");
  dbf_ = OsFile(path_, mode == OpenMode::kReadOnly ? OsFile::Mode::kReadOnly : OsFile::Mode::kReadWrite);
  bool excl = mode == OpenMode::kExclusive;
  if (!dbf_.lock(kOpenLockOffset, 1, excl ? OsFile::LockKind::kExclusive : OsFile::LockKind::kShared))
    throw TableBusy(path_, excl ? "table is in use by another work area" : "table is open exclusively elsewhere");
  hdr_ = read_dbf_header(dbf_);
  cache_ = std::make_unique<Cache>();
  reconcile_count_at_open();
  MemoKind mk = hdr_.memo_kind();
  if (mk != MemoKind::kNone) {
    std::string mp = resolve_path_nocase(memo_path_for(path_, mk));
    if (!file_exists(mp)) throw StoreError(mp, "memo file not found");
    memo_ = MemoFile(mp, mk, mode != OpenMode::kReadOnly, hdr_.version == 0x8B || hdr_.version == 0xCB);
  }
  rec_.assign(hdr_.record_length, ' ');
  orig_ = rec_;
  go_top();
}

Table::~Table() {
  try {
    close();
  } catch (...) {
    // Destructors do not throw; callers wanting the error call close() themselves.
  }
}

void Table::reconcile_count_at_open() {
  std::uint64_t size = dbf_.size();
  std::uint64_t data = size - hdr_.header_length;
  std::uint64_t full = data / hdr_.record_length;
  std::uint32_t count = hdr_.record_count;
  if (full > 0xFFFFFFFFull) full = 0xFFFFFFFFull;
  if (mode_ == OpenMode::kExclusive) {
    // Whole records after the counted ones are appends whose header update was cut off
    // by a crash: keep them as long as they look like records.
    std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, full));
    if (full > count) {
      char flag;
      while (n < full) {
        dbf_.read_exact(hdr_.header_length + std::uint64_t(n) * hdr_.record_length, &flag, 1);
        if (flag != ' ' && flag != '*') break;
        ++n;
      }
    }
    count_ = n;
    std::uint64_t end = hdr_.header_length + std::uint64_t(n) * hdr_.record_length;
    bool fix = n != count || size > end + 1;
    if (fix) {
      hdr_.record_count = n;
      write_header_prefix();
      if (size > end + 1) dbf_.truncate(end + 1);
      char mark = kEndMark;
      dbf_.write_at(end, &mark, 1);
    }
  } else {
    count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, full));
  }
}

void Table::close() {
  if (!dbf_.is_open()) return;
  std::exception_ptr error;
  try {
    flush_record();
    flush_appends();
    if (modified_) touch_date();
  } catch (...) {
    error = std::current_exception();
  }
  try {
    close_indexes();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  release_memory_map();
  memo_.close();
  dbf_.close();  // drops every lock of this work area
  locked_records_.clear();
  file_locked_ = false;
  if (error) std::rethrow_exception(error);
}

int Table::field_index(std::string_view name) const {
  for (std::size_t i = 0; i < hdr_.fields.size(); ++i) {
    const std::string& f = hdr_.fields[i].name;
    if (f.size() == name.size() &&
        std::equal(f.begin(), f.end(), name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        }))
      return static_cast<int>(i);
  }
  return -1;
}

int Table::need_field(std::string_view name) const {
  int i = field_index(name);
  if (i < 0) throw StoreError(path_, "no field " + std::string(name));
  return i;
}

const FieldDesc& Table::field_desc(int field) const {
  if (field < 0 || field >= static_cast<int>(hdr_.fields.size()))
    throw StoreError(path_, "no field number " + std::to_string(field));
  return hdr_.fields[field];
}

std::uint32_t Table::record_count() {
  refresh_count();
  return count_;
}

std::string Table::last_update() const {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", hdr_.year, hdr_.month, hdr_.day);
  return buf;
}

void Table::require_exclusive(const char* what) const {
  if (mode_ != OpenMode::kExclusive)
    throw StoreError(path_, std::string(what) + " needs the table opened exclusively");
}

// ---------------------------------------------------------------- raw records

void Table::refresh_count() {
  if (mode_ == OpenMode::kExclusive) return;
  unsigned char h[8];
  dbf_.read_exact(0, h, 8);
  std::uint32_t c = std::uint32_t(h[4]) | std::uint32_t(h[5]) << 8 | std::uint32_t(h[6]) << 16 |
                    std::uint32_t(h[7]) << 24;
  if (c != count_) {
    // Another process appended (or packed): trust the header as far as the data goes.
    std::uint64_t full = (dbf_.size() - hdr_.header_length) / hdr_.record_length;
    count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(c, full));
  }
}

void Table::release_memory_map() {
  if (cache_ && cache_->map) {
    ::munmap(const_cast<char*>(cache_->map), cache_->map_len);
    cache_->map = nullptr;
    cache_->map_len = 0;
  }
}

void Table::read_record(std::uint32_t recno, char* out) {
  const std::size_t len = hdr_.record_length;
  Cache& c = *cache_;
  if (!c.pending.empty() && recno >= c.pending_first) {
    std::memcpy(out, c.pending.data() + std::size_t(recno - c.pending_first) * len, len);
    return;
  }
  std::uint64_t off = hdr_.header_length + std::uint64_t(recno - 1) * len;
  if (mode_ == OpenMode::kExclusive) {
    if (off + len > c.map_len) {
      std::uint64_t size = dbf_.size();
      if (off + len <= size && size > c.map_len) {
        release_memory_map();
        void* p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, dbf_.fd(), 0);
        if (p != MAP_FAILED) {
          c.map = static_cast<const char*>(p);
          c.map_len = size;
        }
      }
    }
    if (off + len <= c.map_len) {
      std::memcpy(out, c.map + off, len);
      return;
    }
  }
  if (dbf_.read_at(off, out, len) != len)
    throw StoreError(path_, "record " + std::to_string(recno) + " is cut off: the file is truncated");
}

void Table::write_record_bytes(std::uint32_t recno, const char* data) {
  const std::size_t len = hdr_.record_length;
  Cache& c = *cache_;
  if (!c.pending.empty() && recno >= c.pending_first) {
    std::memcpy(c.pending.data() + std::size_t(recno - c.pending_first) * len, data, len);
    return;
  }
  dbf_.write_at(hdr_.header_length + std::uint64_t(recno - 1) * len, data, len);
  modified_ = true;
}

void Table::flush_appends() {
  Cache& c = *cache_;
  if (c.pending.empty()) return;
  c.pending.push_back(kEndMark);
  dbf_.write_at(hdr_.header_length + std::uint64_t(c.pending_first - 1) * hdr_.record_length,
                c.pending.data(), c.pending.size());
  c.pending.clear();
  hdr_.record_count = count_;
  write_header_prefix();
  modified_ = true;
}

void Table::write_header_prefix() {
  char p[12];
  encode_dbf_header_prefix(hdr_, p);
  dbf_.write_at(0, p, 8);
}

void Table::touch_date() {
  today(hdr_.year, hdr_.month, hdr_.day);
  if (mode_ == OpenMode::kReadOnly) return;
  char p[12];
  encode_dbf_header_prefix(hdr_, p);
  if (mode_ == OpenMode::kExclusive) {
    dbf_.write_at(1, p + 1, 3);
  } else if (dbf_.lock(kAppendLockOffset, 1, OsFile::LockKind::kExclusive)) {
    dbf_.write_at(1, p + 1, 3);
    dbf_.unlock(kAppendLockOffset, 1);
  }
  modified_ = false;
}

// Records are read when first looked at: moving through an order reads only the index.
void Table::load(std::uint32_t recno) {
  recno_ = recno;
  eof_ = false;
  loaded_ = false;
  dirty_ = false;
  new_record_ = false;
}

void Table::ensure_loaded() const {
  if (loaded_) return;
  const_cast<Table*>(this)->read_record(recno_, rec_.data());
  loaded_ = true;
}

void Table::set_eof() {
  recno_ = count_ + 1;
  eof_ = true;
  std::fill(rec_.begin(), rec_.end(), ' ');
  loaded_ = true;
  dirty_ = false;
  new_record_ = false;
}

// ---------------------------------------------------------------- writing the buffer

void Table::require_writable_record() {
  if (mode_ == OpenMode::kReadOnly) throw StoreError(path_, "table is open read-only");
  if (eof_) throw StoreError(path_, "no current record to change (end of table)");
  if (mode_ == OpenMode::kShared && !file_locked_ && !record_locked(recno_))
    throw StoreError(path_, "record " + std::to_string(recno_) + " is not locked");
}

void Table::begin_change() {
  require_writable_record();
  ensure_loaded();
  if (!dirty_) orig_ = rec_;  // the record as the indexes know it
  dirty_ = true;
}

void Table::flush_record() {
  if (!dirty_) return;
  require_writable_record();
  if (!orders_.empty()) index_record_change(recno_, orig_.data(), rec_.data(), !new_record_);
  write_record_bytes(recno_, rec_.data());
  cursor_.reset();  // the record's keys may have moved
  dirty_ = false;
  new_record_ = false;
  modified_ = true;
}

// ---------------------------------------------------------------- field values

std::string Table::get_text(int field) const {
  const FieldDesc& f = field_desc(field);
  return std::string(data() + f.offset, f.length);
}

namespace {

Decimal stored_decimal(const FieldDesc& f, const char* p, int& decimals) {
  decimals = f.decimals;
  switch (f.type) {
    case 'I': {
      std::int32_t v;
      std::memcpy(&v, p, 4);
      Decimal d;
      std::int64_t w = v;
      d.negative = w < 0;
      if (w != 0) d.int_digits = std::to_string(w < 0 ? -w : w);
      decimals = 0;
      return d;
    }
    case 'Y': {
      std::int64_t v;
      std::memcpy(&v, p, 8);
      bool neg = v < 0;
      std::uint64_t u = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
      std::string digits = std::to_string(u);
      if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
      auto parsed = parse_decimal((neg ? "-" : "") + digits.substr(0, digits.size() - 4) + "." +
                                  digits.substr(digits.size() - 4));
      decimals = 4;
      return parsed ? *parsed : Decimal{};
    }
    case 'B': {
      double v;
      std::memcpy(&v, p, 8);
      auto parsed = parse_decimal(double_to_decimal_text(v));
      if (decimals == 0) decimals = parsed ? static_cast<int>(parsed->frac_digits.size()) : 0;
      return parsed ? *parsed : Decimal{};
    }
    default:
      return read_number_field(std::string_view(p, f.length)).value;
  }
}

}  // namespace

double Table::get_number(int field) const {
  const FieldDesc& f = field_desc(field);
  const char* p = data() + f.offset;
  if (f.type == 'B') {
    double v;
    std::memcpy(&v, p, 8);
    return v;
  }
  int dec;
  return decimal_to_double(stored_decimal(f, p, dec));
}

std::string Table::get_decimal(int field) const {
  const FieldDesc& f = field_desc(field);
  int dec;
  Decimal d = stored_decimal(f, data() + f.offset, dec);
  return decimal_to_text(d, dec);
}

std::int64_t Table::get_units(int field) const {
  const FieldDesc& f = field_desc(field);
  int dec;
  Decimal d = stored_decimal(f, data() + f.offset, dec);
  auto u = decimal_to_units(d, f.type == 'Y' ? 4 : f.decimals);
  if (!u) throw StoreError(path_, "field " + f.name + " holds a number too large");
  return *u;
}

std::string Table::get_date(int field) const {
  const FieldDesc& f = field_desc(field);
  std::string_view raw(data() + f.offset, 8);
  if (f.type == 'T' || f.type == 'D') {
    if (f.type == 'T') {
      std::int32_t jd;
      std::memcpy(&jd, raw.data(), 4);
      if (jd <= 0) return {};
      // Julian day to civil date.
      std::int64_t a = jd + 32044, b = (4 * a + 3) / 146097, c = a - 146097 * b / 4;
      std::int64_t d = (4 * c + 3) / 1461, e = c - 1461 * d / 4, m = (5 * e + 2) / 153;
      int day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
      int month = static_cast<int>(m + 3 - 12 * (m / 10));
      int year = static_cast<int>(100 * b + d - 4800 + m / 10);
      char buf[48];
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", year, month, day);
      return buf;
    }
    if (valid_dtos(raw)) return std::string(raw);
    return {};
  }
  throw StoreError(path_, "field " + f.name + " is not a date");
}

bool Table::get_logical(int field) const {
  const FieldDesc& f = field_desc(field);
  char c = data()[f.offset];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::uint32_t Table::memo_block(int field) const {
  const FieldDesc& f = field_desc(field);
  const char* p = data() + f.offset;
  if (f.type != 'M' && f.type != 'G' && f.type != 'P')
    throw StoreError(path_, "field " + f.name + " is not a memo");
  if (f.length == 4) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  std::uint64_t v = 0;
  for (int i = 0; i < f.length; ++i) {
    char c = p[i];
    if (c >= '0' && c <= '9') v = v * 10 + static_cast<unsigned>(c - '0');
    else if (c != ' ' && c != '\0')
      throw StoreError(path_, "field " + f.name + " of record " + std::to_string(recno_) +
                                  " holds no memo block number");
  }
  if (v > 0xFFFFFFFFull) throw StoreError(path_, "memo block number out of range in " + f.name);
  return static_cast<std::uint32_t>(v);
}

std::string Table::get_memo(int field) const {
  std::uint32_t b = memo_block(field);
  if (b == 0) return {};
  if (!memo_.is_open()) throw StoreError(path_, "table has no memo file");
  return memo_.read(b);
}

void Table::put_raw(int field, std::string_view bytes) {
  const FieldDesc& f = field_desc(field);
  if (static_cast<int>(bytes.size()) != f.length)
    throw StoreError(path_, "field " + f.name + " takes " + std::to_string(f.length) + " bytes");
  begin_change();
  std::memcpy(rec_.data() + f.offset, bytes.data(), bytes.size());
}

void Table::put_text(int field, std::string_view value) {
  const FieldDesc& f = field_desc(field);
  begin_change();
  char* p = rec_.data() + f.offset;
  std::size_t n = std::min<std::size_t>(value.size(), f.length);
  std::memcpy(p, value.data(), n);
  std::memset(p + n, ' ', f.length - n);
}

namespace {
void store_number(const std::string& path, const FieldDesc& f, char* p, const Decimal& d,
                  std::string_view shown) {
  if (f.type != 'N' && f.type != 'F')
    throw StoreError(path, "field " + f.name + " is not numeric");
  auto text = format_number_field(d, f.length, f.decimals);
  if (!text)
    throw StoreError(path, "value " + std::string(shown) + " does not fit field " + f.name + " (N " +
                               std::to_string(f.length) + "," + std::to_string(f.decimals) + ")");
  std::memcpy(p, text->data(), f.length);
}
}  // namespace

void Table::put_number(int field, double value) {
  const FieldDesc& f = field_desc(field);
  if (!std::isfinite(value)) throw StoreError(path_, "field " + f.name + ": not a finite number");
  std::string text = double_to_decimal_text(value);
  auto d = parse_decimal(text);
  begin_change();
  store_number(path_, f, rec_.data() + f.offset, *d, text);
}

void Table::put_decimal(int field, std::string_view value) {
  const FieldDesc& f = field_desc(field);
  auto d = parse_decimal(value);
  if (!d) throw StoreError(path_, "field " + f.name + ": \"" + std::string(value) + "\" is not a number");
  begin_change();
  store_number(path_, f, rec_.data() + f.offset, *d, value);
}

void Table::put_units(int field, std::int64_t units) {
  const FieldDesc& f = field_desc(field);
  bool neg = units < 0;
  std::uint64_t u = neg ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
  std::string digits = std::to_string(u);
  if (static_cast<int>(digits.size()) <= f.decimals) digits.insert(0, f.decimals + 1 - digits.size(), '0');
  std::string text = (neg ? "-" : "") + digits.substr(0, digits.size() - f.decimals);
  if (f.decimals > 0) text += "." + digits.substr(digits.size() - f.decimals);
  put_decimal(field, text);
}

void Table::put_date(int field, std::string_view dtos) {
  const FieldDesc& f = field_desc(field);
  if (f.type != 'D') throw StoreError(path_, "field " + f.name + " is not a date");
  bool blank = std::all_of(dtos.begin(), dtos.end(), [](char c) { return c == ' '; });
  if (!blank && !valid_dtos(dtos))
    throw StoreError(path_, "field " + f.name + ": \"" + std::string(dtos) + "\" is not a date");
  begin_change();
  if (blank) std::memset(rec_.data() + f.offset, ' ', 8);
  else std::memcpy(rec_.data() + f.offset, dtos.data(), 8);
}

void Table::put_logical(int field, bool value) {
  const FieldDesc& f = field_desc(field);
  if (f.type != 'L') throw StoreError(path_, "field " + f.name + " is not logical");
  begin_change();
  rec_[f.offset] = value ? 'T' : 'F';
}

void Table::put_memo(int field, std::string_view value) {
  const FieldDesc& f = field_desc(field);
  std::uint32_t old = memo_block(field);
  if (!memo_.is_open()) throw StoreError(path_, "table has no memo file");
  begin_change();
  std::uint32_t b = memo_.write(old, value, mode_ == OpenMode::kShared);
  char* p = rec_.data() + f.offset;
  if (f.length == 4) {
    std::memcpy(p, &b, 4);
  } else if (b == 0) {
    std::memset(p, ' ', f.length);
  } else {
    std::string s = std::to_string(b);
    if (static_cast<int>(s.size()) > f.length) throw StoreError(path_, "memo block number too large");
    std::memset(p, ' ', f.length - s.size());
    std::memcpy(p + f.length - s.size(), s.data(), s.size());
  }
}

void Table::delete_record() {
  begin_change();
  rec_[0] = '*';
}

void Table::recall() {
  begin_change();
  rec_[0] = ' ';
}

// ---------------------------------------------------------------- appending

bool Table::append() {
  if (mode_ == OpenMode::kReadOnly) throw StoreError(path_, "table is open read-only");
  flush_record();
  std::vector<char> blank(hdr_.record_length, ' ');
  if (mode_ == OpenMode::kExclusive) {
    Cache& c = *cache_;
    if (c.pending.empty()) c.pending_first = count_ + 1;
    c.pending.insert(c.pending.end(), blank.begin(), blank.end());
    ++count_;
    if (c.pending.size() >= kAppendBufferBytes) flush_appends();
  } else {
    if (!file_locked_) {
      for (std::uint32_t r : locked_records_) dbf_.unlock(kRecordLockBase - r, 1);
      locked_records_.clear();
    }
    if (!dbf_.lock(kAppendLockOffset, 1, OsFile::LockKind::kExclusive)) return false;
    struct Release {
      OsFile& f;
      ~Release() { f.unlock(kAppendLockOffset, 1); }
    } release{dbf_};
    unsigned char h[8];
    dbf_.read_exact(0, h, 8);
    std::uint32_t c = std::uint32_t(h[4]) | std::uint32_t(h[5]) << 8 | std::uint32_t(h[6]) << 16 |
                      std::uint32_t(h[7]) << 24;
    std::uint32_t n = c + 1;
    if (!file_locked_ && !dbf_.lock(kRecordLockBase - n, 1, OsFile::LockKind::kExclusive)) return false;
    blank.push_back(kEndMark);
    dbf_.write_at(hdr_.header_length + std::uint64_t(c) * hdr_.record_length, blank.data(), blank.size());
    blank.pop_back();
    hdr_.record_count = n;
    today(hdr_.year, hdr_.month, hdr_.day);
    char p[12];
    encode_dbf_header_prefix(hdr_, p);
    dbf_.write_at(0, p, 8);
    if (!file_locked_) locked_records_.push_back(n);
    count_ = n;
  }
  recno_ = count_;
  eof_ = bof_ = false;
  found_ = false;
  rec_ = blank;
  orig_ = blank;
  loaded_ = true;
  dirty_ = !orders_.empty();  // the indexes learn of the record when it is written
  new_record_ = true;
  modified_ = true;
  return true;
}

// ---------------------------------------------------------------- locks

bool Table::record_locked(std::uint32_t recno) const {
  if (mode_ == OpenMode::kExclusive || file_locked_) return true;
  return std::find(locked_records_.begin(), locked_records_.end(), recno) != locked_records_.end();
}

bool Table::lock_record(std::uint32_t recno) {
  if (mode_ == OpenMode::kExclusive || file_locked_) return true;
  if (mode_ == OpenMode::kReadOnly) return false;
  if (recno == 0 || recno > 0x07FFFFFE) return false;
  if (std::find(locked_records_.begin(), locked_records_.end(), recno) != locked_records_.end()) return true;
  if (!dbf_.lock(kRecordLockBase - recno, 1, OsFile::LockKind::kExclusive)) return false;
  locked_records_.push_back(recno);
  if (recno == recno_ && !eof_ && !dirty_) loaded_ = false;  // read again: as it is now
  return true;
}

void Table::unlock_record(std::uint32_t recno) {
  if (recno == recno_) flush_record();
  auto it = std::find(locked_records_.begin(), locked_records_.end(), recno);
  if (it == locked_records_.end()) return;
  locked_records_.erase(it);
  dbf_.unlock(kRecordLockBase - recno, 1);
}

bool Table::lock_file() {
  if (mode_ == OpenMode::kExclusive || file_locked_) return true;
  if (mode_ == OpenMode::kReadOnly) return false;
  flush_record();
  // The file lock covers every record lock byte: this work area's record locks go.
  for (std::uint32_t r : locked_records_) dbf_.unlock(kRecordLockBase - r, 1);
  locked_records_.clear();
  if (!dbf_.lock(kFileLockOffset, kFileLockLength, OsFile::LockKind::kExclusive)) return false;
  file_locked_ = true;
  refresh_count();
  if (!eof_) load(recno_);
  return true;
}

void Table::unlock_file() {
  if (!file_locked_) return;
  flush_record();
  dbf_.unlock(kFileLockOffset, kFileLockLength);
  file_locked_ = false;
}

void Table::unlock_all() {
  flush_record();
  unlock_file();
  for (std::uint32_t r : locked_records_) dbf_.unlock(kRecordLockBase - r, 1);
  locked_records_.clear();
}

// ---------------------------------------------------------------- commit, pack, zap

void Table::commit() {
  flush_record();
  flush_appends();
  if (mode_ == OpenMode::kReadOnly) return;
  if (modified_) touch_date();
  for (auto& f : index_files_) f->flush_and_sync();
  dbf_.sync();
  if (memo_.is_open()) memo_.sync();
}

void Table::pack() {
  require_exclusive("pack");
  flush_record();
  flush_appends();
  std::string tmp = path_ + ".new";
  OsFile out(tmp, OsFile::Mode::kCreate);
  DbfHeader hd = hdr_;
  today(hd.year, hd.month, hd.day);
  std::vector<char> head(hd.header_length);
  dbf_.read_exact(0, head.data(), head.size());  // fields and backlink as they are
  const std::size_t len = hdr_.record_length;
  const std::size_t batch = std::max<std::size_t>(1, (1u << 20) / len);
  std::vector<char> in(batch * len), kept;
  kept.reserve(in.size() + 1);
  std::uint64_t out_off = hd.header_length;
  std::uint32_t kept_count = 0;
  for (std::uint32_t first = 1; first <= count_; first += static_cast<std::uint32_t>(batch)) {
    std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(batch, count_ - first + 1));
    dbf_.read_exact(hdr_.header_length + std::uint64_t(first - 1) * len, in.data(), n * len);
    kept.clear();
    for (std::uint32_t i = 0; i < n; ++i) {
      const char* r = in.data() + i * len;
      if (r[0] != '*') {
        kept.insert(kept.end(), r, r + len);
        ++kept_count;
      }
    }
    out.write_at(out_off, kept.data(), kept.size());
    out_off += kept.size();
  }
  char mark = kEndMark;
  out.write_at(out_off, &mark, 1);
  hd.record_count = kept_count;
  char p[12];
  encode_dbf_header_prefix(hd, p);
  std::memcpy(head.data(), p, 12);
  out.write_at(0, head.data(), head.size());
  out.sync();
  if (!out.lock(kOpenLockOffset, 1, OsFile::LockKind::kExclusive))
    throw StoreError(tmp, "cannot lock the packed table");
  // Index files are removed before the new table takes the name, so that a crash in
  // between leaves a table whose indexes are rebuilt on opening, never stale ones.
  std::vector<OrderInfo> defs = orders();
  std::vector<std::string> index_files = index_file_paths();
  int order_no = current_order_;
  close_indexes();
  for (const std::string& f : index_files) remove_file_if_exists(f);
  release_memory_map();
  replace_file(tmp, path_);
  dbf_ = std::move(out);
  hdr_.record_count = kept_count;
  hdr_.year = hd.year; hdr_.month = hd.month; hdr_.day = hd.day;
  count_ = kept_count;
  locked_records_.clear();
  build_index_files(defs);
  set_order(order_no);
  go_top();
}

void Table::zap() {
  require_exclusive("zap");
  dirty_ = false;
  cache_->pending.clear();
  std::string tmp = path_ + ".new";
  OsFile out(tmp, OsFile::Mode::kCreate);
  std::vector<char> head(hdr_.header_length);
  dbf_.read_exact(0, head.data(), head.size());
  DbfHeader hd = hdr_;
  hd.record_count = 0;
  today(hd.year, hd.month, hd.day);
  char p[12];
  encode_dbf_header_prefix(hd, p);
  std::memcpy(head.data(), p, 12);
  head.push_back(kEndMark);
  out.write_at(0, head.data(), head.size());
  out.sync();
  if (!out.lock(kOpenLockOffset, 1, OsFile::LockKind::kExclusive))
    throw StoreError(tmp, "cannot lock the emptied table");
  std::vector<OrderInfo> defs = orders();
  std::vector<std::string> index_files = index_file_paths();
  int order_no = current_order_;
  close_indexes();
  for (const std::string& f : index_files) remove_file_if_exists(f);
  release_memory_map();
  replace_file(tmp, path_);
  dbf_ = std::move(out);
  hdr_.record_count = 0;
  count_ = 0;
  if (memo_.is_open()) {
    // The emptied table points at no memo, so the memo file may follow it.
    std::string mp = memo_.path();
    MemoKind kind = memo_.kind();
    std::uint32_t bs = memo_.block_size();
    memo_.close();
    MemoFile::create(mp + ".new", kind, kind == MemoKind::kFpt ? bs : 0);
    replace_file(mp + ".new", mp);
    memo_ = MemoFile(mp, kind, true);
  }
  build_index_files(defs);
  set_order(order_no);
  go_top();
}

// ---------------------------------------------------------------- copying

std::uint32_t Table::append_from(Table& src, bool skip_deleted) {
  flush_record();
  src.flush_record();
  struct Pair {
    int to, from;
  };
  std::vector<Pair> pairs;
  for (std::size_t i = 0; i < hdr_.fields.size(); ++i) {
    int j = src.field_index(hdr_.fields[i].name);
    if (j >= 0) pairs.push_back({static_cast<int>(i), j});
  }
  std::uint32_t n = src.record_count(), copied = 0;
  for (std::uint32_t r = 1; r <= n; ++r) {
    src.load(r);
    if (skip_deleted && src.deleted()) continue;
    if (!append()) throw StoreError(path_, "cannot append: the table is locked by another process");
    for (const Pair& p : pairs) {
      const FieldDesc& to = hdr_.fields[p.to];
      const FieldDesc& from = src.hdr_.fields[p.from];
      auto src_type = from.type == 'F' ? 'N' : from.type;
      auto dst_type = to.type == 'F' ? 'N' : to.type;
      if (dst_type == 'M') {
        if (src_type == 'M') {
          std::string m = src.get_memo(p.from);
          if (!m.empty()) put_memo(p.to, m);
        } else if (src_type == 'C') {
          put_memo(p.to, src.get_text(p.from));
        }
      } else if (dst_type == 'N' && (src_type == 'N' || src_type == 'I' || src_type == 'Y' || src_type == 'B')) {
        put_decimal(p.to, src.get_decimal(p.from));
      } else if (dst_type == 'N' && src_type == 'C') {
        if (auto d = parse_decimal(src.get_text(p.from))) put_decimal(p.to, decimal_to_text(*d, static_cast<int>(d->frac_digits.size())));
      } else if (dst_type == 'C') {
        if (src_type == 'C') put_text(p.to, src.get_text(p.from));
        else if (src_type == 'M') put_text(p.to, src.get_memo(p.from));
        else if (src_type == 'D') put_text(p.to, src.get_date(p.from));
        else if (src_type == 'N') {
          std::string_view raw(src.data() + from.offset, from.length);
          put_text(p.to, raw);
        }
      } else if (dst_type == 'D' && (src_type == 'D' || src_type == 'T')) {
        put_date(p.to, src.get_date(p.from));
      } else if (dst_type == 'L' && src_type == 'L') {
        put_logical(p.to, src.get_logical(p.from));
      }
    }
    if (src.deleted()) delete_record();
    flush_record();
    ++copied;
  }
  return copied;
}

std::uint32_t Table::copy_to(const std::string& dest, bool skip_deleted, TableFormat format) {
  flush_record();
  flush_appends();
  // The copy is built as "<dest>.cpy.dbf" with its memo beside it, then renamed, memo
  // first. When `dest` already has a memo file, the new memo starts as a copy of it, so
  // that between the two renames the old table still finds every one of its memos.
  std::string tmp = dest + ".cpy.dbf";
  std::vector<FieldDesc> fields = hdr_.fields;
  Table::create(tmp, fields, format, true);
  {
    MemoKind kind = format == TableFormat::kFoxPro ? MemoKind::kFpt : MemoKind::kDbt;
    std::string new_memo = memo_path_for(tmp, kind);
    std::string old_memo = resolve_path_nocase(memo_path_for(dest, kind));
    if (file_exists(new_memo) && file_exists(old_memo)) {
      std::string tmp_copy = new_memo + ".new";
      std::filesystem::copy_file(old_memo, tmp_copy, std::filesystem::copy_options::overwrite_existing);
      try {
        MemoFile check(tmp_copy, kind, false);  // only a sound memo file is carried over
      } catch (const StoreError&) {
        MemoFile::create(tmp_copy, kind);
      }
      replace_file(tmp_copy, new_memo);
    }
  }
  std::uint32_t n;
  std::string tmp_memo;
  {
    Table out(tmp, OpenMode::kExclusive);
    n = out.append_from(*this, skip_deleted);
    out.commit();
    if (out.memo_.is_open()) tmp_memo = out.memo_.path();
    out.close();
  }
  if (!tmp_memo.empty()) {
    MemoKind kind = format == TableFormat::kFoxPro ? MemoKind::kFpt : MemoKind::kDbt;
    replace_file(tmp_memo, memo_path_for(dest, kind));
  }
  replace_file(tmp, dest);
  return n;
}

}  // namespace store
