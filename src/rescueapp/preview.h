// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "guess/guess.h"
#include "rescue/conversions.h"
#include "rescue/node.h"

#include <QByteArray>
#include <QString>

// The start of a file as it will read once converted, for the plan's preview column and for each
// codepage the user may choose instead: a few lines, kept as bytes from the scan, read through the
// very table the conversion uses.
namespace trelvick::rescueapp {

// What the scan keeps of each file: at most this many bytes, cut after this many lines.
inline constexpr qsizetype kHeadBytes = 240;
inline constexpr int kHeadLines = 3;

// The first bytes of the file the walk saw: opened by its path without following a link or waiting on
// a FIFO, and read only while it is still that file (device and inode); empty otherwise.
QByteArray readHead(const rescue::Node& node);

// The head read in encoding and converted as the job would convert it; its line ends shown as
// kLineMark and other controls as their pictures (U+2400...), so that it reads on one line. Empty for
// a codepage this system cannot convert.
QString previewText(const QByteArray& head, guess::Encoding encoding, const rescue::Conversions& conversions);

// The encoding of a result's "from" (iconv's name of it), if the guess knows it.
std::optional<guess::Encoding> encodingNamed(const QString& name);

} // namespace trelvick::rescueapp
