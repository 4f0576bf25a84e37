// Command 39: the auxiliary lists of the office (bank list, income-source list, payee
// list): browsing and editing them, filling them from the declarations of the current
// folder and removing repeated CNPJs.
#include <cstdio>
#include <set>

#include "shell/globals.h"
#include "shell/messages.h"
#include "shell/office_commands.h"
#include "shell/table_browse.h"
#include "store/catalog.h"
#include "util/codepage.h"
#include "util/docnum.h"
#include "util/text.h"

namespace shell {
namespace {

constexpr int kBanks = 77, kSources = 74, kPayees = 53, kAssets = 4, kPayments = 6;

std::string trimmed(const std::string& s) { return std::string(util::trim(s)); }
std::string digits_of(const std::string& s) { return util::TIRA_PONTO(util::trim(s)); }

std::string wide(int n, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%*d", width, n);
  return buf;
}

// "99.999.999/9999-99" from the digits of a CNPJ; the text as it is otherwise.
std::string cnpj_text(const std::string& value) {
  std::string d = digits_of(value);
  if (d.size() != 14) return trimmed(value);
  return d.substr(0, 2) + "." + d.substr(2, 3) + "." + d.substr(5, 3) + "/" + d.substr(8, 4) + "-" + d.substr(12, 2);
}

bool add_record(int slot) {
  store::select(slot);
  return store::ADD_REC(5);
}

void done_with(store::Table& t) {
  t.commit();
  t.unlock_record(t.recno());
}

// Opens a table for one command and closes it when the command ends.
class Open {
 public:
  Open(int n, bool exclusive = false) : n_(n) { ok_ = store::ABERTURA(n, exclusive); }
  ~Open() { store::close_slot(n_); }
  bool ok() const { return ok_; }
  store::Table& t() const { return store::area(n_); }

 private:
  int n_;
  bool ok_;
};

void browse_list(int sub) {
  std::vector<BrowseColumn> columns;
  int slot = 0;
  auto text = [](const char* field, int length) {
    return [=](store::Table& t) { return browse_text(t, field, 0, length); };
  };
  if (sub == 1) {
    slot = kBanks;
    columns = {browse_column("CNPJ", text("CNPJ", 18), 18, "CNPJ"),
               browse_column("Nome", text("NOME", 30), 30, "NOME"),
               browse_column("DV", text("DVBAN", 2), 2, "DVBAN"),
               browse_column("Conta", text("CONTABAN", 13), 13, "CONTABAN")};
  } else if (sub == 5) {
    slot = kSources;
    columns = {browse_column("CNPJ/CPF", text("CGCCPF", 18), 18, "CGCCPF"), browse_column("Nome", text("NOME", 50), 50, "NOME")};
  } else {
    slot = kPayees;
    columns = {browse_column("Nome", text("NOME", 40), 40, "NOME"),
               browse_column("CNPJ/CPF", text("CGCCPF", 18), 18, "CGCCPF"),
               browse_column("Cod", [](store::Table& t) { return wide(static_cast<int>(t.get_number("CODIGO")), 3); }, 3,
                             "CODIGO")};
  }
  Open open(slot);
  if (!open.ok()) return;
  BrowseOptions o;
  o.top = 3;
  o.left = 1;
  o.bottom = 20;
  o.right = 78;
  o.title = sub == 1 ? "AuxBanco" : sub == 5 ? "AuxFon" : "AuxPag";
  o.can_append = o.can_delete = true;
  o.slot = slot;
  table_browse(open.t(), columns, o);
}

void correct_asset_documents() {
  Open assets(kAssets, true);
  if (!assets.ok()) return;
  store::Table& t = assets.t();
  int corrected = 0;
  for (t.go_top(); !t.eof(); t.skip()) {
    std::string stored = trimmed(t.get_text("CPF_CNPJ"));
    if (stored.empty()) continue;
    std::string digits = digits_of(stored);
    if (digits.size() < stored.size()) {
      t.put_text("CPF_CNPJ", digits);
      ++corrected;
    }
  }
  t.commit();
  AVISOSN(corrected == 0 ? u8"Sem correções!"_cp : wide(corrected, 4) + " Cnpj ou CPF(s) corrigido(s)", 0);
}

// Deletes the later records of every repeated key; a blank key is no key and stays.
int remove_repeated(store::Table& t, const char* key_field, bool flag_kept) {
  t.pack();
  t.set_order(0);
  if (flag_kept)
    for (t.go_top(); !t.eof(); t.skip()) t.put_number("I7_5", 0);
  std::set<std::string> seen;
  int removed = 0;
  for (t.go_top(); !t.eof(); t.skip()) {
    std::string key = trimmed(t.get_text(key_field));
    if (key.empty()) continue;
    if (!seen.insert(key).second) {
      t.delete_record();
      ++removed;
    } else if (flag_kept) {
      t.put_number("I7_5", 1);
    }
  }
  t.commit();
  t.pack();
  return removed;
}

void remove_repeated_command(int slot) {
  if (AVISOSN(u8"Confirma a Exclusão dos CNPJs Repetidos"_cp, 2, {}, u8"Retira repetição de CNPJ"_cp) != "S") return;
  Open list(slot, true);
  if (!list.ok()) return;
  int removed = remove_repeated(list.t(), slot == kBanks ? "CNPJ" : "CGCCPF", slot == kBanks);
  AVISOSN(removed == 0 ? u8"Não tem CNPJ repetido"_cp
                       : "Excluidos " + wide(removed, 3) + " CNPJs",
          0);
}

std::set<std::string> keys_of(store::Table& t, const char* field, bool digits) {
  std::set<std::string> keys;
  for (t.go_top(); !t.eof(); t.skip()) keys.insert(digits ? digits_of(t.get_text(field)) : trimmed(t.get_text(field)));
  return keys;
}

void sources_to_banks() {
  if (AVISOSN(std::vector<std::string>{u8"Confirma a Inclusão dos CNPJs Do AUXfon"_cp, "Para a lista dos CNPJ dos Bancos?"},
              2, {}, "Inclui CNPJ") != "S")
    return;
  Open sources(kSources), banks(kBanks);
  if (!sources.ok() || !banks.ok()) return;
  std::set<std::string> known = keys_of(banks.t(), "CNPJ", true);
  int added = 0;
  store::Table& s = sources.t();
  for (s.go_top(); !s.eof(); s.skip()) {
    std::string cnpj = digits_of(s.get_text("CGCCPF"));
    if (cnpj.size() != 14 || known.count(cnpj)) continue;
    if (!add_record(kBanks)) break;
    banks.t().put_text("CNPJ", cnpj);
    banks.t().put_text("NOME", s.get_text("NOME").substr(0, 30));
    done_with(banks.t());
    known.insert(cnpj);
    ++added;
  }
  AVISOSN("Incluidos " + wide(added, 3) + " CNPJs", 0);
}

void banks_to_sources() {
  if (AVISOSN(std::vector<std::string>{u8"Confirma Inclusão dos CNPJ dos Bancos no"_cp, "Arquivo auxiliar dos Rendimentos?"},
              2, {}, "Inclui CNPJ") != "S")
    return;
  Open sources(kSources), banks(kBanks);
  if (!sources.ok() || !banks.ok()) return;
  std::set<std::string> known = keys_of(sources.t(), "CGCCPF", false);
  int added = 0;
  store::Table& b = banks.t();
  for (b.go_top(); !b.eof(); b.skip()) {
    std::string cnpj = cnpj_text(b.get_text("CNPJ"));
    if (cnpj.size() != 18 || known.count(cnpj)) continue;
    if (!add_record(kSources)) break;
    sources.t().put_text("CGCCPF", cnpj);
    sources.t().put_text("NOME", b.get_text("NOME"));
    done_with(sources.t());
    known.insert(cnpj);
    ++added;
  }
  AVISOSN(added == 0 ? "Nenhum CNPJ incluido." : "Incluidos " + wide(added, 3) + " CNPJs", 0);
}

void banks_from_assets() {
  Open assets(kAssets), banks(kBanks);
  if (!assets.ok() || !banks.ok()) return;
  store::Table& a = assets.t();
  store::Table& b = banks.t();
  b.set_order(0);
  static const std::set<int> kShareCodes{301, 404, 702, 703, 706, 707, 708, 709, 710, 799};
  int bank_count = 0, share_count = 0;
  auto find_bank = [&](const std::string& field, const std::string& value, bool digits) {
    for (b.go_top(); !b.eof(); b.skip()) {
      std::string v = digits ? digits_of(b.get_text(field)) : trimmed(b.get_text(field));
      if (v == value) return true;
    }
    return false;
  };
  for (a.go_top(); !a.eof(); a.skip()) {
    std::string institution = trimmed(a.get_text("REG_AVI"));
    std::string document = digits_of(a.get_text("CPF_CNPJ"));
    if (institution.empty() || document.size() == 11) continue;
    int code = std::atoi(trimmed(a.get_text("GRPO")).c_str()) * 100 + std::atoi(trimmed(a.get_text("CODB")).c_str());
    bool brazil = trimmed(a.get_text("I7_7")) != "S";
    if (brazil && document.empty()) continue;
    bool exists = brazil ? find_bank("CNPJ", document, true) : find_bank("NOME", institution, false);
    std::string bolsa = a.get_text("BOLSA"), share = a.get_text("CODNEGO");
    if (kShareCodes.count(code)) {
      if (exists) {
        if (trimmed(bolsa) == "S" && trimmed(b.get_text("CONTABAN")).empty()) {
          store::select(kBanks);
          if (!store::REC_LOCK(5)) continue;
          b.put_text("DVBAN", bolsa);
          b.put_text("CONTABAN", share);
          done_with(b);
          ++share_count;
        }
      } else {
        if (!add_record(kBanks)) break;
        if (brazil) b.put_text("CNPJ", document);
        b.put_text("NOME", institution);
        b.put_text("DVBAN", bolsa);
        b.put_text("CONTABAN", share);
        done_with(b);
        ++bank_count;
        ++share_count;
      }
    } else if (!exists && brazil) {
      if (!add_record(kBanks)) break;
      b.put_text("CNPJ", document);
      b.put_text("NOME", institution);
      done_with(b);
      ++bank_count;
    }
  }
  std::string message;
  if (bank_count == 0 && share_count == 0) message = u8"Nenhum CNPJ ou Código de ação incluido"_cp;
  else if (share_count == 0) message = "Incluidos " + wide(bank_count, 4) + " Bancos";
  else if (bank_count == 0) message = "Incluidos " + wide(share_count, 4) + u8" Códigos Ação"_cp;
  else message = "Incluidos " + wide(bank_count, 4) + " Bancos e " + wide(share_count, 4) + u8" Códigos Ação"_cp;
  AVISOSN(message, 0);
}

bool skipped_payment(int code) {
  return (code >= 30 && code <= 34) || (code >= 39 && code <= 58) || (code >= 80 && code <= 98) || code == 2 ||
         (code >= 15 && code <= 19) || code == 22;
}

void payees_from_payments() {
  Open payments(kPayments), payees(kPayees);
  if (!payments.ok() || !payees.ok()) return;
  std::set<std::string> known = keys_of(payees.t(), "CGCCPF", false);
  store::Table& p = payments.t();
  int added = 0;
  for (p.go_top(); !p.eof(); p.skip()) {
    int code = static_cast<int>(p.get_number("I6_3"));
    if (skipped_payment(code)) continue;
    std::string document = trimmed(p.get_text("I6_2"));
    if (known.count(document)) continue;
    if (!add_record(kPayees)) break;
    payees.t().put_text("NOME", p.get_text("I6_1"));
    payees.t().put_text("CGCCPF", p.get_text("I6_2"));
    payees.t().put_number("CODIGO", code);
    done_with(payees.t());
    known.insert(document);
    ++added;
  }
  AVISOSN(added == 0 ? u8"Nenhum lançamento incluido"_cp : "Incluidos " + wide(added, 4) + u8" lançamentos"_cp, 0);
}

}  // namespace

void auxiliary_lists(int sub) {
  try {
    switch (sub) {
      case 1:
      case 5:
      case 7: browse_list(sub); break;
      case 2: remove_repeated_command(kBanks); break;
      case 6: remove_repeated_command(kSources); break;
      case 3: sources_to_banks(); break;
      case 4: banks_to_sources(); break;
      case 8: correct_asset_documents(); break;
      case 11: banks_from_assets(); break;
      case 12: payees_from_payments(); break;
      default: break;
    }
  } catch (const store::StoreError& e) {
    store::store_ui().error({e.what()});
  }
}

}  // namespace shell
