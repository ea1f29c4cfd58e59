// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/paths.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using namespace trelvick::files;

namespace {

TEST(PathHelpers, WrongSideOfLastSeparator)
{
    struct
    {
        const char *path, *folder, *withSeparator, *cut, *openFolder, *name;
    } const cases[] = {
        {"/home/a/b.txt", "/home/a/", "/home/a/b.txt/", "/home/a", "/home/a", "b.txt"},
        {"/home/a/", "/home/a/", "/home/a/", "/home/a", "/home/a", ""},
        {"/b.txt", "/", "/b.txt/", "", "/", "b.txt"},
        {"/", "/", "/", "", "/", ""},
        {"b.txt", "", "b.txt/", "", ".", "b.txt"},
        {"", "", "/", "", ".", ""},
        {"a\\b", "", "a\\b/", "", ".", "a\\b"},
        {"/ά β/γ.txt", "/ά β/", "/ά β/γ.txt/", "/ά β", "/ά β", "γ.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetFolder(c.path), c.folder);
        EXPECT_EQ(AddSeparator(c.path), c.withSeparator);
        EXPECT_EQ(CutAtSeparator(c.path), c.cut);
        const SplitPath split = splitPath(c.path);
        EXPECT_EQ(split.folder, c.openFolder);
        EXPECT_EQ(split.name, c.name);
    }
}

} // namespace
