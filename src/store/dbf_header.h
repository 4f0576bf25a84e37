#pragma once
// The DBF file header: version byte, last-update date, record count, lengths and the
// field descriptors. dBase III (0x03, 0x83 with a DBT memo), FoxPro 2 (0xF5 with an FPT
// memo) and Visual FoxPro (0x30/0x31/0x32, read) layouts.
#include <cstdint>
#include <string>
#include <vector>

#include "store/field.h"

namespace store {

class OsFile;

enum class MemoKind { kNone, kFpt, kDbt };

struct DbfHeader {
  std::uint8_t version = 0x03;
  int year = 0, month = 0, day = 0;  // last update
  std::uint32_t record_count = 0;
  std::uint16_t header_length = 0;
  std::uint16_t record_length = 0;
  std::uint8_t table_flags = 0;  // byte 28: 0x01 structural index, 0x02 memo (Visual FoxPro)
  std::uint8_t code_page = 0;    // byte 29: language driver id (0x02 = code page 850)
  std::vector<FieldDesc> fields;

  bool visual_foxpro() const { return version == 0x30 || version == 0x31 || version == 0x32; }
  MemoKind memo_kind() const;
};

constexpr std::uint8_t kCodePage850 = 0x02;

// Reads and checks the header; any inconsistency throws StoreError naming the file.
DbfHeader read_dbf_header(const OsFile& file);
// The header bytes of a table (fields, terminator, and the 263-byte backlink for 0x30).
std::vector<char> encode_dbf_header(const DbfHeader& header);
// Only the first 12 bytes (version, date, count, lengths): what changes after creation.
void encode_dbf_header_prefix(const DbfHeader& header, char out[12]);
// Fills offsets, header and record lengths for a new table; checks names, types, sizes.
void layout_new_table(DbfHeader& header, const std::string& path_for_errors);

}  // namespace store
