// Byte-for-byte comparison of a written file with its golden copy. On a
// difference the failure names the first differing line of both, with CR
// and LF shown, so a missing blank or line end is plain to see.
#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QString>

namespace brindle::test {

::testing::AssertionResult sameBytes(const QByteArray& expected, const QByteArray& actual);

// Compares the file at actualPath with the golden file at goldenPath.
::testing::AssertionResult matchesGolden(const QString& actualPath, const QString& goldenPath);

}  // namespace brindle::test
