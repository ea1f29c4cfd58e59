// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/options.h"

#include <getopt.h>
#include <span>

// trelvick-convert's options as data. getopt_long's table, the checks of which options go together,
// --help and the completion's words are all made from optionTable(); a new option is one more row.
namespace trelvick::cli {

// An option's value as the parser read it.
struct OptionValue
{
    QString text;
    bool given = false; // false only for an optional value left out (--backup)
    int number = 0;     // the index of a listed value, or the number of a range
};

struct OptionEntry
{
    enum class Arg // as getopt_long counts them
    {
        None = no_argument,
        Required = required_argument,
        Optional = optional_argument,
    };
    // --help's groups, in their order.
    enum class Group
    {
        Codepages,
        ManyFiles,
        Converters,
        Guessing,
        Common,
    };
    const char* name; // the long name, without "--"
    char letter = 0;  // the short one, if any
    Arg arg = Arg::None;
    // What the value may be: any text (null), one of a list ("keep|lf|crlf", letter case aside), or a
    // whole number of a range ("1..1024").
    const char* values = nullptr;
    bool once = false;     // at most once on a line
    bool fileName = false; // the value names a file: never empty
    // What the run does (-f, -c, --guess...): one such option a line.
    std::optional<Options::Mode> mode = std::nullopt;
    // The rules, as lists of options named as messages name them ("-c, -f"), in the order messages
    // give them; "-f auto" stands for -f with the value auto.
    const char* with = nullptr;    // goes with one of these only
    const char* notWith = nullptr; // cannot be used with any of these
    const char* needs = nullptr;   // needs one of these
    Group group = Group::Common;
    // In English, the catalogue's key (lang::tr translates it).
    const char* valueName = nullptr; // as --help shows the value ("NAME"); none: the values themselves ("tsv")
    const char* help = nullptr;
    void (*apply)(Options&, const OptionValue&) = nullptr;
};

// Every option, in the order --help lists them.
std::span<const OptionEntry> optionTable();

// How messages name an option: "-c", or "--config" for one without a short form.
QString optionName(const OptionEntry& entry);

// The --help text, made from the table.
QString helpText();

} // namespace trelvick::cli
