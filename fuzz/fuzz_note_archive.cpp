// SPDX-License-Identifier: GPL-3.0-or-later
// Note archives and their pictures. The input is up to three files of an archive, split
// at "QLFZ": database.json, one note's Markdown file, and the PNG it links to.
//
// The PNG decoder: a picture it decodes has the header's size, and writing it again reads
// back the same; anything it refuses says why; it never inflates more than the header's
// size needs (libFuzzer's memory limit catches one that does).
// The archive reader: either the archive is refused with problems and nothing built, or it
// builds a notes database that reads back with the number of notes it reported.

#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "core/NoteArchive.h"
#include "storage/ByteOrder.h"
#include "storage/PngCodec.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <QString>

#include <filesystem>
#include <string_view>

namespace {

void CheckPng(const uint8_t* data, size_t size) {
    clsBitmap picture;
    std::string why;
    switch (quillary::PngCodec::Decode(data, size, picture, &why)) {
    case quillary::PngCodec::Result::Decoded: {
        FUZZ_CHECK(uint32_t(picture.Width()) == quillary::ReadBE32(data + 16));
        FUZZ_CHECK(uint32_t(picture.Height()) == quillary::ReadBE32(data + 20));
        std::vector<uint8_t> again;
        FUZZ_CHECK(quillary::PngCodec::Encode(picture, again, &why));
        clsBitmap back;
        FUZZ_CHECK(quillary::PngCodec::Decode(again.data(), again.size(), back, &why) ==
                   quillary::PngCodec::Result::Decoded);
        FUZZ_CHECK(back == picture);
        break;
    }
    case quillary::PngCodec::Result::Refused:
        FUZZ_CHECK(!why.empty());
        break;
    case quillary::PngCodec::Result::OtherKind:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view parts[3];
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t end = i < 2 ? input.find("QLFZ", at) : std::string_view::npos;
        parts[i] = input.substr(at, end == std::string_view::npos ? input.size() - at : end - at);
        at = end == std::string_view::npos ? input.size() : end + 4;
    }
    CheckPng(reinterpret_cast<const uint8_t*>(parts[2].data()), parts[2].size());

    auto& scratch = quillary::fuzz::TheScratch();
    const std::filesystem::path dir = scratch.Path("archive");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    const char* names[3] = {"archive/database.json", "archive/0001 Note.md", "archive/0001.png"};
    for (int i = 0; i < 3; ++i)
        if (i == 0 || !parts[i].empty())
            scratch.Write(names[i], reinterpret_cast<const uint8_t*>(parts[i].data()),
                          parts[i].size());

    std::vector<uint8_t> image = {42};
    quillary::NoteArchive::ReadReport report;
    const bool ok =
        quillary::NoteArchive::Read(QString::fromStdString(dir.string()), image, report);
    if (!ok) {
        FUZZ_CHECK(!report.problems.isEmpty());
        FUZZ_CHECK(image == std::vector<uint8_t>{42});
        return 0;
    }
    FUZZ_CHECK(report.problems.isEmpty());
    clsDatabase db;
    std::string error;
    FUZZ_CHECK(db.LoadDatabaseBytes(image.data(), image.size(), "built.pdb", {}, &error));
    FUZZ_CHECK(db.GetNumRecords() == report.notes);
    return 0;
}
