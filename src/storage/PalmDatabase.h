// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileIO.h"
#include "ImportResult.h"
#include "PdbFormat.h"
#include "RecordList.h"
#include "StreamHash.h"
#include "TextUtil.h"
#include "VersionStore.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillary {

// What notes and insert databases share: the file name, the header, the records and the
// whole-file open and save around the byte-level reader and writer of the derived class
// (LoadDatabaseBytes, GetDatabaseBytes).
//
// Record indexes are 0-based; an index out of range is refused (false / nullptr / 0).
// Never shows anything: failures return false with a text naming the file in *error.
template <class Derived, class Item> class PalmDatabase {
public:
    using Progress = std::function<void(int)>; // 0..1000

    bool m_FileDirtyFlag = false;     // memory differs from the file
    std::string m_PalmFileName;       // database name (Windows-1252)
    bool m_ScreenDisplayFlag = false; // report progress while reading and writing
    // What SaveDatabase and ExportDatabase do with the file they replace: by default it is
    // kept as an earlier version, and a replace whose version cannot be kept is refused.
    VersionPolicy m_VersionPolicy;

    // Why the last save or export kept no earlier version of the file it replaced ("" when
    // it did, or had nothing to keep); set only when m_VersionPolicy replaces anyway.
    const std::string& VersionWarning() const { return m_versionWarning; }

    // Stores the path ("" stays ""); a bare file name is taken relative to the current
    // folder.
    void SetFileName(const std::string& name) {
        m_fileName = name.empty() ? std::string() : GetLongFileName(name);
    }
    std::string GetFileName() const { return TrimSpaces(m_fileName); }

    // Loads the file named by GetFileName(). On failure the object is left exactly as it
    // was; on success m_FileDirtyFlag is cleared. An earlier version still sharing the
    // file with it (its writer was killed before its rename) gets a copy of its own first.
    bool OpenDatabase(const Progress& progress = {}, std::string* error = nullptr) {
        const std::string path = GetFileName();
        if (!path.empty())
            VersionStore(path).UnshareVersions();
        std::shared_ptr<const FileBuffer> bytes;
        if (!ReadDatabaseFile(path, bytes, error))
            return false;
        if (!Self().LoadDatabaseBuffer(bytes, path, progress, error))
            return false;
        m_fileState = FileState{};
        if (bytes->hashed)
            m_fileState = {path,        true, uint64_t(bytes->size), bytes->modifiedNs,
                           bytes->hash, bytes->stamp};
        return true;
    }

    // The file as this object last read or wrote it: its path, size, modification time
    // (nanoseconds since the epoch) and content hash (VersionStore::Hash), known when the
    // open copied the file or the save wrote it. A watcher compares the file on disk with
    // this instead of reading it again.
    struct FileState {
        std::string path;
        bool known = false;
        uint64_t size = 0;
        int64_t modifiedNs = 0;
        uint64_t hash = 0;
        FileStamp stamp; // size, times and inode, as read or written
    };
    const FileState& LastFileState() const { return m_fileState; }

    // Loads a file image read by OpenDatabase. Databases whose records can refer to the
    // buffer instead of copying it provide their own.
    bool LoadDatabaseBuffer(const std::shared_ptr<const FileBuffer>& file,
                            const std::string& fileName, const Progress& progress = {},
                            std::string* error = nullptr) {
        return Self().LoadDatabaseBytes(file->data(), file->size, fileName, progress, error);
    }

    // Writes the whole database to GetFileName() through a temporary file that replaces
    // the old one only after a complete, flushed write, keeping the old one as an earlier
    // version (m_VersionPolicy). On failure the old file is intact and m_FileDirtyFlag
    // stays as it was; on success it is cleared.
    bool SaveDatabase(const Progress& progress = {}, std::string* error = nullptr) {
        const std::string path = GetFileName();
        if (path.empty())
            return Fail(error, "No database file name is set.");
        uint64_t hash = 0;
        if (!WriteImage(path, progress, error, &hash))
            return false;
        m_FileDirtyFlag = false;
        m_fileState = FileState{};
        FileStamp stamp;
        if (GetFileStamp(path, stamp))
            m_fileState = {path, true, stamp.size, stamp.modifiedNs, hash, stamp};
        return true;
    }

    // Writes a copy to another file (a file there is kept as a version like a save's);
    // file name and dirty flag stay as they are.
    bool ExportDatabase(const std::string& path, const Progress& progress = {},
                        std::string* error = nullptr) const {
        if (TrimSpaces(path).empty())
            return Fail(error, "No file name given for the export.");
        return WriteImage(GetLongFileName(path), progress, error);
    }

    // Size and hash (VersionStore::Hash) of the file image a save would write now, from
    // the records where they are: no image is built.
    void ImageSizeAndHash(uint64_t& size, uint64_t& hash) const {
        GatheredImage image;
        Self().GatherImage(image, {});
        // Nothing changed since the file was read: the image is that file's bytes, whose
        // hash was taken as they were read.
        if (ImageIsReadBuffer(image)) {
            size = m_readBuffer->size;
            hash = m_readBuffer->hash;
            return;
        }
        StreamHash h;
        size = 0;
        for (const ByteSpan& piece : image.pieces) {
            h.Update(piece.data, piece.size);
            size += piece.size;
        }
        hash = h.Final();
    }

    std::string GetType() const { return PdbFourCC(m_header, pdb::kType); }
    std::string GetCreator() const { return PdbFourCC(m_header, pdb::kCreator); }
    const PdbHeader& Header() const { return m_header; }

    int GetNumRecords() const { return m_items.Count(); }
    // Removes the record; sets m_FileDirtyFlag.
    bool DeleteRecord(int nIndex) {
        if (!m_items.Erase(nIndex))
            return false;
        m_FileDirtyFlag = true;
        return true;
    }
    // Removes every record; sets m_FileDirtyFlag when there were any.
    void DeleteAllRecords() {
        if (m_items.Count() > 0)
            m_FileDirtyFlag = true;
        m_items.Clear();
    }
    // The record itself (not a copy), or nullptr. Valid until that record is removed.
    Item* GetRecordObject(int itemNum) { return m_items.Get(itemNum); }
    const Item* GetRecordObject(int itemNum) const { return m_items.Get(itemNum); }
    // Replaces the record at itemNum.
    bool SetRecordObject(int itemNum, std::unique_ptr<Item> item) {
        return m_items.Set(itemNum, std::move(item));
    }
    bool SetRecordObject(int itemNum, const Item& item) {
        return SetRecordObject(itemNum, std::make_unique<Item>(item));
    }
    // Reorders all records: strList lists the old 0-based positions in their new order
    // ("2,0,1"). Refused (false, nothing changes) unless it names every position once.
    bool NewSortOrder(const std::string& strList) { return m_items.Reorder(strList); }
    // BytesSize of a record: its length + 8 for its record-list entry.
    int32_t GetItemSize(int itemNum) const {
        const Item* item = GetRecordObject(itemNum);
        return item ? item->BytesSize() : 0;
    }
    uint32_t GetUniqueID(int itemNum) const {
        const Item* item = GetRecordObject(itemNum);
        return item ? item->UniqueID : 0;
    }
    // 78 + all BytesSize.
    int64_t CalcDBSize() const {
        int64_t size = int64_t(kPdbHeaderBytes);
        for (const auto& item : m_items)
            size += item->BytesSize();
        return size;
    }

protected:
    // The file image in pieces for a gathered write: header, record list and whatever
    // else the database builds go into own; pieces list own's parts and the records' bytes
    // in file order. With recordPieces, pieces[1..] are the records one each and progress
    // follows their writing; otherwise it was reported while the image was built.
    struct GatheredImage {
        std::vector<uint8_t> own;
        std::vector<ByteSpan> pieces;
        bool recordPieces = false;
    };
    // For databases that build their whole image at once.
    void GatherImage(GatheredImage& image, const Progress& progress) const {
        image.own = Self().GetDatabaseBytes(progress);
        image.pieces.assign(1, ByteSpan{image.own.data(), image.own.size()});
        image.recordPieces = false;
    }

    // hash, when given, gets the hash of what was written.
    bool WriteImage(const std::string& path, const Progress& progress, std::string* error,
                    uint64_t* hash = nullptr) const {
        GatheredImage image;
        Self().GatherImage(image, progress);
        // Hashed piece by piece as they are written, not in a pass of its own first.
        StreamHash h;
        size_t hashed = 0;
        const bool report = image.recordPieces && m_ScreenDisplayFlag && progress;
        std::function<void(size_t, size_t)> written;
        if (hash || report)
            written = [&](size_t done, size_t total) {
                for (; hash && hashed < done; ++hashed)
                    h.Update(image.pieces[hashed].data, image.pieces[hashed].size);
                if (report && done > 1)
                    ReportProgress(progress, done - 1, total - 1);
            };
        // The file this database last read or wrote: kept as a version without reading it
        // again while it is still as it was then.
        VersionPolicy policy = m_VersionPolicy;
        if (m_fileState.known && m_fileState.path == path)
            policy.current = {true, m_fileState.stamp, m_fileState.hash};
        if (!ReplaceKeepingVersion(path, image.pieces, policy, error, &m_versionWarning, written))
            return false;
        if (hash) {
            for (; hashed < image.pieces.size(); ++hashed) // pieces the writer had no call for
                h.Update(image.pieces[hashed].data, image.pieces[hashed].size);
            *hash = h.Final();
        }
        return true;
    }

    void ReportProgress(const Progress& progress, size_t done, size_t total) const {
        if (m_ScreenDisplayFlag && progress && total > 0)
            progress(int(done * 1000 / total));
    }

    // Appends a copy of every record of another database through append(item, result),
    // which marks, counts and stores it; unique IDs become 0 as for records made on the PC.
    template <class AppendFn> ImportResult AppendRecordsOf(const Derived& other, AppendFn append) {
        ImportResult result;
        const int count = other.GetNumRecords(); // fixed first: other may be this database
        for (int i = 0; i < count; ++i) {
            auto item = std::make_unique<Item>(*other.GetRecordObject(i));
            item->UniqueID = 0;
            if (!append(std::move(item), result))
                return result;
        }
        result.completed = true;
        return result;
    }
    // The same for the database in a file; a file that cannot be read imports nothing.
    template <class AppendFn>
    ImportResult AppendRecordsOfFile(const std::string& otherPath, AppendFn append) {
        Derived other;
        other.SetFileName(otherPath);
        std::string why;
        if (!other.OpenDatabase({}, &why)) {
            ImportResult result;
            result.messages.push_back(why);
            return result;
        }
        return AppendRecordsOf(other, append);
    }

    // True when the pieces are, in order and without gaps, the whole hashed file buffer
    // the records were read from, and the header, record list and category table built
    // for a save are its first bytes: the image is then that file byte for byte. Costs a
    // comparison of the head and one pointer check per record.
    bool ImageIsReadBuffer(const GatheredImage& image) const {
        const FileBuffer* file = m_readBuffer.get();
        if (!file || !file->hashed || !image.recordPieces || image.pieces.empty())
            return false;
        const ByteSpan& head = image.pieces.front();
        if (head.size > file->size || std::memcmp(head.data, file->data(), head.size) != 0)
            return false;
        size_t at = head.size;
        for (size_t i = 1; i < image.pieces.size(); ++i) {
            const ByteSpan& piece = image.pieces[i];
            if (piece.size > file->size - at ||
                (piece.size > 0 && piece.data != file->data() + at))
                return false;
            at += piece.size;
        }
        return at == file->size;
    }

    std::string m_fileName;
    FileState m_fileState;
    // The file buffer the records were read from and may still refer to (databases whose
    // records copy their bytes leave it empty).
    std::shared_ptr<const FileBuffer> m_readBuffer;
    mutable std::string m_versionWarning;
    PdbHeader m_header{};
    RecordList<Item> m_items;

private:
    Derived& Self() { return static_cast<Derived&>(*this); }
    const Derived& Self() const { return static_cast<const Derived&>(*this); }
};

} // namespace quillary
