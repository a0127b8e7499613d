// SPDX-License-Identifier: GPL-3.0-or-later
// The report of what changed between two states of a notes database.

#include "storage/FileIO.h"
#include "storage/NoteChanges.h"
#include "storage/clsDatabase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using quillary::CompareNotes;
using quillary::NoteChange;
using Kind = quillary::NoteChange::Kind;

namespace {

struct Note {
    std::string text;
    uint32_t id = 0;
};

void Fill(clsDatabase& db, const std::vector<Note>& notes) {
    db.AddNewDatabase();
    for (size_t i = 0; i < notes.size(); ++i) {
        db.AddNewRecord(int(i));
        db.GetRecordObject(int(i))->SetText(notes[i].text);
        db.GetRecordObject(int(i))->UniqueID = notes[i].id;
    }
}

std::string Describe(const quillary::NoteChangeReport& report) {
    std::string out;
    for (const NoteChange& c : report.changes) {
        const char* kind = c.kind == Kind::Added     ? "+"
                           : c.kind == Kind::Changed ? "~"
                           : c.kind == Kind::Removed ? "-"
                                                     : ">";
        out += std::string(kind) + c.firstLine + " ";
    }
    return out;
}

struct Case {
    const char* name;
    std::vector<Note> before;
    std::vector<Note> after;
    std::string expected;
    int added, changed, removed, moved;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class NoteChangesTest : public ::testing::TestWithParam<Case> {};

TEST_P(NoteChangesTest, Reports) {
    const Case& c = GetParam();
    clsDatabase before, after;
    Fill(before, c.before);
    Fill(after, c.after);
    const auto report = CompareNotes(before, after);
    EXPECT_EQ(Describe(report), c.expected);
    EXPECT_EQ(report.added, c.added);
    EXPECT_EQ(report.changed, c.changed);
    EXPECT_EQ(report.removed, c.removed);
    EXPECT_EQ(report.moved, c.moved);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NoteChangesTest,
    ::testing::Values(
        Case{"Nothing", {{"a", 1}, {"b", 2}}, {{"a", 1}, {"b", 2}}, "", 0, 0, 0, 0},
        // IDs: an edit on the handheld, a note made there, one deleted there.
        Case{"ById",
             {{"a", 1}, {"b", 2}, {"c", 3}},
             {{"a", 1}, {"b edited\nmore", 2}, {"d", 4}},
             "~b edited +d -c ",
             1,
             1,
             1,
             0},
        // The same text under another ID is another note.
        Case{"SameTextNewId", {{"a", 1}}, {{"a", 9}}, "+a -a ", 1, 0, 1, 0},
        // A note made on the PC gets its ID at the HotSync: unchanged.
        Case{"PcNoteGetsId", {{"a", 1}, {"new", 0}}, {{"a", 1}, {"new", 7}}, "", 0, 0, 0, 0},
        // Without IDs: by content, then by position.
        Case{"NoIdsByContentThenPosition",
             {{"a"}, {"b"}, {"c"}},
             {{"a"}, {"b changed"}, {"c"}, {"d"}},
             "~b changed +d ",
             1,
             1,
             0,
             0},
        Case{"NoIdsRemoved", {{"a"}, {"b"}, {"c"}}, {{"a"}, {"c"}}, "-b ", 0, 0, 1, 0},
        // Reordered: only the note that moved is reported, not every one it passed.
        Case{"Reordered",
             {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}},
             {{"d", 4}, {"a", 1}, {"b", 2}, {"c", 3}},
             ">d ",
             0,
             0,
             0,
             1},
        Case{"ReorderedNoIds", {{"a"}, {"b"}, {"c"}}, {{"c"}, {"a"}, {"b"}}, ">c ", 0, 0, 0, 1},
        // A moved note that also changed counts as changed.
        Case{"MovedAndChanged",
             {{"a", 1}, {"b", 2}, {"c", 3}},
             {{"c!", 3}, {"a", 1}, {"b", 2}},
             "~c! ",
             0,
             1,
             0,
             0},
        Case{"AllNew", {}, {{"x", 5}, {"y", 6}}, "+x +y ", 2, 0, 0, 0},
        Case{"AllGone", {{"x", 5}}, {}, "-x ", 0, 0, 1, 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(NoteChanges, DirtyFlagAloneIsNoChangeButCategoryIs) {
    clsDatabase before, after;
    Fill(before, {{"a", 1}, {"b", 2}});
    Fill(after, {{"a", 1}, {"b", 2}});
    before.GetRecordObject(0)->SetDirtyFlag(true);
    after.SetCategoryIndex(1, 2);
    const auto report = CompareNotes(before, after);
    ASSERT_EQ(report.changes.size(), 1u);
    EXPECT_EQ(report.changes[0].newIndex, 1);
    EXPECT_EQ(report.changes[0].kind, Kind::Changed);
}

TEST(NoteChanges, FirstLineIsShort) {
    clsDatabase before, after;
    Fill(before, {});
    Fill(after, {{std::string(100, 'x') + "\nsecond", 1}});
    const auto report = CompareNotes(before, after);
    ASSERT_EQ(report.changes.size(), 1u);
    EXPECT_EQ(report.changes[0].firstLine, std::string(60, 'x'));
}

} // namespace

// Comparing reads the records where they are: notes still sharing the file they were read
// from keep sharing it (a reread would otherwise hold every note twice), on both sides and
// in the snapshot a reread compares with.
TEST(NoteChanges, ComparingCopiesNoRecords) {
    const auto bufferOf = [](const clsDatabase& db) {
        const std::vector<uint8_t> bytes = db.GetDatabaseBytes();
        auto buffer = std::make_shared<quillary::FileBuffer>();
        EXPECT_TRUE(buffer->Allocate(bytes.size()));
        std::memcpy(buffer->writable(), bytes.data(), bytes.size());
        return std::shared_ptr<const quillary::FileBuffer>(std::move(buffer));
    };
    const auto inside = [](const clsDatabase& db, const quillary::FileBuffer& file) {
        int n = 0;
        for (int i = 0; i < db.GetNumRecords(); ++i) {
            const uint8_t* p = db.GetRecordObject(i)->RecordData();
            n += p >= file.data() && p < file.data() + file.size;
        }
        return n;
    };
    clsDatabase source;
    Fill(source, {{"one"}, {"two"}, {"three"}, {"four", 7}});
    const auto oldFile = bufferOf(source);
    source.GetRecordObject(1)->SetText("two, changed");
    const auto newFile = bufferOf(source);

    clsDatabase shown, reread;
    ASSERT_TRUE(shown.LoadDatabaseBuffer(oldFile, "old.pdb"));
    ASSERT_TRUE(reread.LoadDatabaseBuffer(newFile, "new.pdb"));
    const auto before = shown.Snapshot();
    ASSERT_EQ(inside(*before, *oldFile), 4);
    const auto report = CompareNotes(*before, reread);
    EXPECT_EQ(Describe(report), "~two, changed ");
    EXPECT_EQ(inside(*before, *oldFile), 4);
    EXPECT_EQ(inside(reread, *newFile), 4);
    EXPECT_EQ(inside(shown, *oldFile), 4);
}
