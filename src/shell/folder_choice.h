#pragma once
// Choosing folders: the work folder and the official program's folder (SELAREA), the
// dialog that asks a folder (NOVA_ROTA) and the creation of a missing folder (CRI_NDIR).
#include <string>

namespace shell {

// 1: the work folder (DIRTRAB, LOCTRAB); 2: the official program's folder (ROTAJAVA,
// LOCIRPF). The choice is stored in the terminal configuration record.
void SELAREA(int mode);

// Asks a new folder for `current` (kind " Rendax20" + year or " IRPF"). Returns the
// chosen folder padded to `width`; `cancelled` is set when the user left with Esc.
std::string NOVA_ROTA(const std::string& current, const std::string& kind, int width, bool* cancelled = nullptr);

// True when the folder exists or was created after the user agreed.
bool CRI_NDIR(const std::string& folder, const std::string& label);

// CONFER_DIR: true when the folder exists; otherwise the status line says
// "<Dir> " + folder + "não encontrado. Assumindo o padrão!".
bool CONFER_DIR(const std::string& folder);

}  // namespace shell
