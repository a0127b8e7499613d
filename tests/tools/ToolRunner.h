// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a shell command for the tests: exit status, standard output and standard error.

#include <string>
#include <vector>

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `command` through /bin/sh in folder `dir` (if not empty).
ToolRun RunTool(const std::string& command, const std::string& dir = {});
// Single-quoted for the shell.
std::string ShellQuote(const std::string& s);
// True when `program` is found on PATH (or is an executable path).
bool HaveProgram(const std::string& program);
// True when /usr/bin/python3 can import PIL.
bool HavePil();
// Palm::PDB and Palm::Raw from libpalm-perl.
bool HavePalmPdb();
std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::string MakeTempDir(const std::string& name);
