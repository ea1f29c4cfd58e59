// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configuration.h"

#include "config/countparser.h"
#include "config/profilereader.h"
#include "files/fileops.h"
#include "files/paths.h"
#include "lang/errortext.h"

#include <QDir>
#include <cerrno>
#include <optional>

namespace trelvick::config {

namespace {

// The text of the classic overflow error, which a count outside 16 bits raises.
constexpr char16_t kOverflowText[] = u"Overflow";

struct ProgramEntry
{
    QString command;
    bool available = false;
    QString value;                  // as read, for the failure report
    std::optional<QString> failure; // the system's text when the file test itself failed
};

// A program entry is usable when it names an existing plain file; a missing, empty or non-existent
// entry only makes the command unavailable.
ProgramEntry readProgramEntry(const ProfileReader& profile, const QString& key)
{
    const QString value = profile.read(QString::fromUtf16(kMainSection), key, kProgramPathCapacity);
    if (isAbsent(value) || value.isEmpty())
        return {};
    const files::FileTest test = files::testFile(value);
    switch (test.outcome) {
    case files::FileTest::PlainFile:
        return {value, true, value, {}};
    case files::FileTest::Failure:
        return {{}, false, value, lang::systemErrorText(test.error.code.value())};
    case files::FileTest::NoFile:
        break;
    }
    return {};
}

LoadResult failed(Configuration config, ConfigFailure failure, const QString& errorText = {},
                  const char16_t* faultyKey = nullptr, const QString& faultyValue = {})
{
    return {std::move(config), failure, errorText, {}, faultyKey ? QString::fromUtf16(faultyKey) : QString(),
            faultyValue};
}

} // namespace

QString converterKey(int k)
{
    return QChar(u'Μ') + QString::number(k);
}

namespace {

// The entries, from the file as read into config.profile.
LoadResult loadEntries(Configuration config)
{
    const ProfileReader& profile = config.profile;

    const ProgramEntry quickView = readProgramEntry(profile, QString::fromUtf16(kQuickViewKey));
    if (quickView.failure)
        return failed(std::move(config), ConfigFailure::Other, *quickView.failure, kQuickViewKey, quickView.value);
    config.quickViewAvailable = quickView.available;
    config.quickViewCommand = quickView.command;

    const ProgramEntry editor = readProgramEntry(profile, QString::fromUtf16(kEditorKey));
    if (editor.failure)
        return failed(std::move(config), ConfigFailure::Other, *editor.failure, kEditorKey, editor.value);
    config.editorAvailable = editor.available;
    config.editorCommand = editor.command;

    const QString countText =
        profile.read(QString::fromUtf16(kMainSection), QString::fromUtf16(kCountKey), kCountCapacity);
    if (isAbsent(countText))
        return failed(std::move(config), ConfigFailure::MissingCount, {}, kCountKey);
    const std::optional<qint16> count = parseConverterCount(countText);
    if (!count)
        return failed(std::move(config), ConfigFailure::Other, QString::fromUtf16(kOverflowText), kCountKey, countText);
    config.converterCount = *count;
    if (*count < 1)
        return failed(std::move(config), ConfigFailure::BadCount, {}, kCountKey, countText);

    const QString listSection = QString::fromUtf16(kListSection);
    for (int k = 1; k <= *count; ++k) {
        const QString key = converterKey(k);
        const QString description = profile.read(listSection, key, kDescriptionCapacity);
        if (!isAbsent(description))
            config.converters.append({description, key});
    }
    if (config.converters.isEmpty())
        return failed(std::move(config), ConfigFailure::NoConverter);
    return {std::move(config), ConfigFailure::None, {}, {}, {}, {}};
}

// Everything after the file has been named: shared by the program-folder and the named-file loads.
LoadResult loadFrom(Configuration config)
{
    const files::FileTest fileTest = files::testFile(config.configFile);
    if (fileTest.outcome == files::FileTest::Failure)
        return failed(std::move(config), ConfigFailure::Other, lang::systemErrorText(fileTest.error.code.value()));
    if (fileTest.outcome == files::FileTest::NoFile)
        return failed(std::move(config), ConfigFailure::MissingFile);

    // Read once: the main section and the list are fixed for the whole run.
    QString readError;
    config.profile = ProfileReader::fromFile(config.configFile, &readError);
    if (readError == lang::systemErrorText(EFBIG))
        return failed(std::move(config), ConfigFailure::TooLarge, readError);
    LoadResult result = loadEntries(std::move(config));
    result.readError = readError;
    return result;
}

} // namespace

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

LoadResult loadConfiguration(const QString& programFolder, const QString& personalFolder)
{
    const QString fileName = QString::fromUtf16(kConfigFileName);
    QString folder = files::AddSeparator(programFolder);
    QString file = files::resolveInFolder(folder, fileName);
    if (!personalFolder.isEmpty()) {
        // Anything there but "no such file" (a file, or one that cannot be tested) is the user's choice.
        const QString personal = files::resolveInFolder(personalFolder, fileName);
        if (files::testFile(personal).outcome != files::FileTest::NoFile) {
            folder = files::AddSeparator(personalFolder);
            file = personal;
        }
    }
    Configuration config;
    config.configFilePath = (folder + fileName).toUpper();
    config.configFile = file;
    return loadFrom(std::move(config));
}

LoadResult loadConfigurationFile(const QString& file)
{
    Configuration config;
    // A name the user typed is shown as typed: upper case would name another file here.
    config.configFilePath = file;
    config.configFile = file;
    return loadFrom(std::move(config));
}

} // namespace trelvick::config
