#pragma once
// What the table store's parts share: field descriptors, a view of one raw record,
// and the error that names the file at fault.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace store {

struct FieldDesc {
  std::string name;  // upper case, at most 10 characters
  char type = 'C';   // C, N, D, L, M (F, I, B, ... are read where the table has them)
  int length = 0;    // bytes in the record
  int decimals = 0;
  int offset = 0;    // from the start of the record; byte 0 is the deletion flag
};

// One record as stored: `data` points at the deletion flag, `size` is the record length.
struct RecordRef {
  const std::vector<FieldDesc>* fields = nullptr;
  const char* data = nullptr;
  std::size_t size = 0;

  std::string_view raw(std::size_t field_index) const {
    const FieldDesc& f = (*fields)[field_index];
    return std::string_view(data + f.offset, static_cast<std::size_t>(f.length));
  }
};

// Any failure of the store: a damaged or missing file, a bad expression, a refused lock
// where the caller asked for one. The message names the file.
class StoreError : public std::runtime_error {
 public:
  StoreError(const std::string& path, const std::string& what)
      : std::runtime_error(path.empty() ? what : path + ": " + what), path_(path) {}
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace store
