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
struct Item12 {
  std::uint64_t hi;
  std::uint32_t lo;
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

// Working memory of bulk builds, kept by the thread between builds: on some systems
// touching fresh memory costs more than the sort itself, and a reindex builds several
// tags in a row.
struct Scratch {
  std::vector<std::uint64_t> items, tmp;
};
Scratch& scratch() {
  thread_local Scratch s;
  return s;
}
template <typename Item>
Item* items_in(std::vector<std::uint64_t>& words, std::size_t n) {
  std::size_t need = (n * sizeof(Item) + 7) / 8;
  if (words.size() < need) words.resize(need);
  return reinterpret_cast<Item*>(words.data());
}

// Stable LSD radix sort by byte; passes where every item has the same byte are skipped.
// Returns where the sorted items are (items or tmp).
template <typename Item, typename ByteOf>
Item* radix_sort(Item* items, Item* tmp, std::size_t n, int passes, ByteOf byte_of) {
  for (int pass = 0; pass < passes; ++pass) {
    std::size_t count[256] = {};
    for (std::size_t i = 0; i < n; ++i) ++count[byte_of(items[i], pass)];
    bool trivial = false;
    for (std::size_t c : count) {
      if (c == n) trivial = true;
    }
    if (trivial) continue;
    std::size_t pos = 0;
    for (std::size_t& c : count) {
      std::size_t v = c;
      c = pos;
      pos += v;
    }
    for (std::size_t i = 0; i < n; ++i) tmp[count[byte_of(items[i], pass)]++] = items[i];
    std::swap(items, tmp);
  }
  return items;
}

// Entries in key order, equal keys in input order, laid out contiguously so that the
// packing reads them in sequence.
struct Sorted {
  std::string keys;
  std::vector<std::uint32_t> recnos;
};

Sorted& sorted_scratch() {
  thread_local Sorted s;
  return s;
}

// `recnos` null: record numbers 1, 2, 3 ...
void sort_entries(const char* keys, const std::uint32_t* recnos, std::size_t n, int kl, Sorted& out) {
  const std::size_t ukl = static_cast<std::size_t>(kl);
  out.keys.resize(n * ukl);
  out.recnos.resize(n);
  auto rec = [&](std::size_t i) { return recnos ? recnos[i] : static_cast<std::uint32_t>(i + 1); };
  Scratch& sc = scratch();
  if (kl <= 8) {
    Item8* items = items_in<Item8>(sc.items, n);
    for (std::size_t i = 0; i < n; ++i) items[i] = {load_be(keys + i * ukl, kl), rec(i)};
    Item8* sorted = radix_sort(items, items_in<Item8>(sc.tmp, n), n, 8, [](const Item8& it, int pass) {
      return static_cast<unsigned>((it.k >> (8 * pass)) & 0xFF);
    });
    for (std::size_t i = 0; i < n; ++i) {
      store_be(&out.keys[i * ukl], sorted[i].k, kl);
      out.recnos[i] = sorted[i].rec;
    }
  } else if (kl <= 12) {
    Item12* items = items_in<Item12>(sc.items, n);
    for (std::size_t i = 0; i < n; ++i) {
      const char* k = keys + i * ukl;
      items[i] = {load_be(k, 8), static_cast<std::uint32_t>(load_be(k + 8, kl - 8) >> 32), rec(i)};
    }
    Item12* sorted = radix_sort(items, items_in<Item12>(sc.tmp, n), n, 12, [](const Item12& it, int pass) {
      return static_cast<unsigned>(pass < 4 ? (it.lo >> (8 * pass)) & 0xFF : (it.hi >> (8 * (pass - 4))) & 0xFF);
    });
    for (std::size_t i = 0; i < n; ++i) {
      store_be(&out.keys[i * ukl], sorted[i].hi, 8);
      store_be(&out.keys[i * ukl + 8], static_cast<std::uint64_t>(sorted[i].lo) << 32, kl - 8);
      out.recnos[i] = sorted[i].rec;
    }
  } else if (kl <= 16) {
    Item16* items = items_in<Item16>(sc.items, n);
    for (std::size_t i = 0; i < n; ++i) {
      const char* k = keys + i * ukl;
      items[i] = {load_be(k, 8), load_be(k + 8, kl - 8), rec(i)};
    }
    Item16* sorted = radix_sort(items, items_in<Item16>(sc.tmp, n), n, 16, [](const Item16& it, int pass) {
      return static_cast<unsigned>(pass < 8 ? (it.lo >> (8 * pass)) & 0xFF : (it.hi >> (8 * (pass - 8))) & 0xFF);
    });
    for (std::size_t i = 0; i < n; ++i) {
      store_be(&out.keys[i * ukl], sorted[i].hi, 8);
      store_be(&out.keys[i * ukl + 8], sorted[i].lo, kl - 8);
      out.recnos[i] = sorted[i].rec;
    }
  } else {
    // An 8-byte prefix first, the whole key where prefixes tie.
    struct Ref {
      std::uint64_t k;
      std::uint32_t idx;
    };
    Ref* items = items_in<Ref>(sc.items, n);
    for (std::size_t i = 0; i < n; ++i) items[i] = {load_be(keys + i * ukl, 8), static_cast<std::uint32_t>(i)};
    std::sort(items, items + n, [&](const Ref& a, const Ref& b) {
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
    // Reverse everything, then put each run of equal keys back in record order.
    auto reverse_range = [&](std::size_t a, std::size_t b) {  // entries [a, b)
      std::string tmp(ukl, '\0');
      for (std::size_t i = a, j = b - 1; i < j; ++i, --j) {
        std::memcpy(tmp.data(), &s.keys[i * ukl], ukl);
        std::memcpy(&s.keys[i * ukl], &s.keys[j * ukl], ukl);
        std::memcpy(&s.keys[j * ukl], tmp.data(), ukl);
        std::swap(s.recnos[i], s.recnos[j]);
      }
    };
    reverse_range(0, n);
    std::size_t a = 0;
    while (a < n) {
      std::size_t b = a + 1;
      while (b < n && same(a, b)) ++b;
      if (b - a > 1) std::reverse(s.recnos.begin() + static_cast<std::ptrdiff_t>(a), s.recnos.begin() + static_cast<std::ptrdiff_t>(b));
      a = b;
    }
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

  // Leaves, written in runs of pages as they fill.
  constexpr std::size_t kRun = 256;
  std::vector<unsigned char> buf;
  buf.reserve(kRun * kPage);
  std::vector<UpEntry> up;
  std::uint32_t run_base = static_cast<std::uint32_t>(f.file_end_);
  std::size_t total_pages = 0;
  std::size_t i = 0;
  while (i < n) {
    if (buf.size() == kRun * kPage) {
      f.write_raw(run_base, buf.data(), buf.size());
      run_base += static_cast<std::uint32_t>(buf.size());
      buf.clear();
    }
    std::size_t page_no = buf.size() / kPage;
    buf.resize(buf.size() + kPage, 0);
    unsigned char* page = buf.data() + page_no * kPage;
    std::uint32_t off = f.allocate_block(kPage);
    if (off != run_base + page_no * kPage) throw StoreError(f.path_, "index build: pages not contiguous");
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
    put32(page + 4, total_pages == 0 ? kNone : off - kPage);
    put32(page + 8, i < n ? off + kPage : kNone);
    put16(page + 12, static_cast<unsigned>(kLeafSpace - used));
    put32(page + 14, static_cast<std::uint32_t>(rec_mask));
    page[18] = page[19] = static_cast<unsigned char>(count_mask);
    page[20] = static_cast<unsigned char>(fmt.rec_bits);
    page[21] = page[22] = static_cast<unsigned char>(fmt.count_bits);
    page[23] = static_cast<unsigned char>(fmt.bytes);
    if (i >= n && total_pages == 0) put16(page, kAttrLeaf | kAttrRoot);
    ++total_pages;
    up.push_back({prev, recnos[i - 1], off});
  }
  f.write_raw(run_base, buf.data(), buf.size());
  auto finish_level = [&](std::uint32_t base) {
    std::size_t pages = buf.size() / kPage;
    unsigned char* last = buf.data() + (pages - 1) * kPage;
    put32(last + 8, kNone);
    if (pages == 1) put16(buf.data(), get16(buf.data()) | kAttrRoot);
    f.write_raw(base, buf.data(), buf.size());
  };

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
  Sorted& sorted = sorted_scratch();
  sort_entries(keys.data(), recnos.data(), recnos.size(), key_length_, sorted);
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
  Sorted& sorted = sorted_scratch();
  if (included.empty()) {
    sort_entries(keys.data(), nullptr, total, key_length_, sorted);
  } else {
    std::string filtered;
    std::vector<std::uint32_t> recnos;
    for (std::size_t i = 0; i < total; ++i) {
      if (included[i]) {
        filtered.append(keys, i * ukl, ukl);
        recnos.push_back(static_cast<std::uint32_t>(i + 1));
      }
    }
    sort_entries(filtered.data(), recnos.data(), recnos.size(), key_length_, sorted);
  }
  arrange(sorted, key_length_, unique_, descending_);
  for (std::uint32_t page : Impl::all_pages(*this)) file_->free_page(page);
  Impl::build_sorted(*this, sorted.keys.data(), sorted.recnos.data(), sorted.recnos.size());
  ++stamp_;
}

}  // namespace store
