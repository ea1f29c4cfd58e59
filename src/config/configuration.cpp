// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configuration.h"

#include "config/countparser.h"
#include "config/profilereader.h"
#include "files/fileops.h"
#include "files/paths.h"
#include "lang/errortext.h"

#include <QDir>
#include <cerrno>

namespace trelvick::config {

namespace {

base::Error failure(std::error_code code, const char16_t* key = nullptr, const QString& value = {})
{
    return {code, base::Side::Config, key ? QString::fromUtf16(key) : QString(), value};
}

base::Error failure(base::Fault fault, const char16_t* key = nullptr, const QString& value = {})
{
    return failure(make_error_code(fault), key, value);
}

struct ProgramEntry
{
    QString command;
    bool available = false;
};

// A program entry is usable when it names an existing plain file; a missing, empty or non-existent
// entry only makes the command unavailable, while a file test that fails stops the load.
base::Expected<ProgramEntry> readProgramEntry(const ProfileReader& profile, const char16_t* key)
{
    const QString value = profile.read(QString::fromUtf16(kMainSection), QString::fromUtf16(key), kProgramPathCapacity);
    if (isAbsent(value) || value.isEmpty())
        return ProgramEntry();
    const base::Error test = files::testFile(value);
    if (!test)
        return ProgramEntry{value, true};
    if (files::isNoFile(test))
        return ProgramEntry();
    return failure(test.code, key, value);
}

// The entries, from the file as read into config.profile.
base::Expected<Configuration> loadEntries(Configuration config)
{
    const ProfileReader& profile = config.profile;

    const base::Expected<ProgramEntry> quickView = readProgramEntry(profile, kQuickViewKey);
    if (!quickView)
        return quickView.error();
    config.quickViewAvailable = quickView->available;
    config.quickViewCommand = quickView->command;

    const base::Expected<ProgramEntry> editor = readProgramEntry(profile, kEditorKey);
    if (!editor)
        return editor.error();
    config.editorAvailable = editor->available;
    config.editorCommand = editor->command;

    const QString countText =
        profile.read(QString::fromUtf16(kMainSection), QString::fromUtf16(kCountKey), kCountCapacity);
    if (isAbsent(countText))
        return failure(base::Fault::EntryMissing, kCountKey, countText);
    const base::Expected<qint16> count = parseConverterCount(countText);
    if (!count)
        return failure(count.error().code, kCountKey, countText);
    config.converterCount = *count;
    if (*count < 1)
        return failure(base::Fault::BadValue, kCountKey, countText);

    const QString listSection = QString::fromUtf16(kListSection);
    for (int k = 1; k <= *count; ++k) {
        const QString key = converterKey(k);
        const QString description = profile.read(listSection, key, kDescriptionCapacity);
        if (!isAbsent(description))
            config.converters.append({description, key});
    }
    if (config.converters.isEmpty())
        return base::Error{make_error_code(base::Fault::NoConverter), base::Side::Config, converterKey(*count), {}};
    return config;
}

} // namespace

QString converterKey(int k)
{
    return QChar(u'Μ') + QString::number(k);
}

QString personalConfigFolder(const QString& xdgConfigHome, const QString& home)
{
    // A relative XDG_CONFIG_HOME is invalid and must be ignored: it would depend on the working folder.
    QString base = xdgConfigHome;
    if (!QDir::isAbsolutePath(base))
        base = QDir::isAbsolutePath(home) ? files::AddSeparator(home) + QStringLiteral(".config") : QString();
    return base.isEmpty() ? QString() : files::AddSeparator(base) + QStringLiteral("trelvick");
}

QString personalConfigFolder()
{
    return personalConfigFolder(qEnvironmentVariable("XDG_CONFIG_HOME"), qEnvironmentVariable("HOME"));
}

ConfigLocation locateConfiguration(const QString& programFolder, const QString& personalFolder)
{
    const QString fileName = QString::fromUtf16(kConfigFileName);
    QString folder = files::AddSeparator(programFolder);
    QString file = files::resolveInFolder(folder, fileName);
    if (!personalFolder.isEmpty()) {
        // Anything there but "no such file" (a file, or one that cannot be tested) is the user's choice.
        const QString personal = files::resolveInFolder(personalFolder, fileName);
        if (!files::isNoFile(files::testFile(personal))) {
            folder = files::AddSeparator(personalFolder);
            file = personal;
        }
    }
    return {(folder + fileName).toUpper(), file};
}

ConfigLocation namedConfiguration(const QString& file)
{
    return {file, file};
}

base::Expected<Configuration> loadConfiguration(const ConfigLocation& location)
{
    if (const base::Error test = files::testFile(location.configFile))
        return failure(test.code);

    // Read once: the main section and the list are fixed for the whole run.
    base::Expected<ProfileReader> profile = ProfileReader::fromFile(location.configFile);
    if (!profile && profile.error().is(EFBIG))
        return failure(profile.error().code);
    // The classic reader read a file it could not read like an empty one, whose first missing entry
    // is the count; the errno says why better than "missing" would.
    if (!profile)
        return failure(profile.error().code, kCountKey);

    Configuration config;
    config.configFilePath = location.configFilePath;
    config.configFile = location.configFile;
    config.profile = std::move(*profile);
    return loadEntries(std::move(config));
}

StartupMessage startupMessage(const base::Error& error)
{
    if (error.is(base::Fault::NoConverter))
        return StartupMessage::NoConverter;
    if (error.key.isEmpty())
        return files::isNoFile(error) ? StartupMessage::MissingFile : StartupMessage::Failure;
    if (error.key != QStringView(kCountKey) || error.is(base::Fault::Overflow))
        return StartupMessage::Failure;
    // An unreadable file lacks the count like a file without it.
    return error.is(base::Fault::BadValue) ? StartupMessage::BadCount : StartupMessage::MissingCount;
}

} // namespace trelvick::config
