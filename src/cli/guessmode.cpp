// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/guessmode.h"

#include "files/posixfile.h"
#include "guess/guess.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <algorithm>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;

namespace {

bool writeAll(int fd, const QByteArray& bytes)
{
    files::DescriptorSink sink(fd);
    return sink.write(bytes.constData(), bytes.size());
}

class Guesser final
{
public:
    Guesser(const Options& options, const Context& context) : m_options(options), m_context(context) {}

    int run(const config::Configuration& config) const;

private:
    lang::Language language() const { return m_context.language; }
    void error(const QString& text) const
    {
        writeAll(m_context.errorFd, (QString::fromUtf16(texts::kProgramName) + u": "_s + text + u'\n').toUtf8());
    }
    // The line of a file; a full disk or a closed pipe is reported like any failed output.
    bool print(const QString& line) const
    {
        files::DescriptorSink sink(m_context.outputFd);
        const QByteArray bytes = line.toUtf8();
        if (sink.write(bytes.constData(), bytes.size()))
            return true;
        error(texts::fileFailure(texts::standardOutput(language()), sink.errorString()));
        return false;
    }
    QString shown(const QString& path) const
    {
        return path == kStandardStream ? texts::standardInput(language()) : lang::escaped(path);
    }

    const Options& m_options;
    const Context& m_context;
};

// One line per file. A file that cannot be read (status 1) outweighs one that is no text (status 3).
int Guesser::run(const config::Configuration& config) const
{
    int status = kDone;
    for (const QString& path : m_options.files) {
        const QString name = shown(path);
        files::InputFile inputFile;
        int fd = m_context.inputFd;
        if (path != kStandardStream) {
            if (!inputFile.open(path)) {
                error(texts::fileFailure(name, inputFile.errorString()));
                status = kConversionFailed;
                continue;
            }
            fd = inputFile.descriptor();
        }
        guess::DescriptorReader reader(fd);
        const base::Expected<guess::Guess> guessed = guess::guessFile(reader);
        if (!guessed) {
            error(texts::fileFailure(name, lang::errorText(guessed.error(), language())));
            status = kConversionFailed;
            continue;
        }
        const guess::Guess& result = *guessed;
        if (!result.fits()) {
            error(texts::notText(language(), name));
            if (status == kDone)
                status = kNotText;
            continue;
        }
        // Certain only when no other candidate fits at all.
        const double most = result.ranked.size() > 1 ? 0.99 : 1.0;
        auto described = [most](const guess::Likelihood& likelihood) {
            const std::string_view encoding = guess::encodingName(likelihood.encoding);
            return texts::GuessedEncoding{QString::fromLatin1(encoding.data(), qsizetype(encoding.size())),
                                          std::min(likelihood.confidence, most)};
        };
        QStringList keys;
        for (const config::Converter& converter : config.converters) {
            if (guess::describesSource(converter.description.toStdString(), result.ranked.front().encoding))
                keys << converter.key;
        }
        const guess::Likelihood* runnerUp = result.runnerUp();
        if (!print(texts::guessed(language(), name, described(result.ranked.front()),
                                  runnerUp ? std::optional(described(*runnerUp)) : std::nullopt, keys) +
                   u'\n'))
            return kConversionFailed;
    }
    return status;
}

} // namespace

int guessFiles(const Options& options, const Context& context, const config::Configuration& config)
{
    return Guesser(options, context).run(config);
}

} // namespace trelvick::cli
