// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/session.h"

#include "rescue/sources.h"

#include <QThread>

namespace trelvick::rescueapp {

base::Expected<std::unique_ptr<Session>> Session::make(const Options& options)
{
    std::unique_ptr<Session> session(new Session(options));
    rescue::Request& request = session->m_request;
    base::Expected<charset::Charset> utf8 = charset::Charset::find("UTF-8");
    if (!utf8)
        return utf8.error();
    request.target = std::move(*utf8);
    for (const QByteArray& input : options.inputs)
        request.inputs.append({input, true});
    request.recursive = true;
    request.lineEnds = options.lineEnds;
    request.convertNames = options.convertNames;
    request.dryRun = true;
    if (options.inPlace) {
        request.delivery = rescue::Delivery::InPlace;
        request.backupSuffix = QByteArray(kBackupSuffix);
    } else {
        request.delivery = rescue::Delivery::OutputDir;
        request.outputDir = options.outputDir;
    }
    request.jobs = options.jobs > 0 ? options.jobs : std::max(1, QThread::idealThreadCount());
    base::Expected<rescue::Conversions> conversions = rescue::Conversions::make(request, session->m_codepages);
    if (!conversions)
        return conversions.error();
    session->m_conversions.emplace(std::move(*conversions));
    session->m_names.emplace(session->m_codepages, nullptr, request.source.minConfidence);
    return session;
}

void Session::walkAndPlan()
{
    rescue::Walked walked = rescue::walk(m_request);
    if (m_request.convertNames)
        m_hints = rescue::NameHints::gather(walked);
    m_plan.emplace(m_request, std::move(walked), m_request.convertNames ? &*m_names : nullptr, &m_hints);
}

} // namespace trelvick::rescueapp
