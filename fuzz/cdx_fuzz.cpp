// libFuzzer harness for the CDX index reader (and writer over what it read).
//
// Build (from the repository root):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
//     fuzz/cdx_fuzz.cpp src/store/cdx*.cpp src/store/key_expression.cpp src/util/codepage.cpp \
//     -o /tmp/cdx_fuzz
// Seeds (valid files with several tags and multi-level trees), then a run:
//   mkdir -p /tmp/cdx_corpus && CDX_FUZZ_SEEDS=/tmp/cdx_corpus /tmp/cdx_fuzz -runs=0
//   /tmp/cdx_fuzz /tmp/cdx_corpus -max_len=65536 -timeout=10 -max_total_time=600
// A crash input found and fixed goes to tests/store/regressions/cdx_<name>; the test
// cdx_regression_test.cpp opens every such file and expects a clean read or StoreError.
//
// Every input must either read cleanly or give StoreError: no crash, no sanitizer report,
// no endless walk.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "store/cdx.h"

namespace {

const std::vector<store::FieldDesc>& fields() {
  static const std::vector<store::FieldDesc> f{
      {"CPF", 'C', 11, 0, 1}, {"N", 'N', 8, 2, 12}, {"D", 'D', 8, 0, 20}, {"NOME", 'C', 20, 0, 28}};
  return f;
}

void exercise(store::CdxFile& file, bool write) {
  for (const std::string& name : file.tag_names()) {
    store::CdxTag* tag = file.tag(name);
    if (tag == nullptr) continue;
    int steps = 0;
    for (store::CdxCursor c = tag->first(); c.valid() && steps < 100000; tag->next(c)) ++steps;
    steps = 0;
    for (store::CdxCursor c = tag->last(); c.valid() && steps < 100000; tag->prev(c)) ++steps;
    tag->seek("1");
    tag->seek(std::string(static_cast<std::size_t>(tag->key_length()), 'z'));
    tag->count();
    if (write) {
      for (std::uint32_t r = 1; r <= 40; ++r) {
        std::string key = tag->key_type() == store::KeyType::kCharacter ? std::to_string(r * 7919 % 1000)
                                                                         : store::encode_numeric_key(r % 9);
        tag->insert(key, r);
        if (r % 3 == 0) tag->erase(key, r);
      }
      tag->verify();
    }
  }
  if (write) {
    store::CdxTagSpec desc{"EXTRA", "NOME", "", store::KeyType::kCharacter, 0, false, false};
    file.add_tag(desc).insert("abc", 1);
    file.flush();
  }
}

void write_seeds(const char* dir) {
  auto make = [&](const std::string& name, int keys, bool numeric_tags) {
    std::string path = std::string(dir) + "/" + name;
    store::CdxOpenOptions o;
    o.fields = &fields();
    auto f = store::CdxFile::create(path, o);
    store::CdxTag& a = f->add_tag({"CPF", "CPF", "", store::KeyType::kCharacter, 0, false, false});
    store::CdxTag& b = f->add_tag({"NOME", "UPPER(NOME)", "!DELETED()", store::KeyType::kCharacter, 0, true, false});
    for (int r = 1; r <= keys; ++r) {
      a.insert(std::to_string(r * 7 % 1000), static_cast<std::uint32_t>(r));
      b.insert("NOME " + std::to_string(r % 50), static_cast<std::uint32_t>(r));
    }
    if (numeric_tags) {
      store::CdxTag& n = f->add_tag({"N", "N", "", store::KeyType::kNumeric, 0, false, false});
      store::CdxTag& d = f->add_tag({"D", "D", "", store::KeyType::kDate, 0, false, true});
      for (int r = 1; r <= keys; ++r) {
        n.insert(store::encode_numeric_key(r % 97 - 40.5), static_cast<std::uint32_t>(r));
        d.insert(store::encode_date_key(2459000 + r % 30), static_cast<std::uint32_t>(r));
      }
    }
    f->flush();
  };
  make("seed_small", 20, false);
  make("seed_levels", 600, true);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* dir = std::getenv("CDX_FUZZ_SEEDS")) write_seeds(dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (int pass = 0; pass < 2; ++pass) {
    int fd = memfd_create("cdx", 0);
    if (fd < 0) return 0;
    if (::write(fd, data, size) != static_cast<ssize_t>(size)) {
      ::close(fd);
      return 0;
    }
    try {
      store::CdxOpenOptions o;
      o.fields = &fields();
      o.fd = fd;
      o.read_only = pass == 0;
      o.cache_pages = 64;
      auto f = store::CdxFile::open("fuzz.cdx", o);
      exercise(*f, pass == 1);
    } catch (const store::StoreError&) {
    }
    ::close(fd);
  }
  return 0;
}
