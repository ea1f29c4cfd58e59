// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include "files/fileops.h"
#include "lang/clitexts.h"
#include "lang/escape.h"

#include <getopt.h>

#include <cstring>

#include <vector>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
using lang::Language;
namespace texts = lang::cli;

namespace {

// Long options without a short form; the short ones are their own letters.
constexpr int kConfig = 256;
constexpr int kShow = 257;
constexpr int kListCodepages = 258;
constexpr int kGuess = 259;
constexpr int kBatch = 260;
constexpr int kEol = 261;
constexpr int kStrict = 262;
constexpr int kOutputDir = 263;
constexpr int kBackup = 264;
constexpr int kFilesFrom = 265;
constexpr int kNames = 266;
constexpr int kNamesFrom = 267;
constexpr int kReport = 268;
constexpr int kMinConfidence = 269;
constexpr int kLossy = 270;

constexpr option kLongOptions[] = {
    {"config", required_argument, nullptr, kConfig},
    {"list", no_argument, nullptr, 'l'},
    {"list-codepages", no_argument, nullptr, kListCodepages},
    {"show", required_argument, nullptr, kShow},
    {"converter", required_argument, nullptr, 'c'},
    {"batch", no_argument, nullptr, kBatch},
    {"guess", optional_argument, nullptr, kGuess},
    {"from-code", required_argument, nullptr, 'f'},
    {"to-code", required_argument, nullptr, 't'},
    {"output", required_argument, nullptr, 'o'},
    {"eol", required_argument, nullptr, kEol},
    {"strict", no_argument, nullptr, kStrict},
    {"recursive", no_argument, nullptr, 'r'},
    {"output-dir", required_argument, nullptr, kOutputDir},
    {"in-place", no_argument, nullptr, 'i'},
    {"backup", optional_argument, nullptr, kBackup},
    {"files-from", required_argument, nullptr, kFilesFrom},
    {"null", no_argument, nullptr, '0'},
    {"names", no_argument, nullptr, kNames},
    {"names-from", required_argument, nullptr, kNamesFrom},
    {"report", required_argument, nullptr, kReport},
    {"jobs", required_argument, nullptr, 'j'},
    {"min-confidence", required_argument, nullptr, kMinConfidence},
    {"lossy", no_argument, nullptr, kLossy},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};
// ':' first: a missing value is told apart from an unknown option.
constexpr char kShortOptions[] = ":c:f:t:o:j:lqhVri0";
constexpr int kMostJobs = 1024;

// The name a message gives an option: "-c", or "--config" for one that has no short form.
QString optionName(int id)
{
    if (id < 256)
        return u'-' + QChar::fromLatin1(static_cast<char>(id));
    for (const option& o : kLongOptions) {
        if (o.val == id)
            return u"--"_s + QString::fromLatin1(o.name);
    }
    return {};
}

// The long options whose names start with prefix (the text of "--prefix" or "--prefix=value").
QList<const option*> optionsStartingWith(const QByteArray& prefix)
{
    QList<const option*> found;
    for (const option& o : kLongOptions) {
        if (o.name && QByteArray(o.name).startsWith(prefix))
            found << &o;
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
    const QList<const option*> candidates = optionsStartingWith(prefix);
    if (candidates.size() < 2)
        return argument;
    const option* shortest = candidates.front();
    for (const option* o : candidates) {
        if (std::strlen(o->name) < std::strlen(shortest->name))
            shortest = o;
    }
    for (const option* o : candidates) {
        if (!QByteArray(o->name).startsWith(shortest->name))
            return argument;
    }
    return "--" + QByteArray(shortest->name) + (equals < 0 ? QByteArray() : argument.mid(equals));
}

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
    Parser(const QStringList& arguments, Language language) : m_arguments(arguments), m_language(language) {}

    ParsedOptions parse()
    {
        findSharedPrefixes();
        if (const std::optional<Options::Mode> answer = helpOrVersion()) {
            m_parsed.options.mode = *answer;
            return m_parsed;
        }
        if (readOptions() && readOperands())
            check();
        return m_parsed;
    }

private:
    // Runs getopt_long over the arguments from the start; one call per option, 0 after the last.
    int next(ArgumentVector& argv, bool restart)
    {
        if (restart)
            optind = 0; // the C library's whole state starts over
        opterr = 0;
        return ::getopt_long(argv.count(), argv.data(), kShortOptions, kLongOptions, nullptr);
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
            if (id == 'h')
                return Options::Mode::Help;
            if (id == 'V')
                return Options::Mode::Version;
        }
        return std::nullopt;
    }

    bool readOptions()
    {
        m_argv.emplace(m_arguments, m_resolved);
        for (int id = next(*m_argv, true); id != -1; id = next(*m_argv, false)) {
            if (id == '?' || id == ':')
                return fail(getoptFault(id));
            if (!take(id, optarg ? std::optional(files::decodeNativePath(optarg)) : std::nullopt))
                return false;
        }
        return true;
    }

    // What getopt_long refused. Only a long option is named by the argument it stands in: a short one
    // may sit inside a bundle ("-qx") that getopt_long has not stepped past yet.
    QString getoptFault(int id) const
    {
        const QString argument = lang::escaped(m_argv->at(optind - 1));
        const bool longForm = argument.startsWith(u"--"_s);
        const QString name = argument.section(u'=', 0, 0);
        if (id == ':')
            return texts::missingValue(m_language, longForm ? name : optionName(optopt));
        if (optopt != 0 && longForm && argument.contains(u'=') && resolvesTo(name, optopt))
            return texts::takesNoValue(m_language, name);
        if (optopt != 0)
            return texts::unknownOption(
                m_language,
                lang::escaped(u'-' + files::decodeNativePath(QByteArray(1, static_cast<char>(optopt)).constData())));
        QStringList candidates;
        for (const option* o :
             optionsStartingWith(files::nativePath(m_argv->at(optind - 1).section(u'=', 0, 0).mid(2))))
            candidates << u"--"_s + QString::fromLatin1(o->name);
        if (candidates.size() > 1)
            return texts::ambiguousOption(m_language, name, candidates.join(u", "_s));
        return texts::unknownOption(m_language, argument);
    }

    // Whether "--name" (shortened or not) is the long option with the given id.
    static bool resolvesTo(const QString& name, int id)
    {
        for (const option& o : kLongOptions) {
            if (o.name && name.mid(2) == QLatin1StringView(o.name))
                return o.val == id;
        }
        const QList<const option*> candidates = optionsStartingWith(files::nativePath(name.mid(2)));
        return candidates.size() == 1 && candidates.front()->val == id;
    }

    bool fail(QString text)
    {
        m_parsed.error = std::move(text);
        return false;
    }

    // For options that must not come twice: false (with the fault set) when this one did.
    bool once(int id)
    {
        if (m_seen.contains(id))
            return fail(texts::repeatedOption(m_language, optionName(id)));
        m_seen << id;
        return true;
    }

    bool setMode(Options::Mode mode, int id)
    {
        if (m_mode)
            return fail(*m_mode == mode ? texts::repeatedOption(m_language, optionName(id))
                                        : texts::twoModes(m_language));
        m_mode = mode;
        return true;
    }

    // value is one of allowed (exactly, letter case aside); its index, or -1 with the fault set.
    int choice(int id, const QString& value, const QStringList& allowed)
    {
        for (qsizetype i = 0; i < allowed.size(); ++i) {
            if (value.compare(allowed.at(i), Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        }
        fail(texts::badValue(m_language, optionName(id), lang::escaped(value), allowed.join(u", "_s)));
        return -1;
    }

    // A whole number from lowest to highest, written plainly; nullopt with the fault set otherwise.
    std::optional<int> number(int id, const QString& value, int lowest, int highest)
    {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (ok && n >= lowest && n <= highest && QString::number(n) == value)
            return n;
        fail(texts::badValue(m_language, optionName(id), lang::escaped(value),
                             QString::number(lowest) + u".."_s + QString::number(highest)));
        return std::nullopt;
    }

    bool take(int id, const std::optional<QString>& value)
    {
        Options& o = m_parsed.options;
        switch (id) {
        case 'l':
            return setMode(Options::Mode::List, id);
        case kListCodepages:
            return setMode(Options::Mode::ListCodepages, id);
        case kShow:
        case 'c':
            o.converter = *value;
            return setMode(id == 'c' ? Options::Mode::Convert : Options::Mode::Show, id);
        case kGuess:
            if (value) {
                const int format = choice(id, *value, {u"name"_s, u"tsv"_s});
                if (format < 0)
                    return false;
                o.guessFormat = format == 0 ? GuessFormat::Name : GuessFormat::Tsv;
            }
            return setMode(Options::Mode::Guess, id);
        case 'f':
            o.fromCode = *value;
            return setMode(Options::Mode::Transcode, id);
        case kConfig:
            o.configFile = *value;
            return once(id);
        case kBatch:
            o.batch = true;
            return once(id);
        case 'q':
            o.quiet = true;
            return true;
        default:
            return takeConversionOption(id, value);
        }
    }

    bool takeConversionOption(int id, const std::optional<QString>& value)
    {
        Options& o = m_parsed.options;
        if (!m_seen.contains(id) && !m_given.contains(id))
            m_given << id;
        switch (id) {
        case 't':
            o.toCode = *value;
            return once(id);
        case 'o':
            o.output = *value;
            return once(id) && nonEmpty(id, *value);
        case kEol:
            if (const int i = choice(id, *value, {u"keep"_s, u"lf"_s, u"crlf"_s}); i >= 0)
                o.lineEnds = LineEnds(i);
            return m_parsed.error.isEmpty() && once(id);
        case kStrict:
            o.strict = true;
            return true;
        default:
            return takeTreeOption(id, value);
        }
    }

    bool takeTreeOption(int id, const std::optional<QString>& value)
    {
        Options& o = m_parsed.options;
        switch (id) {
        case 'r':
            return o.recursive = true;
        case 'i':
            return o.inPlace = true;
        case '0':
            return o.nulSeparated = true;
        case kNames:
            return o.convertNames = true;
        case kOutputDir:
            o.outputDir = *value;
            return once(id) && nonEmpty(id, *value);
        case kBackup:
            o.backupSuffix = value.value_or(u"~"_s);
            return once(id) && nonEmpty(id, *o.backupSuffix);
        case kFilesFrom:
            o.filesFrom = *value;
            return once(id) && nonEmpty(id, *value);
        case kNamesFrom:
            o.namesFrom = *value;
            return once(id);
        case kLossy:
            o.lossy = true;
            return true;
        case kReport:
            o.tsvReport = choice(id, *value, {u"tsv"_s}) == 0;
            return o.tsvReport && once(id);
        case 'j':
            return once(id) && (o.jobs = number(id, *value, 1, kMostJobs).value_or(0)) > 0;
        case kMinConfidence:
            if (const std::optional<int> percent = number(id, *value, 0, 100))
                o.minConfidence = *percent;
            return m_parsed.error.isEmpty() && once(id);
        }
        return fail(texts::unknownOption(m_language, optionName(id)));
    }

    bool nonEmpty(int id, const QString& value)
    {
        return !value.isEmpty() || fail(texts::emptyFileName(m_language, optionName(id)));
    }

    bool readOperands()
    {
        for (int i = optind; i < m_argv->count(); ++i)
            m_parsed.options.files << m_argv->at(i);
        if (m_parsed.options.files.contains(QString()))
            return fail(texts::emptyFileName(m_language, {}));
        if (m_parsed.options.configFile && m_parsed.options.configFile->isEmpty())
            return fail(texts::emptyFileName(m_language, optionName(kConfig)));
        return true;
    }

    // The options that belong to the codepage form alone (-o, --eol and those of many files go with -c too).
    bool onlyWithCodepages()
    {
        for (const int id : m_given) {
            const bool withConverter = id != 't' && id != kMinConfidence && id != kStrict && id != kNamesFrom;
            if (m_parsed.options.mode == Options::Mode::Transcode)
                continue;
            if (m_parsed.options.mode == Options::Mode::Convert && withConverter)
                continue;
            const QString other = withConverter ? u"-c, -f"_s : u"-f"_s;
            return fail(texts::goesWith(m_language, optionName(id), other));
        }
        return true;
    }

    void check()
    {
        Options& o = m_parsed.options;
        if (!m_mode) {
            fail(m_given.contains('t') ? texts::goesWith(m_language, optionName('t'), u"-f"_s)
                                       : texts::noMode(m_language));
            return;
        }
        o.mode = *m_mode;
        if (o.batch && o.mode != Options::Mode::Convert && o.mode != Options::Mode::Transcode) {
            fail(texts::batchWithoutConvert(m_language));
            return;
        }
        if (o.batch && o.overTree()) {
            fail(texts::notTogether(m_language, optionName(kBatch),
                                    optionName(o.inPlace     ? 'i'
                                               : o.outputDir ? kOutputDir
                                               : o.recursive ? 'r'
                                                             : kFilesFrom)));
            return;
        }
        if (!onlyWithCodepages())
            return;
        switch (o.mode) {
        case Options::Mode::Convert:
            o.overTree() ? checkTree() : checkConverterOperands();
            return;
        case Options::Mode::Transcode:
            if (m_given.contains(kMinConfidence) && o.fromCode.compare(kAutoCodepage, Qt::CaseInsensitive) != 0)
                fail(texts::goesWith(m_language, optionName(kMinConfidence), u"-f auto"_s));
            else if (o.overTree())
                checkTree();
            else if (o.batch)
                checkConverterOperands();
            else
                checkStream();
            return;
        case Options::Mode::Guess:
            if (o.files.isEmpty())
                fail(texts::noGuessInput(m_language));
            return;
        default:
            if (!o.files.isEmpty())
                fail(texts::unexpectedOperand(m_language, lang::escaped(o.files.first())));
            return;
        }
    }

    // INPUT OUTPUT; fewer read standard input and write standard output, or -o.
    void checkConverterOperands()
    {
        Options& o = m_parsed.options;
        if (!noTreeOptions())
            return;
        if (o.batch) {
            if (o.files.isEmpty())
                fail(texts::noBatchInput(m_language));
            else if (o.files.contains(kStandardStream))
                fail(texts::standardInputInBatch(m_language));
            else if (m_given.contains('o'))
                fail(texts::notTogether(m_language, optionName(kBatch), optionName('o')));
            return;
        }
        const qsizetype most = m_given.contains('o') ? 1 : 2;
        if (o.files.size() > most) {
            fail(texts::wrongFileCount(m_language));
            return;
        }
        if (o.files.isEmpty())
            o.files << kStandardStream;
        if (o.files.size() == 1)
            o.files << o.output;
    }

    // Standard input when no file is named; the options of folder jobs have no place here.
    // The options of folder jobs have no place in a stream or a batch.
    bool noTreeOptions()
    {
        for (const int id : {kBackup, int('0'), kNames, kNamesFrom, kReport, int('j'), kLossy}) {
            if (m_given.contains(id))
                return fail(texts::goesWith(m_language, optionName(id), u"-r, -i, --output-dir, --files-from"_s));
        }
        return true;
    }

    // Standard input when no file is named.
    void checkStream()
    {
        Options& o = m_parsed.options;
        if (noTreeOptions() && o.files.isEmpty())
            o.files << kStandardStream;
    }

    void checkTree()
    {
        Options& o = m_parsed.options;
        const auto given = [&](int id) { return m_given.contains(id); };
        if (!o.inPlace && !o.outputDir)
            fail(texts::needsOneOf(m_language, optionName(o.recursive ? 'r' : kFilesFrom), optionName(kOutputDir),
                                   optionName('i')));
        else if (o.inPlace && o.outputDir)
            fail(texts::notTogether(m_language, optionName('i'), optionName(kOutputDir)));
        else if (given('o'))
            fail(texts::notTogether(m_language, optionName('o'), optionName(o.inPlace ? 'i' : kOutputDir)));
        else if (o.backupSuffix && !o.inPlace)
            fail(texts::goesWith(m_language, optionName(kBackup), optionName('i')));
        else if (o.nulSeparated && !o.filesFrom)
            fail(texts::goesWith(m_language, optionName('0'), optionName(kFilesFrom)));
        else if (given(kNamesFrom) && !o.convertNames)
            fail(texts::goesWith(m_language, optionName(kNamesFrom), optionName(kNames)));
        else if (o.files.isEmpty() && !o.filesFrom)
            fail(texts::noTreeInput(m_language));
        else if (o.files.contains(kStandardStream))
            fail(texts::standardInputInBatch(m_language));
    }

    const QStringList& m_arguments;
    const Language m_language;
    QList<int> m_resolved; // the arguments whose shared prefix is resolved, see findSharedPrefixes
    std::optional<ArgumentVector> m_argv;
    ParsedOptions m_parsed;
    std::optional<Options::Mode> m_mode;
    QList<int> m_seen;  // options that may come once
    QList<int> m_given; // options of the codepage form, in the order given
};

} // namespace

ParsedOptions parseArguments(const QStringList& arguments, Language language)
{
    return Parser(arguments, language).parse();
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
