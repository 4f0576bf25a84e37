// libFuzzer harness for the DBF table reader with its FPT/DBT memo file.
//
// Build (from the repository root):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
//     fuzz/dbf_fuzz.cpp src/store/*.cpp src/util/*.cpp -o /tmp/dbf_fuzz
// Seeds (valid tables of every version with memos), then a run:
//   mkdir -p /tmp/dbf_corpus && DBF_FUZZ_SEEDS=/tmp/dbf_corpus /tmp/dbf_fuzz -runs=0
//   /tmp/dbf_fuzz /tmp/dbf_corpus -max_len=16384 -timeout=10 -max_total_time=600
//
// An input is the table's bytes, optionally followed by "\n--memo--\n" and the memo
// file's bytes. Every input must read cleanly or give StoreError. A crash input found and
// fixed goes to tests/store/regressions/dbf-<name>, read by damage_test.cpp.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "store/table.h"

namespace {

const std::string& work_dir() {
  static std::string d = [] {
    std::string p = "/tmp/dbf_fuzz_" + std::to_string(::getpid());
    std::filesystem::create_directories(p);
    return p;
  }();
  return d;
}

void put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void read_all(store::Table& t) {
  for (t.go_top(); !t.eof(); t.skip()) {
    for (std::size_t i = 0; i < t.fields().size(); ++i) {
      int f = static_cast<int>(i);
      switch (t.fields()[i].type) {
        case 'M': t.get_memo(f); break;
        case 'N': case 'F': case 'I': case 'Y': case 'B': t.get_decimal(f); t.get_number(f); break;
        case 'D': t.get_date(f); break;
        case 'L': t.get_logical(f); break;
        default: t.get_text(f);
      }
    }
  }
  t.go_bottom();
  t.skip(-3);
}

void write_seeds(const char* dir) {
  using store::FieldDesc;
  std::string base = work_dir() + "/seed";
  int n = 0;
  for (auto format : {store::TableFormat::kFoxPro, store::TableFormat::kDBase3}) {
    for (bool memo : {false, true}) {
      std::vector<FieldDesc> f = {{"CPF", 'C', 11, 0, 0}, {"V", 'N', 15, 2, 0}, {"D", 'D', 8, 0, 0},
                                  {"L", 'L', 1, 0, 0}};
      if (memo) f.push_back({"M", 'M', 10, 0, 0});
      store::Table::create(base + ".dbf", f, format, true);
      {
        store::Table t(base + ".dbf", store::OpenMode::kExclusive);
        for (int i = 0; i < 3; ++i) {
          t.append();
          t.put_text(0, "1234567890" + std::to_string(i));
          t.put_decimal(1, "-12.5");
          t.put_date(2, "20230531");
          t.put_logical(3, i % 2);
          if (memo) t.put_memo(4, std::string(70 * i, 'x'));
          if (i == 1) t.delete_record();
        }
      }
      std::ifstream d(base + ".dbf", std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(d)), {});
      if (memo) {
        std::string mp = base + (format == store::TableFormat::kFoxPro ? ".fpt" : ".dbt");
        std::ifstream m(mp, std::ios::binary);
        bytes += "\n--memo--\n" + std::string((std::istreambuf_iterator<char>(m)), {});
      }
      put(std::string(dir) + "/seed" + std::to_string(n++), bytes);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* seeds = std::getenv("DBF_FUZZ_SEEDS")) write_seeds(seeds);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string marker = "\n--memo--\n";
  auto cut = bytes.find(marker);
  std::string dbf = bytes.substr(0, cut);
  std::string memo = cut == std::string::npos ? std::string() : bytes.substr(cut + marker.size());
  const std::string dir = work_dir();
  put(dir + "/t.dbf", dbf);
  std::filesystem::remove(dir + "/t.fpt");
  std::filesystem::remove(dir + "/t.dbt");
  if (cut != std::string::npos) {
    put(dir + "/t.fpt", memo);
    put(dir + "/t.dbt", memo);
  }
  try {
    store::Table t(dir + "/t.dbf", store::OpenMode::kShared);
    read_all(t);
  } catch (const store::StoreError&) {
  }
  // Writing over what was read: an exclusive open reconciles, appends and packs.
  try {
    store::Table t(dir + "/t.dbf", store::OpenMode::kExclusive);
    t.go_top();
    if (!t.eof()) t.delete_record();
    t.append();
    for (std::size_t i = 0; i < t.fields().size(); ++i) {
      if (t.fields()[i].type == 'M') t.put_memo(static_cast<int>(i), "fuzz");
    }
    t.pack();
    read_all(t);
  } catch (const store::StoreError&) {
  }
  return 0;
}
