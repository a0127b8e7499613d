// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A folder of output files (an export, an archive) built under a temporary name beside
// its target and renamed to the target only when every file in it is written: a failed
// or interrupted run leaves no half-filled folder under the chosen name. Standard C++
// only; nothing here shows anything.

#include <string>

namespace quillary {

class StagedFolder {
public:
    StagedFolder() = default;
    StagedFolder(const StagedFolder&) = delete;
    StagedFolder& operator=(const StagedFolder&) = delete;
    // Removes the temporary folder and everything in it unless Commit succeeded.
    ~StagedFolder();

    // Refuses a target that exists and is not an empty folder (its files are never mixed
    // with new ones or replaced); otherwise makes the folders above it and the temporary
    // folder. forWhat names the output in messages ("archive", "export").
    bool Begin(const std::string& target, const std::string& forWhat, std::string* error);
    // The folder to write into, valid after Begin.
    const std::string& Path() const { return m_temp; }
    const std::string& Target() const { return m_target; }
    // Flushes what was written and renames the folder to the target (which must still be
    // absent or an empty folder).
    bool Commit(std::string* error);
    // Drops the temporary folder now.
    void Discard();

private:
    std::string m_target;
    std::string m_temp;
    bool m_committed = false;
};

} // namespace quillary
