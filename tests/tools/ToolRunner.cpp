// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolRunner.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string MakeTempDir(const std::string& name) {
    const fs::path dir =
        fs::temp_directory_path() / ("quillary_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

ToolRun RunTool(const std::string& command, const std::string& dir) {
    const std::string errFile = MakeTempDir("stderr") + "/err";
    std::string full = command + " 2>" + ShellQuote(errFile);
    if (!dir.empty())
        full = "cd " + ShellQuote(dir) + " && " + full;
    ToolRun run;
    FILE* pipe = ::popen(full.c_str(), "r");
    if (!pipe)
        return run;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        run.out.append(buf, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto err = ReadBytes(errFile);
    run.err.assign(err.begin(), err.end());
    fs::remove_all(fs::path(errFile).parent_path());
    return run;
}

bool HaveProgram(const std::string& program) {
    return RunTool("command -v " + ShellQuote(program) + " >/dev/null").status == 0;
}

bool HavePil() {
    return fs::exists("/usr/bin/python3") &&
           RunTool("/usr/bin/python3 -c 'import PIL.Image'").status == 0;
}

bool HavePalmPdb() {
    return RunTool("perl -MPalm::PDB -MPalm::Raw -e 1").status == 0;
}
