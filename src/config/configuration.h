// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "config/profilereader.h"

#include <QList>
#include <QString>

namespace trelvick::config {

inline constexpr char16_t kMainSection[] = u"Trelvick";
inline constexpr char16_t kQuickViewKey[] = u"ΓρήγορηΠροβολή";
inline constexpr char16_t kEditorKey[] = u"Επεξεργασία";
inline constexpr char16_t kCountKey[] = u"ΠλήθοςΜετατροπέων";
inline constexpr char16_t kListSection[] = u"ΠεριγραφήΜετατροπέων";
inline constexpr char16_t kConfigFileName[] = u"tq.ini";

inline constexpr int kProgramPathCapacity = 254;
inline constexpr int kCountCapacity = 99;
inline constexpr int kDescriptionCapacity = 49;

// One offered converter: its description and its key, which also names its code section ("Μ3").
struct Converter
{
    QString description;
    QString key;
};

// Which tq.ini a load reads, and how messages name it.
struct ConfigLocation
{
    QString configFilePath; // upper case, as every message of the window shows it
    QString configFile;     // the real file on disk that configFilePath stands for
};

struct Configuration : ConfigLocation
{
    QString quickViewCommand; // meaningful only while quickViewAvailable
    bool quickViewAvailable = false;
    QString editorCommand;
    bool editorAvailable = false;
    qint16 converterCount = 0;
    QList<Converter> converters; // in key order, gaps left out
    // The whole file as read by this load, so that a run needing the code sections too reads it once.
    ProfileReader profile;
};

// The converter key for number k: Greek capital Mu followed by k ("Μ1", "Μ12").
QString converterKey(int k);

// The folder of a personal tq.ini, so that a user without root can keep converters of their own:
// $XDG_CONFIG_HOME/trelvick, or $HOME/.config/trelvick when XDG_CONFIG_HOME is unset, empty or relative.
// Empty when neither gives an absolute path.
QString personalConfigFolder(const QString& xdgConfigHome, const QString& home);
// The same, from this process's environment.
QString personalConfigFolder();

// The tq.ini in personalFolder when anything of that name is there, else the one in programFolder
// (found ignoring letter case). An empty personalFolder means the program folder's alone.
ConfigLocation locateConfiguration(const QString& programFolder, const QString& personalFolder = {});
// A file named directly (the command line's --config), shown as typed: upper case would name
// another file here.
ConfigLocation namedConfiguration(const QString& file);

// Loads the main section and the converter list of the file at location. Failures, all on
// Side::Config, and what they stand for:
//   key empty          the file itself: a files::testFile error (files::isNoFile tells "there is no
//                      plain file" from a test that failed), or EFBIG when it is over kMaxConfigFileSize;
//   key kCountKey      the count, value as read: Fault::EntryMissing, Fault::BadValue (below 1),
//                      Fault::Overflow (outside 16 bits), or the errno of a file that could not be read,
//                      which reads like an empty one, so that the count is the first entry it lacks;
//   key kQuickViewKey  or kEditorKey: the file test of the program path (the value) failed, its errno;
//   Fault::NoConverter none of the keys Μ1..Μn is described; key is the last one looked for, Μn.
base::Expected<Configuration> loadConfiguration(const ConfigLocation& location);

// The window's start-up message for a failed load.
enum class StartupMessage
{
    MissingFile,  // C1
    MissingCount, // C2
    BadCount,     // C3
    NoConverter,  // C4
    Failure,      // C5, naming the error
};
StartupMessage startupMessage(const base::Error& error);

} // namespace trelvick::config
