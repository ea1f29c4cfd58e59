// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include "lang/clitexts.h"

namespace trelvick::cli {

using namespace Qt::StringLiterals;
using lang::Language;
namespace texts = lang::cli;

ParsedOptions parseArguments(const QStringList& arguments, Language language)
{
    ParsedOptions parsed;
    Options& options = parsed.options;

    // --help and --version answer whatever else the line holds.
    for (const QString& argument : arguments) {
        if (argument == u"--"_s)
            break;
        if (argument == u"--help"_s || argument == u"--version"_s) {
            options.mode = argument == u"--help"_s ? Options::Mode::Help : Options::Mode::Version;
            return parsed;
        }
    }

    std::optional<Options::Mode> mode;
    bool endOfOptions = false;
    auto fail = [&parsed](QString text) {
        parsed.error = std::move(text);
        return parsed;
    };
    auto setMode = [&](Options::Mode wanted, const QString& name) -> std::optional<QString> {
        if (mode)
            return *mode == wanted ? texts::repeatedOption(language, name) : texts::twoModes(language);
        mode = wanted;
        return std::nullopt;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!endOfOptions && argument == u"--"_s) {
            endOfOptions = true;
            continue;
        }
        if (endOfOptions || argument == kStandardStream || !argument.startsWith(u'-')) {
            options.files << argument;
            continue;
        }

        // "--config=FILE" and "-cM3" carry their value; otherwise it is the next argument.
        QString name = argument;
        std::optional<QString> attached;
        if (argument.startsWith(u"--"_s)) {
            const qsizetype equals = argument.indexOf(u'=');
            if (equals > 0) {
                name = argument.first(equals);
                attached = argument.sliced(equals + 1);
            }
        } else if (argument.size() > 2 && argument.startsWith(u"-c"_s)) {
            name = u"-c"_s;
            attached = argument.sliced(2);
        }
        auto value = [&]() -> std::optional<QString> {
            if (attached)
                return attached;
            if (i + 1 < arguments.size())
                return arguments.at(++i);
            return std::nullopt;
        };

        if (name == u"--config"_s) {
            if (options.configFile)
                return fail(texts::repeatedOption(language, name));
            options.configFile = value();
            if (!options.configFile)
                return fail(texts::missingValue(language, name));
        } else if (name == u"--show"_s || name == u"-c"_s) {
            if (auto problem = setMode(name == u"-c"_s ? Options::Mode::Convert : Options::Mode::Show, name))
                return fail(*problem);
            const std::optional<QString> converter = value();
            if (!converter)
                return fail(texts::missingValue(language, name));
            options.converter = *converter;
        } else if (name == u"--list"_s && !attached) {
            if (auto problem = setMode(Options::Mode::List, name))
                return fail(*problem);
        } else if (name == u"--guess"_s) {
            if (auto problem = setMode(Options::Mode::Guess, name))
                return fail(*problem);
            if (attached && *attached != u"name"_s && *attached != u"tsv"_s)
                return fail(texts::unknownGuessFormat(language, *attached));
            if (attached)
                options.guessFormat = *attached == u"name"_s ? Options::GuessFormat::Name : Options::GuessFormat::Tsv;
        } else if (name == u"--batch"_s && !attached) {
            if (options.batch)
                return fail(texts::repeatedOption(language, name));
            options.batch = true;
        } else if (name == u"--quiet"_s && !attached) {
            options.quiet = true;
        } else {
            return fail(texts::unknownOption(language, argument));
        }
    }

    // An empty name would only meet "No such file or directory" later, naming nothing.
    if (options.configFile && options.configFile->isEmpty())
        return fail(texts::emptyFileName(language, u"--config"_s));
    if (options.files.contains(QString()))
        return fail(texts::emptyFileName(language, {}));
    if (!mode)
        return fail(texts::noMode(language));
    options.mode = *mode;
    if (options.batch && options.mode != Options::Mode::Convert)
        return fail(texts::batchWithoutConvert(language));
    if (options.mode == Options::Mode::Guess) {
        if (options.files.isEmpty())
            return fail(texts::noGuessInput(language));
    } else if (options.mode != Options::Mode::Convert) {
        if (!options.files.isEmpty())
            return fail(texts::unexpectedOperand(language, options.files.first()));
    } else if (!options.batch) {
        if (options.files.size() != 2)
            return fail(texts::wrongFileCount(language));
    } else {
        if (options.files.isEmpty())
            return fail(texts::noBatchInput(language));
        if (options.files.contains(kStandardStream))
            return fail(texts::standardInputInBatch(language));
    }
    return parsed;
}

Language languageOf(const QString& lcAll, const QString& lcMessages, const QString& lang)
{
    for (const QString* value : {&lcAll, &lcMessages, &lang}) {
        if (!value->isEmpty())
            return value->startsWith(u"el"_s) ? Language::Greek : Language::English;
    }
    return Language::English;
}

std::optional<qsizetype> findConverter(const QList<config::Converter>& converters, const QString& name,
                                       QStringList* ambiguous)
{
    // A key: Greek or Latin M in either case, or none, then the number as tq.ini writes it ("3", not "03").
    QString number = name;
    if (!number.isEmpty() && QStringView(u"ΜμMm").contains(number.front()))
        number.remove(0, 1);
    bool isNumber = false;
    const int k = number.toInt(&isNumber);
    if (isNumber && k > 0 && QString::number(k) == number) {
        const QString key = config::converterKey(k);
        for (qsizetype i = 0; i < converters.size(); ++i) {
            if (converters.at(i).key == key)
                return i;
        }
    }

    std::optional<qsizetype> found;
    QStringList keys;
    for (qsizetype i = 0; i < converters.size(); ++i) {
        if (converters.at(i).description == name) {
            found = found ? found : i;
            keys << converters.at(i).key;
        }
    }
    if (keys.size() > 1) {
        if (ambiguous)
            *ambiguous = keys;
        return std::nullopt;
    }
    return found;
}

} // namespace trelvick::cli
