#include "profile/profile_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/allocation_failure.h"
#include "common/temporary_directory.h"

namespace quillon::profile {
namespace {

struct Entry {
    std::string section, key, value;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    return out << "[" << entry.section << "] <" << entry.key << "> = <" << entry.value << ">";
}

// The list in file order, checking the back links on the way.
std::vector<Entry> ListedEntries() {
    std::vector<Entry> entries;
    const ProfileEntry* previous = nullptr;
    for (const ProfileEntry* entry = ProfileFirstEntry(); entry != nullptr; entry = entry->next) {
        EXPECT_EQ(entry->previous, previous);
        EXPECT_EQ(entry->valueLength, std::string(entry->value).size());
        entries.push_back({entry->section, entry->key, entry->value});
        previous = entry;
    }
    return entries;
}

// The load's status as its number: the tens digit names the kind of line, the unit digit the
// fault.
std::int32_t LoadPath(const char* path) {
    return static_cast<std::int32_t>(ProfileLoad(path));
}

class ProfileParser : public ::testing::Test {
  protected:
    void TearDown() override { ProfileFree(); }
    std::int32_t Load(const std::string& content) {
        return LoadPath(directory_.Write("profile.ini", content).c_str());
    }
    test::TemporaryDirectory directory_;
};

const std::string k97(97, 'a');

TEST_F(ProfileParser, StatusTable) {
    struct Case {
        const char* what;
        std::string content;
        std::int32_t status;
        std::vector<Entry> entries;  // the list afterwards
    } const kCases[] = {
        {"section only", "[Only]\n", 0, {}},
        {"empty file", "", 0, {}},
        {"spaces around =", "[S]\nkey = value\n", 0, {{"S", "key ", " value"}}},
        {"leading spaces are part of the key", "[S]\n  k=v\n", 0, {{"S", "  k", "v"}}},
        {"value may hold =", "[S]\nk=a=b=\n", 0, {{"S", "k", "a=b="}}},
        {"text after ] ignored", "[Name] tail]x\nk=v\n", 0, {{"Name", "k", "v"}}},
        {"empty section name", "[]\nk=v\n", 0, {{"", "k", "v"}}},
        {"no final line end", "[S]\nk=v", 0, {{"S", "k", "v"}}},
        {"control characters stripped, spaces kept", "[S]\nk=v \t\r\x01\n", 0, {{"S", "k", "v "}}},
        {"high bytes are not control characters",
         "[S]\nk=v\xE9\xFF\n",
         0,
         {{"S", "k", "v\xE9\xFF"}}},
        {"a lone CR inside a line is data", "[S]\nk=a\rb\n", 0, {{"S", "k", "a\rb"}}},
        {"multi-line value",
         "[S]\n&k=AB\n_=CD\n_ignored text=EF\n\nx=1\n",
         0,
         {{"S", "k", "ABCDEF"}, {"S", "x", "1"}}},
        {"continuation ends at another & line",
         "[S]\n&a=1\n&b=2\n_=3\n",
         0,
         {{"S", "a", "1"}, {"S", "b", "23"}}},
        {"continuation after empty line ignored, = or not",
         "[S]\n&k=AB\n\n_no equals\n_=CD\n",
         0,
         {{"S", "k", "AB"}}},
        {"continuation after entry ignored",
         "[S]\n&k=AB\nx=1\n_=CD\n",
         0,
         {{"S", "k", "AB"}, {"S", "x", "1"}}},
        {"continuation after section header ignored",
         "[S]\n&k=AB\n[T]\n_=CD\n",
         0,
         {{"S", "k", "AB"}}},
        {"continuation before any section ignored", "_=CD\n_x\n[S]\n", 0, {}},
        {"section repeated",
         "[S]\na=1\n[T]\nb=2\n[S]\nc=3\n",
         0,
         {{"S", "a", "1"}, {"T", "b", "2"}, {"S", "c", "3"}}},
        {"same key in two sections", "[S]\nk=1\n[T]\nk=2\n", 0, {{"S", "k", "1"}, {"T", "k", "2"}}},
        {"names are case-sensitive", "[S]\nk=1\nK=2\n", 0, {{"S", "k", "1"}, {"S", "K", "2"}}},

        {"header without ]", "[S]\nk=v\n[Broken\nx=1\n", 11, {{"S", "k", "v"}}},
        {"& duplicate", "[S]\n&k=1\n&k=2\n", 21, {{"S", "k", "1"}}},
        {"& duplicates an entry line", "[S]\nk=1\n&k=2\n", 21, {{"S", "k", "1"}}},
        {"& empty key", "[S]\n&=v\n", 22, {}},
        {"& empty first part", "[S]\n&k=\n", 22, {}},
        {"& without =", "[S]\n&k\n", 23, {}},
        {"& before any section", "&k=v\n", 24, {}},
        {"continuation without =", "[S]\n&k=AB\n_CD\n", 33, {{"S", "k", "AB"}}},
        {"continuation with empty part", "[S]\n&k=AB\n_x=\n", 32, {{"S", "k", "AB"}}},
        {"entry duplicate", "[S]\nk=1\nk=2\n", 41, {{"S", "k", "1"}}},
        {"entry duplicate in a separate block",
         "[S]\nk=1\n[T]\nb=2\n[S]\nk=3\n",
         41,
         {{"S", "k", "1"}, {"T", "b", "2"}}},
        {"entry duplicates an & entry", "[S]\n&k=1\nk=2\n", 41, {{"S", "k", "1"}}},
        {"entry with empty key", "[S]\n=v\n", 42, {}},
        {"entry with empty value", "[S]\nk=\n", 42, {}},
        {"; line without = in a section", "[S]\n; comment\n", 43, {}},
        {"; line without = before any section", "; comment\n", 44, {}},
        {"entry before any section", "k=v\n[S]\n", 44, {}},
        {"a ; line with = is an entry", "[S]\n;k=v\n", 0, {{"S", ";k", "v"}}},

        // A read holds at most 99 bytes: the rest of a longer line is a line of its own.
        {"120-character line",
         "[S]\nk=" + k97 + "x=" + std::string(19, 'b') + "\n",
         0,
         {{"S", "k", k97}, {"S", "x", std::string(19, 'b')}}},
        {"split line whose rest has no =", "[S]\nk=" + k97 + "rest\n", 43, {{"S", "k", k97}}},
        {"99 characters: the line end alone is an empty line",
         "[S]\n&k=" + std::string(96, 'c') + "\n_=more\n",
         0,
         {{"S", "k", std::string(96, 'c')}}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Load(c.content), c.status);
        EXPECT_EQ(ListedEntries(), c.entries);
        ProfileFree();
    }
}

// CR LF is one line end that does not count against the 99 bytes of a read: a profile written
// with CR LF and 98-character lines reads exactly like the same profile with LF.
TEST_F(ProfileParser, CrLfLinesOf98CharactersReadLikeLfLines) {
    const std::string first(95, 'A'), second(96, 'B'), third(96, 'C');
    const std::vector<std::string> lines = {
        "[Digital Signature]",
        "&Certificate=" + std::string(85, 'A'),
        "_=" + second,
        "_=" + third,
        "",
        "plain=" + std::string(92, 'p'),
    };
    for (const auto& line : lines) ASSERT_LE(line.size(), 98u);
    const std::vector<Entry> expected = {
        {"Digital Signature", "Certificate", std::string(85, 'A') + second + third},
        {"Digital Signature", "plain", std::string(92, 'p')}};
    for (const char* end : {"\n", "\r\n"}) {
        SCOPED_TRACE(end[0] == '\r' ? "CR LF" : "LF");
        std::string content;
        for (const auto& line : lines) content += line + end;
        EXPECT_EQ(Load(content), 0);
        EXPECT_EQ(ListedEntries(), expected);
        ProfileFree();
    }
    // Past 98 characters the line splits in both spellings alike.
    for (const char* end : {"\n", "\r\n"}) {
        EXPECT_EQ(Load("[S]\nk=" + k97 + "z=y" + end), 0);
        EXPECT_EQ(ListedEntries(), (std::vector<Entry>{{"S", "k", k97}, {"S", "z", "y"}}));
        ProfileFree();
    }
}

TEST_F(ProfileParser, MissingFileAddsNothing) {
    EXPECT_EQ(LoadPath(directory_.PathOf("absent.ini").c_str()), 1);
    EXPECT_EQ(ProfileFirstEntry(), nullptr);
    EXPECT_EQ(LoadPath(nullptr), 1);
}

TEST_F(ProfileParser, LoadAppendsSoASecondLoadOfTheSameFileFails) {
    const std::string path = directory_.Write("a.ini", "[S]\nk=v\n");
    EXPECT_EQ(LoadPath(path.c_str()), 0);
    EXPECT_EQ(LoadPath(path.c_str()), 41);
    ProfileFree();
    EXPECT_EQ(ProfileFirstEntry(), nullptr);
    EXPECT_EQ(LoadPath(path.c_str()), 0);
}

TEST_F(ProfileParser, LookupAddAndAppend) {
    EXPECT_EQ(ProfileLookup("S", "k"), nullptr);
    EXPECT_EQ(ProfileAppendValue("S", "k", "x"), 0) << "no such entry";
    EXPECT_EQ(ProfileAddEntry("S", "k", "v"), 1);
    EXPECT_EQ(ProfileAddEntry("S", "k", "other"), 0);
    EXPECT_EQ(ProfileAddEntry("S", "k2", "w"), 1);
    std::string expected = "v";
    for (int i = 0; i < 200; ++i) {
        const std::string piece(static_cast<std::size_t>(i % 7 + 1),
                                static_cast<char>('a' + i % 26));
        ASSERT_EQ(ProfileAppendValue("S", "k", piece.c_str()), 1);
        expected += piece;
    }
    const ProfileEntry* entry = ProfileLookup("S", "k");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->value, expected);
    EXPECT_EQ(ProfileLookup("S", "k2")->value, std::string("w"));
    EXPECT_EQ(ProfileLookup("s", "k"), nullptr);
}

// A profile long enough to be looked up through the index: the same rules, at every size the
// index passes through.
std::string LongProfile(int entries) {
    std::string content;
    for (int i = 0; i < entries; ++i) {
        if (i % 50 == 0) content += "[S" + std::to_string(i / 50 % 3) + "]\n";
        content += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    }
    return content;
}

TEST_F(ProfileParser, RulesHoldInLongProfiles) {
    const int kEntries = 3000;
    const std::string content = LongProfile(kEntries);
    struct Case {
        const char* what;
        std::string content;
        std::int32_t status;
        std::size_t entries;
    } const kCases[] = {
        {"all entries", content, 0, kEntries},
        {"a repeated section's key again at the end", content + "[S0]\nk0=again\n", 41, kEntries},
        {"the same key in another section", content + "[S1]\nk0=other\n", 0, kEntries + 1},
        {"an & line repeating a key", content + "[S2]\n&k2999=x\n", 21, kEntries},
        {"a continuation after many entries",
         content + "[S0]\n&long=A\n_=B\n[S1]\nx=1\n[S0]\n_=ignored\n", 0, kEntries + 2},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Load(c.content), c.status);
        EXPECT_EQ(ListedEntries().size(), c.entries);
        // Entry i went to section S(i / 50 % 3).
        for (int i = 0; i < kEntries; i += 7) {
            const std::string section = "S" + std::to_string(i / 50 % 3);
            const ProfileEntry* entry =
                ProfileLookup(section.c_str(), ("k" + std::to_string(i)).c_str());
            ASSERT_NE(entry, nullptr) << i;
            EXPECT_EQ(std::string(entry->value), std::to_string(i));
        }
        EXPECT_EQ(ProfileLookup("S1", "k0") != nullptr, c.entries == kEntries + 1);
        ProfileFree();
    }
    EXPECT_EQ(Load(content + "[S0]\n&long=A\n_=B\n"), 0);
    EXPECT_STREQ(ProfileLookup("S0", "long")->value, "AB");
    EXPECT_EQ(ProfileAppendValue("S0", "long", "C"), 1);
    EXPECT_STREQ(ProfileLookup("S0", "long")->value, "ABC");
    EXPECT_EQ(ProfileAddEntry("S2", "k149", "dup"), 0);
    EXPECT_EQ(ProfileAddEntry("S2", "new", "v"), 1);
    EXPECT_EQ(ProfileLookup("S2", "new")->previous, ProfileLookup("S0", "long"));
}

// Out of memory for the index changes no result: the load either ends with the failing line's
// code, or completes with every entry found.
TEST_F(ProfileParser, OutOfMemoryForTheIndexChangesNothing) {
    const int kEntries = 150;
    const std::string path = directory_.Write("long.ini", LongProfile(kEntries));
    int completed = 0;
    test::ForEachAllocationFailure([&](int failing) {
        SCOPED_TRACE(failing);
        const std::int32_t status = LoadPath(path.c_str());
        support::FailNthAllocation(0);
        const auto entries = ListedEntries();
        if (status == 0) {
            ++completed;
            EXPECT_EQ(entries.size(), static_cast<std::size_t>(kEntries));
            for (int i = 0; i < kEntries; ++i) {
                const std::string section = "S" + std::to_string(i / 50 % 3);
                EXPECT_NE(ProfileLookup(section.c_str(), ("k" + std::to_string(i)).c_str()),
                          nullptr)
                    << i;
            }
        } else {
            EXPECT_TRUE(status == 11 || status == 41) << status;
            EXPECT_LT(entries.size(), static_cast<std::size_t>(kEntries));
        }
        ProfileFree();
    });
    // The index's own allocations (its first buckets and each growth) failed harmlessly.
    EXPECT_GE(completed, 3);
}

// Running out of memory while a line's texts are copied ends the load with that line's code
// and never leaves a half-copied entry behind.
TEST_F(ProfileParser, OutOfMemoryEndsTheLoadWithTheLinesCode) {
    const std::string path = directory_.Write("p.ini", "[S]\n&k=AB\n_=CD\ne=1\n");
    // Allocations in order: section copy; multi-line key copy, entry, its three texts; the
    // grown value; the entry of "e" and its three texts.
    const std::int32_t kCodeOfAllocation[] = {11, 21, 21, 21, 21, 21, 31, 41, 41, 41, 41};
    const std::vector<Entry> complete = {{"S", "k", "ABCD"}, {"S", "e", "1"}};
    const int made = test::ForEachAllocationFailure([&](int failing) {
        SCOPED_TRACE(failing);
        const std::int32_t status = LoadPath(path.c_str());
        support::FailNthAllocation(0);
        if (failing <= static_cast<int>(std::size(kCodeOfAllocation))) {
            EXPECT_EQ(status, kCodeOfAllocation[failing - 1]);
        }
        // Whatever was stored is complete: full names, and a value that lacks only the parts
        // that were never appended.
        const auto entries = ListedEntries();
        ASSERT_LE(entries.size(), complete.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].section, complete[i].section);
            EXPECT_EQ(entries[i].key, complete[i].key);
            EXPECT_EQ(complete[i].value.rfind(entries[i].value, 0), 0u) << entries[i];
        }
        if (status == 31) {
            EXPECT_EQ(entries.at(0).value, "AB");
        }
        ProfileFree();
    });
    EXPECT_EQ(made, static_cast<int>(std::size(kCodeOfAllocation)));
    EXPECT_EQ(Load("[S]\n&k=AB\n_=CD\ne=1\n"), 0);
    EXPECT_EQ(ListedEntries(), complete);
}

}  // namespace
}  // namespace quillon::profile
