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
      {"STATRAVA", &g.STATRAVA}, {"ROTAANTER", &g.ROTAANTER}, {"ROTAREANT", &g.ROTAREANT},
      {"DIRPROV", &g.DIRPROV},   {"ULT_TER", &g.ULT_TER},     {"ULT_MOD", &g.ULT_MOD},   {"BOL_NOME", &g.BOL_NOME},
      {"BOL_CNPJ", &g.BOL_CNPJ}, {"BOL_CPF", &g.BOL_CPF},     {"GERENTE", &g.GERENTE},   {"CCT2", &g.CCT2},
      {"BOL_NOSNRO", &g.BOL_NOSNRO}, {"SER_SMTP", &g.SER_SMTP}, {"NOM_USUA", &g.NOM_USUA}, {"EMA_USUA", &g.EMA_USUA},
      {"SEN_USUA", &g.SEN_USUA}, {"MEMORIZ", &g.MEMORIZ},     {"VAL_DOLAR", &g.NVALDOLAR},
      {"COR_TEL1", &g.COR_TEL1}, {"COR_TEL2", &g.COR_TEL2},   {"COR_TEL3", &g.COR_TEL3}, {"COR_MENS", &g.COR_MENS},
      {"COR_PEGA", &g.COR_PEGA}, {"COR_VEXA", &g.COR_VEXA},   {"COR_FERID", &g.COR_FERID}, {"COR_ESCOL", &g.COR_ESCOL},
      {"COR_ENCHE", &g.COR_ENCHE}, {"COR_1_CLI", &g.COR_1_CLI}, {"COR_2_CLI", &g.COR_2_CLI}, {"COR_INI", &g.COR_INI},
      {"COR_SAY", &g.COR_SAY},   {"COR_GET", &g.COR_GET},     {"COR_CLI_HE", &g.COR_CLI_HE},
      {"COR_ESC_CL", &g.COR_ESC_CL}, {"COR_ENCH_C", &g.COR_ENCH_C}, {"NOMEIMP", &g.NOMEIMP},
      {"IPADRAO", &g.IPADRAO},
  };
  for (const auto& s : kSettings)
    if (name == s.name) {
      out = s.ref;
      return true;
    }
  return false;
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
          t.put_date(field, date_dtos(*value));
        } else {
          if (type == 'N') t.put_number(field, static_cast<double>(*value));
          else if constexpr (std::is_same_v<T, int>) t.put_text(field, std::to_string(*value));
        }
      },
      ref);
}

// Reads a field into the setting: text trimmed, numbers and dates by type.
void get(store::Table& t, std::string_view name, const Ref& ref) {
  int field = t.field_index(name);
  if (field < 0) return;
  char type = t.fields()[static_cast<std::size_t>(field)].type;
  std::visit(
      [&](auto* value) {
        using T = std::remove_pointer_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          *value = type == 'N' ? util::trim(t.get_decimal(field)) : util::trim(t.get_text(field));
        } else if constexpr (std::is_same_v<T, Date>) {
          *value = date_from_dtos(t.get_date(field));
        } else if constexpr (std::is_same_v<T, int>) {
          *value = static_cast<int>(type == 'N' ? t.get_number(field) : std::atof(t.get_text(field).c_str()));
        } else {
          *value = t.get_number(field);
        }
      },
      ref);
}

bool per_terminal(int n) { return n == kTerminalTable || n == 56 || n == 57; }

// Positions a per-terminal table on this terminal's record; false when it has none.
bool on_terminal_record(int n = kTerminalTable) {
  store::Table& t = store::area(n);
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
    if (per_terminal(n)) {
      if (!on_terminal_record(n)) return false;
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

bool store_settings_into(int table, std::initializer_list<std::string_view> names) { return store_into(table, names); }

void load_settings(store::Table& t, std::initializer_list<std::string_view> names) {
  for (auto name : names) {
    Ref ref;
    if (setting(name, ref)) get(t, name, ref);
  }
}

void put_settings(store::Table& t, std::initializer_list<std::string_view> names) {
  for (auto name : names) {
    Ref ref;
    if (setting(name, ref)) put(t, name, ref);
  }
}

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
