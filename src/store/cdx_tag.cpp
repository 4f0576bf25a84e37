// CDX tag trees: search, cursors, insertion with page splits, removal with merges.
#include <algorithm>
#include <unordered_set>

#include "store/cdx_internal.h"

namespace store {

using namespace cdx;
using Node = CdxTag::Node;
using Impl = CdxTag::Impl;
using Path = Impl::Path;

CdxTag::CdxTag(CdxFile* file, std::string name, std::uint32_t header_offset)
    : file_(file), name_(std::move(name)), header_offset_(header_offset) {}

CdxTag::~CdxTag() = default;

// ---------------------------------------------------------------- pages

void Impl::check_usable(const CdxTag& t, bool write) {
  if (t.gone_) throw StoreError(t.file_->path_, "tag " + t.name_ + " was removed from the index");
  if (write && t.file_->read_only_) throw StoreError(t.file_->path_, "index opened read-only");
}

Node& Impl::load(CdxTag& t, std::uint32_t offset) {
  CdxFile& f = *t.file_;
  auto it = f.cache_->nodes.find(offset);
  if (it != f.cache_->nodes.end()) {
    if (it->second->key_length != t.key_length_) f.damaged("page used by two tags");
    return *it->second;
  }
  f.check_page_offset(offset);
  if (f.cache_->freed.count(offset)) f.damaged("tree refers to a free page");
  unsigned char page[kPage];
  f.read_raw(offset, page, kPage);
  auto node = std::make_unique<Node>();
  node->pad = pad_byte(t.key_type_);
  decode_page(page, offset, t.key_length_, node->pad, t.descending_, f.path_, *node);
  Node& ref = *node;
  f.cache_->nodes[offset] = std::move(node);
  return ref;
}

Node& Impl::new_node(CdxTag& t, bool leaf) {
  CdxFile& f = *t.file_;
  std::uint32_t off = f.allocate_page();
  auto node = std::make_unique<Node>();
  node->offset = off;
  node->key_length = t.key_length_;
  node->pad = pad_byte(t.key_type_);
  node->leaf = leaf;
  Node& ref = *node;
  f.cache_->nodes[off] = std::move(node);
  mark(t, ref);
  return ref;
}

void Impl::mark(CdxTag& t, Node& n) {
  if (!n.dirty) {
    n.dirty = true;
    t.file_->cache_->dirty.push_back(n.offset);
  }
  t.file_->changed_ = true;
}

std::string Impl::normalize(const CdxTag& t, std::string_view key) {
  std::string k(key.substr(0, static_cast<std::size_t>(t.key_length_)));
  k.resize(static_cast<std::size_t>(t.key_length_), pad_byte(t.key_type_));
  return k;
}

namespace {

int compare_entry(const CdxTag& t, const Node& n, int i, std::string_view key, std::uint32_t recno) {
  int c = compare_key(n.key(i), key, t.descending());
  if (c != 0) return c;
  return n.recnos[i] < recno ? -1 : (n.recnos[i] > recno ? 1 : 0);
}

int lower_bound(const CdxTag& t, const Node& n, std::string_view key, std::uint32_t recno, bool by_entry) {
  int lo = 0, hi = n.n();
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    int c = by_entry ? compare_entry(t, n, mid, key, recno) : compare_key(n.key(mid), key, t.descending());
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

void insert_entries(Node& dst, int at, const Node& src, int a, int b) {
  const std::size_t kl = static_cast<std::size_t>(dst.key_length);
  dst.keys.insert(static_cast<std::size_t>(at) * kl, src.keys, static_cast<std::size_t>(a) * kl,
                  static_cast<std::size_t>(b - a) * kl);
  dst.recnos.insert(dst.recnos.begin() + at, src.recnos.begin() + a, src.recnos.begin() + b);
  if (!dst.leaf) dst.children.insert(dst.children.begin() + at, src.children.begin() + a, src.children.begin() + b);
}

void erase_entries(Node& n, int a, int b) {
  const std::size_t kl = static_cast<std::size_t>(n.key_length);
  n.keys.erase(static_cast<std::size_t>(a) * kl, static_cast<std::size_t>(b - a) * kl);
  n.recnos.erase(n.recnos.begin() + a, n.recnos.begin() + b);
  if (!n.leaf) n.children.erase(n.children.begin() + a, n.children.begin() + b);
}

void set_entry_from_child(Node& parent, int idx, const Node& child) {
  const std::size_t kl = static_cast<std::size_t>(parent.key_length);
  parent.keys.replace(static_cast<std::size_t>(idx) * kl, kl, child.key(child.n() - 1));
  parent.recnos[idx] = child.recnos.back();
}

void split_ranges(const Node& n, int a, int b, std::vector<std::pair<int, int>>& out) {
  if (b - a <= 1 || node_fits(n, a, b, n.pad)) {
    out.emplace_back(a, b);
    return;
  }
  int mid = (a + b) / 2;
  split_ranges(n, a, mid, out);
  split_ranges(n, mid, b, out);
}

}  // namespace

// ---------------------------------------------------------------- walking

void Impl::descend(CdxTag& t, Path& p, std::string_view key, std::uint32_t recno, bool by_entry) {
  p.clear();
  std::uint32_t off = t.root_;
  for (;;) {
    if (static_cast<int>(p.size()) >= kMaxDepth) t.file_->damaged("tag " + t.name_ + ": pages link in a cycle");
    Node& n = load(t, off);
    int i = lower_bound(t, n, key, recno, by_entry);
    if (n.leaf) {
      p.emplace_back(off, i);
      return;
    }
    if (n.n() == 0) t.file_->damaged("tag " + t.name_ + ": empty interior page");
    if (i == n.n()) i = n.n() - 1;
    p.emplace_back(off, i);
    off = n.children[i];
  }
}

void Impl::descend_edge(CdxTag& t, Path& p, std::uint32_t off, bool rightmost) {
  for (;;) {
    if (static_cast<int>(p.size()) >= kMaxDepth) t.file_->damaged("tag " + t.name_ + ": pages link in a cycle");
    Node& n = load(t, off);
    int i = rightmost ? n.n() - 1 : 0;
    p.emplace_back(off, i);
    if (n.leaf) return;
    if (n.n() == 0) t.file_->damaged("tag " + t.name_ + ": empty interior page");
    off = n.children[i];
  }
}

bool Impl::next_leaf(CdxTag& t, Path& p) {
  for (int level = static_cast<int>(p.size()) - 2; level >= 0; --level) {
    Node& parent = load(t, p[level].first);
    if (p[level].second + 1 < parent.n()) {
      ++p[level].second;
      std::uint32_t child = parent.children[p[level].second];
      p.resize(static_cast<std::size_t>(level) + 1);
      descend_edge(t, p, child, false);
      return true;
    }
  }
  return false;
}

bool Impl::prev_leaf(CdxTag& t, Path& p) {
  for (int level = static_cast<int>(p.size()) - 2; level >= 0; --level) {
    Node& parent = load(t, p[level].first);
    if (p[level].second > 0 && p[level].second <= parent.n()) {
      --p[level].second;
      std::uint32_t child = parent.children[p[level].second];
      p.resize(static_cast<std::size_t>(level) + 1);
      descend_edge(t, p, child, true);
      return true;
    }
  }
  return false;
}

void Impl::count_hop(CdxTag& t, std::uint64_t& hops) {
  if (++hops > t.file_->file_end_ / kPage + 1) t.file_->damaged("tag " + t.name_ + ": pages link in a cycle");
}

bool Impl::settle_forward(CdxTag& t, Path& p, std::uint64_t& hops) {
  for (;;) {
    Node& leaf = load(t, p.back().first);
    if (p.back().second >= 0 && p.back().second < leaf.n()) return true;
    if (!next_leaf(t, p)) return false;
    count_hop(t, hops);
  }
}

bool Impl::settle_backward(CdxTag& t, Path& p, std::uint64_t& hops) {
  for (;;) {
    Node& leaf = load(t, p.back().first);
    if (p.back().second >= leaf.n()) p.back().second = leaf.n() - 1;
    if (p.back().second >= 0) return true;
    if (!prev_leaf(t, p)) return false;
    count_hop(t, hops);
  }
}

bool Impl::step_forward(CdxTag& t, Path& p, std::uint64_t& hops) {
  ++p.back().second;
  return settle_forward(t, p, hops);
}

bool Impl::step_back(CdxTag& t, Path& p, std::uint64_t& hops) {
  Node& leaf = load(t, p.back().first);
  if (p.back().second > leaf.n()) p.back().second = leaf.n();
  --p.back().second;
  return settle_backward(t, p, hops);
}

void Impl::fill(CdxTag& t, CdxCursor& c, bool ok) {
  c.stamp_ = t.stamp_;
  c.valid_ = ok;
  if (!ok) {
    c.path_.clear();
    c.key_.clear();
    c.recno_ = 0;
    return;
  }
  Node& leaf = load(t, c.path_.back().first);
  c.key_.assign(leaf.key(c.path_.back().second));
  c.recno_ = leaf.recnos[c.path_.back().second];
}

CdxCursor CdxTag::first() {
  Impl::check_usable(*this, false);
  file_->evict_if_needed();
  CdxCursor c;
  Impl::descend_edge(*this, c.path_, root_, false);
  Impl::fill(*this, c, Impl::settle_forward(*this, c.path_, c.hops_));
  return c;
}

CdxCursor CdxTag::last() {
  Impl::check_usable(*this, false);
  file_->evict_if_needed();
  CdxCursor c;
  Impl::descend_edge(*this, c.path_, root_, true);
  Impl::fill(*this, c, Impl::settle_backward(*this, c.path_, c.hops_));
  return c;
}

CdxCursor CdxTag::seek(std::string_view key) {
  Impl::check_usable(*this, false);
  file_->evict_if_needed();
  CdxCursor c;
  std::string_view target = key.substr(0, static_cast<std::size_t>(key_length_));
  Impl::descend(*this, c.path_, target, 0, false);
  Impl::fill(*this, c, Impl::settle_forward(*this, c.path_, c.hops_));
  return c;
}

bool CdxTag::matches(const CdxCursor& cursor, std::string_view key) const {
  if (!cursor.valid()) return false;
  std::string_view target = key.substr(0, static_cast<std::size_t>(key_length_));
  return std::string_view(cursor.key()).substr(0, target.size()) == target;
}

CdxCursor CdxTag::seek_entry(std::string_view key, std::uint32_t recno) {
  Impl::check_usable(*this, false);
  file_->evict_if_needed();
  CdxCursor c;
  std::string k = Impl::normalize(*this, key);
  Impl::descend(*this, c.path_, k, recno, true);
  Impl::fill(*this, c, Impl::settle_forward(*this, c.path_, c.hops_));
  return c;
}

bool CdxTag::next(CdxCursor& c) {
  Impl::check_usable(*this, false);
  file_->evict_if_needed();
  if (!c.valid_) return false;
  bool ok;
  if (c.stamp_ != stamp_) {
    std::string key = c.key_;
    std::uint32_t recno = c.recno_;
    Impl::descend(*this, c.path_, key, recno, true);
    ok = Impl::settle_forward(*this, c.path_, c.hops_);
    if (ok) {
      Node& leaf = Impl::load(*this, c.path_.back().first);
      int i = c.path_.back().second;
      if (leaf.key(i) == key && leaf.recnos[i] == recno) ok = Impl::step_forward(*this, c.path_, c.hops_);
    }
  } else {
    ok = Impl::step_forward(*this, c.path_, c.hops_);
  }
  Impl::fill(*this, c, ok);
  return ok;
}

bool CdxTag::prev(CdxCursor& c) {
  Impl::check_usable(*this, false);
  file_->evict_if_needed();
  if (!c.valid_) return false;
  bool ok;
  if (c.stamp_ != stamp_) {
    std::string key = c.key_;
    std::uint32_t recno = c.recno_;
    Impl::descend(*this, c.path_, key, recno, true);
    ok = Impl::step_back(*this, c.path_, c.hops_);
  } else {
    ok = Impl::step_back(*this, c.path_, c.hops_);
  }
  Impl::fill(*this, c, ok);
  return ok;
}

std::uint64_t CdxTag::count() {
  Impl::check_usable(*this, false);
  file_->evict_if_needed();
  Path p;
  std::uint64_t hops = 0, total = 0;
  Impl::descend_edge(*this, p, root_, false);
  do {
    total += static_cast<std::uint64_t>(Impl::load(*this, p.back().first).n());
    Impl::count_hop(*this, hops);
  } while (Impl::next_leaf(*this, p));
  return total;
}

std::string CdxTag::key_for(const RecordRef& record) const {
  if (!key_compiled_) throw StoreError(file_->path_, "tag " + name_ + ": key expression not compiled");
  std::string k = key_compiled_->key(record);
  k.resize(static_cast<std::size_t>(key_length_), cdx::pad_byte(key_type_));
  return k;
}

bool CdxTag::includes(const RecordRef& record) const {
  return !for_compiled_ || for_compiled_->is_true(record);
}

// ---------------------------------------------------------------- changes

void Impl::update_ancestors(CdxTag& t, Path& p, int level) {
  for (int l = level - 1; l >= 0; --l) {
    Node& parent = load(t, p[l].first);
    Node& child = load(t, p[l + 1].first);
    int idx = p[l].second;
    if (child.n() == 0 || idx < 0 || idx >= parent.n()) return;
    set_entry_from_child(parent, idx, child);
    mark(t, parent);
    if (idx != parent.n() - 1) return;
  }
}

void Impl::unlink(CdxTag& t, Node& n) {
  std::uint32_t left = n.left, right = n.right;
  if (left != kNone) {
    Node& l = load(t, left);
    l.right = right;
    mark(t, l);
  }
  if (right != kNone) {
    Node& r = load(t, right);
    r.left = left;
    mark(t, r);
  }
}

void Impl::split(CdxTag& t, Path& p, int level) {
  Node& nd = load(t, p[level].first);
  std::vector<std::pair<int, int>> ranges;
  split_ranges(nd, 0, nd.n(), ranges);
  if (ranges.size() <= 1) return;
  const int k = static_cast<int>(ranges.size());
  std::vector<Node*> pieces;
  for (int j = 0; j + 1 < k; ++j) {
    Node& m = new_node(t, nd.leaf);
    insert_entries(m, 0, nd, ranges[j].first, ranges[j].second);
    pieces.push_back(&m);
  }
  erase_entries(nd, 0, ranges[k - 1].first);
  pieces.push_back(&nd);
  std::uint32_t left_of = nd.left;
  for (int j = 0; j + 1 < k; ++j) {
    pieces[j]->left = j == 0 ? left_of : pieces[j - 1]->offset;
    pieces[j]->right = pieces[j + 1]->offset;
  }
  nd.left = pieces[k - 2]->offset;
  mark(t, nd);
  if (left_of != kNone) {
    Node& l = load(t, left_of);
    l.right = pieces[0]->offset;
    mark(t, l);
  }
  if (level == 0) {
    nd.root = false;
    Node& r = new_node(t, false);
    r.root = true;
    for (Node* m : pieces) {
      r.keys.append(m->key(m->n() - 1));
      r.recnos.push_back(m->recnos.back());
      r.children.push_back(m->offset);
    }
    t.root_ = r.offset;
    t.header_dirty_ = true;
    p.insert(p.begin(), {r.offset, k - 1});
    if (!node_fits(r, 0, r.n(), r.pad)) split(t, p, 0);
    return;
  }
  Node& parent = load(t, p[level - 1].first);
  int idx = p[level - 1].second;
  Node add;
  add.key_length = t.key_length_;
  add.leaf = false;
  for (int j = 0; j + 1 < k; ++j) {
    add.keys.append(pieces[j]->key(pieces[j]->n() - 1));
    add.recnos.push_back(pieces[j]->recnos.back());
    add.children.push_back(pieces[j]->offset);
  }
  insert_entries(parent, idx, add, 0, add.n());
  p[level - 1].second = idx + k - 1;
  mark(t, parent);
  if (!node_fits(parent, 0, parent.n(), parent.pad)) split(t, p, level - 1);
}

bool CdxTag::insert(std::string_view key, std::uint32_t recno) {
  Impl::check_usable(*this, true);
  file_->evict_if_needed();
  std::string k = Impl::normalize(*this, key);
  Path p;
  if (unique_) {
    std::uint64_t hops = 0;
    Impl::descend(*this, p, k, 0, false);
    if (Impl::settle_forward(*this, p, hops) && Impl::load(*this, p.back().first).key(p.back().second) == k) {
      return false;
    }
  }
  Impl::descend(*this, p, k, recno, true);
  Node& leaf = Impl::load(*this, p.back().first);
  int i = p.back().second;
  Node one;
  one.key_length = key_length_;
  one.keys = k;
  one.recnos.push_back(recno);
  insert_entries(leaf, i, one, 0, 1);
  Impl::mark(*this, leaf);
  ++stamp_;
  const int level = static_cast<int>(p.size()) - 1;
  if (i == leaf.n() - 1) Impl::update_ancestors(*this, p, level);
  if (!node_fits(leaf, 0, leaf.n(), leaf.pad)) Impl::split(*this, p, level);
  return true;
}

void Impl::after_removal(CdxTag& t, Path& p, int level, bool last_changed) {
  Node* nd = &load(t, p[level].first);
  if (level == 0) {
    while (!nd->leaf && nd->n() == 1) {
      std::uint32_t child = nd->children[0];
      t.file_->free_page(nd->offset);
      Node& c = load(t, child);
      c.root = true;
      c.left = c.right = kNone;
      mark(t, c);
      t.root_ = child;
      t.header_dirty_ = true;
      nd = &c;
    }
    if (!nd->leaf && nd->n() == 0) {
      nd->leaf = true;
      nd->children.clear();
      mark(t, *nd);
    }
    return;
  }
  if (nd->n() == 0) {
    unlink(t, *nd);
    t.file_->free_page(nd->offset);
    Node& parent = load(t, p[level - 1].first);
    int idx = p[level - 1].second;
    erase_entries(parent, idx, idx + 1);
    mark(t, parent);
    bool parent_last = idx == parent.n();
    p.resize(static_cast<std::size_t>(level));
    if (parent_last && parent.n() > 0) {
      p[level - 1].second = parent.n() - 1;
      update_ancestors(t, p, level - 1);
    }
    after_removal(t, p, level - 1, false);
    return;
  }
  if (last_changed) update_ancestors(t, p, level);
  bool small = nd->leaf ? leaf_bytes(*nd, 0, nd->n(), nd->pad) * 4 < kLeafSpace
                        : (nd->n() * 4 <= interior_capacity(nd->key_length) || nd->n() == 1);
  if (!small) return;
  Node& parent = load(t, p[level - 1].first);
  int idx = p[level - 1].second;
  auto merged_fits = [&](const Node& a, const Node& b) {
    Node m;
    m.key_length = a.key_length;
    m.leaf = a.leaf;
    m.pad = a.pad;
    insert_entries(m, 0, a, 0, a.n());
    insert_entries(m, m.n(), b, 0, b.n());
    return node_fits(m, 0, m.n(), m.pad);
  };
  if (idx + 1 < parent.n()) {
    Node& right = load(t, parent.children[idx + 1]);
    if (right.leaf == nd->leaf && merged_fits(*nd, right)) {
      insert_entries(right, 0, *nd, 0, nd->n());
      mark(t, right);
      unlink(t, *nd);
      t.file_->free_page(nd->offset);
      erase_entries(parent, idx, idx + 1);
      mark(t, parent);
      p.resize(static_cast<std::size_t>(level));
      after_removal(t, p, level - 1, false);
      return;
    }
  }
  if (idx > 0 && idx < parent.n()) {
    Node& left = load(t, parent.children[idx - 1]);
    if (left.leaf == nd->leaf && merged_fits(left, *nd)) {
      insert_entries(*nd, 0, left, 0, left.n());
      mark(t, *nd);
      unlink(t, left);
      t.file_->free_page(left.offset);
      erase_entries(parent, idx - 1, idx);
      mark(t, parent);
      p.resize(static_cast<std::size_t>(level));
      p[level - 1].second = idx - 1;
      after_removal(t, p, level - 1, false);
    }
  }
}

bool CdxTag::erase(std::string_view key, std::uint32_t recno) {
  Impl::check_usable(*this, true);
  file_->evict_if_needed();
  std::string k = Impl::normalize(*this, key);
  Path p;
  std::uint64_t hops = 0;
  Impl::descend(*this, p, k, recno, true);
  bool found = false;
  if (Impl::settle_forward(*this, p, hops)) {
    Node& leaf = Impl::load(*this, p.back().first);
    found = leaf.key(p.back().second) == k && leaf.recnos[p.back().second] == recno;
  }
  if (!found) {  // duplicates not in record order (written elsewhere): look through them
    Impl::descend(*this, p, k, 0, false);
    bool ok = Impl::settle_forward(*this, p, hops);
    while (ok) {
      Node& leaf = Impl::load(*this, p.back().first);
      if (leaf.key(p.back().second) != k) break;
      if (leaf.recnos[p.back().second] == recno) {
        found = true;
        break;
      }
      ok = Impl::step_forward(*this, p, hops);
    }
  }
  if (!found) return false;
  Node& leaf = Impl::load(*this, p.back().first);
  int i = p.back().second;
  bool was_last = i == leaf.n() - 1;
  erase_entries(leaf, i, i + 1);
  Impl::mark(*this, leaf);
  ++stamp_;
  Impl::after_removal(*this, p, static_cast<int>(p.size()) - 1, was_last && leaf.n() > 0);
  return true;
}

// ---------------------------------------------------------------- whole-tree walks

std::vector<std::uint32_t> Impl::all_pages(CdxTag& t) {
  std::vector<std::uint32_t> pages;
  std::unordered_set<std::uint32_t> seen;
  std::vector<std::uint32_t> level{t.root_};
  for (int depth = 0; !level.empty(); ++depth) {
    if (depth >= kMaxDepth) t.file_->damaged("tag " + t.name_ + ": pages link in a cycle");
    std::vector<std::uint32_t> next;
    for (std::uint32_t off : level) {
      if (!seen.insert(off).second) continue;
      pages.push_back(off);
      Node& n = load(t, off);
      if (!n.leaf) next.insert(next.end(), n.children.begin(), n.children.end());
    }
    level.swap(next);
  }
  return pages;
}

void CdxTag::verify() {
  Impl::check_usable(*this, false);
  file_->evict_if_needed();
  auto fail = [&](const std::string& what) { file_->damaged("tag " + name_ + ": " + what); };
  // Level by level: every interior entry names its child's last entry, every level's
  // pages are linked left to right, keys are in order.
  std::vector<std::uint32_t> level{root_};
  std::unordered_set<std::uint32_t> seen;
  for (int depth = 0;; ++depth) {
    if (depth >= kMaxDepth) fail("pages link in a cycle");
    std::vector<std::uint32_t> next;
    bool leaves = false, interiors = false;
    std::string prev_key;
    std::uint32_t prev_recno = 0;
    bool have_prev = false;
    for (std::size_t j = 0; j < level.size(); ++j) {
      std::uint32_t off = level[j];
      if (!seen.insert(off).second) fail("page reached twice");
      Node& n = Impl::load(*this, off);
      (n.leaf ? leaves : interiors) = true;
      if (n.root != (depth == 0)) fail("root flag misplaced");
      std::uint32_t want_left = j == 0 ? kNone : level[j - 1];
      std::uint32_t want_right = j + 1 == level.size() ? kNone : level[j + 1];
      if (n.left != want_left || n.right != want_right) fail("sibling links broken");
      if (n.n() == 0 && !(depth == 0 && n.leaf)) fail("empty page");
      for (int i = 0; i < n.n(); ++i) {
        if (have_prev) {
          int c = cdx::compare_key(prev_key, n.key(i), descending_);
          if (c > 0 || (c == 0 && prev_recno > n.recnos[i])) fail("entries out of order");
        }
        prev_key.assign(n.key(i));
        prev_recno = n.recnos[i];
        have_prev = true;
        if (!n.leaf) {
          Node& child = Impl::load(*this, n.children[i]);
          if (child.n() == 0 || child.key(child.n() - 1) != n.key(i) || child.recnos.back() != n.recnos[i]) {
            fail("interior entry does not match its page");
          }
          next.push_back(n.children[i]);
        }
      }
    }
    if (leaves && interiors) fail("leaves at different depths");
    if (leaves) return;
    level.swap(next);
  }
}

}  // namespace store
