// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/names.h"

#include "files/descriptor.h"
#include "rescue/cursor.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include <climits>

namespace trelvick::rescue {

namespace {

using Verdict = NameReading::Verdict;

NameReading decoded(const QByteArray& name, const charset::Charset& from)
{
    QString text;
    for (const char byte : name) {
        const int c = from.codePage().character(static_cast<std::uint8_t>(byte));
        if (c <= 0 || c == '/')
            return {Verdict::Invalid, {}, {}};
        const char32_t character = char32_t(c);
        text += QString::fromUcs4(&character, 1);
    }
    if (text == u"." || text == u"..")
        return {Verdict::Invalid, {}, {}};
    const QByteArray utf8 = text.toUtf8();
    return {utf8.size() > NAME_MAX ? Verdict::TooLong : Verdict::Renamed, utf8, {}};
}

// The least share a name's own guess must give a codepage for the contents around it to decide.
constexpr double kAllowedByName = 0.05;
// The start of a file is enough to tell its codepage for this.
constexpr std::size_t kHintBytes = 16 * 1024;

bool isUtf8Name(const QByteArray& name)
{
    const guess::Guess guessed = guess::guessName(std::string_view(name.constData(), std::size_t(name.size())));
    return guessed.fits() && (guessed.ranked.front().encoding == guess::Encoding::Ascii ||
                              guessed.ranked.front().encoding == guess::Encoding::Utf8);
}

QList<guess::Encoding> ranked(const QHash<int, int>& counts)
{
    QList<std::pair<int, int>> order;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        order.append({it.value(), it.key()});
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QList<guess::Encoding> encodings;
    for (const auto& [count, encoding] : order)
        encodings.append(static_cast<guess::Encoding>(encoding));
    return encodings;
}

} // namespace

NameHints NameHints::gather(const Walked& walked)
{
    NameHints hints;
    const auto count = walked.nodes.size();
    hints.m_inFolder.resize(count);
    hints.m_below.resize(count);
    // Which entries have a name that is not UTF-8 on their way.
    std::vector<bool> wanted(count, false);
    bool any = false;
    for (std::size_t i = 0; i < count; ++i) {
        const Node& node = walked.nodes[i];
        const bool own = !node.name.isEmpty() && !isUtf8Name(node.name);
        wanted[i] = own || (node.parent >= 0 && wanted[std::size_t(node.parent)]);
        any = any || own;
    }
    if (!any)
        return hints;
    Folders folders;
    folders.currentName.resize(count);
    InputCursor cursor(walked, folders);
    for (std::size_t i = 0; i < count; ++i) {
        const Node& node = walked.nodes[i];
        if (node.kind != Node::Kind::File || node.sameAs >= 0)
            continue;
        // A file counts for its folder when the folder's or a sibling's name needs it: read them all there.
        const bool needed = wanted[i] || (node.parent >= 0 && wanted[std::size_t(node.parent)]);
        if (!needed && node.parent >= 0)
            continue;
        const base::Expected<int> folder = cursor.containerOf(qsizetype(i));
        if (!folder)
            continue;
        const files::Descriptor file(files::retryOnInterrupt([&] {
            return ::openat(*folder, node.name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        }));
        struct stat info;
        if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || FileId::of(info) != node.id())
            continue;
        QByteArray start(kHintBytes, Qt::Uninitialized);
        const ssize_t got = files::retryOnInterrupt([&] { return ::pread(file.get(), start.data(), kHintBytes, 0); });
        if (got <= 0)
            continue;
        const guess::Guess guessed = guess::guessEncoding(std::string_view(start.constData(), std::size_t(got)));
        if (!guessed.fits() || guessed.doubtful(0.9))
            continue;
        const int encoding = int(guessed.ranked.front().encoding);
        ++hints.m_job[encoding];
        if (node.parent >= 0)
            ++hints.m_inFolder[std::size_t(node.parent)][encoding];
        for (qsizetype up = node.parent; up >= 0; up = walked.nodes[std::size_t(up)].parent)
            ++hints.m_below[std::size_t(up)][encoding];
    }
    return hints;
}

QList<guess::Encoding> NameHints::around(const Walked& walked, qsizetype i) const
{
    if (m_job.isEmpty())
        return {};
    QList<guess::Encoding> order;
    const auto add = [&](const Counts& counts) {
        for (const guess::Encoding encoding : ranked(counts)) {
            if (!order.contains(encoding))
                order.append(encoding);
        }
    };
    const Node& node = walked.nodes[std::size_t(i)];
    if (node.kind == Node::Kind::Folder)
        add(m_below[std::size_t(i)]);
    for (qsizetype up = node.parent; up >= 0; up = walked.nodes[std::size_t(up)].parent)
        add(m_inFolder[std::size_t(up)].isEmpty() ? m_below[std::size_t(up)] : m_inFolder[std::size_t(up)]);
    add(m_job);
    return order;
}

NameConverter::NameConverter(const Codepages& codepages, const charset::Charset* from, int minConfidence)
    : m_codepages(codepages), m_from(from), m_least(minConfidence / 100.0)
{
}

NameReading NameConverter::read(const QByteArray& name, const QList<guess::Encoding>& around) const
{
    const guess::Guess guessed = guess::guessName(std::string_view(name.constData(), std::size_t(name.size())));
    if (guessed.fits()) {
        const guess::Encoding best = guessed.ranked.front().encoding;
        if (best == guess::Encoding::Ascii || best == guess::Encoding::Utf8)
            return {Verdict::Stays, {}, {}};
    }
    if (m_from)
        return decoded(name, *m_from);
    if (!guessed.fits())
        return {Verdict::Invalid, {}, {}};
    for (const guess::Encoding encoding : around) {
        const auto allowed =
            std::find_if(guessed.ranked.begin(), guessed.ranked.end(), [&](const guess::Likelihood& l) {
                return l.encoding == encoding && l.confidence >= kAllowedByName;
            });
        const charset::Charset* from = m_codepages.find(encoding);
        if (allowed == guessed.ranked.end() || !from)
            continue;
        const NameReading reading = decoded(name, *from);
        if (reading.verdict != Verdict::Invalid)
            return reading;
    }
    if (guessed.doubtful(m_least))
        return {Verdict::InDoubt, {}, candidates(guessed)};
    const charset::Charset* from = m_codepages.find(guessed.ranked.front().encoding);
    if (!from)
        return {Verdict::InDoubt, {}, candidates(guessed)};
    return decoded(name, *from);
}

} // namespace trelvick::rescue
