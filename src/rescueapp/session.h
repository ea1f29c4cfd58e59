// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/conversions.h"
#include "rescue/names.h"
#include "rescue/plan.h"
#include "rescue/request.h"

#include <QByteArray>
#include <QList>
#include <memory>
#include <optional>

namespace trelvick::rescueapp {

// What the user chose in the window.
struct Options
{
    QList<QByteArray> inputs; // absolute paths, folders or files
    bool inPlace = true;      // with backups; else into outputDir
    QByteArray outputDir;
    bool convertNames = false;
    convert::LineEnds lineEnds = convert::LineEnds::Keep;
    int jobs = 0; // worker threads; 0: one per processor

    friend bool operator==(const Options&, const Options&) = default;
};

// Each original of a conversion in place stays beside its new contents under its name and this.
inline constexpr char kBackupSuffix[] = "~";

// One job of the engine: the request the options make, the converters, and the plan of the walked
// inputs, made once for the scan (a dry run) and used again, with the user's choices, by the real
// conversion, so that it does what the plan showed. The plan and the converters keep referring to
// the request, so a session never moves; only the request's dryRun and overrides change after it is
// made, and only while no job runs on it.
class Session final
{
public:
    // Fails when this system cannot convert into UTF-8.
    static base::Expected<std::unique_ptr<Session>> make(const Options& options);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The walk of the inputs and the plan of names and collisions: reads the folders, so it runs off
    // the window's thread.
    void walkAndPlan();

    const Options& options() const { return m_options; }
    rescue::Request& request() { return m_request; }
    const rescue::Request& request() const { return m_request; }
    const rescue::Conversions& conversions() const { return *m_conversions; }
    const rescue::Plan& plan() const { return *m_plan; }
    bool planned() const { return m_plan.has_value(); }

private:
    explicit Session(const Options& options) : m_options(options) {}

    Options m_options;
    rescue::Request m_request;
    rescue::Codepages m_codepages;
    std::optional<rescue::Conversions> m_conversions;
    std::optional<rescue::NameConverter> m_names;
    rescue::NameHints m_hints;
    std::optional<rescue::Plan> m_plan;
};

} // namespace trelvick::rescueapp
