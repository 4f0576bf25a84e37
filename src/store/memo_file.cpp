#include "store/memo_file.h"

#include <cstring>
#include <vector>

#include "store/field.h"

namespace store {

namespace {
constexpr std::uint64_t kMemoLockOffset = 0x7FFFFFFE;
constexpr std::uint32_t kMaxMemo = 64u << 20;

std::uint32_t be32(const unsigned char* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint32_t le32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
void put_be32(unsigned char* p, std::uint32_t v) {
  p[0] = v >> 24; p[1] = v >> 16; p[2] = v >> 8; p[3] = v;
}
void put_le32(unsigned char* p, std::uint32_t v) {
  p[0] = v; p[1] = v >> 8; p[2] = v >> 16; p[3] = v >> 24;
}
}  // namespace

MemoFile::MemoFile(const std::string& path, MemoKind kind, bool writable, bool dbase4)
    : file_(path, writable ? OsFile::Mode::kReadWrite : OsFile::Mode::kReadOnly), kind_(kind) {
  unsigned char h[512];
  if (file_.size() < 512) throw StoreError(path, "damaged memo file: shorter than its header");
  file_.read_exact(0, h, 512);
  if (kind == MemoKind::kFpt) {
    block_size_ = std::uint32_t(h[6]) << 8 | h[7];
    if (block_size_ == 0) throw StoreError(path, "damaged memo file: block size 0");
  } else {
    // dBase IV writes its block size at 20; dBase III always uses 512.
    std::uint32_t bs = std::uint32_t(h[20]) | std::uint32_t(h[21]) << 8;
    dbase4_ = dbase4;
    block_size_ = dbase4_ && bs >= 64 && bs % 64 == 0 && bs <= 32768 ? bs : 512;
  }
}

void MemoFile::create(const std::string& path, MemoKind kind, std::uint32_t block_size) {
  OsFile f(path, OsFile::Mode::kCreate);
  unsigned char h[512] = {};
  if (kind == MemoKind::kFpt) {
    if (block_size == 0) block_size = 64;
    std::uint32_t first = (512 + block_size - 1) / block_size;
    put_be32(h, first);
    h[6] = static_cast<unsigned char>(block_size >> 8);
    h[7] = static_cast<unsigned char>(block_size);
    f.write_at(0, h, 512);
    std::uint64_t end = std::uint64_t(first) * block_size;
    if (end > 512) f.truncate(end);
  } else {
    put_le32(h, 1);
    h[16] = 0x03;  // dBase III marker as dBase writes it
    f.write_at(0, h, 512);
  }
}

std::uint32_t MemoFile::read_next_free() const {
  unsigned char h[4];
  file_.read_exact(0, h, 4);
  return kind_ == MemoKind::kFpt ? be32(h) : le32(h);
}

void MemoFile::write_next_free(std::uint32_t next) {
  unsigned char h[4];
  if (kind_ == MemoKind::kFpt) put_be32(h, next);
  else put_le32(h, next);
  file_.write_at(0, h, 4);
}

std::string MemoFile::read(std::uint32_t block) const {
  if (block == 0) return {};
  const std::string& path = file_.path();
  std::uint64_t offset = std::uint64_t(block) * block_size_;
  std::uint64_t size = file_.size();
  if (offset < 512 || offset >= size)
    throw StoreError(path, "memo block " + std::to_string(block) + " lies outside the memo file");
  if (kind_ == MemoKind::kFpt || dbase4_) {
    unsigned char h[8];
    if (file_.read_at(offset, h, 8) != 8)
      throw StoreError(path, "memo block " + std::to_string(block) + " is truncated");
    std::uint32_t len;
    if (kind_ == MemoKind::kFpt) {
      len = be32(h + 4);
    } else {
      if (!(h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00))
        throw StoreError(path, "memo block " + std::to_string(block) + " has no block header");
      len = le32(h + 4);
      if (len < 8) throw StoreError(path, "memo block " + std::to_string(block) + " is damaged");
      len -= 8;
    }
    if (len > kMaxMemo || offset + 8 + len > size)
      throw StoreError(path, "memo block " + std::to_string(block) + " is damaged (length " +
                                 std::to_string(len) + ")");
    std::string out(len, '\0');
    file_.read_exact(offset + 8, out.data(), len);
    return out;
  }
  // dBase III: text up to the first end mark.
  std::string out;
  char buf[4096];
  std::uint64_t pos = offset;
  for (;;) {
    std::size_t n = file_.read_at(pos, buf, sizeof buf);
    if (n == 0) break;  // tolerated: a last memo without its end mark
    const void* end = std::memchr(buf, 0x1A, n);
    if (end) {
      out.append(buf, static_cast<const char*>(end) - buf);
      break;
    }
    out.append(buf, n);
    pos += n;
    if (out.size() > kMaxMemo)
      throw StoreError(path, "memo block " + std::to_string(block) + " has no end mark");
  }
  return out;
}

std::uint64_t MemoFile::stored_span(std::uint32_t block) const {
  if (block == 0) return 0;
  try {
    if (kind_ == MemoKind::kFpt || dbase4_) return read(block).size() + 8;
    return read(block).size() + 2;
  } catch (const StoreError&) {
    return 0;  // a damaged old memo is simply not reused
  }
}

std::uint32_t MemoFile::write(std::uint32_t old_block, std::string_view text, bool shared) {
  if (text.empty()) return 0;
  if (text.size() > kMaxMemo) throw StoreError(file_.path(), "memo text too long");
  const bool header8 = kind_ == MemoKind::kFpt || dbase4_;
  if (!header8 && std::memchr(text.data(), 0x1A, text.size()))
    throw StoreError(file_.path(), "a dBase III memo cannot hold the byte 0x1A");
  std::vector<unsigned char> data;
  data.reserve(text.size() + 8);
  if (kind_ == MemoKind::kFpt) {
    data.resize(8);
    put_be32(data.data(), 1);  // text
    put_be32(data.data() + 4, static_cast<std::uint32_t>(text.size()));
    data.insert(data.end(), text.begin(), text.end());
  } else if (dbase4_) {
    data = {0xFF, 0xFF, 0x08, 0x00, 0, 0, 0, 0};
    put_le32(data.data() + 4, static_cast<std::uint32_t>(text.size() + 8));
    data.insert(data.end(), text.begin(), text.end());
  } else {
    data.insert(data.end(), text.begin(), text.end());
    data.push_back(0x1A);
    data.push_back(0x1A);
  }
  auto blocks_for = [&](std::uint64_t bytes) { return (bytes + block_size_ - 1) / block_size_; };
  std::uint64_t need = blocks_for(data.size());
  if (old_block != 0 && blocks_for(stored_span(old_block)) >= need) {
    file_.write_at(std::uint64_t(old_block) * block_size_, data.data(), data.size());
    return old_block;
  }
  if (shared && !file_.lock(kMemoLockOffset, 1, OsFile::LockKind::kExclusive, /*wait=*/true))
    throw StoreError(file_.path(), "cannot lock the memo file");
  struct Unlock {
    MemoFile* m; bool on;
    ~Unlock() { if (on) m->file_.unlock(kMemoLockOffset, 1); }
  } unlock{this, shared};
  std::uint32_t next = read_next_free();
  std::uint64_t min_block = (512 + block_size_ - 1) / block_size_;
  std::uint64_t size_blocks = blocks_for(file_.size());
  if (next < min_block || next > size_blocks + 1) next = static_cast<std::uint32_t>(std::max(min_block, size_blocks));
  if (std::uint64_t(next) + need > 0xFFFFFFFFull) throw StoreError(file_.path(), "memo file full");
  data.resize(need * block_size_, 0);
  file_.write_at(std::uint64_t(next) * block_size_, data.data(), data.size());
  write_next_free(static_cast<std::uint32_t>(next + need));
  return next;
}

}  // namespace store
