#pragma once
// Commands of the main menu whose subsystem is not part of this version. Each owner
// has one entry here; picking one of its commands shows that the function is not
// available and changes nothing.
namespace shell {

enum class Owner {
  Declaration,     // opening a declaration, e-CAC, social security, sending to the official program
  Register,        // folder list dialog
  Calendar,        // appointment book
  Removal,         // deleting and recovering declarations, transfers, CPF change, copies, status
  Import,          // import of official and previous-year files
  Exports,         // table and asset-list exports
  Boletos,         // bank slips
  Email,           // e-mail
  Printing,        // printer choice, printing the selection, printing again
  Letters,         // letter editor
  OfficialList,    // rebuilding the official program's list of declarations
  OfficialExport,  // the export for the official program (its city search fills city codes)
  Backup,          // compressed backups and restores, plain copies
};

// The information box "Função não disponível nesta versão."
void not_available(Owner owner);

}  // namespace shell
