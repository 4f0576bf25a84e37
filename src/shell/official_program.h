#pragma once
// The official declaration program that runs beside this one: its data folder, the
// folder of the declarations it transmitted, the per-CPF folder and file names of an
// exported declaration, and its hashing tool. Paths use the native separator.
#include <string>
#include <vector>

#include "platform/program_runner.h"

namespace shell {

// Default data folder of this year's official program ("IRPF20" + year), under
// $HOME/ProgramasRFB: ".../IRPF2023/APLICACAO/DADOS".
std::string default_official_folder(const std::string& two_digit_year);
// Default folder of a year's transmitted declarations: ".../IRPF2022/TRANSMITIDAS".
std::string default_transmitted_folder(const std::string& two_digit_year);

// LOCIRPF: ROTAJAVA trimmed with a trailing separator; empty when ROTARECEI is blank.
std::string official_data_folder(const std::string& rotajava, const std::string& rotarecei);

// The folder of transmitted declarations of `year4` ("2020") derived from the official
// program folder: the text before "APLICACAO" (upper-case search) + "TRANSMITIDAS",
// with the year in it ("20" and the next two digits, the last such before "TRANSMITIDAS")
// replaced. Empty when the path holds no year.
std::string transmitted_folder(const std::string& official_folder, const std::string& year4);

// Files of one exported declaration: folder LOCIRPF + CPF, files CPF + "-0000000000" +
// ".xml" / ".conf" / ".BKP".
std::string cpf_folder(const std::string& locirpf, const std::string& cpf);
std::string declaration_file(const std::string& locirpf, const std::string& cpf, const std::string& extension);
// The official program's list of declarations and its hash file.
std::string declaration_list_file(const std::string& locirpf);       // "iddeclaracoes.xml"
std::string declaration_list_hash_file(const std::string& locirpf);  // "iddeclaracoes.conf"

// An existing folder or file matched ignoring letter case, level by level (folders
// copied from other systems keep their spelling). The path itself when nothing matches.
std::string resolve_case(const std::string& path);

// Where the hashing tool "IHash.jar" is: the official program's install folder (the part
// of the data folder before "APLICACAO"), the data folder and its parents, the install
// folder of this program and the current folder, in this order. Empty when not found.
std::string hash_tool_path(const std::string& official_folder, const std::string& install_folder);
// The command line that runs the tool on `file`: "java -jar IHash.jar" + the path.
std::vector<std::string> hash_tool_command(const std::string& jar, const std::string& file);
// Runs the tool on `file` and waits; the tool writes the ".conf" beside the file.
platform::RunResult run_hash_tool(const std::string& official_folder, const std::string& install_folder,
                                  const std::string& file);

}  // namespace shell
