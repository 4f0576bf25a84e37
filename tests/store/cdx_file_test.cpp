// CDX files as files: tags and their expressions, sharing between processes, damaged
// files, the regression inputs of the fuzzer, and a file changed by Perl's writer.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>

#include "cdx_test_util.h"
#include "store/cdx.h"

#ifdef STORE_REGRESSIONS_DIR
#define CDX_REGRESSION_DIR STORE_REGRESSIONS_DIR
#else
#define CDX_REGRESSION_DIR "tests/store/regressions"
#endif

namespace store {
namespace {

using cdxtest::TempDir;

const std::vector<FieldDesc>& table_fields() {
  static const std::vector<FieldDesc> f{{"CPF", 'C', 11, 0, 1},
                                        {"I7_0", 'N', 4, 0, 12},
                                        {"DT_LC", 'D', 8, 0, 16},
                                        {"NOMECONTR", 'C', 53, 0, 24}};
  return f;
}

std::string record(const std::string& cpf, int item, const std::string& dtos, const std::string& name) {
  std::string r(77, ' ');
  auto put = [&](int off, int len, std::string v) {
    v.resize(static_cast<std::size_t>(len), ' ');
    r.replace(static_cast<std::size_t>(off), static_cast<std::size_t>(len), v);
  };
  put(1, 11, cpf);
  std::string n = std::to_string(item);
  put(12, 4, std::string(4 - n.size(), ' ') + n);
  put(16, 8, dtos);
  put(24, 53, name);
  return r;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
void write_file(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
}

// A file with three tags over 3000 records of table 04's shape.
void make_table_index(const std::string& path, int records = 3000) {
  CdxOpenOptions o;
  o.fields = &table_fields();
  auto f = CdxFile::create(path, o);
  CdxTag& key = f->add_tag({"CPF", "CPF+str(I7_0,4)", "", KeyType::kCharacter, 0, false, false});
  CdxTag& date = f->add_tag({"DT", "DT_LC", "", KeyType::kCharacter, 0, false, false});
  CdxTag& name = f->add_tag({"NOME", "UPPER(NOMECONTR)", "I7_0 > 2", KeyType::kCharacter, 0, true, false});
  EXPECT_EQ(key.key_length(), 15);
  EXPECT_EQ(date.key_type(), KeyType::kDate);
  EXPECT_EQ(name.key_length(), 53);
  for (int r = 1; r <= records; ++r) {
    std::string rec = record(std::to_string(10000000000LL + r % 400), r % 9, "2022" + std::string(r % 12 < 9 ? "0" : "") +
                                                                         std::to_string(r % 12 + 1) + "15",
                             "nome " + std::to_string(r % 700));
    RecordRef ref{&table_fields(), rec.data(), rec.size()};
    for (CdxTag* t : {&key, &date, &name}) {
      if (t->includes(ref)) t->insert(t->key_for(ref), static_cast<std::uint32_t>(r));
    }
  }
  f->flush();
}

TEST(CdxFileTest, TagsKeepTheirExpressionsAndKeysFollowThem) {
  TempDir dir;
  const std::string path = dir.file("IMP0423.cdx");
  make_table_index(path);
  CdxOpenOptions o;
  o.fields = &table_fields();
  auto f = CdxFile::open(path, o);
  EXPECT_EQ(f->tag_names(), (std::vector<std::string>{"CPF", "DT", "NOME"}));
  CdxTag* name = f->tag("nome");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->key_expression(), "UPPER(NOMECONTR)");
  EXPECT_EQ(name->for_expression(), "I7_0 > 2");
  EXPECT_TRUE(name->descending());
  CdxCursor c = name->first();
  EXPECT_EQ(c.key().substr(0, 8), "NOME 99 ");  // descending by name
  std::string rec = record("10000000007", 1, "20220101", "x");
  EXPECT_FALSE(name->includes(RecordRef{&table_fields(), rec.data(), rec.size()}));
  CdxTag* key = f->tag("CPF");
  c = key->seek("10000000007   7");
  ASSERT_TRUE(key->matches(c, "10000000007   7"));
  EXPECT_EQ(c.recno(), 7u);
  CdxTag* date = f->tag("DT");
  c = date->seek(encode_date_key(julian_day(2022, 3, 1)));
  EXPECT_EQ(c.key(), encode_date_key(julian_day(2022, 3, 15)));
  for (const std::string& t : f->tag_names()) f->tag(t)->verify();

  // Removing a tag frees its pages: adding it again does not grow the file.
  auto size_before = read_file(path).size();
  ASSERT_TRUE(f->delete_tag("NOME"));
  EXPECT_EQ(f->tag("NOME"), nullptr);
  EXPECT_FALSE(f->delete_tag("NOME"));
  CdxTag& again = f->add_tag({"NOME2", "CPF", "", KeyType::kCharacter, 0, false, false});
  for (std::uint32_t r = 1; r <= 500; ++r) again.insert(std::to_string(r), r);
  f->flush();
  EXPECT_LE(read_file(path).size(), size_before + 2 * 512);
  EXPECT_THROW(f->add_tag({"CPF", "CPF", "", KeyType::kCharacter, 0, false, false}), StoreError);
  EXPECT_THROW(f->add_tag({"BAD NAME", "CPF", "", KeyType::kCharacter, 0, false, false}), StoreError);
  EXPECT_THROW(f->add_tag({"X", "NAOEXISTE", "", KeyType::kCharacter, 0, false, false}), StoreError);
  if (cdxtest::have_perl_reader()) {
    EXPECT_EQ(cdxtest::run("/usr/bin/index_dump --type=char '" + path + "'"), "CPF\nDT\nNOME2\n");
    EXPECT_EQ(cdxtest::first_difference(cdxtest::as_perl_lines(cdxtest::scan(*f->tag("DT")), KeyType::kDate),
                                        cdxtest::perl_dump(path, "DT", "num")),
              "");
  }
}

TEST(CdxFileTest, AnotherProcessSeesChangesAfterRefresh) {
  TempDir dir;
  const std::string path = dir.file("shared.cdx");
  make_table_index(path, 500);
  CdxOpenOptions o;
  o.fields = &table_fields();
  auto reader = CdxFile::open(path, o);
  CdxTag* key = reader->tag("CPF");
  EXPECT_EQ(key->count(), 500u);
  CdxCursor before = key->first();
  std::uint32_t counter = reader->change_counter();

  // A child process adds 3000 entries (the tree grows levels), removes some, adds a tag.
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int code = 0;
    try {
      auto writer = CdxFile::open(path, o);
      CdxTag* k = writer->tag("CPF");
      for (std::uint32_t r = 1000; r < 4000; ++r) k->insert("00000000000" + std::to_string(r % 97), r);
      k->erase(before.key(), before.recno());
      writer->add_tag({"NOVA", "CPF", "", KeyType::kCharacter, 0, false, false}).insert("12345678901", 1);
      writer->flush();
    } catch (...) {
      code = 1;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  EXPECT_EQ(key->count(), 500u);  // cached pages until the refresh
  EXPECT_TRUE(reader->refresh_if_changed());
  EXPECT_NE(reader->change_counter(), counter);
  EXPECT_FALSE(reader->refresh_if_changed());
  EXPECT_EQ(key, reader->tag("CPF"));  // the same tag object, re-read
  EXPECT_EQ(key->count(), 3499u);
  key->verify();
  ASSERT_NE(reader->tag("NOVA"), nullptr);
  EXPECT_EQ(reader->tag("NOVA")->first().key(), "12345678901");
  // A cursor from before the change re-finds its place: its entry is gone, so next()
  // goes to the entry that followed it.
  CdxCursor following = key->seek_entry(before.key(), before.recno());
  ASSERT_TRUE(following.valid());
  EXPECT_NE(following.recno(), before.recno());
  EXPECT_TRUE(key->next(before));
  EXPECT_EQ(before.key(), following.key());
  EXPECT_EQ(before.recno(), following.recno());
}

// Damages applied to a valid multi-level file. Each must read cleanly or throw StoreError
// naming the file; none may crash or hang.
TEST(CdxFileTest, DamagedFilesGiveErrorsNamingTheFile) {
  TempDir dir;
  const std::string good = dir.file("good.cdx");
  make_table_index(good);
  const std::string original = read_file(good);
  const std::string path = dir.file("IMP0423.cdx");
  auto attempt = [&](const std::string& data, bool must_fail) {
    write_file(path, data);
    CdxOpenOptions o;
    o.fields = &table_fields();
    o.read_only = true;
    try {
      auto f = CdxFile::open(path, o);
      for (const std::string& name : f->tag_names()) {
        CdxTag* t = f->tag(name);
        t->count();
        int steps = 0;
        for (CdxCursor c = t->first(); c.valid() && steps < 20000; t->next(c)) ++steps;
        for (CdxCursor c = t->last(); c.valid() && steps < 40000; t->prev(c)) ++steps;
        t->seek("1");
        t->verify();
      }
      if (must_fail) ADD_FAILURE() << "damage not noticed";
    } catch (const StoreError& e) {
      EXPECT_EQ(e.path(), path);
    }
  };
  auto page_of = [&](const std::string& data, std::uint32_t off) { return data.substr(off, 512); };
  auto get32 = [&](const std::string& d, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(d[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + 3])) << 24;
  };
  auto put_be32 = [&](std::string& d, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
  };
  // The first tag (CPF) and its root, an interior page: the file has 3000 entries.
  std::uint32_t dir_root = get32(original, 0);
  std::string dir_page = page_of(original, dir_root);
  ASSERT_EQ(dir_page[0], 3);  // root leaf of the tag directory
  // The tag directory's first entry (CPF) points at its header: read it back with Perl's
  // packing: 3 bytes of entry, record number in the low bits.
  unsigned rec_bits = static_cast<unsigned char>(dir_page[20]);
  std::uint32_t first_entry = get32(dir_page, 24) & ((1u << rec_bits) - 1);
  std::uint32_t root = get32(original, first_entry);
  ASSERT_EQ(static_cast<unsigned char>(original[root]) & 2, 0);  // interior root
  std::uint32_t child_at = root + 12 + 15 + 4;  // first entry's child pointer (key length 15)

  struct Damage {
    const char* what;
    std::function<std::string(std::string)> apply;
    bool must_fail;
  };
  const Damage damages[] = {
      {"empty", [](std::string) { return std::string(); }, true},
      {"header only", [](std::string d) { return d.substr(0, 700); }, true},
      {"cut in the middle", [](std::string d) { return d.substr(0, d.size() / 2); }, true},
      {"not an index", [](std::string d) { return std::string(d.size(), 'x'); }, true},
      {"directory root outside", [&](std::string d) { d[1] = 0x7F; d[2] = 0x7F; return d; }, true},
      {"tag header outside", [&](std::string d) { d[dir_root + 24 + 2] = 0x7F; return d; }, true},
      {"child points to itself", [&](std::string d) { put_be32(d, child_at, root); return d; }, true},
      {"child points to the header", [&](std::string d) { put_be32(d, child_at, 0); return d; }, true},
      {"child not on a page", [&](std::string d) { put_be32(d, child_at, root + 3); return d; }, true},
      {"leaf layout garbage", [&](std::string d) {
         std::uint32_t leaf = static_cast<std::uint32_t>(static_cast<unsigned char>(d[child_at]) << 24 |
                                                         static_cast<unsigned char>(d[child_at + 1]) << 16 |
                                                         static_cast<unsigned char>(d[child_at + 2]) << 8 |
                                                         static_cast<unsigned char>(d[child_at + 3]));
         for (int i = 12; i < 24; ++i) d[leaf + static_cast<std::uint32_t>(i)] = '\xEE';
         return d;
       }, true},
      {"page type garbage", [&](std::string d) { d[root] = 9; return d; }, true},
      {"too many keys", [&](std::string d) { d[root + 2] = '\x7F'; return d; }, true},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    attempt(d.apply(original), d.must_fail);
  }
  // Random damage: bytes overwritten anywhere (no check of the outcome but the kind of
  // failure: StoreError or a clean read).
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    std::string d = original;
    int n = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i) d[rng() % d.size()] = static_cast<char>(rng());
    attempt(d, false);
  }
}

TEST(CdxFileTest, FuzzerRegressionInputsGiveErrorsOrReadCleanly) {
  namespace fs = std::filesystem;
  fs::path dir = CDX_REGRESSION_DIR;
  if (!fs::exists(dir)) dir = fs::path(__FILE__).parent_path() / "regressions";
  ASSERT_TRUE(fs::exists(dir)) << dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename().string().rfind("cdx_", 0) != 0) continue;
    ++files;
    SCOPED_TRACE(entry.path().string());
    TempDir tmp;
    const std::string path = tmp.file("r.cdx");
    fs::copy_file(entry.path(), path);
    for (bool write : {false, true}) {
      CdxOpenOptions o;
      o.fields = &table_fields();
      o.read_only = !write;
      try {
        auto f = CdxFile::open(path, o);
        for (const std::string& name : f->tag_names()) {
          CdxTag* t = f->tag(name);
          int steps = 0;
          for (CdxCursor c = t->first(); c.valid() && steps < 100000; t->next(c)) ++steps;
          if (write) t->insert("1", 1);
        }
        if (write) f->flush();
      } catch (const StoreError& e) {
        EXPECT_EQ(e.path(), path);
      }
    }
  }
  EXPECT_GT(files, 0);
}

TEST(CdxFileTest, PerlWriterChangesAreReadHere) {
  if (!cdxtest::have_perl_reader()) GTEST_SKIP() << "Perl's XBase is not installed";
  TempDir dir;
  const std::string path = dir.file("perl.cdx");
  {
    auto f = CdxFile::create(path);
    CdxTag& t = f->add_tag({"NOME", "NOME", "", KeyType::kCharacter, 10, false, false});
    for (std::uint32_t r = 1; r <= 20; ++r) t.insert("N" + std::to_string(r * 3), r);
    f->flush();
  }
  // Perl inserts and deletes entries through its own page writer.
  std::string script =
      "use XBase::Index; my $i = new XBase::Index '" + path + "', 'tag' => 'NOME', 'type' => 'char' or die;"
      " $i->insert('N100', 100); $i->insert('A0', 101);"
      " $i->delete('N30', 10); print 'ok';";
  write_file(dir.file("change.pl"), script);
  ASSERT_EQ(cdxtest::run("perl '" + dir.file("change.pl") + "' 2>&1"), "ok");
  auto f = CdxFile::open(path);
  CdxTag* t = f->tag("NOME");
  t->verify();
  std::vector<std::string> ours = cdxtest::as_perl_lines(cdxtest::scan(*t), KeyType::kCharacter);
  EXPECT_EQ(cdxtest::first_difference(ours, cdxtest::perl_dump(path, "NOME", "char")), "");
  EXPECT_EQ(ours.front(), "A0 101");
  EXPECT_EQ(t->count(), 21u);
  CdxCursor c = t->seek("N100");
  EXPECT_TRUE(t->matches(c, "N100      "));
  EXPECT_EQ(c.recno(), 100u);
  EXPECT_FALSE(t->matches(t->seek("N30 "), "N30 "));
}

}  // namespace
}  // namespace store
