// SPDX-License-Identifier: GPL-3.0-or-later
#include "InsertFolder.h"

#include "ByteOrder.h"
#include "FileIO.h"
#include "PdbFormat.h"
#include "TextUtil.h"
#include "VersionStore.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace quillary {

std::string GetInsertFolder(const std::string& userFolder) {
    return AddBackslash(userFolder) + "QLInsertPDB";
}

namespace {

bool HasPdbExtension(const fs::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".pdb";
}

} // namespace

bool GetInsertDatabaseList(const std::string& folder, std::vector<InsertDatabaseInfo>& list,
                           std::string* error, std::vector<std::string>* unreadable) {
    list.clear();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        if (!MakeFolderPath(folder))
            return Fail(error, "Failed to create Insert database directory in user account");
        return true;
    }
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (HasPdbExtension(it->path()) && it->is_regular_file(ec))
            files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
        InsertDatabaseInfo info;
        info.path = f.string();
        std::string why;
        if (!ReadPdbHeaderInfo(info.path, info.name, info.type, info.recordCount, &why)) {
            if (unreadable)
                unreadable->push_back(why);
            continue;
        }
        if (info.type == "Inst" || info.type == "Ins2")
            list.push_back(std::move(info));
    }
    return true;
}

bool ReadPdbHeaderInfo(const std::string& path, std::string& name, std::string& type, int& count,
                       std::string* error) {
    name.clear();
    type.clear();
    count = 0;
    if (!FileExists(path))
        return Fail(error, "File : " + path + " not found.");
    std::ifstream in(path, std::ios::binary);
    uint8_t header[kPdbHeaderBytes];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return Fail(error, FileError(path, "the file is too short for a database header."));
    name = TrimAtNull(std::string_view(reinterpret_cast<const char*>(header), kPdbNameBytes));
    type.assign(reinterpret_cast<const char*>(header + pdb::kType), 4);
    count = ReadBE16(header + pdb::kRecordCount);
    return true;
}

bool RenamePalmDatabase(const std::string& path, const std::string& newName, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!FileExists(path))
        return Fail(error, "File : " + path + " not found.");
    if (!ReadWholeFile(path, bytes, error))
        return false;
    if (bytes.size() < kPdbHeaderBytes)
        return Fail(error, FileError(path, "the file is too short for a database header."));
    PutPaddedString(bytes.data(), newName, kPdbNameBytes);
    return ReplaceKeepingVersion(path, bytes, VersionPolicy{}, error);
}

bool MakeFolderPath(const std::string& path, std::string* error) {
    std::error_code ec;
    fs::create_directories(path, ec);
    if (fs::is_directory(path))
        return true;
    return Fail(error, path + ": the folder cannot be created (" + ec.message() + ").");
}

bool CopyPalmDatabaseFile(const std::string& from, const std::string& to, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(from, bytes, error))
        return false;
    return ReplaceKeepingVersion(to, bytes, VersionPolicy{}, error);
}

bool DeletePalmDatabaseFile(const std::string& path, std::string* error) {
    std::error_code ec;
    if (!FileExists(path))
        return Fail(error, "File : " + path + " not found.");
    if (!fs::remove(path, ec))
        return Fail(error, path + ": cannot be deleted (" + ec.message() + ").");
    return true;
}

} // namespace quillary
