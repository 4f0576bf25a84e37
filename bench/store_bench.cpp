// Table store figures: appends, index building, seeks, ordered scans, shared appends and
// record updates under locks, pack. Run from a Release build:
//   store_bench --benchmark_filter=. [--benchmark_repetitions=3]
// Files go to $RENDAX_BENCH_DIR (default /tmp).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "store/table.h"

namespace {

using store::OpenMode;
using store::Table;

constexpr int kRecords = 1000000;
constexpr int kOps = 100000;

const std::string& bench_dir() {
  // Never destroyed, so that the exit handler that removes the folder can still use it.
  static const std::string* dir = [] {
    const char* base = std::getenv("RENDAX_BENCH_DIR");
    auto* d = new std::string(base ? base : "/tmp");
    d->append("/rendax_bench_");
    d->append(std::to_string(::getpid()));
    std::filesystem::create_directories(*d);
    std::atexit([] { std::filesystem::remove_all(bench_dir()); });
    return d;
  }();
  return *dir;
}

store::FieldDesc fd(const char* name, char type, int len = 0, int dec = 0) {
  store::FieldDesc f;
  f.name = name;
  f.type = type;
  f.length = len;
  f.decimals = dec;
  return f;
}

std::string code_of(std::uint32_t i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "K%09u", i);
  return buf;
}

// Record i: a code from a fixed permutation (so that index order is not record order),
// an amount, a date, a CPF and a quantity.
void fill(Table& t, std::uint32_t i) {
  std::uint32_t perm = static_cast<std::uint32_t>((std::uint64_t(i) * 2654435761u) % 1000003u);
  char buf[32];
  t.put_text(0, code_of(perm));
  std::snprintf(buf, sizeof buf, "%u.%02u", perm % 100000, perm % 100);
  t.put_decimal(1, buf);
  std::snprintf(buf, sizeof buf, "2022%02u%02u", 1 + perm % 12, 1 + perm % 28);
  t.put_date(2, buf);
  std::snprintf(buf, sizeof buf, "%011u", perm % 50000);
  t.put_text(3, buf);
  t.put_number(4, perm % 1000);
}

std::string table_path(const char* name) { return bench_dir() + "/" + name + ".dbf"; }

void create_table(const std::string& path) {
  Table::create(path, {fd("CODIGO", 'C', 10), fd("VALOR", 'N', 15, 2), fd("DATA", 'D'), fd("CPF", 'C', 11),
                       fd("QTD", 'N', 6)},
                store::TableFormat::kFoxPro, true);
}

void build_tags(Table& t, const std::string& base) {
  t.create_index(base + ".cdx", "CODIGO", "CODIGO");
  t.create_index(base + "B.cdx", "CPFDATA", "CPF+DTOS(DATA)");
  t.create_index(base + "C.cdx", "VALOR", "VALOR");
  t.set_order(1);
}

// The 1M-record table with its three tags, made once and shared by the read benchmarks.
const std::string& big_table() {
  static std::string path = [] {
    std::string p = table_path("BIG");
    create_table(p);
    Table t(p, OpenMode::kExclusive);
    for (std::uint32_t i = 0; i < kRecords; ++i) {
      t.append();
      fill(t, i);
    }
    build_tags(t, bench_dir() + "/BIG");
    return p;
  }();
  return path;
}

void attach_big(Table& t) {
  t.attach_index(bench_dir() + "/BIG.cdx");
  t.attach_index(bench_dir() + "/BIGB.cdx");
  t.attach_index(bench_dir() + "/BIGC.cdx");
  t.set_order(1);
}

void BM_Append1M(benchmark::State& state) {
  for (auto _ : state) {
    std::string p = table_path("APP");
    create_table(p);
    Table t(p, OpenMode::kExclusive);
    for (std::uint32_t i = 0; i < kRecords; ++i) {
      t.append();
      fill(t, i);
    }
    t.close();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_Append1M)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Build3Tags1M(benchmark::State& state) {
  const std::string& p = big_table();
  for (auto _ : state) {
    Table t(p, OpenMode::kExclusive);
    std::string base = bench_dir() + "/BLD";
    build_tags(t, base);
    t.close();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_Build3Tags1M)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_RandomSeek100k(benchmark::State& state) {
  const std::string& p = big_table();
  Table t(p, OpenMode::kExclusive);
  attach_big(t);
  std::mt19937 rng(1);
  std::uint32_t found = 0;
  for (auto _ : state) {
    for (int i = 0; i < kOps; ++i) found += t.seek(code_of(rng() % 1000003u)) ? 1 : 0;
  }
  benchmark::DoNotOptimize(found);
  state.counters["found"] = found;
  state.SetItemsProcessed(state.iterations() * kOps);
}
BENCHMARK(BM_RandomSeek100k)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_OrderedScan1M(benchmark::State& state) {
  const std::string& p = big_table();
  Table t(p, OpenMode::kExclusive);
  attach_big(t);
  std::uint64_t n = 0;
  for (auto _ : state) {
    for (t.go_top(); !t.eof(); t.skip()) ++n;
  }
  state.counters["records"] = static_cast<double>(n);
  state.SetItemsProcessed(static_cast<std::int64_t>(n));
}
BENCHMARK(BM_OrderedScan1M)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The same walk reading a field of every record: index order is a random order of the
// records here, so each record is a random access into the table file.
void BM_OrderedScan1MReadingAField(benchmark::State& state) {
  const std::string& p = big_table();
  Table t(p, OpenMode::kExclusive);
  attach_big(t);
  std::int64_t sum = 0;
  for (auto _ : state) {
    for (t.go_top(); !t.eof(); t.skip()) sum += t.get_units(1);
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_OrderedScan1MReadingAField)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Natural-order walk reading a field (the table read from start to end).
void BM_NaturalScan1MReadingAField(benchmark::State& state) {
  const std::string& p = big_table();
  Table t(p, OpenMode::kExclusive);
  std::int64_t sum = 0;
  for (auto _ : state) {
    for (t.go_top(); !t.eof(); t.skip()) sum += t.get_units(1);
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_NaturalScan1MReadingAField)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_SharedAppend100kWith3Tags(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::string p = table_path("SHA");
    create_table(p);
    {
      Table t(p, OpenMode::kExclusive);
      build_tags(t, bench_dir() + "/SHA");
    }
    Table t(p, OpenMode::kShared);
    t.attach_index(bench_dir() + "/SHA.cdx");
    t.attach_index(bench_dir() + "/SHAB.cdx");
    t.attach_index(bench_dir() + "/SHAC.cdx");
    state.ResumeTiming();
    for (std::uint32_t i = 0; i < kOps; ++i) {
      if (!t.append()) state.SkipWithError("append refused");
      fill(t, i);
      t.unlock_all();
    }
    t.close();
  }
  state.SetItemsProcessed(state.iterations() * kOps);
}
BENCHMARK(BM_SharedAppend100kWith3Tags)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_SharedLockUpdateUnlock100k(benchmark::State& state) {
  const std::string& p = big_table();
  Table t(p, OpenMode::kShared);
  attach_big(t);
  std::mt19937 rng(2);
  for (auto _ : state) {
    for (int i = 0; i < kOps; ++i) {
      t.go_to(1 + rng() % kRecords);
      if (!t.lock_record()) state.SkipWithError("lock refused");
      t.put_number(4, static_cast<double>(i % 1000));
      t.unlock_record(t.recno());
    }
  }
  state.SetItemsProcessed(state.iterations() * kOps);
}
BENCHMARK(BM_SharedLockUpdateUnlock100k)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Pack1M(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::string p = table_path("PCK");
    std::filesystem::copy_file(big_table(), p, std::filesystem::copy_options::overwrite_existing);
    Table t(p, OpenMode::kExclusive);
    for (std::uint32_t r = 1; r <= kRecords; r += 10) {
      t.go_to(r);
      t.delete_record();
    }
    t.commit();
    state.ResumeTiming();
    t.pack();
    state.counters["records"] = t.record_count();
  }
}
BENCHMARK(BM_Pack1M)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Pack1MWith3Tags(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::string p = table_path("PCT");
    std::filesystem::copy_file(big_table(), p, std::filesystem::copy_options::overwrite_existing);
    Table t(p, OpenMode::kExclusive);
    build_tags(t, bench_dir() + "/PCT");
    t.set_order(0);
    for (std::uint32_t r = 1; r <= kRecords; r += 10) {
      t.go_to(r);
      t.delete_record();
    }
    t.commit();
    state.ResumeTiming();
    t.pack();
  }
}
BENCHMARK(BM_Pack1MWith3Tags)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
