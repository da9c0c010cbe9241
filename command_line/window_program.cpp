#include "command_line/window_program.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "command_line/command_line.h"

namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// The program named name in folder, or in folder/relative, whichever is an
// executable file first; empty when neither is.
std::string FindProgram(const std::string& folder, const char* relative, const char* name)
{
    for (const std::string& candidate :
         {folder + '/' + name, folder + '/' + relative + '/' + name}) {
        if (access(candidate.c_str(), X_OK) == 0) {
            char resolved[PATH_MAX];
            if (realpath(candidate.c_str(), resolved) != nullptr)
                return resolved;
        }
    }
    return {};
}

}  // namespace

std::string SelfPath()
{
    char resolved[PATH_MAX];
    if (realpath("/proc/self/exe", resolved) == nullptr)
        return {};
    return resolved;
}

std::string WindowProgramPath(const std::string& launcherPath)
{
    if (launcherPath.empty())
        return {};
    return FindProgram(FolderOf(launcherPath), KAVM_WINDOW_DIR_FROM_BINDIR, kWindowProgramName);
}

std::string LauncherProgramPath(const std::string& windowPath)
{
    if (windowPath.empty())
        return {};
    return FindProgram(FolderOf(windowPath), KAVM_BINDIR_FROM_WINDOW_DIR, kLauncherProgramName);
}

std::string ProgramConstantsFile()
{
    const std::string self = SelfPath();
    std::string found = ShippedConstantsFile(self);
    if (found.empty())
        found = ShippedConstantsFile(LauncherProgramPath(self));
    return found;
}
