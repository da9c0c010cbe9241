// SIGINT and SIGTERM during a command-line calculation: the run is cancelled
// through the run state, the program says so, writes nothing and exits 1.
// The signal comes from another thread of this process once the handler is
// in place.
#include "support/fresh_state.h"
#include "command_line/command_line.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include "document/memory_store.h"
#include "document/preferences.h"
#include "numeric/status.h"

namespace {

bool HandlerInstalled(int signal)
{
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN;
}

// Sends the signal to the process as soon as the command line handles it.
class CSignalSender {
public:
    explicit CSignalSender(int signal)
        : m_thread([signal] {
              const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
              while (!HandlerInstalled(signal)) {
                  if (std::chrono::steady_clock::now() > deadline)
                      return;
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
              std::this_thread::sleep_for(std::chrono::milliseconds(50));
              kill(getpid(), signal);
          })
    {
    }
    ~CSignalSender() { m_thread.join(); }

private:
    std::thread m_thread;
};

struct CRun {
    int status = -1;
    std::string out;
    std::string err;
};

CRun RunWithSignal(const std::vector<std::string>& arguments, const std::string& input, int signal)
{
    const CFreshState fresh;
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    CRun run;
    bool handled = false;
    {
        // Signal 0: a run without one.
        std::optional<CSignalSender> sender;
        if (signal != 0)
            sender.emplace(signal);
        run.status = RunCommandLine(arguments, in, out, err, handled);
    }
    EXPECT_TRUE(handled);
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST(CommandLineSignals, SigtermCancelsTheCalculationAndExitsWithOne)
{
    const CRun run = RunWithSignal({"--calculate", "-"}, "1+1; sum(k,1,1e12,k); 2", SIGTERM);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "1\tError\tSeries sum\tCalculation cancelled\n"
                       "calculator-ka-vm: terminated: the calculation was cancelled\n");
    // The handlers are gone and the request cleared once the run is over.
    EXPECT_FALSE(HandlerInstalled(SIGTERM));
    EXPECT_FALSE(HandlerInstalled(SIGINT));
    EXPECT_FALSE(CancelPending());
}

TEST(CommandLineSignals, SigintDuringAMemoryFileStopsBeforeTheCalculationAndSavesNothing)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                              ("kavm-command-line-signals-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string memory = (folder / "long.vcm").string();
    const std::string saved = (folder / "saved.vcm").string();
    std::ofstream(memory) << "1->Mem[a];\nprod(k,1,1e15,1)->Mem[b];\n";

    const CRun run = RunWithSignal({"--memory", memory, "--calculate", "-", "--save-memory", saved}, "3*3", SIGINT);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "1\tError\tSeries product\tCalculation cancelled\n"
                       "calculator-ka-vm: interrupted: the calculation was cancelled\n");
    EXPECT_FALSE(std::filesystem::exists(saved));
    EXPECT_FALSE(HandlerInstalled(SIGINT));
    std::filesystem::remove_all(folder);
}

// Runs with standard output redirected to the file at path (opened for
// writing at its end, as the shell's ">" leaves it); with a signal, sent
// once the file has grown (the run has written), the run is cancelled.
CRun RunIntoFile(const std::vector<std::string>& arguments, const std::string& input, const std::string& path,
                 int signal = 0)
{
    const CFreshState fresh;
    const auto before = std::filesystem::file_size(path);
    std::istringstream in(input);
    std::ostringstream err;
    CRun run;
    bool handled = false;
    std::cout.flush();
    const int saved = ::dup(STDOUT_FILENO);
    const int file = ::open(path.c_str(), O_WRONLY);
    ::lseek(file, 0, SEEK_END);
    ::dup2(file, STDOUT_FILENO);
    ::close(file);
    {
        std::thread sender;
        if (signal != 0) {
            sender = std::thread([&] {
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (std::filesystem::file_size(path) == before && std::chrono::steady_clock::now() < deadline)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                kill(getpid(), signal);
            });
        }
        run.status = RunCommandLine(arguments, in, std::cout, err, handled);
        if (sender.joinable())
            sender.join();
    }
    std::cout.flush();
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    std::cout.clear();
    std::ifstream written(path, std::ios::binary);
    run.out.assign(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>());
    run.err = err.str();
    return run;
}

// A regular file as standard output takes the text while the run goes on; a
// cancelled run cuts the file back to what it held, a finished one leaves
// the same text as a held run writes.
TEST(CommandLineSignals, TextStreamedIntoAFileIsTakenBackWhenTheRunIsCancelled)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("kavm-command-line-stream-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "out.txt").string();
    // Plain statements enough to write several blocks before the long one.
    std::string many;
    for (int k = 0; k < 200000; ++k)
        many += "1+" + std::to_string(k % 97) + (k % 3 == 0 ? ";\n" : ";");

    std::ofstream(path) << "kept\n";
    const CRun cancelled = RunIntoFile({"--calculate", "-"}, many + "sum(k,1,1e12,k); 2", path, SIGTERM);
    EXPECT_EQ(cancelled.status, 1);
    EXPECT_TRUE(cancelled.out == "kept\n") << cancelled.out.size() << " bytes left in the file";
    EXPECT_NE(cancelled.err.find("terminated: the calculation was cancelled"), std::string::npos) << cancelled.err;
    EXPECT_FALSE(HandlerInstalled(SIGTERM));

    // A failing statement in the middle: the rest is written as it was.
    const std::string text = many + "1/0; 2+2; " + many;
    const CRun held = RunWithSignal({"--calculate", "-"}, text, 0);
    std::ofstream(path) << "kept\n";
    const CRun streamed = RunIntoFile({"--calculate", "-"}, text, path);
    EXPECT_EQ(streamed.status, 1);
    EXPECT_EQ(streamed.status, held.status);
    EXPECT_EQ(streamed.err, held.err);
    EXPECT_TRUE(streamed.out == "kept\n" + held.out) << streamed.out.size() << " bytes against " << held.out.size();
    std::filesystem::remove_all(folder);
}

}  // namespace
