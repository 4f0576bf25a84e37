// Office settings of the main menu that need no table of their own: saving mode, fee
// settings, update check, screen adjustments, postal-code switch, income-entry choice,
// lines per page, sending options and the archiver build.
#include "shell/office_commands.h"

#include <algorithm>
#include <type_traits>
#include <cstdio>
#include <vector>

#include "shell/globals.h"
#include "shell/menu_records.h"
#include "shell/messages.h"
#include "shell/text_windows.h"
#include "shell/update_check.h"
#include "shell/window_layer.h"
#include "util/codepage.h"

namespace shell {
namespace {

std::string two_wide(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%2d", n);
  return buf;
}

GetField number_field(double value, int width, int decimals, const std::string& picture) {
  GetField f;
  f.type = 'N';
  f.number = value;
  f.width = width;
  f.decimals = decimals;
  f.picture = picture;
  return f;
}

// A two-digit status code asked until it is in the status list; Esc keeps `current`.
int ask_status_code(const std::string& prompt, int current) {
  while (true) {
    GetField code = number_field(current, 2, 0, "99");
    MensOptions o;
    o.variable = &code;
    o.width = 2;
    std::string answer = MENS(4, prompt, o);
    if (answer.empty() || code.number == 0) return current;
    int value = static_cast<int>(code.number);
    if (status_code_exists(value)) return value;
    AVISOSN(u8"Código de status não cadastrado: "_cp + two_wide(value), 8);
  }
}

void only_status_message() {
  AVISOSN(std::vector<std::string>{u8"A partir de agora somente as declarações com o Status "_cp + two_wide(G().SOESTE),
                                   u8"serão transferidas para o IRPF ao terminar a declaração"_cp},
          0);
}

void none_message() {
  AVISOSN(std::vector<std::string>{u8"A partir de agora nenhuma declaração será transferida"_cp,
                                   u8" para o IRPF ao terminar a declaração"_cp},
          0);
}

// A number into a setting, whether that is kept as a number or as text.
template <typename Setting>
void set_number(Setting& setting, int value) {
  if constexpr (std::is_arithmetic_v<Setting>) setting = value;
  else setting = std::to_string(value);
}

}  // namespace

int lines_within_limits(int asked, bool* out_of_limits) {
  bool out = asked < 50 || asked > 66;
  if (out_of_limits) *out_of_limits = out;
  return out ? 60 : asked;
}

void number_of_lines() {
  auto& g = G();
  GetField lines = number_field(g.NROLINHAS, 2, 0, "99");
  MensOptions o;
  o.variable = &lines;
  o.width = 2;
  o.title = u8"Número entre 50 a 66"_cp;
  MENS(4, "Informe nro. de linhas da folha a ser impressa:", o);
  bool out = false;
  g.NROLINHAS = lines_within_limits(static_cast<int>(lines.number), &out);
  if (out) AVISOSN(u8"Número esta fora dos limites. Assumido 60"_cp, 8);
}

void saving_mode(int sub) {
  auto& g = G();
  if (sub == 1) {
    int offered = (g.TEMP_SAL == 0 || g.TEMP_SAL == 99) ? 15 : g.TEMP_SAL;
    GetField minutes = number_field(offered, 2, 0, "99");
    MensOptions o;
    o.variable = &minutes;
    o.width = 2;
    o.title = u8"Tempo de gravação "_cp;
    o.valid = [](GetField& f) { return f.number >= 1; };
    MENS(4, "Tempo para gravar em minutos", o);
    if (minutes.number < 1) return;  // Esc: the mode stays as it was
    g.TEMP_SAL = static_cast<int>(minutes.number);
  } else if (sub == 2) {
    g.TEMP_SAL = 0;
  } else if (sub == 3) {
    g.TEMP_SAL = 99;
  } else {
    return;
  }
  set_number(g.COMO_SAL, sub);
  store_office_settings({"COMO_SAL", "TEMP_SAL", "TEMP_DES"});
}

void fee_settings() {
  auto& g = G();
  LDLGSHOW(0, 0, 6, 25, "Valor a cobrar");
  LSBDRAW({std::string(100, ' ')});
  DEFINEJAN(3, g.COR_TEL1, g.COR_TEL2, g.COR_TEL2, 0, 0, 8, 25, 0);
  ABREJAN(3);
  const std::string bar = u8"─"_cp, v = u8"│"_cp;
  auto rule = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += bar;
    return s;
  };
  ESCRLCOL(3, 0, 0, u8"┌"_cp + rule(24) + u8"┐"_cp);
  ESCRLCOL(3, 1, 0, v + "Por Minuto              " + v);
  ESCRLCOL(3, 2, 0, v + "Por KByte               " + v);
  ESCRLCOL(3, 3, 0, v + u8"Mínimo                  "_cp + v);
  ESCRLCOL(3, 4, 0, u8"├ Contador do tempo ─────┤"_cp);
  ESCRLCOL(3, 5, 0, v + u8"Desligar após      min. "_cp + v);
  ESCRLCOL(3, 6, 0, u8"└"_cp + rule(24) + u8"┘"_cp);
  auto with_status = [](GetField f, std::string status) {
    f.when = [status](GetField&) {
      LSBDRAW({status});
      return true;
    };
    return f;
  };
  std::vector<GetField> fields{
      with_status(number_field(g.VAL_SEG, 10, 2, "@EZ 999,999.99"), "Informe o valor a cobrar por minuto"),
      with_status(number_field(g.VAL_BYTE, 10, 2, "@EZ 999,999.99"),
                  u8"Informe o valor a cobrar por KByte de memória usada"_cp),
      with_status(number_field(g.VAL_MIN, 10, 2, "@EZ 999,999.99"), u8"Informe o valor mínimo a cobrar."_cp),
      with_status(number_field(g.TEMP_DES, 2, 0, "@ez 99"), "Informe o tempo sem teclar para desligar o relógio"_cp),
  };
  const int rows[] = {1, 2, 3, 5}, cols[] = {14, 14, 14, 16};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    fields[i].row = rows[i];
    fields[i].col = cols[i];
  }
  LREADMODAL(fields);
  // Leaving the form, also with Esc, keeps what was typed.
  g.VAL_SEG = fields[0].number;
  g.VAL_BYTE = fields[1].number;
  g.VAL_MIN = fields[2].number;
  g.TEMP_DES = static_cast<int>(fields[3].number);
  store_office_settings({"VAL_SEG", "VAL_BYTE", "VAL_MIN", "TEMP_DES"});
  FECHAJAN(3);
  LDLGCLOSE();
}

void update_check_command() {
  auto& g = G();
  INTER(1);
  std::string answer = AVISOSN(std::vector<std::string>{u8"Mantem a verificação da versão na entrada?"_cp,
                                                        u8"Obs. Retirando essa verificação estará também"_cp,
                                                        "retirando a busca do CEP pela internet"},
                               2, {}, u8"Verificar atualizacão"_cp);
  g.VER_ATUAL = answer == "S" ? "S" : "N";
  store_office_settings({"VER_ATUAL"});
}

void screen_adjustments(int sub) {
  auto& g = G();
  if (sub == 1) {
    bool now_new = g.OPCIRPF == "J";
    std::string answer = AVISOSN(
        std::vector<std::string>{
            "Sim - " + std::string(now_new ? u8"Mantém a Tela com "_cp : "Muda a tela para ") + " menu Novo",
            u8"Não - "_cp + std::string(g.OPCIRPF == "N" ? u8"Mantém a Tela com "_cp : "Muda a tela para ") +
                " menu Antigo"},
        2, {}, now_new ? "Tela Atual com menu Novo" : "Tela Atual com menu Antigo");
    g.OPCIRPF = answer == "S" ? "J" : "N";
    store_terminal_settings({"OPCIRPF"});
  } else if (sub == 2) {
    std::string answer = AVISOSN(
        std::vector<std::string>{
            "Sim - " + std::string(g.OPCFIM == 1 ? u8"Mantém "_cp : "Muda para ") + " ao terminar vai para o menu inicial",
            u8"Não - "_cp + std::string(g.OPCFIM == 0 ? u8"Mantém "_cp : "Muda para ") + u8" ao terminar fica na seleção"_cp},
        2, {},
        u8"Configurado: Declaração ao terminar "_cp +
            std::string(g.OPCFIM == 1 ? " vai para o menu inicial" : u8" fica na seleção"_cp));
    g.OPCFIM = answer == "S" ? 1 : 0;
    store_terminal_settings({"OPCFIM"});
  }
}

void postal_and_city(int sub) {
  auto& g = G();
  if (sub == 1) {
    bool on = g.LBUSCACEP;
    std::string answer =
        AVISOSN(std::vector<std::string>{u8"A busca do CEP está "_cp + (on ? "ativada" : "desativada"),
                                         "Deseja " + std::string(on ? "desativar" : "ativar") + u8" nessa sessão a busca?"_cp},
                2, {}, std::string(on ? "desativar" : "ativar") + " a busca pelo CEP");
    if (answer == "S") g.LBUSCACEP = !g.LBUSCACEP;
  } else if (sub == 2) {
    fill_city_codes();
  } else if (sub == 3) {
    std::string answer = AVISOSN(std::vector<std::string>{u8"Informe se deseja com (S)im ou (N)ão   "_cp,
                                                          u8"o lançamento dos rendimentos na Tela F1"_cp},
                                 2);
    g.PROGCOMP = answer == "S" ? "S" : "N";
    store_office_settings({"PROGCOMP"});
  }
}

void sending_options(int code, int sub) {
  auto& g = G();
  if (code == 64 && sub == 1) {
    g.SOESTE = ask_status_code(u8"Informe o código do Estatus para declaração transferida! "_cp, g.SOESTE);
    only_status_message();
    g.OPTTRAN = 2;
  } else if (code == 64 && sub == 2) {
    none_message();
    g.OPTTRAN = 0;
  } else if (code == 65 && sub == 1) {
    AVISOSN(std::vector<std::string>{u8"A partir de agora todas as declarações independente do status"_cp,
                                     u8"serão transferidas para o IRPF ao terminar a declaração"_cp},
            0);
    g.OPTTRAN = 1;
  } else if (code == 65 && sub == 2) {
    if (g.OPTTRAN == 2) {
      only_status_message();
    } else {
      g.OPTTRAN = 0;
      none_message();
    }
  } else if (code == 66) {
    if (AVISOSN(u8"Após o envio deseja que o Estatus passe para transmitidas?"_cp, 2) == "S") {
      g.ENV_STAT = 1;
      g.OPC_TRAN = ask_status_code(u8"Informe o código do Estatus de declaração transmitidas? "_cp, g.OPC_TRAN);
    } else {
      g.ENV_STAT = 0;
    }
  }
}

void processor_choice() {
  auto& g = G();
  bool is32 = g.PROCESSA == "S";
  std::string answer = AVISOSN(std::vector<std::string>{"O programa para compactar esta configurado para ser ",
                                                        "usado em processador de " + std::string(is32 ? "32" : "64") +
                                                            " bits. Troca para " + (is32 ? "64" : "32") + " bits?"},
                               2);
  if (answer == "S") g.PROCESSA = is32 ? "N" : "S";
  store_office_settings({"PROCESSA", "PROGCOMP"});
}

}  // namespace shell
