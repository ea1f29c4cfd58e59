// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/error.h"

#include <string>

namespace trelvick::base {

namespace {

class FaultCategory final : public std::error_category
{
public:
    const char* name() const noexcept override { return "trelvick"; }
    // For logs and debuggers only: messages come from lang::errorText.
    std::string message(int value) const override
    {
        switch (static_cast<Fault>(value)) {
        case Fault::Overflow:
            return "Overflow";
        case Fault::NotSingleByte:
            return "not a single-byte codepage";
        case Fault::UnknownCharset:
            return "unknown codepage";
        case Fault::CharactersLost:
            return "characters lost";
        case Fault::LinkUnresolved:
            return "link cannot be resolved";
        case Fault::HiddenName:
            return "hidden file";
        case Fault::NotRegularFile:
            return "not a regular file";
        case Fault::EntryMissing:
            return "entry missing";
        case Fault::NoConverter:
            return "no converter";
        case Fault::BadValue:
            return "bad value";
        case Fault::BadCodePoint:
            return "not a code point";
        case Fault::CharsetSuffix:
            return "codepage name with a // suffix";
        case Fault::KeyInUse:
            return "key in use";
        case Fault::NoCarriageReturn:
            return "byte 13 is no carriage return";
        case Fault::FileChanged:
            return "changed since it was looked at";
        case Fault::TooLarge:
            return "too large";
        case Fault::LockHeld:
            return "lock held by another program";
        case Fault::NotStarted:
            return "program not started";
        }
        return "unknown fault";
    }
};

} // namespace

const std::error_category& faultCategory()
{
    static const FaultCategory category;
    return category;
}

} // namespace trelvick::base
