#include "command_line/stored_preferences.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>

#include "command_line/window_program.h"
#include "document/preferences.h"

namespace {

std::string_view Variable(const char* const* environment, std::string_view name)
{
    for (const char* const* entry = environment; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (text.size() > name.size() && text.compare(0, name.size(), name) == 0 && text[name.size()] == '=')
            return text.substr(name.size() + 1);
    }
    return {};
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

std::vector<std::string> SettingsFileCandidates(const char* const* environment)
{
    // The user's folder as the store finds it, and the other readings of
    // the same variables, so that no file the store could read is missed.
    std::vector<std::string> folders;
    const std::string_view configHome = Variable(environment, "XDG_CONFIG_HOME");
    if (!configHome.empty())
        folders.emplace_back(configHome);
    const std::string_view home = Variable(environment, "HOME");
    // Without a home the store takes the root folder.
    folders.push_back(std::string(home) + "/.config");
    std::string_view systemFolders = Variable(environment, "XDG_CONFIG_DIRS");
    while (!systemFolders.empty()) {
        const std::size_t colon = systemFolders.find(':');
        if (colon != 0)
            folders.emplace_back(systemFolders.substr(0, colon));
        systemFolders = colon == std::string_view::npos ? std::string_view() : systemFolders.substr(colon + 1);
    }
    folders.emplace_back("/etc/xdg");
    std::vector<std::string> candidates;
    for (const std::string& folder : folders) {
        candidates.push_back(folder + "/Vantrel/Calculator Ka-Vm.conf");
        candidates.push_back(folder + "/Vantrel.conf");
    }
    return candidates;
}

bool NoSettingsFile(const std::vector<std::string>& candidates)
{
    for (const std::string& path : candidates) {
        struct stat status{};
        if (::stat(path.c_str(), &status) == 0 || (errno != ENOENT && errno != ENOTDIR))
            return false;
    }
    return true;
}

std::string SettingsReaderPath(const std::string& launcherPath)
{
    if (launcherPath.empty())
        return {};
    const std::string folder = FolderOf(launcherPath);
    for (const std::string& candidate : {folder + '/' + kSettingsReaderName,
                                         folder + '/' + KAVM_WINDOW_DIR_FROM_BINDIR + '/' + kSettingsReaderName}) {
        if (::access(candidate.c_str(), R_OK) == 0) {
            char resolved[PATH_MAX];
            if (::realpath(candidate.c_str(), resolved) != nullptr)
                return resolved;
        }
    }
    return {};
}

bool LoadStoredPreferences(std::string& error)
{
    Preferences().SetDefaults();
    if (NoSettingsFile(SettingsFileCandidates(environ)))
        return true;
    const std::string reader = SettingsReaderPath(SelfPath());
    if (reader.empty()) {
        error = std::string("the settings reader ") + kSettingsReaderName + " is missing";
        return false;
    }
    // The reader and Qt's core library stay loaded until the process ends.
    void* library = ::dlopen(reader.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entry = library != nullptr ? ::dlsym(library, kSettingsReaderEntry) : nullptr;
    if (entry == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : reader + ": no entry point";
        return false;
    }
    unsigned values[kPreferenceCount];
    if (!reinterpret_cast<TReadStoredPreferences>(entry)(values, kPreferenceCount)) {
        error = reader + ": a reader of another version";
        return false;
    }
    for (std::size_t i = 0; i < kPreferenceCount; ++i)
        Preferences().Set(static_cast<EPreference>(i), values[i]);
    return true;
}
