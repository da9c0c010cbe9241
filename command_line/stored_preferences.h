#pragma once
// The stored preferences for the command-line calculation, read without
// loading Qt into the program: where no settings file exists, the defaults
// are what the settings store would give, and nothing is loaded; where one
// may exist, the settings reader (a small module on Qt's core library that
// lies beside the window program) reads them exactly as the window does.

#include <string>
#include <vector>

// The files the settings store of the program could read, as a superset:
// "Vantrel/Calculator Ka-Vm.conf" and "Vantrel.conf" in the user's
// configuration folder ($XDG_CONFIG_HOME, and $HOME/.config as well,
// "/.config" without a home), in every folder of $XDG_CONFIG_DIRS and in /etc/xdg.
// The environment is passed in: each entry "NAME=VALUE".
std::vector<std::string> SettingsFileCandidates(const char* const* environment);

// True when none of the candidates exists (each is missing or lies under
// something that is no folder): the store then holds nothing.
bool NoSettingsFile(const std::vector<std::string>& candidates);

// The settings reader that belongs to the launcher at launcherPath: beside
// it, else in the window program's folder; empty when there is none.
std::string SettingsReaderPath(const std::string& launcherPath);

// Fills Preferences() as the settings store's LoadPreferences does. False,
// with the reason in error, when a settings file exists but the reader
// cannot be loaded; Preferences() then hold the defaults.
bool LoadStoredPreferences(std::string& error);

// The reader's entry point: fills values[0, count) with the preferences
// the store holds (defaults where it holds none); false when count is not
// the number of preferences.
inline constexpr char kSettingsReaderName[] = "calculator-ka-vm-settings.so";
inline constexpr char kSettingsReaderEntry[] = "KavmReadStoredPreferences";
using TReadStoredPreferences = bool (*)(unsigned* values, unsigned long count);
