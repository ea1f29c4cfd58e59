// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lang/mocatalog.h"
#include "lang/texts.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace trelvick::rescueapp {

using lang::Language;

// The window's texts in the language it shows: English is the message id itself, Greek comes from the
// same catalogue the command line uses (<localedir>/el/LC_MESSAGES/trelvick.mo), read by the window
// itself so that its switch works whatever language the process runs in. The catalogue is read once
// per window and shared by the copies its parts hold. Without a catalogue, Greek shows as English:
// never a message id with its placeholders left.
class Phrasebook final
{
public:
    Phrasebook() = default; // English
    // The catalogue of localeFolder, shown in language.
    static Phrasebook open(const QString& localeFolder, Language language);

    // The language the texts come in: English when Greek was asked for and there is no catalogue.
    Language language() const;
    // The same catalogue in another language.
    Phrasebook in(Language language) const;

    // msgid, an English text marked N_ or passed literally (make-pot.sh takes tr and trn as keywords).
    QString tr(const char* msgid) const;
    QString trn(const char* singular, const char* plural, std::int64_t count) const;

private:
    Phrasebook(std::shared_ptr<const lang::MoCatalog> greek, Language language);
    const lang::MoCatalog* catalogue() const;

    std::shared_ptr<const lang::MoCatalog> m_greek;
    Language m_asked = Language::English;
};

} // namespace trelvick::rescueapp
