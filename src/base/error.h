// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

// The one way failures travel through the program: what went wrong as a std::error_code (an errno
// value, or a fault of the program's own), at which side, and the entry at fault. It becomes text
// only where it is shown (lang::errorText), in the language asked for.
namespace trelvick::base {

// Which end of a job a failure lies at, so that a message can name the right file.
enum class Side
{
    None,
    Input,
    Output,
    Config, // tq.ini or a file it names
};

// Failures that have no errno of their own.
enum class Fault
{
    Overflow = 1,     // a number read is outside the range it must fit
    NotSingleByte,    // a codepage name iconv knows, but not one byte per character
    UnknownCharset,   // a codepage name iconv does not know
    CharactersLost,   // characters the target lacks, refused by --strict
    LinkUnresolved,   // a link's target cannot be followed to its end (too long, a loop)
    HiddenName,       // a name beginning with ".", which the plain-file test never counts
    NotRegularFile,   // a FIFO, device or socket where a regular file is needed
    EntryMissing,     // a tq.ini entry the program needs is absent, or every entry of a code section
    NoConverter,      // the converter list describes none of the keys it is told to look for
    BadValue,         // a tq.ini value its key cannot take (a count below 1, a code above 255, an encoding)
    BadCodePoint,     // a value of a UTF-8 code section that is no code point 0..1114111 outside the surrogates
    CharsetSuffix,    // a codepage name with one of iconv's suffixes (//TRANSLIT, //IGNORE)
    KeyInUse,         // a tq.ini key or section that a new entry would take is there already
    NoCarriageReturn, // a codepage whose byte 13 is another character: line ends could not stay bytes
    FileChanged,      // a file or folder is no longer the one a job looked at (swapped, moved, replaced)
    TooLarge,         // input beyond what the program takes (a list of names past its bound)
    LockHeld,         // another program held the lock of a file all the time the program would wait
    NotStarted,       // a viewer or editor that did not start, though the system names no reason
};

const std::error_category& faultCategory();

inline std::error_code make_error_code(Fault fault)
{
    return {static_cast<int>(fault), faultCategory()};
}

// An errno value as an error code (0 gives "no error").
inline std::error_code systemError(int errnum)
{
    return {errnum, std::generic_category()};
}

struct Error
{
    std::error_code code;
    Side side = Side::None;
    QString key;   // the entry, option or name at fault, when there is one
    QString value; // its value as read

    static Error system(int errnum, Side side = Side::None) { return {systemError(errnum), side, {}, {}}; }
    static Error fault(Fault fault, Side side = Side::None) { return {make_error_code(fault), side, {}, {}}; }

    explicit operator bool() const { return static_cast<bool>(code); }
    // Whether this is the given errno value (or fault).
    bool is(int errnum) const { return code == systemError(errnum); }
    bool is(Fault fault) const { return code == make_error_code(fault); }
};

// A value or the error that prevented it:
//
//     Expected<int> parsed = parse(text);
//     if (!parsed)
//         return parsed.error();
//     use(*parsed);
template <class T> class Expected
{
public:
    Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Expected(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& operator*() & { return std::get<0>(m_state); }
    const T& operator*() const& { return std::get<0>(m_state); }
    T&& operator*() && { return std::get<0>(std::move(m_state)); }
    T* operator->() { return &std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }

    const Error& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, Error> m_state;
};

} // namespace trelvick::base

template <> struct std::is_error_code_enum<trelvick::base::Fault> : std::true_type
{
};
