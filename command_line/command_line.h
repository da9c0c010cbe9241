#pragma once
// The batch mode of the calculator: the same calculation core as the window,
// driven from the command line.
//
//   calculator-ka-vm --calculate [FILE]     "Calculate all" over FILE (or
//                                            standard input for "-" or none)
//                    --cursor N              "Calculate" at code-unit N instead
//                    --preference NAME=VALUE one preference for this run
//                    --memory FILE           execute a memory file first
//                    --constants             define the shipped physical
//                                            constants before everything else
//                    --save-memory FILE      save every memory cell afterwards
//                    -h, --help, -v, --version
//
// The rewritten text goes to `out` in UTF-8, exactly as rewritten; every log
// message goes to `err` as one line "N<TAB>Status<TAB>Context<TAB>Description".
//
// Call RunCommandLine first thing in main, before the application's own
// start-up. When the arguments hold one of the options above it does the
// whole job (it seeds the random generator itself and changes only the
// in-memory preferences, which are never saved), sets handled to true and
// returns the exit status: 0 success, 1 a calculation run failed, 2 a usage
// error, a file that cannot be read or written, or a memory file that did
// not load whole (then nothing is calculated or written). Otherwise it touches
// nothing, sets handled to false and returns 0; the caller goes on as usual.
// The preferences it starts from are those in Preferences() at the call.
// A program that also has a window passes the help of its window words as
// windowUsage; the help shows it before the batch options. constantsFile is
// the file --constants loads; empty, it is the one ShippedConstantsFile finds
// for the running program.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

int RunCommandLine(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
                   bool& handled, std::string_view windowUsage = {}, std::string_view constantsFile = {});

// True when the arguments hold one of the options above: RunCommandLine
// would take them.
bool IsCommandLineRun(int argc, const char* const* argv);

// The same with the arguments after the program name.
int RunCommandLine(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                   std::ostream& err, bool& handled, std::string_view windowUsage = {},
                   std::string_view constantsFile = {});

// The library of physical constants that ships with the program at
// programPath: constants.vcm beside it (a build tree), else in the data
// folder of the installation; the resolved path, or empty when neither is
// readable.
std::string ShippedConstantsFile(const std::string& programPath);
