// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace trelvick::testing {

// Base of every window test: after each test function, anything the scripted platforms met that the
// test had not planned for (a box, a dialog or an input box with no answer queued, an answer never
// asked for, a second end) fails that test.
class WindowTest : public QObject
{
    Q_OBJECT

protected slots:
    // Fails the test when a box, dialog or end came that the test did not plan for.
    void cleanup();
};

} // namespace trelvick::testing
