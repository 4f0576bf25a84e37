// CDX trees against an ordered model: random inserts and erases over multi-level trees,
// seeks, cursors across changes, bulk builds, reopening, and Perl's reader as a witness.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "cdx_test_util.h"
#include "store/cdx.h"

namespace store {
namespace {

using cdxtest::Listing;
using cdxtest::TempDir;

struct Kind {
  const char* name;
  KeyType type;
  int key_length;
  bool descending;
  bool unique;
};

// Keys that make deep trees with duplicates and long common prefixes.
std::string make_key(const Kind& kind, std::mt19937& rng) {
  if (kind.type != KeyType::kCharacter) {
    int v = static_cast<int>(rng() % 3000) - 1500;
    return encode_numeric_key(rng() % 4 == 0 ? v / 7.0 : v);
  }
  std::string k;
  if (kind.key_length >= 200) {
    k = std::string(150, 'P') + std::to_string(rng() % 800);
  } else {
    k = "123456789" + std::to_string(rng() % 40);  // CPF-like prefix, few distinct
    k += std::to_string(rng() % 2000);
  }
  if (rng() % 5 == 0) k += "  x";  // inner blanks
  k.resize(static_cast<std::size_t>(kind.key_length), ' ');
  return k;
}

struct ModelLess {
  bool descending;
  bool operator()(const std::pair<std::string, std::uint32_t>& a, const std::pair<std::string, std::uint32_t>& b) const {
    int c = a.first.compare(b.first);
    if (c != 0) return descending ? c > 0 : c < 0;
    return a.second < b.second;
  }
};
using Model = std::set<std::pair<std::string, std::uint32_t>, ModelLess>;

Listing listing_of(const Model& m) { return Listing(m.begin(), m.end()); }

class CdxModelTest : public ::testing::TestWithParam<Kind> {};

TEST_P(CdxModelTest, RandomChangesKeepTheTreeEqualToTheModel) {
  const Kind kind = GetParam();
  TempDir dir;
  const std::string path = dir.file("model.cdx");
  Model model(ModelLess{kind.descending});
  std::mt19937 rng(12345);
  {
    auto file = CdxFile::create(path);
    CdxTagSpec tag_def{"T", "KEY", "", kind.type, kind.key_length, kind.descending, kind.unique};
    CdxTag& tag = file->add_tag(tag_def);
    std::vector<std::pair<std::string, std::uint32_t>> present;
    std::uint32_t next_recno = 1;
    const int kOps = kind.key_length >= 200 ? 6000 : 40000;
    for (int op = 0; op < kOps; ++op) {
      bool grow = op < kOps / 2 ? rng() % 10 < 8 : rng() % 10 < 3;
      if (grow || present.empty()) {
        std::string k = make_key(kind, rng);
        std::uint32_t r = next_recno++;
        if (rng() % 3 == 0) r = static_cast<std::uint32_t>(rng() % 5000000 + 1);  // wide record numbers
        bool dup_key = false;
        if (kind.unique) {
          for (const auto& e : model) {
            if (e.first == k) {
              dup_key = true;
              break;
            }
          }
        }
        if (model.count({k, r})) continue;
        bool added = tag.insert(k, r);
        ASSERT_EQ(added, !dup_key);
        if (added) {
          model.insert({k, r});
          present.emplace_back(k, r);
        }
      } else {
        std::size_t i = rng() % present.size();
        ASSERT_TRUE(tag.erase(present[i].first, present[i].second));
        model.erase(present[i]);
        present[i] = present.back();
        present.pop_back();
        if (rng() % 50 == 0) {  // an entry that is not there
          EXPECT_FALSE(tag.erase(make_key(kind, rng), 99999999u));
        }
      }
      if (op % 5000 == 4999) {
        tag.verify();
        ASSERT_EQ(cdxtest::scan(tag), listing_of(model)) << "after operation " << op;
      }
      if (op % 7000 == 6999) file->flush();
    }
    tag.verify();
    Listing forward = cdxtest::scan(tag);
    ASSERT_EQ(forward, listing_of(model));
    Listing backward = cdxtest::scan_backward(tag);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, forward);
    EXPECT_EQ(tag.count(), model.size());

    // Seeks by prefix and by whole key agree with the model's lower bound.
    for (int i = 0; i < 500; ++i) {
      std::string k = make_key(kind, rng);
      std::string probe = kind.type == KeyType::kCharacter ? k.substr(0, 4 + rng() % 12) : k;
      CdxCursor c = tag.seek(probe);
      auto it = std::find_if(model.begin(), model.end(), [&](const auto& e) {
        int cmp = e.first.compare(0, probe.size(), probe);
        return kind.descending ? cmp <= 0 : cmp >= 0;
      });
      if (it == model.end()) {
        EXPECT_FALSE(c.valid());
      } else {
        ASSERT_TRUE(c.valid());
        EXPECT_EQ(c.key(), it->first);
        EXPECT_EQ(c.recno(), it->second);
        EXPECT_EQ(tag.matches(c, probe), it->first.compare(0, probe.size(), probe) == 0);
      }
    }
  }
  // Reopened, the file holds the same entries. The key type comes from the expression
  // evaluated over the table's fields.
  std::vector<FieldDesc> fields{{"KEY", kind.type == KeyType::kCharacter ? 'C' : 'N', kind.type == KeyType::kCharacter ? kind.key_length : 12, 0, 1}};
  CdxOpenOptions options;
  options.fields = &fields;
  auto file = CdxFile::open(path, options);
  CdxTag* tag = file->tag("t");
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->descending(), kind.descending);
  EXPECT_EQ(tag->unique(), kind.unique);
  EXPECT_EQ(tag->key_length(), kind.key_length);
  tag->verify();
  EXPECT_EQ(cdxtest::scan(*tag), listing_of(model));
  if (cdxtest::have_perl_reader()) {
    EXPECT_EQ(cdxtest::first_difference(cdxtest::as_perl_lines(listing_of(model), kind.type),
                                        cdxtest::perl_dump(path, "T", kind.type == KeyType::kCharacter ? "char" : "num")),
              "");
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CdxModelTest,
                         ::testing::Values(Kind{"Char", KeyType::kCharacter, 24, false, false},
                                           Kind{"Descending", KeyType::kCharacter, 24, true, false},
                                           Kind{"Numeric", KeyType::kNumeric, 8, false, false},
                                           Kind{"NumericDescending", KeyType::kNumeric, 8, true, false},
                                           Kind{"Unique", KeyType::kCharacter, 12, false, true},
                                           Kind{"LongKeys", KeyType::kCharacter, 240, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CdxTree, BulkBuildEqualsInsertsAndIsReadByPerl) {
  TempDir dir;
  std::mt19937 rng(99);
  const int kRecords = 30000;
  std::vector<std::string> names, codes;
  std::string name_keys, code_keys;
  std::vector<char> included(kRecords);
  for (int r = 0; r < kRecords; ++r) {
    std::string name = "NOME " + std::to_string(rng() % 7000);
    name.resize(20, ' ');
    names.push_back(name);
    name_keys += name;
    std::string code = encode_numeric_key(static_cast<double>(rng() % 500) - 250);
    codes.push_back(code);
    code_keys += code;
    included[static_cast<std::size_t>(r)] = r % 3 != 0;
  }
  const std::string built = dir.file("built.cdx"), grown = dir.file("grown.cdx");
  const CdxTagSpec specs[] = {
      {"NOME", "UPPER(NOME)", "", KeyType::kCharacter, 20, false, false},
      {"NOMED", "UPPER(NOME)", "", KeyType::kCharacter, 20, true, false},
      {"CODIGO", "CODIGO", "", KeyType::kNumeric, 8, false, false},
      {"CODU", "CODIGO", "", KeyType::kNumeric, 8, false, true},
      {"PARTE", "UPPER(NOME)", "!DELETED()", KeyType::kCharacter, 20, false, false},
  };
  {
    auto b = CdxFile::create(built);
    auto g = CdxFile::create(grown);
    for (const CdxTagSpec& s : specs) {
      CdxTag& tb = b->add_tag(s);
      CdxTag& tg = g->add_tag(s);
      const bool numeric = s.key_type == KeyType::kNumeric;
      const bool partial = s.name == "PARTE";
      tb.bulk_build_sequential(numeric ? code_keys : name_keys, partial ? included : std::vector<char>{});
      for (int r = 0; r < kRecords; ++r) {
        if (partial && !included[static_cast<std::size_t>(r)]) continue;
        tg.insert(numeric ? codes[static_cast<std::size_t>(r)] : names[static_cast<std::size_t>(r)],
                  static_cast<std::uint32_t>(r + 1));
      }
      tb.verify();
      tg.verify();
      ASSERT_EQ(cdxtest::scan(tb), cdxtest::scan(tg)) << s.name;
    }
    // The pair form sorts whatever order it gets.
    std::vector<std::pair<std::string, std::uint32_t>> pairs;
    for (int r = kRecords; r > 0; --r) pairs.emplace_back(names[static_cast<std::size_t>(r - 1)], r);
    CdxTag& tp = b->add_tag({"PAIRS", "UPPER(NOME)", "", KeyType::kCharacter, 20, false, false});
    tp.bulk_build(std::move(pairs));
    tp.verify();
    EXPECT_EQ(cdxtest::scan(tp), cdxtest::scan(*b->tag("NOME")));
  }
  std::vector<FieldDesc> fields{{"NOME", 'C', 20, 0, 1}, {"CODIGO", 'N', 10, 0, 21}};
  CdxOpenOptions options;
  options.fields = &fields;
  auto b = CdxFile::open(built, options);
  EXPECT_EQ(b->tag("CODIGO")->key_type(), KeyType::kNumeric);
  EXPECT_EQ(b->tag_names(), (std::vector<std::string>{"CODIGO", "CODU", "NOME", "NOMED", "PAIRS", "PARTE"}));
  EXPECT_EQ(b->tag("PARTE")->for_expression(), "!DELETED()");
  EXPECT_EQ(b->tag("NOMED")->key_expression(), "UPPER(NOME)");
  EXPECT_EQ(b->tag("CODU")->count(), 500u);
  EXPECT_EQ(b->tag("PARTE")->count(), 20000u);
  if (!cdxtest::have_perl_reader()) GTEST_SKIP() << "Perl's index_dump is not installed";
  std::string tags = cdxtest::run("/usr/bin/index_dump --type=char '" + built + "'");
  EXPECT_EQ(tags, "CODIGO\nCODU\nNOME\nNOMED\nPAIRS\nPARTE\n");
  for (const CdxTagSpec& s : specs) {
    SCOPED_TRACE(s.name);
    CdxTag* t = b->tag(s.name);
    EXPECT_EQ(cdxtest::first_difference(cdxtest::as_perl_lines(cdxtest::scan(*t), s.key_type),
                                        cdxtest::perl_dump(built, s.name, s.key_type == KeyType::kNumeric ? "num" : "char")),
              "");
  }
}

TEST(CdxTree, SeekExactPrefixSoftAndEntry) {
  TempDir dir;
  auto file = CdxFile::create(dir.file("s.cdx"));
  CdxTag& asc = file->add_tag({"A", "CPF", "", KeyType::kCharacter, 6, false, false});
  CdxTag& desc = file->add_tag({"D", "CPF", "", KeyType::kCharacter, 6, true, false});
  const char* keys[] = {"AB", "ABC", "ABC", "B", "BA", "C"};
  for (std::uint32_t r = 0; r < 6; ++r) {
    asc.insert(keys[r], r + 1);
    desc.insert(keys[r], r + 1);
  }
  CdxCursor c = asc.seek("ABC");
  EXPECT_TRUE(asc.matches(c, "ABC"));
  EXPECT_EQ(c.recno(), 2u);
  asc.next(c);
  EXPECT_EQ(c.recno(), 3u);
  c = asc.seek("AB");  // prefix: the first key beginning with it
  EXPECT_EQ(c.key(), "AB    ");
  c = asc.seek("AB    ");  // whole key
  EXPECT_EQ(c.recno(), 1u);
  c = asc.seek("AZ");  // soft: next key
  EXPECT_FALSE(asc.matches(c, "AZ"));
  EXPECT_EQ(c.key(), "B     ");
  EXPECT_FALSE(asc.seek("D").valid());  // after the last
  c = asc.seek_entry("ABC", 3);
  EXPECT_EQ(c.recno(), 3u);
  c = asc.seek_entry("ABC", 4);  // absent: the entry after it
  EXPECT_EQ(c.key(), "B     ");

  // Descending: order C, BA, B, ABC(2), ABC(3), AB; a soft seek stops at the next key
  // in that order.
  Listing expected{{"C     ", 6}, {"BA    ", 5}, {"B     ", 4}, {"ABC   ", 2}, {"ABC   ", 3}, {"AB    ", 1}};
  EXPECT_EQ(cdxtest::scan(desc), expected);
  c = desc.seek("BB");
  EXPECT_EQ(c.key(), "BA    ");
  c = desc.seek("B");
  EXPECT_EQ(c.key(), "BA    ");  // first key (in this order) beginning with "B"
  c = desc.seek("ABC");
  EXPECT_EQ(c.recno(), 2u);
  EXPECT_FALSE(desc.seek("A ").valid());
  CdxCursor last = desc.last();
  EXPECT_EQ(last.key(), "AB    ");
  EXPECT_TRUE(desc.prev(last));
  EXPECT_EQ(last.recno(), 3u);
}

TEST(CdxTree, CursorsFollowChangesToTheTag) {
  TempDir dir;
  auto file = CdxFile::create(dir.file("c.cdx"));
  CdxTag& t = file->add_tag({"N", "N", "", KeyType::kNumeric, 8, false, false});
  for (std::uint32_t r = 1; r <= 5000; ++r) t.insert(encode_numeric_key(r), r);
  CdxCursor c = t.seek(encode_numeric_key(2500));
  ASSERT_EQ(c.recno(), 2500u);
  // The current entry is removed: next goes to what followed it, prev to what preceded.
  t.erase(encode_numeric_key(2500), 2500);
  CdxCursor d = c;
  EXPECT_TRUE(t.next(c));
  EXPECT_EQ(c.recno(), 2501u);
  EXPECT_TRUE(t.prev(d));
  EXPECT_EQ(d.recno(), 2499u);
  // Entries added ahead of a cursor are met; many changes (splits, merges) in between.
  for (std::uint32_t r = 6000; r < 9000; ++r) t.insert(encode_numeric_key(2501.5), r);
  for (std::uint32_t r = 1; r < 2400; ++r) t.erase(encode_numeric_key(r), r);
  EXPECT_TRUE(t.next(c));
  EXPECT_EQ(c.recno(), 6000u);
  std::uint32_t seen = 1;
  while (t.next(c)) ++seen;
  EXPECT_EQ(seen, 3000u + 2499u);
  t.verify();
  // Erasing everything leaves an empty tag that still takes keys.
  std::vector<std::pair<std::string, std::uint32_t>> all = cdxtest::scan(t);
  std::shuffle(all.begin(), all.end(), std::mt19937(3));
  for (const auto& [k, r] : all) ASSERT_TRUE(t.erase(k, r));
  t.verify();
  EXPECT_FALSE(t.first().valid());
  EXPECT_FALSE(t.last().valid());
  EXPECT_TRUE(t.insert(encode_numeric_key(1), 1));
  EXPECT_EQ(t.count(), 1u);
}

}  // namespace
}  // namespace store
