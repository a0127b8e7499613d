// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The user's folder of insert databases and the whole-file operations on them. Bitmap
// insert databases ("Ins2") are handled only through these: listed, renamed, copied and
// deleted as files. Nothing here shows anything; errors come back as text.

#include <cstdint>
#include <string>
#include <vector>

namespace quillary {

// userFolder + separator + "QLInsertPDB".
std::string GetInsertFolder(const std::string& userFolder);

struct InsertDatabaseInfo {
    std::string path;
    std::string name;  // database name (Windows-1252)
    std::string type;  // "Inst" (text) or "Ins2" (bitmap)
    int recordCount = 0;
};

// Every *.pdb file (any case) in folder whose type is Inst or Ins2, sorted by file name.
// A missing folder is created and gives an empty list; when it cannot be created the
// result is false and *error is "Failed to create Insert database directory in user
// account". Unreadable files are left out; with unreadable given, each one's error text
// (naming the file) is added to it, so a caller can say which files it could not look at.
bool GetInsertDatabaseList(const std::string& folder, std::vector<InsertDatabaseInfo>& list,
                           std::string* error = nullptr,
                           std::vector<std::string>* unreadable = nullptr);

// Name, 4-character type and record count from a database file's 78-byte header.
bool ReadPdbHeaderInfo(const std::string& path, std::string& name, std::string& type,
                       int& count, std::string* error = nullptr);

// Writes newName (cut to 31 characters, NUL, spaces) over the name field of an existing
// database file; the rest of the file stays byte for byte. Crash-safe like a save, and
// like a save it keeps the file as it was as an earlier version.
bool RenamePalmDatabase(const std::string& path, const std::string& newName,
                        std::string* error = nullptr);

// Makes every folder along path. True when it exists afterwards.
bool MakeFolderPath(const std::string& path, std::string* error = nullptr);

// Whole-file copy (crash-safe at the destination, a file there kept as an earlier
// version) and delete.
bool CopyPalmDatabaseFile(const std::string& from, const std::string& to,
                          std::string* error = nullptr);
bool DeletePalmDatabaseFile(const std::string& path, std::string* error = nullptr);

} // namespace quillary
