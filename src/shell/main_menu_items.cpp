// The main menu bar as data: every menu, item text, accelerator, separator, heading and
// command code. Texts that hold values are built from the current settings.
#include <cstdio>

#include "shell/globals.h"
#include "shell/main_menu.h"
#include "util/codepage.h"

namespace shell {
namespace {

using Kind = MenuEntry::Kind;
using Entries = std::vector<MenuEntry>;

MenuEntry item(std::string text, int code, int sub1 = 0, int sub2 = 0) {
  return {Kind::Item, std::move(text), code, sub1, sub2, {}};
}
MenuEntry sub(std::string text, Entries items) { return {Kind::Submenu, std::move(text), 0, 0, 0, std::move(items)}; }
MenuEntry heading(std::string text) { return {Kind::Heading, std::move(text), 0, 0, 0, {}}; }
MenuEntry line() { return {Kind::Separator, "", 0, 0, 0, {}}; }

// Items of one command numbered by their first sub-code 1, 2, … in order.
Entries numbered(int code, std::initializer_list<std::string> texts) {
  Entries out;
  int n = 0;
  for (const auto& t : texts) out.push_back(item(t, code, ++n));
  return out;
}

std::string two_digit_year(int year) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", ((year % 100) + 100) % 100);
  return buf;
}

MenuEntry declaration_menu() {
  auto& g = G();
  int base = g.NANOANTER;
  return sub(u8"&Declaração"_cp,
             {
                 item(u8"&Declaração (Alt I)"_cp, 11),
                 item("&Lancamentos", 12),
                 item(u8"&Conferência"_cp, 13),
                 sub("&Internet", {item("Acesso ao &E-cac  ", 9), item(u8"Acesso a Pevidência social"_cp, 10)}),
                 item("&Agenda", 14),
                 item("&Pastas", 15),
                 sub(u8"e&Xclusão"_cp,
                     {
                         sub(u8"Exclui &Declaração"_cp, {item("Varios    ", 16, 1, 1), item("Individual", 16, 1, 2)}),
                         item("Exclui somente o &Agrix", 16, 2, 1),
                         item(u8"&Recupera declaração Excluida recentemente"_cp, 16, 3),
                     }),
                 item(u8"&Importação"_cp, 17),
                 sub(u8"&Históricos Anteriores"_cp,
                     {
                         item("Buscar ano 20" + g.CANOANTER, 20, 0),
                         item("Buscar ano 20" + two_digit_year(base - 1), 20, 1),
                         item("Buscar ano 20" + two_digit_year(base - 2), 20, 2),
                         item("Buscar ano 20" + two_digit_year(base - 3), 20, 3),
                         item("Buscar ano 20" + two_digit_year(base - 4), 20, 4),
                         item(u8"Buscar os últimos 5 anos"_cp, 20, 5),
                         item("Observar resultados", 20, 6),
                         line(),
                         item("Local do programa da Receita", 67),
                     }),
                 line(),
                 item("Atuali&za base dados", 19),
                 line(),
                 item("&Terminar (Alt T)", 18),
             });
}

MenuEntry options_menu() {
  auto& g = G();
  char minutes[8];
  std::snprintf(minutes, sizeof minutes, "%2d", g.TEMP_SAL);
  const std::string titular = u8" CPF Original é Titular "_cp, dependent = u8" CPF Original é Dependente"_cp;
  return sub(
      u8"&Opções"_cp,
      {
          item("&Local de trabalho", 21),
          sub(u8"&Transfere declaração"_cp,
              numbered(22, {u8"Seleção &Manual "_cp, u8"Seleção por &Status"_cp, u8"Seleção por &Data/Hora"_cp})),
          sub("&Mudar as cores", numbered(23, {" &Texto              ", " &Contorno das telas ", " &Item Escolhido     ",
                                                " &Entr. de dados     ", " &Mensagens          ", " &Vexa e Avisos      ",
                                                " &Fundo Geral        "})),
          item("&Valores a Cobrar", 25),
          sub("&Gravar os dados", {item(u8"&Automático a cada "_cp + minutes + " minutos", 26, 1),
                                   item("&Manual usando Alt W", 26, 2), item("&Somente no final ", 26, 3)}),
          sub(u8"status da &Declaração"_cp,
              numbered(27, {u8" Alterar situação "_cp, " Cadastrar status ", u8" Trava alteração  "_cp})),
          sub("&SELIC", numbered(28, {"cadastro &SELIC", "&Ultimos 12 meses"})),
          item("&Reindexar Dados", 29),
          item("Mudar C&PF", 30),
          sub(u8"copia &Parte declaração"_cp,
              {
                  item(u8" Toda a declaração  "_cp, 31, 1),
                  sub(u8" Declaração dos Bens "_cp, {item(titular, 31, 2), item(dependent, 31, 15)}),
                  item(u8" Declaração das Dívidas"_cp, 31, 3),
                  sub(u8" Livro Caixa P. Física "_cp, {item(titular, 31, 4), item(dependent, 31, 16)}),
                  sub(u8" Rendime. P.Jurídica"_cp,
                      {item(u8" CPF Original é Titular"_cp, 31, 5), item(dependent, 31, 17)}),
                  item(" Pagamentos         ", 31, 6),
                  item(" Ganho de capital   ", 31, 7),
                  item(" Renda Variavel     ", 31, 8),
                  line(),
                  item(u8" Bens do Espólio    "_cp, 31, 9),
                  line(),
                  item(" Toda Atividade Rural", 31, 10),
                  item(" Bens da A. Rural    ", 31, 11),
                  item(u8" Dívidas da A. Rural "_cp, 31, 12),
                  item(" Livro Caixa Rural   ", 31, 13),
                  item(u8" Imóveis Rurais      "_cp, 31, 14),
              }),
          sub("e&Xporta Arquivo",
              {
                  sub(u8" declaração de Bens  "_cp, {item(u8" declaração Total (TXT)"_cp, 32, 1, 1),
                                                    item(" Separada por CPF (TXT)", 32, 1, 2),
                                                    item(" Separada por CPF (XML)", 32, 1, 3)}),
                  item(u8" declaração de Dívidas "_cp, 32, 2, 1),
                  item(" Pagamentos       ", 32, 3, 1),
                  item(" Cadastro         ", 32, 4, 1),
                  line(),
                  item(" Bens Rurais      ", 32, 5, 1),
                  item(u8" díVidas Rurais   "_cp, 32, 6, 1),
                  item(u8" Imóveis Rurais   "_cp, 32, 7, 1),
              }),
          sub("&Boletos", {item("Configura emitente", 33, 1),
                           sub("Prepara os Boletos ", {item("Cria boleto individual", 33, 2),
                                                       item(u8"Cria vários boletos   "_cp, 33, 3),
                                                       item("Edita os Boletos   ", 33, 4)}),
                           item("Gera o Arquivo    ", 33, 5)}),
          sub("&E-mail", numbered(34, {"Configura Email ", "Prepara o Email", "Envia o Email"})),
          item(u8"&Ver Atualização"_cp, 35),
          sub("&Ajustes da Tela", numbered(36, {u8"&Menus na declaração"_cp, u8"&Fechando uma declaração"_cp})),
          sub("&Edita arquivos auxiliares",
              {
                  sub("&Mostre ou Edita ",
                      {
                          sub(" Aux&Banco ", {item(" Edita Aux&Banco ", 39, 1), item(" Busca os Bancos ", 39, 11)}),
                          sub(" Aux&Pag", {item(" Edita Aux&Pag ", 39, 7), item(" Busca Pagamentos ", 39, 12)}),
                          item(" Aux&Fon   ", 39, 5),
                          item(" Corrige banco", 39, 8),
                      }),
                  sub("&Retira CNPJ repetido", {item("do Aux&Banco ", 39, 2), item("do Aux&Fon   ", 39, 6)}),
                  item("&Trasnfere CNPJ  AuxFon->Auxbanco", 39, 3),
                  item("&Transfere CNPJ  AuxBanco->AuxFon ", 39, 4),
              }),
          item("Retira R$0,01 tela F1", 37),
          sub("Enviar Celular e Email para IRPF", {item("Enviar Todos", 38, 1), item(u8"Não Enviar "_cp, 38, 2)}),
          item("Buscar CEP", 40, 1),
          item("&Preencher Cidades", 40, 2),
          item(u8"&Lançar Rendimentos na F1"_cp, 40, 3),
      });
}

MenuEntry selection_menu() {
  auto& g = G();
  return sub(
      u8"&Selecão"_cp,
      {
          sub("&1- O que imprimir",
              numbered(41, {"IRenda modo Receita", "IRenda modo  VEXA  ", "Atividade Rural    ", "Livro caixa Rural  ",
                            "Darfes             ", "Ganho de capital   ", u8"Renda variável     "_cp,
                            "carta Personalizada", "Avisos e N.Pessoais", "Livro caixa Normal ", "Valores a cobrar   ",
                            "Cadastro           ", "Comprovante rendime", "Etiquetas para CD  ",
                            u8"relatório Usuário  "_cp, u8"Histórico anterior "_cp})),
          sub("&2 - Tipo de Folha",
              {
                  heading(u8"Impressão do Imposto /Outros"_cp),
                  item("    na Folha avulsa  ", 42, 1),
                  line(),
                  heading(u8"Impressão do Darf "_cp),
                  item("    na Folha Avulsa       ", 42, 1),
                  item("    no Sicalc Web Receita ", 42, 2),
                  item("    no Papel pre-impresso ", 42, 3),
                  line(),
                  heading(u8"Impressão do cadastro "_cp),
                  item("    Em Etiquetas     ", 42, 1),
                  item("    Na Folha avulsa  ", 42, 2),
                  line(),
                  heading(u8"Impressão das Etiquetas do CD"_cp),
                  item("    8 Eti. 116x37 ", 42, 1),
                  item("    12 Eti. 90x24 ", 42, 2),
                  item("    2*5 Eti.70x50 ", 42, 3),
                  item("    Pimaco 8296   ", 42, 4),
              }),
          sub("&3 - Qual pagina",
              {
                  heading("Escolha para o IR  "),
                  item(u8"   Tudo na declaração "_cp, 43, 1),
                  item(u8"   Tudo menos Balanço "_cp, 43, 2),
                  item(u8"   Só IR s/Bal/Malha  "_cp, 43, 3),
                  item(u8"   Só IR Sem a Malha  "_cp, 43, 4),
                  item("   Rendimentos        ", 43, 5),
                  item("   Rendimentos P.Fisica", 43, 6),
                  item("   Pagamentos/Isentos ", 43, 7),
                  item(u8"   Bens e Dívidas     "_cp, 43, 8),
                  item(u8"   Resumo c/Balanço   "_cp, 43, 9),
                  item(u8"   Resumo s/Balanço   "_cp, 43, 10),
                  item(u8"   Só a Malha fina    "_cp, 43, 11),
                  line(),
                  heading("Escolha para o Agrix  "),
                  item(u8"   Todas páginas "_cp, 43, 1),
                  item(u8"   só a página 1 "_cp, 43, 2),
                  item(u8"   só a página 2 "_cp, 43, 3),
                  line(),
                  heading("Outros Itens  "),
                  item(u8"   Folha única"_cp, 43, 1),
              }),
          sub("&4 - Quem imprimir", numbered(44, {"Individual       ", u8"Vários           "_cp, "Todos            ",
                                                   "todas Pastas     ", "Grupo selecionado"})),
          sub("&5 - Qual Impressora", {item(g.NOMEIMP.empty() ? std::string(" ") : g.NOMEIMP, 45, 1)}),
          item(g.ITEM6A, 46, 1),
          item(g.ITEM6B, 46, 2),
          item(g.ITEM6C, 46, 3),
          item(g.ITEM7, 47, 1),
          item("Mostra a Selecao", 48, 1),
      });
}

MenuEntry printing_menu() {
  return sub(u8"&Impressão"_cp, {
                                    item("Imprime os itens selecionados", 51),
                                    item("Mostra a Selecao", 48, 1),
                                    line(),
                                    item(u8"Imprime a última impressão NAO-DOS"_cp, 52),
                                    item("Edita Cartas", 53),
                                    item(u8"Número de Linhas na folha "_cp, 54),
                                });
}

MenuEntry sending_menu() {
  return sub("&Envia p/ IRPF",
             {
                 item("Somente um contribuinte selecionado", 61),
                 item("Todos Cpfs selecionados ", 62),
                 item("Todos os CPFs da pasta atual", 63),
                 line(),
                 sub(u8"Envia ao terminar só a declaracão com status escolhido"_cp,
                     {item(u8"SIM - Envia para a receita só com o status indicado"_cp, 64, 1),
                      item(u8"NÃO - Não envia ao terminar com o status indicado"_cp, 64, 2)}),
                 sub(u8"Automático no fim da declaracao "_cp,
                     {item(u8"SIM - Envia para a receita ao terminar a declaracão"_cp, 65, 1),
                      item(u8"NÃO - Não envia ao terminar uma declaração"_cp, 65, 2)}),
                 item(u8"Muda ou não Status ao enviar"_cp, 66),
                 line(),
                 item("Local do programa da Receita", 67),
                 item(u8"Recupera Declaração do IRPF "_cp, 68),
             });
}

MenuEntry backup_menu() {
  auto& g = G();
  const std::string vexa = "Do Vexa 20" + g.CANOATUAL, receita = "Da Receita 20" + g.CANOATUAL;
  return sub(u8"&Cópia de Segurança"_cp,
             {
                 sub(u8"Fazer a cópia   "_cp, {sub(vexa + "    ", {item(u8"Só uma pasta  "_cp, 71, 1, 1),
                                                               item("Todas Pastas  ", 71, 1, 2)}),
                                            item(receita, 71, 2, 1)}),
                 item("Compacta todos no " + g.XDRIVE + ":", 72, 1),
                 sub("Compacta uma Pasta", {item(vexa, 73, 1), item(receita, 73, 2)}),
                 line(),
                 sub(u8"Recuperar a cópia"_cp, {item(vexa, 74, 1), item(receita, 74, 2)}),
                 item("Descompacta todos do " + g.XDRIVE + ":", 75, 1),
                 sub("Descompacta uma Pasta", {item(vexa, 76, 1), item(receita, 76, 2)}),
                 line(),
                 item("Informa o processador", 77),
             });
}

}  // namespace

std::vector<MenuEntry> main_menu_entries() {
  return {declaration_menu(), options_menu(), selection_menu(), printing_menu(),
          sending_menu(),     backup_menu(),  item("&Fim", 91)};
}

}  // namespace shell
