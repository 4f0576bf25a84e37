#include "shell/update_check.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/http.h"
#include "platform/program_runner.h"
#include "shell/colours.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "shell/messages.h"
#include "util/codepage.h"

namespace shell {
namespace {

SelicStore g_selic_store;
OfficeFlagStore g_office_flag_store;

std::string trim(const std::string& s) {
  auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

void show_at_row_18(const std::string& text) {
  console().screen().write(18, 21, text, attribute_of(G().COR_ENCH_C));
  console().present();
}

}  // namespace

void set_selic_store(SelicStore store) { g_selic_store = std::move(store); }
void set_office_flag_store(OfficeFlagStore store) { g_office_flag_store = std::move(store); }

std::string update_marker() { return "RX" + G().CANOATUAL; }

std::string update_url() {
  const char* env = std::getenv("RENDAX_UPDATE_URL");
  return env && *env ? env : "http://atualiza.rendax.com.br/";
}

UpdateAnswer parse_update_answer(const std::string& page) {
  UpdateAnswer answer;
  if (auto at = page.find("SELIC"); at != std::string::npos) {
    for (int k = 0; k < 12; ++k) {
      std::size_t start = at + 16 + 12 * static_cast<std::size_t>(k);
      if (start + 11 > page.size()) break;
      std::string month = page.substr(start, 6);
      std::string rate = page.substr(start + 7, 4);
      bool digits = month.find_first_not_of("0123456789") == std::string::npos;
      if (!digits) break;  // the block ended early
      answer.selic.push_back(SelicEntry{month, rate});
    }
  }
  if (auto at = page.find(update_marker()); at != std::string::npos) {
    std::size_t p = at + update_marker().size() + 1;
    if (p + 5 + 8 + 1 + 7 <= page.size()) {
      VersionOffer offer;
      offer.version = trim(page.substr(p, 5));
      offer.date = page.substr(p + 5, 8);
      offer.size = std::atol(trim(page.substr(p + 14, 7)).c_str());
      answer.version = offer;
    }
  }
  return answer;
}

bool INTER(int mode) {
  auto& g = G();
  show_at_row_18("Verificando se existe atualização...."_cp);
  platform::HttpResult reply = platform::http_get(update_url(), {"User-Agent: Programa Rendax20" + g.CANOATUAL}, 8000);
  show_at_row_18(std::string(40, ' '));
  if (!reply.ok) {
    MENS(0);
    AVISOSN(std::vector<std::string>{"Erro no acesso a Internet. Tente depois!", u8"Não é possível saber se há atualização!"_cp},
            8);
    if (g.VER_ATUAL == "S") {
      g.VER_ATUAL = AVISOSN(u8"Continua a fazer essa verificação sempre na entrada?"_cp, 2);
      if (g.VER_ATUAL == "N" && g_office_flag_store) g_office_flag_store("VER_ATUAL", "N");
    }
    return true;
  }
  UpdateAnswer answer = parse_update_answer(reply.body);
  if (!answer.selic.empty() && g_selic_store) g_selic_store(answer.selic);
  if (answer.version) {
    const VersionOffer& v = *answer.version;
    if (v.date != g.CULTIMAVER) {
      std::string question = AVISOSN(
          std::vector<std::string>{u8"Aviso! Existe a versão "_cp + v.version + " diferente da sua " + g.VERSAO,
                                   u8"Atualização feita em "_cp + v.date + ". Deseja atualizar agora?"},
          2, {}, u8"Atualização de versão"_cp);
      if (question == "S") {
        if (BAIXARQ(v.version, v.size)) return false;
        AVISOSN(u8"Nova atualização não instalada!"_cp, 8);
      }
    } else if (mode == 1) {
      AVISOSN(std::vector<std::string>{u8"Não existe atualização no momento!"_cp,
                                       u8"Versão atual:"_cp + v.version + " de " + v.date},
              0, {}, u8"Versão Atualizada"_cp);
    }
  } else if (mode == 1) {
    AVISOSN(u8"Não houve leitura sobre a atualização!"_cp, 8, {}, u8"Atualização de versão"_cp);
  }
  return true;
}

bool BAIXARQ(const std::string& given_version, long size) {
  auto& g = G();
  namespace fs = std::filesystem;
  fs::path inst = g.DIRINST.empty() ? fs::current_path() : fs::path(g.DIRINST);
  std::string base;
  {
    std::ifstream in(inst / "vexainfo.txt", std::ios::binary);
    char buf[100] = {0};
    in.read(buf, sizeof buf);
    base = trim(std::string(buf, static_cast<std::size_t>(in.gcount())));
    while (!base.empty() && (base.back() == '\n' || base.back() == '\r')) base.pop_back();
  }
  std::string version = trim(given_version);
  if (!(version == "Free" || version.rfind("Lib", 0) == 0)) std::erase(version, '.');
  std::string file = "Rendax20" + g.CANOATUAL + "-" + version + ".exe";
  std::string address = base + file;
  if (base.empty()) {
    AVISOSN(u8"Erro de conexão:"_cp + "vexainfo.txt", 8);
    return false;
  }
  if (AVISOSN("Confirme baixar a atualização Rendax20"_cp + g.CANOATUAL + "-" + version + " de " + g.CULTIMAVER, 2) ==
      "N")
    return false;
  fs::path folder = inst / "instal";
  std::error_code ec;
  if (!fs::exists(folder) && !fs::create_directories(folder, ec)) {
    char code[8];
    std::snprintf(code, sizeof code, "%2d", ec.value());
    AVISOSN(std::string("Erro ") + code + " ao criar a pasta " + inst.string() + "/instal", 8);
    return false;
  }
  show_at_row_18("AGUARDE! Baixando o programa " + file);
  std::string error;
  fs::path target = folder / file;
  if (!platform::http_download(address, target.string(), static_cast<std::size_t>(size > 0 ? size : 0), error)) {
    AVISOSN(std::vector<std::string>{"Erro na carga do arquivo na internet!", "Tente novamente mais tarde"}, 8);
    return false;
  }
  AVISOSN(std::vector<std::string>{"O programa " + file + " foi salvo na pasta abaixo:", (inst / "INSTAL").string(),
                                   "Recomendamos que desabilite temporariamente o    ",
                                   u8"anti-virus para evitar o bloqueio da instalação. "_cp,
                                   u8"O programa agora será fechado para a instalação  "_cp,
                                   u8"e automaticamente abrirá o instalador.Confira!"_cp},
          0);
  fs::permissions(target, fs::perms::owner_exec, fs::perm_options::add, ec);
  return platform::run_program({target.string()}, false).started;
}

}  // namespace shell
