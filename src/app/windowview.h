// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace trelvick::app {

// What the conversion run shows outside its message boxes. The window implements it; tests record it.
class ProgressView
{
public:
    virtual ~ProgressView() = default;
    // The progress bar's fill and its percentage text.
    virtual void showProgress(int percentage) = 0;
    // The status line under the converter choice (lblPleaseWait).
    virtual void showStatusLine(const QString& text) = 0;
    // Makes the window show the state as it now is: which commands are available, the two paths and
    // the working lists. Called whenever a command changes the state in the middle of its work.
    virtual void showState() = 0;
};

// The same for the file selection and the file commands, which also rebuild the information line.
class WindowView : public ProgressView
{
public:
    // ShowInputInfo: the input file's size and date in the status line. A file that cannot be read
    // leaves the line as it was; callers that must report that ask the file layer themselves.
    virtual void ShowInputInfo() = 0;
};

} // namespace trelvick::app
