#pragma once
// Folder names as the program keeps them: without a trailing separator in tables, with
// one in the settings that prefix file names. Separators are the native '/'.
#include <string>

namespace util {

std::string BAR_DIR(const std::string& path);   // trailing separator added (when missing)
std::string BAR_FORA(const std::string& path);  // trailing separator removed (the root keeps it)
std::string BAR_ESQ(const std::string& path);   // leading separator added (when missing)
std::string TIRA_DIR(const std::string& path);  // the name after the last separator
// VERDIR: whether the folder exists; a trailing separator is ignored.
bool VERDIR(const std::string& folder);

}  // namespace util
