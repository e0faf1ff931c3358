#include "base/AtomicWrite.h"

#include <fstream>
#include <iterator>
#include <set>

#include <sys/stat.h>

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
