#include "shell/menu_print_selection.h"

#include <algorithm>
#include <vector>

#include "shell/globals.h"
#include "shell/menu_records.h"
#include "shell/messages.h"
#include "shell/not_available.h"
#include "shell/text_windows.h"
#include "util/codepage.h"
#include "util/text.h"

namespace shell {
namespace {

// Item n (1-based) of a list, the first for a number out of range.
const std::string& item(const std::vector<std::string>& list, int n) {
  static const std::string kEmpty;
  if (list.empty()) return kEmpty;
  return list[static_cast<std::size_t>(std::clamp(n, 1, static_cast<int>(list.size())) - 1)];
}

int limit(const std::vector<int>& list, int queimp) {
  return list[static_cast<std::size_t>(std::clamp(queimp, 1, static_cast<int>(list.size())) - 1)];
}

void store_selection() {
  store_terminal_settings({"QUEIMP", "QUEMOD", "QUEPAG", "QUECON", "COMPAGA", "IMPBEM", "IMPBAL", "MOSIMP", "MOSTEL",
                           "MOSCPF", "MARESQ", "INIFOL", "LINETI", "NRO_LIN"});
}

}  // namespace

PrintSelection normalise_print_selection(PrintSelection s) {
  auto& g = G();
  if (s.queimp < 1 || s.queimp > static_cast<int>(g.ALISTIMP.size())) s.queimp = 1;
  if (s.quecon < 1 || s.quecon > static_cast<int>(g.NOMECON.size())) s.quecon = 1;
  auto at_most = [](int value, int highest) { return std::clamp(value, 1, highest); };
  switch (s.queimp) {
    case 1:
    case 2:
      s.quemod = 1;
      s.quepag = at_most(s.quepag, 11);
      break;
    case 3:
    case 4:
      s.quemod = 1;
      s.quepag = at_most(s.quepag, 3);
      break;
    case 5:
      s.quemod = at_most(s.quemod, 3);
      s.quepag = 1;
      break;
    case 12:
      s.quemod = at_most(s.quemod, 2);
      s.quepag = 1;
      break;
    case 14:
      // As chosen, within the label sheets there are.
      s.quemod = at_most(s.quemod, static_cast<int>(g.MODETID.size()));
      s.quepag = 1;
      break;
    default:
      s.quemod = 1;
      s.quepag = 1;
  }
  return s;
}

PrintSelectionTexts print_selection_texts(const PrintSelection& s) {
  auto& g = G();
  switch (s.queimp) {
    case 1:
    case 2: return {item(g.NOMCONT, 1), item(g.NOMEPAGR, s.quepag)};
    case 3: return {item(g.NOMCONT, 1), item(g.NOMEPRUR, s.quepag)};
    case 5: return {item(g.MODO1OP, s.quemod), item(g.MODOUNI, 1)};
    case 12: return {item(g.MODOETI, s.quemod), item(g.MODOUNI, 1)};
    case 14: return {item(g.MODETID, s.quemod), item(g.MODOUNI, 1)};
    default: return {item(g.NOMCONT, 1), item(g.MODOUNI, 1)};
  }
}

void build_print_items() {
  auto& g = G();
  PrintSelection s = normalise_print_selection({g.QUEIMP, g.QUEMOD, g.QUEPAG, g.QUECON});
  g.QUEIMP = s.queimp;
  g.QUEMOD = s.quemod;
  g.QUEPAG = s.quepag;
  g.QUECON = s.quecon;
  PrintSelectionTexts t = print_selection_texts(s);
  g.ITEM1 = "1 " + item(g.ALISTIMP, s.queimp);
  g.ITEM2 = "2 " + t.text2;
  g.ITEM3 = "3 " + t.text3;
  g.ITEM4 = "4 " + item(g.NOMECON, s.quecon);
  g.ITEM5 = u8"5  - Seleção da Impressora"_cp;
  g.ITEM6A = "6a - Mostra as Impressoras ";
  g.ITEM6B = "6b - Mostra o texto antes  ";
  g.ITEM6C = "6c - Copia o texto impresso";
  g.ITEM7 = u8"7  - Número de Vias "_cp;
  g.CVIAS = std::to_string(std::clamp(g.NRO_VIAS, 0, 9));
}

void MONTA_ITENS() {
  build_print_items();
  store_terminal_settings({"QUEIMP", "QUEMOD", "QUEPAG", "QUECON"});
}

std::string SELITEMIMP(int code, int sub) {
  auto& g = G();
  std::string changed;
  switch (code) {
    case 41:
      g.QUEIMP = sub;
      MONTA_ITENS();
      changed = g.ITEM1;
      break;
    case 42:
      g.QUEMOD = std::min(sub, limit(g.AQUEIT2, g.QUEIMP));
      g.QUECON = 1;
      MONTA_ITENS();
      changed = g.ITEM2;
      break;
    case 43:
      g.QUEPAG = std::min(sub, limit(g.AQUEIT3, g.QUEIMP));
      MONTA_ITENS();
      changed = g.ITEM3;
      break;
    case 44:
      g.QUECON = sub;
      MONTA_ITENS();
      changed = g.ITEM4;
      break;
    case 45:
      not_available(Owner::Printing);
      return g.ITEM5;
    case 46: {
      std::string* flag = sub == 1 ? &g.MOSIMP : sub == 2 ? &g.MOSTEL : &g.MOSCPF;
      std::string question = sub == 1   ? "Mostre as Impressoras Existentes antes de imprimir ?"
                             : sub == 2 ? "Mostre no video o texto a ser impresso antes de imprimir ?"
                                        : u8"Cria uma cópia (TXT) do texto a ser impresso?"_cp;
      *flag = AVISOSN(question, 2);
      changed = sub == 1 ? g.ITEM6A : sub == 2 ? g.ITEM6B : g.ITEM6C;
      break;
    }
    case 47: {
      GetField copies;
      copies.type = 'N';
      copies.number = g.NRO_VIAS;
      copies.picture = "9";
      MensOptions o;
      o.variable = &copies;
      o.width = 1;
      MENS(4, "Informe o nro vias (vezes) a imprimir", o);
      g.NRO_VIAS = std::clamp(static_cast<int>(copies.number), 0, 9);
      if (g.NRO_VIAS == 0) g.NRO_VIAS = 1;
      g.CVIAS = std::to_string(g.NRO_VIAS);
      g.ITEM7 = "&7-Vias " + g.CVIAS;
      store_selection();
      return g.ITEM7;
    }
    default: return "";
  }
  store_selection();
  FECHAJAN(4);
  return changed;
}

void MOS_CONFIMP() {
  auto& g = G();
  AVISOSN(std::vector<std::string>{g.ITEM1, g.ITEM2, g.ITEM3, g.ITEM4, "Impressora " + g.NOMEIMP,
                                   g.ITEM6A + "= " + g.MOSIMP, g.ITEM6B + "= " + g.MOSTEL, g.ITEM6C + "= " + g.MOSCPF,
                                   g.ITEM7 + g.CVIAS},
          0, {}, u8"Seleçao para impressão"_cp);
}

}  // namespace shell
