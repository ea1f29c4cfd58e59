// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "convert/engine.h"
#include "guess/guess.h"
#include "rescue/node.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

// What became of each entry of a job: the events the faces turn into reports, messages and tables.
namespace trelvick::rescue {

// What happened to a file: the report's fourth field, the same in every language.
enum class Action
{
    Converted,
    Copied,    // not text, or a text that cannot be converted here: the output tree gets it as it is
    Unchanged, // already in the target codepage
    Skipped,
    Failed,
};

// Why, as data: each face words it (the report in fixed English, messages in the user's language).
struct Reason
{
    enum class Code
    {
        None,
        NotText,               // not text in a known codepage
        SymbolicLink,          // never followed
        SpecialFile,           // a device, FIFO or socket: never opened
        SameFileAs,            // name: the first name of the same file, which alone is converted
        IsBackup,              // a backup an earlier run made: converting it would undo what it keeps
        InDoubt,               // detail: the candidates, "CP737 60%, CP869 40%"
        NoConversion,          // detail: the codepage; error: why iconv cannot convert from it
        WouldLose,             // number: the characters that would be lost or replaced
        WouldOverwrite,        // name: the input whose result lands on the same output first
        NameTaken,             // name: the new name, which another file has
        NameInDoubt,           // detail: the candidates for the name's codepage
        NameInvalid,           // the name read in its codepage is no name a file can have
        NameTooLong,           // name: the new name, longer than a name may be
        Failure,               // error, its side naming the file at fault; name: the path, when not the file
        BackupFailed,          // name: the backup; error
        RenameFailed,          // name: the new name; error
        OtherNamesKeepOldText, // number: the names outside the job (hard links) that keep the old text
        OutputIsInput,         // name: the output, which is one of the inputs (the file itself)
        OutputIsAnotherInput,  // name: the output, which would replace another input
        SharedOutput,          // name: the output; other: the input whose output it is too
        UserSkipped,           // the user chose to leave it
        DoubleEncoded,         // detail: the codepage UTF-8 once went through (a note: it is left so)
        MojibakeRepaired,      // detail: the codepage UTF-8 once went through, now undone
    };
    Code code = Code::None;
    QByteArray name;
    std::int64_t number = 0;
    QString detail;
    base::Error error;
    QByteArray other = {};
};

struct Result
{
    Action action = Action::Skipped;
    QString from; // the codepage read, as iconv names it
    QString to;
    convert::Counts counts;
    QByteArray newName; // the name it was given (names converted)
    QString language;   // the language its text reads as, where the guess names one
    QByteArray backup;  // the name its original keeps beside it (in place, with backups)
    QByteArray sha256;  // of the contents written, in hex (in place, with backups): what an undo checks
    // The guess's candidates, best first (those with a share worth showing): a face may offer them.
    std::vector<guess::Likelihood> candidates;
    QList<Reason> reasons;  // the first is the report's
    bool problem = false;   // the job did not do what it was asked for this entry: exit status 1
    bool warning = false;   // worth a message whatever the quiet setting, but done
    bool abandoned = false; // cut short by a stop signal: not done, and not reported
    bool again = false;     // the very entry named once more: done once, not a file of its own

    // Where the result lies once written (the node's own folder with -i, its output folder otherwise),
    // for the other names of the same file.
    QByteArray writtenName;
    FileId written;

    void add(Reason reason) { reasons.append(std::move(reason)); }
    Result& fail(Action as, Reason reason)
    {
        action = as;
        problem = true;
        reasons.prepend(std::move(reason));
        return *this;
    }
};

// The summary's counts, the report's rows by outcome: those of files (a file named twice once) and those
// of folders (which have a row only when something happened to them) apart.
struct Tally
{
    struct Counts
    {
        std::int64_t total = 0, converted = 0, copied = 0, unchanged = 0, skipped = 0, failed = 0;
        void count(Action action);
    };
    Counts files;
    Counts folders;
};

// Whether a result has a row of its own in the report: every entry but a folder that nothing happened
// to, and the very entry named once more.
bool hasRow(const Node& node, const Result& result);

} // namespace trelvick::rescue
