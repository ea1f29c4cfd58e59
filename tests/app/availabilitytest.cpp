// SPDX-License-Identifier: GPL-3.0-or-later
// Which commands the window offers in each state it can be in, from its design to a running conversion.
#include "app/availability.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace trelvick::app {
namespace {

using C = Command;

struct Case
{
    const char* name;
    std::function<void(WindowState&)> setUp; // from a started window with nothing chosen
    std::vector<Command> available;
    bool converterChoice = true;
};
using testsupport::PrintTo;

const std::vector<Command> kAlways{C::InputDefine, C::OutputDefine, C::Exit, C::Greek, C::English, C::Info};

std::vector<Command> always(std::vector<Command> more)
{
    more.insert(more.end(), kAlways.begin(), kAlways.end());
    return more;
}

void chooseBoth(WindowState& state)
{
    state.InputFileDefined = state.OutputFileDefined = true;
    state.QuickViewAvailable = state.EditorAvailable = true;
}

const Case kCases[] = {
    {"BeforeStartUpTheOutputCannotBeSelected",
     [](WindowState& s) { s.started = false; },
     {C::InputDefine, C::Exit, C::Greek, C::English, C::Info}},
    {"NothingChosenOffersNoFileCommand", [](WindowState&) {}, kAlways},
    {"InputWithoutProgramsOffersRenameAndDeleteOnly", [](WindowState& s) { s.InputFileDefined = true; },
     always({C::InputRename, C::InputDelete})},
    {"ProgramsWithoutAFileOfferNothing", [](WindowState& s) { s.QuickViewAvailable = s.EditorAvailable = true; },
     kAlways},
    {"InputWithBothProgramsOffersViewAndEdit",
     [](WindowState& s) { s.InputFileDefined = s.QuickViewAvailable = s.EditorAvailable = true; },
     always({C::InputView, C::InputEdit, C::InputRename, C::InputDelete})},
    {"OutputWithAViewerOnlyOffersNoEdit", [](WindowState& s) { s.OutputFileDefined = s.QuickViewAvailable = true; },
     always({C::OutputView, C::OutputRename, C::OutputDelete})},
    {"OutputAloneCannotConvert", [](WindowState& s) { s.OutputFileDefined = true; },
     always({C::OutputRename, C::OutputDelete})},
    {"BothFilesChosenOfferEverything", chooseBoth,
     always({C::InputView, C::InputEdit, C::InputRename, C::InputDelete, C::OutputView, C::OutputEdit, C::OutputRename,
             C::OutputDelete, C::Convert})},
    {"BatchListedConvertsWithNothingChosen",
     [](WindowState& s) {
         s.ListOfFilenames = {u"/a"_qs, u"/b"_qs};
     },
     always({C::Convert})},
    {"RunningConversionOffersNothingNotEvenTheConverter",
     [](WindowState& s) {
         chooseBoth(s);
         s.ConversionRunning = true;
     },
     {},
     false},
    {"EndedProgramRunsNothing",
     [](WindowState& s) {
         chooseBoth(s);
         s.ended = true;
     },
     {},
     false},
};

class AvailabilityTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(AvailabilityTest, OffersExactlyTheCommandsTheStateAllows)
{
    WindowState state;
    state.started = true;
    GetParam().setUp(state);
    const Availability result = availability(state);
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        const auto& expected = GetParam().available;
        const bool offered = std::find(expected.begin(), expected.end(), Command(i)) != expected.end();
        EXPECT_EQ(result.commands[i], offered) << "command " << i;
    }
    EXPECT_EQ(result.converterChoice, GetParam().converterChoice);
}

INSTANTIATE_TEST_SUITE_P(States, AvailabilityTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace trelvick::app
