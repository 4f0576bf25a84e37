#include "shell/menu_records.h"

#include <cstdio>
#include <functional>
#include <string>
#include <variant>

#include "shell/globals.h"
#include "store/catalog.h"
#include "util/text.h"

namespace shell {
namespace {

constexpr int kTerminalTable = 42;
constexpr int kOfficeTable = 43;

using Ref = std::variant<std::string*, int*, double*, Date*>;

// The global setting stored in the field of that name, or monostate-like null.
bool setting(std::string_view name, Ref& out) {
  auto& g = G();
  struct Named {
    const char* name;
    Ref ref;
  };
  const Named kSettings[] = {
      {"QUEIMP", &g.QUEIMP},     {"QUEMOD", &g.QUEMOD},       {"QUEPAG", &g.QUEPAG},     {"QUECON", &g.QUECON},
      {"COMPAGA", &g.COMPAGA},   {"IMPBEM", &g.IMPBEM},       {"IMPBAL", &g.IMPBAL},     {"MOSIMP", &g.MOSIMP},
      {"MOSTEL", &g.MOSTEL},     {"MOSCPF", &g.MOSCPF},       {"MARESQ", &g.MARESQ},     {"INIFOL", &g.INIFOL},
      {"LINETI", &g.LINETI},     {"NRO_LIN", &g.NRO_LIN},     {"OPCIRPF", &g.OPCIRPF},   {"OPCFIM", &g.OPCFIM},
      {"DIRTRAB", &g.DIRTRAB},   {"ROTAJAVA", &g.ROTAJAVA},   {"ROTARECEI", &g.ROTARECEI},
      {"ROTADOANO", &g.ROTADOANO}, {"ROTABACK", &g.ROTABACK}, {"ULTBACK", &g.ULTBACK},   {"XDRIVE", &g.XDRIVE},
      {"NOMEAG", &g.NOMEAG},     {"ULT_CPF", &g.ULT_CPF},     {"OPTTRAN", &g.OPTTRAN},   {"SOESTE", &g.SOESTE},
      {"ENV_STAT", &g.ENV_STAT}, {"OPC_TRAN", &g.OPC_TRAN},   {"COMO_SAL", &g.COMO_SAL}, {"TEMP_SAL", &g.TEMP_SAL},
      {"TEMP_DES", &g.TEMP_DES}, {"VER_ATUAL", &g.VER_ATUAL}, {"PROCESSA", &g.PROCESSA}, {"PROGCOMP", &g.PROGCOMP},
      {"VAL_SEG", &g.VAL_SEG},   {"VAL_BYTE", &g.VAL_BYTE},   {"VAL_MIN", &g.VAL_MIN},   {"VAL_CPMF", &g.VAL_CPMF},
      {"STATRAVA", &g.STATRAVA},
  };
  for (const auto& s : kSettings)
    if (name == s.name) {
      out = s.ref;
      return true;
    }
  return false;
}

std::string dtos(Date d) {
  if (!d.ok()) return "";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                static_cast<unsigned>(d.day()));
  return buf;
}

void put(store::Table& t, std::string_view name, const Ref& ref) {
  int field = t.field_index(name);
  if (field < 0) return;
  char type = t.fields()[static_cast<std::size_t>(field)].type;
  std::visit(
      [&](auto* value) {
        using T = std::remove_pointer_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          if (type == 'N') t.put_number(field, std::atof(std::string(util::trim(*value)).c_str()));
          else t.put_text(field, *value);
        } else if constexpr (std::is_same_v<T, Date>) {
          t.put_date(field, dtos(*value));
        } else {
          if (type == 'N') t.put_number(field, static_cast<double>(*value));
          else if constexpr (std::is_same_v<T, int>) t.put_text(field, std::to_string(*value));
        }
      },
      ref);
}

// Positions table 42 on this terminal's record; false when it has none.
bool on_terminal_record() {
  store::Table& t = store::area(kTerminalTable);
  if (!t.seek(G().NUSU)) return false;
  return true;
}

// Opens a table for the length of one write when it is not open already.
class OpenForWrite {
 public:
  explicit OpenForWrite(int n) : n_(n) {
    if (store::slot(n)) {
      ok_ = true;
      return;
    }
    ok_ = store::ABERTURA(n);
    opened_ = ok_;
  }
  ~OpenForWrite() {
    if (opened_) store::close_slot(n_);
  }
  bool ok() const { return ok_; }

 private:
  int n_;
  bool ok_ = false, opened_ = false;
};

bool store_into(int n, std::initializer_list<std::string_view> names) {
  try {
    OpenForWrite open(n);
    if (!open.ok()) return false;
    store::Table& t = store::area(n);
    if (n == kTerminalTable) {
      if (!on_terminal_record()) return false;
    } else {
      t.go_top();
      if (t.eof()) return false;
    }
    int previous = store::selected();
    store::select(n);
    bool locked = store::REC_LOCK(5);
    store::select(previous);
    if (!locked) return false;
    for (auto name : names) {
      Ref ref;
      if (setting(name, ref)) put(t, name, ref);
    }
    t.commit();
    t.unlock_record(t.recno());
    return true;
  } catch (const store::StoreError& e) {
    store::store_ui().error({e.what()});
    return false;
  }
}

}  // namespace

bool store_terminal_settings(std::initializer_list<std::string_view> names) {
  return store_into(kTerminalTable, names);
}

bool store_office_settings(std::initializer_list<std::string_view> names) { return store_into(kOfficeTable, names); }

ConfigurationTables::ConfigurationTables() {
  try {
    if (!store::slot(kOfficeTable)) opened_43_ = store::ABERTURA(kOfficeTable);
    if (!store::slot(kTerminalTable)) opened_42_ = store::ABERTURA(kTerminalTable);
    if (store::slot(kOfficeTable)) store::area(kOfficeTable).go_top();
    if (store::slot(kTerminalTable)) on_terminal_record();
    opened_ = store::slot(kOfficeTable) && store::slot(kTerminalTable);
  } catch (const store::StoreError& e) {
    store::store_ui().error({e.what()});
  }
}

ConfigurationTables::~ConfigurationTables() {
  if (opened_42_) store::close_slot(kTerminalTable);
  if (opened_43_) store::close_slot(kOfficeTable);
}

}  // namespace shell
