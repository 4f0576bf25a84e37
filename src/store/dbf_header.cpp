#include "store/dbf_header.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "store/os_file.h"

namespace store {

namespace {

std::uint32_t le32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }

bool known_version(std::uint8_t v) {
  switch (v) {
    case 0x02: case 0x03: case 0x04: case 0x05: case 0x30: case 0x31: case 0x32:
    case 0x43: case 0x63: case 0x83: case 0x8B: case 0x8E: case 0xCB: case 0xE5:
    case 0xF5: case 0xFB:
      return true;
    default:
      return false;
  }
}

bool known_type(char t) { return std::strchr("CNFDLMIBYTGPVQW0@+O", t) != nullptr && t != 0; }

std::string hex(unsigned v) {
  static const char* digits = "0123456789ABCDEF";
  std::string s = "0x";
  s += digits[(v >> 4) & 15];
  s += digits[v & 15];
  return s;
}

}  // namespace

MemoKind DbfHeader::memo_kind() const {
  bool has_memo = std::any_of(fields.begin(), fields.end(), [](const FieldDesc& f) {
    return f.type == 'M' || f.type == 'G' || f.type == 'P';
  });
  if (!has_memo) return MemoKind::kNone;
  if (version == 0x83 || version == 0x8B || version == 0x8E || version == 0xCB) return MemoKind::kDbt;
  return MemoKind::kFpt;
}

DbfHeader read_dbf_header(const OsFile& file) {
  const std::string& path = file.path();
  unsigned char h[32];
  std::uint64_t size = file.size();
  if (size < 32) throw StoreError(path, "not a DBF table: file shorter than its header");
  file.read_exact(0, h, 32);
  DbfHeader hd;
  hd.version = h[0];
  if (!known_version(hd.version))
    throw StoreError(path, "not a DBF table: unknown version byte " + hex(hd.version));
  hd.year = h[1] + 1900;
  if (hd.year < 1980) hd.year += 100;  // some writers store two-digit years
  hd.month = h[2];
  hd.day = h[3];
  hd.record_count = le32(h + 4);
  hd.header_length = le16(h + 8);
  hd.record_length = le16(h + 10);
  hd.table_flags = h[28];
  hd.code_page = h[29];
  if (hd.header_length < 32 + 32 + 1)
    throw StoreError(path, "damaged DBF header: header length " + std::to_string(hd.header_length));
  if (hd.header_length > size)
    throw StoreError(path, "damaged DBF header: header longer than the file");
  if (hd.record_length < 2)
    throw StoreError(path, "damaged DBF header: record length " + std::to_string(hd.record_length));

  std::vector<unsigned char> desc(hd.header_length - 32u);
  file.read_exact(32, desc.data(), desc.size());
  int offset = 1;
  bool terminated = false;
  std::set<std::string> names;
  for (std::size_t pos = 0; pos < desc.size(); pos += 32) {
    if (desc[pos] == 0x0D) {
      terminated = true;
      break;
    }
    if (pos + 32 > desc.size()) break;
    const unsigned char* d = desc.data() + pos;
    FieldDesc f;
    for (int i = 0; i < 11 && d[i] != 0; ++i) {
      unsigned char c = d[i];
      if (c < 0x20 || c == 0x7F) throw StoreError(path, "damaged DBF header: bad field name");
      f.name += static_cast<char>(std::toupper(c));
    }
    while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
    if (f.name.empty()) throw StoreError(path, "damaged DBF header: empty field name");
    f.type = static_cast<char>(std::toupper(d[11]));
    if (!known_type(f.type))
      throw StoreError(path, "damaged DBF header: field " + f.name + " has unknown type " + hex(d[11]));
    f.length = d[16];
    f.decimals = d[17];
    if (f.type == 'C' && !hd.visual_foxpro()) {
      // Clipper and others keep the high byte of long character fields in the decimals.
      f.length += f.decimals * 256;
      f.decimals = 0;
    }
    if (f.length <= 0)
      throw StoreError(path, "damaged DBF header: field " + f.name + " has length 0");
    if ((f.type == 'N' || f.type == 'F') && f.decimals >= f.length && f.decimals != 0)
      throw StoreError(path, "damaged DBF header: field " + f.name + " has too many decimals");
    if (f.type == 'D' && f.length != 8)
      throw StoreError(path, "damaged DBF header: date field " + f.name + " is not 8 bytes");
    f.offset = offset;
    offset += f.length;
    if (!names.insert(f.name).second && !hd.visual_foxpro())
      throw StoreError(path, "damaged DBF header: field " + f.name + " appears twice");
    hd.fields.push_back(std::move(f));
  }
  if (!terminated && hd.fields.empty()) throw StoreError(path, "damaged DBF header: no fields");
  if (hd.fields.empty()) throw StoreError(path, "damaged DBF header: no fields");
  if (offset != hd.record_length)
    throw StoreError(path, "damaged DBF header: fields take " + std::to_string(offset) +
                               " bytes but the record length is " + std::to_string(hd.record_length));
  return hd;
}

void encode_dbf_header_prefix(const DbfHeader& hd, char out[12]) {
  auto* o = reinterpret_cast<unsigned char*>(out);
  o[0] = hd.version;
  o[1] = static_cast<unsigned char>(std::clamp(hd.year - 1900, 0, 255));
  o[2] = static_cast<unsigned char>(hd.month);
  o[3] = static_cast<unsigned char>(hd.day);
  for (int i = 0; i < 4; ++i) o[4 + i] = static_cast<unsigned char>(hd.record_count >> (8 * i));
  o[8] = static_cast<unsigned char>(hd.header_length);
  o[9] = static_cast<unsigned char>(hd.header_length >> 8);
  o[10] = static_cast<unsigned char>(hd.record_length);
  o[11] = static_cast<unsigned char>(hd.record_length >> 8);
}

std::vector<char> encode_dbf_header(const DbfHeader& hd) {
  std::vector<char> out(hd.header_length, 0);
  encode_dbf_header_prefix(hd, out.data());
  out[28] = static_cast<char>(hd.table_flags);
  out[29] = static_cast<char>(hd.code_page);
  std::size_t pos = 32;
  for (const FieldDesc& f : hd.fields) {
    char* d = out.data() + pos;
    std::memcpy(d, f.name.data(), std::min<std::size_t>(f.name.size(), 10));
    d[11] = f.type;
    if (hd.visual_foxpro() || hd.version == 0xF5) {
      for (int i = 0; i < 4; ++i) d[12 + i] = static_cast<char>(f.offset >> (8 * i));
    }
    if (f.type == 'C' && f.length > 255) {
      d[16] = static_cast<char>(f.length & 0xFF);
      d[17] = static_cast<char>(f.length >> 8);
    } else {
      d[16] = static_cast<char>(f.length);
      d[17] = static_cast<char>(f.decimals);
    }
    pos += 32;
  }
  out[pos] = 0x0D;
  return out;
}

void layout_new_table(DbfHeader& hd, const std::string& path) {
  if (hd.fields.empty()) throw StoreError(path, "a table needs at least one field");
  if (hd.fields.size() > 1024) throw StoreError(path, "too many fields");
  std::set<std::string> names;
  int offset = 1;
  for (FieldDesc& f : hd.fields) {
    for (char& c : f.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool ok = !f.name.empty() && f.name.size() <= 10 &&
              (std::isalpha(static_cast<unsigned char>(f.name[0])) || f.name[0] == '_');
    for (char c : f.name) ok = ok && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!ok) throw StoreError(path, "invalid field name \"" + f.name + "\"");
    if (!names.insert(f.name).second) throw StoreError(path, "field " + f.name + " appears twice");
    switch (f.type) {
      case 'C':
        // Widths above 255 keep their high byte in the decimals byte, as Clipper does.
        if (f.length < 1 || f.length > 65000) throw StoreError(path, "field " + f.name + ": text width must be 1 to 65000");
        f.decimals = 0;
        break;
      case 'N':
      case 'F':
        if (f.length < 1 || f.length > 20) throw StoreError(path, "field " + f.name + ": number width must be 1 to 20");
        if (f.decimals < 0 || (f.decimals > 0 && f.decimals > f.length - 2))
          throw StoreError(path, "field " + f.name + ": too many decimals for its width");
        break;
      case 'D': f.length = 8; f.decimals = 0; break;
      case 'L': f.length = 1; f.decimals = 0; break;
      case 'M': f.length = hd.visual_foxpro() ? 4 : 10; f.decimals = 0; break;
      default:
        throw StoreError(path, std::string("field ") + f.name + ": type " + f.type + " cannot be created");
    }
    f.offset = offset;
    offset += f.length;
  }
  if (offset > 65535) throw StoreError(path, "record longer than 65535 bytes");
  hd.record_length = static_cast<std::uint16_t>(offset);
  std::size_t hl = 32 + 32 * hd.fields.size() + 1 + (hd.visual_foxpro() ? 263 : 0);
  hd.header_length = static_cast<std::uint16_t>(hl);
}

}  // namespace store
