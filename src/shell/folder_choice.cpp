#include "shell/folder_choice.h"

#include "util/paths.h"

#include <filesystem>

#include "platform/keys.h"
#include "shell/colours.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "shell/menu_records.h"
#include "shell/messages.h"
#include "shell/official_program.h"
#include "shell/window_layer.h"
#include "store/catalog.h"
#include "util/codepage.h"
#include "util/text.h"

namespace shell {
namespace {

namespace fs = std::filesystem;
namespace k = platform::keys;

constexpr int kEntryWidth = 76;

std::string with_separator(std::string s) {
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

std::string without_separator(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool is_official(const std::string& kind) { return kind == " IRPF"; }

}  // namespace

bool CRI_NDIR(const std::string& folder, const std::string& label) {
  std::error_code ec;
  if (fs::is_directory(resolve_case(folder), ec)) return true;
  if (AVISOSN(std::vector<std::string>{"Pasta nova para " + label + "?", "Cria a nova pasta?"}, 2) != "S") return false;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    AVISOSN("Problemas ao criar a pasta " + folder, 8);
    return false;
  }
  return true;
}

std::string NOVA_ROTA(const std::string& current, const std::string& kind, int width, bool* cancelled) {
  auto& g = G();
  bool official = is_official(kind);
  if (cancelled) *cancelled = false;
  LDialog* dialog = LDLGSHOW(1, 1, 5, 78, official ? "Local do programa da Receita"
                                                    : "Pasta de Trabalho dos arquivos auxiliares");
  auto& screen = console().screen();
  screen.write(2, 2, util::pad_right(current.substr(0, std::min<std::size_t>(current.size(), kEntryWidth)), kEntryWidth),
               attribute_of(g.COR_2_CLI));
  console().present();
  KeyAction earlier;
  if (official) {
    LSBDRAW({u8"Pasta vazia não transfere p/a Receita. ALT P preenche com o Padrão"_cp});
    earlier = key_bindings().set(k::alt_letter('P'),
                                 [year = g.CANOATUAL] { paste_into_current_field(default_official_folder(year)); });
  }
  std::string answer;
  while (true) {
    std::vector<GetField> fields(1);
    fields[0].row = 4;
    fields[0].col = 2;
    fields[0].text = std::string(kEntryWidth, ' ');
    fields[0].picture = "@K";
    ReadEnd end = dialog->readmodal(fields);
    if (end == ReadEnd::Escaped || end == ReadEnd::Cancelled) {
      if (cancelled) *cancelled = true;
      answer = current;
      break;
    }
    answer = std::string(util::trim(fields[0].text));
    if (answer.empty()) {
      if (official) AVISOSN(u8"Ao deixar em branco NÃO haverá transferência para o programa da receita!"_cp, 0);
      else answer = current;
      break;
    }
    if (answer.size() == 2 && answer[1] == ':') {
      answer += '/';
      break;
    }
    if (CRI_NDIR(answer, kind)) break;
  }
  if (official) key_bindings().set(k::alt_letter('P'), earlier);
  LDLGCLOSE();
  return util::pad_right(std::string(util::trim(answer)), static_cast<std::size_t>(width));
}

void SELAREA(int mode) {
  auto& g = G();
  if (mode == 1) {
    bool cancelled = false;
    std::string folder(util::trim(NOVA_ROTA(g.DIRTRAB, " Rendax20" + g.CANOATUAL, 80, &cancelled)));
    if (cancelled || folder.empty()) return;
    g.DIRTRAB = without_separator(folder);
    g.LOCTRAB = with_separator(g.DIRTRAB);
    store::catalog_settings().work_folder = g.DIRTRAB;
    store_terminal_settings({"DIRTRAB"});
  } else if (mode == 2) {
    bool cancelled = false;
    std::string folder(util::trim(NOVA_ROTA(g.ROTAJAVA, " IRPF", 80, &cancelled)));
    if (cancelled) return;
    g.ROTAJAVA = folder.empty() ? "" : without_separator(folder);
    g.LOCIRPF = folder.empty() ? "" : with_separator(g.ROTAJAVA);
    store_terminal_settings({"ROTAJAVA"});
  }
}

bool CONFER_DIR(const std::string& folder) {
  if (util::VERDIR(folder)) return true;
  MENS(0, "<Dir> " + folder + u8"não encontrado. Assumindo o padrão!"_cp);
  return false;
}

}  // namespace shell
