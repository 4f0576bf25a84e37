#include "shell/official_program.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "util/text.h"

namespace shell {
namespace {

namespace fs = std::filesystem;

std::string home_folder() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) : std::string(".");
}

std::string upper_ascii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string with_separator(std::string s) {
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

}  // namespace

std::string default_official_folder(const std::string& two_digit_year) {
  return home_folder() + "/ProgramasRFB/IRPF20" + two_digit_year + "/APLICACAO/DADOS";
}

std::string default_transmitted_folder(const std::string& two_digit_year) {
  return home_folder() + "/ProgramasRFB/IRPF20" + two_digit_year + "/TRANSMITIDAS";
}

std::string official_data_folder(const std::string& rotajava, const std::string& rotarecei) {
  if (util::trim(rotarecei).empty()) return "";
  std::string folder(util::trim(rotajava));
  if (folder.empty()) return "";
  return with_separator(folder);
}

std::string transmitted_folder(const std::string& official_folder, const std::string& year4) {
  std::string path(util::trim(official_folder));
  std::size_t at = upper_ascii(path).find("APLICACAO");
  if (at != std::string::npos) path = path.substr(0, at);
  else path = with_separator(path);
  path += "TRANSMITIDAS";
  // The year of the folder: "20" and two digits, the one nearest to the program's folder
  // name (a home folder before it may hold digits of its own).
  for (std::size_t i = path.size() >= 4 ? path.size() - 4 + 1 : 0; i-- > 0;) {
    if (path[i] == '2' && path[i + 1] == '0' && is_digit(path[i + 2]) && is_digit(path[i + 3])) {
      return path.substr(0, i) + year4 + path.substr(i + 4);
    }
  }
  return "";
}

std::string cpf_folder(const std::string& locirpf, const std::string& cpf) {
  return with_separator(locirpf) + std::string(util::trim(cpf));
}

std::string declaration_file(const std::string& locirpf, const std::string& cpf, const std::string& extension) {
  std::string c(util::trim(cpf));
  return cpf_folder(locirpf, c) + "/" + c + "-0000000000" + extension;
}

std::string declaration_list_file(const std::string& locirpf) { return with_separator(locirpf) + "iddeclaracoes.xml"; }

std::string declaration_list_hash_file(const std::string& locirpf) {
  return with_separator(locirpf) + "iddeclaracoes.conf";
}

std::string resolve_case(const std::string& path) {
  std::error_code ec;
  if (path.empty() || fs::exists(path, ec)) return path;
  fs::path p(path);
  fs::path built = p.root_path();
  for (const auto& part : p.relative_path()) {
    fs::path next = built / part;
    if (!fs::exists(next, ec)) {
      std::string want = upper_ascii(part.string());
      fs::path dir = built.empty() ? fs::path(".") : built;
      bool found = false;
      for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (upper_ascii(it->path().filename().string()) == want) {
          next = built / it->path().filename();
          found = true;
          break;
        }
      }
      if (!found) return path;
    }
    built = next;
  }
  return built.string();
}

std::string hash_tool_path(const std::string& official_folder, const std::string& install_folder) {
  std::vector<std::string> places;
  std::string data(util::trim(official_folder));
  if (!data.empty()) {
    std::size_t at = upper_ascii(data).find("APLICACAO");
    if (at != std::string::npos) places.push_back(data.substr(0, at));
    for (fs::path p(resolve_case(data)); !p.empty() && p != p.root_path(); p = p.parent_path())
      places.push_back(p.string());
  }
  if (!util::trim(install_folder).empty()) places.emplace_back(util::trim(install_folder));
  places.emplace_back(".");
  std::error_code ec;
  for (const auto& place : places) {
    std::string candidate = resolve_case(with_separator(resolve_case(place)) + "IHash.jar");
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return "";
}

std::vector<std::string> hash_tool_command(const std::string& jar, const std::string& file) {
  return {"java", "-jar", jar.empty() ? std::string("IHash.jar") : jar, file};
}

platform::RunResult run_hash_tool(const std::string& official_folder, const std::string& install_folder,
                                  const std::string& file) {
  return platform::run_program(hash_tool_command(hash_tool_path(official_folder, install_folder), file), true);
}

}  // namespace shell
