#include "shell/not_available.h"

#include "shell/messages.h"
#include "util/codepage.h"

namespace shell {
void not_available(Owner owner) {
  (void)owner;  // every owner answers the same until its subsystem is built
  AVISOSN(u8"Função não disponível nesta versão."_cp, 0);
}

}  // namespace shell
