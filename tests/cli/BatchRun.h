#pragma once

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "cli/BatchTool.h"
#include "platform/FileSystem.h"
#include "tests/TestSupport.h"

// What a run of ordevik-batch left: its exit status and both streams.
struct BatchOutcome
{
    int status;
    std::string out;
    std::string err;
};

// RunBatch in this process, its streams kept.
inline BatchOutcome RunBatchInProcess(const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv = {"ordevik-batch"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunBatch(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

#ifdef _WIN32
// The tests run under Wine, whose command interpreter is no POSIX shell: commands are
// not run there (tests that need one skip), and the batch tool runs in this process.
// scripts/build-windows.sh runs the program itself and compares what it writes with
// the Linux build's output.
inline constexpr bool commandsRun = false;
inline constexpr const char* noCommands = "Windows has no POSIX shell to run commands with";

inline BatchOutcome RunCommand(const std::string&, const std::filesystem::path&)
{
    return {-1, "", noCommands};
}

inline BatchOutcome RunBatchTool(const std::vector<std::string>& arguments,
                                 const std::filesystem::path&)
{
    return RunBatchInProcess(arguments);
}
#else
inline constexpr bool commandsRun = true;
inline constexpr const char* noCommands = "";

// Runs a shell command with both streams sent to files in `scratch`; the status is -1
// when the command did not exit normally (a crash).
inline BatchOutcome RunCommand(const std::string& command, const std::filesystem::path& scratch)
{
    const std::filesystem::path out = scratch / "stdout.txt";
    const std::filesystem::path err = scratch / "stderr.txt";
    const int raw = std::system(
        (command + " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string())).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileBytes(out), ReadFileBytes(err)};
}

// The built ordevik-batch, run as a program, so that main() and the exit status count.
inline BatchOutcome RunBatchTool(const std::vector<std::string>& arguments,
                                 const std::filesystem::path& scratch)
{
    std::string command = ShellQuoted(ORDEVIK_BATCH_PATH);
    for (const std::string& argument : arguments) {
        command += " " + ShellQuoted(argument);
    }
    return RunCommand(command, scratch);
}
#endif
