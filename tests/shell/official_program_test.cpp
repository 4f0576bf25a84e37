// The official program's folders and file names, and its hashing tool run through a
// stand-in "java" written by the test.
#include "shell/official_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace shell;

TEST(OfficialProgram, TransmittedFolderOfAYear) {
  struct Case {
    std::string official, year, want;
  } cases[] = {
      {"/home/ana/ProgramasRFB/IRPF2023/APLICACAO/DADOS/", "2020", "/home/ana/ProgramasRFB/IRPF2020/TRANSMITIDAS"},
      {"/home/ana/ProgramasRFB/IRPF2023/aplicacao/dados", "2019", "/home/ana/ProgramasRFB/IRPF2019/TRANSMITIDAS"},
      // A home folder holding digits of its own keeps them.
      {"/home/u2021/ProgramasRFB/IRPF2023/APLICACAO/DADOS", "2022", "/home/u2021/ProgramasRFB/IRPF2022/TRANSMITIDAS"},
      {"/srv/IRPF2023", "2021", "/srv/IRPF2021/TRANSMITIDAS"},
      {"/srv/programa/APLICACAO/DADOS", "2021", ""},
      {"", "2021", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(transmitted_folder(c.official, c.year), c.want) << c.official;
}

TEST(OfficialProgram, DataFolderAndFileNames) {
  EXPECT_EQ(official_data_folder(" /p/DADOS ", "x"), "/p/DADOS/");
  EXPECT_EQ(official_data_folder("/p/DADOS/", "x"), "/p/DADOS/");
  EXPECT_EQ(official_data_folder("/p/DADOS", "   "), "");
  EXPECT_EQ(cpf_folder("/p/DADOS/", "12345678909"), "/p/DADOS/12345678909");
  EXPECT_EQ(declaration_file("/p/DADOS/", "12345678909", ".xml"), "/p/DADOS/12345678909/12345678909-0000000000.xml");
  EXPECT_EQ(declaration_file("/p/DADOS", "12345678909", ".conf"), "/p/DADOS/12345678909/12345678909-0000000000.conf");
  EXPECT_EQ(declaration_list_file("/p/DADOS/"), "/p/DADOS/iddeclaracoes.xml");
  EXPECT_EQ(declaration_list_hash_file("/p/DADOS/"), "/p/DADOS/iddeclaracoes.conf");
  setenv("HOME", "/home/ana", 1);
  EXPECT_EQ(default_official_folder("23"), "/home/ana/ProgramasRFB/IRPF2023/APLICACAO/DADOS");
  EXPECT_EQ(default_transmitted_folder("22"), "/home/ana/ProgramasRFB/IRPF2022/TRANSMITIDAS");
}

TEST(OfficialProgram, HashToolIsFoundInTheInstallFolderAndRunWithJava) {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / ("rendax_ihash_" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::path install = root / "IRPF2023";
  fs::path data = install / "aplicacao" / "dados";
  fs::create_directories(data / "12345678909");
  std::ofstream(install / "IHash.jar") << "jar";
  // A stand-in "java" that writes the ".conf" beside the file, as the tool does, and
  // records its arguments.
  fs::path bin = root / "bin";
  fs::create_directories(bin);
  {
    std::ofstream java(bin / "java");
    java << "#!/bin/sh\necho \"$1 $2 $3\" > \"" << (root / "args").string() << "\"\n"
         << "f=\"$3\"\nprintf hash > \"${f%.xml}.conf\"\n";
  }
  chmod((bin / "java").c_str(), 0755);
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin.string() + ":" + path).c_str(), 1);

  // The data folder as configured (upper case) is matched ignoring case.
  std::string official = (install / "APLICACAO" / "DADOS").string();
  EXPECT_EQ(hash_tool_path(official, ""), (install / "IHash.jar").string());
  std::string xml = declaration_file(resolve_case(official), "12345678909", ".xml");
  std::ofstream(xml) << "<xml/>";
  auto result = run_hash_tool(official, "", xml);
  setenv("PATH", path.c_str(), 1);
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_TRUE(fs::exists(data / "12345678909" / "12345678909-0000000000.conf"));
  std::string args;
  std::getline(std::ifstream(root / "args"), args);
  EXPECT_EQ(args, "-jar " + (install / "IHash.jar").string() + " " + xml);
  // Without the tool anywhere the command still names it.
  fs::remove(install / "IHash.jar");
  EXPECT_EQ(hash_tool_path((root / "nada").string(), ""), "");
  EXPECT_EQ(hash_tool_command("", "/x.xml"), (std::vector<std::string>{"java", "-jar", "IHash.jar", "/x.xml"}));
  fs::remove_all(root);
}
