// The whole program, driven headless from its command line, on a real base folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/layouts.h"
#include "store/table.h"

namespace fs = std::filesystem;

namespace {

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/rendax_run_XXXXXX";
    folder = mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(folder); }

  // Runs the program on the folder as terminal 04; returns the report of --dump.
  std::string run(const std::string& keys, const std::string& answers, int* exit_code = nullptr) {
    std::string dump = (folder / "dump.txt").string();
    std::string cmd = "cd " + folder.string() + " && DRendax2023=" + folder.string() +
                      " TERMINAL=04 RENDAX_UPDATE_URL=http://127.0.0.1:9/ " + RENDAX_APP_PATH +
                      " --headless --keys='" + keys + "' --answers='" + answers + "' --dump=" + dump +
                      " >/dev/null 2>&1";
    int rc = std::system(cmd.c_str());
    if (exit_code) *exit_code = WEXITSTATUS(rc);
    return read_all(dump);
  }

  // An independent reader's view of a table: one line per record, "FIELD=value" pairs.
  std::string dbfread(const std::string& file, const std::string& fields) {
    std::string out_path = (folder / "read.txt").string();
    std::string cmd = "/usr/bin/python3 -c \"import dbfread,sys\nfor r in dbfread.DBF(sys.argv[1], encoding='cp850'):\n"
                      "  print(' '.join(f + '=' + str(r[f]) for f in sys.argv[2].split(',')))\" " +
                      (folder / file).string() + " " + fields + " > " + out_path + " 2>&1";
    std::system(cmd.c_str());
    return read_all(out_path);
  }

  fs::path folder;
};

// Answers for the two notices of every start here: missing reference tables, no internet.
const std::string kStartNotices = "OK,OK";

}  // namespace

TEST_F(ProgramRun, FirstRunCreatesTheTerminalsRecordsAndTheRegister) {
  int code = -1;
  std::string report = run("", kStartNotices, &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(report.find("Terminal 04 IR Versão Vav2"), std::string::npos);
  EXPECT_NE(report.find("Arquivo CODBENS.DBF não existe!"), std::string::npos);
  for (const char* f : {"CONFIG.DBF", "DEFINE.DBF", "CORES.DBF", "ListaIMP.DBF", "DIRET04.DBF", "IMP0923.DBF",
                        "IMP0923.cdx", "IMP0923B.cdx", "IMP0923C.cdx"})
    EXPECT_TRUE(fs::exists(folder / f)) << f;
  EXPECT_EQ(dbfread("CONFIG.DBF", "NRO_TERM,QUEIMP,ENV_STAT,NRO_LIN,OPC_TRAN,MOSIMP,XDRIVE,SOESTE,OPCIRPF"),
            "NRO_TERM=04 QUEIMP=1 ENV_STAT=2 NRO_LIN=60 OPC_TRAN=7 MOSIMP=S XDRIVE=C SOESTE=9 OPCIRPF=J\n");
  EXPECT_EQ(dbfread("DEFINE.DBF", "VCTO1,VCTO8,VAL_MIN,TEMP_SAL,VAL_DOLAR,PROGCOMP"),
            "VCTO1=2023-05-31 VCTO8=2023-12-28 VAL_MIN=120.0 TEMP_SAL=15 VAL_DOLAR=5.2171 PROGCOMP=S\n");
  EXPECT_EQ(dbfread("CORES.DBF", "NRO_TERM,COR_TEL1,COR_ESCOL,COR_ENCH_C"),
            "NRO_TERM=04 COR_TEL1=30 COR_ESCOL=79 COR_ENCH_C=W+/B\n");
  EXPECT_EQ(dbfread("ListaIMP.DBF", "NRO_TERM,NOMEIMP"), "NRO_TERM=04 NOMEIMP=NAO DOS\n");
  EXPECT_EQ(dbfread("DIRET04.DBF", "SELEC,DIRETOR"), "SELEC=S DIRETOR=" + folder.string() + "\n");
}

TEST_F(ProgramRun, SecondRunReadsTheStoredConfiguration) {
  run("", kStartNotices);
  {
    store::Table config((folder / "CONFIG.DBF").string(), store::OpenMode::kExclusive);
    config.go_top();
    config.put_text("NOMEAG", "MARIA");
    config.commit();
  }
  std::string report = run("", kStartNotices);
  EXPECT_NE(report.find("MARIA"), std::string::npos);
  EXPECT_EQ(dbfread("CONFIG.DBF", "NRO_TERM"), "NRO_TERM=04\n");  // still one record
}

TEST_F(ProgramRun, SecondCopyOnTheSameTerminalIsRefused) {
  run("", kStartNotices);
  // This process holds the terminal's folder list as a running copy does.
  store::Table held((folder / "DIRET04.DBF").string(), store::OpenMode::kExclusive);
  int code = 0;
  std::string report = run("", "OK", &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(report.find("O programa Rendax2023 no terminal 04 está em uso"), std::string::npos);
}

TEST_F(ProgramRun, AFolderRemovedFromDiskLeavesTheFolderList) {
  run("", kStartNotices);
  fs::create_directories(folder / "antiga");
  {
    store::Table list((folder / "DIRET04.DBF").string(), store::OpenMode::kExclusive);
    list.attach_index((folder / "DIRET04.cdx").string());
    ASSERT_TRUE(list.append());
    list.put_text("DIRETOR", (folder / "antiga").string());
    list.commit();
  }
  fs::remove(folder / "antiga");
  run("", kStartNotices);
  EXPECT_EQ(dbfread("DIRET04.DBF", "DIRETOR"), "DIRETOR=" + folder.string() + "\n");
}

TEST_F(ProgramRun, EscAsksBeforeLeavingAndTerminarDoesNot) {
  int code = -1;
  std::string report = run("ESC", kStartNotices + ",YES", &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(report.find("[Saida do Programa] Confirma saída do programa? -> YES"), std::string::npos);
  EXPECT_EQ(report.find("Terminal 04"), std::string::npos);  // the screen was cleared on leaving

  report = run("ESC,PICK:Terminar", kStartNotices + ",NO");
  EXPECT_NE(report.find("Confirma saída do programa? -> NO"), std::string::npos);
  // Declining returned to the menu; Terminar then left without a second question.
  EXPECT_EQ(report.find("Confirma saída do programa?"), report.rfind("Confirma saída do programa?"));
  EXPECT_EQ(report.find("Terminal 04"), std::string::npos);
}

TEST_F(ProgramRun, CreatesACompleteDataFolderFromTheCommandLine) {
  std::string data = (folder / "dados2023").string();
  int rc = std::system((std::string(RENDAX_APP_PATH) + " --create-data-folder=" + data + " >/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(rc), 0);
  // Every table's fields, as an independent reader lists them, follow its layout.
  for (int n = 1; n <= 21; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "dados2023/IMP%02d23.DBF", n);
    std::string out_path = (folder / "fields.txt").string();
    std::system(("/usr/bin/python3 -c \"import dbfread,sys\nprint(','.join(dbfread.DBF(sys.argv[1]).field_names))\" " +
                 (folder / name).string() + " > " + out_path)
                    .c_str());
    std::string expected;
    for (const auto& f : store::layout_of(n)) expected += (expected.empty() ? "" : ",") + f.name;
    EXPECT_EQ(read_all(out_path), expected + "\n") << name;
  }
}
