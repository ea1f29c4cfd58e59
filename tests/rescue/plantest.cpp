// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/plan.h"
#include "guess/guess.h"
#include "rescue/codepages.h"
#include "rescue/sources.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace trelvick;
using namespace Qt::StringLiterals;

namespace {

class Plan : public testing::Test, public testsupport::TempFolder
{
};

// Each NAME.out judged against the inputs and the other outputs as it lands, links followed: one that
// is an input (by name, or as another name of it), two that are one file, a FIFO, and repeats.
TEST_F(Plan, BatchConflictMissed)
{
    using enum rescue::Place::Refusal;
    for (const char* name : {"notes", "notes.out", ".a", "b", "c", "e", "f", "g", "h", "x", "free"})
        ASSERT_TRUE(write(QString::fromLatin1(name), "x"));
    ASSERT_EQ(::link(native(u".a"_s).constData(), native(u".a.out"_s).constData()), 0);
    ASSERT_EQ(::symlink("b", native(u"c.out"_s).constData()), 0);
    ASSERT_EQ(::symlink("f.out", native(u"e.out"_s).constData()), 0); // f.out exists
    ASSERT_TRUE(write(u"f.out"_s, "old"));
    ASSERT_EQ(::symlink("h.out", native(u"g.out"_s).constData()), 0); // h.out does not
    ASSERT_EQ(::mkfifo(native(u"x.out"_s).constData(), 0600), 0);
    ASSERT_EQ(::symlink("free", native(u"link to free"_s).constData()), 0);
    const QStringList names = {u"notes"_s, u"notes.out"_s, u".a"_s, u"b"_s,    u"c"_s,      u"e"_s,           u"f"_s,
                               u"g"_s,     u"h"_s,         u"x"_s,  u"free"_s, u"./free"_s, u"link to free"_s};
    rescue::Request request;
    request.delivery = rescue::Delivery::Batch;
    for (const QString& name : names)
        request.inputs.append({native(name), true});
    const rescue::Plan plan(request, rescue::walk(request), nullptr);
    const struct
    {
        rescue::Place::Refusal refusal;
        qsizetype other;
    } expected[] = {{OtherInput, 1},   {None, -1},        {OwnInput, 2},     {None, -1},        {OtherInput, 3},
                    {SharedOutput, 6}, {SharedOutput, 5}, {SharedOutput, 8}, {SharedOutput, 7}, {OutputNotRegular, -1},
                    {None, -1},        {None, -1},        {None, -1}};
    ASSERT_EQ(plan.size(), names.size());
    for (qsizetype i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(plan.place(i).refusal, expected[i].refusal) << names[i].toStdString();
        EXPECT_EQ(plan.place(i).refusedFor, expected[i].other) << names[i].toStdString();
    }
    EXPECT_EQ(plan.node(11).sameAs, 10);
    EXPECT_EQ(plan.node(12).sameAs, 10);
    EXPECT_TRUE(rescue::batchRefuses({native(u"c"_s), native(u"b"_s)}));
    EXPECT_FALSE(rescue::batchRefuses({native(u"free"_s), native(u"./free"_s)}));
}

} // namespace

namespace {

// A doubtful guess names what it weighed, even when no candidate comes near being sure.
TEST(Candidates, DoubtNamesNothing)
{
    for (const std::string_view text : {std::string_view("zz\xaa\n"), std::string_view("\xe1\xe2")}) {
        const guess::Guess guessed = guess::guessEncoding(text);
        EXPECT_FALSE(rescue::candidates(guessed).isEmpty()) << text;
    }
}

} // namespace
