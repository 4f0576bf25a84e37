// Encoding and decoding of CDX pages: interior pages and compressed leaf pages.
#include <algorithm>

#include "store/cdx_internal.h"

namespace store {
namespace cdx {

namespace {

int trailing_count(std::string_view key, char pad) {
  int t = 0;
  for (std::size_t i = key.size(); i > 0 && key[i - 1] == pad; --i) ++t;
  return t;
}

int common_prefix(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return static_cast<int>(i);
}

[[noreturn]] void damaged(const std::string& path, std::uint32_t offset, const std::string& what) {
  char where[32];
  std::snprintf(where, sizeof where, "0x%X", offset);
  throw StoreError(path, "damaged index: page " + std::string(where) + ": " + what);
}

}  // namespace

int leaf_bytes(const CdxTag::Node& node, int a, int b, char pad) {
  std::uint32_t max_recno = 0;
  for (int i = a; i < b; ++i) max_recno = std::max(max_recno, node.recnos[i]);
  LeafFormat f = LeafFormat::for_page(node.key_length, max_recno);
  int total = (b - a) * f.bytes;
  std::string_view prev;
  int prev_trail = 0;
  for (int i = a; i < b; ++i) {
    std::string_view k = node.key(i);
    int trail = trailing_count(k, pad);
    int dup = i == a ? 0 : std::min({common_prefix(prev, k), node.key_length - trail, node.key_length - prev_trail});
    total += node.key_length - trail - dup;
    prev = k;
    prev_trail = trail;
  }
  return total;
}

bool node_fits(const CdxTag::Node& node, int a, int b, char pad) {
  if (node.leaf) return leaf_fits(node, a, b, pad);
  return b - a <= interior_capacity(node.key_length);
}

void encode_page(const CdxTag::Node& node, char pad, unsigned char* page) {
  std::memset(page, 0, kPage);
  unsigned attr = (node.leaf ? kAttrLeaf : 0) | (node.root ? kAttrRoot : 0);
  put16(page, attr);
  put16(page + 2, static_cast<unsigned>(node.n()));
  put32(page + 4, node.left);
  put32(page + 8, node.right);
  const int kl = node.key_length;
  if (!node.leaf) {
    unsigned char* p = page + kInteriorHeader;
    for (int i = 0; i < node.n(); ++i) {
      std::memcpy(p, node.key(i).data(), static_cast<std::size_t>(kl));
      put32be(p + kl, node.recnos[i]);
      put32be(p + kl + 4, node.children[i]);
      p += kl + 8;
    }
    return;
  }
  std::uint32_t max_recno = 0;
  for (std::uint32_t r : node.recnos) max_recno = std::max(max_recno, r);
  LeafFormat f = LeafFormat::for_page(kl, max_recno);
  const std::uint64_t rec_mask = f.rec_bits >= 32 ? 0xFFFFFFFFull : ((1ull << f.rec_bits) - 1);
  const unsigned count_mask = (1u << f.count_bits) - 1;
  put32(page + 14, static_cast<std::uint32_t>(rec_mask));
  page[18] = static_cast<unsigned char>(count_mask);
  page[19] = static_cast<unsigned char>(count_mask);
  page[20] = static_cast<unsigned char>(f.rec_bits);
  page[21] = static_cast<unsigned char>(f.count_bits);
  page[22] = static_cast<unsigned char>(f.count_bits);
  page[23] = static_cast<unsigned char>(f.bytes);
  int key_pos = static_cast<int>(kPage);
  unsigned char* entry = page + kLeafHeader;
  std::string_view prev;
  int prev_trail = 0;
  for (int i = 0; i < node.n(); ++i) {
    std::string_view k = node.key(i);
    int trail = trailing_count(k, pad);
    // The shared part never reaches into the previous key's trailing pad: some readers
    // rebuild that pad with zero bytes whatever the key type.
    int dup = i == 0 ? 0 : std::min({common_prefix(prev, k), kl - trail, kl - prev_trail});
    prev_trail = trail;
    int len = kl - trail - dup;
    key_pos -= len;
    std::memcpy(page + key_pos, k.data() + dup, static_cast<std::size_t>(len));
    std::uint64_t v = (node.recnos[i] & rec_mask) |
                      (static_cast<std::uint64_t>(dup) << f.rec_bits) |
                      (static_cast<std::uint64_t>(trail) << (f.rec_bits + f.count_bits));
    for (int b = 0; b < f.bytes; ++b) entry[b] = static_cast<unsigned char>(v >> (8 * b));
    entry += f.bytes;
    prev = k;
  }
  put16(page + 12, static_cast<unsigned>(key_pos - (kLeafHeader + node.n() * f.bytes)));
}

void decode_page(const unsigned char* page, std::uint32_t offset, int kl, char pad, bool descending,
                 const std::string& path, CdxTag::Node& out) {
  unsigned attr = get16(page);
  int n = get16(page + 2);
  if (attr > 3) damaged(path, offset, "unknown page type");
  out.offset = offset;
  out.key_length = kl;
  out.leaf = (attr & kAttrLeaf) != 0;
  out.root = (attr & kAttrRoot) != 0;
  out.dirty = false;
  out.left = get32(page + 4);
  out.right = get32(page + 8);
  out.keys.assign(static_cast<std::size_t>(n) * kl, '\0');
  out.recnos.assign(static_cast<std::size_t>(n), 0);
  out.children.clear();
  if (!out.leaf) {
    if (n > interior_capacity(kl)) damaged(path, offset, "too many entries");
    out.children.assign(static_cast<std::size_t>(n), 0);
    const unsigned char* p = page + kInteriorHeader;
    for (int i = 0; i < n; ++i) {
      std::memcpy(&out.keys[static_cast<std::size_t>(i) * kl], p, static_cast<std::size_t>(kl));
      out.recnos[i] = get32be(p + kl);
      out.children[i] = get32be(p + kl + 4);
      p += kl + 8;
    }
    if (pad != '\0') {  // some writers pad interior character keys with zero bytes
      for (int i = 0; i < n; ++i) {
        char* k = &out.keys[static_cast<std::size_t>(i) * kl];
        for (int j = kl; j > 0 && k[j - 1] == '\0'; --j) k[j - 1] = pad;
      }
    }
  } else {
    const std::uint32_t rec_mask = get32(page + 14);
    const unsigned dup_mask = page[18], trail_mask = page[19];
    const int rec_bits = page[20], dup_bits = page[21], trail_bits = page[22], bytes = page[23];
    if (bytes < 1 || bytes > 8 || rec_bits > 32 || dup_bits > 8 || trail_bits > 8 ||
        rec_bits + dup_bits + trail_bits > bytes * 8) {
      damaged(path, offset, "bad leaf layout");
    }
    if (rec_mask != (rec_bits >= 32 ? 0xFFFFFFFFu : ((1u << rec_bits) - 1)) ||
        dup_mask != (1u << dup_bits) - 1 || trail_mask != (1u << trail_bits) - 1) {
      damaged(path, offset, "bad leaf masks");
    }
    if (kLeafHeader + n * bytes > static_cast<int>(kPage)) damaged(path, offset, "too many entries");
    int key_pos = static_cast<int>(kPage);
    const int entries_end = kLeafHeader + n * bytes;
    const unsigned char* entry = page + kLeafHeader;
    for (int i = 0; i < n; ++i) {
      std::uint64_t v = 0;
      for (int b = 0; b < bytes; ++b) v |= static_cast<std::uint64_t>(entry[b]) << (8 * b);
      entry += bytes;
      std::uint32_t recno = static_cast<std::uint32_t>(v & rec_mask);
      int dup = static_cast<int>((v >> rec_bits) & dup_mask);
      int trail = static_cast<int>((v >> (rec_bits + dup_bits)) & trail_mask);
      if (dup + trail > kl || (i == 0 && dup != 0)) damaged(path, offset, "bad key counts");
      int len = kl - dup - trail;
      key_pos -= len;
      if (key_pos < entries_end) damaged(path, offset, "keys overlap the entries");
      char* k = &out.keys[static_cast<std::size_t>(i) * kl];
      if (dup) std::memcpy(k, k - kl, static_cast<std::size_t>(dup));
      std::memcpy(k + dup, page + key_pos, static_cast<std::size_t>(len));
      std::memset(k + dup + len, pad, static_cast<std::size_t>(trail));
      out.recnos[i] = recno;
    }
  }
  for (int i = 1; i < n; ++i) {
    if (compare_key(out.key(i - 1), out.key(i), descending) > 0) damaged(path, offset, "keys out of order");
  }
}

}  // namespace cdx
}  // namespace store
