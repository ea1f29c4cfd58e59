// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileconversion.h"

#include "files/destination.h"
#include "files/fileops.h"
#include "files/outputtransaction.h"
#include "files/posixfile.h"

#include <cerrno>
#include <memory>
#include <poll.h>
#include <sys/stat.h>
#include <vector>

namespace trelvick::files {

namespace {

// How long a read from a FIFO or a terminal waits before it looks for a termination signal again.
constexpr int kSignalPollMilliseconds = 100;

// The only permission bits a new output takes from its input.
constexpr mode_t kAccessBits = 0777;

ConversionOutcome failure(base::Error error, base::Side side, const convert::Counts& counts = {})
{
    error.side = side;
    return {std::move(error), counts, 0};
}

// The input: a file opened here, or a descriptor the caller owns.
struct Input
{
    InputFile file;
    DescriptorSource descriptor;
    struct stat info = {};

    convert::ByteSource& source()
    {
        return file.descriptor() >= 0 ? static_cast<convert::ByteSource&>(file) : descriptor;
    }
    int fd() const { return file.descriptor() >= 0 ? file.descriptor() : descriptor.descriptor(); }
    bool regular() const { return S_ISREG(info.st_mode); }
};

base::Error openInput(const FileConversion::Source& request, Input& input)
{
    if (request.fd)
        input.descriptor = DescriptorSource(*request.fd);
    else if (!input.file.open(nativePath(request.path)))
        return input.file.error();
    if (::fstat(input.fd(), &input.info) != 0)
        return base::Error::system(errno);
    return S_ISDIR(input.info.st_mode) ? base::Error::system(EISDIR) : base::Error{};
}

using Inputs = std::vector<std::unique_ptr<Input>>;

// The inputs one after the other. Reads stop at a held-back termination signal, also while an
// input (a FIFO, a terminal) has nothing to give: the wait is cut into short polls.
class GuardedSource final : public convert::ByteSource
{
public:
    GuardedSource(Inputs& inputs, const OutputTransaction& guard) : m_inputs(inputs), m_guard(guard) {}

    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        for (;;) {
            const std::int64_t got = readCurrent(buffer, capacity);
            if (got != 0 || m_current + 1 >= m_inputs.size())
                return got;
            m_inputs[m_current]->file.close();
            ++m_current;
        }
    }
    base::Error error() const override { return m_error ? m_error : current().source().error(); }
    std::size_t currentIndex() const { return m_current; }

private:
    Input& current() const { return *m_inputs[m_current]; }
    std::int64_t readCurrent(char* buffer, std::int64_t capacity)
    {
        while (m_guard.holdsTermination()) {
            if (m_guard.terminationPending()) {
                m_error = base::Error::system(EINTR);
                return -1;
            }
            // A regular file never keeps a read waiting; for anything else readable, closed or
            // failing, the read tells which.
            pollfd ready = {current().fd(), POLLIN, 0};
            if (current().regular() || ::poll(&ready, 1, kSignalPollMilliseconds) != 0)
                break;
        }
        return current().source().read(buffer, capacity);
    }

    Inputs& m_inputs;
    const OutputTransaction& m_guard;
    std::size_t m_current = 0;
    base::Error m_error;
};

using EngineRun =
    std::function<convert::EngineResult(convert::ByteSource&, convert::ByteSink&, const convert::EngineOptions&)>;

ConversionOutcome convertWith(const FileConversion& request, const EngineRun& engine)
{
    // The inputs first: nothing is touched on the output side for an input that cannot be read.
    QList<FileConversion::Source> sources = {{request.input, request.inputFd}};
    sources += request.moreInputs;
    Inputs inputs;
    bool allRegular = true;
    std::int64_t totalSize = 0;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        inputs.push_back(std::make_unique<Input>());
        if (const base::Error failed = openInput(sources.at(i), *inputs.back())) {
            ConversionOutcome outcome = failure(failed, base::Side::Input);
            outcome.failedInput = i;
            return outcome;
        }
        allRegular = allRegular && inputs.back()->regular();
        totalSize += static_cast<std::int64_t>(inputs.back()->info.st_size);
    }
    const Input& input = *inputs.front();

    base::Expected<Destination> destination =
        request.outputFd ? streamDestination(*request.outputFd) : findDestination(nativePath(request.output));
    if (!destination)
        return failure(destination.error(), base::Side::Output);
    OutputRules rules;
    rules.unnamedTemporary = request.unnamedTemporary;
    rules.regularOnly = request.regularOutputOnly;
    rules.sweep = request.sweep;
    OutputTransaction output(std::move(*destination), rules);
    if (const base::Error failed = output.open(input.info.st_mode & kAccessBits))
        return failure(failed, base::Side::Output);

    DescriptorSink sink(output.descriptor());
    GuardedSource source(inputs, output);
    if (request.started)
        request.started(allRegular ? totalSize : -1);
    convert::EngineOptions options;
    options.lineEnds = request.lineEnds;
    options.progress = request.progress;
    options.interval = request.interval;
    options.readThread = allRegular ? convert::ReadThread::WhenProcessorIdle : convert::ReadThread::Never;
    std::unique_ptr<convert::ByteSource> decoded = request.decode ? request.decode(source) : nullptr;
    convert::EngineResult result =
        engine(decoded ? *decoded : static_cast<convert::ByteSource&>(source), sink, options);
    if (request.decoded)
        result.counts.invalid += request.decoded();
    decoded.reset();
    inputs.clear();
    if (!result.ok)
        return {result.error, result.counts, 0, static_cast<qsizetype>(source.currentIndex())};
    if (request.refuseLoss && (result.counts.lost > 0 || result.counts.invalid > 0))
        return failure({make_error_code(base::Fault::CharactersLost), base::Side::None, {}, {}}, base::Side::Input,
                       result.counts);
    if (const base::Error failed = output.commit())
        return failure(failed, base::Side::Output, result.counts);
    return {{}, result.counts, output.otherNames()};
}

} // namespace

ConversionOutcome convertFile(const FileConversion& request, const convert::ConversionTable& table)
{
    return convertWith(
        request, [&table](convert::ByteSource& source, convert::ByteSink& sink, const convert::EngineOptions& options) {
            return convert::convertStream(source, sink, table, options);
        });
}

ConversionOutcome convertFile(const FileConversion& request, const convert::Converter& converter)
{
    return convertWith(request, [&converter](convert::ByteSource& source, convert::ByteSink& sink,
                                             const convert::EngineOptions& options) {
        return convert::convertStream(source, sink, converter, options);
    });
}

} // namespace trelvick::files
