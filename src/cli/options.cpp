// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include "cli/optiontable.h"

#include "files/fileops.h"
#include "lang/clitexts.h"
#include "lang/escape.h"

#include <getopt.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
using lang::Language;
namespace texts = lang::cli;

namespace {

// getopt_long's value for an option: its letter, or 256 and more for one without.
int getoptId(const OptionEntry& entry)
{
    return entry.letter ? entry.letter : int(256 + (&entry - optionTable().data()));
}

const OptionEntry* entryOf(int id)
{
    for (const OptionEntry& entry : optionTable()) {
        if (getoptId(entry) == id)
            return &entry;
    }
    return nullptr;
}

// The long options whose names start with prefix (the text of "--prefix" or "--prefix=value").
QList<const OptionEntry*> optionsStartingWith(const QByteArray& prefix)
{
    QList<const OptionEntry*> found;
    for (const OptionEntry& entry : optionTable()) {
        if (QByteArray(entry.name).startsWith(prefix))
            found << &entry;
    }
    return found;
}

// getopt_long calls "--lis" ambiguous because --list-codepages starts with it too. Where every
// candidate starts with the shortest one, the shortest is meant: "--lis" is --list, "--name" --names.
// Gives the argument with the whole name, or the argument itself when no such rule settles it.
QByteArray resolveSharedPrefix(const QByteArray& argument)
{
    if (!argument.startsWith("--") || argument.size() == 2)
        return argument;
    const qsizetype equals = argument.indexOf('=');
    const QByteArray prefix = argument.mid(2, equals < 0 ? -1 : equals - 2);
    const QList<const OptionEntry*> candidates = optionsStartingWith(prefix);
    if (candidates.size() < 2)
        return argument;
    const OptionEntry* shortest = candidates.front();
    for (const OptionEntry* o : candidates) {
        if (std::strlen(o->name) < std::strlen(shortest->name))
            shortest = o;
    }
    for (const OptionEntry* o : candidates) {
        if (!QByteArray(o->name).startsWith(shortest->name))
            return argument;
    }
    return "--" + QByteArray(shortest->name) + (equals < 0 ? QByteArray() : argument.mid(equals));
}

// getopt_long's option table and short-option string, made from the table.
class GetoptTable
{
public:
    GetoptTable()
    {
        for (const OptionEntry& entry : optionTable()) {
            m_long.push_back({entry.name, int(entry.arg), nullptr, getoptId(entry)});
            if (entry.letter) // "c:", a value after a colon
                m_short += QByteArray(1, entry.letter) + QByteArray(int(entry.arg), ':');
        }
        m_long.push_back({});
    }
    const option* longOptions() const { return m_long.data(); }
    const char* shortOptions() const { return m_short.constData(); }

private:
    std::vector<option> m_long;
    QByteArray m_short = ":"; // first: a missing value is told apart from an unknown option
};

// The arguments as the C library wants them: the program's name first, each a NUL-ended byte string.
// The arguments at the indexes in resolved (counted without the program's name) have their shared
// prefix resolved.
class ArgumentVector
{
public:
    ArgumentVector(const QStringList& arguments, const QList<int>& resolved)
    {
        m_bytes << QByteArrayLiteral("trelvick-convert");
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            const QByteArray bytes = files::nativePath(arguments.at(i));
            m_bytes << (resolved.contains(int(i)) ? resolveSharedPrefix(bytes) : bytes);
        }
        for (QByteArray& bytes : m_bytes)
            m_pointers.push_back(bytes.data());
        m_pointers.push_back(nullptr);
    }
    int count() const { return static_cast<int>(m_bytes.size()); }
    char** data() { return m_pointers.data(); }
    QString at(int i) const { return files::decodeNativePath(m_pointers[static_cast<std::size_t>(i)]); }
    // Where the argument now at position i (getopt_long moves operands behind the options) was
    // given, counted as resolved counts.
    int givenAt(int i) const
    {
        const char* moved = m_pointers[static_cast<std::size_t>(i)];
        for (qsizetype k = 1; k < m_bytes.size(); ++k) {
            if (m_bytes.at(k).constData() == moved)
                return int(k - 1);
        }
        return -1;
    }
    // Whether the argument now at position i is a shared prefix that resolves.
    bool resolves(int i) const
    {
        const QByteArray argument(m_pointers[static_cast<std::size_t>(i)]);
        return resolveSharedPrefix(argument) != argument;
    }

private:
    QByteArrayList m_bytes;
    std::vector<char*> m_pointers;
};

class Parser
{
public:
    explicit Parser(const QStringList& arguments) : m_arguments(arguments) {}

    ParsedOptions parse()
    {
        findSharedPrefixes();
        if (const std::optional<Options::Mode> answer = helpOrVersion()) {
            m_parsed.options.mode = *answer;
            return m_parsed;
        }
        if (readOptions() && readOperands() && checkRules())
            checkOperands();
        return m_parsed;
    }

private:
    // Runs getopt_long over the arguments from the start; one call per option, -1 after the last.
    int next(ArgumentVector& argv, bool restart)
    {
        if (restart)
            optind = 0; // the C library's whole state starts over
        opterr = 0;
        return ::getopt_long(argv.count(), argv.data(), m_getopt.shortOptions(), m_getopt.longOptions(), nullptr);
    }

    // The options that getopt_long finds ambiguous and that a shared prefix settles, found by
    // getopt_long itself, so that an option's value ("-o --lis") is never taken for an option.
    void findSharedPrefixes()
    {
        for (bool more = true; more;) {
            more = false;
            ArgumentVector argv(m_arguments, m_resolved);
            for (int id = next(argv, true); id != -1 && !more; id = next(argv, false)) {
                if (id == '?' && optopt == 0 && argv.resolves(optind - 1)) {
                    m_resolved << argv.givenAt(optind - 1);
                    more = true;
                }
            }
        }
    }

    std::optional<Options::Mode> helpOrVersion()
    {
        ArgumentVector argv(m_arguments, m_resolved);
        for (int id = next(argv, true); id != -1; id = next(argv, false)) {
            const OptionEntry* entry = entryOf(id);
            if (entry && (entry->mode == Options::Mode::Help || entry->mode == Options::Mode::Version))
                return entry->mode;
        }
        return std::nullopt;
    }

    bool readOptions()
    {
        m_argv.emplace(m_arguments, m_resolved);
        for (int id = next(*m_argv, true); id != -1; id = next(*m_argv, false)) {
            const OptionEntry* entry = entryOf(id);
            if (!entry)
                return fail(getoptFault(id));
            if (!take(*entry, optarg ? std::optional(files::decodeNativePath(optarg)) : std::nullopt))
                return false;
        }
        return true;
    }

    // What getopt_long refused. Only a long option is named by the argument it stands in: a short one
    // may sit inside a bundle ("-qx") that getopt_long has not stepped past yet.
    QString getoptFault(int id) const
    {
        const lang::Escaped argument = lang::escaped(m_argv->at(optind - 1));
        const bool longForm = argument.text().startsWith(u"--"_s);
        const lang::Escaped name = lang::escaped(m_argv->at(optind - 1).section(u'=', 0, 0));
        if (id == ':')
            return texts::missingValue(longForm ? name : lang::escaped(optionName(*entryOf(optopt))));
        if (optopt != 0 && longForm && argument.text().contains(u'=') && resolvesTo(name, optopt))
            return texts::takesNoValue(name);
        if (optopt != 0)
            return texts::unknownOption(
                lang::escaped(u'-' + files::decodeNativePath(QByteArray(1, static_cast<char>(optopt)).constData())));
        QStringList candidates;
        for (const OptionEntry* o :
             optionsStartingWith(files::nativePath(m_argv->at(optind - 1).section(u'=', 0, 0).mid(2))))
            candidates << u"--"_s + QString::fromLatin1(o->name);
        if (candidates.size() > 1)
            return texts::ambiguousOption(name, candidates.join(u", "_s));
        return texts::unknownOption(argument);
    }

    // Whether "--name" (shortened or not) is the long option with the given id.
    static bool resolvesTo(const QString& name, int id)
    {
        for (const OptionEntry& o : optionTable()) {
            if (name.mid(2) == QLatin1StringView(o.name))
                return &o == entryOf(id);
        }
        const QList<const OptionEntry*> candidates = optionsStartingWith(files::nativePath(name.mid(2)));
        return candidates.size() == 1 && candidates.front() == entryOf(id);
    }

    bool fail(QString text)
    {
        m_parsed.error = std::move(text);
        return false;
    }

    bool take(const OptionEntry& entry, const std::optional<QString>& text)
    {
        OptionValue value{text.value_or(QString()), text.has_value()};
        if (text && !readValue(entry, value))
            return false;
        if (entry.fileName && text && text->isEmpty())
            return fail(texts::emptyFileName(lang::escaped(optionName(entry))));
        const bool again = m_given.contains(&entry);
        if (entry.mode && m_mode && *m_mode != *entry.mode)
            return fail(texts::twoModes(modeNames()));
        if (again && (entry.once || entry.mode))
            return fail(texts::repeatedOption(lang::escaped(optionName(entry))));
        if (!again)
            m_given << &entry;
        if (entry.mode)
            m_mode = entry.mode;
        if (entry.apply)
            entry.apply(m_parsed.options, value);
        return true;
    }

    // Checks a value against the values the option takes; a listed one gives its index, a number itself.
    bool readValue(const OptionEntry& entry, OptionValue& value)
    {
        if (!entry.values)
            return true;
        const QString values = QString::fromLatin1(entry.values);
        QString allowed = values;
        if (values.contains(u".."_s)) {
            bool ok = false;
            value.number = value.text.toInt(&ok);
            if (ok && value.number >= values.section(u".."_s, 0, 0).toInt() &&
                value.number <= values.section(u".."_s, 1).toInt() && QString::number(value.number) == value.text)
                return true;
        } else {
            const QStringList choices = values.split(u'|');
            for (value.number = 0; value.number < choices.size(); ++value.number) {
                if (value.text.compare(choices.at(value.number), Qt::CaseInsensitive) == 0)
                    return true;
            }
            allowed = choices.join(u", "_s);
        }
        return fail(texts::badValue(lang::escaped(optionName(entry)), lang::escaped(value.text), allowed));
    }

    // The options that choose what a run does, in the table's order.
    static QStringList modeNames()
    {
        QStringList names;
        for (const OptionEntry& entry : optionTable()) {
            if (entry.mode && entry.mode != Options::Mode::Help && entry.mode != Options::Mode::Version)
                names << optionName(entry);
        }
        return names;
    }

    bool readOperands()
    {
        for (int i = optind; i < m_argv->count(); ++i)
            m_parsed.options.files << m_argv->at(i);
        return !m_parsed.options.files.contains(QString()) || fail(texts::emptyFileName({}));
    }

    // Whether the option a rule names ("-c", "--output-dir", "-f auto") was given.
    bool given(const QString& name) const
    {
        if (name == u"-f auto"_s)
            return m_mode == Options::Mode::Transcode &&
                   m_parsed.options.fromCode.compare(kAutoCodepage, Qt::CaseInsensitive) == 0;
        return std::any_of(m_given.begin(), m_given.end(),
                           [&name](const OptionEntry* entry) { return optionName(*entry) == name; });
    }

    static QStringList names(const char* rule)
    {
        return rule ? QString::fromLatin1(rule).split(u", "_s) : QStringList();
    }

    bool anyGiven(const char* rule) const
    {
        const QStringList options = names(rule);
        return std::any_of(options.begin(), options.end(), [this](const QString& name) { return given(name); });
    }

    // The table's rules, each over the options in the order given: what an option goes with, one
    // option that says what the run does, what cannot be used together, what an option needs.
    bool checkRules()
    {
        for (const OptionEntry* entry : m_given) {
            if (entry->with && !anyGiven(entry->with))
                return fail(texts::goesWith(lang::escaped(optionName(*entry)), QString::fromLatin1(entry->with)));
        }
        if (!m_mode)
            return fail(texts::noMode(modeNames()));
        m_parsed.options.mode = *m_mode;
        for (const OptionEntry* entry : m_given) {
            for (const QString& other : names(entry->notWith)) {
                if (given(other))
                    return fail(texts::notTogether(lang::escaped(optionName(*entry)), lang::escaped(other)));
            }
        }
        for (const OptionEntry* entry : m_given) {
            if (entry->needs && !anyGiven(entry->needs))
                return fail(texts::needsOneOf(lang::escaped(optionName(*entry)), names(entry->needs)));
        }
        return true;
    }

    // The files each form takes. -c: INPUT OUTPUT, fewer read standard input and write standard output
    // (or -o); -f: standard input when no file is named; many files: each by its name.
    void checkOperands()
    {
        Options& o = m_parsed.options;
        const bool converts = o.mode == Options::Mode::Convert || o.mode == Options::Mode::Transcode;
        if (o.mode == Options::Mode::Guess && o.files.isEmpty()) {
            fail(texts::noGuessInput());
        } else if (!converts && o.mode != Options::Mode::Guess && !o.files.isEmpty()) {
            fail(texts::unexpectedOperand(lang::escaped(o.files.first())));
        } else if (converts && (o.batch || o.overTree())) {
            if (o.files.isEmpty() && !o.filesFrom)
                fail(o.batch ? texts::noBatchInput() : texts::noTreeInput());
            else if (o.files.contains(kStandardStream))
                fail(texts::standardInputRefused(lang::escaped(o.batch     ? u"--batch"_s
                                                               : o.inPlace ? u"-i"_s
                                                                           : u"--output-dir"_s)));
        } else if (o.mode == Options::Mode::Convert && o.files.size() > (given(u"-o"_s) ? 1 : 2)) {
            fail(texts::wrongFileCount());
        } else if (converts) {
            if (o.files.isEmpty())
                o.files << kStandardStream;
            if (o.mode == Options::Mode::Convert && o.files.size() == 1)
                o.files << o.output;
        }
    }

    const QStringList& m_arguments;
    const GetoptTable m_getopt;
    QList<int> m_resolved; // the arguments whose shared prefix is resolved, see findSharedPrefixes
    std::optional<ArgumentVector> m_argv;
    ParsedOptions m_parsed;
    std::optional<Options::Mode> m_mode;
    QList<const OptionEntry*> m_given; // each option once, in the order given
};

} // namespace

ParsedOptions parseArguments(const QStringList& arguments)
{
    return Parser(arguments).parse();
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
