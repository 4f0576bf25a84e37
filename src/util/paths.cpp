#include "util/paths.h"

#include <filesystem>

namespace util {

std::string BAR_DIR(const std::string& path) {
  if (path.empty() || path.back() == '/') return path;
  return path + "/";
}

std::string BAR_FORA(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string BAR_ESQ(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  return "/" + path;
}

std::string TIRA_DIR(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool VERDIR(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(BAR_FORA(folder), ec);
}

}  // namespace util
