#pragma once
// Page formats and node structures shared by the CDX source files.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/cdx.h"

namespace store {
namespace cdx {

constexpr std::uint32_t kPage = 512;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr int kLeafHeader = 24;
constexpr int kLeafSpace = static_cast<int>(kPage) - kLeafHeader;  // 488
constexpr int kInteriorHeader = 12;
constexpr int kMaxDepth = 40;

constexpr unsigned kAttrRoot = 1;
constexpr unsigned kAttrLeaf = 2;

constexpr unsigned char kOptUnique = 0x01;
constexpr unsigned char kOptFor = 0x08;
constexpr unsigned char kOptCompact = 0x20;
constexpr unsigned char kOptCompound = 0x40;
constexpr unsigned char kOptStructure = 0x80;

inline std::uint16_t get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t get32be(const unsigned char* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline void put16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void put32be(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// Bits for the duplicate and trailing counts of a key length.
inline int count_bits(int key_length) {
  int b = 0;
  while ((1 << b) - 1 < key_length) ++b;
  return b;
}
inline int bit_width32(std::uint32_t v) {
  int b = 0;
  while (b < 32 && (v >> b) != 0) ++b;
  return b;
}

// Packing of the record number and counts of one leaf page.
struct LeafFormat {
  int count_bits = 0;  // bits of each count
  int rec_bits = 0;
  int bytes = 0;  // per entry
  static LeafFormat for_page(int key_length, std::uint32_t max_recno) {
    LeafFormat f;
    f.count_bits = cdx::count_bits(key_length);
    int need = std::max(1, bit_width32(max_recno));
    f.bytes = std::max(3, (need + 2 * f.count_bits + 7) / 8);
    f.rec_bits = std::min(32, f.bytes * 8 - 2 * f.count_bits);
    return f;
  }
};

}  // namespace cdx

struct CdxTag::Node {
  std::uint32_t offset = 0;
  int key_length = 0;
  char pad = ' ';  // byte of trailing counts
  bool leaf = true;
  bool root = false;
  bool dirty = false;
  std::uint32_t left = cdx::kNone, right = cdx::kNone;
  std::string keys;  // n * key_length bytes
  std::vector<std::uint32_t> recnos;
  std::vector<std::uint32_t> children;  // interior pages only

  int n() const { return static_cast<int>(recnos.size()); }
  std::string_view key(int i) const {
    return std::string_view(keys.data() + static_cast<std::size_t>(i) * key_length,
                            static_cast<std::size_t>(key_length));
  }
};

struct CdxTag::Impl {
  using Path = std::vector<std::pair<std::uint32_t, int>>;

  static Node& load(CdxTag& t, std::uint32_t offset);
  static Node& new_node(CdxTag& t, bool leaf);
  static void mark(CdxTag& t, Node& n);
  static std::string normalize(const CdxTag& t, std::string_view key);
  static void check_usable(const CdxTag& t, bool write);

  static void descend(CdxTag& t, Path& p, std::string_view key, std::uint32_t recno, bool by_entry);
  static void descend_edge(CdxTag& t, Path& p, std::uint32_t offset, bool rightmost);
  static bool next_leaf(CdxTag& t, Path& p);
  static bool prev_leaf(CdxTag& t, Path& p);
  static bool settle_forward(CdxTag& t, Path& p, std::uint64_t& hops);
  static bool settle_backward(CdxTag& t, Path& p, std::uint64_t& hops);
  static bool step_forward(CdxTag& t, Path& p, std::uint64_t& hops);
  static bool step_back(CdxTag& t, Path& p, std::uint64_t& hops);
  static void count_hop(CdxTag& t, std::uint64_t& hops);
  static void fill(CdxTag& t, CdxCursor& c, bool ok);

  static void update_ancestors(CdxTag& t, Path& p, int level);
  static void split(CdxTag& t, Path& p, int level);
  static void after_removal(CdxTag& t, Path& p, int level, bool last_changed);
  static void unlink(CdxTag& t, Node& n);

  static std::vector<std::uint32_t> all_pages(CdxTag& t);
  // Packs entries already in the tag's order (keys laid end to end).
  static void build_sorted(CdxTag& t, const char* keys, const std::uint32_t* recnos, std::size_t n);
};

struct CdxFile::PageCache {
  std::unordered_map<std::uint32_t, std::unique_ptr<CdxTag::Node>> nodes;
  // Freed pages waiting to be written (their first four bytes link the free list).
  std::unordered_map<std::uint32_t, std::array<unsigned char, cdx::kPage>> freed;
  std::vector<std::uint32_t> dirty;  // offsets of changed nodes (may repeat)
  // Tag headers as read, kept so that a rewrite keeps what this code does not use.
  std::unordered_map<std::uint32_t, std::array<unsigned char, 2 * cdx::kPage>> headers;
};

}  // namespace store

namespace store {
namespace cdx {

// Pad byte of trailing counts: blanks for character keys, zero bytes otherwise.
inline char pad_byte(KeyType t) { return t == KeyType::kCharacter ? ' ' : '\0'; }

// Largest number of entries of an interior page.
inline int interior_capacity(int key_length) {
  return (static_cast<int>(kPage) - kInteriorHeader) / (key_length + 8);
}

// Bytes that entries [a, b) of a leaf take when encoded in one page (entries and keys).
int leaf_bytes(const CdxTag::Node& node, int a, int b, char pad);
inline bool leaf_fits(const CdxTag::Node& node, int a, int b, char pad) {
  return leaf_bytes(node, a, b, pad) <= kLeafSpace;
}
bool node_fits(const CdxTag::Node& node, int a, int b, char pad);

// Page <-> node. decode_page throws StoreError naming `path` when the page is damaged.
// `descending` tells the order the keys must be in.
void decode_page(const unsigned char* page, std::uint32_t offset, int key_length, char pad,
                 bool descending, const std::string& path, CdxTag::Node& out);
void encode_page(const CdxTag::Node& node, char pad, unsigned char* page);

// Compares a stored key with a key or prefix (target may be shorter than the key).
inline int compare_key(std::string_view stored, std::string_view target, bool descending) {
  std::size_t m = std::min(stored.size(), target.size());
  int c = m ? std::memcmp(stored.data(), target.data(), m) : 0;
  c = c < 0 ? -1 : (c > 0 ? 1 : 0);
  return descending ? -c : c;
}

}  // namespace cdx
}  // namespace store
