#include "base/AtomicWrite.h"

#include <fstream>
#include <iterator>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace tarifon;
namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<unreadable>";
}

std::set<std::string> entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// Root may write anything: a test run as root (as CI does) acts as nobody meanwhile.
struct OrdinaryUser {
    const bool root = ::geteuid() == 0;
    OrdinaryUser() { EXPECT_TRUE(!root || (::setegid(65534) == 0 && ::seteuid(65534) == 0)); }
    ~OrdinaryUser() { EXPECT_TRUE(!root || (::seteuid(0) == 0 && ::setegid(0) == 0)); }
};

}  // namespace

TEST(AtomicWrite, ReplacesContentKeepsModeAndLeavesNoTemporaryFile) {
    TempDir dir;
    const fs::path path = dir.path() / "a.txt";

    ASSERT_TRUE(writeFileAtomically(path, "first"));
    EXPECT_EQ(contents(path), "first");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_TRUE(writeFileAtomically(path, "second, longer"));
    EXPECT_EQ(contents(path), "second, longer");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(entries(dir.path()), std::set<std::string>{"a.txt"});
}

TEST(AtomicWrite, WritesThroughASymbolicLink) {
    TempDir dir;
    const fs::path target = dir.path() / "real.ini";
    const fs::path link = dir.path() / "link.ini";
    ASSERT_TRUE(writeFileAtomically(target, "old"));
    fs::create_symlink(target, link);

    ASSERT_TRUE(writeFileAtomically(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(target), "new");
}

TEST(AtomicWrite, FailsCleanlyWhereItCannotWrite) {
    TempDir dir;
    const auto missing = writeFileAtomically(dir.path() / "missing" / "a.txt", "x");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("No such file or directory"), std::string::npos)
        << missing.error();

    // A folder in the file's place is neither replaced nor littered.
    const fs::path folder = dir.path() / "sub";
    fs::create_directory(folder);
    EXPECT_FALSE(writeFileAtomically(folder, "x"));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(entries(dir.path()), std::set<std::string>{"sub"});
}

// The rename would replace a file that a plain write may not change.
TEST(AtomicWrite, RefusesATargetThatCannotBeWrittenAndKeepsIt) {
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    fs::create_directory(dir.path() / "closed");
    const struct {
        const char* name;
        fs::perms file, folder;
        const char* refused;  // the error up to the file or folder it names; null: written
    } cases[] = {
        {"a.txt", fs::perms{0444}, fs::perms::all, "cannot write "},
        {"closed/b.txt", fs::perms::all, fs::perms{0555}, "cannot create a temporary file in "},
        {"c.txt", fs::perms::all, fs::perms::all, nullptr},
    };
    for (const auto& c : cases) {
        const fs::path path = dir.path() / c.name;
        ASSERT_TRUE(writeFileAtomically(path, "old"));
        fs::permissions(path, c.file);
        fs::permissions(path.parent_path(), c.folder);
        const Result<void> written = [&] {
            OrdinaryUser user;
            return writeFileAtomically(path, "new");
        }();
        const fs::path named = c.folder == fs::perms::all ? path : path.parent_path();
        const std::string error =
            c.refused ? c.refused + named.string() + ": Permission denied" : "";
        EXPECT_EQ(written ? std::string() : written.error(), error) << c.name;
        EXPECT_EQ(contents(path), error.empty() ? "new" : "old") << c.name;
        fs::permissions(path.parent_path(), fs::perms::all);
    }
}
