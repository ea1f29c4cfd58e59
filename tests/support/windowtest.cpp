// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowtest.h"

#include "scriptedplatform.h"

#include <QTest>

namespace trelvick::testing {

void WindowTest::cleanup()
{
    const QStringList unplanned = takeUnplanned();
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(unplanned.isEmpty(), qPrintable(unplanned.join(QStringLiteral("; "))));
}

} // namespace trelvick::testing
