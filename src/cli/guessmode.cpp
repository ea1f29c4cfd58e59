// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/guessmode.h"

#include "cli/reporter.h"

#include "files/posixfile.h"
#include "guess/guess.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"
#include "rescue/codepages.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;

namespace {

// What --guess=name and --guess=tsv print for a file without a guess.
constexpr QLatin1StringView kUnknown("unknown");

using rescue::languageOf;
using rescue::nameOf;

class Guesser final
{
public:
    Guesser(const Options& options, const Context& context, const config::Configuration& config)
        : m_options(options), m_context(context), m_config(config), m_report(context, options.quiet)
    {
    }

    int run() const;

private:
    lang::Language language() const { return m_context.language; }
    void error(const QString& text) const { m_report.error(text); }
    // A full disk or a closed pipe is reported like any failed output.
    bool print(const QString& line) const
    {
        files::DescriptorSink sink(m_context.outputFd);
        const QByteArray bytes = (line + u'\n').toUtf8();
        if (sink.write(bytes.constData(), bytes.size()))
            return true;
        error(texts::fileFailure(texts::standardOutput(), lang::errorText(sink.error(), language())));
        return false;
    }
    // In messages and prose; the script formats name standard input "-", in no language.
    lang::Escaped shown(const QString& path) const
    {
        return path == kStandardStream ? texts::standardInput() : lang::escaped(path);
    }
    QString tsvName(const QString& path) const { return path == kStandardStream ? path : lang::escaped(path); }

    std::optional<guess::Guess> guessFile(const QString& path) const;
    QStringList converterKeys(guess::Encoding encoding) const;
    QString line(const QString& path, const guess::Guess& guess) const;
    QString failureLine(const QString& path, bool unreadable) const;

    const Options& m_options;
    const Context& m_context;
    const config::Configuration& m_config;
    Reporter m_report;
};

// The guess, or nothing when the file cannot be read, which is reported here with the system's reason.
std::optional<guess::Guess> Guesser::guessFile(const QString& path) const
{
    files::InputFile file;
    int fd = m_context.inputFd;
    if (path != kStandardStream) {
        if (!file.open(path)) {
            error(texts::fileFailure(shown(path), lang::errorText(file.error(), language())));
            return std::nullopt;
        }
        fd = file.descriptor();
    }
    files::DescriptorSource reader(fd);
    base::Expected<guess::Guess> guessed = guess::guessFile(reader);
    if (!guessed) {
        error(texts::fileFailure(shown(path), lang::errorText(guessed.error(), language())));
        return std::nullopt;
    }
    return std::move(*guessed);
}

QStringList Guesser::converterKeys(guess::Encoding encoding) const
{
    QStringList keys;
    for (const config::Converter& converter : m_config.converters) {
        if (guess::describesSource(converter.description.toStdString(), encoding))
            keys << lang::escaped(converter.key);
    }
    return keys;
}

QString Guesser::line(const QString& path, const guess::Guess& guess) const
{
    const guess::Likelihood& best = guess.ranked.front();
    const guess::Likelihood* runnerUp = guess.runnerUp();
    // Certain only when no other candidate fits at all.
    const double most = guess.ranked.size() > 1 ? 0.99 : 1.0;
    auto described = [most](const guess::Likelihood& likelihood) {
        return texts::GuessedEncoding{nameOf(likelihood.encoding), std::min(likelihood.confidence, most),
                                      likelihood.readsLikeBest, languageOf(likelihood.language)};
    };
    const QStringList keys = converterKeys(best.encoding);
    switch (m_options.guessFormat) {
    case GuessFormat::Name:
        return nameOf(best.encoding);
    case GuessFormat::Tsv: {
        QStringList fields{tsvName(path), nameOf(best.encoding),
                           QString::number(texts::percent(described(best).confidence))};
        if (runnerUp)
            fields << nameOf(runnerUp->encoding) << QString::number(texts::percent(described(*runnerUp).confidence));
        else
            fields << QString() << QString();
        return (fields << keys.join(u',') << languageOf(best.language)).join(u'\t');
    }
    case GuessFormat::Prose:
        break;
    }
    texts::GuessedEncoding first = described(best);
    if (guess.doubleEncodedThrough)
        first.doubleEncodedThrough = nameOf(*guess.doubleEncodedThrough);
    return texts::guessed(shown(path), first, runnerUp ? std::optional(described(*runnerUp)) : std::nullopt, keys);
}

QString Guesser::failureLine(const QString& path, bool unreadable) const
{
    switch (m_options.guessFormat) {
    case GuessFormat::Name:
        return kUnknown;
    case GuessFormat::Tsv:
        return QStringList{tsvName(path), kUnknown, u"0"_s, {}, {}, {}, {}}.join(u'\t');
    case GuessFormat::Prose:
        break;
    }
    return unreadable ? texts::notRead(shown(path)) : texts::notText(shown(path));
}

// Every file gets its line on standard output, in the order given, so that a script reading the lines
// misses none. A file that cannot be read (status 1) outweighs one that is no text (status 3).
int Guesser::run() const
{
    int status = kDone;
    for (const QString& path : m_options.files) {
        const std::optional<guess::Guess> guessed = guessFile(path);
        QString text;
        if (!guessed) {
            status = kConversionFailed;
            text = failureLine(path, true);
        } else if (!guessed->fits()) {
            status = status == kDone ? kNotText : status;
            text = failureLine(path, false);
        } else {
            text = line(path, *guessed);
        }
        if (!print(text))
            return kConversionFailed;
    }
    return status;
}

} // namespace

int guessFiles(const Options& options, const Context& context, const config::Configuration& config)
{
    return Guesser(options, context, config).run();
}

} // namespace trelvick::cli
