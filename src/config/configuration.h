// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

struct Configuration
{
    QString configFilePath;   // upper case, as every message shows it
    QString configFile;       // the real file on disk that configFilePath stands for
    QString quickViewCommand; // meaningful only while quickViewAvailable
    bool quickViewAvailable = false;
    QString editorCommand;
    bool editorAvailable = false;
    qint16 converterCount = 0;
    QList<Converter> converters; // in key order, gaps left out
    // The whole file as read by this load, so that a run needing the code sections too reads it once.
    ProfileReader profile;
};

enum class ConfigFailure
{
    None,
    MissingFile,  // C1
    MissingCount, // C2
    BadCount,     // C3
    NoConverter,  // C4
    Other,        // C5: errorText holds the system's description, not yet upper-cased
    TooLarge,     // over kMaxConfigFileSize; errorText as for Other
};

struct LoadResult
{
    Configuration config; // configFilePath is set as far as the load got, even on failure
    ConfigFailure failure = ConfigFailure::None;
    QString errorText;
    // Why an existing file could not be read (its entries then all read as absent, which is what
    // the failure above reflects); empty when it was read.
    QString readError;
    // The [Trelvick] key at fault and its value as read, for reports that name them: the count for
    // MissingCount, BadCount and an overflow, the program entry whose file test failed for Other.
    QString faultyKey;
    QString faultyValue;
};

// The converter key for number k: Greek capital Mu followed by k ("Μ1", "Μ12").
QString converterKey(int k);

// The folder of a personal tq.ini, so that a user without root can keep converters of their own:
// $XDG_CONFIG_HOME/trelvick, or $HOME/.config/trelvick when XDG_CONFIG_HOME is unset, empty or relative.
// Empty when neither gives an absolute path.
QString personalConfigFolder(const QString& xdgConfigHome, const QString& home);
// The same, from this process's environment.
QString personalConfigFolder();

// Loads the main section and the converter list of tq.ini: the one in personalFolder when it is there,
// else the one in programFolder. An empty personalFolder means the program folder's alone.
LoadResult loadConfiguration(const QString& programFolder, const QString& personalFolder = {});

// The same load, with the same checks, from a file named directly (the command line's --config).
// configFilePath keeps the name as given.
LoadResult loadConfigurationFile(const QString& file);

} // namespace trelvick::config
