// SPDX-License-Identifier: GPL-3.0-or-later
// The report of what changed between two states of a notes database.

#include "storage/NoteChanges.h"
#include "storage/clsDatabase.h"

#include <gtest/gtest.h>

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
