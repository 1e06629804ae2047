// The kitesim program: the lines scripts read, stdin commands, and a clean quit.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "frame_codec.h"
#include "pty_client.h"
#include "socket_client.h"

namespace kitesim {
namespace {

// Runs kitesim with stdin and stdout on pipes.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int in[2], out[2];
    EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      std::vector<char*> argv{const_cast<char*>(KITESIM_PROGRAM)};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(KITESIM_PROGRAM, argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = UniqueFd(in[1]);
    stdout_ = ::fdopen(out[0], "r");
  }
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (stdout_) std::fclose(stdout_);
  }

  std::string line() {
    char buffer[4096];
    if (!std::fgets(buffer, sizeof buffer, stdout_)) return "";
    std::string text = buffer;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  // The "kind value" lines before "ready".
  std::map<std::string, std::string> announcements() {
    std::map<std::string, std::string> lines;
    for (std::string text = line(); !text.empty() && text != "ready"; text = line())
      lines[text.substr(0, text.find(' '))] = text.substr(text.find(' ') + 1);
    return lines;
  }
  void say(const std::string& text) {
    std::string with_newline = text + "\n";
    ASSERT_EQ(::write(stdin_.get(), with_newline.data(), with_newline.size()),
              static_cast<ssize_t>(with_newline.size()));
  }
  int wait() {
    int status = 0;
    ::waitpid(std::exchange(pid_, -1), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  UniqueFd stdin_;
  FILE* stdout_ = nullptr;
};

TEST(Program, PrintsItsTransportsAndTakesCommandsOnStdin) {
  auto memory = testing::temp_path("program-iic.bin");
  std::filesystem::remove(memory);
  Program kitesim({"--pty", "--rfc2217", "0", "--card", "iic", "--card-file", memory.string()});
  auto lines = kitesim.announcements();
  ASSERT_TRUE(lines.contains("pty"));
  ASSERT_TRUE(lines.contains("rfc2217"));
  EXPECT_GT(std::stoi(lines["rfc2217"]), 0);

  auto pc = testing::open_pty_slave(lines["pty"], 9600);
  ASSERT_TRUE(pc);
  Bytes probe{stx, etx};
  ASSERT_EQ(::write(pc.get(), probe.data(), probe.size()), 2);
  EXPECT_EQ(testing::read_frames(pc.get()), nack_frame(true));

  kitesim.say("state");
  EXPECT_NE(kitesim.line().find(" card=iic "), std::string::npos);
  kitesim.say("quit");
  EXPECT_EQ(kitesim.line(), "ok");
  EXPECT_EQ(kitesim.wait(), 0);
  EXPECT_EQ(std::filesystem::file_size(memory), 256u);  // saved on the way out
  std::filesystem::remove(memory);
}

TEST(Program, RefusesBadOptions) {
  for (std::vector<std::string> args : {std::vector<std::string>{}, {"--pty", "--rate", "4800"},
                                        {"--pty", "--model", "KITEC"}, {"--pty", "--card", "nosuch"}}) {
    Program kitesim(args);
    EXPECT_NE(kitesim.wait(), 0);
  }
}

}  // namespace
}  // namespace kitesim
