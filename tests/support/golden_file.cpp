#include "tests/support/golden_file.h"

#include <QFile>

#include <algorithm>

namespace brindle::test {

namespace {

QByteArray readAll(const QString& path, bool* ok) {
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? f.readAll() : QByteArray();
}

// One line with its end, the end made visible.
QByteArray visibleLine(const QByteArray& bytes, qsizetype from) {
    if (from >= bytes.size()) {
        return "<end of file>";
    }
    qsizetype end = bytes.indexOf('\n', from);
    end = end < 0 ? bytes.size() : end + 1;
    QByteArray line = bytes.mid(from, end - from);
    line.replace("\r", "\\r").replace("\n", "\\n");
    return line;
}

}  // namespace

::testing::AssertionResult sameBytes(const QByteArray& expected, const QByteArray& actual) {
    if (expected == actual) {
        return ::testing::AssertionSuccess();
    }
    const qsizetype common = std::min(expected.size(), actual.size());
    qsizetype at = 0;
    while (at < common && expected[at] == actual[at]) {
        ++at;
    }
    const qsizetype lineStart = at == 0 ? 0 : expected.lastIndexOf('\n', at - 1) + 1;
    const qsizetype lineNumber = expected.left(lineStart).count('\n') + 1;
    return ::testing::AssertionFailure()
           << "first difference in line " << lineNumber << " (byte " << at << ")\n"
           << "  expected: " << visibleLine(expected, lineStart).constData() << "\n"
           << "  actual:   " << visibleLine(actual, lineStart).constData();
}

::testing::AssertionResult matchesGolden(const QString& actualPath, const QString& goldenPath) {
    bool haveGolden = false, haveActual = false;
    const QByteArray expected = readAll(goldenPath, &haveGolden);
    const QByteArray actual = readAll(actualPath, &haveActual);
    if (!haveGolden) {
        return ::testing::AssertionFailure() << "no golden file " << goldenPath.toStdString();
    }
    if (!haveActual) {
        return ::testing::AssertionFailure() << "no file " << actualPath.toStdString();
    }
    return sameBytes(expected, actual);
}

}  // namespace brindle::test
