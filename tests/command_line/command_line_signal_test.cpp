// SIGINT and SIGTERM during a command-line calculation: the run is cancelled
// through the run state, the program says so, writes nothing and exits 1.
// The signal comes from another thread of this process once the handler is
// in place.
#include "support/fresh_state.h"
#include "command_line/command_line.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
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
        CSignalSender sender(signal);
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

}  // namespace
