// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/reportfile.h"

#include "files/fileops.h"
#include "files/posixfile.h"

#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>

namespace trelvick::rescueapp {

namespace {

using namespace Qt::StringLiterals;

// Lines gathered before they are written: a run of small files would otherwise write a line each.
constexpr qsizetype kBufferSize = 64 * 1024;
// Names tried after the first within one second, before giving up.
constexpr int kMaxAttempts = 100;

base::Error makeFolders(const QByteArray& path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0700);
    if (::mkdir(path.constData(), 0700) == 0 || errno == EEXIST)
        return {};
    return base::Error::system(errno, base::Side::Output);
}

} // namespace

base::Error ReportFile::open(const QByteArray& folder, const QDateTime& now)
{
    if (const base::Error failed = makeFolders(folder))
        return failed;
    const QByteArray stem = folder + "/rescue-" + now.toString(u"yyyyMMdd-HHmmss"_s).toLatin1();
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        m_path = stem + (attempt == 1 ? QByteArray() : '-' + QByteArray::number(attempt)) + ".tsv";
        m_file = files::Descriptor(files::retryOnInterrupt(
            [&] { return ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600); }));
        if (m_file)
            return {};
        if (errno != EEXIST)
            return base::Error::system(errno, base::Side::Output);
    }
    return base::Error::system(EEXIST, base::Side::Output);
}

void ReportFile::add(const QByteArray& line)
{
    m_buffer += line;
    if (m_buffer.size() >= kBufferSize)
        flush();
}

void ReportFile::flush()
{
    if (!m_error && m_file && !m_buffer.isEmpty()) {
        files::DescriptorSink sink(m_file.get());
        if (!sink.write(m_buffer.constData(), m_buffer.size()))
            m_error = sink.error();
    }
    m_buffer.clear();
}

base::Error ReportFile::finish()
{
    if (!m_file)
        return m_error;
    flush();
    if (!m_error && ::fdatasync(m_file.get()) != 0)
        m_error = base::Error::system(errno, base::Side::Output);
    if (const int closed = m_file.close(); closed != 0 && !m_error)
        m_error = base::Error::system(closed, base::Side::Output);
    return m_error;
}

QByteArray reportFolder()
{
    return files::nativePath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           "/trelvick/reports";
}

} // namespace trelvick::rescueapp
