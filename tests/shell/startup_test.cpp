#include "shell/startup.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "shell/update_check.h"
#include "shell_fixture.h"

using namespace shell;
using std::chrono::day;
using std::chrono::month;
using std::chrono::year;

TEST(TerminalNumber, RulesOfArgumentEnvironmentAndDrive) {
  struct Case {
    std::string argument, env;
    bool network;
    std::optional<std::string> want;
  } cases[] = {
      {"3", "7", false, "07"},      // TERMINAL replaces the argument
      {"", "", false, "00"},        // local drive, nothing given
      {"", "", true, std::nullopt}, // network drive: asked
      {"12", "", true, "12"},
      {"abc", "", false, "00"},
      {"150", "", false, "00"},
      {" 5 ", "", false, "05"},
  };
  for (const auto& c : cases) EXPECT_EQ(terminal_number(c.argument, c.env, c.network), c.want) << c.argument;
}

TEST(BackupReminder, IntervalDependsOnTheDeadlineMonth) {
  Date deadline{year{2023}, month{5}, day{31}};
  auto d = [](int y, unsigned m, unsigned dd) { return Date{year{y}, month{m}, day{dd}}; };
  struct Case {
    Date today, last;
    std::optional<int> want;
  } cases[] = {
      {d(2023, 5, 10), d(2023, 5, 6), 2},             // deadline month: 4 days reach 2
      {d(2023, 5, 10), d(2023, 5, 9), std::nullopt},  // 1 day
      {d(2023, 4, 10), d(2023, 4, 6), std::nullopt},  // other month: 4 days are not 5
      {d(2023, 4, 10), d(2023, 4, 5), 5},
      {d(2023, 7, 10), d(2023, 1, 1), std::nullopt},  // from July on, never
      {d(2024, 3, 10), d(2023, 1, 1), std::nullopt},  // another year, never
  };
  for (const auto& c : cases) EXPECT_EQ(backup_reminder_interval(c.today, c.last, deadline, 2023), c.want);
}

// A one-page HTTP server on 127.0.0.1 that answers every request with `body`.
class PageServer {
 public:
  explicit PageServer(std::string body) : body_(std::move(body)) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(fd_, 4);
    thread_ = std::thread([this] { serve(); });
  }
  ~PageServer() {
    stop_ = true;
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  std::string last_request() const { return request_; }

 private:
  void serve() {
    while (!stop_) {
      int client = accept(fd_, nullptr, nullptr);
      if (client < 0) return;
      char buf[4096];
      ssize_t n = read(client, buf, sizeof buf);
      if (n > 0) request_.assign(buf, static_cast<std::size_t>(n));
      std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) +
                          "\r\nConnection: close\r\n\r\n" + body_;
      (void)!write(client, reply.data(), reply.size());
      close(client);
    }
  }
  std::string body_;
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::string request_;
};

std::string selic_block() {
  std::string block = "SELIC taxas mes:";  // 16 characters up to the first entry
  for (int m = 1; m <= 12; ++m) {
    char entry[16];
    std::snprintf(entry, sizeof entry, "2022%02d;%4s ", m, m < 10 ? "0,73" : "1,02");
    block += entry;
  }
  return block;
}

class UpdateCheckTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    set_selic_store([this](const std::vector<SelicEntry>& e) { stored = e; });
  }
  void TearDown() override {
    set_selic_store(nullptr);
    unsetenv("RENDAX_UPDATE_URL");
    ShellTest::TearDown();
  }
  void check_against(const std::string& url, int mode) {
    setenv("RENDAX_UPDATE_URL", url.c_str(), 1);
    INTER(mode);
  }
  std::vector<SelicEntry> stored;
};

TEST_F(UpdateCheckTest, PageWithRatesAndTheSameVersion) {
  PageServer server("<html>" + selic_block() + " ... RX23;Vav2 22/11/23;1234567 </html>");
  check_against(server.url(), 1);
  ASSERT_EQ(stored.size(), 12u);
  EXPECT_EQ(stored[0].month, "202201");
  EXPECT_EQ(stored[0].rate, "0,73");
  EXPECT_EQ(stored[11].month, "202212");
  EXPECT_EQ(stored[11].rate, "1,02");
  EXPECT_NE(server.last_request().find("User-Agent: Programa Rendax2023"), std::string::npos);
  ASSERT_EQ(console.messages().size(), 1u);
  EXPECT_EQ(last_message_text(), "Não existe atualização no momento!\r\nVersão atual:Vav2 de 22/11/23\r\n");
}

TEST_F(UpdateCheckTest, PageWithoutRatesOffersANewerVersion) {
  PageServer server("RX23;Vav3 05/01/24;0001000");
  console.add_answer(platform::MessageAnswer::No);
  check_against(server.url(), 0);
  EXPECT_TRUE(stored.empty());
  ASSERT_EQ(console.messages().size(), 1u);
  EXPECT_EQ(util::cp1252_to_utf8(console.messages()[0].title), "Atualização de versão");
  EXPECT_NE(last_message_text().find("Aviso! Existe a versão Vav3 diferente da sua Vav2 "), std::string::npos);
}

TEST_F(UpdateCheckTest, PageWithoutMarker) {
  PageServer server("nothing here");
  check_against(server.url(), 0);
  EXPECT_TRUE(console.messages().empty());  // at start-up nothing is said
  check_against(server.url(), 1);
  EXPECT_EQ(last_message_text(), "Não houve leitura sobre a atualização!");
}

TEST_F(UpdateCheckTest, NoServerAtAll) {
  int port;
  {
    PageServer gone("");
    port = std::stoi(gone.url().substr(17));
  }
  G().VER_ATUAL = "S";
  std::string changed;
  set_office_flag_store([&](const std::string& field, const std::string& value) { changed = field + "=" + value; });
  console.add_answers("OK,NO");
  check_against("http://127.0.0.1:" + std::to_string(port) + "/", 0);
  ASSERT_EQ(console.messages().size(), 2u);
  EXPECT_EQ(util::cp1252_to_utf8(console.messages()[0].text),
            "Erro no acesso a Internet. Tente depois!\r\nNão é possível saber se há atualização!\r\n");
  EXPECT_EQ(G().VER_ATUAL, "N");
  EXPECT_EQ(changed, "VER_ATUAL=N");
  set_office_flag_store(nullptr);
}

