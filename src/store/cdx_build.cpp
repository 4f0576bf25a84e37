// Building a whole tag at once: sort the keys, then pack full leaves and the interior
// levels bottom-up, writing each level in one go.
#include <algorithm>
#include <numeric>

#include "store/cdx_internal.h"

namespace store {

using namespace cdx;
using Node = CdxTag::Node;
using Impl = CdxTag::Impl;

namespace {

struct Item8 {
  std::uint64_t k;
  std::uint32_t rec;
};
struct Item16 {
  std::uint64_t hi, lo;
  std::uint32_t rec;
};

std::uint64_t load_be(const char* p, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | (i < n ? static_cast<unsigned char>(p[i]) : 0u);
  return v;
}

void store_be(char* p, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) p[i] = static_cast<char>(v >> (56 - 8 * i));
}

// Stable LSD radix sort by byte; passes where every item has the same byte are skipped.
template <typename Item, typename ByteOf>
void radix_sort(std::vector<Item>& items, int passes, ByteOf byte_of) {
  std::vector<Item> tmp;
  const std::size_t n = items.size();
  for (int pass = 0; pass < passes; ++pass) {
    std::size_t count[256] = {};
    for (const Item& it : items) ++count[byte_of(it, pass)];
    bool trivial = false;
    for (std::size_t c : count) {
      if (c == n) trivial = true;
    }
    if (trivial) continue;
    if (tmp.empty()) tmp.resize(n);
    std::size_t pos = 0;
    for (std::size_t& c : count) {
      std::size_t v = c;
      c = pos;
      pos += v;
    }
    for (const Item& it : items) tmp[count[byte_of(it, pass)]++] = it;
    items.swap(tmp);
  }
}

// Entries in key order, equal keys in input order, laid out contiguously so that the
// packing reads them in sequence.
struct Sorted {
  std::string keys;
  std::vector<std::uint32_t> recnos;
};

// `recnos` null: record numbers 1, 2, 3 ...
Sorted sort_entries(const char* keys, const std::uint32_t* recnos, std::size_t n, int kl) {
  Sorted out;
  const std::size_t ukl = static_cast<std::size_t>(kl);
  out.keys.resize(n * ukl);
  out.recnos.resize(n);
  auto rec = [&](std::size_t i) { return recnos ? recnos[i] : static_cast<std::uint32_t>(i + 1); };
  if (kl <= 8) {
    std::vector<Item8> items(n);
    for (std::size_t i = 0; i < n; ++i) items[i] = {load_be(keys + i * ukl, kl), rec(i)};
    radix_sort(items, 8, [](const Item8& it, int pass) { return static_cast<unsigned>((it.k >> (8 * pass)) & 0xFF); });
    for (std::size_t i = 0; i < n; ++i) {
      store_be(&out.keys[i * ukl], items[i].k, kl);
      out.recnos[i] = items[i].rec;
    }
  } else if (kl <= 16) {
    std::vector<Item16> items(n);
    for (std::size_t i = 0; i < n; ++i) {
      const char* k = keys + i * ukl;
      items[i] = {load_be(k, 8), load_be(k + 8, kl - 8), rec(i)};
    }
    radix_sort(items, 16, [](const Item16& it, int pass) {
      return static_cast<unsigned>(pass < 8 ? (it.lo >> (8 * pass)) & 0xFF : (it.hi >> (8 * (pass - 8))) & 0xFF);
    });
    for (std::size_t i = 0; i < n; ++i) {
      store_be(&out.keys[i * ukl], items[i].hi, 8);
      store_be(&out.keys[i * ukl + 8], items[i].lo, kl - 8);
      out.recnos[i] = items[i].rec;
    }
  } else {
    // An 8-byte prefix first, the whole key where prefixes tie.
    struct Ref {
      std::uint64_t k;
      std::uint32_t idx;
    };
    std::vector<Ref> items(n);
    for (std::size_t i = 0; i < n; ++i) items[i] = {load_be(keys + i * ukl, 8), static_cast<std::uint32_t>(i)};
    std::sort(items.begin(), items.end(), [&](const Ref& a, const Ref& b) {
      if (a.k != b.k) return a.k < b.k;
      int c = std::memcmp(keys + a.idx * ukl + 8, keys + b.idx * ukl + 8, ukl - 8);
      if (c != 0) return c < 0;
      return a.idx < b.idx;
    });
    for (std::size_t i = 0; i < n; ++i) {
      std::memcpy(&out.keys[i * ukl], keys + items[i].idx * ukl, ukl);
      out.recnos[i] = rec(items[i].idx);
    }
  }
  return out;
}

// Unique tags keep the first entry of each key; descending tags reverse the key order
// and keep equal keys in record order.
void arrange(Sorted& s, int kl, bool unique, bool descending) {
  const std::size_t ukl = static_cast<std::size_t>(kl);
  std::size_t n = s.recnos.size();
  auto same = [&](std::size_t a, std::size_t b) { return std::memcmp(&s.keys[a * ukl], &s.keys[b * ukl], ukl) == 0; };
  if (unique && n > 0) {
    std::size_t w = 1;
    for (std::size_t i = 1; i < n; ++i) {
      if (!same(i, w - 1)) {
        if (w != i) {
          std::memcpy(&s.keys[w * ukl], &s.keys[i * ukl], ukl);
          s.recnos[w] = s.recnos[i];
        }
        ++w;
      }
    }
    n = w;
    s.keys.resize(n * ukl);
    s.recnos.resize(n);
  }
  if (descending && n > 0) {
    Sorted r;
    r.keys.reserve(n * ukl);
    r.recnos.reserve(n);
    std::size_t end = n;
    while (end > 0) {
      std::size_t begin = end - 1;
      while (begin > 0 && same(begin - 1, end - 1)) --begin;
      r.keys.append(s.keys, begin * ukl, (end - begin) * ukl);
      r.recnos.insert(r.recnos.end(), s.recnos.begin() + static_cast<std::ptrdiff_t>(begin),
                      s.recnos.begin() + static_cast<std::ptrdiff_t>(end));
      end = begin;
    }
    s = std::move(r);
  }
}

int trailing(const char* k, int kl, char pad) {
  int t = 0;
  while (t < kl && k[kl - 1 - t] == pad) ++t;
  return t;
}

int common(const char* a, const char* b, int kl) {
  int i = 0;
  while (i < kl && a[i] == b[i]) ++i;
  return i;
}

struct UpEntry {
  const char* key;
  std::uint32_t recno;
  std::uint32_t page;
};

}  // namespace

void Impl::build_sorted(CdxTag& t, const char* keys, const std::uint32_t* recnos, std::size_t n) {
  CdxFile& f = *t.file_;
  const int kl = t.key_length_;
  const std::size_t ukl = static_cast<std::size_t>(kl);
  const char pad = pad_byte(t.key_type_);
  if (n == 0) {
    Node& root = new_node(t, true);
    root.root = true;
    t.root_ = root.offset;
    t.header_dirty_ = true;
    return;
  }
  std::uint32_t max_recno = 0;
  for (std::size_t i = 0; i < n; ++i) max_recno = std::max(max_recno, recnos[i]);
  const LeafFormat fmt = LeafFormat::for_page(kl, max_recno);
  const std::uint64_t rec_mask = fmt.rec_bits >= 32 ? 0xFFFFFFFFull : ((1ull << fmt.rec_bits) - 1);
  const unsigned count_mask = (1u << fmt.count_bits) - 1;

  // Leaves.
  std::vector<unsigned char> buf;
  std::vector<UpEntry> up;
  const std::uint32_t leaf_base = static_cast<std::uint32_t>(f.file_end_);
  std::size_t i = 0;
  while (i < n) {
    std::size_t page_no = buf.size() / kPage;
    buf.resize(buf.size() + kPage, 0);
    unsigned char* page = buf.data() + page_no * kPage;
    std::uint32_t off = f.allocate_block(kPage);
    if (off != leaf_base + page_no * kPage) throw StoreError(f.path_, "index build: pages not contiguous");
    int used = 0;
    int count = 0;
    int key_pos = static_cast<int>(kPage);
    unsigned char* entry = page + kLeafHeader;
    const char* prev = nullptr;
    int prev_trail = 0;
    while (i < n) {
      const char* k = keys + i * ukl;
      int trail = trailing(k, kl, pad);
      int dup = prev == nullptr ? 0 : std::min({common(prev, k, kl), kl - trail, kl - prev_trail});
      int len = kl - trail - dup;
      if (used + fmt.bytes + len > kLeafSpace) break;
      used += fmt.bytes + len;
      key_pos -= len;
      std::memcpy(page + key_pos, k + dup, static_cast<std::size_t>(len));
      std::uint64_t v = (recnos[i] & rec_mask) | (static_cast<std::uint64_t>(dup) << fmt.rec_bits) |
                        (static_cast<std::uint64_t>(trail) << (fmt.rec_bits + fmt.count_bits));
      for (int b = 0; b < fmt.bytes; ++b) entry[b] = static_cast<unsigned char>(v >> (8 * b));
      entry += fmt.bytes;
      prev = k;
      prev_trail = trail;
      ++count;
      ++i;
    }
    put16(page, kAttrLeaf);
    put16(page + 2, static_cast<unsigned>(count));
    put32(page + 4, page_no == 0 ? kNone : off - kPage);
    put32(page + 8, off + kPage);
    put16(page + 12, static_cast<unsigned>(kLeafSpace - used));
    put32(page + 14, static_cast<std::uint32_t>(rec_mask));
    page[18] = page[19] = static_cast<unsigned char>(count_mask);
    page[20] = static_cast<unsigned char>(fmt.rec_bits);
    page[21] = page[22] = static_cast<unsigned char>(fmt.count_bits);
    page[23] = static_cast<unsigned char>(fmt.bytes);
    up.push_back({prev, recnos[i - 1], off});
  }
  auto finish_level = [&](std::uint32_t base) {
    std::size_t pages = buf.size() / kPage;
    unsigned char* last = buf.data() + (pages - 1) * kPage;
    put32(last + 8, kNone);
    if (pages == 1) put16(buf.data(), get16(buf.data()) | kAttrRoot);
    f.write_raw(base, buf.data(), buf.size());
  };
  finish_level(leaf_base);

  // Interior levels until one page remains.
  const int cap = interior_capacity(kl);
  while (up.size() > 1) {
    std::vector<UpEntry> next;
    buf.assign(0, 0);
    const std::uint32_t base = static_cast<std::uint32_t>(f.file_end_);
    std::size_t pages = (up.size() + static_cast<std::size_t>(cap) - 1) / static_cast<std::size_t>(cap);
    buf.assign(pages * kPage, 0);
    for (std::size_t pg = 0; pg < pages; ++pg) {
      std::uint32_t off = f.allocate_block(kPage);
      if (off != base + pg * kPage) throw StoreError(f.path_, "index build: pages not contiguous");
      unsigned char* page = buf.data() + pg * kPage;
      std::size_t a = pg * static_cast<std::size_t>(cap), b = std::min(up.size(), a + static_cast<std::size_t>(cap));
      put16(page, 0);
      put16(page + 2, static_cast<unsigned>(b - a));
      put32(page + 4, pg == 0 ? kNone : off - kPage);
      put32(page + 8, off + kPage);
      unsigned char* p = page + kInteriorHeader;
      for (std::size_t e = a; e < b; ++e) {
        std::memcpy(p, up[e].key, ukl);
        put32be(p + kl, up[e].recno);
        put32be(p + kl + 4, up[e].page);
        p += kl + 8;
      }
      next.push_back({up[b - 1].key, up[b - 1].recno, off});
    }
    finish_level(base);
    up.swap(next);
  }
  t.root_ = up[0].page;
  t.header_dirty_ = true;
  f.changed_ = true;
}

void CdxTag::bulk_build(std::vector<std::pair<std::string, std::uint32_t>> entries) {
  Impl::check_usable(*this, true);
  // Record order first, so that equal keys end in record order.
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  std::string keys;
  keys.reserve(entries.size() * static_cast<std::size_t>(key_length_));
  std::vector<std::uint32_t> recnos;
  recnos.reserve(entries.size());
  for (auto& [k, r] : entries) {
    keys += Impl::normalize(*this, k);
    recnos.push_back(r);
  }
  entries.clear();
  entries.shrink_to_fit();
  Sorted sorted = sort_entries(keys.data(), recnos.data(), recnos.size(), key_length_);
  keys.clear();
  keys.shrink_to_fit();
  arrange(sorted, key_length_, unique_, descending_);
  for (std::uint32_t page : Impl::all_pages(*this)) file_->free_page(page);
  Impl::build_sorted(*this, sorted.keys.data(), sorted.recnos.data(), sorted.recnos.size());
  ++stamp_;
}

void CdxTag::bulk_build_sequential(const std::string& keys, const std::vector<char>& included) {
  Impl::check_usable(*this, true);
  const std::size_t ukl = static_cast<std::size_t>(key_length_);
  if (keys.size() % ukl != 0) throw StoreError(file_->path_, "tag " + name_ + ": keys of the wrong length");
  std::size_t total = keys.size() / ukl;
  if (!included.empty() && included.size() != total) {
    throw StoreError(file_->path_, "tag " + name_ + ": inclusion list of the wrong length");
  }
  if (total > 0xFFFFFFFEu) throw StoreError(file_->path_, "too many records");
  Sorted sorted;
  if (included.empty()) {
    sorted = sort_entries(keys.data(), nullptr, total, key_length_);
  } else {
    std::string filtered;
    std::vector<std::uint32_t> recnos;
    for (std::size_t i = 0; i < total; ++i) {
      if (included[i]) {
        filtered.append(keys, i * ukl, ukl);
        recnos.push_back(static_cast<std::uint32_t>(i + 1));
      }
    }
    sorted = sort_entries(filtered.data(), recnos.data(), recnos.size(), key_length_);
  }
  arrange(sorted, key_length_, unique_, descending_);
  for (std::uint32_t page : Impl::all_pages(*this)) file_->free_page(page);
  Impl::build_sorted(*this, sorted.keys.data(), sorted.recnos.data(), sorted.recnos.size());
  ++stamp_;
}

}  // namespace store
